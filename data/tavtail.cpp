#include "tavtail.h"

#include "datalog.h"
#include "recordstream.h"
#include "tavdata.h"
#include "tavdataheader.h"

#include <QDir>
#include <QFile>

using TavBinary::MarkerHit;
using TavBinary::TailLayout;

namespace {

// Appends the columns of more samples of a block to those of a batch, unless the time
// line would go back where they begin: a block recorded after the clock was set back is
// not appended as such. The first samples are moved.
bool appendSamples(TavTail::Batch& batch, TailLayout& at, QVector<qint64>& stamps,
                   QVector<QVector<float>>& values)
{
    if (stamps.isEmpty())
        return true;
    if (at.samples > 0 && stamps.first() <= at.lastSample)
        return false;
    at.samples += stamps.size();
    at.lastSample = stamps.last();
    if (batch.stamps.isEmpty()) {
        batch.stamps = std::move(stamps);
        batch.values = std::move(values);
        return true;
    }
    batch.stamps += stamps;
    for (int j = 0; j < values.size(); ++j)
        batch.values[j] += values.at(j);
    return true;
}

// One decode: walks the new bytes section by section, moving the layout along. Nothing of
// it is kept unless all of it could be taken in.
class TailStep
{
public:
    TailStep(QFile& file, qint64 size, TailLayout& at, TavTail::Batch& batch)
        : m_file(file), m_size(size), m_at(at), m_batch(batch)
    {
    }

    // False: the file has to be read whole.
    bool run(qint64 from);

    // The lists the section readers filled, for the batch.
    TavData lists;

private:
    enum class Opened
    {
        Yes,
        Wait,
        ReadWhole,
    };
    bool takeItems(qint64 from, qint64 end);
    bool takeRecords(qint64 from, qint64 end);
    Opened open(const MarkerHit& hit, qint64 end, bool last, qint64& itemsStart);
    Opened openHistory(qint64 start, qint64 end, bool last, qint64& itemsStart);

    QFile& m_file;
    qint64 m_size;
    TailLayout& m_at;
    TavTail::Batch& m_batch;
};

bool TailStep::run(qint64 from)
{
    // A marker can reach back at most 15 bytes into what was there before, unless those
    // bytes are the open section's own marker run, which may still be growing: then the
    // scan starts at that marker and finds it first.
    constexpr qint64 Back = TavDataHeader::MarkerLength - 1;
    qint64 scanFrom = std::max<qint64>(0, from - Back);
    if (m_at.kind != 0 && scanFrom < m_at.runEnd)
        scanFrom = m_at.sectionStart;
    const QVector<MarkerHit> hits = TavBinary::scanMarkers(m_file, scanFrom, m_size);
    int i = 0;
    if (m_at.kind != 0 && !hits.isEmpty() && hits.first().start == m_at.sectionStart) {
        m_at.runEnd = hits.first().runEnd;
        i = 1;
    }
    qint64 itemsStart = from;
    for (; i < hits.size(); ++i) {
        const MarkerHit& hit = hits.at(i);
        // Bytes taken as items would now be part of a marker. Before any section, or at a
        // History marker waiting for its header, nothing was taken from them.
        if (hit.start < from && m_at.kind != 0)
            return false;
        if (!takeItems(itemsStart, hit.start - 1))
            return false;
        const bool last = i + 1 == hits.size();
        const qint64 end = (last ? m_size : hits.at(i + 1).start) - 1;
        switch (open(hit, end, last, itemsStart)) {
        case Opened::Yes:
            break;
        case Opened::Wait:
            m_at.kind = 0;
            m_at.consumed = hit.start;
            return true;
        case Opened::ReadWhole:
            return false;
        }
    }
    if (m_at.kind == 0) {
        m_at.consumed = m_size;
        return true;
    }
    return takeItems(itemsStart, m_size - 1);
}

// The items of the open section in [from, end]; consumed goes after the last one.
bool TailStep::takeItems(qint64 from, qint64 end)
{
    switch (m_at.kind) {
    case TavDataHeader::History:
        return takeRecords(from, end);
    case TavDataHeader::Global:
        lists.readGlobalData(m_file, from, end);
        break;
    case TavDataHeader::Error:
        lists.readErrorData(m_file, from, end);
        break;
    case TavDataHeader::System:
        lists.readSystemData(m_file, from, end);
        break;
    case TavDataHeader::User:
        lists.readUserData(m_file, from, end);
        break;
    default:
        return true;
    }
    m_at.consumed = lists.itemsEnd;
    return true;
}

bool TailStep::takeRecords(qint64 from, qint64 end)
{
    const qint64 length = m_at.recordLength;
    const qint64 records = std::max<qint64>(0, (end - from + 1) / length);
    if (m_at.records + records > MaxSamples)
        return false; // the whole read says where it stops
    if (records > 0) {
        QVector<qint64> stamps;
        QVector<QVector<float>> values;
        qint64& dropped = m_batch.dropped;
        RecordStream::decode(m_file, from, records, length, m_at.scales,
                             {from, m_at.records, m_at.kept, m_at.lastStamp}, stamps, values,
                             [&dropped](qint64, qint64, qint64, qint64) { ++dropped; });
        m_at.records += records;
        m_at.kept += stamps.size();
        if (!stamps.isEmpty())
            m_at.lastStamp = stamps.last();
        if (!appendSamples(m_batch, m_at, stamps, values))
            return false;
    }
    m_at.consumed = from + records * length;
    return true;
}

// Makes hit the open section; itemsStart receives where its items begin.
TailStep::Opened TailStep::open(const MarkerHit& hit, qint64 end, bool last, qint64& itemsStart)
{
    m_at.kind = hit.kind;
    m_at.sectionStart = hit.start;
    m_at.runEnd = hit.runEnd;
    if (hit.kind != TavDataHeader::History) {
        // Copies of the marker character beyond the marker are items of these kinds.
        itemsStart = hit.start + TavDataHeader::MarkerLength;
        return Opened::Yes;
    }
    // Further 'H' bytes after the marker belong to the marker, not to the block.
    return openHistory(std::min(hit.runEnd, end + 1), end, last, itemsStart);
}

// A new History block at start: its header, then its records as a whole read decodes them.
TailStep::Opened TailStep::openHistory(qint64 start, qint64 end, bool last, qint64& itemsStart)
{
    lists.blocks.append(HistoryBlock());
    const int result = lists.readHistoryData(m_file, start, end);
    HistoryBlock block = lists.blocks.takeLast();
    const TavData::HistoryRecords& h = lists.lastHistory();
    if (result != 0 || h.recordsStart > end + 1) {
        // At the end of the file a header cut short, or not begun while the marker's run
        // may still grow, may yet be completed; a bad version stays bad.
        const bool growing =
            last && (end + 1 - start < 4 || (block.version >= 1 && block.version <= 4));
        return growing ? Opened::Wait : Opened::ReadWhole;
    }
    if (!h.whole || m_at.blocks == 0 || block.names != m_at.names)
        return Opened::ReadWhole;
    m_batch.dropped += h.records - block.stamps.size();
    m_at.takeBlock(block, h.recordsStart, h.recordLength, h.records);
    m_at.blocks += 1;
    if (!appendSamples(m_batch, m_at, block.stamps, block.values))
        return Opened::ReadWhole;
    itemsStart = h.recordsStart + h.records * h.recordLength;
    return Opened::Yes;
}

} // namespace

TavTail::TavTail(const TailLayout& layout, const TavLoader::Limits& limits)
    : m_layout(layout), m_limits(limits)
{
}

TavTail::Batch TavTail::decode(const QString& path, qint64 from, qint64 end)
{
    Batch batch;
    batch.consumed = from;
    QFile file(QDir::fromNativeSeparators(path));
    if (!file.open(QIODevice::ReadOnly)) {
        batch.status = Status::Unreadable;
        return batch;
    }
    const qint64 size = end < 0 ? file.size() : std::min(file.size(), end);
    TailLayout after = m_layout;
    bool taken = m_layout.resumable && from == m_layout.consumed && size >= from;
    if (taken) {
        TailStep step(file, size, after, batch);
        taken = step.run(from);
        batch.infoNames = std::move(step.lists.infoNames);
        batch.infoValues = std::move(step.lists.infoValues);
        batch.errors = std::move(step.lists.errors);
        batch.systemEvents = std::move(step.lists.systemEvents);
        batch.userEvents = std::move(step.lists.userEvents);
        after.infoItems += batch.infoNames.size();
        after.errors += batch.errors.size();
        after.systemEvents += batch.systemEvents.size();
        after.userEvents += batch.userEvents.size();
    }
    if (!taken || !withinLimits(after, batch)) {
        batch = Batch();
        batch.status = Status::ReadWhole;
        batch.consumed = from;
        return batch;
    }
    m_layout = after;
    batch.consumed = after.consumed;
    batch.values.resize(after.names.size()); // a column per name, samples or none
    qCDebug(lcData) << "TavTail::decode" << batch.stamps.size() << "kept" << batch.dropped
                    << "dropped"
                    << batch.errors.size() + batch.systemEvents.size() + batch.userEvents.size()
                    << "events" << batch.infoNames.size() << "items up to" << batch.consumed;
    return batch;
}

// Whether a whole read would give the data set of before with the batch appended: it
// cuts the time line and the lists at their limits, and refuses merged columns too large.
bool TavTail::withinLimits(const TailLayout& after, const Batch& batch) const
{
    if (!batch.stamps.isEmpty() && after.samples > m_limits.samples)
        return false;
    // A single block is handed over without a merge, whatever its size.
    const qint64 total = after.samples;
    const qint64 merged =
        total * qint64(sizeof(qint64)) + total * after.columns * qint64(sizeof(float));
    if (after.blocks > m_layout.blocks || !batch.stamps.isEmpty()) {
        if (after.blocks > 1 && merged > m_limits.mergeBytes)
            return false;
    }
    return after.infoItems <= TavData::MaxInfoItems && after.errors <= TavData::MaxErrors &&
           after.systemEvents <= TavData::MaxEvents && after.userEvents <= TavData::MaxEvents;
}
