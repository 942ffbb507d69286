#include "curvethinner.h"

#include <cmath>

namespace CurveThinner {

int findSampleIndex(const QVector<qint64>& stamps, qint64 t, int lo, int hi)
{
    if (stamps[lo] >= t)
        return lo;
    if (t >= stamps[hi])
        return hi;
    while (lo + 1 < hi) {
        const int mid = lo + (hi - lo) / 2;
        const qint64 s = stamps[mid];
        if (t < s)
            hi = mid;
        else if (t == s)
            return mid;
        else
            lo = mid;
    }
    return lo;
}

int visibleFirst(const QVector<qint64>& stamps, const QList<QPair<qint64, qint64>>& spanStamps,
                 const QList<QPair<int, int>>& spanIndexes, qint64 stampStart)
{
    if (stamps.isEmpty())
        return -1;
    if (stampStart < stamps.first())
        return 0;
    if (spanStamps.isEmpty())
        return -1;
    if (stampStart < spanStamps.first().first)
        return spanIndexes.first().first;
    for (int i = 0; i < spanStamps.size(); ++i) {
        const auto& s = spanStamps[i];
        if (s.first <= stampStart && stampStart <= s.second)
            return findSampleIndex(stamps, stampStart, spanIndexes[i].first, spanIndexes[i].second);
        if (i + 1 < spanStamps.size() && stampStart > s.second &&
            stampStart <= spanStamps[i + 1].first)
            return spanIndexes[i + 1].first;
    }
    return -1;
}

int visibleLast(const QVector<qint64>& stamps, const QList<QPair<qint64, qint64>>& spanStamps,
                const QList<QPair<int, int>>& spanIndexes, int sampleCount, qint64 stampEnd)
{
    if (stamps.isEmpty())
        return -1;
    if (stamps.last() < stampEnd)
        return sampleCount - 1;
    if (spanStamps.isEmpty())
        return -1;
    if (spanStamps.last().second < stampEnd)
        return spanIndexes.last().second;
    for (int i = spanStamps.size() - 1; i >= 0; --i) {
        const auto& s = spanStamps[i];
        if (s.first <= stampEnd && stampEnd <= s.second)
            return findSampleIndex(stamps, stampEnd, spanIndexes[i].first, spanIndexes[i].second);
        if (i > 0 && spanStamps[i - 1].second <= stampEnd && stampEnd <= s.first)
            return spanIndexes[i - 1].second;
    }
    return -1;
}

int thin(int lo, int hi, qint64 interval, float secPerPixel, int* out, int capacity)
{
    if (lo > hi || interval <= 0 || capacity <= 0)
        return 0;
    // A zero-width or unmappable range: one sample would cover everything, so step 1 is
    // only right while a sample is wider than a pixel; a NaN or infinite ratio is not.
    if (!std::isfinite(secPerPixel))
        return 0;
    int n = 0;
    if (float(interval) > secPerPixel) {
        for (int m = lo; m <= hi && n < capacity; ++m)
            out[n++] = m;
        return n;
    }
    const float step = secPerPixel / float(interval);
    for (int k = 0;; ++k) {
        const float f = float(lo) + float(k) * step;
        if (f >= float(hi) + 1.0f || n >= capacity)
            break;
        out[n++] = int(f);
    }
    return n;
}

} // namespace CurveThinner
