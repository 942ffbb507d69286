#pragma once

#include <QVector>
#include <QtGlobal>

// Where the time line of a data set breaks: between two consecutive samples that the plot
// must not join, whatever their values.
//
// Samples i and i+1 are joined in time unless
//   - the stamps go back (stamps[i+1] < stamps[i]): a block recorded after a clock was set
//     back; each forward stretch is drawn where its times fall, or
//   - the gap is a pause: longer than bridgeGap and longer than twice the shorter of the
//     sampling intervals on either side of it (stamps[i] - stamps[i-1] and
//     stamps[i+2] - stamps[i+1]). Only intervals above zero count as sampling intervals;
//     a gap with none beside it is a pause when it is longer than bridgeGap.
// So samples taken every 97 to 140 s are joined, and a 60 s series that stops for an hour
// is not. Equal stamps are joined (drawn on one pixel column).
//
// Kept as one bit per sample (1/8 byte each) and the first index of every forward stretch.
class TimeBreaks
{
public:
    static constexpr qint64 DefaultBridgeGap = 60;

    void build(const qint64* stamps, int count, qint64 bridgeGap = DefaultBridgeGap);
    void clear();
    // build() in parts, so that threads can share the pass over the stamps: beginBuild(),
    // then markGaps() for the gaps after samples from .. to-1, in disjoint ranges whose
    // bounds are multiples of 64 or count - 1 (any thread), then finishBuild().
    void beginBuild(int count, qint64 bridgeGap = DefaultBridgeGap);
    void markGaps(const qint64* stamps, int from, int to);
    void finishBuild(const qint64* stamps);
    // The stamps now run to count (count() of them were there before, unchanged): the same
    // as build() over all of them, in O(new samples). The gap before the last sample was
    // decided without an interval after it, so it is decided again.
    void append(const qint64* stamps, int count);

    int count() const { return m_count; }
    qint64 bridgeGap() const { return m_gap; }
    qint64 memoryBytes() const;

    // The pause rule for one gap; before / after are the neighbouring intervals, or a
    // value <= 0 where there is none.
    static bool isPause(qint64 gap, qint64 before, qint64 after, qint64 bridgeGap);

    // True when samples i and i+1 are joined in time (0 <= i < count - 1).
    bool joined(int i) const { return !((m_bits[i >> 6] >> (i & 63)) & 1); }
    // First break b in [from, limit) (a break b lies between samples b and b+1); limit if
    // there is none.
    int nextBreak(int from, int limit) const;
    bool anyBreak(int from, int limit) const { return nextBreak(from, limit) < limit; }

    // First sample index of each stretch of non-decreasing stamps, in order; {0} for a
    // time line that never goes back, empty when there are no samples.
    const QVector<int>& stretchStarts() const { return m_stretches; }
    // Last sample index of stretch s.
    int stretchEnd(int s) const
    {
        return s + 1 < m_stretches.size() ? m_stretches[s + 1] - 1 : m_count - 1;
    }

    // Earliest and latest stamp (0 when empty).
    qint64 earliest() const { return m_earliest; }
    qint64 latest() const { return m_latest; }

private:
    QVector<quint64> m_bits; // bit i set: a break between samples i and i+1
    QVector<int> m_stretches;
    int m_count = 0;
    qint64 m_gap = DefaultBridgeGap;
    qint64 m_earliest = 0;
    qint64 m_latest = 0;
};
