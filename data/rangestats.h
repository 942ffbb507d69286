#pragma once

#include "leafscan.h"
#include "missingvalue.h"

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

// Per-variable summaries of a merged time line, built once after a read, that answer a
// range query in a few hundred node merges instead of a pass over the samples.
//
// The samples are cut into leaves of LeafSize; each leaf keeps its count, means and
// centred second moments of value and time, the value-time co-moment (for the slope),
// and the indexes of its min, max, first and last sample. FanOut leaves form a node of the
// next level, and so on. Moments are combined with the pairwise update (Chan et al.), which
// stays accurate where raw sums of squares would cancel.
//
// Stamps are non-decreasing only within stretches (blocks of a file may overlap), so a
// query binary-searches each stretch for its index range and sums the nodes inside it.
class RangeStats
{
public:
    static constexpr int LeafSize = LeafScan::Samples;
    static constexpr int FanOut = 64;

    static bool isMissing(float v) { return isMissingValue(v); }

    // columns are the value columns, each as long as stamps; both must stay unchanged
    // for as long as the summaries are queried.
    void build(const QVector<qint64>& stamps, const QVector<QVector<float>>& columns);
    void clear();

    // build() in steps, for callers that walk the columns themselves (several threads, each
    // column read once for several summaries): prepare() once, then for every leaf k and
    // summarised column c (any thread, one thread per column) leafTimes(), a LeafScan of the
    // leaf's values over those deltas and buildLeaf(), and finishColumn(c) after the last
    // leaf of c. Returns the number of leaves, 0 when there is nothing to build.
    struct LeafTimes
    {
        qint64 first = 0;   // stamp the deltas are taken from
        double sum = 0.0;   // of the deltas
        double sumSq = 0.0; // of their squares
    };
    int prepare(const QVector<qint64>& stamps, const QVector<QVector<float>>& columns);
    // The same for a caller that has found the stretches of non-decreasing stamps already
    // (their first indexes, in order, as TimeBreaks::stretchStarts() gives them).
    // With allocate false the node arrays are left to allocateColumns(), which two threads
    // may call for different columns: first touches of fresh memory are most of the cost.
    int prepare(const QVector<qint64>& stamps, const QVector<QVector<float>>& columns,
                const QVector<int>& stretchStarts, bool allocate = true);
    // spare, when given, holds node arrays made ahead (nodesPerColumn(n) long, see
    // SummaryPrealloc): those of the right length are taken over instead of made here.
    struct Node;
    using NodeArrays = std::vector<std::vector<Node>>;
    void allocateColumns(const QVector<QVector<float>>& columns, int from, int to,
                         NodeArrays* spare = nullptr);
    // Nodes of all levels for one column of n samples.
    static int nodesPerColumn(int n);
    bool summarises(int column) const
    {
        return column >= 0 && size_t(column) < m_nodes.size() && !m_nodes[size_t(column)].empty();
    }
    // Deltas of leaf k's stamps from its first stamp into dt (LeafSize doubles).
    static LeafTimes leafTimes(const qint64* stamps, int leaf, double* dt);
    void buildLeaf(int column, int leaf, const qint64* stamps, const float* values,
                   const LeafTimes& times, const LeafScan& scan);
    void finishColumn(int column, const qint64* stamps);

    // Range [from, to], stamps inclusive. stamps and column must be what build() saw for
    // variable; anything else is answered by a scan, correct but slow.
    RangeSummary summarize(const QVector<qint64>& stamps, const QVector<float>& column,
                           int variable, qint64 from, qint64 to) const;

    // Bytes held by the summaries (nodes and stretch table).
    qint64 memoryBytes() const;
    int stretchCount() const { return int(m_stretchStarts.size()); }

    struct Node
    {
        int n = 0;
        float minV = 0.0f;
        float maxV = 0.0f;
        int minI = 0;
        int maxI = 0;
        int firstI = 0;
        int lastI = 0;
        double meanV = 0.0;
        double m2V = 0.0; // sum of squared deviations of the values from meanV
        double meanT = 0.0;
        double m2T = 0.0; // the same for the stamps
        double cTV = 0.0; // sum of (t - meanT)(v - meanV)
    };

private:
    bool scanOnly(int n) const;
    void addRange(const qint64* t, const float* v, int lo, int hi, const Node* nodes,
                  Node& acc) const;
    void addNodes(const qint64* t, const Node* nodes, int level, int i, int j, Node& acc) const;

    int m_sampleCount = 0;
    int m_nodesPerColumn = 0; // all levels
    std::vector<int> m_stretchStarts;
    std::vector<int> m_levelOffset; // first node of each level in a variable's node array
    std::vector<int> m_levelCount;
    std::vector<std::vector<Node>> m_nodes; // per variable, all levels back to back
};
