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
    QTest::addColumn<int>("right"); // the plot starts at x = 50
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("t");
    QTest::addColumn<int>("curveX");
    QTest::addColumn<int>("markerX");
    QTest::addColumn<int>("x");
    QTest::addColumn<qint64>("timeAtX");
    // 3 s over 500 px: t = 1 lies 166.67 px in; the curve point adds the edge before
    // truncating (216), the marker after (50 + 166).
    QTest::newRow("fraction truncated")
        << 0LL << 3LL << 550 << true << 1LL << 216 << 216 << 217 << 1LL;
    QTest::newRow("left of the range")
        << 100LL << 200LL << 550 << true << 90LL << 0 << 0 << 40 << 98LL;
    QTest::newRow("zero-width range")
        << 50LL << 50LL << 550 << false << 0LL << 0 << 0 << 300 << 50LL;
    QTest::newRow("zero-width plot") << 0LL << 100LL << 50 << false << 0LL << 0 << 0 << 300 << 0LL;
    QTest::newRow("far outside, clamped") << 0LL << 1LL << 550 << true << 4000000000LL
                                          << int(CoordLimit) << int(CoordLimit) + 50 << 550 << 1LL;
}

void TestDrawerMath::timeMapping()
{
    QFETCH(qint64, start);
    QFETCH(qint64, end);
    QFETCH(int, right);
    QFETCH(qint64, t);
    QFETCH(int, x);
    const TimeMapping m{start, end, 50, right};
    QTEST(m.valid(), "valid");
    QTEST(m.timeAt(x), "timeAtX"); // must not divide by zero even when invalid
    if (m.valid()) {
        QTEST(m.curveX(t), "curveX");
        QTEST(m.markerX(t), "markerX");
    }
}

void TestDrawerMath::valueMapping_data()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    QTest::addColumn<float>("upper");
    QTest::addColumn<float>("lower");
    QTest::addColumn<float>("v");
    QTest::addColumn<int>("y"); // plot rows 53..350; -1: the mapping is invalid
    QTest::newRow("upper at top") << 100.0f << 0.0f << 100.0f << 53;
    QTest::newRow("middle truncates") << 100.0f << 0.0f << 50.0f << 201;
    QTest::newRow("reversed axis") << 0.0f << 100.0f << 100.0f << 350;
    QTest::newRow("equal limits") << 7.0f << 7.0f << 7.0f << -1;
    QTest::newRow("NaN limit") << nan << 0.0f << 1.0f << -1;
    QTest::newRow("huge y clamped up") << 1.0e-6f << 0.0f << 998.0f << -int(CoordLimit);
    QTest::newRow("huge y clamped down") << 1.0e-6f << 0.0f << -998.0f << int(CoordLimit);
    QTest::newRow("NaN value lands on 0") << 100.0f << 0.0f << nan << 0;
}

void TestDrawerMath::valueMapping()
{
    QFETCH(float, upper);
    QFETCH(float, lower);
    QFETCH(float, v);
    QFETCH(int, y);
    const ValueMapping m(upper, lower, 53, 350);
    QCOMPARE(m.valid(), y != -1);
    if (m.valid())
        QCOMPARE(m.y(v), y);
    QVERIFY(!ValueMapping(100.0f, 0.0f, 350, 350).valid()); // no plot height
}

void TestDrawerMath::thinning_data()
{
    QTest::addColumn<int>("hi"); // from 5
    QTest::addColumn<qint64>("interval");
    QTest::addColumn<float>("secPerPixel");
    QTest::addColumn<int>("count"); // capacity 1920
    QTest::newRow("every sample wider than a pixel") << 104 << 5LL << 1.0f << 100;
    QTest::newRow("every sample, capacity cut") << 4999 << 1LL << 0.5f << 1920;
    QTest::newRow("one per pixel") << 9999999 << 1LL << 5208.33f << 1920;
    QTest::newRow("step of 10") << 104 << 1LL << 10.0f << 10;
    QTest::newRow("zoomed far out") << 104 << 1LL << 1.0e9f << 1;
    QTest::newRow("zero interval") << 104 << 0LL << 1.0f << 0;
    QTest::newRow("NaN seconds per pixel")
        << 104 << 1LL << std::numeric_limits<float>::quiet_NaN() << 0;
}

void TestDrawerMath::thinning()
{
    QFETCH(int, hi);
    QFETCH(qint64, interval);
    QFETCH(float, secPerPixel);
    const int lo = 5, capacity = 1920;
    QVector<int> out(capacity + 8, -1);
    const int n = CurveThinner::thin(lo, hi, interval, secPerPixel, out.data(), capacity);
    QTEST(n, "count");
    QCOMPARE(out[capacity], -1); // never past the capacity
    const double step = std::max(1.0, double(secPerPixel) / double(interval));
    for (int i = 0; i < n; ++i) {
        // Evenly spaced from lo, truncated in single precision.
        QVERIFY(out[i] <= hi && (i == 0 ? out[0] == lo : out[i] > out[i - 1]));
        QVERIFY2(std::abs((out[i] - lo) - i * step) <= 1.0 + 1e-7 * hi,
                 qPrintable(QString::number(i)));
    }
}

QTEST_APPLESS_MAIN(TestDrawerMath)
#include "tst_drawermath.moc"
