#include "curveaggregator.h"

#include <algorithm>

namespace CurveAggregator {

void columns(const qint64* stamps, int first, int last, const TimeMapping& tm,
             const TimeBreaks& breaks, QVector<Column>& out)
{
    if (first > last)
        return;
    const int begin = out.size();
    const auto xAt = [&](int k) { return tm.curveX(stamps[k]); };
    // Most columns hold about as many samples as the one before: guess that, and gallop
    // from the guess. A bisection from scratch would touch a score of far-apart stamps
    // per column, each a cache miss on a long recording.
    int guess = std::max(1, (last - first + 1) / std::max(1, xAt(last) - xAt(first) + 1));
    int i = first;
    while (i <= last) {
        const int x = xAt(i);
        int lo = i;        // known on column x
        int hi = last + 1; // known right of it
        const int g = int(std::min<qint64>(last, qint64(i) + guess - 1));
        if (g > i && xAt(g) > x) {
            hi = g;
            for (qint64 step = 1;; step *= 2) {
                const qint64 probe = hi - step;
                if (probe <= i)
                    break;
                if (xAt(int(probe)) <= x) {
                    lo = int(probe);
                    break;
                }
                hi = int(probe);
            }
        } else {
            lo = g;
            for (qint64 step = 1;; step *= 2) {
                const qint64 probe = lo + step;
                if (probe > last)
                    break;
                if (xAt(int(probe)) > x) {
                    hi = int(probe);
                    break;
                }
                lo = int(probe);
            }
        }
        while (hi - lo > 1) {
            const int mid = lo + (hi - lo) / 2;
            if (xAt(mid) > x)
                hi = mid;
            else
                lo = mid;
        }
        out.append({x, i, lo, false});
        guess = lo - i + 1;
        i = lo + 1;
    }
    for (int k = begin; k < out.size(); ++k)
        out[k].broken = breaks.anyBreak(out[k].first, out[k].last);
}

namespace {

// Builds the marks of one curve, sample ranges fed in index order.
class Builder
{
public:
    Builder(const float* values, const TimeBreaks& breaks, QVector<Mark>& out)
        : v(values), tb(breaks), marks(out)
    {
    }
    ~Builder()
    {
        if (open)
            marks.append(cur);
    }

    // Samples a..b, all valid and joined in time to each other, on column x.
    void add(int x, int a, int b, float mn, float mx)
    {
        const bool joins = lastAdded == a - 1 && a > 0 && tb.joined(a - 1);
        if (open && joins && cur.x == x) {
            cur.min = std::min(cur.min, mn);
            cur.max = std::max(cur.max, mx);
            cur.last = v[b];
            cur.lastIndex = b;
        } else {
            if (open)
                marks.append(cur);
            cur = Mark{x, a, b, v[a], mn, mx, v[b], joins};
            open = true;
        }
        lastAdded = b;
    }

    // Samples a..b of column x, read one by one.
    void scan(int x, int a, int b, bool broken)
    {
        float mn = v[a];
        float mx = v[a];
        bool clean = !broken;
        for (int k = a; k <= b && clean; ++k) {
            const float s = v[k];
            clean = CurveSummary::isValid(s);
            mn = std::min(mn, s);
            mx = std::max(mx, s);
        }
        if (clean) {
            add(x, a, b, mn, mx);
            return;
        }
        for (int k = a; k <= b; ++k) {
            const float s = v[k];
            if (CurveSummary::isValid(s))
                add(x, k, k, s, s);
        }
    }

    // Samples a..b of column x, whole blocks answered by the summary where they are clean.
    void walk(int x, int a, int b, const CurveSummary& summary, bool broken)
    {
        constexpr int B = CurveSummary::BlockSize;
        if (!broken) {
            const CurveSummary::Extremes e = summary.extremes(v, a, b);
            if (!e.anyValid)
                return;
            if (!e.anyMissing) {
                add(x, a, b, e.min, e.max);
                return;
            }
        }
        int i = a;
        while (i <= b) {
            const int blk = i / B;
            const int blockEnd = std::min(blk * B + B - 1, summary.count() - 1);
            const int stop = std::min(b, blockEnd);
            if (i == blk * B && blockEnd <= b) {
                const CurveSummary::Extremes e = summary.block(blk);
                if (!e.anyValid) {
                    i = blockEnd + 1;
                    continue;
                }
                if (!e.anyMissing && !tb.anyBreak(i, blockEnd)) {
                    add(x, i, blockEnd, e.min, e.max);
                    i = blockEnd + 1;
                    continue;
                }
            }
            scan(x, i, stop, tb.anyBreak(i, stop));
            i = stop + 1;
        }
    }

private:
    const float* v;
    const TimeBreaks& tb;
    QVector<Mark>& marks;
    Mark cur{};
    bool open = false;
    int lastAdded = -2;
};

} // namespace

void aggregate(const float* values, const CurveSummary* summary, const TimeBreaks& breaks,
               const Column* cols, int count, QVector<Mark>& out)
{
    Builder builder(values, breaks, out);
    constexpr int Ahead = 6; // columns whose boundary blocks are fetched ahead of use
    for (int k = 0; k < count; ++k) {
        const Column& c = cols[k];
        if (summary && k + Ahead < count &&
            cols[k + Ahead].last - cols[k + Ahead].first >= 2 * CurveSummary::BlockSize)
            summary->prefetch(values, cols[k + Ahead].first);
        if (summary && c.last - c.first >= 2 * CurveSummary::BlockSize)
            builder.walk(c.x, c.first, c.last, *summary, c.broken);
        else
            builder.scan(c.x, c.first, c.last, c.broken);
    }
}

int sampleAtOrBefore(const qint64* stamps, const TimeBreaks& breaks, qint64 t)
{
    int best = -1;
    const QVector<int>& starts = breaks.stretchStarts();
    for (int s = 0; s < starts.size(); ++s) {
        const int a = starts[s];
        const int b = breaks.stretchEnd(s);
        if (stamps[a] > t)
            continue;
        const int j = int(std::upper_bound(stamps + a, stamps + b + 1, t) - stamps) - 1;
        if (best < 0 || stamps[j] >= stamps[best])
            best = j;
    }
    return best;
}

float readingAt(const float* values, const qint64* stamps, const TimeBreaks& breaks, int j,
                qint64 t)
{
    if (j < 0 || j >= breaks.count() || !CurveSummary::isValid(values[j]))
        return NoReading;
    if (stamps[j] == t)
        return values[j];
    if (j + 1 < breaks.count() && breaks.joined(j) && CurveSummary::isValid(values[j + 1]))
        return values[j];
    return NoReading;
}

} // namespace CurveAggregator
