#include "rangestats.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Index of the first of values[0, n) equal to target (which is among them).
int firstEqual(const float* values, int n, float target)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128 want = _mm_set1_ps(target);
    for (; i + 4 <= n; i += 4) {
        const int hit = _mm_movemask_ps(_mm_cmpeq_ps(_mm_loadu_ps(values + i), want));
        if (hit)
            return i + __builtin_ctz(unsigned(hit));
    }
#endif
    while (i + 1 < n && values[i] != target)
        ++i;
    return i;
}

// The leaf of samples lo .. lo+LeafSize-1 whose stamps do not decrease and whose values
// are all valid, from the sums of one scan of it (v points at sample lo): its stamp
// moments are shared by every column (times). The sums are taken about the first value, as
// in scanSamplesIn, so that the squares stay small.
void leafFromScan(const float* v, int lo, const LeafScan& scan, const RangeStats::LeafTimes& times,
                  Node& out)
{
    constexpr int n = RangeStats::LeafSize;
    constexpr int size = LeafScan::BlockSize;
    // The first block holding the extreme holds its first sample.
    int minB = 0;
    int maxB = 0;
    for (int b = 1; b < LeafScan::Blocks; ++b) {
        if (scan.blockMin[b] < scan.blockMin[minB])
            minB = b;
        if (scan.blockMax[b] > scan.blockMax[maxB])
            maxB = b;
    }
    const int minI = minB * size + firstEqual(v + minB * size, size, scan.blockMin[minB]);
    const int maxI = maxB * size + firstEqual(v + maxB * size, size, scan.blockMax[maxB]);
    const double k = v[0];
    const double sV = scan.sumD;
    const double sT = times.sum;
    out.n = n;
    // The samples' own values: of -0 and 0, the one a sample-by-sample scan would keep.
    out.minV = v[minI];
    out.maxV = v[maxI];
    out.minI = lo + minI;
    out.maxI = lo + maxI;
    out.firstI = lo;
    out.lastI = lo + n - 1;
    out.meanV = k + sV / n;
    out.meanT = double(times.first) + sT / n;
    out.m2V = std::max(0.0, scan.sumDD - sV * sV / n);
    out.m2T = std::max(0.0, times.sumSq - sT * sT / n);
    out.cTV = scan.sumTD - sT * sV / n;
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
    const int leaves = prepare(stamps, columns);
    if (leaves == 0)
        return;
    const qint64* t = stamps.constData();
    std::vector<double> dt(LeafSize);
    const LeafScan::Path path = LeafScan::bestPath();
    LeafScan scan;
    // Leaf by leaf across the columns, so that the stamps are read once.
    for (int k = 0; k < leaves; ++k) {
        const LeafTimes times = leafTimes(t, k, dt.data());
        for (int c = 0; c < columns.size(); ++c) {
            if (!summarises(c))
                continue;
            const float* v = columns.at(c).constData();
            scan.run(v + qint64(k) * LeafSize, dt.data(), path);
            buildLeaf(c, k, t, v, times, scan);
        }
    }
    for (int c = 0; c < columns.size(); ++c) {
        if (summarises(c))
            finishColumn(c, t);
    }
}

int RangeStats::prepare(const QVector<qint64>& stamps, const QVector<QVector<float>>& columns)
{
    const int n = stamps.size();
    const qint64* t = stamps.constData();
    QVector<int> starts;
    starts.append(0);
    for (int i = 1; i < n; ++i) {
        if (t[i] < t[i - 1])
            starts.append(i);
    }
    return prepare(stamps, columns, starts);
}

int RangeStats::prepare(const QVector<qint64>& stamps, const QVector<QVector<float>>& columns,
                        const QVector<int>& stretchStarts, bool allocate)
{
    clear();
    const int n = stamps.size();
    m_sampleCount = n;
    m_stretchStarts.assign(stretchStarts.cbegin(), stretchStarts.cend());
    if (m_stretchStarts.empty())
        m_stretchStarts.push_back(0);
    // Stamps that jump back everywhere make the binary searches cost more than a scan;
    // such data is only ever scanned, and needs no summaries at all.
    if (scanOnly(n)) {
        m_stretchStarts = std::vector<int>();
        return 0;
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
        return 0;
    m_nodesPerColumn = total;
    m_nodes.resize(size_t(columns.size()));
    if (allocate)
        allocateColumns(columns, 0, columns.size());
    return m_levelCount[0];
}

void RangeStats::allocateColumns(const QVector<QVector<float>>& columns, int from, int to,
                                 NodeArrays* spare)
{
    for (int c = from; c < to && size_t(c) < m_nodes.size(); ++c) {
        if (columns.at(c).size() != m_sampleCount) // never summarised; queries scan
            continue;
        std::vector<Node>* made =
            spare && size_t(c) < spare->size() ? &(*spare)[size_t(c)] : nullptr;
        if (made && made->size() == size_t(m_nodesPerColumn))
            m_nodes[size_t(c)].swap(*made);
        else
            m_nodes[size_t(c)].resize(size_t(m_nodesPerColumn));
    }
}

int RangeStats::nodesPerColumn(int n)
{
    int total = 0;
    for (int count = n / LeafSize; count > 0; count /= FanOut)
        total += count;
    return total;
}

RangeStats::LeafTimes RangeStats::leafTimes(const qint64* stamps, int leaf, double* dt)
{
    const qint64* t = stamps + qint64(leaf) * LeafSize;
    LeafTimes r;
    r.first = t[0];
#if defined(__SSE2__)
    {
        // Two samples at a time, in the lanes of the loop below, so that the sums are the
        // same to the bit. A delta in [0, 2^52) is converted exactly by writing it into the
        // mantissa of 2^52 and taking 2^52 away; `seen` gathers the bits of every delta to
        // tell whether they all were in range (a leaf whose stamps go back is not).
        const __m128i first = _mm_set1_epi64x(r.first);
        const __m128i exponent = _mm_set1_epi64x(0x4330000000000000);
        const __m128d twoTo52 = _mm_set1_pd(4503599627370496.0);
        __m128i seen = _mm_setzero_si128();
        __m128d sum = _mm_setzero_pd();
        __m128d sumSq = sum;
        for (int i = 0; i < LeafSize; i += 2) {
            const __m128i d =
                _mm_sub_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i)), first);
            seen = _mm_or_si128(seen, d);
            const __m128d x = _mm_sub_pd(_mm_castsi128_pd(_mm_or_si128(d, exponent)), twoTo52);
            _mm_storeu_pd(dt + i, x);
            sum = _mm_add_pd(sum, x);
            sumSq = _mm_add_pd(sumSq, _mm_mul_pd(x, x));
        }
        alignas(16) quint64 bits[2];
        _mm_store_si128(reinterpret_cast<__m128i*>(bits), seen);
        if (((bits[0] | bits[1]) >> 52) == 0) {
            alignas(16) double l[2];
            _mm_store_pd(l, sum);
            r.sum = l[0] + l[1];
            _mm_store_pd(l, sumSq);
            r.sumSq = l[0] + l[1];
            return r;
        }
    }
#endif
    double s0 = 0, s1 = 0, q0 = 0, q1 = 0;
    for (int i = 0; i < LeafSize; i += 2) {
        const double a = double(t[i] - r.first);
        const double b = double(t[i + 1] - r.first);
        dt[i] = a;
        dt[i + 1] = b;
        s0 += a;
        s1 += b;
        q0 += a * a;
        q1 += b * b;
    }
    r.sum = s0 + s1;
    r.sumSq = q0 + q1;
    return r;
}

void RangeStats::buildLeaf(int column, int leaf, const qint64* stamps, const float* values,
                           const LeafTimes& times, const LeafScan& scan)
{
    const int lo = leaf * LeafSize;
    const int hi = lo + LeafSize;
    // Forward when no stretch starts inside the leaf.
    const auto next = std::upper_bound(m_stretchStarts.begin(), m_stretchStarts.end(), lo);
    const bool forward = next == m_stretchStarts.end() || *next >= hi;
    Node& out = m_nodes[size_t(column)][size_t(leaf)];
    if (forward && scan.allClean())
        leafFromScan(values + lo, lo, scan, times, out);
    else
        out = scanSamples(stamps, values, lo, hi, forward);
}

void RangeStats::finishColumn(int column, const qint64* stamps)
{
    std::vector<Node>& nodes = m_nodes[size_t(column)];
    for (size_t level = 1; level < m_levelCount.size(); ++level) {
        const Node* below = nodes.data() + m_levelOffset[level - 1];
        Node* here = nodes.data() + m_levelOffset[level];
        for (int k = 0; k < m_levelCount[level]; ++k) {
            Node acc;
            for (int j = 0; j < FanOut; ++j)
                merge(stamps, acc, below[k * FanOut + j]);
            here[k] = acc;
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
