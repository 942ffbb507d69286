#include "sortedtavdata.h"

#include "columnalloc.h"
#include "datalog.h"
#include "summaryprealloc.h"
#include "tavcsv.h"
#include "tavdata.h"

#include <QElapsedTimer>
#include <QHash>
#include <QThread>

#include <algorithm>
#include <limits>
#include <memory>
#include <thread>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

SortedTavData::SortedTavData(QObject* parent) : QObject(parent) {}

namespace {

QString threadId()
{
    return QString::number(quintptr(QThread::currentThreadId()), 16);
}

} // namespace

int SortedTavData::readTavData(const QString& path)
{
    qCDebug(lcData) << "SortedTavData::readTavData" << threadId();
    SummaryPrealloc spare; // made before the reader, so that it is joined after it is gone
    std::unique_ptr<TavData> reader(new TavData);
    connect(reader.get(), &TavData::pushInfoUpward, this, &SortedTavData::pushInfoUpward);
    if (summariesAfterRead) {
        reader->onHistoryLayout = [&spare](qint64 records, int variables) {
            spare.offer(records, variables);
        };
    }

    const QString extension = path.split(QLatin1Char('.')).last();
    qCDebug(lcData) << "File Format" << extension;
    if (extension.toUpper() == QLatin1String("CSV"))
        reader->readFromCsv(path, true);
    else
        reader->readFromBinary(path);

    infoNames = reader->infoNames;
    infoValues = reader->infoValues;
    errors = reader->errors;
    systemEvents = reader->systemEvents;
    userEvents = reader->userEvents;
    if (reader->status > 0) {
        status = reader->status;
        return status;
    }

    if (!mergeBlocks(*reader, path)) {
        status = 1;
        return status;
    }
    sampleCount = stamps.size();
    if (sampleCount < 4) {
        emit pushInfoUpward(
            QStringLiteral("%1 历史数据长度异常 长度为%2").arg(path, QString::number(sampleCount)),
            -1);
        status = 1;
        return status;
    }

    const QVector<Span> runs = equalSpacingRuns(stamps);
    // Sized exactly: no growth slack on a list that can hold a run per two samples.
    spanIntervals.reserve(runs.size());
    spanIndexes.reserve(runs.size());
    for (const Span& span : runs) {
        spanIntervals.append(span.interval);
        spanIndexes.append(qMakePair(span.first, span.last));
    }
    if (summariesAfterRead)
        buildSummaries(&spare);
    status = reader->status;
    return status;
}

qint64 SortedTavData::defaultMergeBytes()
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

void SortedTavData::cutToSampleLimit(QList<HistoryBlock>& blocks, const QString& path)
{
    const qint64 room = std::max<qint64>(0, limits.samples - stamps.size());
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
        emit pushInfoUpward(QStringLiteral("%1 历史数据过长，只读取前%2条")
                                .arg(path, QString::number(limits.samples)),
                            -1);
        return;
    }
}

bool SortedTavData::mergeBlocks(TavData& reader, const QString& path)
{
    QList<HistoryBlock>& blocks = reader.blocks;
    cutToSampleLimit(blocks, path);
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
            const QStringList shown = repeated.mid(0, 10);
            emit pushInfoUpward(
                QStringLiteral("%1 变量名称重复，已忽略后出现的同名列：%2%3")
                    .arg(path, shown.join(QLatin1Char(',')),
                         repeated.size() > shown.size() ? QStringLiteral("…") : QString()),
                -1);
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
        emit pushInfoUpward(QStringLiteral("%1 历史数据过长").arg(path), -1);
        return false;
    }

    if (adopt) {
        // A file with one block hands its containers over without copying them.
        emit pushInfoUpward(QStringLiteral("%1 整理历史数据...").arg(path), 100);
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
    int at = stamps.size();
    QVector<qint64> mergedStamps = ColumnAlloc::uninitialized<qint64>(length);
    std::copy(stamps.cbegin(), stamps.cend(), mergedStamps.begin());
    stamps = std::move(mergedStamps);
    for (QVector<float>& column : values) {
        QVector<float> merged = ColumnAlloc::uninitialized<float>(length);
        std::copy(column.cbegin(), column.cend(), merged.begin());
        // A variable new to this read has no samples yet: its gap up to here is filled.
        std::fill(merged.begin() + std::min(column.size(), at), merged.begin() + at, MissingValue);
        column = std::move(merged);
    }
    for (int b = 0; b < blocks.size(); ++b) {
        emit pushInfoUpward(QStringLiteral("%1 整理历史数据...").arg(path),
                            int((b + 1) * 100.0 / blocks.size()));
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

QVector<SortedTavData::Span> SortedTavData::equalSpacingRuns(const QVector<qint64>& s)
{
    // One pass over the spacings d(k) = s[k + 1] - s[k], with d(-1) = 0; each is computed
    // once, as this runs over every sample of a file.
    QVector<Span> runs;
    const int n = s.size();
    if (n < 3)
        return runs;
    const qint64* p = s.constData();
    qint64 before = 0;         // d(k - 2)
    qint64 prev = p[1] - p[0]; // d(k - 1)
    int start = -1;
    for (int k = 1; k <= n - 2; ++k) {
        const qint64 next = p[k + 1] - p[k];
        if (before != prev) {
            if (next == prev)
                start = k - 1;
        } else if (start >= 0) {
            if (next != prev) {
                runs.append({start, k, prev});
                start = -1;
            } else if (k + 1 == n - 1) {
                runs.append({start, n - 1, prev});
            }
        }
        before = prev;
        prev = next;
    }
    return runs;
}

namespace {

// part(from, to) over [0, count): the second half on a helper thread when two cores pay.
template <typename Part> void onTwoCores(bool twoThreads, int count, const Part& part)
{
    if (!twoThreads) {
        part(0, count);
        return;
    }
    std::thread helper([&part, count] { part(count / 2, count); });
    part(0, count / 2);
    helper.join();
}

} // namespace

void SortedTavData::buildSummaries(SummaryPrealloc* spare)
{
    QElapsedTimer timer;
    timer.start();
    if (spare) {
        spare->finish();
        if (spare->samples() != stamps.size())
            spare = nullptr;
    }
    const int columns = values.size();
    summaries = QVector<CurveSummary>(columns);
    qint64 total = stamps.size();
    for (const QVector<float>& column : qAsConst(values))
        total += column.size();
    const bool twoThreads = total > (1 << 20);

    // First one pass over the stamps, half on each core, for the time breaks; the range
    // statistics take their stretches from them.
    const int n = stamps.size();
    const qint64* t = stamps.constData();
    timeBreaks.beginBuild(n);
    if (twoThreads) {
        const int half = n / 2 / 64 * 64; // each core writes whole words of break bits
        std::thread helper([this, t, half, n] { timeBreaks.markGaps(t, half, n - 1); });
        timeBreaks.markGaps(t, 0, half);
        helper.join();
    } else {
        timeBreaks.markGaps(t, 0, n - 1);
    }
    timeBreaks.finishBuild(t);
    const int leaves = rangeStats.prepare(stamps, values, timeBreaks.stretchStarts(), false);

    // Then every column once, for both of its summaries: one scan of each leaf of samples
    // gives the extremes of its pyramid blocks and its moments; blocks with a missing
    // sample are summed again by the pyramid's careful scan. The stamps are read once for
    // all columns: their deltas are taken for a group of leaves, then each column walks
    // through the group. Walking leaf by leaf across the columns instead would jump to
    // another page at every leaf, where the processor's prefetch stops, and halve the
    // speed of the pass. The first core takes the first half of the leaves, the second
    // core the rest.
    CurveSummary* out = summaries.data();
    const QVector<float>* in = values.constData();
    RangeStats* stats = &rangeStats;
    // The summaries' memory is touched for the first time here, half of the columns on
    // each core.
    CurveSummary* made = spare ? spare->summaries.data() : nullptr;
    const int madeCount = spare ? spare->summaries.size() : 0;
    RangeStats::NodeArrays* madeNodes = spare ? &spare->statsNodes : nullptr;
    const auto allocate = [this, out, in, made, madeCount, madeNodes](int from, int to) {
        for (int c = from; c < to; ++c) {
            if (c < madeCount && made[c].count() == in[c].size())
                out[c] = std::move(made[c]);
            else
                out[c].beginBuild(in[c].size());
        }
        rangeStats.allocateColumns(values, from, to, madeNodes);
    };
    onTwoCores(twoThreads, columns, allocate);
    std::vector<int> joint; // columns with both summaries
    for (int c = 0; c < columns; ++c) {
        if (stats->summarises(c))
            joint.push_back(c);
        else
            out[c].buildBlocks(in[c].constData(), 0, out[c].blockCount());
    }
    constexpr int blocksPerLeaf = LeafScan::Blocks;
    static_assert(LeafScan::BlockSize == CurveSummary::BlockSize,
                  "the leaf scan yields the pyramid's blocks");
    constexpr int LeafSize = RangeStats::LeafSize;
    // Each column is read in runs of 512 KiB, long enough for the processor's own prefetch
    // (runs of 128 KiB made the pass 25 % slower); the deltas, 1 MiB, stay in cache.
    constexpr int GroupLeaves = 128;
    const LeafScan::Path path = LeafScan::bestPath();
    const auto work = [out, in, t, stats, &joint, leaves, path](int fromLeaf, int toLeaf) {
        std::vector<double> dt(size_t(GroupLeaves) * LeafSize);
        RangeStats::LeafTimes times[GroupLeaves];
        LeafScan scan;
        for (int group = fromLeaf; group < toLeaf; group += GroupLeaves) {
            const int end = std::min(toLeaf, group + GroupLeaves);
            for (int k = group; k < end; ++k)
                times[k - group] =
                    RangeStats::leafTimes(t, k, dt.data() + size_t(k - group) * LeafSize);
            for (size_t j = 0; j < joint.size(); ++j) {
                const int c = joint[j];
                const float* v = in[c].constData();
                for (int k = group; k < end; ++k) {
                    // The leaf after this one in the walk.
                    const float* next =
                        k + 1 < end ? v + qint64(k + 1) * LeafSize
                        : j + 1 < joint.size()
                            ? in[joint[j + 1]].constData() + qint64(group) * LeafSize
                        : end < toLeaf ? in[joint[0]].constData() + qint64(end) * LeafSize
                                       : nullptr;
                    scan.run(v + qint64(k) * LeafSize, dt.data() + size_t(k - group) * LeafSize,
                             path, next);
                    const int firstBlock = k * blocksPerLeaf;
                    out[c].setValidBlocks(firstBlock, scan.cleanBlocks, scan.blockMin,
                                          scan.blockMax);
                    for (quint32 rest = ~scan.cleanBlocks & LeafScan::AllClean; rest;
                         rest &= rest - 1) {
                        const int b = firstBlock + __builtin_ctz(rest);
                        out[c].buildBlocks(v, b, b + 1);
                    }
                    stats->buildLeaf(c, k, t, v, times[k - group], scan);
                }
            }
        }
        if (toLeaf == leaves) {
            for (const int c : joint)
                out[c].buildBlocks(in[c].constData(), leaves * blocksPerLeaf, out[c].blockCount());
        }
    };
    onTwoCores(twoThreads, leaves, work);

    // Last the upper levels of both summaries, half of the columns on each core.
    const auto finish = [out, t, stats](int from, int to) {
        for (int c = from; c < to; ++c) {
            if (stats->summarises(c))
                stats->finishColumn(c, t);
            out[c].finishBuild();
        }
    };
    onTwoCores(twoThreads, columns, finish);
    summaryBuildNs = timer.nsecsElapsed();
}

const CurveSummary* SortedTavData::summaryOf(int c) const
{
    if (c < 0 || c >= summaries.size() || c >= values.size())
        return nullptr;
    const CurveSummary& s = summaries.at(c);
    return s.count() == values.at(c).size() && !s.isEmpty() ? &s : nullptr;
}

QPair<qint64, qint64> SortedTavData::stampRange() const
{
    if (stamps.isEmpty())
        return {0, 0};
    if (timeBreaks.count() == stamps.size())
        return {timeBreaks.earliest(), timeBreaks.latest()};
    const auto mm = std::minmax_element(stamps.constBegin(), stamps.constEnd());
    return {*mm.first, *mm.second};
}

void SortedTavData::clear()
{
    status = 1;
    timeBreaks.clear();
    summaries.clear();
    spanIndexes = QVector<QPair<int, int>>();
    spanIntervals = QVector<qint64>();
    sampleCount = 0;
    names.clear();
    stamps.clear();
    values.clear();
    infoNames.clear();
    infoValues.clear();
    errors.clear();
    systemEvents.clear();
    userEvents.clear();
    rangeStats.clear();
}

void SortedTavData::debugPrint() const
{
    qCDebug(lcData) << "数据状态" << status;
    qCDebug(lcData) << infoNames;
    qCDebug(lcData) << infoValues;
    qCDebug(lcData) << "数据数目" << stamps.size();
    qCDebug(lcData) << "变量个数" << names.size();
}

void SortedTavData::onReadTrigged(QString path)
{
    qCDebug(lcData) << "SortedTavData::onReadTrigged" << path;
    m_incoming.reset();
    auto incoming = std::make_unique<SortedTavData>();
    incoming->limits = limits;
    incoming->summariesAfterRead = summariesAfterRead;
    connect(incoming.get(), &SortedTavData::pushInfoUpward, this, &SortedTavData::pushInfoUpward,
            Qt::DirectConnection);
    incoming->readTavData(path);
    disconnect(incoming.get(), nullptr, this, nullptr);
    // It is adopted or dropped on the owner's thread; without a thread it may die anywhere.
    incoming->moveToThread(nullptr);
    m_incoming = std::move(incoming);
    emit readFinished(path);
}

void SortedTavData::adoptIncoming()
{
    if (!m_incoming)
        return;
    swapContents(*m_incoming);
    // The old contents go with it.
    m_incoming.reset();
}

void SortedTavData::dropIncoming()
{
    m_incoming.reset();
}

void SortedTavData::swapContents(SortedTavData& other)
{
    std::swap(status, other.status);
    spanIndexes.swap(other.spanIndexes);
    spanIntervals.swap(other.spanIntervals);
    std::swap(sampleCount, other.sampleCount);
    names.swap(other.names);
    stamps.swap(other.stamps);
    values.swap(other.values);
    infoNames.swap(other.infoNames);
    infoValues.swap(other.infoValues);
    errors.swap(other.errors);
    systemEvents.swap(other.systemEvents);
    userEvents.swap(other.userEvents);
    std::swap(rangeStats, other.rangeStats);
    std::swap(timeBreaks, other.timeBreaks);
    summaries.swap(other.summaries);
    std::swap(summaryBuildNs, other.summaryBuildNs);
}

void SortedTavData::onExportData(QString filePath, QList<int> indexList, qlonglong stampStart,
                                 qlonglong stampEnd)
{
    qCDebug(lcData) << "SortedTavData::onExportData" << threadId() << filePath << indexList
                    << stampStart << stampEnd;
    TavCsv::exportData(*this, filePath, indexList, stampStart, stampEnd);
}
