#include "tavloader.h"

#include "columnalloc.h"
#include "datalog.h"
#include "readermessages.h"
#include "summarybuilder.h"
#include "summaryprealloc.h"
#include "tavdata.h"
#include "tavdatamodel.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace TavLoader {

namespace {

void cutToSampleLimit(const TavDataModel& set, QList<HistoryBlock>& blocks, const QString& path,
                      const Limits& limits, const InfoReport& report)
{
    const qint64 room = std::max<qint64>(0, limits.samples - set.stamps.size());
    qint64 kept = 0;
    for (int b = 0; b < blocks.size(); ++b) {
        HistoryBlock& block = blocks[b];
        const qint64 count = block.stamps.size();
        if (kept + count <= room) {
            kept += count;
            continue;
        }
        // The block that crosses the limit keeps its first samples; later blocks go.
        const int keep = int(room - kept);
        int drop = b;
        if (keep > 0) {
            block.stamps.resize(keep);
            for (QVector<float>& column : block.values)
                column.resize(std::min(column.size(), keep));
            drop = b + 1;
        }
        while (blocks.size() > drop)
            blocks.removeLast();
        report(ReaderMessages::historyCut(path, limits.samples), -1);
        return;
    }
}

bool mergeBlocks(TavDataModel& set, QList<HistoryBlock>& blocks, const QString& path,
                 const Limits& limits, const InfoReport& report)
{
    cutToSampleLimit(set, blocks, path, limits, report);
    QStringList& names = set.names;
    QVector<qint64>& stamps = set.stamps;
    QVector<QVector<float>>& values = set.values;
    // Where each block's columns go; -1 for a repeated name, whose column is dropped so
    // that it cannot push its variable out of step with the stamps.
    QVector<QVector<int>> targets(blocks.size());
    qint64 total = stamps.size();
    const int namesBefore = names.size();
    // Name lookups by hash: a file may carry a hundred thousand variables.
    QHash<QString, int> indexOfName;
    for (int i = names.size() - 1; i >= 0; --i)
        indexOfName.insert(names.at(i), i);
    for (int b = 0; b < blocks.size(); ++b) {
        const HistoryBlock& block = blocks.at(b);
        QVector<int>& target = targets[b];
        target.reserve(block.names.size());
        QVector<bool> taken(names.size() + block.names.size(), false);
        QStringList repeated;
        for (const QString& name : block.names) {
            const auto found = indexOfName.constFind(name);
            int index = found == indexOfName.constEnd() ? -1 : found.value();
            if (index < 0) {
                names.append(name);
                values.append(QVector<float>());
                index = names.size() - 1;
                indexOfName.insert(name, index);
            } else if (taken.at(index)) {
                repeated.append(name);
                target.append(-1);
                continue;
            }
            taken[index] = true;
            target.append(index);
        }
        // One message per block: a header of 65535 equal names is not 65535 messages.
        if (!repeated.isEmpty()) {
            report(ReaderMessages::repeatedNames(path, repeated), -1);
        }
        total += block.stamps.size();
    }
    // Every variable gets a value for every sample, so a small file that names thousands
    // of variables in one block and carries its samples in another claims the product of
    // both. What matters is whether the merged columns fit: refuse them before anything
    // is allocated when they would not. A single block is handed over as it is.
    const bool adopt = blocks.size() == 1 && stamps.isEmpty() && namesBefore == 0;
    const qint64 mergedBytes =
        total * qint64(sizeof(qint64)) + total * qint64(names.size()) * qint64(sizeof(float));
    if (!adopt && mergedBytes > limits.mergeBytes) {
        report(QCoreApplication::translate("TavLoader", "%1 历史数据过长").arg(path), -1);
        return false;
    }

    if (adopt) {
        // A file with one block hands its containers over without copying them.
        report(QCoreApplication::translate("TavLoader", "%1 整理历史数据...").arg(path), 100);
        HistoryBlock& block = blocks.first();
        for (int j = 0; j < targets.at(0).size(); ++j) {
            const int index = targets.at(0).at(j);
            if (index >= 0)
                values[index] = std::move(block.values[j]);
        }
        stamps = std::move(block.stamps);
        return true;
    }

    // Otherwise every merged column is made once at its final length and each value is
    // written into it once: a block's samples are copied, the gaps filled.
    const int length = int(total);
    const int capacity = limits.growRoom ? ColumnAlloc::roomToGrow(length) : 0;
    int at = stamps.size();
    QVector<qint64> mergedStamps = ColumnAlloc::uninitialized<qint64>(length, true, capacity);
    std::copy(stamps.cbegin(), stamps.cend(), mergedStamps.begin());
    stamps = std::move(mergedStamps);
    for (QVector<float>& column : values) {
        QVector<float> merged = ColumnAlloc::uninitialized<float>(length, true, capacity);
        std::copy(column.cbegin(), column.cend(), merged.begin());
        // A variable new to this read has no samples yet: its gap up to here is filled.
        std::fill(merged.begin() + std::min(column.size(), at), merged.begin() + at, MissingValue);
        column = std::move(merged);
    }
    const QString merging =
        QCoreApplication::translate("TavLoader", "%1 整理历史数据...").arg(path);
    for (int b = 0; b < blocks.size(); ++b) {
        report(merging, int((b + 1) * 100.0 / blocks.size()));
        HistoryBlock& block = blocks[b];
        const int count = block.stamps.size();
        std::copy(block.stamps.cbegin(), block.stamps.cend(), stamps.begin() + at);
        block.stamps = QVector<qint64>();
        QVector<bool> carried(values.size(), false);
        for (int j = 0; j < targets.at(b).size(); ++j) {
            const int index = targets.at(b).at(j);
            if (index < 0)
                continue;
            carried[index] = true;
            const QVector<float> column = std::move(block.values[j]);
            const int n = std::min(count, column.size());
            float* out = values[index].data() + at;
            std::copy(column.cbegin(), column.cbegin() + n, out);
            std::fill(out + n, out + count, MissingValue);
        }
        for (int v = 0; v < values.size(); ++v) {
            if (!carried.at(v))
                std::fill_n(values[v].data() + at, count, MissingValue);
        }
        at += count;
    }
    return true;
}

} // namespace

qint64 defaultMergeBytes()
{
    constexpr qint64 Bound = qint64(8) << 30;
#ifdef Q_OS_UNIX
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages > 0 && pageSize > 0)
        return std::min(Bound, qint64(pages) * pageSize / 2);
#endif
    return Bound;
}

QVector<Span> equalSpacingRuns(const QVector<qint64>& s)
{
    return SpacingRuns::find(s);
}

int read(TavDataModel& set, const QString& path, const Limits& limits, bool summaries,
         const InfoReport& report, ReadTail* tail)
{
    TavBinary::TailLayout layout;
    SummaryPrealloc spare; // made before the reader, so that it is joined after it is gone
    std::unique_ptr<TavData> reader(new TavData);
    reader->roomToGrow = limits.growRoom;
    QObject::connect(reader.get(), &TavData::pushInfoUpward,
                     [&report](const QString& info, int percent) { report(info, percent); });
    if (summaries) {
        reader->onHistoryLayout = [&spare](qint64 records, int variables) {
            spare.offer(records, variables);
        };
    }

    const QString extension = path.split(QLatin1Char('.')).last();
    qCDebug(lcData) << "File Format" << extension;
    ReadTail ownTail;
    ReadTail& at = tail ? *tail : ownTail;
    at = ReadTail();
    at.csv = extension.toUpper() == QLatin1String("CSV");
    if (at.csv)
        reader->readFromCsv(path, true, TavCsv::ReadBuffer, &at.csvLayout);
    else
        reader->readFromBinary(path, tail ? &layout : nullptr);

    set.infoNames = reader->infoNames;
    set.infoValues = reader->infoValues;
    set.errors = reader->errors;
    set.systemEvents = reader->systemEvents;
    set.userEvents = reader->userEvents;
    if (reader->status > 0) {
        set.status = reader->status;
        return set.status;
    }

    if (!mergeBlocks(set, reader->blocks, path, limits, report)) {
        set.status = 1;
        return set.status;
    }
    if (tail && !at.csv)
        at.tavLayout = layout;
    set.sampleCount = set.stamps.size();
    if (set.sampleCount < 4) {
        report(QCoreApplication::translate("TavLoader", "%1 历史数据长度异常 长度为%2")
                   .arg(path, QString::number(set.sampleCount)),
               -1);
        set.status = 1;
        return set.status;
    }

    const QVector<Span> runs = equalSpacingRuns(set.stamps);
    // Sized exactly: no growth slack on a list that can hold a run per two samples.
    set.spanIntervals.reserve(runs.size());
    set.spanIndexes.reserve(runs.size());
    for (const Span& span : runs) {
        set.spanIntervals.append(span.interval);
        set.spanIndexes.append(qMakePair(span.first, span.last));
    }
    if (summaries)
        SummaryBuilder::build(set, &spare);
    set.status = reader->status;
    return set.status;
}

} // namespace TavLoader
