#include "curvethinner.h"
#include "plotmapping.h"

#include <QtTest>

#include <limits>

class TestDrawerMath : public QObject
{
    Q_OBJECT
private slots:
    void timeMapping_data();
    void timeMapping();
    void valueMapping_data();
    void valueMapping();
    void thinning_data();
    void thinning();
};

void TestDrawerMath::timeMapping_data()
{
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("end");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("t");
    QTest::addColumn<int>("curveX");
    QTest::addColumn<int>("markerX");
    QTest::addColumn<int>("x");
    QTest::addColumn<qint64>("timeAtX");

    QTest::newRow("5 px per second") << qint64(0) << qint64(100) << 50 << 550 << true << qint64(20)
                                     << 150 << 150 << 153 << qint64(20);
    // 3 s over 500 px: t = 1 lies at 166.67 px from the left edge; the curve point adds
    // the edge before truncating (216), the marker after (50 + 166).
    QTest::newRow("fraction truncated") << qint64(0) << qint64(3) << 50 << 550 << true << qint64(1)
                                        << 216 << 216 << 217 << qint64(1);
    QTest::newRow("left of the range") << qint64(100) << qint64(200) << 50 << 550 << true
                                       << qint64(90) << 0 << 0 << 40 << qint64(98);
    QTest::newRow("zero-width range") << qint64(50) << qint64(50) << 50 << 550 << false
                                      << qint64(50) << 0 << 0 << 300 << qint64(50);
    QTest::newRow("zero-width plot") << qint64(0) << qint64(100) << 50 << 50 << false << qint64(20)
                                     << 0 << 0 << 300 << qint64(0);
    QTest::newRow("far outside, clamped")
        << qint64(0) << qint64(1) << 50 << 550 << true << qint64(4000000000LL) << int(CoordLimit)
        << int(CoordLimit) + 50 << 550 << qint64(1);
}

void TestDrawerMath::timeMapping()
{
    QFETCH(qint64, start);
    QFETCH(qint64, end);
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(qint64, t);
    QFETCH(int, x);
    const TimeMapping m{start, end, left, right};
    QTEST(m.valid(), "valid");
    QTEST(m.timeAt(x), "timeAtX");
    if (!m.valid())
        return; // nothing may be mapped; timeAt above must merely not divide by zero
    if (t >= start) {
        QTEST(m.curveX(t), "curveX");
        QTEST(m.markerX(t), "markerX");
    } else {
        QVERIFY(m.curveX(t) < left);
    }
}

void TestDrawerMath::valueMapping_data()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    QTest::addColumn<float>("upper");
    QTest::addColumn<float>("lower");
    QTest::addColumn<float>("v");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("y");
    // Plot rows 53..350 (297 px).
    QTest::newRow("upper at top") << 100.0f << 0.0f << 100.0f << true << 53;
    QTest::newRow("lower at bottom") << 100.0f << 0.0f << 0.0f << true << 350;
    QTest::newRow("middle truncates") << 100.0f << 0.0f << 50.0f << true << 201;
    QTest::newRow("reversed axis") << 0.0f << 100.0f << 100.0f << true << 350;
    QTest::newRow("equal limits") << 7.0f << 7.0f << 7.0f << false << 0;
    QTest::newRow("NaN limit") << nan << 0.0f << 1.0f << false << 0;
    QTest::newRow("infinite limit") << inf << 0.0f << 1.0f << false << 0;
    QTest::newRow("huge y clamped up") << 1.0e-6f << 0.0f << 998.0f << true << -int(CoordLimit);
    QTest::newRow("huge y clamped down") << 1.0e-6f << 0.0f << -998.0f << true << int(CoordLimit);
    QTest::newRow("NaN value lands on 0") << 100.0f << 0.0f << nan << true << 0;
}

void TestDrawerMath::valueMapping()
{
    QFETCH(float, upper);
    QFETCH(float, lower);
    QFETCH(float, v);
    const ValueMapping m(upper, lower, 53, 350);
    QTEST(m.valid(), "valid");
    if (m.valid())
        QTEST(m.y(v), "y");
    QVERIFY(!ValueMapping(100.0f, 0.0f, 350, 350).valid()); // no plot height
}

void TestDrawerMath::thinning_data()
{
    QTest::addColumn<int>("lo");
    QTest::addColumn<int>("hi");
    QTest::addColumn<qint64>("interval");
    QTest::addColumn<float>("secPerPixel");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("count");

    QTest::newRow("every sample wider than a pixel")
        << 10 << 109 << qint64(5) << 1.0f << 1920 << 100;
    QTest::newRow("every sample, capacity cut") << 0 << 4999 << qint64(1) << 0.5f << 1920 << 1920;
    QTest::newRow("one per pixel") << 0 << 9999999 << qint64(1) << 5208.33f << 1920 << 1920;
    QTest::newRow("step of 10") << 5 << 104 << qint64(1) << 10.0f << 1920 << 10;
    QTest::newRow("zoomed far out") << 0 << 99 << qint64(1) << 1.0e9f << 1920 << 1;
    QTest::newRow("zero interval") << 0 << 99 << qint64(0) << 1.0f << 1920 << 0;
    QTest::newRow("NaN seconds per pixel")
        << 0 << 99 << qint64(1) << std::numeric_limits<float>::quiet_NaN() << 1920 << 0;
}

void TestDrawerMath::thinning()
{
    QFETCH(int, lo);
    QFETCH(int, hi);
    QFETCH(qint64, interval);
    QFETCH(float, secPerPixel);
    QFETCH(int, capacity);
    QVector<int> out(capacity + 8, -1);
    const int n = CurveThinner::thin(lo, hi, interval, secPerPixel, out.data(), capacity);
    QTEST(n, "count");
    QCOMPARE(out[capacity], -1); // never past the capacity
    if (n == 0)
        return;
    QCOMPARE(out[0], lo);
    const double step = std::max(1.0, double(secPerPixel) / double(interval));
    for (int i = 1; i < n; ++i) {
        QVERIFY(out[i] > out[i - 1]);
        QVERIFY(out[i] <= hi);
        // Evenly spaced from lo, truncated in single precision.
        QVERIFY2(std::abs((out[i] - lo) - i * step) <= 1.0 + 1e-7 * hi,
                 qPrintable(QString("%1: %2").arg(i).arg(out[i])));
    }
}

QTEST_APPLESS_MAIN(TestDrawerMath)
#include "tst_drawermath.moc"
