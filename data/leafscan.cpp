#include "leafscan.h"

#include "missingvalue.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define OSTREL_WIDE_SCAN 1
#endif

namespace {

constexpr float Inf = std::numeric_limits<float>::infinity();
constexpr float Limit = MissingLimit;

// A block is clean when its extremes lie inside the limits and the running sums are still
// finite: a NaN sample makes its partial sum NaN for good (while min/max may skip it), and
// an infinite one shows in the extremes. Once the sums are spoilt, every later block of the
// leaf counts as unclean too; that only sends it to the careful scan.
bool clean(float mn, float mx, bool sumsFinite)
{
    return sumsFinite && mn > -Limit && mx < Limit;
}

#if defined(__SSE2__)

// The next leaf a block at a time: the processor's own prefetch stops at the page boundary
// a leaf of a column ends on.
void prefetchBlock(const float* block)
{
    const char* p = reinterpret_cast<const char*>(block);
    for (int line = 0; line < LeafScan::BlockSize * int(sizeof(float)); line += 64)
        _mm_prefetch(p + line, _MM_HINT_T0);
}

// Lanes folded as the pyramid's own block scan folds them, so that a block gives the
// same node whichever code built it.
float lanesMin(__m128 m)
{
    alignas(16) float l[4];
    _mm_store_ps(l, m);
    return std::min(std::min(l[0], l[1]), std::min(l[2], l[3]));
}

float lanesMax(__m128 m)
{
    alignas(16) float l[4];
    _mm_store_ps(l, m);
    return std::max(std::max(l[0], l[1]), std::max(l[2], l[3]));
}

bool finite(__m128d a)
{
    const __m128d z = _mm_sub_pd(a, a); // 0 when finite, NaN otherwise
    return _mm_movemask_pd(_mm_cmpeq_pd(z, z)) == 3;
}

double lanesSum(__m128d a0, __m128d a1)
{
    alignas(16) double l[2];
    _mm_store_pd(l, _mm_add_pd(a0, a1));
    return l[0] + l[1];
}

void runPortable(const float* v, const double* dt, const float* next, LeafScan& s)
{
    const __m128d k = _mm_set1_pd(double(v[0]));
    // a0 holds partials 0 and 1, a1 partials 2 and 3; the same for q (d * d), c (dt * d).
    __m128d a0 = _mm_setzero_pd(), a1 = a0, q0 = a0, q1 = a0, c0 = a0, c1 = a0;
    quint32 cleanBlocks = 0;
    for (int b = 0; b < LeafScan::Blocks; ++b) {
        const float* x = v + b * LeafScan::BlockSize;
        const double* t = dt + b * LeafScan::BlockSize;
        if (next)
            prefetchBlock(next + b * LeafScan::BlockSize);
        __m128 mn = _mm_set1_ps(Inf);
        __m128 mx = _mm_set1_ps(-Inf);
        for (int i = 0; i < LeafScan::BlockSize; i += 4) {
            const __m128 f = _mm_loadu_ps(x + i);
            mn = _mm_min_ps(mn, f);
            mx = _mm_max_ps(mx, f);
            const __m128d d0 = _mm_sub_pd(_mm_cvtps_pd(f), k);
            const __m128d d1 = _mm_sub_pd(_mm_cvtps_pd(_mm_movehl_ps(f, f)), k);
            a0 = _mm_add_pd(a0, d0);
            a1 = _mm_add_pd(a1, d1);
            q0 = _mm_add_pd(q0, _mm_mul_pd(d0, d0));
            q1 = _mm_add_pd(q1, _mm_mul_pd(d1, d1));
            c0 = _mm_add_pd(c0, _mm_mul_pd(_mm_loadu_pd(t + i), d0));
            c1 = _mm_add_pd(c1, _mm_mul_pd(_mm_loadu_pd(t + i + 2), d1));
        }
        s.blockMin[b] = lanesMin(mn);
        s.blockMax[b] = lanesMax(mx);
        if (clean(s.blockMin[b], s.blockMax[b], finite(a0) && finite(a1)))
            cleanBlocks |= quint32(1) << b;
    }
    s.cleanBlocks = cleanBlocks;
    s.sumD = lanesSum(a0, a1);
    s.sumDD = lanesSum(q0, q1);
    s.sumTD = lanesSum(c0, c1);
}

#else

void runPortable(const float* v, const double* dt, const float*, LeafScan& s)
{
    const double k = v[0];
    double a[4] = {}, q[4] = {}, c[4] = {};
    float mn[4], mx[4];
    quint32 cleanBlocks = 0;
    for (int b = 0; b < LeafScan::Blocks; ++b) {
        std::fill(mn, mn + 4, Inf);
        std::fill(mx, mx + 4, -Inf);
        for (int i = b * LeafScan::BlockSize; i < (b + 1) * LeafScan::BlockSize; ++i) {
            const int p = i & 3;
            // As the vector minimum and maximum: the new sample wins a tie.
            mn[p] = mn[p] < v[i] ? mn[p] : v[i];
            mx[p] = mx[p] > v[i] ? mx[p] : v[i];
            const double d = double(v[i]) - k;
            a[p] += d;
            q[p] += d * d;
            c[p] += dt[i] * d;
        }
        s.blockMin[b] = std::min(std::min(mn[0], mn[1]), std::min(mn[2], mn[3]));
        s.blockMax[b] = std::max(std::max(mx[0], mx[1]), std::max(mx[2], mx[3]));
        bool sumsFinite = true;
        for (const double x : a)
            sumsFinite = sumsFinite && x - x == 0.0;
        if (clean(s.blockMin[b], s.blockMax[b], sumsFinite))
            cleanBlocks |= quint32(1) << b;
    }
    s.cleanBlocks = cleanBlocks;
    s.sumD = (a[0] + a[2]) + (a[1] + a[3]);
    s.sumDD = (q[0] + q[2]) + (q[1] + q[3]);
    s.sumTD = (c[0] + c[2]) + (c[1] + c[3]);
}

#endif

#if defined(OSTREL_WIDE_SCAN)

__attribute__((target("avx"))) double wideSum(__m256d lo, __m256d hi)
{
    const __m256d a = _mm256_add_pd(lo, hi);
    alignas(16) double l[2];
    _mm_store_pd(l, _mm_add_pd(_mm256_castpd256_pd128(a), _mm256_extractf128_pd(a, 1)));
    return l[0] + l[1];
}

// Eight partial sums, four per register, so that the additions of one register do not wait
// for each other; products folded in with fused multiply-adds.
__attribute__((target("avx,fma"))) void runWide(const float* v, const double* dt, const float* next,
                                                LeafScan& s)
{
    const __m256d k = _mm256_set1_pd(double(v[0]));
    __m256d a0 = _mm256_setzero_pd(), a1 = a0, q0 = a0, q1 = a0, c0 = a0, c1 = a0;
    quint32 cleanBlocks = 0;
    for (int b = 0; b < LeafScan::Blocks; ++b) {
        const float* x = v + b * LeafScan::BlockSize;
        const double* t = dt + b * LeafScan::BlockSize;
        if (next)
            prefetchBlock(next + b * LeafScan::BlockSize);
        __m256 mn8 = _mm256_set1_ps(Inf);
        __m256 mx8 = _mm256_set1_ps(-Inf);
#pragma GCC unroll 2 // fully unrolled, the block spills accumulators to the stack
        for (int i = 0; i < LeafScan::BlockSize; i += 8) {
            const __m256 f = _mm256_loadu_ps(x + i);
            mn8 = _mm256_min_ps(mn8, f);
            mx8 = _mm256_max_ps(mx8, f);
            // The halves loaded again: a load from cache costs less than a shuffle.
            const __m128 f0 = _mm_loadu_ps(x + i);
            const __m128 f1 = _mm_loadu_ps(x + i + 4);
            const __m256d d0 = _mm256_sub_pd(_mm256_cvtps_pd(f0), k);
            const __m256d d1 = _mm256_sub_pd(_mm256_cvtps_pd(f1), k);
            a0 = _mm256_add_pd(a0, d0);
            a1 = _mm256_add_pd(a1, d1);
            q0 = _mm256_fmadd_pd(d0, d0, q0);
            q1 = _mm256_fmadd_pd(d1, d1, q1);
            c0 = _mm256_fmadd_pd(_mm256_loadu_pd(t + i), d0, c0);
            c1 = _mm256_fmadd_pd(_mm256_loadu_pd(t + i + 4), d1, c1);
        }
        const __m128 mn = _mm_min_ps(_mm256_castps256_ps128(mn8), _mm256_extractf128_ps(mn8, 1));
        const __m128 mx = _mm_max_ps(_mm256_castps256_ps128(mx8), _mm256_extractf128_ps(mx8, 1));
        alignas(16) float l[4];
        _mm_store_ps(l, mn);
        s.blockMin[b] = std::min(std::min(l[0], l[1]), std::min(l[2], l[3]));
        _mm_store_ps(l, mx);
        s.blockMax[b] = std::max(std::max(l[0], l[1]), std::max(l[2], l[3]));
        const __m256d sum = _mm256_add_pd(a0, a1);
        const __m256d z = _mm256_sub_pd(sum, sum);
        const bool sumsFinite = _mm256_movemask_pd(_mm256_cmp_pd(z, z, _CMP_EQ_OQ)) == 0xF;
        if (clean(s.blockMin[b], s.blockMax[b], sumsFinite))
            cleanBlocks |= quint32(1) << b;
    }
    s.cleanBlocks = cleanBlocks;
    s.sumD = wideSum(a0, a1);
    s.sumDD = wideSum(q0, q1);
    s.sumTD = wideSum(c0, c1);
}

#endif

} // namespace

bool LeafScan::wideAvailable()
{
#if defined(OSTREL_WIDE_SCAN)
    static const bool available = __builtin_cpu_supports("avx") && __builtin_cpu_supports("fma");
    return available;
#else
    return false;
#endif
}

LeafScan::Path LeafScan::bestPath()
{
    static const Path path =
        wideAvailable() && !std::getenv("OSTREL_PORTABLE_SCAN") ? Path::Wide : Path::Portable;
    return path;
}

void LeafScan::run(const float* v, const double* dt, Path path, const float* next)
{
#if defined(OSTREL_WIDE_SCAN)
    if (path == Path::Wide && wideAvailable()) {
        runWide(v, dt, next, *this);
        return;
    }
#else
    Q_UNUSED(path)
#endif
    runPortable(v, dt, next, *this);
}
