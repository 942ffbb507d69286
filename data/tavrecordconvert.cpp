#include "tavbinary.h"

#include <QtEndian>

#ifdef __SSE2__
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

namespace {

// raw / divisor for one record's values, in single precision. Four at a time where SSE2
// is there: the same IEEE conversion and division as the scalar code, so the same bits.
inline void convertOneRow(const uchar* raw, const float* divisors, float* out, int count)
{
    int j = 0;
#ifdef __SSE2__
    for (; j + 4 <= count; j += 4) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + 4 * j));
        v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
        v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
        v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
        const __m128 f = _mm_cvtepi32_ps(v);
        _mm_storeu_ps(out + j, _mm_div_ps(f, _mm_loadu_ps(divisors + j)));
    }
#endif
    for (; j < count; ++j)
        out[j] = float(qFromBigEndian<qint32>(raw + 4 * j)) / divisors[j];
}

#ifdef __SSE2__
// Four raw big-endian values at p divided by d, in single precision.
inline __m128 loadScaled(const uchar* p, __m128 d)
{
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
    v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
    v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(2, 3, 0, 1));
    return _mm_div_ps(_mm_cvtepi32_ps(v), d);
}
#endif

// Values of n consecutive records into the columns from index dest on. With SSE2, four
// records by four variables at a time, transposed so that each column gets one store.
void convertCached(const uchar* records, qint64 recordLength, int n, const float* divisors,
                   float* const* cols, qint64 dest, int count, float* row)
{
    int r = 0;
#ifdef __SSE2__
    for (; r + 4 <= n; r += 4) {
        const uchar* p0 = records + r * recordLength + 4;
        const uchar* p1 = p0 + recordLength;
        const uchar* p2 = p1 + recordLength;
        const uchar* p3 = p2 + recordLength;
        const qint64 at = dest + r;
        int j = 0;
        for (; j + 4 <= count; j += 4) {
            const __m128 d = _mm_loadu_ps(divisors + j);
            __m128 a = loadScaled(p0 + 4 * j, d);
            __m128 b = loadScaled(p1 + 4 * j, d);
            __m128 c = loadScaled(p2 + 4 * j, d);
            __m128 e = loadScaled(p3 + 4 * j, d);
            _MM_TRANSPOSE4_PS(a, b, c, e);
            _mm_storeu_ps(cols[j] + at, a);
            _mm_storeu_ps(cols[j + 1] + at, b);
            _mm_storeu_ps(cols[j + 2] + at, c);
            _mm_storeu_ps(cols[j + 3] + at, e);
        }
        for (; j < count; ++j) {
            cols[j][at] = float(qFromBigEndian<qint32>(p0 + 4 * j)) / divisors[j];
            cols[j][at + 1] = float(qFromBigEndian<qint32>(p1 + 4 * j)) / divisors[j];
            cols[j][at + 2] = float(qFromBigEndian<qint32>(p2 + 4 * j)) / divisors[j];
            cols[j][at + 3] = float(qFromBigEndian<qint32>(p3 + 4 * j)) / divisors[j];
        }
    }
#endif
    for (; r < n; ++r) {
        convertOneRow(records + r * recordLength + 4, divisors, row, count);
        for (int j = 0; j < count; ++j)
            cols[j][dest + r] = row[j];
    }
}

#ifdef __SSE2__
// Like convertCached for blocks of 16 records whose destination starts a cache line of
// every column: each column gets whole lines written around the cache, so the lines are
// never read from memory first only to be overwritten.
void convertStreamed(const uchar* records, qint64 recordLength, int blocks, const float* divisors,
                     float* const* cols, qint64 dest, int count)
{
    for (int b = 0; b < blocks; ++b) {
        const uchar* base = records + qint64(b) * 16 * recordLength + 4;
        const qint64 at = dest + qint64(b) * 16;
        int j = 0;
        for (; j + 4 <= count; j += 4) {
            const __m128 d = _mm_loadu_ps(divisors + j);
            __m128 lines[4][4]; // [column][quarter of the line]
            for (int q = 0; q < 4; ++q) {
                const uchar* p0 = base + qint64(4 * q) * recordLength + 4 * j;
                __m128 a = loadScaled(p0, d);
                __m128 b2 = loadScaled(p0 + recordLength, d);
                __m128 c = loadScaled(p0 + 2 * recordLength, d);
                __m128 e = loadScaled(p0 + 3 * recordLength, d);
                _MM_TRANSPOSE4_PS(a, b2, c, e);
                lines[0][q] = a;
                lines[1][q] = b2;
                lines[2][q] = c;
                lines[3][q] = e;
            }
            for (int c = 0; c < 4; ++c) {
                float* out = cols[j + c] + at;
                for (int q = 0; q < 4; ++q)
                    _mm_stream_ps(out + 4 * q, lines[c][q]);
            }
        }
        for (; j < count; ++j) {
            for (int r = 0; r < 16; ++r)
                cols[j][at + r] =
                    float(qFromBigEndian<qint32>(base + r * recordLength + 4 * j)) / divisors[j];
        }
    }
    _mm_sfence();
}
#endif

} // namespace

namespace TavBinary {

void convertRow(const uchar* raw, const float* divisors, float* out, int count)
{
    convertOneRow(raw, divisors, out, count);
}

// Values of n consecutive records into the columns from index dest on. Where the columns
// start on a cache line (streamable), the records from the first whole line on go through
// convertStreamed, the others through convertCached.
void convertRecords(const uchar* records, qint64 recordLength, int n, const float* divisors,
                    float* const* cols, qint64 dest, int count, float* row, bool streamable)
{
#ifdef __SSE2__
    const int lead = int((16 - (dest & 15)) & 15);
    if (streamable && count >= 4 && n - lead >= 16) {
        convertCached(records, recordLength, lead, divisors, cols, dest, count, row);
        const int blocks = (n - lead) / 16;
        convertStreamed(records + lead * recordLength, recordLength, blocks, divisors, cols,
                        dest + lead, count);
        const int done = lead + 16 * blocks;
        convertCached(records + done * recordLength, recordLength, n - done, divisors, cols,
                      dest + done, count, row);
        return;
    }
#else
    Q_UNUSED(streamable)
#endif
    convertCached(records, recordLength, n, divisors, cols, dest, count, row);
}

} // namespace TavBinary
