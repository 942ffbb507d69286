// A recording that grows piece by piece: after every piece, the summaries extended by
// SummaryBuilder::append must answer exactly as those a whole build makes over the same
// samples. The range statistics combine their nodes in a fixed order, so even their
// moments must agree to the bit.
#include "summarybuilder.h"
#include "tavdatamodel.h"
#include "tavloader.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Equal to the bit: tells -0 from 0, which a different order of min() can swap.
template <typename T> bool same(T a, T b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

QVector<qint64> makeStamps(const QString& kind, int count, QRandomGenerator& rng)
{
    QVector<qint64> t(count);
    qint64 now = 1700000000;
    for (int i = 0; i < count; ++i) {
        t[i] = now;
        qint64 step = 10;
        if (kind == "irregular") {
            step = rng.bounded(4) == 0 ? 7 + rng.bounded(7) : 10;
        } else if (kind == "pauses") {
            // Every 60 s, with gaps on both sides of the pause rule, beyond the bridge only,
            // and beside shorter and zero intervals, so that the interval after a gap often
            // decides it.
            const qint64 steps[] = {0, 30, 61, 100, 150, 3600};
            const quint32 pick = rng.bounded(12);
            step = pick < 6 ? steps[pick] : 60;
        } else if (kind == "back") {
            if (rng.bounded(4000) == 0)
                step = -20000 - rng.bounded(5000);
        } else if (kind == "back often, then calm") {
            // So often that queries scan, until the calm samples outnumber the stretches.
            if (i < 5000 && i % 20 == 19)
                step = -300;
        } else if (kind == "equal") {
            step = i < 5 || rng.bounded(3) == 0 ? 0 : 10;
        }
        now += step;
    }
    return t;
}

// A slow wave with noise on a coarse grid (ties), some exact zeros of either sign, and
// missing marks of every kind, alone and in runs long enough to cover whole blocks.
QVector<float> makeColumn(int count, double missing, QRandomGenerator& rng)
{
    const float marks[] = {MissingValue, std::numeric_limits<float>::quiet_NaN(), 999.0f, -1000.0f};
    QVector<float> v(count);
    for (int i = 0; i < count; ++i) {
        const double x = 25.0 + 40.0 * std::sin(i / 3000.0) + rng.generateDouble() * 4.0;
        v[i] = float(std::round(x * 4) / 4);
        if (rng.bounded(20) == 0)
            v[i] = rng.bounded(2) ? 0.0f : -0.0f;
        if (rng.generateDouble() < missing)
            v[i] = marks[rng.bounded(4)];
    }
    if (missing > 0) {
        for (int r = 0; r < count / 5000; ++r) {
            const int a = int(rng.bounded(quint32(count)));
            const int length = 100 + int(rng.bounded(2000));
            std::fill(v.begin() + a, v.begin() + std::min(count, a + length), marks[r % 4]);
        }
    }
    return v;
}

int pieceSize(QRandomGenerator& rng, int maxPiece)
{
    const quint32 pick = rng.bounded(10);
    if (pick < 3)
        return 1;
    if (pick < 6)
        return 1 + int(rng.bounded(quint32(std::min(maxPiece, 100))));
    return 1 + int(rng.bounded(quint32(maxPiece)));
}

// The model a read leaves: runs of equal spacing and a whole build, over the same columns
// (shared, not copied).
void buildWhole(TavDataModel& whole, const TavDataModel& grown)
{
    whole.stamps = grown.stamps;
    whole.values = grown.values;
    whole.sampleCount = grown.sampleCount;
    for (const TavLoader::Span& span : TavLoader::equalSpacingRuns(whole.stamps)) {
        whole.spanIntervals.append(span.interval);
        whole.spanIndexes.append(qMakePair(span.first, span.last));
    }
    SummaryBuilder::build(whole);
}

void compareTimeLine(const TavDataModel& got, const TavDataModel& want)
{
    QCOMPARE(got.spanIndexes, want.spanIndexes);
    QCOMPARE(got.spanIntervals, want.spanIntervals);
    const TimeBreaks& a = got.timeBreaks;
    const TimeBreaks& b = want.timeBreaks;
    QCOMPARE(a.count(), b.count());
    int gap = 0;
    while (gap + 1 < b.count() && a.joined(gap) == b.joined(gap))
        ++gap;
    QVERIFY2(gap + 1 >= b.count(), qPrintable(QString("gap %1").arg(gap)));
    QCOMPARE(a.stretchStarts(), b.stretchStarts());
    QCOMPARE(a.earliest(), b.earliest());
    QCOMPARE(a.latest(), b.latest());
    QCOMPARE(got.rangeStats.stretchCount(), want.rangeStats.stretchCount());
    QCOMPARE(got.rangeStats.leafCount(), want.rangeStats.leafCount());
}

void compareExtremes(const CurveSummary::Extremes& a, const CurveSummary::Extremes& b,
                     const QString& what)
{
    if (same(a.min, b.min) && same(a.max, b.max) && a.minIndex == b.minIndex &&
        a.maxIndex == b.maxIndex && a.anyValid == b.anyValid && a.anyMissing == b.anyMissing)
        return;
    QFAIL(qPrintable(what + QString(": %1 %2 [%3 %4] vs %5 %6 [%7 %8]")
                                .arg(a.min)
                                .arg(a.max)
                                .arg(a.minIndex)
                                .arg(a.maxIndex)
                                .arg(b.min)
                                .arg(b.max)
                                .arg(b.minIndex)
                                .arg(b.maxIndex)));
}

void compareCurve(const TavDataModel& got, const TavDataModel& want, int c, QRandomGenerator& rng)
{
    const CurveSummary* a = got.summaryOf(c);
    const CurveSummary* b = want.summaryOf(c);
    QVERIFY(a != nullptr && b != nullptr);
    QCOMPARE(a->blockCount(), b->blockCount());
    for (int k = 0; k < b->blockCount(); ++k) {
        compareExtremes(a->block(k), b->block(k), QStringLiteral("block"));
        if (QTest::currentTestFailed())
            return;
    }
    const float* v = want.values.at(c).constData();
    const int n = want.values.at(c).size();
    QVector<QPair<int, int>> ranges = {{0, n - 1}, {n - 100, n - 1}, {n / 2, n - 1}};
    // Every node of the upper levels alone: a range that covers just one node is answered
    // from it.
    for (qint64 size = CurveSummary::BlockSize * CurveSummary::Fanout; size < 8 * n;
         size *= CurveSummary::Fanout) {
        for (qint64 u = 0; u * size < n; ++u)
            ranges.append({int(u * size), int(std::min<qint64>(n, (u + 1) * size) - 1)});
    }
    for (int k = 0; k < 12; ++k) {
        int i = int(rng.bounded(quint32(n)));
        int j = int(rng.bounded(quint32(n)));
        ranges.append({std::min(i, j), std::max(i, j)});
    }
    for (const auto& r : ranges) {
        for (const bool positions : {false, true}) {
            if (QTest::currentTestFailed())
                return;
            compareExtremes(a->extremes(v, r.first, r.second, positions),
                            b->extremes(v, r.first, r.second, positions),
                            QString("samples %1 .. %2").arg(r.first).arg(r.second));
        }
    }
}

void compareStats(const TavDataModel& got, const TavDataModel& want, int c, QRandomGenerator& rng)
{
    const qint64 lo = want.timeBreaks.earliest();
    const qint64 hi = want.timeBreaks.latest();
    QVector<QPair<qint64, qint64>> ranges = {{lo, hi}, {hi - 20000, hi}, {hi, hi}};
    for (int k = 0; k < 10; ++k) {
        qint64 a = lo - 5 + qint64(rng.bounded(quint32(hi - lo + 11)));
        qint64 b = lo - 5 + qint64(rng.bounded(quint32(hi - lo + 11)));
        ranges.append({std::min(a, b), std::max(a, b)});
    }
    for (const auto& r : ranges) {
        const RangeSummary x = rangeSummary(got, c, r.first, r.second);
        const RangeSummary y = rangeSummary(want, c, r.first, r.second);
        if (x.count == y.count && same(x.min, y.min) && x.minStamp == y.minStamp &&
            same(x.max, y.max) && x.maxStamp == y.maxStamp && same(x.mean, y.mean) &&
            same(x.stdDev, y.stdDev) && same(x.first, y.first) && same(x.last, y.last) &&
            x.hasRate == y.hasRate && same(x.ratePerMinute, y.ratePerMinute))
            continue;
        QFAIL(qPrintable(QString("stamps %1 .. %2: count %3 vs %4, mean %5 vs %6, rate %7 vs %8")
                             .arg(r.first)
                             .arg(r.second)
                             .arg(x.count)
                             .arg(y.count)
                             .arg(x.mean, 0, 'g', 17)
                             .arg(y.mean, 0, 'g', 17)
                             .arg(x.ratePerMinute, 0, 'g', 17)
                             .arg(y.ratePerMinute, 0, 'g', 17)));
    }
}

} // namespace

class TestSummaryAppend : public QObject
{
    Q_OBJECT

private slots:
    void piecesAgainstWhole_data();
    void piecesAgainstWhole();
};

void TestSummaryAppend::piecesAgainstWhole_data()
{
    QTest::addColumn<QString>("stamps");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("columns");
    QTest::addColumn<double>("missing");
    QTest::addColumn<int>("maxPiece");
    QTest::addColumn<int>("firstPiece"); // 0: as random as the others
    constexpr int Leaf = RangeStats::LeafSize;
    constexpr int ThreeLevels = Leaf * RangeStats::FanOut * RangeStats::FanOut;
    QTest::newRow("regular") << "regular" << 70000 << 2 << 0.0 << 3000 << 0;
    QTest::newRow("irregular spacing") << "irregular" << 70000 << 1 << 0.0 << 3000 << 0;
    QTest::newRow("pauses") << "pauses" << 40000 << 2 << 0.05 << 300 << 0;
    QTest::newRow("stamps going back") << "back" << 70000 << 2 << 0.1 << 4000 << 0;
    QTest::newRow("stamps going back often, then calm")
        << "back often, then calm" << 70000 << 1 << 0.0 << 4000 << 0;
    QTest::newRow("equal stamps") << "equal" << 30000 << 1 << 0.02 << 2000 << 0;
    QTest::newRow("missing values") << "regular" << 70000 << 3 << 0.3 << 3000 << 0;
    QTest::newRow("five samples one by one") << "irregular" << 5 << 2 << 0.2 << 1 << 0;
    QTest::newRow("less than a leaf") << "equal" << 700 << 2 << 0.1 << 60 << 0;
    QTest::newRow("two leaves one by one") << "irregular" << 2 * Leaf + 40 << 1 << 0.1 << 1 << 0;
    QTest::newRow("third level of leaves")
        << "regular" << ThreeLevels + 3000 << 1 << 0.01 << 1000 << ThreeLevels - 2500;
}

void TestSummaryAppend::piecesAgainstWhole()
{
    QFETCH(QString, stamps);
    QFETCH(int, count);
    QFETCH(int, columns);
    QFETCH(double, missing);
    QFETCH(int, maxPiece);
    QFETCH(int, firstPiece);
    QRandomGenerator rng(quint32(qHash(QTest::currentDataTag())));
    const QVector<qint64> allStamps = makeStamps(stamps, count, rng);
    QVector<QVector<float>> allValues;
    for (int c = 0; c < columns; ++c)
        allValues.append(makeColumn(count, missing, rng));

    TavDataModel grown;
    grown.values.resize(columns);
    int pieces = 0;
    while (grown.stamps.size() < count) {
        const int old = grown.stamps.size();
        int piece = std::min(count - old,
                             pieces == 0 && firstPiece > 0 ? firstPiece : pieceSize(rng, maxPiece));
        // A recorder writes a block at a time, so the stamps often go back right where a
        // piece ends: half of the pieces that hold such a step end beside it.
        int back = old + 1;
        while (back < old + piece && allStamps[back] >= allStamps[back - 1])
            ++back;
        if (back < old + piece && rng.bounded(2))
            piece = std::max(1, back - old - 1 + int(rng.bounded(3)));
        grown.stamps.append(allStamps.mid(old, piece));
        for (int c = 0; c < columns; ++c)
            grown.values[c].append(allValues[c].mid(old, piece));
        grown.sampleCount = grown.stamps.size();
        // The extension only reads the columns: one held elsewhere stays shared.
        const QVector<float> held = grown.values.at(0);
        SummaryBuilder::append(grown, old);
        QVERIFY(grown.values.at(0).constData() == held.constData());
        ++pieces;

        TavDataModel whole;
        buildWhole(whole, grown);
        compareTimeLine(grown, whole);
        for (int c = 0; c < columns && !QTest::currentTestFailed(); ++c) {
            compareCurve(grown, whole, c, rng);
            if (!QTest::currentTestFailed())
                compareStats(grown, whole, c, rng);
        }
        if (QTest::currentTestFailed()) {
            qWarning("after piece %d (%d samples, %d before)", pieces, grown.stamps.size(), old);
            return;
        }
    }
}

QTEST_GUILESS_MAIN(TestSummaryAppend)
#include "tst_summaryappend.moc"
