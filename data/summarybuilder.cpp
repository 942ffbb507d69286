#include "summarybuilder.h"

#include "leafscan.h"
#include "spacingruns.h"
#include "summaryprealloc.h"
#include "tavdatamodel.h"

#include <QElapsedTimer>

#include <algorithm>
#include <thread>
#include <vector>

namespace {

// part(from, to) over [first, end): the second half on a helper thread when two cores pay.
template <typename Part> void onTwoCores(bool twoThreads, int first, int end, const Part& part)
{
    if (!twoThreads) {
        part(first, end);
        return;
    }
    const int middle = first + (end - first) / 2;
    std::thread helper([&part, middle, end] { part(middle, end); });
    part(first, middle);
    helper.join();
}

template <typename Part> void onTwoCores(bool twoThreads, int count, const Part& part)
{
    onTwoCores(twoThreads, 0, count, part);
}

constexpr int BlocksPerLeaf = LeafScan::Blocks;
static_assert(LeafScan::BlockSize == CurveSummary::BlockSize,
              "the leaf scan yields the pyramid's blocks");
constexpr int LeafSize = RangeStats::LeafSize;
// Each column is read in runs of 512 KiB, long enough for the processor's own prefetch
// (runs of 128 KiB made the pass 25 % slower); the deltas, 1 MiB, stay in cache.
constexpr int GroupLeaves = 128;

// Both summaries of the columns in joint, from one scan of each leaf of samples: the
// extremes of its pyramid blocks and its moments; blocks with a missing sample are summed
// again by the pyramid's careful scan. The stamps are read once for all columns: their
// deltas are taken for a group of leaves, then each column walks through the group.
// Walking leaf by leaf across the columns instead would jump to another page at every
// leaf, where the processor's prefetch stops, and halve the speed of the pass.
struct LeafPass
{
    CurveSummary* out;
    const QVector<float>* in;
    const qint64* t;
    RangeStats* stats;
    const std::vector<int>& joint;
    LeafScan::Path path;

    // Leaves [fromLeaf, toLeaf) of every joint column.
    void run(int fromLeaf, int toLeaf) const
    {
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
                    const int firstBlock = k * BlocksPerLeaf;
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
    }
};

// Enough samples to pay for a second thread.
bool worthTwoCores(qint64 samples)
{
    return samples > (1 << 20);
}

// Whether the model holds what build() made for oldCount samples, so that it can be
// extended; columns only grow.
bool extendable(const TavDataModel& model, int oldCount)
{
    const int columns = model.values.size();
    if (oldCount <= 0 || oldCount > model.stamps.size() || model.timeBreaks.count() != oldCount ||
        model.rangeStats.sampleCount() != oldCount || model.summaries.size() != columns)
        return false;
    for (int c = 0; c < columns; ++c) {
        const int had = model.summaries.at(c).count();
        if (had > model.values.at(c).size() || (model.rangeStats.summarises(c) && had != oldCount))
            return false;
    }
    return true;
}

} // namespace

namespace SummaryBuilder {

void build(TavDataModel& model, SummaryPrealloc* spare)
{
    QElapsedTimer timer;
    timer.start();
    const QVector<qint64>& stamps = model.stamps;
    const QVector<QVector<float>>& values = model.values;
    TimeBreaks& timeBreaks = model.timeBreaks;
    RangeStats& rangeStats = model.rangeStats;
    QVector<CurveSummary>& summaries = model.summaries;
    if (spare) {
        spare->finish();
        if (!spare->fit(stamps.size()))
            spare = nullptr;
    }
    const int columns = values.size();
    summaries = QVector<CurveSummary>(columns);
    qint64 total = stamps.size();
    for (const QVector<float>& column : qAsConst(values))
        total += column.size();
    const bool twoThreads = worthTwoCores(total);

    // First one pass over the stamps, half on each core, for the time breaks; the range
    // statistics take their stretches from them.
    const int n = stamps.size();
    const qint64* t = stamps.constData();
    timeBreaks.beginBuild(n);
    if (twoThreads) {
        const int half = n / 2 / 64 * 64; // each core writes whole words of break bits
        std::thread helper([&timeBreaks, t, half, n] { timeBreaks.markGaps(t, half, n - 1); });
        timeBreaks.markGaps(t, 0, half);
        helper.join();
    } else {
        timeBreaks.markGaps(t, 0, n - 1);
    }
    timeBreaks.finishBuild(t);
    const int leaves = rangeStats.prepare(stamps, values, timeBreaks.stretchStarts(), false);

    // Then every column once, for both of its summaries (LeafPass).
    CurveSummary* out = summaries.data();
    const QVector<float>* in = values.constData();
    RangeStats* stats = &rangeStats;
    // The summaries' memory is touched for the first time here, half of the columns on
    // each core.
    CurveSummary* made = spare ? spare->summaries.data() : nullptr;
    const int madeCount = spare ? spare->summaries.size() : 0;
    RangeStats::NodeArrays* madeNodes = spare ? &spare->statsNodes : nullptr;
    const auto allocate = [&rangeStats, &values, out, in, made, madeCount, madeNodes](int from,
                                                                                      int to) {
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
    // The first core takes the first half of the leaves, the second core the rest and the
    // blocks after the last whole leaf.
    const LeafPass pass{out, in, t, stats, joint, LeafScan::bestPath()};
    const auto work = [&pass, out, in, &joint, leaves](int fromLeaf, int toLeaf) {
        pass.run(fromLeaf, toLeaf);
        if (toLeaf == leaves) {
            for (const int c : joint)
                out[c].buildBlocks(in[c].constData(), leaves * BlocksPerLeaf, out[c].blockCount());
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
    model.summaryBuildNs = timer.nsecsElapsed();
}

void append(TavDataModel& model, int oldCount)
{
    QElapsedTimer timer;
    timer.start();
    const QVector<qint64>& stamps = model.stamps;
    const QVector<QVector<float>>& values = model.values;
    const int n = stamps.size();
    const qint64* t = stamps.constData();
    SpacingRuns::extend(t, std::max(0, oldCount), n, model.spanIndexes, model.spanIntervals);
    if (!extendable(model, oldCount)) {
        build(model);
        return;
    }
    model.timeBreaks.append(t, n);
    RangeStats& stats = model.rangeStats;
    const int firstLeaf = stats.prepareAppend(stamps, values, model.timeBreaks.stretchStarts());
    if (firstLeaf < 0) {
        build(model);
        return;
    }

    // The blocks as build() makes them: those of whole leaves of a column with range
    // statistics from the leaf pass, the others by the pyramid's own scan. So the blocks of
    // the old partial leaf are done again once it is whole.
    const int columns = values.size();
    const int leaves = stats.leafCount();
    CurveSummary* out = model.summaries.data();
    const QVector<float>* in = values.constData();
    std::vector<int> joint;
    std::vector<int> firstBlock(size_t(columns), 0);
    for (int c = 0; c < columns; ++c) {
        CurveSummary& summary = out[c];
        const int first = summary.beginAppend(in[c].size());
        int scanFrom = first;
        if (stats.summarises(c)) {
            joint.push_back(c);
            scanFrom = std::max(first, leaves * BlocksPerLeaf);
            firstBlock[size_t(c)] = std::min(first, firstLeaf * BlocksPerLeaf);
        } else {
            firstBlock[size_t(c)] = first;
        }
        summary.buildBlocks(in[c].constData(), scanFrom, summary.blockCount());
    }
    const LeafPass pass{out, in, t, &stats, joint, LeafScan::bestPath()};
    const qint64 added = qint64(leaves - firstLeaf) * LeafSize * qint64(joint.size() + 1);
    onTwoCores(worthTwoCores(added), firstLeaf, leaves,
               [&pass](int from, int to) { pass.run(from, to); });
    for (int c = 0; c < columns; ++c) {
        if (stats.summarises(c))
            stats.finishColumn(c, t, firstLeaf);
        out[c].finishAppend(firstBlock[size_t(c)]);
    }
    model.summaryBuildNs = timer.nsecsElapsed();
}

} // namespace SummaryBuilder
