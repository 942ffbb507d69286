#include "timebreaks.h"

#include <algorithm>

void TimeBreaks::clear()
{
    m_bits.clear();
    m_stretches.clear();
    m_count = 0;
    m_earliest = 0;
    m_latest = 0;
}

qint64 TimeBreaks::memoryBytes() const
{
    return qint64(m_bits.size()) * sizeof(quint64) + qint64(m_stretches.size()) * sizeof(int);
}

bool TimeBreaks::isPause(qint64 gap, qint64 before, qint64 after, qint64 bridgeGap)
{
    if (gap <= bridgeGap)
        return false;
    qint64 shorter = -1;
    if (before > 0)
        shorter = before;
    if (after > 0 && (shorter < 0 || after < shorter))
        shorter = after;
    // Compared as gap / 2 > shorter, which cannot overflow: gap > 2 * shorter.
    return shorter < 0 || gap - shorter > shorter;
}

void TimeBreaks::build(const qint64* stamps, int count, qint64 bridgeGap)
{
    beginBuild(stamps ? count : 0, bridgeGap);
    if (count <= 0 || !stamps)
        return;
    markGaps(stamps, 0, count - 1);
    finishBuild(stamps);
}

void TimeBreaks::beginBuild(int count, qint64 bridgeGap)
{
    clear();
    m_gap = bridgeGap;
    if (count <= 0)
        return;
    m_count = count;
    m_bits.fill(0, (count + 63) / 64);
}

void TimeBreaks::markGaps(const qint64* stamps, int from, int to)
{
    const int count = m_count;
    to = std::min(to, count - 1);
    if (from >= to)
        return;
    quint64* bits = m_bits.data();
    // d(k) = stamps[k+1] - stamps[k], or 0 outside the line (no interval there).
    qint64 before = from > 0 ? stamps[from] - stamps[from - 1] : 0;
    qint64 gap = stamps[from + 1] - stamps[from];
    for (int i = from; i < to; ++i) {
        const qint64 after = i + 2 < count ? stamps[i + 2] - stamps[i + 1] : 0;
        if (gap < 0 || (gap > m_gap && isPause(gap, before, after, m_gap)))
            bits[i >> 6] |= quint64(1) << (i & 63);
        before = gap;
        gap = after;
    }
}

void TimeBreaks::finishBuild(const qint64* stamps)
{
    if (m_count <= 0)
        return;
    // The stretches start after the breaks where the stamps go back: few, found from the
    // bits.
    m_stretches.append(0);
    const quint64* bits = m_bits.constData();
    for (int word = 0; word < m_bits.size(); ++word) {
        for (quint64 w = bits[word]; w; w &= w - 1) {
            const int i = (word << 6) + __builtin_ctzll(w);
            if (stamps[i + 1] < stamps[i])
                m_stretches.append(i + 1);
        }
    }
    // Within a stretch the stamps do not decrease: the earliest stamp starts a stretch and
    // the latest ends one.
    m_earliest = stamps[0];
    m_latest = stamps[0];
    for (int s = 0; s < m_stretches.size(); ++s) {
        m_earliest = std::min(m_earliest, stamps[m_stretches[s]]);
        m_latest = std::max(m_latest, stamps[stretchEnd(s)]);
    }
}

void TimeBreaks::append(const qint64* stamps, int count)
{
    const int old = m_count;
    if (old <= 0) {
        build(stamps, count, m_gap);
        return;
    }
    if (count <= old)
        return;
    m_count = count;
    m_bits.resize((count + 63) / 64); // new words are zero; grows by doubling
    int from = old - 1;
    if (old >= 2) {
        from = old - 2;
        m_bits[from >> 6] &= ~(quint64(1) << (from & 63));
    }
    markGaps(stamps, from, count - 1);
    // Whether the stamps go back at a gap does not depend on its neighbours: only the new
    // gaps can start stretches. finishBuild() takes the earliest and latest stamp from the
    // stretches' ends, which within non-decreasing stretches is the least and greatest of all.
    for (int i = old - 1; i < count - 1; ++i) {
        if (stamps[i + 1] < stamps[i])
            m_stretches.append(i + 1);
    }
    for (int i = old; i < count; ++i) {
        m_earliest = std::min(m_earliest, stamps[i]);
        m_latest = std::max(m_latest, stamps[i]);
    }
}

int TimeBreaks::nextBreak(int from, int limit) const
{
    limit = std::min(limit, m_count);
    if (from < 0)
        from = 0;
    if (from >= limit)
        return limit;
    int word = from >> 6;
    quint64 w = m_bits[word] & (~quint64(0) << (from & 63));
    const int lastWord = (limit - 1) >> 6;
    while (true) {
        if (w) {
            const int b = (word << 6) + __builtin_ctzll(w);
            return b < limit ? b : limit;
        }
        if (++word > lastWord)
            return limit;
        w = m_bits[word];
    }
}
