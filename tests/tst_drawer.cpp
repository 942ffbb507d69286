#include "tavdrawer.h"

#include <QSignalSpy>
#include <QtTest>

#include <limits>

Q_DECLARE_METATYPE(QList<float>)

namespace {

const QColor red(0xD0, 0x10, 0x10);
const QColor white(Qt::white);
const float qnan = std::numeric_limits<float>::quiet_NaN();

// A 600x400 canvas (plot 50..550 x 53..350) with every view setting explicit, so that a
// configuration file beside the test changes nothing. Samples t = 0..100 step 1, one run:
// with the range 0..100 sample t sits at x = 50 + 5 t.
struct Canvas
{
    TavDrawer d;

    explicit Canvas(int columns = 1, float value = 50.0f, int width = 600, int samples = 101)
    {
        d.resize(width, 400);
        QResizeEvent ev(QSize(width, 400), QSize());
        QCoreApplication::sendEvent(&d, &ev);
        d.DarkMode = d.WaterMark = d.DrawA = d.DrawB = false;
        d.showError = d.showSys = d.showUser = false;
        d.xSplCount = d.ySplCount = 0;
        d.upperLimits = {100.0f, 110.0f};
        d.lowerLimits = {0.0f, -10.0f};
        QVector<qint64> stamps;
        for (qint64 t = 0; t < samples; ++t)
            stamps.append(t);
        load(stamps, QVector<QVector<float>>(columns, QVector<float>(samples, value)),
             {{0, samples - 1}});
    }

    void load(const QVector<qint64>& stamps, const QVector<QVector<float>>& columns,
              const QList<QPair<int, int>>& spans)
    {
        SortedTavData& s = d.dataSet;
        s.clear();
        s.stamps = stamps;
        s.values = columns;
        s.sampleCount = stamps.size();
        for (const auto& span : spans) {
            s.spanIndexes.append(span);
            s.spanStamps.append(qMakePair(stamps[span.first], stamps[span.second]));
            s.spanIntervals.append(stamps[span.first + 1] - stamps[span.first]);
        }
        s.status = 0;
        d.curveInfoList = QList<CurveInfo>();
        for (int i = 0; i < columns.size(); ++i) {
            s.names.append(QString::number(i));
            d.curveInfoList.append(CurveInfo());
            d.curveInfoList.last().CurveName = s.names.last();
        }
        d.stampStart = stamps.first();
        d.stampEnd = stamps.last();
    }

    void draw(int curve, float weight, int axis = 0, const QColor& color = red)
    {
        CurveInfo& c = d.curveInfoList[curve];
        c.ToDraw = true;
        c.CurveColor = color.name();
        c.CurveWeight = weight;
        c.RefIndex = axis;
    }

    QImage paint() { return d.grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

QList<int> rowsOf(const QImage& img, int x, const QColor& color = red)
{
    QList<int> rows;
    for (int y = 0; y < img.height(); ++y) {
        if (img.pixelColor(x, y) == color)
            rows.append(y);
    }
    return rows;
}

bool near(const QColor& a, const QColor& b, int tol)
{
    return qAbs(a.red() - b.red()) <= tol && qAbs(a.green() - b.green()) <= tol &&
           qAbs(a.blue() - b.blue()) <= tol;
}

} // namespace

class TestDrawer : public QObject
{
    Q_OBJECT
private slots:
    void curveRow_data();
    void curveRow();
    void missingValueGap_data();
    void missingValueGap();
    void marginsCovered_data();
    void marginsCovered();
    void modeColours_data();
    void modeColours();
    void noDataNoSignals();
    void vernierReadings_data();
    void vernierReadings();
    void bridging_data();
    void bridging();
    void degenerateRanges_data();
    void degenerateRanges();
};

void TestDrawer::curveRow_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QList<float>>("upper");
    QTest::addColumn<QList<float>>("lower");
    QTest::addColumn<int>("axis");
    QTest::addColumn<double>("row"); // where the line must lie: bottom - fraction * height

    const QList<float> u{100.0f, 110.0f}, l{0.0f, -10.0f};
    QTest::newRow("Y1") << 50.0f << u << l << 0 << 350 - 0.5 * 297;
    QTest::newRow("Y2") << 30.0f << u << l << 1 << 350 - 40.0 / 120 * 297;
    QTest::newRow("axis past the list: Y1") << 30.0f << u << l << 5 << 350 - 0.3 * 297;
    QTest::newRow("third axis") << 2.5f << QList<float>{100.0f, 110.0f, 10.0f}
                                << QList<float>{0.0f, -10.0f, 0.0f} << 2 << 350 - 0.25 * 297;
    QTest::newRow("998.9 is a value")
        << 998.9f << QList<float>{1100.0f, 110.0f} << l << 0 << 350 - 998.9 / 1100 * 297;
    QTest::newRow("reversed limits") << 25.0f << QList<float>{0.0f, 110.0f}
                                     << QList<float>{100.0f, -10.0f} << 0 << 350 - 0.75 * 297;
}

void TestDrawer::curveRow()
{
    QFETCH(float, value);
    QFETCH(QList<float>, upper);
    QFETCH(QList<float>, lower);
    QFETCH(int, axis);
    QFETCH(double, row);
    Canvas c(1, value);
    c.d.upperLimits = upper;
    c.d.lowerLimits = lower;
    c.draw(0, 3.0f, axis);
    const QImage img = c.paint();
    for (int x : {100, 300, 500}) {
        const QList<int> rows = rowsOf(img, x);
        QVERIFY2(!rows.isEmpty() && qAbs(rows.first() - row) <= 2 && qAbs(rows.last() - row) <= 2,
                 qPrintable(QString("column %1, expected row %2").arg(x).arg(row)));
    }
}

void TestDrawer::missingValueGap_data()
{
    QTest::addColumn<float>("hole");
    QTest::addColumn<bool>("gap");
    QTest::newRow("999.0") << 999.0f << true;
    QTest::newRow("-999.0") << -999.0f << true;
    QTest::newRow("file missing value") << MissingValue << true;
    QTest::newRow("NaN") << qnan << true;
    QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << true;
    QTest::newRow("998.9 is drawn") << 998.9f << false;
}

void TestDrawer::missingValueGap()
{
    QFETCH(float, hole);
    QFETCH(bool, gap);
    Canvas c;
    c.d.upperLimits[0] = 2000.0f; // keeps 998.9 inside the plot
    for (int i = 40; i <= 60; ++i)
        c.d.dataSet.values[0][i] = hole;
    c.draw(0, 3.0f);
    const QImage img = c.paint();
    QVERIFY(!rowsOf(img, 150).isEmpty());
    QVERIFY(!rowsOf(img, 450).isEmpty());
    QCOMPARE(rowsOf(img, 300).isEmpty(), gap);
    // The last sample before the hole sits at x = 245, the first after it at x = 355:
    // nothing in between, not even a faint antialiased line.
    for (int x = 248; gap && x <= 352; ++x) {
        for (int y = 54; y < 350; ++y)
            QVERIFY2(img.pixelColor(x, y) == white, qPrintable(QString("%1,%2").arg(x).arg(y)));
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
    Canvas c(1, value);
    c.draw(0, 30.0f);
    const QImage img = c.paint();
    QCOMPARE(img.pixelColor(inside), red);
    QCOMPARE(img.pixelColor(outside), white);
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
    c.d.DarkMode = dark;
    c.d.xSplCount = 1; // one vertical line at x = 300
    const QImage img = c.paint();
    QCOMPARE(img.pixelColor(20, 200), background);
    QCOMPARE(img.pixelColor(200, 120), background);
    for (const QPoint& p : {QPoint(50, 200), QPoint(550, 200), QPoint(300, 53), QPoint(300, 350)})
        QCOMPARE(img.pixelColor(p), frame);
    // The thin grid pen lands at least half way from the background to its colour.
    const QColor g = img.pixelColor(300, 200);
    QVERIFY2(qAbs(g.red() - background.red()) >= qAbs(grid.red() - background.red()) / 2 &&
                 qAbs(g.red() - grid.red()) < qAbs(grid.red() - background.red()) / 2,
             qPrintable(g.name()));

    c.d.WaterMark = true; // a faint texture over the same background
    const QImage marked = c.paint();
    int changed = 0;
    for (int y = 60; y < 340; y += 2) {
        for (int x = 60; x < 540; x += 2) {
            if (qAbs(x - 300) > 1 && marked.pixelColor(x, y) != img.pixelColor(x, y)) {
                ++changed;
                QVERIFY(near(marked.pixelColor(x, y), background, 40));
            }
        }
    }
    QVERIFY(changed > 20);
}

void TestDrawer::noDataNoSignals()
{
    Canvas c;
    c.d.dataSet.status = 1;
    c.d.DarkMode = true;
    QSignalSpy painted(&c.d, &TavDrawer::repaintFinished);
    QSignalSpy verns(&c.d, &TavDrawer::vernRefreshed);
    const QImage img = c.paint();
    QImage expected(img.size(), img.format());
    expected.fill(QColor("#202020"));
    QCOMPARE(img, expected);
    QCOMPARE(painted.count() + verns.count(), 0);
    c.d.dataSet.status = 0;
    c.paint();
    QCOMPARE(painted.count(), 1);
    QCOMPARE(verns.count(), 1);
    c.d.onRepaintRequestedByData(); // reports the verniers once, not the paint
    QCOMPARE(painted.count(), 1);
    QCOMPARE(verns.count(), 2);
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
    // Curve 0 = t, curve 1 = 2 t but missing before t = 50.
    QTest::newRow("on a sample") << qint64(0) << 150 << true << 400 << qint64(20)
                                 << QList<float>{20, 999} << qint64(70) << QList<float>{70, 140};
    QTest::newRow("between samples")
        << qint64(0) << 153 << true << 404 << qint64(20) << QList<float>{20, 999} << qint64(70)
        << QList<float>{70, 140};
    QTest::newRow("B off") << qint64(0) << 300 << false << 400 << qint64(50)
                           << QList<float>{50, 100} << qint64(70) << QList<float>{999, 999};
    // Range -10..90: the first sample is at x = 100. Left of it nothing is read and the
    // stamp stays the pixel's: -10 + (80 - 50) * 100 / 500 = -4.
    QTest::newRow("left of every sample")
        << qint64(-10) << 80 << true << 120 << qint64(-4) << QList<float>{999, 999} << qint64(4)
        << QList<float>{4, 999};
}

void TestDrawer::vernierReadings()
{
    QFETCH(qint64, start);
    QFETCH(int, posA);
    QFETCH(bool, drawB);
    QFETCH(int, posB);
    Canvas c(2);
    for (int i = 0; i <= 100; ++i) {
        c.d.dataSet.values[0][i] = float(i);
        c.d.dataSet.values[1][i] = i < 50 ? MissingValue : float(2 * i);
    }
    c.d.upperLimits[0] = 300.0f;
    c.draw(0, 1.0f);
    c.draw(1, 1.0f, 0, Qt::blue);
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
    QTest::addColumn<float>("reading"); // vernier A in the gap, at x = 312
    // Run 1: t = 0..50 step 1; run 2: t = 55..99 step 2; the gap spans x = 300..325.
    QTest::newRow("short gap joined") << 60 << 50.0f << true << 50.0f;
    QTest::newRow("gap not below bridgeGap") << 5 << 50.0f << false << 999.0f;
    QTest::newRow("next point outside the plot") << 60 << 150.0f << false << 999.0f;
}

void TestDrawer::bridging()
{
    QFETCH(int, bridgeGap);
    QFETCH(float, second);
    QVector<qint64> stamps;
    QVector<float> values;
    for (qint64 t = 0; t <= 99; t += t < 50 ? 1 : (t == 50 ? 5 : 2)) {
        stamps.append(t);
        values.append(t <= 50 ? 50.0f : second);
    }
    Canvas c;
    c.load(stamps, {values}, {{0, 50}, {51, stamps.size() - 1}});
    c.d.stampEnd = 100;
    c.d.bridgeGap = bridgeGap;
    c.d.DrawA = true;
    c.d.vernPosA = 312;
    c.draw(0, 3.0f);
    const QImage img = c.paint();
    QVERIFY(!rowsOf(img, 250).isEmpty());
    QTEST(!rowsOf(img, 318).isEmpty(), "joined");
    QTEST(c.d.vernValuesA.value(0), "reading");
}

void TestDrawer::degenerateRanges_data()
{
    QTest::addColumn<qint64>("start");
    QTest::addColumn<qint64>("end");
    QTest::addColumn<float>("upper");
    QTest::addColumn<float>("lower");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("visible");
    QTest::newRow("zero-width X range")
        << qint64(50) << qint64(50) << 100.0f << 0.0f << 600 << false;
    QTest::newRow("reversed X range") << qint64(80) << qint64(20) << 100.0f << 0.0f << 600 << false;
    QTest::newRow("equal Y limits") << qint64(0) << qint64(100) << 7.0f << 7.0f << 600 << false;
    QTest::newRow("NaN Y limit") << qint64(0) << qint64(100) << qnan << 0.0f << 600 << false;
    QTest::newRow("tiny Y range, huge y")
        << qint64(0) << qint64(100) << 50.0002f << 50.0001f << 600 << true;
    QTest::newRow("far zoomed out")
        << qint64(-4000000000000LL) << qint64(4000000000000LL) << 100.0f << 0.0f << 600 << false;
    // More samples than the minimum buffer holds, each wider than a pixel.
    QTest::newRow("wider than the buffers")
        << qint64(0) << qint64(2400) << 100.0f << 0.0f << 2600 << true;
}

void TestDrawer::degenerateRanges()
{
    QFETCH(qint64, start);
    QFETCH(qint64, end);
    QFETCH(float, upper);
    QFETCH(float, lower);
    QFETCH(int, width);
    QFETCH(bool, visible);
    const int samples = width > 600 ? 2401 : 101;
    Canvas c(1, 0.0f, width, samples);
    for (int i = samples / 2 + 1; i < samples; ++i)
        c.d.dataSet.values[0][i] = 80.0f; // a step through the middle
    c.d.stampStart = start;
    c.d.stampEnd = end;
    c.d.upperLimits[0] = upper;
    c.d.lowerLimits[0] = lower;
    c.d.xSplCount = c.d.ySplCount = 3;
    c.d.DrawA = c.d.showError = true;
    c.d.dataSet.errors.append(ErrorRecord{50, 1, 1});
    c.draw(0, 2.0f);
    QSignalSpy painted(&c.d, &TavDrawer::repaintFinished);
    const QImage img = c.paint();
    QCOMPARE(painted.count(), 1);
    QCOMPARE(c.d.vernValuesA.size(), 1);
    int found = 0;
    for (int x = 51; x < c.d.plotRight; ++x)
        found += rowsOf(img, x).size();
    QCOMPARE(found > 0, visible);
    // The step lies at the right end too, however wide the plot.
    QCOMPARE(!rowsOf(img, c.d.plotRight - 5).isEmpty(), visible && upper > 60.0f);
    for (int x = 0; x < width; x += 7)
        QVERIFY(img.pixelColor(x, 30) != red); // margins stay clean
}

QTEST_MAIN(TestDrawer)
#include "tst_drawer.moc"
