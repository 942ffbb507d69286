#include "curvethinner.h"
#include "plotmapping.h"

#include <QtTest>

using L = QList<qint64>;
using F = QList<float>;
using D = QList<double>;
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

    void thinning_data()
    {
        // Last index (the first is 5), interval, seconds per pixel, expected count.
        QTest::addColumn<D>("in");
        QTest::newRow("every sample, capacity cut") << D{4999, 1, 0.5, 1920};
        QTest::newRow("step of 10") << D{104, 1, 10, 10};
        QTest::newRow("zero interval") << D{104, 0, 1, 0};
    }

    void thinning()
    {
        QFETCH(D, in);
        const int hi = int(in[0]);
        QVector<int> out(1928, -1); // capacity 1920
        const int n = CurveThinner::thin(5, hi, qint64(in[1]), float(in[2]), out.data(), 1920);
        QCOMPARE(n, int(in[3]));
        QCOMPARE(out[1920], -1);
        const double step = std::max(1.0, double(float(in[2])) / in[1]);
        for (int i = 0; i < n; ++i) // evenly spaced from 5, truncated in single precision
            QVERIFY2(out[i] <= hi && (i == 0 ? out[0] == 5 : out[i] > out[i - 1]) &&
                         std::abs((out[i] - 5) - i * step) <= 1.0 + 1e-7 * hi,
                     qPrintable(QString::number(i)));
    }
};

QTEST_APPLESS_MAIN(TestDrawerMath)
#include "tst_drawermath.moc"
