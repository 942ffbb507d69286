#include "rangestats.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using Node = RangeStats::Node;

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
        acc.merge(t, Node::scan(t, v, i, j, false));
        i = j;
    }
    return acc;
}

} // namespace

void RangeStats::clear()
{
    m_sampleCount = 0;
    m_stretchStarts = std::vector<int>();
    m_levelCount.clear();
    m_nodes = std::vector<Levels>();
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
    // Stamps that jump back everywhere make the binary searches cost more than a scan;
    // such data is only ever scanned, and needs no summaries at all.
    if (scanOnly(n, size_t(std::max(1, stretchStarts.size()))))
        return 0;
    m_stretchStarts.assign(stretchStarts.cbegin(), stretchStarts.cend());
    if (m_stretchStarts.empty())
        m_stretchStarts.push_back(0);

    // Under one leaf of samples a scan is as quick, and a file of many variables with few
    // samples would spend more on empty node arrays than on its values.
    m_levelCount = levelCounts(n);
    if (m_levelCount.empty())
        return 0;
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
        Levels& levels = m_nodes[size_t(c)];
        levels.resize(m_levelCount.size());
        std::vector<Node>* made =
            spare && size_t(c) < spare->size() ? &(*spare)[size_t(c)] : nullptr;
        if (made && made->size() == size_t(m_levelCount[0]))
            levels[0].swap(*made);
        else
            levels[0].resize(size_t(m_levelCount[0]));
        for (size_t level = 1; level < levels.size(); ++level)
            levels[level].resize(size_t(m_levelCount[level]));
    }
}

std::vector<int> RangeStats::levelCounts(int n)
{
    std::vector<int> counts;
    for (int count = leavesFor(n); count > 0; count /= FanOut)
        counts.push_back(count);
    return counts;
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
    Node& out = m_nodes[size_t(column)][0][size_t(leaf)];
    if (forward && scan.allClean())
        out = Node::fromLeafScan(values + lo, lo, scan, times);
    else
        out = Node::scan(stamps, values, lo, hi, forward);
}

void RangeStats::finishColumn(int column, const qint64* stamps, int firstLeaf)
{
    Levels& levels = m_nodes[size_t(column)];
    int first = firstLeaf; // first node of the level below that is new
    for (size_t level = 1; level < m_levelCount.size(); ++level) {
        first /= FanOut;
        const Node* below = levels[level - 1].data();
        Node* here = levels[level].data();
        for (int k = first; k < m_levelCount[level]; ++k) {
            Node acc;
            for (int j = 0; j < FanOut; ++j)
                acc.merge(stamps, below[k * FanOut + j]);
            here[k] = acc;
        }
    }
}

int RangeStats::prepareAppend(const QVector<qint64>& stamps, const QVector<QVector<float>>& columns,
                              const QVector<int>& stretchStarts)
{
    const int n = stamps.size();
    if (n < m_sampleCount || stretchStarts.size() < int(m_stretchStarts.size()))
        return -1;
    const bool scanned = scanOnly(n, size_t(std::max(1, stretchStarts.size())));
    std::vector<int> counts = scanned ? std::vector<int>() : levelCounts(n);
    // The columns summarised must be those prepare() would pick now; the nodes of a column
    // that joins would take every sample again.
    const int columnCount = std::max(columns.size(), int(m_nodes.size()));
    for (int c = 0; c < columnCount; ++c) {
        const bool wanted = !counts.empty() && c < columns.size() && columns.at(c).size() == n;
        if (wanted != summarises(c))
            return -1;
    }
    m_sampleCount = n;
    if (scanned) {
        m_stretchStarts = std::vector<int>();
    } else if (m_stretchStarts.empty()) { // from scanned only, or nothing yet
        m_stretchStarts.assign(stretchStarts.cbegin(), stretchStarts.cend());
        if (m_stretchStarts.empty())
            m_stretchStarts.push_back(0);
    } else {
        // Stretches only ever start after the samples already taken.
        m_stretchStarts.insert(m_stretchStarts.end(),
                               stretchStarts.cbegin() + int(m_stretchStarts.size()),
                               stretchStarts.cend());
    }
    const int firstLeaf = leafCount();
    if (counts.empty()) {
        m_levelCount.clear();
        m_nodes = std::vector<Levels>();
        return firstLeaf;
    }
    m_nodes.resize(size_t(columns.size()));
    for (Levels& levels : m_nodes) {
        if (levels.empty())
            continue;
        // Vectors grow by doubling: their occasional copy costs O(1) a node.
        levels.resize(counts.size());
        for (size_t level = 0; level < counts.size(); ++level)
            levels[level].resize(size_t(counts[level]));
    }
    m_levelCount.swap(counts);
    return firstLeaf;
}

bool RangeStats::scanOnly(int n, size_t stretches)
{
    return stretches > size_t(n / 256 + 16);
}

qint64 RangeStats::memoryBytes() const
{
    qint64 bytes = qint64(m_stretchStarts.capacity()) * qint64(sizeof(int));
    for (const Levels& levels : m_nodes) {
        for (const std::vector<Node>& nodes : levels)
            bytes += qint64(nodes.capacity()) * qint64(sizeof(Node));
    }
    return bytes;
}

void RangeStats::addNodes(const qint64* t, const Levels& levels, int level, int i, int j,
                          Node& acc) const
{
    if (size_t(level) + 1 < m_levelCount.size()) {
        const int a = (i + FanOut - 1) / FanOut * FanOut;
        const int b = j / FanOut * FanOut;
        if (a < b) {
            addNodes(t, levels, level, i, a, acc);
            addNodes(t, levels, level + 1, a / FanOut, b / FanOut, acc);
            addNodes(t, levels, level, b, j, acc);
            return;
        }
    }
    const Node* base = levels[size_t(level)].data();
    for (int k = i; k < j; ++k)
        acc.merge(t, base[k]);
}

void RangeStats::addRange(const qint64* t, const float* v, int lo, int hi, const Levels* levels,
                          Node& acc) const
{
    const int a = (lo + LeafSize - 1) / LeafSize * LeafSize;
    const int b = hi / LeafSize * LeafSize;
    if (levels == nullptr || a >= b) {
        acc.merge(t, Node::scan(t, v, lo, hi, true));
        return;
    }
    acc.merge(t, Node::scan(t, v, lo, a, true));
    addNodes(t, *levels, 0, a / LeafSize, b / LeafSize, acc);
    acc.merge(t, Node::scan(t, v, b, hi, true));
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

    const Levels* levels = m_nodes[size_t(variable)].empty() ? nullptr : &m_nodes[size_t(variable)];
    Node acc;
    for (size_t s = 0; s < m_stretchStarts.size(); ++s) {
        const int begin = m_stretchStarts[s];
        const int end = s + 1 < m_stretchStarts.size() ? m_stretchStarts[s + 1] : n;
        const int lo = int(std::lower_bound(t + begin, t + end, from) - t);
        const int hi = int(std::upper_bound(t + lo, t + end, to) - t);
        if (lo < hi)
            addRange(t, v, lo, hi, levels, acc);
    }
    return toSummary(t, v, acc);
}
