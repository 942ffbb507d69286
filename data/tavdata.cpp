#include "tavdata.h"

#include "columnalloc.h"
#include "datalog.h"
#include "tavcsv.h"
#include "tavdataheader.h"

#include <QDateTime>
#include <QDir>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

namespace {

// Large enough to amortise system calls, small enough to stay cache friendly.
constexpr qint64 ReadBlock = 1 << 20;
constexpr qint64 ScanBlock = 256 << 10;
// Lists of a file stop growing here, so that a file of nothing but terminators cannot
// cost many times its size in memory. Real recordings stay far below.
constexpr int MaxInfoItems = 1 << 20;
constexpr int MaxEvents = 4 << 20;
constexpr int MaxErrors = 16 << 20;
constexpr qint64 MaxRecords = MaxSamples;

inline quint32 be32(const uchar* p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

inline quint16 be16(const uchar* p)
{
    return quint16((p[0] << 8) | p[1]);
}

constexpr bool isMarkerChar(uchar c)
{
    return c == TavDataHeader::Global || c == TavDataHeader::History || c == TavDataHeader::Error ||
           c == TavDataHeader::System || c == TavDataHeader::User;
}

// isMarkerChar as a table, for the scan's fast path.
struct MarkerTable
{
    uchar is[256] = {};
    constexpr MarkerTable()
    {
        for (int c = 0; c < 256; ++c)
            is[c] = isMarkerChar(uchar(c)) ? 1 : 0;
    }
};
constexpr MarkerTable Markers;

// raw / divisor for one record's values, in single precision. Four at a time where SSE2
// is there: the same IEEE conversion and division as the scalar code, so the same bits.
inline void convertRow(const uchar* raw, const float* divisors, float* out, int count)
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
        convertRow(records + r * recordLength + 4, divisors, row, count);
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

QString stampText(qint64 stamp)
{
    return QDateTime::fromSecsSinceEpoch(stamp, Qt::UTC)
        .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
}

// Reads forward through one section in windows, so that no section, however long, has
// to fit into memory at once.
class SectionCursor
{
public:
    SectionCursor(QFile& file, qint64 end) : m_file(file), m_end(end) {}

    // Position right after the first occurrence of pattern inside [from, end], or -1.
    qint64 find(qint64 from, const char* pattern, int length)
    {
        while (from + length - 1 <= m_end) {
            load(from);
            const char* begin = m_buffer.constData() + (from - m_base);
            const char* last = m_buffer.constData() + m_buffer.size();
            const char* hit = std::search(begin, last, pattern, pattern + length);
            if (hit != last)
                return m_base + (hit - m_buffer.constData()) + length;
            const qint64 windowEnd = m_base + m_buffer.size();
            if (windowEnd > m_end)
                return -1;
            // The next window repeats the last length - 1 bytes: a pattern may straddle.
            from = windowEnd - (length - 1);
            m_buffer.clear();
        }
        return -1;
    }

    // The bytes [from, from + length) of the file, at most MaxItem of them.
    QByteArray bytes(qint64 from, qint64 length)
    {
        length = std::min(length, MaxItem);
        if (from >= m_base && from + length <= m_base + m_buffer.size())
            return m_buffer.mid(int(from - m_base), int(length));
        QByteArray out;
        TavBinary::readAt(m_file, from, length, out);
        return out;
    }

    // No single text of a file is worth more memory than this.
    static constexpr qint64 MaxItem = 16 << 20;

private:
    void load(qint64 from)
    {
        if (from >= m_base && from < m_base + m_buffer.size())
            return;
        m_base = from;
        TavBinary::readAt(m_file, from, std::min<qint64>(ReadBlock, m_end - from + 1), m_buffer);
    }

    QFile& m_file;
    qint64 m_end;
    qint64 m_base = 0;
    QByteArray m_buffer;
};

} // namespace

namespace TavBinary {

void readAt(QFile& file, qint64 pos, qint64 length, QByteArray& out)
{
    out.resize(int(std::max<qint64>(length, 0)));
    if (length <= 0)
        return;
    qint64 got = 0;
    if (pos >= 0 && file.seek(pos)) {
        while (got < length) {
            const qint64 n = file.read(out.data() + got, length - got);
            if (n <= 0)
                break;
            got += n;
        }
    }
    if (got < length)
        std::memset(out.data() + got, 0, size_t(length - got));
}

void shiftBytes(QByteArray& bytes, signed char delta)
{
    char* p = bytes.data();
    const int n = bytes.size();
    for (int i = 0; i < n; ++i)
        p[i] = char(uchar(p[i]) + uchar(delta));
}

QString decodeText(const char* data, int length)
{
    const void* zero = length > 0 ? std::memchr(data, 0, size_t(length)) : nullptr;
    const int n = zero ? int(static_cast<const char*>(zero) - data) : std::max(length, 0);
    // Empty texts share one empty string instead of allocating each.
    return n == 0 ? QString() : QString::fromUtf8(data, n);
}

void scanMarkers(const char* data, qint64 size, qint64 base, qint64 startIndex,
                 QVector<MarkerHit>& out, ScanState& state)
{
    // A run of 16 or more equal bytes always covers a position that is a multiple of 16,
    // so only those positions need a look. Bytes before startIndex were scanned already
    // and serve only to follow a run back; a run still open at the end is carried over.
    const auto* d = reinterpret_cast<const uchar*>(data);
    qint64 lo = 0; // a run never reaches back before this index
    qint64 i = startIndex;
    if (state.runLength > 0) {
        while (i < size && d[i] == uchar(state.runChar))
            ++i;
        state.runLength += i - startIndex;
        if (i == size)
            return;
        if (state.runLength >= TavDataHeader::MarkerLength)
            out.append({state.runChar, state.runStart, base + i});
        state.runLength = 0;
        lo = i;
    }
    const uchar* const table = Markers.is;
    for (qint64 probe = ((base + i + 15) / 16) * 16 - base; probe < size; probe += 16) {
        // Four probes at a time while none of them meets a marker character, which is
        // nearly everywhere.
        while (probe + 48 < size && (table[d[probe]] | table[d[probe + 16]] | table[d[probe + 32]] |
                                     table[d[probe + 48]]) == 0)
            probe += 64;
        if (probe >= size)
            break;
        const uchar c = d[probe];
        if (!isMarkerChar(c))
            continue;
        qint64 s = probe;
        while (s > lo && d[s - 1] == c)
            --s;
        qint64 e = probe + 1;
        while (e < size && d[e] == c)
            ++e;
        if (e == size) {
            state.runChar = char(c);
            state.runStart = base + s;
            state.runLength = e - s;
            return;
        }
        if (e - s >= TavDataHeader::MarkerLength) {
            out.append({char(c), base + s, base + e});
            lo = e;
            probe = ((base + e + 15) / 16) * 16 - base - 16;
        }
    }
}

void finishScan(QVector<MarkerHit>& out, ScanState& state)
{
    if (state.runLength >= TavDataHeader::MarkerLength)
        out.append({state.runChar, state.runStart, state.runStart + state.runLength});
    state.runLength = 0;
}

QVector<MarkerHit> scanMarkers(QFile& file, qint64 fileSize)
{
    QVector<MarkerHit> hits;
    // The last bytes of the previous block stay in front of the new one, so that a run
    // found at a probe can be followed back across the block boundary.
    constexpr qint64 Keep = 16;
    // A small file costs a small buffer.
    QByteArray buffer(int(std::min(ScanBlock, std::max<qint64>(fileSize, 0)) + Keep),
                      Qt::Uninitialized);
    ScanState state;
    qint64 pos = 0;
    qint64 kept = 0;
    if (!file.seek(0))
        return hits;
    while (pos < fileSize) {
        const qint64 n = file.read(buffer.data() + kept, std::min(ScanBlock, fileSize - pos));
        if (n <= 0)
            break;
        scanMarkers(buffer.constData(), kept + n, pos - kept, kept, hits, state);
        pos += n;
        const qint64 total = kept + n;
        const qint64 keepNext = std::min(Keep, total);
        std::memmove(buffer.data(), buffer.constData() + total - keepNext, size_t(keepNext));
        kept = keepNext;
    }
    finishScan(hits, state);
    return hits;
}

} // namespace TavBinary

using namespace TavBinary;

TavData::TavData(QObject* parent) : QObject(parent) {}

int TavData::readFromCsv(const QString& path, bool useHeaderNames, qint64 bufferBytes)
{
    const auto report = [this](const QString& info, int percent) { reportInfo(info, percent); };
    if (TavCsv::read(blocks, path, useHeaderNames, report, bufferBytes) == 0)
        status = 0;
    return status;
}

void TavData::reportInfo(const QString& message, int percent)
{
    qCDebug(lcData) << message << percent;
    emit pushInfoUpward(message, percent);
}

int TavData::readFromBinary(const QString& path)
{
    m_path = path;
    reportInfo(path + QStringLiteral(" 正在打开"), -1);
    QFile file(QDir::fromNativeSeparators(path));
    if (!file.open(QIODevice::ReadOnly)) {
        reportInfo(path + QStringLiteral(" 路径错误或不可读取"), -1);
        return status;
    }
    const qint64 size = file.size();
    reportInfo(path + QStringLiteral(" 文件大小 ") + QString::number(size), -1);
    qCDebug(lcData) << "初始地址！！！！！！！！！！！！！！！！！！！" << file.pos();
    reportInfo(path + QStringLiteral(" 总览文件......"), -1);
    const QVector<MarkerHit> markers = scanMarkers(file, size);
    reportInfo(path + QStringLiteral(" 开始读取......"), 0);

    const int n = markers.size();
    for (int i = 0; i < n; ++i) {
        reportInfo(path + QStringLiteral(" 正在读取"), int((i + 1) * 100.0 / n));
        const MarkerHit& m = markers.at(i);
        const qint64 start = m.start + TavDataHeader::MarkerLength;
        const qint64 end = (i + 1 < n ? markers.at(i + 1).start : size) - 1;
        int result = 0;
        switch (m.kind) {
        case TavDataHeader::Global:
            result = readGlobalData(file, start, end);
            break;
        case TavDataHeader::Error:
            result = readErrorData(file, start, end);
            break;
        case TavDataHeader::System:
            result = readSystemData(file, start, end);
            break;
        case TavDataHeader::User:
            result = readUserData(file, start, end);
            break;
        case TavDataHeader::History:
            // Further 'H' bytes after the marker belong to the marker, not to the block.
            blocks.append(HistoryBlock());
            result = readHistoryData(file, std::min(m.runEnd, end + 1), end);
            break;
        default:
            break;
        }
        if (result != 0)
            return status;
    }
    reportInfo(path + QStringLiteral(" 读取完毕"), -1);
    file.close();
    status = 0;
    return 0;
}

int TavData::readGlobalData(QFile& file, qint64 start, qint64 end)
{
    static const char terminator[] = {0x0F, 0x0C};
    SectionCursor cursor(file, end);
    qint64 from = start;
    while (from <= end) {
        if (infoNames.size() >= MaxInfoItems) {
            reportListFull(infoNames.size());
            break;
        }
        const qint64 p = cursor.find(from, terminator, 2);
        if (p < 0)
            break;
        QByteArray item = cursor.bytes(from, p - from - 2);
        shiftBytes(item, -2);
        // Split at 0x01: the first part is the name, the second the value, the rest unused.
        const int sep = item.indexOf('\x01');
        const int sep2 = sep < 0 ? -1 : item.indexOf('\x01', sep + 1);
        const QByteArray name = sep < 0 ? item : item.left(sep);
        const QByteArray value =
            sep < 0 ? QByteArray() : item.mid(sep + 1, sep2 < 0 ? -1 : sep2 - sep - 1);
        infoNames.append(decodeText(name.constData(), name.size()));
        infoValues.append(decodeText(value.constData(), value.size()));
        from = p;
    }
    return 0;
}

int TavData::readErrorData(QFile& file, qint64 start, qint64 end)
{
    const qint64 count = std::max<qint64>(0, (end - start + 1) / 8);
    constexpr qint64 PerRead = ReadBlock / 8;
    QByteArray buffer;
    for (qint64 first = 0; first < count; first += PerRead) {
        const qint64 k = std::min(PerRead, count - first);
        readAt(file, start + first * 8, k * 8, buffer);
        const auto* p = reinterpret_cast<const uchar*>(buffer.constData());
        for (qint64 i = 0; i < k; ++i, p += 8) {
            if (errors.size() >= MaxErrors) {
                reportListFull(errors.size());
                return 0;
            }
            ErrorRecord r;
            r.stamp = be32(p);
            r.code = qint16(be16(p + 4));
            r.state = qint16(be16(p + 6));
            errors.append(r);
        }
    }
    return 0;
}

int TavData::readSystemData(QFile& file, qint64 start, qint64 end)
{
    return readEventData(file, start, end, systemEvents);
}

int TavData::readUserData(QFile& file, qint64 start, qint64 end)
{
    return readEventData(file, start, end, userEvents);
}

int TavData::readEventData(QFile& file, qint64 start, qint64 end, QList<EventRecord>& out)
{
    static const char terminator[] = {0x0D, 0x0A};
    SectionCursor cursor(file, end);
    qint64 from = start;
    while (from <= end) {
        if (out.size() >= MaxEvents) {
            reportListFull(out.size());
            break;
        }
        const qint64 p = cursor.find(from, terminator, 2);
        if (p < 0)
            break;
        const qint64 textLength = p - from - 4 - 2;
        // A terminator inside the entry's own stamp leaves no text: skip the entry.
        if (textLength >= 0) {
            const QByteArray stamp = cursor.bytes(from, 4);
            QByteArray text = cursor.bytes(from + 4, textLength);
            shiftBytes(text, -2);
            out.append({be32(reinterpret_cast<const uchar*>(stamp.constData())),
                        decodeText(text.constData(), text.size())});
        }
        from = p;
    }
    return 0;
}

int TavData::readHistoryData(QFile& file, qint64 start, qint64 end)
{
    HistoryBlock& block = blocks.last();
    qCDebug(lcData) << "TAVData::readHistoryData" << start;
    QByteArray bytes;
    readAt(file, start, 4, bytes);
    const auto* head = reinterpret_cast<const uchar*>(bytes.constData());
    const quint16 version = be16(head);
    const int count = be16(head + 2);
    block.version = version;
    qCDebug(lcData) << "版本" << version << "变量个数" << count;
    block.scales.fill(0, count);
    block.names.resize(count);

    qint64 pos = start + 4;
    if (version <= 2) {
        readAt(file, pos, 20 * qint64(count) + 4, bytes);
        QByteArray names = bytes.left(16 * count);
        shiftBytes(names, -128);
        for (int j = 0; j < count; ++j) {
            const char* name = names.constData() + 16 * j;
            // A header that runs past the end of the file repeats one name many times:
            // the same text shares one string.
            if (j > 0 && std::memcmp(name, name - 16, 16) == 0)
                block.names[j] = block.names.at(j - 1);
            else
                block.names[j] = decodeText(name, 16);
        }
        const auto* scales = reinterpret_cast<const uchar*>(bytes.constData()) + 16 * count;
        for (int j = 0; j < count; ++j)
            block.scales[j] = int(be32(scales + 4 * j));
        pos += 20 * qint64(count) + 4;
    } else if (version != 3 && version != 4) {
        reportInfo(QStringLiteral("数据版本异常"), -1);
        return 1;
    } else {
        SectionCursor cursor(file, end);
        qint64 from = pos;
        for (int j = 0; j < count; ++j) {
            static const char terminator = char(0x81);
            const qint64 p = cursor.find(from, &terminator, 1);
            if (p < 0) {
                reportInfo(QStringLiteral("变量名称结束符错误"), -1);
                return 1;
            }
            QByteArray name = cursor.bytes(from, p - from - 1);
            shiftBytes(name, -128);
            block.names[j] = decodeText(name.constData(), name.size());
            from = p;
        }
        readAt(file, from, 4 * qint64(count), bytes);
        const auto* scales = reinterpret_cast<const uchar*>(bytes.constData());
        for (int j = 0; j < count; ++j)
            block.scales[j] = int(be32(scales + 4 * j));
        pos = from + 4 * qint64(count);
    }

    qint64 recordLength = 0;
    if (version == 1) {
        recordLength = 4 * qint64(count) + 8;
    } else if (version < 2) {
        reportInfo(QStringLiteral("数据版本异常"), -1);
        return 1;
    } else {
        recordLength = 4 * qint64(count) + 6;
    }
    qint64 records = std::max<qint64>(0, (end - pos + 1) / recordLength);
    if (records > MaxRecords) {
        reportInfo(QStringLiteral("%1 历史数据过长，只读取前%2条")
                       .arg(m_path, QString::number(MaxRecords)),
                   -1);
        records = MaxRecords;
    }
    qCDebug(lcData) << "变量的名称" << block.names << "记录条数" << records;
    if (onHistoryLayout)
        onHistoryLayout(records, count);
    decodeRecords(file, block, pos, records, recordLength);
    return 0;
}

void TavData::decodeRecords(QFile& file, HistoryBlock& block, qint64 pos, qint64 records,
                            qint64 recordLength)
{
    const int count = block.names.size();
    // Every slot below is written before the block is used: stamps and values of kept
    // records directly, the slots of dropped records are cut off at the end.
    block.stamps = ColumnAlloc::uninitialized<qint64>(int(records));
    block.values.resize(count);
    QVector<float*> columns(count);
    QVector<float> divisors(count);
    for (int j = 0; j < count; ++j) {
        block.values[j] = ColumnAlloc::uninitialized<float>(int(records));
        columns[j] = block.values[j].data();
        divisors[j] = float(quint32(block.scales.at(j)));
    }
    // The columns start on a cache line when the allocator gave them one (it aligns them).
    bool streamable = true;
    for (int j = 0; j < count; ++j)
        streamable = streamable && (quintptr(columns[j]) & 63) == 0;
    qint64* stamps = block.stamps.data();
    const float* div = divisors.constData();
    float* const* cols = columns.constData();
    QVector<float> rowValues(count);
    float* row = rowValues.data();

    const qint64 perRead = std::max<qint64>(1, ReadBlock / recordLength);
    QVector<int> keptRecords(int(std::min(perRead, records)));
    QByteArray buffer;
    qint64 valid = 0;
    for (qint64 first = 0; first < records; first += perRead) {
        const int k = int(std::min(perRead, records - first));
        readAt(file, pos + first * recordLength, k * recordLength, buffer);
        const auto* chunk = reinterpret_cast<const uchar*>(buffer.constData());
        // Stamps first: they decide which records stay.
        const qint64 dest = valid;
        int kept = 0;
        for (int r = 0; r < k; ++r) {
            const qint64 stamp = be32(chunk + r * recordLength);
            if (valid == 0 || stamp > stamps[valid - 1]) {
                stamps[valid++] = stamp;
                keptRecords[kept++] = r;
                continue;
            }
            reportDroppedRecord(pos + (first + r) * recordLength, stamp, stamps[valid - 1],
                                first + r);
        }
        if (kept == k) {
            convertRecords(chunk, recordLength, k, div, cols, dest, count, row, streamable);
            continue;
        }
        for (int q = 0; q < kept; ++q) {
            convertRow(chunk + keptRecords[q] * recordLength + 4, div, row, count);
            for (int j = 0; j < count; ++j)
                cols[j][dest + q] = row[j];
        }
    }
    if (valid < records) {
        qCDebug(lcData) << "遍历条数" << records + 1 << "有效条数" << valid + 1 << "发生错误"
                        << records - valid;
        block.stamps.resize(int(valid));
        for (QVector<float>& column : block.values)
            column.resize(int(valid));
    }
}

namespace {

// Appends the decimal digits of v at p; v is never negative here.
void appendDecimal(QChar*& p, qint64 v)
{
    QChar digits[20];
    int n = 0;
    do {
        digits[n++] = QChar(ushort('0' + v % 10));
        v /= 10;
    } while (v > 0);
    while (n > 0)
        *p++ = digits[--n];
}

void appendText(QChar*& p, const QString& text)
{
    std::memcpy(static_cast<void*>(p), text.constData(), size_t(text.size()) * sizeof(QChar));
    p += text.size();
}

} // namespace

void TavData::reportDroppedRecord(qint64 position, qint64 stamp, qint64 lastKept, qint64 index)
{
    // A clock set back can drop millions of records, each with its own message: built by
    // hand into one buffer, the text costs one allocation instead of four arg() passes.
    static const QString head = QStringLiteral("数据时间戳异常 地址");
    static const QString newValue = QStringLiteral("  新数值 ");
    static const QString oldValue = QStringLiteral("  旧数值 ");
    static const QString recordIndex = QStringLiteral("  rec_i ");
    QString message(head.size() + newValue.size() + oldValue.size() + recordIndex.size() + 4 * 20,
                    Qt::Uninitialized);
    QChar* begin = message.data();
    QChar* p = begin;
    appendText(p, head);
    appendDecimal(p, position);
    appendText(p, newValue);
    appendDecimal(p, stamp);
    appendText(p, oldValue);
    appendDecimal(p, lastKept);
    appendText(p, recordIndex);
    appendDecimal(p, index);
    message.truncate(int(p - begin));
    reportInfo(message, -1);
    qCDebug(lcData) << "           新时间" << stampText(stamp);
    qCDebug(lcData) << "           旧时间" << stampText(lastKept);
}

void TavData::reportListFull(int entries)
{
    reportInfo(QStringLiteral("%1 条目过多，只读取前%2条").arg(m_path, QString::number(entries)),
               -1);
}
