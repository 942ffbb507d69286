// Every place that tells a missing sample from a value: the shared rule, the pyramid's
// vectorised block scan, the leaf scan on each of its paths and the range statistics must
// agree on the values at the edge.
#include "curvesummary.h"
#include "leafscan.h"
#include "missingvalue.h"
#include "rangestats.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <vector>

class TestMissingValue : public QObject
{
    Q_OBJECT
private slots:
    void edges_data();
    void edges();
};

void TestMissingValue::edges_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<bool>("missing");
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("0") << 0.0f << false;
    QTest::newRow("just below 999") << std::nextafter(999.0f, 0.0f) << false;
    QTest::newRow("just above -999") << std::nextafter(-999.0f, 0.0f) << false;
    QTest::newRow("999") << 999.0f << true;
    QTest::newRow("-999") << -999.0f << true;
    QTest::newRow("-999.9") << -999.9f << true;
    QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN() << true;
    QTest::newRow("inf") << inf << true;
    QTest::newRow("-inf") << -inf << true;
}

void TestMissingValue::edges()
{
    QFETCH(float, value);
    QFETCH(bool, missing);
    QCOMPARE(isMissingValue(value), missing);
    QCOMPARE(isValidValue(value), !missing);
    QCOMPARE(CurveSummary::isValid(value), !missing);
    QCOMPARE(RangeStats::isMissing(value), missing);
    QCOMPARE(isMissingValue(MissingValue), true);

    // One odd sample among ones, inside a block of the pyramid and of the leaf.
    const int n = 2 * LeafScan::Samples;
    const int at = 70;
    std::vector<float> v(size_t(n), 1.0f);
    v[size_t(at)] = value;

    CurveSummary summary;
    summary.build(v.data(), n);
    for (const auto& range : {qMakePair(0, n - 1), qMakePair(at - 20, at + 20)}) {
        const CurveSummary::Extremes e = summary.extremes(v.data(), range.first, range.second);
        QCOMPARE(e.anyMissing, missing);
        QVERIFY(e.anyValid);
        QCOMPARE(e.min, missing ? 1.0f : std::min(1.0f, value));
        QCOMPARE(e.max, missing ? 1.0f : std::max(1.0f, value));
    }

    std::vector<double> dt(size_t(LeafScan::Samples), 0.0);
    for (const LeafScan::Path path : {LeafScan::Path::Portable, LeafScan::Path::Wide}) {
        if (path == LeafScan::Path::Wide && !LeafScan::wideAvailable())
            continue;
        LeafScan scan;
        scan.run(v.data(), dt.data(), path);
        const int block = at / LeafScan::BlockSize;
        QCOMPARE(bool(scan.cleanBlocks & (quint32(1) << block)), !missing);
    }

    QVector<qint64> stamps(n);
    for (int i = 0; i < n; ++i)
        stamps[i] = i;
    const QVector<QVector<float>> columns = {QVector<float>(v.begin(), v.end())};
    RangeStats stats;
    stats.build(stamps, columns);
    for (const auto& range : {qMakePair(0, n - 1), qMakePair(at - 20, at + 20)}) {
        const RangeSummary s = stats.summarize(stamps, columns.at(0), 0, range.first, range.second);
        QCOMPARE(s.count, qint64(range.second - range.first + 1 - (missing ? 1 : 0)));
        QCOMPARE(s.max, missing ? 1.0f : std::max(1.0f, value));
    }
}

QTEST_GUILESS_MAIN(TestMissingValue)
#include "tst_missingvalue.moc"
