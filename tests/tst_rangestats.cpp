#include "curvesummary.h"
#include "rangestats.h"
#include "sortedtavdata.h"
#include "summaryprealloc.h"
#include "tavwriter.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

// Stamp order of a recording: forward stretches, each starting some way back.
struct Recording
{
    QVector<qint64> stamps;
    QVector<QVector<float>> columns;
};

// The figures straight from the definitions, in long double, one pass per figure.
RangeSummary bruteForce(const QVector<qint64>& t, const QVector<float>& v, qint64 from, qint64 to)
{
    RangeSummary s;
    QVector<int> in;
    for (int i = 0; i < t.size(); ++i) {
        const float x = v[i];
        if (t[i] >= from && t[i] <= to && !std::isnan(x) && std::fabs(x) < 999.0f)
            in.append(i);
    }
    s.count = in.size();
    if (in.isEmpty())
        return s;
    int minI = in[0], maxI = in[0], firstI = in[0], lastI = in[0];
    long double sumV = 0, sumT = 0;
    for (int i : in) {
        if (v[i] < v[minI] || (v[i] == v[minI] && t[i] < t[minI]))
            minI = i;
        if (v[i] > v[maxI] || (v[i] == v[maxI] && t[i] < t[maxI]))
            maxI = i;
        if (t[i] < t[firstI])
            firstI = i;
        if (t[i] >= t[lastI])
            lastI = i;
        sumV += v[i];
        sumT += t[i];
    }
    const long double meanV = sumV / in.size();
    const long double meanT = sumT / in.size();
    long double m2V = 0, m2T = 0, cTV = 0;
    for (int i : in) {
        const long double dv = v[i] - meanV;
        const long double dt = t[i] - meanT;
        m2V += dv * dv;
        m2T += dt * dt;
        cTV += dt * dv;
    }
    s.min = v[minI];
    s.minStamp = t[minI];
    s.max = v[maxI];
    s.maxStamp = t[maxI];
    s.first = v[firstI];
    s.last = v[lastI];
    s.mean = double(meanV);
    s.stdDev = double(std::sqrt(m2V / in.size()));
    s.hasRate = m2T > 0;
    s.ratePerMinute = s.hasRate ? double(cTV / m2T * 60) : 0.0;
    return s;
}

// stretches forward runs of the given length; each after the first starts `back` seconds
// before the previous one ended. Values: a slow wave plus noise, rounded to `step` when
// step > 0 (ties), with the given share of missing marks (half -999.9, some NaN, some 999).
Recording makeRecording(quint32 seed, int stretches, int length, int back, double missing,
                        float step)
{
    QRandomGenerator rng(seed);
    Recording r;
    qint64 t = 1700000000;
    for (int s = 0; s < stretches; ++s) {
        if (s > 0)
            t -= back;
        for (int i = 0; i < length; ++i) {
            r.stamps.append(t);
            // Mostly 10 s apart, sometimes repeated, sometimes a gap.
            const quint32 pick = rng.bounded(20);
            t += pick == 0 ? 0 : pick == 1 ? 3600 : 10;
        }
    }
    const int n = r.stamps.size();
    for (int c = 0; c < 2; ++c) {
        QVector<float> column(n);
        for (int i = 0; i < n; ++i) {
            double x = 25.0 + 40.0 * std::sin(i / 5000.0 + c) + rng.generateDouble() * 4.0;
            if (step > 0)
                x = std::round(x / step) * step;
            column[i] = float(x);
            if (rng.generateDouble() < missing) {
                const quint32 kind = rng.bounded(4);
                column[i] = kind == 0   ? std::numeric_limits<float>::quiet_NaN()
                            : kind == 1 ? 999.0f
                                        : MissingValue;
            }
        }
        r.columns.append(column);
    }
    return r;
}

// seconds: the time the range spans, which scales the rate's rounding error.
void compareSummaries(const RangeSummary& got, const RangeSummary& want, const QString& what,
                      double seconds)
{
    QVERIFY2(got.count == want.count,
             qPrintable(what + QString(" count %1 vs %2").arg(got.count).arg(want.count)));
    if (want.count == 0)
        return;
    QCOMPARE(got.min, want.min);
    QCOMPARE(got.minStamp, want.minStamp);
    QCOMPARE(got.max, want.max);
    QCOMPARE(got.maxStamp, want.maxStamp);
    QCOMPARE(got.first, want.first);
    QCOMPARE(got.last, want.last);
    QCOMPARE(got.hasRate, want.hasRate);
    // Sums in double against long double: equal to rounding, scaled by the value range.
    const double span = std::max(1.0, double(want.max) - double(want.min));
    const std::tuple<const char*, double, double, double> figures[] = {
        {" mean", got.mean, want.mean, 100 * span},
        {" std", got.stdDev, want.stdDev, 100 * span},
        {" rate", got.ratePerMinute, want.ratePerMinute, 100 * 60 * span / std::max(1.0, seconds)}};
    for (const auto& [name, a, b, scale] : figures)
        QVERIFY2(
            std::fabs(a - b) <= 1e-9 * scale + 1e-9 * std::fabs(b),
            qPrintable(what + name + QString(" %1 vs %2").arg(a, 0, 'g', 17).arg(b, 0, 'g', 17)));
}

} // namespace

class TestRangeStats : public QObject
{
    Q_OBJECT

private slots:
    void againstBruteForce_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("stretches");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("back");
        QTest::addColumn<double>("missing");
        QTest::addColumn<float>("step");
        QTest::addColumn<bool>("scanned"); // stamps jump back too often for summaries
        // Summary memory made ahead during the read (SummaryPrealloc): 0 none, 1 for the
        // samples read, 2 for more samples than were read (taken in part), 3 offered twice
        // (two blocks: dropped).
        QTest::addColumn<int>("ahead");
        QTest::newRow("shorter than a leaf") << 1u << 1 << 700 << 0 << 0.1 << 0.0f << false << 0;
        QTest::newRow("many leaves, no missing")
            << 2u << 1 << 150000 << 0 << 0.0 << 0.0f << false << 0;
        QTest::newRow("many leaves, missing")
            << 3u << 1 << 150000 << 0 << 0.3 << 0.0f << false << 0;
        QTest::newRow("ties on a coarse grid")
            << 4u << 1 << 80000 << 0 << 0.05 << 5.0f << false << 0;
        QTest::newRow("ties, no missing") << 11u << 1 << 80000 << 0 << 0.0 << 5.0f << false << 0;
        QTest::newRow("overlapping blocks")
            << 5u << 3 << 60000 << 200000 << 0.1 << 0.5f << false << 0;
        QTest::newRow("blocks that restart")
            << 6u << 4 << 3000 << 10000000 << 0.1 << 1.0f << false << 0;
        QTest::newRow("mostly missing") << 7u << 2 << 40000 << 5000 << 0.995 << 0.0f << false << 0;
        QTest::newRow("all missing") << 8u << 1 << 5000 << 0 << 1.0 << 0.0f << false << 0;
        QTest::newRow("stamps back every 20 samples")
            << 10u << 2000 << 20 << 300 << 0.1 << 0.5f << true << 0;
        QTest::newRow("made ahead for more samples than read")
            << 12u << 1 << 300000 << 0 << 0.1 << 0.5f << false << 2;
        QTest::newRow("made ahead twice")
            << 13u << 2 << 140000 << 1000 << 0.1 << 0.5f << false << 3;
        QTest::newRow("three levels")
            << 9u << 1 << (LeafLevels3) << 0 << 0.01 << 0.25f << false << 1;
    }

    void againstBruteForce()
    {
        QFETCH(quint32, seed);
        QFETCH(int, stretches);
        QFETCH(int, length);
        QFETCH(int, back);
        QFETCH(double, missing);
        QFETCH(float, step);
        QFETCH(bool, scanned);
        QFETCH(int, ahead);
        const Recording r = makeRecording(seed, stretches, length, back, missing, step);
        RangeStats stats;
        stats.build(r.stamps, r.columns);
        QCOMPARE(stats.stretchCount(), scanned ? 0 : stretches);
        // The same summaries built the way a read builds them: together with the min/max
        // pyramids, the columns split between two threads.
        SortedTavData set;
        set.stamps = r.stamps;
        set.values = r.columns;
        SummaryPrealloc spare;
        const int samples = r.stamps.size();
        if (ahead)
            spare.offer(ahead == 2 ? samples + 5000 : samples, r.columns.size());
        if (ahead == 3)
            spare.offer(samples, r.columns.size());
        set.buildSummaries(ahead ? &spare : nullptr);
        if (ahead)
            QCOMPARE(!spare.statsNodes.empty() && spare.statsNodes[0].empty(), ahead != 3);
        QCOMPARE(set.rangeStats.stretchCount(), stats.stretchCount());
        for (int c = 0; c < r.columns.size(); ++c) {
            CurveSummary alone;
            alone.build(r.columns[c].constData(), r.columns[c].size());
            const CurveSummary* joint = set.summaryOf(c);
            QVERIFY(joint != nullptr);
            QCOMPARE(joint->blockCount(), alone.blockCount());
            const float* v = r.columns[c].constData();
            const int n = r.columns[c].size();
            for (const auto& ix : {qMakePair(0, n - 1), qMakePair(n / 3, n / 2),
                                   qMakePair(n - 700, n - 1), qMakePair(5, 70000)}) {
                const int last = std::min(ix.second, n - 1);
                const CurveSummary::Extremes a = joint->extremes(v, ix.first, last, true);
                const CurveSummary::Extremes b = alone.extremes(v, ix.first, last, true);
                QCOMPARE(a.anyValid, b.anyValid);
                QCOMPARE(a.anyMissing, b.anyMissing);
                if (b.anyValid) {
                    QCOMPARE(a.min, b.min);
                    QCOMPARE(a.max, b.max);
                    QCOMPARE(a.minIndex, b.minIndex);
                    QCOMPARE(a.maxIndex, b.maxIndex);
                }
            }
        }
        // The summaries stay well below the value columns they summarise.
        QVERIFY(stats.memoryBytes() * 16 <=
                qint64(r.stamps.size()) * qint64(sizeof(float)) * r.columns.size());

        const auto range = std::minmax_element(r.stamps.cbegin(), r.stamps.cend());
        const qint64 lo = *range.first;
        const qint64 hi = *range.second;
        QRandomGenerator rng(seed * 7 + 1);
        QVector<QPair<qint64, qint64>> queries = {
            {lo, hi},                           // everything
            {lo - 100, hi + 100},               // beyond both ends
            {hi + 1, hi + 1000},                // after the data: empty
            {lo + 50, lo + 20},                 // reversed: empty
            {r.stamps[1] + 1, r.stamps[1] + 1}, // between samples or on a gap
        };
        for (int k = 0; k < 6; ++k) {
            const int i = int(rng.bounded(r.stamps.size()));
            queries.append({r.stamps[i], r.stamps[i]}); // one stamp (one or a few samples)
        }
        for (int k = 0; k < 25; ++k) {
            qint64 a = lo + qint64(rng.bounded(quint32(hi - lo + 1)));
            qint64 b = lo + qint64(rng.bounded(quint32(hi - lo + 1)));
            if (a > b)
                std::swap(a, b);
            queries.append({a, b});
        }
        for (const auto& q : queries) {
            for (int c = 0; c < r.columns.size(); ++c) {
                const QString what =
                    QString("column %1 [%2, %3]").arg(c).arg(q.first).arg(q.second);
                const RangeSummary want = bruteForce(r.stamps, r.columns[c], q.first, q.second);
                const double span = double(std::min(q.second, hi) - std::max(q.first, lo));
                compareSummaries(stats.summarize(r.stamps, r.columns[c], c, q.first, q.second),
                                 want, what, span);
                compareSummaries(rangeSummary(set, c, q.first, q.second), want,
                                 what + " (after a read)", span);
                if (QTest::currentTestFailed())
                    return;
            }
        }
    }

    // The data set builds the summaries at the end of a read and drops them on clear.
    void builtByReadAndCleared()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("two.tavdata");
        TavWriter w;
        QVector<quint32> stampsA, stampsB;
        QVector<QVector<qint32>> rowsA, rowsB;
        for (int i = 0; i < 3000; ++i) {
            stampsA.append(quint32(1000 + 10 * i));
            rowsA.append(QVector<qint32>{qint32(i % 97)});
            stampsB.append(quint32(5000 + 10 * i)); // overlaps the first block
            rowsB.append(QVector<qint32>{qint32(-(i % 89))});
        }
        w.historyBlock(4, {"温度"}, {10}, stampsA, rowsA);
        w.historyBlock(4, {"温度"}, {10}, stampsB, rowsB);
        QVERIFY(w.save(file));

        SortedTavData set;
        QCOMPARE(set.readTavData(file), 0);
        QCOMPARE(set.rangeStats.stretchCount(), 2);
        QVERIFY(set.rangeStats.memoryBytes() > 0);
        for (const auto& q : {qMakePair<qint64, qint64>(0, 100000), {4000, 9000}, {6000, 6000}})
            compareSummaries(rangeSummary(set, 0, q.first, q.second),
                             bruteForce(set.stamps, set.values[0], q.first, q.second), "read",
                             double(q.second - q.first));
        set.clear();
        QCOMPARE(set.rangeStats.memoryBytes(), qint64(0));
        QCOMPARE(rangeSummary(set, 0, 0, 100000).count, qint64(0));
    }

private:
    static constexpr int LeafLevels3 =
        RangeStats::LeafSize * RangeStats::FanOut * RangeStats::FanOut + 12345;
};

QTEST_GUILESS_MAIN(TestRangeStats)
#include "tst_rangestats.moc"
