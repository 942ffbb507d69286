#pragma once

#include "leafscan.h"
#include "missingvalue.h"
#include "rangenode.h"

#include <QVector>
#include <QtGlobal>

#include <vector>

// Figures of one variable over a stamp range, from its valid samples only (a value whose
// magnitude is 999.0 or more, or NaN, is missing). With count 0 the other fields mean
// nothing; hasRate is false when the samples do not span two different stamps.
struct RangeSummary
{
    qint64 count = 0;
    float min = 0.0f;
    qint64 minStamp = 0; // earliest stamp among the samples equal to min
    float max = 0.0f;
    qint64 maxStamp = 0; // earliest stamp among the samples equal to max
    double mean = 0.0;
    double stdDev = 0.0; // population standard deviation
    float first = 0.0f;  // value at the earliest stamp (lowest index on equal stamps)
    float last = 0.0f;   // value at the latest stamp (highest index on equal stamps)
    bool hasRate = false;
    double ratePerMinute = 0.0; // least-squares slope of value over time, per 60 s

    double peakToPeak() const { return double(max) - double(min); }
};

// Per-variable summaries of a merged time line, built once after a read and extended as
// samples are appended, that answer a range query in a few hundred node merges instead of
// a pass over the samples.
//
// The samples are cut into leaves of LeafSize; each whole leaf is one RangeNode. FanOut
// nodes of a level form a node of the next level, and so on; only whole leaves and whole
// groups make nodes, so a node never changes once made and appending only adds nodes at
// the end of each level. Each level is a vector of its own, grown by doubling.
//
// Stamps are non-decreasing only within stretches (blocks of a file may overlap), so a
// query binary-searches each stretch for its index range and sums the nodes inside it.
class RangeStats
{
public:
    static constexpr int LeafSize = LeafScan::Samples;
    static constexpr int FanOut = 64;
    using Node = RangeNode;
    using LeafTimes = RangeNode::LeafTimes;

    static bool isMissing(float v) { return isMissingValue(v); }

    // columns are the value columns, each as long as stamps; both must stay unchanged
    // (but for appended samples, see prepareAppend()) while the summaries are queried.
    void build(const QVector<qint64>& stamps, const QVector<QVector<float>>& columns);
    void clear();

    // build() in steps, for callers that walk the columns themselves (several threads, each
    // column read once for several summaries): prepare() once, then for every leaf k and
    // summarised column c (any thread, one thread per column) leafTimes(), a LeafScan of the
    // leaf's values over those deltas and buildLeaf(), and finishColumn(c) after the last
    // leaf of c. Returns the number of leaves, 0 when there is nothing to build.
    int prepare(const QVector<qint64>& stamps, const QVector<QVector<float>>& columns);
    // The same for a caller that has found the stretches of non-decreasing stamps already
    // (their first indexes, in order, as TimeBreaks::stretchStarts() gives them).
    // With allocate false the node arrays are left to allocateColumns(), which two threads
    // may call for different columns: first touches of fresh memory are most of the cost.
    int prepare(const QVector<qint64>& stamps, const QVector<QVector<float>>& columns,
                const QVector<int>& stretchStarts, bool allocate = true);
    // spare, when given, holds leaf arrays made ahead, one per column (leavesFor(n) long,
    // see SummaryPrealloc): those of the right length are taken over instead of made here.
    using NodeArrays = std::vector<std::vector<Node>>;
    void allocateColumns(const QVector<QVector<float>>& columns, int from, int to,
                         NodeArrays* spare = nullptr);
    // Leaves (nodes of the lowest level) of one column of n samples.
    static int leavesFor(int n) { return n / LeafSize; }
    bool summarises(int column) const
    {
        return column >= 0 && size_t(column) < m_nodes.size() && !m_nodes[size_t(column)].empty();
    }
    // Deltas of leaf k's stamps from its first stamp into dt (LeafSize doubles).
    static LeafTimes leafTimes(const qint64* stamps, int leaf, double* dt);
    void buildLeaf(int column, int leaf, const qint64* stamps, const float* values,
                   const LeafTimes& times, const LeafScan& scan);
    // The upper levels of column, from the nodes above leaf firstLeaf on.
    void finishColumn(int column, const qint64* stamps, int firstLeaf = 0);

    // After samples were appended to stamps and to every column (stretchStarts: those of
    // all the stamps now): takes the new stretches and makes room for the new nodes, in
    // O(new samples / LeafSize + levels) amortised. Returns the first leaf that is new;
    // the caller then builds leaves [first, leafCount()) of every summarised column as
    // after prepare() and calls finishColumn(c, stamps, first). Returns -1 when the
    // columns summarised are no longer those a build would summarise (the first whole
    // leaf, stamps that begin or stop going back everywhere, a column new or of another
    // length): then only build() gives the same summaries.
    int prepareAppend(const QVector<qint64>& stamps, const QVector<QVector<float>>& columns,
                      const QVector<int>& stretchStarts);

    // Range [from, to], stamps inclusive. stamps and column must be what the summaries were
    // built or extended from for variable; anything else is answered by a scan, correct
    // but slow.
    RangeSummary summarize(const QVector<qint64>& stamps, const QVector<float>& column,
                           int variable, qint64 from, qint64 to) const;

    int sampleCount() const { return m_sampleCount; }
    int leafCount() const { return m_levelCount.empty() ? 0 : m_levelCount.front(); }
    // Bytes held by the summaries (nodes and stretch table).
    qint64 memoryBytes() const;
    int stretchCount() const { return int(m_stretchStarts.size()); }

private:
    using Levels = std::vector<std::vector<Node>>; // one column's nodes, level by level

    static bool scanOnly(int n, size_t stretches);
    static std::vector<int> levelCounts(int n);
    void addRange(const qint64* t, const float* v, int lo, int hi, const Levels* levels,
                  Node& acc) const;
    void addNodes(const qint64* t, const Levels& levels, int level, int i, int j, Node& acc) const;

    int m_sampleCount = 0;
    std::vector<int> m_stretchStarts;
    std::vector<int> m_levelCount; // nodes of each level, the same for every column
    std::vector<Levels> m_nodes;   // per variable; empty for one that is not summarised
};
