#include "tavdrawer.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(QList<float>)

namespace {

const QColor curveRed(0xD0, 0x10, 0x10);
const QColor curveBlue(0x10, 0x20, 0xC0);

// A 600x400 canvas: plot rectangle 50..550 x 53..350, every view setting explicit so a
// configuration file beside the test cannot change the outcome.
struct Canvas
{
    TavDrawer d;

    Canvas()
    {
        d.resize(600, 400);
        QResizeEvent ev(QSize(600, 400), QSize());
        QCoreApplication::sendEvent(&d, &ev);
        d.DarkMode = false;
        d.WaterMark = false;
        d.xSplCount = 0;
        d.ySplCount = 0;
        d.DrawA = false;
        d.DrawB = false;
        d.showError = d.showSys = d.showUser = false;
        d.upperLimits = {100.0f, 110.0f};
        d.lowerLimits = {0.0f, -10.0f};
        d.titleText.setText(QString());
    }

    // Samples with explicit runs (first, last index); their spacing is taken from the data.
    void load(const QVector<qint64>& stamps, const QVector<QVector<float>>& columns,
              const QList<QPair<int, int>>& spans)
    {
        SortedTavData& s = d.dataSet;
        s.clear();
        s.stamps = stamps;
        s.values = columns;
        s.sampleCount = stamps.size();
        for (int i = 0; i < columns.size(); ++i)
            s.names.append(QStringLiteral("v%1").arg(i));
        for (const auto& span : spans) {
            s.spanIndexes.append(span);
            s.spanStamps.append(qMakePair(stamps[span.first], stamps[span.second]));
            s.spanIntervals.append(stamps[span.first + 1] - stamps[span.first]);
        }
        s.status = 0;
        d.curveInfoList.clear();
        for (const QString& n : s.names) {
            CurveInfo c;
            c.CurveName = n;
            d.curveInfoList.append(c);
        }
        d.stampStart = stamps.first();
        d.stampEnd = stamps.last();
    }

    void draw(int curve, const QColor& color, float weight, int axis = 0)
    {
        CurveInfo& c = d.curveInfoList[curve];
        c.ToDraw = true;
        c.CurveColor = color.name();
        c.CurveWeight = weight;
        c.RefIndex = axis;
    }

    QImage paint() { return d.grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

// Stamps first..last step 1 with one value everywhere, one run.
void flat(Canvas& c, qint64 first, qint64 last, float value, int columns = 1)
{
    QVector<qint64> stamps;
    for (qint64 t = first; t <= last; ++t)
        stamps.append(t);
    c.load(stamps, QVector<QVector<float>>(columns, QVector<float>(stamps.size(), value)),
           {{0, stamps.size() - 1}});
}

// Rows of column x holding exactly the colour.
QList<int> rowsOf(const QImage& img, int x, const QColor& color, int top = 0, int bottom = -1)
{
    QList<int> rows;
    if (bottom < 0)
        bottom = img.height() - 1;
    for (int y = top; y <= bottom; ++y) {
        if (img.pixelColor(x, y) == color)
            rows.append(y);
    }
    return rows;
}

bool near(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

class TestDrawer : public QObject
{
    Q_OBJECT
private slots:
    void flatCurveRow_data();
    void flatCurveRow();
    void missingValueLeavesGap_data();
    void missingValueLeavesGap();
    void marginsCovered_data();
    void marginsCovered();
    void modeColours_data();
    void modeColours();
    void noDataOnlyBackground();
    void eventMarkers_data();
    void eventMarkers();
    void vernierReadings_data();
    void vernierReadings();
    void bridging_data();
    void bridging();
    void degenerateRanges_data();
    void degenerateRanges();
    void wideCanvasDrawsWholeRange();
};

void TestDrawer::flatCurveRow_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QList<float>>("upper");
    QTest::addColumn<QList<float>>("lower");
    QTest::addColumn<int>("axis");
    QTest::addColumn<int>("limitIndex"); // the axis whose limits must apply

    const QList<float> u2{100.0f, 110.0f}, l2{0.0f, -10.0f};
    QTest::newRow("Y1 middle") << 50.0f << u2 << l2 << 0 << 0;
    QTest::newRow("Y1 near top") << 95.0f << u2 << l2 << 0 << 0;
    QTest::newRow("Y2") << 30.0f << u2 << l2 << 1 << 1;
    QTest::newRow("axis past the list uses Y1") << 30.0f << u2 << l2 << 5 << 0;
    QTest::newRow("negative axis uses Y1") << 30.0f << u2 << l2 << -1 << 0;
    QTest::newRow("third axis") << 2.5f << QList<float>{100.0f, 110.0f, 10.0f}
                                << QList<float>{0.0f, -10.0f, 0.0f} << 2 << 2;
    QTest::newRow("998.9 is a value")
        << 998.9f << QList<float>{1100.0f, 110.0f} << QList<float>{0.0f, -10.0f} << 0 << 0;
    QTest::newRow("reversed limits")
        << 25.0f << QList<float>{0.0f, 110.0f} << QList<float>{100.0f, -10.0f} << 0 << 0;
}

void TestDrawer::flatCurveRow()
{
    QFETCH(float, value);
    QFETCH(QList<float>, upper);
    QFETCH(QList<float>, lower);
    QFETCH(int, axis);
    QFETCH(int, limitIndex);
    Canvas c;
    flat(c, 1000, 1100, value);
    c.d.upperLimits = upper;
    c.d.lowerLimits = lower;
    c.draw(0, curveRed, 3.0f, axis);
    const QImage img = c.paint();
    const double expected =
        353.0 - 53.0 - 0.0 + 50.0 - // plotBottom
        (value - lower[limitIndex]) / (upper[limitIndex] - lower[limitIndex]) * (350 - 53);
    for (int x : {100, 300, 500}) {
        const QList<int> rows = rowsOf(img, x, curveRed);
        QVERIFY2(!rows.isEmpty(), qPrintable(QString("no curve in column %1").arg(x)));
        QVERIFY2(std::abs(rows.first() - expected) <= 2.0 &&
                     std::abs(rows.last() - expected) <= 2.0,
                 qPrintable(QString("rows %1..%2, expected %3")
                                .arg(rows.first())
                                .arg(rows.last())
                                .arg(expected)));
    }
}

void TestDrawer::missingValueLeavesGap_data()
{
    QTest::addColumn<float>("hole");
    QTest::addColumn<bool>("gap");
    QTest::newRow("999.0") << 999.0f << true;
    QTest::newRow("-999.0") << -999.0f << true;
    QTest::newRow("file missing value") << MissingValue << true;
    QTest::newRow("NaN") << std::numeric_limits<float>::quiet_NaN() << true;
    QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << true;
    QTest::newRow("998.9 is drawn") << 998.9f << false;
}

void TestDrawer::missingValueLeavesGap()
{
    QFETCH(float, hole);
    QFETCH(bool, gap);
    Canvas c;
    flat(c, 0, 100, 50.0f);
    c.d.upperLimits[0] = 2000.0f; // keeps 998.9 inside the plot
    for (int i = 40; i <= 60; ++i)
        c.d.dataSet.values[0][i] = hole;
    c.draw(0, curveRed, 3.0f);
    const QImage img = c.paint();
    // x = 50 + 5 t: the hole spans 250..350.
    QVERIFY(!rowsOf(img, 150, curveRed).isEmpty());
    QVERIFY(!rowsOf(img, 450, curveRed).isEmpty());
    QCOMPARE(rowsOf(img, 300, curveRed).isEmpty(), gap);
    if (gap) {
        // Nothing at all crosses the hole, not even a lighter antialiased line.
        // The last sample before it sits at x = 245, the first after it at x = 355.
        for (int x = 248; x <= 352; ++x) {
            for (int y = 54; y < 350; ++y)
                QVERIFY2(img.pixelColor(x, y) == Qt::white,
                         qPrintable(QString("%1,%2").arg(x).arg(y)));
        }
    }
}

void TestDrawer::marginsCovered_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QPoint>("inside");
    QTest::addColumn<QPoint>("outside");
    QTest::newRow("top") << 100.0f << QPoint(300, 58) << QPoint(300, 45);
    QTest::newRow("bottom") << 0.0f << QPoint(300, 345) << QPoint(300, 358);
    QTest::newRow("left") << 50.0f << QPoint(55, 201) << QPoint(42, 201);
    QTest::newRow("right") << 50.0f << QPoint(545, 201) << QPoint(558, 201);
}

void TestDrawer::marginsCovered()
{
    QFETCH(float, value);
    QFETCH(QPoint, inside);
    QFETCH(QPoint, outside);
    Canvas c;
    flat(c, 0, 100, value);
    c.draw(0, curveRed, 30.0f);
    const QImage img = c.paint();
    QCOMPARE(img.pixelColor(inside), curveRed);
    QCOMPARE(img.pixelColor(outside), QColor(Qt::white));
}

void TestDrawer::modeColours_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("frame");
    QTest::addColumn<QColor>("grid");
    QTest::newRow("light") << false << QColor("#FFFFFF") << QColor("#000000") << QColor("#505050");
    QTest::newRow("dark") << true << QColor("#202020") << QColor("#FFFFFF") << QColor("#6E6E6E");
}

void TestDrawer::modeColours()
{
    QFETCH(bool, dark);
    QFETCH(QColor, background);
    QFETCH(QColor, frame);
    QFETCH(QColor, grid);
    Canvas c;
    flat(c, 0, 100, 50.0f);
    c.d.DarkMode = dark;
    c.d.xSplCount = 1; // one vertical line at x = 50 + 500 / 2
    const QImage img = c.paint();
    QCOMPARE(img.pixelColor(20, 200), background);  // left margin
    QCOMPARE(img.pixelColor(200, 120), background); // inside the plot
    QCOMPARE(img.pixelColor(50, 200), frame);
    QCOMPARE(img.pixelColor(550, 200), frame);
    QCOMPARE(img.pixelColor(300, 53), frame);
    QCOMPARE(img.pixelColor(300, 350), frame);
    // The thin grid pen blends part way from the background to its colour.
    const QColor g = img.pixelColor(300, 200);
    const auto between = [](int v, int a, int b) {
        return std::abs(v - a) >= std::abs(b - a) / 2 && std::abs(v - b) <= std::abs(b - a);
    };
    QVERIFY2(between(g.red(), background.red(), grid.red()) &&
                 between(g.blue(), background.blue(), grid.blue()),
             qPrintable(g.name()));

    // The watermark tiles over the background in the same mode.
    c.d.WaterMark = true;
    const QImage marked = c.paint();
    int changed = 0;
    for (int y = 60; y < 340; y += 2) {
        for (int x = 60; x < 540; x += 2) {
            if (std::abs(x - 300) <= 1)
                continue; // the grid line
            if (marked.pixelColor(x, y) != img.pixelColor(x, y)) {
                ++changed;
                QVERIFY(near(marked.pixelColor(x, y), background, 40));
            }
        }
    }
    QVERIFY(changed > 20);
}

void TestDrawer::noDataOnlyBackground()
{
    Canvas c;
    c.d.DarkMode = true;
    QSignalSpy painted(&c.d, &TavDrawer::repaintFinished);
    QSignalSpy verns(&c.d, &TavDrawer::vernRefreshed);
    const QImage img = c.paint();
    for (int y = 0; y < img.height(); y += 3) {
        for (int x = 0; x < img.width(); x += 3)
            QCOMPARE(img.pixelColor(x, y), QColor("#202020"));
    }
    QCOMPARE(painted.count(), 0);
    QCOMPARE(verns.count(), 0);

    flat(c, 0, 10, 1.0f);
    c.paint();
    QCOMPARE(painted.count(), 1);
    QCOMPARE(verns.count(), 1);
    // A synchronous repaint from the side panel reports the verniers once, not the paint.
    c.d.onRepaintRequestedByData();
    QCOMPARE(painted.count(), 1);
    QCOMPARE(verns.count(), 2);
}

void TestDrawer::eventMarkers_data()
{
    QTest::addColumn<int>("kind"); // 0 error, 1 system, 2 user
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<qint64>("stamp");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("fault occurred") << 0 << 1 << true << qint64(50) << QColor("#E53935");
    QTest::newRow("fault cleared") << 0 << 0 << true << qint64(50) << QColor("#43A047");
    QTest::newRow("other state") << 0 << 7 << true << qint64(50) << QColor();
    QTest::newRow("filter off") << 0 << 1 << false << qint64(50) << QColor();
    QTest::newRow("outside the range") << 0 << 1 << true << qint64(101) << QColor();
    QTest::newRow("system") << 1 << 0 << true << qint64(50) << QColor("#1E88E5");
    QTest::newRow("user") << 2 << 0 << true << qint64(50) << QColor("#FB8C00");
}

void TestDrawer::eventMarkers()
{
    QFETCH(int, kind);
    QFETCH(int, state);
    QFETCH(bool, shown);
    QFETCH(qint64, stamp);
    QFETCH(QColor, colour);
    Canvas c;
    flat(c, 0, 100, 50.0f);
    SortedTavData& s = c.d.dataSet;
    if (kind == 0)
        s.errors.append(ErrorRecord{quint32(stamp), 12, qint16(state)});
    else
        (kind == 1 ? s.systemEvents : s.userEvents).append(EventRecord{quint32(stamp), "e"});
    c.d.showError = kind == 0 && shown;
    c.d.showSys = kind == 1 && shown;
    c.d.showUser = kind == 2 && shown;
    const QImage img = c.paint();
    // The icon's edge sits at x = 300 - 9 .. 300 + 9, above the X axis; probe its rim.
    const QColor probe = img.pixelColor(300 - 6, 350 - 9);
    if (colour.isValid())
        QVERIFY2(near(probe, colour, 40), qPrintable(probe.name()));
    else
        QCOMPARE(probe, QColor(Qt::white));
}

void TestDrawer::vernierReadings_data()
{
    QTest::addColumn<qint64>("start"); // the X range is start .. start + 100
    QTest::addColumn<int>("posA");
    QTest::addColumn<bool>("drawB");
    QTest::addColumn<int>("posB");
    QTest::addColumn<qint64>("stampA");
    QTest::addColumn<QList<float>>("valuesA");
    QTest::addColumn<qint64>("stampB");
    QTest::addColumn<QList<float>>("valuesB");

    // Samples t = 0..100, curve 0 = t, curve 1 = 2t but missing before t = 50;
    // with the range 0..100 a sample sits at x = 50 + 5 t.
    QTest::newRow("on a sample") << qint64(0) << 150 << true << 400 << qint64(20)
                                 << QList<float>{20.0f, 999.0f} << qint64(70)
                                 << QList<float>{70.0f, 140.0f};
    QTest::newRow("between samples")
        << qint64(0) << 153 << true << 404 << qint64(20) << QList<float>{20.0f, 999.0f}
        << qint64(70) << QList<float>{70.0f, 140.0f};
    QTest::newRow("B off") << qint64(0) << 300 << false << 400 << qint64(50)
                           << QList<float>{50.0f, 100.0f} << qint64(70)
                           << QList<float>{999.0f, 999.0f};
    // Range -10..90: the first sample is at x = 100; a vernier left of it reads nothing
    // and keeps the stamp of its pixel: -10 + (80 - 50) * 100 / 500 = -4.
    QTest::newRow("left of every sample")
        << qint64(-10) << 80 << true << 120 << qint64(-4) << QList<float>{999.0f, 999.0f}
        << qint64(4) << QList<float>{4.0f, 999.0f};
}

void TestDrawer::vernierReadings()
{
    QFETCH(qint64, start);
    QFETCH(int, posA);
    QFETCH(bool, drawB);
    QFETCH(int, posB);
    Canvas c;
    flat(c, 0, 100, 0.0f, 2);
    for (int i = 0; i <= 100; ++i) {
        c.d.dataSet.values[0][i] = float(i);
        c.d.dataSet.values[1][i] = i < 50 ? MissingValue : float(2 * i);
    }
    c.d.upperLimits[0] = 300.0f;
    c.draw(0, curveRed, 1.0f);
    c.draw(1, curveBlue, 1.0f);
    c.d.stampStart = start;
    c.d.stampEnd = start + 100;
    c.d.DrawA = true;
    c.d.DrawB = drawB;
    c.d.vernPosA = posA;
    c.d.vernPosB = posB;
    c.paint();
    QTEST(c.d.vernStampA, "stampA");
    QTEST(c.d.vernValuesA, "valuesA");
    QTEST(c.d.vernStampB, "stampB");
    QTEST(c.d.vernValuesB, "valuesB");
}

void TestDrawer::bridging_data()
{
    QTest::addColumn<int>("bridgeGap");
    QTest::addColumn<float>("second"); // value of the second run
    QTest::addColumn<bool>("joined");
    QTest::addColumn<int>("vernier");
    QTest::addColumn<float>("reading");
    // Run 1: t = 0..50 step 1; run 2: t = 55..99 step 2; the gap lies at x = 300..325.
    QTest::newRow("short gap joined") << 60 << 50.0f << true << 312 << 50.0f;
    QTest::newRow("gap not below bridgeGap") << 5 << 50.0f << false << 312 << 999.0f;
    QTest::newRow("next point outside the plot") << 60 << 150.0f << false << 312 << 999.0f;
}

void TestDrawer::bridging()
{
    QFETCH(int, bridgeGap);
    QFETCH(float, second);
    QFETCH(bool, joined);
    QFETCH(int, vernier);
    QFETCH(float, reading);
    QVector<qint64> stamps;
    QVector<float> values;
    for (qint64 t = 0; t <= 50; ++t) {
        stamps.append(t);
        values.append(50.0f);
    }
    const int secondFirst = stamps.size();
    for (qint64 t = 55; t <= 99; t += 2) {
        stamps.append(t);
        values.append(second);
    }
    Canvas c;
    c.load(stamps, {values}, {{0, secondFirst - 1}, {secondFirst, stamps.size() - 1}});
    c.d.stampEnd = 100;
    c.d.bridgeGap = bridgeGap;
    c.d.DrawA = true;
    c.d.vernPosA = vernier;
    c.draw(0, curveRed, 3.0f);
    const QImage img = c.paint();
    QVERIFY(!rowsOf(img, 250, curveRed).isEmpty());
    QCOMPARE(!rowsOf(img, 318, curveRed).isEmpty(), joined);
    QCOMPARE(c.d.vernValuesA.value(0), reading);
}

void TestDrawer::degenerateRanges_data()
{
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("end");
    QTest::addColumn<float>("upper");
    QTest::addColumn<float>("lower");
    QTest::addColumn<bool>("curveVisible");
    QTest::newRow("zero-width X range") << qint64(50) << qint64(50) << 100.0f << 0.0f << false;
    QTest::newRow("reversed X range") << qint64(80) << qint64(20) << 100.0f << 0.0f << false;
    QTest::newRow("equal Y limits") << qint64(0) << qint64(100) << 7.0f << 7.0f << false;
    QTest::newRow("NaN Y limit") << qint64(0) << qint64(100)
                                 << std::numeric_limits<float>::quiet_NaN() << 0.0f << false;
    QTest::newRow("tiny Y range, huge y")
        << qint64(0) << qint64(100) << 50.0002f << 50.0001f << true;
    QTest::newRow("far zoomed out")
        << qint64(-4000000000000LL) << qint64(4000000000000LL) << 100.0f << 0.0f << false;
}

void TestDrawer::degenerateRanges()
{
    QFETCH(qint64, start);
    QFETCH(qint64, end);
    QFETCH(float, upper);
    QFETCH(float, lower);
    QFETCH(bool, curveVisible);
    Canvas c;
    flat(c, 0, 100, 0.0f);
    // A ramp through the middle: with the tiny range it crosses the plot almost upright.
    for (int i = 0; i <= 100; ++i)
        c.d.dataSet.values[0][i] = i <= 50 ? 0.0f : 100.0f;
    c.d.stampStart = start;
    c.d.stampEnd = end;
    c.d.upperLimits[0] = upper;
    c.d.lowerLimits[0] = lower;
    c.d.xSplCount = 3;
    c.d.ySplCount = 3;
    c.d.DrawA = true;
    c.d.showError = true;
    c.d.dataSet.errors.append(ErrorRecord{50, 1, 1});
    c.draw(0, curveRed, 2.0f);
    QSignalSpy painted(&c.d, &TavDrawer::repaintFinished);
    const QImage img = c.paint();
    QCOMPARE(painted.count(), 1);
    QCOMPARE(c.d.vernValuesA.size(), 1);
    int found = 0;
    for (int x = 51; x < 550; ++x)
        found += rowsOf(img, x, curveRed, 54, 349).size();
    QCOMPARE(found > 0, curveVisible);
    // Whatever the coordinates, the margins stay clean.
    for (int x = 0; x < 600; x += 7)
        QCOMPARE(img.pixelColor(x, 30) != curveRed, true);
}

void TestDrawer::wideCanvasDrawsWholeRange()
{
    // Wider than the minimum buffer: the curve must still reach the right edge.
    Canvas c;
    c.d.resize(2600, 400);
    QResizeEvent ev(QSize(2600, 400), QSize(600, 400));
    QCoreApplication::sendEvent(&c.d, &ev);
    flat(c, 0, 1000000, 50.0f);
    c.draw(0, curveRed, 3.0f);
    const QImage img = c.paint();
    QVERIFY(!rowsOf(img, 100, curveRed).isEmpty());
    QVERIFY(!rowsOf(img, c.d.plotRight - 5, curveRed).isEmpty());
}

QTEST_MAIN(TestDrawer)
#include "tst_drawer.moc"
