#include "rangenode.h"

#include "missingvalue.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// (stamp, index) order: earlier stamp first, then lower index.
bool before(const qint64* t, int a, int b)
{
    return t[a] < t[b] || (t[a] == t[b] && a < b);
}

// Moments of the valid samples lo..hi-1, summed about the first valid value and the
// first stamp so that the squares stay small, then centred. Forward: the stamps do not
// decrease within lo..hi, so the earliest sample of equal values is simply the first one
// met, and the first and last samples are the first and last valid ones.
template <bool Forward> RangeNode scanSamplesIn(const qint64* t, const float* v, int lo, int hi)
{
    RangeNode r;
    int i = lo;
    while (i < hi && isMissingValue(v[i]))
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
        if (isMissingValue(x))
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

} // namespace

void RangeNode::merge(const qint64* t, const RangeNode& b)
{
    RangeNode& a = *this;
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

RangeNode RangeNode::scan(const qint64* t, const float* v, int lo, int hi, bool forward)
{
    return forward ? scanSamplesIn<true>(t, v, lo, hi) : scanSamplesIn<false>(t, v, lo, hi);
}

// The stamp moments are shared by every column (times). The sums are taken about the first
// value, as in scanSamplesIn, so that the squares stay small.
RangeNode RangeNode::fromLeafScan(const float* v, int lo, const LeafScan& scan,
                                  const LeafTimes& times)
{
    constexpr int n = LeafScan::Samples;
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
    RangeNode out;
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
    return out;
}
