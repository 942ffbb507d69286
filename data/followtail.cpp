#include "followtail.h"

#include "columnalloc.h"
#include "csvtail.h"
#include "datalog.h"
#include "missingvalue.h"
#include "numberpattern.h"
#include "readermessages.h"
#include "tavdatamodel.h"
#include "tavtail.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace {

template <typename T>
QVector<T> grownColumn(const QVector<T>& held, const T* added, int count, int capacity)
{
    QVector<T> column = ColumnAlloc::uninitialized<T>(held.size() + count, true, capacity);
    std::copy(held.cbegin(), held.cend(), column.begin());
    std::copy(added, added + count, column.begin() + held.size());
    return column;
}

// Populates the pages of the room in column that samples up to needed will be written
// into: a large page is zeroed whole when it is first touched, and that is better done here
// than in the GUI thread's step. Nothing is written; the values held stay as they are.
template <typename T> void populateRoom(const QVector<T>& column, qint64 needed)
{
    const qint64 from = column.size();
    const qint64 room = qint64(column.capacity()) - from;
    if (needed <= from || room <= 0)
        return;
    // At least a few pages, so that a small batch that opens a page is not skipped.
    const qint64 count = std::min(room, std::max<qint64>(needed - from, 16384 / sizeof(T)));
    ColumnAlloc::populate(const_cast<T*>(column.constData() + from), count * qint64(sizeof(T)));
}

// Moves the columns into new ones with room to grow when the held ones have none left, else
// populates the room the batch will take. The held set is only read: the GUI thread may
// paint from it meanwhile.
void growIfFull(const TavDataModel& held, AppendBatch& batch)
{
    const int n = held.stamps.size();
    const qint64 needed = qint64(n) + batch.stamps.size();
    bool full = held.stamps.capacity() < needed;
    for (const QVector<float>& column : held.values)
        full = full || column.capacity() < needed;
    if (!full) {
        populateRoom(held.stamps, needed);
        for (const QVector<float>& column : held.values)
            populateRoom(column, needed);
        return;
    }
    // Pages beyond the samples are never touched, so the room costs address space only.
    const int capacity = ColumnAlloc::roomToGrow(needed);
    const int k = batch.stamps.size();
    batch.stamps = grownColumn(held.stamps, batch.stamps.constData(), k, capacity);
    for (int c = 0; c < held.values.size(); ++c)
        batch.values[c] =
            grownColumn(held.values.at(c), batch.values.at(c).constData(), k, capacity);
    batch.grown = true;
    qCDebug(lcData) << "FollowTail: columns moved to a capacity of" << capacity;
}

// Lays the taken columns (one per name of the file's last block) out as the held set's.
// False when the file names a variable the held set lacks: the read would add a column.
bool layOut(const TavDataModel& held, const QStringList& names, QVector<QVector<float>>& taken,
            AppendBatch& batch)
{
    QHash<QString, int> indexOfName;
    for (int i = names.size() - 1; i >= 0; --i)
        indexOfName.insert(names.at(i), i);
    QHash<QString, int> heldNames;
    for (int i = held.names.size() - 1; i >= 0; --i)
        heldNames.insert(held.names.at(i), i);
    for (const QString& name : names) {
        if (!heldNames.contains(name))
            return false;
    }
    const int k = batch.stamps.size();
    batch.values.resize(held.names.size());
    for (int c = 0; c < held.names.size(); ++c) {
        const auto found = indexOfName.constFind(held.names.at(c));
        if (found != indexOfName.constEnd() && taken.at(found.value()).size() == k) {
            batch.values[c] = std::move(taken[found.value()]);
        } else {
            batch.values[c] = ColumnAlloc::uninitialized<float>(k);
            std::fill(batch.values[c].begin(), batch.values[c].end(), MissingValue);
        }
    }
    return true;
}

} // namespace

FollowTail::FollowTail() = default;
FollowTail::~FollowTail() = default;

void FollowTail::reset()
{
    m_csv.reset();
    m_tav.reset();
    m_consumed = 0;
}

void FollowTail::reset(const ReadTail& tail, const TavLoader::Limits& limits)
{
    reset();
    m_consumed = tail.consumed();
    if (!tail.resumable())
        return;
    if (tail.csv)
        m_csv = std::make_unique<TavCsv::CsvTail>(tail.csvLayout);
    else
        m_tav = std::make_unique<TavTail>(tail.tavLayout, limits);
}

bool FollowTail::takeCsv(const QString& path, qint64 end, AppendBatch& batch, QStringList& names,
                         const InfoReport& report)
{
    TavCsv::CsvTail::Batch taken = m_csv->decode(path, m_consumed, end);
    if (taken.status == TavCsv::CsvTail::Status::Unreadable) {
        batch.outcome = AppendBatch::Outcome::Unreadable;
        return false;
    }
    if (taken.status != TavCsv::CsvTail::Status::Taken)
        return false;
    names = m_csv->layout().names;
    batch.stamps = std::move(taken.stamps);
    batch.values = std::move(taken.values);
    batch.consumed = taken.consumed;
    if (taken.skipped > 0 && report)
        report(ReaderMessages::skippedRows(path, taken.skipped), -1);
    if (taken.missing > 0 && report)
        report(ReaderMessages::missingCells(path, taken.missing), -1);
    return true;
}

bool FollowTail::takeTav(const QString& path, qint64 end, AppendBatch& batch, QStringList& names,
                         const InfoReport& report)
{
    TavTail::Batch taken = m_tav->decode(path, m_consumed, end);
    if (taken.status == TavTail::Status::Unreadable) {
        batch.outcome = AppendBatch::Outcome::Unreadable;
        return false;
    }
    if (taken.status != TavTail::Status::Taken)
        return false;
    names = m_tav->layout().names.toList();
    batch.stamps = std::move(taken.stamps);
    batch.values = std::move(taken.values);
    batch.consumed = taken.consumed;
    batch.infoNames = std::move(taken.infoNames);
    batch.infoValues = std::move(taken.infoValues);
    batch.errors = std::move(taken.errors);
    batch.systemEvents = std::move(taken.systemEvents);
    batch.userEvents = std::move(taken.userEvents);
    if (taken.dropped > 0 && report)
        report(QCoreApplication::translate("FollowTail", "%1 已丢弃%2条时间未递增的历史记录",
                                           nullptr, numerus(taken.dropped))
                   .arg(path, QString::number(taken.dropped)),
               -1);
    return true;
}

AppendBatch FollowTail::decode(const QString& path, const TavDataModel& held,
                               const TavLoader::Limits& limits, const InfoReport& report)
{
    QElapsedTimer timer;
    timer.start();
    AppendBatch batch;
    batch.heldCount = held.stamps.size();
    batch.consumed = m_consumed;
    const qint64 size = QFileInfo(path).size();
    batch.seenSize = size;
    qint64 end = -1;
    if (size - m_consumed > limits.followPiece) {
        end = m_consumed + limits.followPiece;
        batch.seenSize = end;
        batch.more = true;
    }
    if ((batch.more || m_inBurst) && report && size > 0)
        report(QCoreApplication::translate("FollowTail", "%1 正在读取新增数据...").arg(path),
               int(std::min<qint64>(100, 100 * (batch.more ? end : size) / size)));
    m_inBurst = batch.more;
    batch.outcome = AppendBatch::Outcome::ReadWhole;
    QStringList names;
    QVector<QVector<float>> taken;
    bool ok = false;
    if (m_csv)
        ok = takeCsv(path, end, batch, names, report);
    else if (m_tav)
        ok = takeTav(path, end, batch, names, report);
    if (ok) {
        taken = std::move(batch.values);
        batch.values.clear();
        const qint64 total = qint64(batch.heldCount) + batch.stamps.size();
        const qint64 bytes = total * qint64(sizeof(qint64) + sizeof(float) * held.names.size());
        // Where a read of the file would stop or refuse, the read has to say so itself.
        if (total <= limits.samples && bytes <= limits.mergeBytes &&
            layOut(held, names, taken, batch)) {
            batch.outcome = AppendBatch::Outcome::Appended;
            if (!batch.stamps.isEmpty())
                growIfFull(held, batch);
        }
    }
    if (batch.outcome == AppendBatch::Outcome::Appended) {
        m_consumed = batch.consumed;
    } else {
        // Nothing can go on from here: only a read of the whole file can.
        batch.stamps.clear();
        batch.values.clear();
        reset();
    }
    batch.workerNs = timer.nsecsElapsed();
    qCDebug(lcData) << "FollowTail::decode" << path << int(batch.outcome) << batch.appended()
                    << "to" << batch.consumed;
    return batch;
}
