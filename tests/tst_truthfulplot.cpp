// The canvas against a painter that draws every sample: same pixels at every zoom, the
// joining rule, lone samples, stamps going back, and vernier readings from the data.
#include "curvepainter.h"
#include "plotcanvas.h"
#include "testutil.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>
#include <random>

namespace {

constexpr qint64 T0 = 1600000000;
const float NaN = std::numeric_limits<float>::quiet_NaN();
using Values = QList<float>;

bool valid(float v)
{
    return std::fabs(v) < 999.0f; // false for NaN
}

// The joining rule, written out again from its wording: consecutive samples are joined
// unless a value is missing, the stamps go back, or the gap is longer than 60 s and than
// twice the shorter of the sampling intervals on either side.
bool joinedByRule(const QVector<qint64>& t, const QVector<float>& v, int i)
{
    if (!valid(v[i]) || !valid(v[i + 1]))
        return false;
    const qint64 gap = t[i + 1] - t[i];
    if (gap < 0)
        return false;
    if (gap <= 60)
        return true;
    QList<qint64> sides;
    if (i > 0 && t[i] - t[i - 1] > 0)
        sides << t[i] - t[i - 1];
    if (i + 2 < t.size() && t[i + 2] - t[i + 1] > 0)
        sides << t[i + 2] - t[i + 1];
    if (sides.isEmpty())
        return false;
    return gap <= 2 * *std::min_element(sides.begin(), sides.end());
}

bool inked(const QImage& img, int x, int y)
{
    const QRgb p = img.pixel(x, y);
    return (255 - qRed(p)) + (255 - qGreen(p)) + (255 - qBlue(p)) > 120;
}

struct Canvas : PlotCanvas
{
    using PlotCanvas::PlotCanvas;

    // Every sample of curve c as a plain polyline, pieces split by the rule, a lone
    // sample as a point; inside the plot only.
    QImage reference(int c) const
    {
        QImage img(d.size(), QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setClipRect(QRect(QPoint(d.plotLeft + 1, d.plotTop + 1),
                            QPoint(d.plotRight - 1, d.plotBottom - 1)));
        const CurveInfo& info = d.curveInfoList[c];
        p.setPen(QPen(QBrush(QColor(info.CurveColor)), info.CurveWeight, Qt::SolidLine,
                      Qt::SquareCap, Qt::BevelJoin));
        const QVector<qint64>& t = d.dataSet.stamps;
        const QVector<float>& v = d.dataSet.values[c];
        const double span = double(d.stampEnd - d.stampStart);
        const auto point = [&](int i) {
            // Inside the range the canvas's own pixel; outside, the exact position, so
            // that lines leave the plot at their true slope.
            const bool inside = t[i] >= d.stampStart && t[i] <= d.stampEnd;
            const double xr =
                double(t[i] - d.stampStart) * (d.plotRight - d.plotLeft) / span + d.plotLeft;
            return QPointF(inside ? x(t[i]) : xr, y(v[i]));
        };
        QVector<QPointF> piece;
        const auto flush = [&] {
            if (piece.size() == 1)
                p.drawPoint(piece[0]);
            else if (piece.size() > 1)
                p.drawPolyline(piece.constData(), piece.size());
            piece.clear();
        };
        for (int i = 0; i < t.size(); ++i) {
            if (!valid(v[i])) {
                flush();
                continue;
            }
            piece.append(point(i));
            if (i + 1 == t.size() || !joinedByRule(t, v, i))
                flush();
        }
        flush();
        return img;
    }
};

// Inked pixels of a without an inked pixel of b within one pixel, in the plot below the
// unit texts; at most a few listed.
QStringList unmatched(const QImage& a, const QImage& b, const TavDrawer& d)
{
    QStringList out;
    int count = 0;
    for (int y = d.plotTop + 24; y < d.plotBottom - 1; ++y) {
        for (int x = d.plotLeft + 2; x < d.plotRight - 1; ++x) {
            if (!inked(a, x, y))
                continue;
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx)
                    near = inked(b, x + dx, y + dy);
            if (!near && ++count <= 5)
                out << QStringLiteral("(%1,%2)").arg(x).arg(y);
        }
    }
    if (count > 5)
        out << QStringLiteral("... %1 in all").arg(count);
    return out;
}

} // namespace

class TestTruthfulPlot : public QObject
{
    Q_OBJECT
private slots:
    void sameInkAsEverySample_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<double>("from"); // fractions of the recording
        QTest::addColumn<double>("width");
        QTest::addColumn<float>("weight");
        const QList<QPair<const char*, QPair<double, double>>> zooms = {{"full range", {0.0, 1.0}},
                                                                        {"a tenth", {0.43, 0.1}},
                                                                        {"1/200", {0.61, 0.005}},
                                                                        {"1/4000", {0.3, 0.00025}}};
        for (const char* data :
             {"smooth", "noisy", "spiky", "irregular", "out of order", "gaps", "sparse"}) {
            for (const auto& z : zooms)
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(data, z.first)))
                    << QString(data) << z.second.first << z.second.second << 1.0f;
        }
        QTest::newRow("noisy, full range, weight 2") << "noisy" << 0.0 << 1.0 << 2.0f;
        QTest::newRow("smooth, 1/200, weight 3") << "smooth" << 0.61 << 0.005 << 3.0f;
        QTest::newRow("spiky, a tenth, weight 2") << "spiky" << 0.43 << 0.1 << 2.0f;
        QTest::newRow("sparse, a tenth, weight 2") << "sparse" << 0.43 << 0.1 << 2.0f;
    }

    void sameInkAsEverySample()
    {
        QFETCH(QString, data);
        QFETCH(double, from);
        QFETCH(double, width);
        QFETCH(float, weight);
        // Enough samples that a column at full range spans several pyramid blocks; a sparse
        // recording few enough that its samples lie pixels apart once zoomed in.
        const bool sparse = data == QLatin1String("sparse");
        const int n = sparse ? 2000 : 300000;
        std::mt19937 rng(11);
        std::uniform_real_distribution<float> noise(-15.0f, 15.0f);
        std::uniform_int_distribution<int> step(97, 140);
        QVector<qint64> t(n);
        QVector<float> v(n);
        qint64 now = T0;
        for (int i = 0; i < n; ++i) {
            if (data == QLatin1String("out of order") && i == n / 2)
                now -= 10 * (n / 4); // the clock set back: the second half overlaps the first
            t[i] = now;
            now += data == QLatin1String("irregular") ? step(rng) : 10;
            v[i] = 50.0f + 30.0f * std::sin(i * 13.0f / n);
            if (data == QLatin1String("noisy") || data == QLatin1String("irregular"))
                v[i] += noise(rng);
            if (data == QLatin1String("out of order") && i >= n / 2)
                v[i] += 12.0f;
        }
        if (data == QLatin1String("spiky")) {
            v.fill(40.0f);
            for (int i : {777, 12345, 20001, 31313})
                v[i] = i % 2 ? 85.0f : 3.0f;
        }
        if (sparse) {
            // Runs 30 s apart between pauses of an hour, stamps now and then equal or going
            // back, and missing values: joined, broken and lone samples side by side.
            std::uniform_int_distribution<int> pick(0, 19);
            now = T0;
            for (int i = 0; i < n; ++i) {
                t[i] = now;
                const int k = pick(rng);
                now += k < 14 ? 30 : k < 18 ? 3600 : k < 19 ? 0 : -5000;
                v[i] = pick(rng) < 3 ? (i % 2 ? MissingValue : NaN) : 50.0f + noise(rng);
            }
        }
        if (data == QLatin1String("gaps")) {
            for (int i = 5000; i < 5400; ++i)
                v[i] = MissingValue;
            for (int i : {9000, 9002, 17001, 26000})
                v[i] = NaN;
            for (int i = 40000; i < 40300; ++i)
                v[i] = MissingValue; // whole blocks of missing values
            for (int i = 200000; i < n; ++i)
                t[i] += 3600; // an hour's pause
        }
        Canvas c(900, 500, t, {v});
        c.d.curveInfoList[0].CurveWeight = weight;
        const qint64 first = c.d.stampStart;
        const qint64 range = c.d.stampEnd - first;
        c.d.stampStart = first + qint64(range * from);
        c.d.stampEnd = c.d.stampStart + std::max<qint64>(qint64(range * width), 10);
        const QImage canvas = c.paint();
        const QImage reference = c.reference(0);
        const QStringList extra = unmatched(canvas, reference, c.d);
        const QStringList missing = unmatched(reference, canvas, c.d);
        QVERIFY2(extra.isEmpty(), qPrintable("ink the samples do not make: " + extra.join(' ')));
        QVERIFY2(missing.isEmpty(), qPrintable("samples not drawn: " + missing.join(' ')));
    }

    void rangeAfterReadCoversBackwardStamps()
    {
        QTemporaryDir dir;
        QByteArray csv = "时间,T\n";
        for (qint64 s : {600, 660, 720, 780, 0, 60, 120, 180, 240})
            csv += TestUtil::csvTime(T0 + s) + ",20.0\n";
        const QString path = TestUtil::writeFile(dir.filePath(QStringLiteral("back.csv")), csv);
        TavDrawer d;
        d.configPath = dir.filePath(QStringLiteral("none.ini"));
        QSignalSpy done(&d, &TavDrawer::readFinished);
        d.readTAVData(path);
        QVERIFY(done.wait(10000));
        QVERIFY(d.hasData());
        QCOMPARE(d.stampStart, T0);
        QCOMPARE(d.stampEnd, T0 + 780);
        d.onResetView();
        QCOMPARE(d.stampStart, T0);
        QCOMPARE(d.stampEnd, T0 + 780);
    }

    void verniers_data()
    {
        QTest::addColumn<qint64>("start"); // of the X range, seconds after T0; 500 s over 500 px
        QTest::addColumn<qint64>("end");
        QTest::addColumn<int>("pos");
        QTest::addColumn<Values>("readings"); // curve 0, curve 1
        QTest::addColumn<qint64>("stamp");
        // Samples every 10 s from 10 to 200 s and from 300 to 400 s (a pause between);
        // curve 0 = t / 10 with the sample at 100 s missing, curve 1 = t / 5.
        const float none = 999.0f;
        QTest::newRow("on a sample") << 0LL << 500LL << 80 << Values{3, 6} << 30LL;
        QTest::newRow("between samples") << 0LL << 500LL << 85 << Values{3, 6} << 30LL;
        QTest::newRow("on a missing value") << 0LL << 500LL << 150 << Values{none, 20} << 100LL;
        QTest::newRow("just before a missing value")
            << 0LL << 500LL << 145 << Values{none, 18} << 90LL;
        QTest::newRow("last sample before a pause")
            << 0LL << 500LL << 250 << Values{20, 40} << 200LL;
        QTest::newRow("in a pause") << 0LL << 500LL << 300 << Values{none, none} << 250LL;
        QTest::newRow("before the first sample") << 0LL << 500LL << 55 << Values{none, none} << 5LL;
        QTest::newRow("past the last sample") << 0LL << 500LL << 500 << Values{none, none} << 450LL;
        // A million seconds per pixel: the whole recording in one column, read at 35 s.
        QTest::newRow("zoomed far out")
            << 35LL - 250000000LL << 35LL + 250000000LL << 300 << Values{3, 6} << 30LL;
    }

    void verniers()
    {
        QFETCH(qint64, start);
        QFETCH(qint64, end);
        QFETCH(int, pos);
        QFETCH(Values, readings);
        QFETCH(qint64, stamp);
        QVector<qint64> t;
        QVector<float> v0;
        QVector<float> v1;
        for (qint64 s = 10; s <= 400; s += 10) {
            if (s > 200 && s < 300)
                continue;
            t << T0 + s;
            v0 << (s == 100 ? MissingValue : float(s) / 10.0f);
            v1 << float(s) / 5.0f;
        }
        Canvas c(600, 400, t, {v0, v1});
        c.d.stampStart = T0 + start;
        c.d.stampEnd = T0 + end;
        c.d.DrawA = c.d.DrawB = true;
        c.d.vernPosA = pos;
        c.d.vernPosB = pos;
        c.paint();
        QCOMPARE(c.d.vernValuesA, readings);
        QCOMPARE(c.d.vernValuesB, readings);
        QCOMPARE(c.d.vernStampA, T0 + stamp);
        QCOMPARE(c.d.vernStampB, T0 + stamp);
    }

    void hiddenInkIsCovered_data()
    {
        QTest::addColumn<int>("curves");
        QTest::addColumn<float>("weight");
        QTest::addColumn<int>("alpha"); // of the last curve
        QTest::newRow("two curves") << 2 << 1.0f << 255;
        QTest::newRow("six curves") << 6 << 1.0f << 255;
        QTest::newRow("wide pens") << 4 << 3.0f << 255;
        QTest::newRow("translucent last curve hides nothing") << 3 << 1.0f << 128;
    }

    // Leaving out what later curves cover changes no pixel of the plot.
    void hiddenInkIsCovered()
    {
        QFETCH(int, curves);
        QFETCH(float, weight);
        QFETCH(int, alpha);
        std::mt19937 rng(5);
        std::uniform_real_distribution<float> value(5.0f, 95.0f);
        const ValueMapping vm(100.0f, 0.0f, 50, 350);
        QVector<CurvePainter> culled(curves);
        QVector<CurvePainter> whole(curves);
        for (int j = 0; j < curves; ++j) {
            QColor colour = QColor::fromHsv(j * 50, 255, 200);
            colour.setAlpha(j == curves - 1 ? alpha : 255);
            const QPen pen(QBrush(colour), weight, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
            QVector<CurveAggregator::Mark> marks;
            for (int x = 40; x < 560; ++x) {
                const float a = value(rng);
                const float b = x % 7 ? a + value(rng) / 8.0f : value(rng); // tall and short
                marks.append({x, x, x, a, std::min(a, b), std::max(a, b), b, x % 50 != 0});
            }
            culled[j].begin(pen);
            culled[j].add(marks.constData(), marks.size(), vm);
            whole[j].begin(pen);
            whole[j].add(marks.constData(), marks.size(), vm);
        }
        const QRect area(QPoint(50, 50), QPoint(550, 350));
        QVector<int> top;
        QVector<int> bottom;
        CurvePainter::hideCovered(culled.data(), curves, area, top, bottom);
        const auto paint = [&](const QVector<CurvePainter>& inks) {
            QImage img(600, 400, QImage::Format_RGB32);
            img.fill(Qt::white);
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing, true);
            for (const CurvePainter& ink : inks)
                ink.paint(p);
            return img.copy(area);
        };
        QCOMPARE(paint(culled), paint(whole));
    }
};

QTEST_MAIN(TestTruthfulPlot)
#include "tst_truthfulplot.moc"
