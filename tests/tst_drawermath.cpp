#include "plotmapping.h"

#include <QtTest>

using L = QList<qint64>;
using F = QList<float>;
static const float qnan = float(qQNaN());
static const int invalid = INT_MIN;

class TestDrawerMath : public QObject
{
    Q_OBJECT
private slots:
    void timeMapping_data()
    {
        QTest::addColumn<L>("in");  // start, end, plot right (left is 50), t, x
        QTest::addColumn<L>("out"); // valid, timeAt(x), then if valid curveX(t), markerX(t)
        // 3 s over 500 px: t = 1 lies 166.67 px in; the curve point adds the edge before
        // truncating (216), the marker after (50 + 166).
        QTest::newRow("fraction truncated") << L{0, 3, 550, 1, 217} << L{1, 1, 216, 216};
        QTest::newRow("zero-width range") << L{50, 50, 550, 0, 300} << L{0, 50};
        const qint64 c = CoordLimit;
        QTest::newRow("far out, clamped") << L{0, 1, 550, 4000000000LL, 550} << L{1, 1, c, c + 50};
    }

    void timeMapping()
    {
        QFETCH(L, in);
        const TimeMapping m{in[0], in[1], 50, int(in[2])};
        L out{m.valid(), m.timeAt(int(in[4]))}; // timeAt must not divide by zero even when invalid
        if (m.valid())
            out << m.curveX(in[3]) << m.markerX(in[3]);
        QTEST(out, "out");
    }

    void valueMapping_data()
    {
        QTest::addColumn<F>("in");  // upper, lower, v
        QTest::addColumn<int>("y"); // plot rows 53..350
        QTest::newRow("middle truncates") << F{100.0f, 0.0f, 50.0f} << 201;
        QTest::newRow("equal limits") << F{7.0f, 7.0f, 7.0f} << invalid;
        QTest::newRow("huge y clamped") << F{1.0e-6f, 0.0f, 998.0f} << -int(CoordLimit);
        QTest::newRow("NaN value lands on 0") << F{100.0f, 0.0f, qnan} << 0;
    }

    void valueMapping()
    {
        QFETCH(F, in);
        const ValueMapping m(in[0], in[1], 53, 350);
        QTEST(m.valid() ? m.y(in[2]) : invalid, "y");
        QVERIFY(!ValueMapping(100.0f, 0.0f, 350, 350).valid()); // no plot height
    }
};

QTEST_APPLESS_MAIN(TestDrawerMath)
#include "tst_drawermath.moc"
