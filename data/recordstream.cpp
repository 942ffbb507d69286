#include "recordstream.h"

#include "columnalloc.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Slots whose pages are populated at a time, for all columns together some megabytes:
// one system call per column covers many blocks of records, and the pages populated
// beyond the last record stay few.
qint64 populateStep(int columns)
{
    const qint64 bytesPerRecord = qint64(sizeof(qint64)) + qint64(sizeof(float)) * columns;
    return std::max<qint64>(256, std::min<qint64>((qint64(32) << 20) / bytesPerRecord, 1 << 18));
}

inline qint64 stampAt(const uchar* p)
{
    return qint64((quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) |
                  quint32(p[3]));
}

} // namespace

RecordStream::RecordStream(const QVector<int>& scales, qint64 recordLength, qint64 capacity,
                           const Origin& origin, TavBinary::DroppedRecord dropped, qint64 room)
    : m_recordLength(recordLength), m_capacity(std::max<qint64>(0, capacity)), m_origin(origin),
      m_dropped(std::move(dropped)), m_any(origin.kept > 0), m_last(origin.lastStamp),
      m_step(populateStep(scales.size()))
{
    const int count = scales.size();
    const int length = int(m_capacity);
    const int columnCapacity = int(std::max(m_capacity, room));
    // Every slot up to the last kept record is written before the columns are used; the
    // slots after it are cut off in finish().
    m_stamps = ColumnAlloc::uninitialized<qint64>(length, false, columnCapacity);
    m_stampOut = m_stamps.data();
    m_values.resize(count);
    m_columns.resize(count);
    m_divisors.resize(count);
    m_row.resize(count);
    m_streamable = true;
    for (int j = 0; j < count; ++j) {
        m_values[j] = ColumnAlloc::uninitialized<float>(length, false, columnCapacity);
        m_columns[j] = m_values[j].data();
        m_divisors[j] = float(quint32(scales.at(j)));
        // The columns start on a cache line when the allocator gave them one (it aligns
        // them).
        m_streamable = m_streamable && (quintptr(m_columns[j]) & 63) == 0;
    }
}

void RecordStream::take(const uchar* records, qint64 n)
{
    Q_ASSERT(n <= left());
    // Pieces of about a read block: the index of kept records stays small.
    const qint64 perPiece = std::max<qint64>(1, TavBinary::ReadBlock / m_recordLength);
    for (qint64 first = 0; first < n; first += perPiece)
        takePiece(records + first * m_recordLength, int(std::min(perPiece, n - first)));
}

void RecordStream::takeFrom(QFile& file, qint64 pos, qint64 n)
{
    const qint64 perRead = std::max<qint64>(1, TavBinary::ReadBlock / m_recordLength);
    for (qint64 first = 0; first < n; first += perRead) {
        const qint64 k = std::min(perRead, n - first);
        TavBinary::readAt(file, pos + first * m_recordLength, k * m_recordLength, m_buffer);
        take(reinterpret_cast<const uchar*>(m_buffer.constData()), k);
    }
}

void RecordStream::takePiece(const uchar* chunk, int k)
{
    populateAhead(m_kept + k);
    if (m_keptIndex.size() < k)
        m_keptIndex.resize(k);
    int* keptIndex = m_keptIndex.data();
    // Stamps first: they decide which records stay. Locals, not members: a store through
    // the column could otherwise be one to them, and each would be reloaded per record.
    const qint64 length = m_recordLength;
    qint64* const out = m_stampOut + m_kept;
    bool any = m_any;
    qint64 last = m_last;
    int kept = 0;
    for (int r = 0; r < k; ++r) {
        const qint64 stamp = stampAt(chunk + r * length);
        if (!any || stamp > last) {
#if defined(__SSE2__) && defined(__x86_64__)
            // Around the cache, as the values are written: the line is filled in order.
            _mm_stream_si64(reinterpret_cast<long long*>(out + kept), stamp);
#else
            out[kept] = stamp;
#endif
            keptIndex[kept++] = r;
            last = stamp;
            any = true;
            continue;
        }
        if (m_dropped) {
            const qint64 at = m_taken + r;
            m_dropped(m_origin.position + at * length, stamp, last, m_origin.index + at);
        }
    }
    m_any = any;
    m_last = last;
#if defined(__SSE2__) && defined(__x86_64__)
    _mm_sfence();
#endif
    const qint64 dest = m_kept;
    const int count = m_columns.size();
    float* const* cols = m_columns.constData();
    const float* div = m_divisors.constData();
    float* row = m_row.data();
    if (kept == k) {
        TavBinary::convertRecords(chunk, m_recordLength, k, div, cols, dest, count, row,
                                  m_streamable);
    } else {
        for (int q = 0; q < kept; ++q) {
            TavBinary::convertRow(chunk + keptIndex[q] * m_recordLength + 4, div, row, count);
            for (int j = 0; j < count; ++j)
                cols[j][dest + q] = row[j];
        }
    }
    m_kept += kept;
    m_taken += k;
}

void RecordStream::populateAhead(qint64 records)
{
    if (records <= m_populated)
        return;
    const qint64 to = std::min(m_capacity, std::max(records, m_populated + m_step));
    const qint64 n = to - m_populated;
    ColumnAlloc::populate(m_stampOut + m_populated, n * qint64(sizeof(qint64)));
    for (float* column : qAsConst(m_columns))
        ColumnAlloc::populate(column + m_populated, n * qint64(sizeof(float)));
    m_populated = to;
}

void RecordStream::finish(QVector<qint64>& stamps, QVector<QVector<float>>& values)
{
    if (m_kept < m_stamps.size()) {
        m_stamps.resize(int(m_kept));
        for (QVector<float>& column : m_values)
            column.resize(int(m_kept));
    }
    stamps = std::move(m_stamps);
    values = std::move(m_values);
}

void RecordStream::decode(QFile& file, qint64 pos, qint64 records, qint64 recordLength,
                          const QVector<int>& scales, const Origin& origin, QVector<qint64>& stamps,
                          QVector<QVector<float>>& values, const TavBinary::DroppedRecord& dropped)
{
    RecordStream stream(scales, recordLength, records, origin, dropped);
    stream.takeFrom(file, pos, records);
    stream.finish(stamps, values);
}
