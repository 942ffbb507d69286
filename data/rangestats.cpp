#include "rangestats.h"

#include "sortedtavdata.h"

#include <algorithm>
#include <cmath>

namespace {

using Node = RangeStats::Node;

// (stamp, index) order: earlier stamp first, then lower index.
bool before(const qint64* t, int a, int b)
{
    return t[a] < t[b] || (t[a] == t[b] && a < b);
}

// Folds b into a (either may be empty).
void merge(const qint64* t, Node& a, const Node& b)
{
    if (b.n == 0)
        return;
    if (a.n == 0) {
        a = b;
        return;
    }
    const double na = a.n;
    const double nb = b.n;
    const double n = na + nb;
    const double dv = b.meanV - a.meanV;
    const double dt = b.meanT - a.meanT;
    const double w = na * nb / n;
    a.meanV += dv * (nb / n);
    a.meanT += dt * (nb / n);
    a.m2V += b.m2V + dv * dv * w;
    a.m2T += b.m2T + dt * dt * w;
    a.cTV += b.cTV + dt * dv * w;
    a.n += b.n;
    if (b.minV < a.minV || (b.minV == a.minV && before(t, b.minI, a.minI))) {
        a.minV = b.minV;
        a.minI = b.minI;
    }
    if (b.maxV > a.maxV || (b.maxV == a.maxV && before(t, b.maxI, a.maxI))) {
        a.maxV = b.maxV;
        a.maxI = b.maxI;
    }
    if (before(t, b.firstI, a.firstI))
        a.firstI = b.firstI;
    if (before(t, a.lastI, b.lastI))
        a.lastI = b.lastI;
}

// Moments of the valid samples lo..hi-1, summed about the first valid value and the
// first stamp so that the squares stay small, then centred. Forward: the stamps do not
// decrease within lo..hi, so the earliest sample of equal values is simply the first one
// met, and the first and last samples are the first and last valid ones.
template <bool Forward> Node scanSamplesIn(const qint64* t, const float* v, int lo, int hi)
{
    Node r;
    int i = lo;
    while (i < hi && RangeStats::isMissing(v[i]))
        ++i;
    if (i >= hi)
        return r;
    const float kv = v[i];
    const qint64 kt = t[i];
    double sV = 0, sVV = 0, sT = 0, sTT = 0, sTV = 0;
    int n = 0;
    float mn = kv, mx = kv;
    int mnI = i, mxI = i, firstI = i, lastI = i;
    for (; i < hi; ++i) {
        const float x = v[i];
        if (RangeStats::isMissing(x))
            continue;
        const double dv = double(x) - double(kv);
        const double dt = double(t[i] - kt);
        sV += dv;
        sVV += dv * dv;
        sT += dt;
        sTT += dt * dt;
        sTV += dt * dv;
        ++n;
        if (Forward) {
            if (x < mn) {
                mn = x;
                mnI = i;
            }
            if (x > mx) {
                mx = x;
                mxI = i;
            }
            lastI = i;
        } else {
            if (x < mn || (x == mn && t[i] < t[mnI])) {
                mn = x;
                mnI = i;
            }
            if (x > mx || (x == mx && t[i] < t[mxI])) {
                mx = x;
                mxI = i;
            }
            if (t[i] < t[firstI])
                firstI = i;
            if (t[i] >= t[lastI])
                lastI = i;
        }
    }
    r.n = n;
    r.minV = mn;
    r.maxV = mx;
    r.minI = mnI;
    r.maxI = mxI;
    r.firstI = firstI;
    r.lastI = lastI;
    r.meanV = double(kv) + sV / n;
    r.meanT = double(kt) + sT / n;
    r.m2V = std::max(0.0, sVV - sV * sV / n);
    r.m2T = std::max(0.0, sTT - sT * sT / n);
    r.cTV = sTV - sT * sV / n;
    return r;
}

Node scanSamples(const qint64* t, const float* v, int lo, int hi, bool forward)
{
    return forward ? scanSamplesIn<true>(t, v, lo, hi) : scanSamplesIn<false>(t, v, lo, hi);
}

RangeSummary toSummary(const qint64* t, const float* v, const Node& acc)
{
    RangeSummary s;
    s.count = acc.n;
    if (acc.n == 0)
        return s;
    s.min = acc.minV;
    s.minStamp = t[acc.minI];
    s.max = acc.maxV;
    s.maxStamp = t[acc.maxI];
    s.mean = acc.meanV;
    s.stdDev = std::sqrt(std::max(0.0, acc.m2V / acc.n));
    s.first = v[acc.firstI];
    s.last = v[acc.lastI];
    s.hasRate = acc.m2T > 0.0;
    if (s.hasRate)
        s.ratePerMinute = acc.cTV / acc.m2T * 60.0;
    return s;
}

// Every sample whose stamp lies in the range, wherever it sits; for data whose stamps
// jump back so often that the stretch table would cost more than it saves.
Node scanFiltered(const qint64* t, const float* v, int n, qint64 from, qint64 to)
{
    Node acc;
    int i = 0;
    while (i < n) {
        while (i < n && (t[i] < from || t[i] > to))
            ++i;
        int j = i;
        while (j < n && t[j] >= from && t[j] <= to)
            ++j;
        merge(t, acc, scanSamples(t, v, i, j, false));
        i = j;
    }
    return acc;
}

} // namespace

void RangeStats::clear()
{
    m_sampleCount = 0;
    m_stretchStarts = std::vector<int>();
    m_levelOffset.clear();
    m_levelCount.clear();
    m_nodes = std::vector<std::vector<Node>>();
}

void RangeStats::build(const QVector<qint64>& stamps, const QVector<QVector<float>>& columns)
{
    clear();
    const int n = stamps.size();
    m_sampleCount = n;
    const qint64* t = stamps.constData();
    m_stretchStarts.push_back(0);
    for (int i = 1; i < n; ++i) {
        if (t[i] < t[i - 1])
            m_stretchStarts.push_back(i);
    }
    // Stamps that jump back everywhere make the binary searches cost more than a scan;
    // such data is only ever scanned, and needs no summaries at all.
    if (scanOnly(n)) {
        m_stretchStarts = std::vector<int>();
        return;
    }

    int count = n / LeafSize;
    int total = 0;
    while (count > 0) {
        m_levelOffset.push_back(total);
        m_levelCount.push_back(count);
        total += count;
        count /= FanOut;
    }
    // Under one leaf of samples a scan is as quick, and a file of many variables with few
    // samples would spend more on empty node arrays than on its values.
    if (total == 0)
        return;
    m_nodes.resize(size_t(columns.size()));
    for (int c = 0; c < columns.size(); ++c) {
        const QVector<float>& column = columns.at(c);
        if (column.size() != n)
            continue; // never summarised; queries scan
        std::vector<Node>& nodes = m_nodes[size_t(c)];
        nodes.resize(size_t(total));
        const float* v = column.constData();
        size_t next = 1; // the first stretch start not yet passed
        for (int k = 0; k < m_levelCount[0]; ++k) {
            const int lo = k * LeafSize;
            const int hi = lo + LeafSize;
            while (next < m_stretchStarts.size() && m_stretchStarts[next] <= lo)
                ++next;
            const bool forward = next >= m_stretchStarts.size() || m_stretchStarts[next] >= hi;
            nodes[size_t(k)] = scanSamples(t, v, lo, hi, forward);
        }
        for (size_t level = 1; level < m_levelCount.size(); ++level) {
            const Node* below = nodes.data() + m_levelOffset[level - 1];
            Node* here = nodes.data() + m_levelOffset[level];
            for (int k = 0; k < m_levelCount[level]; ++k) {
                Node acc;
                for (int j = 0; j < FanOut; ++j)
                    merge(t, acc, below[k * FanOut + j]);
                here[k] = acc;
            }
        }
    }
}

bool RangeStats::scanOnly(int n) const
{
    return m_stretchStarts.size() > size_t(n / 256 + 16);
}

qint64 RangeStats::memoryBytes() const
{
    qint64 bytes = qint64(m_stretchStarts.capacity()) * qint64(sizeof(int));
    for (const std::vector<Node>& nodes : m_nodes)
        bytes += qint64(nodes.capacity()) * qint64(sizeof(Node));
    return bytes;
}

void RangeStats::addNodes(const qint64* t, const Node* nodes, int level, int i, int j,
                          Node& acc) const
{
    if (size_t(level) + 1 < m_levelCount.size()) {
        const int a = (i + FanOut - 1) / FanOut * FanOut;
        const int b = j / FanOut * FanOut;
        if (a < b) {
            addNodes(t, nodes, level, i, a, acc);
            addNodes(t, nodes, level + 1, a / FanOut, b / FanOut, acc);
            addNodes(t, nodes, level, b, j, acc);
            return;
        }
    }
    const Node* base = nodes + m_levelOffset[size_t(level)];
    for (int k = i; k < j; ++k)
        merge(t, acc, base[k]);
}

void RangeStats::addRange(const qint64* t, const float* v, int lo, int hi, const Node* nodes,
                          Node& acc) const
{
    const int a = (lo + LeafSize - 1) / LeafSize * LeafSize;
    const int b = hi / LeafSize * LeafSize;
    if (nodes == nullptr || a >= b) {
        merge(t, acc, scanSamples(t, v, lo, hi, true));
        return;
    }
    merge(t, acc, scanSamples(t, v, lo, a, true));
    addNodes(t, nodes, 0, a / LeafSize, b / LeafSize, acc);
    merge(t, acc, scanSamples(t, v, b, hi, true));
}

RangeSummary RangeStats::summarize(const QVector<qint64>& stamps, const QVector<float>& column,
                                   int variable, qint64 from, qint64 to) const
{
    const int n = stamps.size();
    const qint64* t = stamps.constData();
    const float* v = column.constData();
    if (from > to || n == 0 || column.size() != n)
        return RangeSummary();
    const bool built = n == m_sampleCount && variable >= 0 && size_t(variable) < m_nodes.size();
    if (!built || m_stretchStarts.empty())
        return toSummary(t, v, scanFiltered(t, v, n, from, to));

    const Node* nodes =
        m_nodes[size_t(variable)].empty() ? nullptr : m_nodes[size_t(variable)].data();
    Node acc;
    for (size_t s = 0; s < m_stretchStarts.size(); ++s) {
        const int begin = m_stretchStarts[s];
        const int end = s + 1 < m_stretchStarts.size() ? m_stretchStarts[s + 1] : n;
        const int lo = int(std::lower_bound(t + begin, t + end, from) - t);
        const int hi = int(std::upper_bound(t + lo, t + end, to) - t);
        if (lo < hi)
            addRange(t, v, lo, hi, nodes, acc);
    }
    return toSummary(t, v, acc);
}

RangeSummary rangeSummary(const SortedTavData& set, int variable, qint64 from, qint64 to)
{
    if (variable < 0 || variable >= set.values.size())
        return RangeSummary();
    return set.rangeStats.summarize(set.stamps, set.values.at(variable), variable, from, to);
}
