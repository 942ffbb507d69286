#include "curvesummary.h"

#include "columnalloc.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr float Inf = std::numeric_limits<float>::infinity();

struct Scan
{
    float min = Inf;
    float max = -Inf;
    bool anyValid = false;
    bool anyMissing = false;
};

// Extremes of values[a, b) sample by sample (no positions). Four lanes at a time where the
// machine allows: a value is valid when |v| < 999 (false for NaN), and a missing lane
// contributes +inf to the minimum and -inf to the maximum.
Scan scan(const float* values, int a, int b)
{
    Scan s;
    int i = a;
#if defined(__SSE2__)
    if (b - a >= 8) {
        const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
        const __m128 limit = _mm_set1_ps(MissingLimit);
        const __m128 inf = _mm_set1_ps(Inf);
        const __m128 negInf = _mm_set1_ps(-Inf);
        __m128 mn = inf;
        __m128 mx = negInf;
        __m128 allOk = _mm_castsi128_ps(_mm_set1_epi32(-1));
        __m128 anyOk = _mm_setzero_ps();
        for (; i + 4 <= b; i += 4) {
            const __m128 v = _mm_loadu_ps(values + i);
            const __m128 ok = _mm_cmplt_ps(_mm_and_ps(v, absMask), limit);
            const __m128 okv = _mm_and_ps(ok, v);
            mn = _mm_min_ps(mn, _mm_or_ps(okv, _mm_andnot_ps(ok, inf)));
            mx = _mm_max_ps(mx, _mm_or_ps(okv, _mm_andnot_ps(ok, negInf)));
            allOk = _mm_and_ps(allOk, ok);
            anyOk = _mm_or_ps(anyOk, ok);
        }
        alignas(16) float lanesMin[4];
        alignas(16) float lanesMax[4];
        _mm_store_ps(lanesMin, mn);
        _mm_store_ps(lanesMax, mx);
        s.min = std::min(std::min(lanesMin[0], lanesMin[1]), std::min(lanesMin[2], lanesMin[3]));
        s.max = std::max(std::max(lanesMax[0], lanesMax[1]), std::max(lanesMax[2], lanesMax[3]));
        s.anyValid = _mm_movemask_ps(anyOk) != 0;
        s.anyMissing = _mm_movemask_ps(allOk) != 0xF;
    }
#endif
    for (; i < b; ++i) {
        const float v = values[i];
        if (CurveSummary::isValid(v)) {
            s.anyValid = true;
            s.min = std::min(s.min, v);
            s.max = std::max(s.max, v);
        } else {
            s.anyMissing = true;
        }
    }
    return s;
}

// First valid index in [a, b) holding exactly target; -1 if none.
int firstEqual(const float* values, int a, int b, float target)
{
    for (int i = a; i < b; ++i) {
        if (values[i] == target && CurveSummary::isValid(values[i]))
            return i;
    }
    return -1;
}

} // namespace

void CurveSummary::clear()
{
    m_levels.clear();
    m_count = 0;
    m_anyMissing = false;
}

qint64 CurveSummary::memoryBytes() const
{
    qint64 bytes = 0;
    for (const Level& l : m_levels)
        bytes += qint64(l.nodes.size()) * (sizeof(Node) + sizeof(quint8));
    return bytes;
}

void CurveSummary::build(const float* values, int count)
{
    if (count <= 0 || !values) {
        clear();
        return;
    }
    beginBuild(count);
    buildBlocks(values, 0, m_levels.first().nodes.size());
    finishBuild();
}

void CurveSummary::beginBuild(int count)
{
    clear();
    if (count <= 0)
        return;
    m_count = count;
    const int nodes = (count + BlockSize - 1) / BlockSize;
    Level base;
    // Every block is written by buildBlocks(); in pages of their own size where the system
    // offers them, as the columns are, so that a paint's jumps from one pixel column's
    // blocks to the next do not each miss the address cache.
    base.nodes = ColumnAlloc::uninitialized<Node>(nodes);
    base.flags = ColumnAlloc::uninitialized<quint8>(nodes);
    m_levels.append(base);
}

void CurveSummary::fitBuild(int count)
{
    if (m_levels.size() != 1 || count <= 0 || count > m_count) {
        beginBuild(count);
        return;
    }
    m_count = count;
    const int nodes = (count + BlockSize - 1) / BlockSize;
    Level& base = m_levels.first();
    base.nodes.resize(nodes);
    base.flags.resize(nodes);
}

void CurveSummary::buildBlocks(const float* values, int first, int end)
{
    if (first >= end)
        return;
    Level& base = m_levels.first();
    Node* nodes = base.nodes.data();
    quint8* flags = base.flags.data();
    for (int b = first; b < end; ++b) {
        const int a = b * BlockSize;
        const Scan s = scan(values, a, std::min(m_count, a + BlockSize));
        nodes[b] = {s.min, s.max};
        flags[b] = quint8((s.anyValid ? HasValid : 0) | (s.anyMissing ? HasMissing : 0));
    }
}

void CurveSummary::setValidBlocks(int first, quint32 valid, const float* min, const float* max)
{
    Level& base = m_levels.first();
    Node* nodes = base.nodes.data() + first;
    quint8* flags = base.flags.data() + first;
    for (; valid; valid &= valid - 1) {
        const int j = __builtin_ctz(valid);
        nodes[j] = {min[j], max[j]};
        flags[j] = HasValid;
    }
}

void CurveSummary::finishBuild()
{
    finishAppend(0);
}

void CurveSummary::append(const float* values, int count)
{
    const int first = beginAppend(count);
    buildBlocks(values, first, blockCount());
    finishAppend(first);
}

int CurveSummary::beginAppend(int count)
{
    if (m_levels.isEmpty()) {
        beginBuild(count);
        return 0;
    }
    const int first = m_count / BlockSize;
    m_count = count;
    Level& base = m_levels.first();
    const int nodes = (count + BlockSize - 1) / BlockSize;
    base.nodes.resize(nodes);
    base.flags.resize(nodes);
    return first;
}

// Nodes first .. of here, from the nodes of the level below.
void CurveSummary::buildNodes(const Level& below, Level& here, int first)
{
    const int nodes = below.nodes.size();
    const int upper = here.nodes.size();
    const Node* from = below.nodes.constData();
    const quint8* fromFlags = below.flags.constData();
    Node* to = here.nodes.data();
    quint8* flags = here.flags.data();
    for (int u = first; u < upper; ++u) {
        float mn = Inf;
        float mx = -Inf;
        quint8 f = 0;
        const int end = std::min(nodes, (u + 1) * Fanout);
        for (int k = u * Fanout; k < end; ++k) {
            mn = std::min(mn, from[k].min);
            mx = std::max(mx, from[k].max);
            f |= fromFlags[k];
        }
        to[u] = {mn, mx};
        flags[u] = f;
    }
}

void CurveSummary::finishAppend(int firstBlock)
{
    if (m_levels.isEmpty())
        return;
    int first = firstBlock; // first node of the level below that changed
    for (int level = 1; m_levels[level - 1].nodes.size() > 1; ++level) {
        const int upper = (m_levels[level - 1].nodes.size() + Fanout - 1) / Fanout;
        first /= Fanout;
        if (level == m_levels.size()) {
            // A new level is sized exactly, as a whole build wants it; appends then grow it
            // by doubling.
            Level l;
            l.nodes = QVector<Node>(upper);
            l.flags = QVector<quint8>(upper);
            m_levels.append(l);
            first = 0;
        } else {
            m_levels[level].nodes.resize(upper);
            m_levels[level].flags.resize(upper);
        }
        buildNodes(m_levels[level - 1], m_levels[level], first);
    }
    m_anyMissing = (m_levels.last().flags.first() & HasMissing) != 0;
}

CurveSummary::Extremes CurveSummary::block(int b) const
{
    const Level& l = m_levels.first();
    Extremes e;
    e.min = l.nodes[b].min;
    e.max = l.nodes[b].max;
    e.anyValid = l.flags[b] & HasValid;
    e.anyMissing = l.flags[b] & HasMissing;
    return e;
}

void CurveSummary::takeNode(int level, int node, Extremes& e, int& minLevel, int& minNode,
                            int& maxLevel, int& maxNode) const
{
    const Level& l = m_levels[level];
    const quint8 f = l.flags[node];
    e.anyMissing |= (f & HasMissing) != 0;
    if (!(f & HasValid))
        return;
    e.anyValid = true;
    // Strictly smaller / larger: ranges are taken in index order, so ties keep the
    // earliest node and the descent then finds the first sample holding the extreme.
    const Node& n = l.nodes[node];
    if (n.min < e.min) {
        e.min = n.min;
        minLevel = level;
        minNode = node;
    }
    if (n.max > e.max) {
        e.max = n.max;
        maxLevel = level;
        maxNode = node;
    }
}

// Nodes [lo, hi) of a level, in index order, using the levels above for the aligned middle.
void CurveSummary::takeNodes(int level, int lo, int hi, Extremes& e, int& minLevel, int& minNode,
                             int& maxLevel, int& maxNode) const
{
    if (lo >= hi)
        return;
    const int upLo = (lo + Fanout - 1) / Fanout;
    const int upHi = hi / Fanout;
    if (level + 1 >= m_levels.size() || upLo >= upHi) {
        for (int k = lo; k < hi; ++k)
            takeNode(level, k, e, minLevel, minNode, maxLevel, maxNode);
        return;
    }
    for (int k = lo; k < upLo * Fanout; ++k)
        takeNode(level, k, e, minLevel, minNode, maxLevel, maxNode);
    takeNodes(level + 1, upLo, upHi, e, minLevel, minNode, maxLevel, maxNode);
    for (int k = upHi * Fanout; k < hi; ++k)
        takeNode(level, k, e, minLevel, minNode, maxLevel, maxNode);
}

// Sample index of the first occurrence of a node's min (or max).
int CurveSummary::descend(const float* values, int level, int node, bool wantMin) const
{
    const Node& top = m_levels[level].nodes[node];
    const float target = wantMin ? top.min : top.max;
    while (level > 0) {
        const Level& below = m_levels[level - 1];
        const int end = std::min(below.nodes.size(), (node + 1) * Fanout);
        int child = node * Fanout;
        for (; child < end; ++child) {
            if ((below.flags[child] & HasValid) &&
                (wantMin ? below.nodes[child].min : below.nodes[child].max) == target)
                break;
        }
        node = child;
        --level;
    }
    const int a = node * BlockSize;
    return firstEqual(values, a, std::min(m_count, a + BlockSize), target);
}

void CurveSummary::prefetch(const float* values, int i) const
{
#if defined(__GNUC__)
    if (i < 0 || i >= m_count)
        return;
    const float* block = values + (i / BlockSize) * BlockSize;
    for (int k = 0; k < BlockSize; k += 16)
        __builtin_prefetch(block + k);
    const int b = i / BlockSize;
    __builtin_prefetch(m_levels.first().nodes.constData() + b);
    __builtin_prefetch(m_levels.first().flags.constData() + b);
#else
    Q_UNUSED(values)
    Q_UNUSED(i)
#endif
}

// Without positions: node ranges folded in tight loops, climbing a level wherever the
// middle of the range is aligned to whole nodes of the level above. An empty node holds
// +inf / -inf, so it can be folded like any other.
CurveSummary::Extremes CurveSummary::fastExtremes(const float* values, int first, int end) const
{
    Extremes e;
    const auto takeSamples = [&](int a, int b) {
        if (a >= b)
            return;
        const Scan s = scan(values, a, b);
        e.min = std::min(e.min, s.min);
        e.max = std::max(e.max, s.max);
        e.anyValid |= s.anyValid;
        e.anyMissing |= s.anyMissing;
    };
    // A column without missing samples has every node valid and none missing: its flags
    // need not be read at all, which spares a paint one memory stream per column.
    quint8 flags = m_anyMissing ? 0 : HasValid;
    const auto takeRange = [&](int level, int a, int b) {
        const Level& l = m_levels[level];
        const Node* n = l.nodes.constData();
        float mn = e.min;
        float mx = e.max;
        for (int k = a; k < b; ++k) {
            mn = std::min(mn, n[k].min);
            mx = std::max(mx, n[k].max);
        }
        if (m_anyMissing) {
            const quint8* f = l.flags.constData();
            for (int k = a; k < b; ++k)
                flags |= f[k];
        }
        e.min = mn;
        e.max = mx;
    };
    const int firstFull = (first + BlockSize - 1) / BlockSize;
    const int endFull = end / BlockSize;
    if (m_levels.isEmpty() || firstFull >= endFull) {
        takeSamples(first, end);
        return e;
    }
    takeSamples(first, firstFull * BlockSize);
    takeSamples(endFull * BlockSize, end);
    int lo = firstFull;
    int hi = endFull;
    for (int level = 0;; ++level) {
        const int upLo = (lo + Fanout - 1) / Fanout;
        const int upHi = hi / Fanout;
        if (level + 1 >= m_levels.size() || upLo >= upHi) {
            takeRange(level, lo, hi);
            break;
        }
        takeRange(level, lo, upLo * Fanout);
        takeRange(level, upHi * Fanout, hi);
        lo = upLo;
        hi = upHi;
    }
    e.anyValid |= (flags & HasValid) != 0;
    e.anyMissing |= (flags & HasMissing) != 0;
    return e;
}

CurveSummary::Extremes CurveSummary::extremes(const float* values, int first, int last,
                                              bool positions) const
{
    Extremes e;
    first = std::max(first, 0);
    last = std::min(last, m_count - 1);
    if (first > last || !values)
        return e;
    if (!positions)
        return fastExtremes(values, first, last + 1);
    const int end = last + 1;
    const int firstFull = (first + BlockSize - 1) / BlockSize; // first whole block
    const int endFull = end / BlockSize;                       // one past the last whole block
    // Where each extreme was found: a node (level, node) or, for level -1, a sample range.
    int minLevel = -1, minNode = -1, maxLevel = -1, maxNode = -1;
    int minA = 0, minB = 0, maxA = 0, maxB = 0;
    const auto takeSamples = [&](int a, int b) {
        if (a >= b)
            return;
        const Scan s = scan(values, a, b);
        e.anyMissing |= s.anyMissing;
        if (!s.anyValid)
            return;
        e.anyValid = true;
        if (s.min < e.min) {
            e.min = s.min;
            minLevel = -1;
            minA = a;
            minB = b;
        }
        if (s.max > e.max) {
            e.max = s.max;
            maxLevel = -1;
            maxA = a;
            maxB = b;
        }
    };
    if (m_levels.isEmpty() || firstFull >= endFull) {
        takeSamples(first, end);
    } else {
        takeSamples(first, firstFull * BlockSize);
        takeNodes(0, firstFull, endFull, e, minLevel, minNode, maxLevel, maxNode);
        takeSamples(endFull * BlockSize, end);
    }
    if (positions && e.anyValid) {
        e.minIndex = minLevel < 0 ? firstEqual(values, minA, minB, e.min)
                                  : descend(values, minLevel, minNode, true);
        e.maxIndex = maxLevel < 0 ? firstEqual(values, maxA, maxB, e.max)
                                  : descend(values, maxLevel, maxNode, false);
    }
    return e;
}
