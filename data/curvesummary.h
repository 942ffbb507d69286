#pragma once

#include "missingvalue.h"

#include <QVector>
#include <QtGlobal>

#include <limits>

// A min/max pyramid over one value column, so that questions about long index ranges
// (what is the lowest and highest value between samples a and b, is any of them missing)
// are answered from a few summary nodes instead of every sample.
//
// Level 0 has one node per BlockSize samples; each level above has one node per Fanout
// nodes of the level below. A node keeps the minimum and maximum of the valid samples it
// covers and whether it covers valid and missing samples. Missing samples (|v| >= 999 or
// NaN, the mark the plot does not draw) never take part in a minimum or maximum.
//
// The summary does not own the column: queries take the same column again, because the
// partial blocks at both ends of a range are read sample by sample. The column must not
// change after build(). Costs: memory about 9 bytes per BlockSize samples and 1/7 more for
// the upper levels (4 % of the column), a query O(BlockSize + Fanout x levels).
class CurveSummary
{
public:
    static constexpr int BlockSize = 64;
    static constexpr int Fanout = 8;

    // The answer for an index range.
    struct Extremes
    {
        float min = std::numeric_limits<float>::infinity();
        float max = -std::numeric_limits<float>::infinity();
        // Index of the first valid sample holding min / max; -1 when there is none, or
        // when positions were not asked for.
        int minIndex = -1;
        int maxIndex = -1;
        bool anyValid = false;   // at least one sample of the range is valid
        bool anyMissing = false; // at least one sample of the range is missing
    };

    // True for a sample the plot draws: |v| < 999, not NaN.
    static bool isValid(float v) { return isValidValue(v); }

    // Builds the pyramid over values[0 .. count-1].
    void build(const float* values, int count);
    void clear();
    // build() in steps, so that a caller can summarise a column piece by piece while the
    // piece is in cache for its other summaries: beginBuild(count), buildBlocks() for
    // level-0 blocks [first, end) until every block is built, in any order, then finishBuild().
    void beginBuild(int count);
    // After beginBuild() for at least count samples, before any block is built: the same as
    // beginBuild(count), in the memory made already.
    void fitBuild(int count);
    void buildBlocks(const float* values, int first, int end);
    void finishBuild();
    // Instead of buildBlocks() for blocks the caller has scanned and found valid throughout:
    // block first + j, for every bit j set in valid, gets the extremes min[j] and max[j].
    void setValidBlocks(int first, quint32 valid, const float* min, const float* max);

    // The column has grown to count samples (the first count() unchanged): the same as
    // build() over all of them, in O(new samples / BlockSize + levels) amortised.
    void append(const float* values, int count);
    // append() in steps, like build(): beginAppend(count) makes room for the new blocks and
    // returns the first block whose samples changed (the last partial one, or the first
    // new one); the caller builds the blocks from there to blockCount() as after
    // beginBuild(), then calls finishAppend() with the first block it built. Nodes grow by
    // doubling. A summary that was never built is begun whole (returns 0).
    int beginAppend(int count);
    void finishAppend(int firstBlock);

    int count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    // Bytes held by the nodes.
    qint64 memoryBytes() const;

    // Extremes of values[first .. last] (inclusive; clamped to the column). values must be
    // the column the summary was built from. With positions, minIndex and maxIndex are
    // filled in (a descent of one path per extreme).
    Extremes extremes(const float* values, int first, int last, bool positions = false) const;

    // Range covered by level-0 node b: samples [b * BlockSize, ...].
    int blockCount() const { return m_levels.isEmpty() ? 0 : m_levels.first().nodes.size(); }
    // Node b of level 0: its extremes without positions (the block must exist).
    Extremes block(int b) const;
    // Asks the processor to fetch what a query near sample i will read.
    void prefetch(const float* values, int i) const;

private:
    struct Node
    {
        float min;
        float max;
    };
    struct Level
    {
        QVector<Node> nodes;
        QVector<quint8> flags; // HasValid | HasMissing
    };
    enum : quint8
    {
        HasValid = 1,
        HasMissing = 2
    };

    Extremes fastExtremes(const float* values, int first, int end) const;
    void takeNode(int level, int node, Extremes& e, int& minLevel, int& minNode, int& maxLevel,
                  int& maxNode) const;
    void takeNodes(int level, int lo, int hi, Extremes& e, int& minLevel, int& minNode,
                   int& maxLevel, int& maxNode) const;
    int descend(const float* values, int level, int node, bool wantMin) const;
    static void buildNodes(const Level& below, Level& here, int first);

    QVector<Level> m_levels;
    int m_count = 0;
    bool m_anyMissing = false; // some sample of the column is missing
};
