#include "tavbinary.h"

#include "tavdataheader.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr qint64 ScanBlock = 256 << 10;

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
    return scanMarkers(file, 0, fileSize);
}

QVector<MarkerHit> scanMarkers(QFile& file, qint64 from, qint64 to)
{
    QVector<MarkerHit> hits;
    // The last bytes of the previous block stay in front of the new one, so that a run
    // found at a probe can be followed back across the block boundary.
    constexpr qint64 Keep = 16;
    // A small file costs a small buffer.
    QByteArray buffer(int(std::min(ScanBlock, std::max<qint64>(to - from, 0)) + Keep),
                      Qt::Uninitialized);
    ScanState state;
    qint64 pos = from;
    qint64 kept = 0;
    if (!file.seek(from))
        return hits;
    while (pos < to) {
        const qint64 n = file.read(buffer.data() + kept, std::min(ScanBlock, to - pos));
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
