#include "tavtail.h"

#include "datalog.h"
#include "tavdataheader.h"
#include "tavrecords.h"

#include <QDir>
#include <QFile>

TavTail::TavTail(const TavBinary::TailLayout& layout) : m_layout(layout) {}

TavTail::Batch TavTail::decode(const QString& path, qint64 from)
{
    Batch batch;
    batch.consumed = from;
    QFile file(QDir::fromNativeSeparators(path));
    if (!file.open(QIODevice::ReadOnly)) {
        batch.status = Status::Unreadable;
        return batch;
    }
    const qint64 size = file.size();
    if (!m_layout.resumable || from != m_layout.consumed || size < from) {
        batch.status = Status::ReadWhole;
        return batch;
    }
    // A run of marker characters that reaches back into bytes taken before counts too: up
    // to 15 of them can precede the new bytes without having been a marker. Such bytes
    // were taken as records, as a whole read takes them; once the marker is complete, the
    // file is read whole and they are records no more.
    const qint64 scanFrom =
        std::max(m_layout.recordsStart, from - (TavDataHeader::MarkerLength - 1));
    if (!TavBinary::scanMarkers(file, scanFrom, size).isEmpty()) {
        batch.status = Status::ReadWhole; // a new section
        return batch;
    }
    const qint64 length = m_layout.recordLength;
    const qint64 records = (size - from) / length;
    if (m_layout.records + records > MaxSamples) {
        batch.status = Status::ReadWhole; // the whole read says where it stops
        return batch;
    }
    const auto dropped = [&batch](qint64, qint64, qint64, qint64) { ++batch.dropped; };
    TavBinary::decodeRecords(file, from, records, length, m_layout.scales, m_layout.kept,
                             m_layout.lastStamp, m_layout.records, batch.stamps, batch.values,
                             dropped);
    m_layout.records += records;
    m_layout.kept += batch.stamps.size();
    if (!batch.stamps.isEmpty())
        m_layout.lastStamp = batch.stamps.last();
    m_layout.consumed = from + records * length;
    batch.consumed = m_layout.consumed;
    qCDebug(lcData) << "TavTail::decode" << batch.stamps.size() << "kept" << batch.dropped
                    << "dropped up to" << batch.consumed;
    return batch;
}
