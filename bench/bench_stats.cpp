// Range statistics over 100,000,000 samples x 4 curves: the summaries' build against one
// plain pass over the columns, a range query of all curves against a brute-force scan of
// the same range, and the statistics table's refresh, all in the same run.
//   bench_stats [samples] [curves]
#include "rangestats.h"
#include "sortedtavdata.h"
#include "vytabstats.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

// Two overlapping blocks of one-second samples, with a missing value now and then.
void fill(SortedTavData& s, int samples, int curves)
{
    s.stamps.resize(samples);
    const int half = samples / 2;
    for (int i = 0; i < samples; ++i)
        s.stamps[i] = 1600000000 + (i < half ? i : i - half / 4);
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    s.values.resize(curves);
    for (int c = 0; c < curves; ++c) {
        s.names.append(QStringLiteral("变量%1").arg(c + 1));
        QVector<float>& col = s.values[c];
        col.resize(samples);
        float* v = col.data();
        for (int i = 0; i < samples; ++i)
            v[i] = (i % 100003 == 17) ? MissingValue
                                      : float(25.0 + 10.0 * std::sin(i * 1e-5 + c)) + noise(rng);
    }
    s.sampleCount = samples;
    s.status = 0;
}

// What a table refresh would cost without summaries: one pass over every sample.
double bruteForce(const SortedTavData& s, qint64 from, qint64 to)
{
    double total = 0;
    const qint64* t = s.stamps.constData();
    for (const QVector<float>& col : s.values) {
        const float* v = col.constData();
        double sum = 0, sum2 = 0, st = 0, stt = 0, stv = 0;
        float lo = 1e30f, hi = -1e30f;
        qint64 n = 0;
        for (int i = 0; i < s.stamps.size(); ++i) {
            if (t[i] < from || t[i] > to || RangeStats::isMissing(v[i]))
                continue;
            const double x = v[i];
            const double dt = double(t[i] - from);
            sum += x;
            sum2 += x * x;
            st += dt;
            stt += dt * dt;
            stv += dt * x;
            lo = std::min(lo, v[i]);
            hi = std::max(hi, v[i]);
            ++n;
        }
        total += sum + sum2 + st + stt + stv + lo + hi + double(n);
    }
    return total;
}

// One pass that only sums each column: the floor for anything that reads every sample.
double plainPass(const SortedTavData& s)
{
    double total = 0;
    for (const QVector<float>& col : s.values) {
        const float* v = col.constData();
        for (int i = 0; i < col.size(); ++i)
            total += v[i];
    }
    return total;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const int samples = argc > 1 ? std::atoi(argv[1]) : 100000000;
    const int curves = argc > 2 ? std::atoi(argv[2]) : 4;
    SortedTavData set;
    fill(set, samples, curves);
    std::printf("samples %d x curves %d\n", samples, curves);

    QElapsedTimer timer;
    timer.start();
    volatile double sink = plainPass(set);
    const double passMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    set.rangeStats.build(set.stamps, set.values);
    const double buildMs = timer.nsecsElapsed() / 1e6;
    std::printf("build: summaries %.1f ms, plain pass over the columns %.1f ms, ratio %.2f\n",
                buildMs, passMs, buildMs / passMs);
    // Everything the worker builds after a read: on a tree that builds the range statistics
    // apart from buildSummaries(), add the line above to this one.
    timer.restart();
    set.buildSummaries();
    const double afterReadMs = timer.nsecsElapsed() / 1e6;
    std::printf("buildSummaries(): %.1f ms, ratio to the plain pass %.2f\n", afterReadMs,
                afterReadMs / passMs);
    const double valueBytes = double(samples) * curves * sizeof(float);
    std::printf("memory: summaries %.1f MiB = 1/%.0f of the value columns (%.1f MiB)\n",
                set.rangeStats.memoryBytes() / 1048576.0,
                valueBytes / double(set.rangeStats.memoryBytes()), valueBytes / 1048576.0);

    const qint64 first = set.stamps.first();
    const qint64 span = set.stamps.last() - first;
    std::mt19937_64 rng(5);
    auto randomRange = [&] {
        qint64 a = first + qint64(rng() % quint64(span));
        qint64 b = first + qint64(rng() % quint64(span));
        return qMakePair(std::min(a, b), std::max(a, b));
    };

    // Queries of all curves, as one table refresh asks them.
    const int queries = 2000;
    timer.restart();
    for (int q = 0; q < queries; ++q) {
        const auto r = randomRange();
        for (int c = 0; c < curves; ++c)
            sink = sink + rangeSummary(set, c, r.first, r.second).mean;
    }
    const double queryMs = timer.nsecsElapsed() / 1e6 / queries;
    const int scans = 5;
    timer.restart();
    for (int q = 0; q < scans; ++q) {
        const auto r = randomRange();
        sink = sink + bruteForce(set, r.first, r.second);
    }
    const double scanMs = timer.nsecsElapsed() / 1e6 / scans;
    std::printf("query of %d curves: summaries %.4f ms, brute-force scan %.1f ms, ratio 1/%.0f\n",
                curves, queryMs, scanMs, scanMs / queryMs);

    // The table as the control page shows it, refreshed as a vernier moves.
    QList<CurveInfo> infos;
    for (int c = 0; c < curves; ++c) {
        CurveInfo info;
        info.ToDraw = true;
        info.CurveName = set.names.at(c);
        info.CurveColor = QStringLiteral("#1F77B4");
        infos.append(info);
    }
    VyTabStats table;
    table.resetRows(infos);
    const int refreshes = 500;
    timer.restart();
    for (int k = 0; k < refreshes; ++k) {
        const auto r = randomRange();
        table.showRange(set, infos, r.first, r.second);
    }
    const double refreshMs = timer.nsecsElapsed() / 1e6 / refreshes;
    std::printf("table refresh: %.4f ms, brute-force scan %.1f ms, ratio 1/%.0f\n", refreshMs,
                scanMs, scanMs / refreshMs);
    return sink == 12345.678 ? 1 : 0;
}
