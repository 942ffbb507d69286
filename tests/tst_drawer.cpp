#include "tavdrawer.h"

#include <QSignalSpy>
#include <QtTest>

#include <limits>
#include <numeric>

Q_DECLARE_METATYPE(QList<float>)

namespace {

const QColor red(0xD0, 0x10, 0x10);

// A 600x400 canvas (plot 50..550 x 53..350) with every view setting explicit, so that a
// configuration file beside the test changes nothing. Samples t = 0..100 step 1, one run:
// with the range 0..100 sample t sits at x = 50 + 5 t. Axes: 0..100, -10..110, -2000..2000.
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
        d.upperLimits = {100.0f, 110.0f, 2000.0f};
        d.lowerLimits = {0.0f, -10.0f, -2000.0f};
        QVector<qint64> stamps(samples);
        std::iota(stamps.begin(), stamps.end(), 0);
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
        d.curveInfoList.clear();
        for (int i = 0; i < columns.size(); ++i) {
            s.names.append(QString::number(i));
            d.curveInfoList.append(CurveInfo{false, s.names.last()});
        }
        d.stampStart = stamps.first();
        d.stampEnd = stamps.last();
    }

    void draw(int curve, float weight, int axis = 0, const QColor& color = red)
    {
        d.curveInfoList[curve] = {true, d.curveInfoList[curve].CurveName, color.name(), weight, 1,
                                  axis};
    }

    QImage paint() { return d.grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

QList<int> rowsOf(const QImage& img, int x)
{
    QList<int> rows;
    for (int y = 0; y < img.height(); ++y) {
        if (img.pixelColor(x, y) == red)
            rows.append(y);
    }
    return rows;
}

} // namespace

class TestDrawer : public QObject
{
    Q_OBJECT
private slots:
    void curveRow_data();
    void curveRow();
    void modeColours_data();
    void modeColours();
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
    QTest::addColumn<float>("hole"); // the value of samples 40..60
    QTest::addColumn<int>("axis");
    QTest::addColumn<double>("row"); // where the line must lie: bottom - fraction * height
    QTest::addColumn<bool>("gap");
    QTest::newRow("Y1") << 50.0f << 50.0f << 0 << 350 - 0.5 * 297 << false;
    QTest::newRow("Y2") << 30.0f << 30.0f << 1 << 350 - 40.0 / 120 * 297 << false;
    QTest::newRow("axis past the list: Y1") << 30.0f << 30.0f << 5 << 350 - 0.3 * 297 << false;
    const double third = 350 - 2998.0 / 4000 * 297;
    QTest::newRow("third axis, 998.9 drawn") << 998.0f << 998.9f << 2 << third << false;
    QTest::newRow("999.0 missing") << 998.0f << 999.0f << 2 << third << true;
    QTest::newRow("-999.0 missing") << 998.0f << -999.0f << 2 << third << true;
    QTest::newRow("NaN missing") << 998.0f << std::numeric_limits<float>::quiet_NaN() << 2 << third
                                 << true;
}

void TestDrawer::curveRow()
{
    QFETCH(float, value);
    QFETCH(float, hole);
    QFETCH(int, axis);
    QFETCH(double, row);
    QFETCH(bool, gap);
    Canvas c(1, value);
    for (int i = 40; i <= 60; ++i)
        c.d.dataSet.values[0][i] = hole;
    c.draw(0, 3.0f, axis);
    const QImage img = c.paint();
    for (int x : {100, 300, 500}) {
        if (x == 300 && gap)
            continue;
        const QList<int> rows = rowsOf(img, x);
        QVERIFY2(!rows.isEmpty() && qAbs(rows.first() - row) <= 2 && qAbs(rows.last() - row) <= 2,
                 qPrintable(QString("column %1, expected row %2").arg(x).arg(row)));
    }
    // The last sample before the hole sits at x = 245, the first after it at x = 355:
    // nothing in between, not even a faint antialiased line.
    for (int x = 248; gap && x <= 352; ++x) {
        for (int y = 54; y < 350; ++y)
            QVERIFY2(img.pixelColor(x, y) == Qt::white, qPrintable(QString("%1,%2").arg(x).arg(y)));
    }
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
    // Thick lines along the top and bottom edges and across the middle, into the margins.
    Canvas c(3, 50.0f);
    c.d.dataSet.values[0].fill(100.0f);
    c.d.dataSet.values[1].fill(0.0f);
    for (int i = 0; i < 3; ++i)
        c.draw(i, 30.0f);
    c.d.DarkMode = dark;
    c.d.xSplCount = 1; // one vertical line at x = 300
    QSignalSpy painted(&c.d, &TavDrawer::repaintFinished);
    QSignalSpy verns(&c.d, &TavDrawer::vernRefreshed);
    const QImage img = c.paint();
    for (const QPoint& p : {QPoint(300, 58), QPoint(300, 345), QPoint(55, 201), QPoint(545, 201)})
        QCOMPARE(img.pixelColor(p), red);
    for (const QPoint& p : {QPoint(300, 45), QPoint(300, 358), QPoint(42, 201), QPoint(558, 201),
                            QPoint(20, 200), QPoint(200, 120)})
        QCOMPARE(img.pixelColor(p), background); // margins covered, background inside
    for (const QPoint& p : {QPoint(50, 200), QPoint(550, 200), QPoint(300, 53), QPoint(300, 350)})
        QCOMPARE(img.pixelColor(p), frame);
    // The thin grid pen lands at least half way from the background to its colour.
    const int g = img.pixelColor(300, 120).red(), full = qAbs(grid.red() - background.red());
    QVERIFY2(qAbs(g - background.red()) >= full / 2 && qAbs(g - grid.red()) < full / 2,
             qPrintable(QString::number(g)));
    c.d.onRepaintRequestedByData(); // reports the verniers once, not the paint
    QCOMPARE(painted.count(), 1);
    QCOMPARE(verns.count(), 2);

    c.d.WaterMark = true; // a faint texture over the same background
    const QImage marked = c.paint();
    int changed = 0;
    for (int y = 70; y < 180; y += 2) {
        for (int x = 60; x < 540; x += 2) {
            const QColor m = marked.pixelColor(x, y);
            if (qAbs(x - 300) <= 1 || m == img.pixelColor(x, y))
                continue;
            ++changed;
            QVERIFY(qAbs(m.red() - background.red()) <= 40 &&
                    qAbs(m.green() - background.green()) <= 40 &&
                    qAbs(m.blue() - background.blue()) <= 40);
        }
    }
    QVERIFY(changed > 20);

    // Without data only the background is drawn, and nothing is reported.
    c.d.WaterMark = false;
    c.d.dataSet.status = 1;
    QImage expected(img.size(), img.format());
    expected.fill(background);
    QCOMPARE(c.paint(), expected);
    QCOMPARE(painted.count(), 2);
    QCOMPARE(verns.count(), 3);
}

void TestDrawer::vernierReadings_data()
{
    QTest::addColumn<qint64>("start"); // the X range is start .. start + 100
    QTest::addColumn<int>("posA");
    QTest::addColumn<int>("posB");       // 0: B not drawn, yet its stamp read at x = 400
    QTest::addColumn<QList<float>>("A"); // the stamp, then one value per drawn curve
    QTest::addColumn<QList<float>>("B");
    // Curve 0 = t, curve 1 = 2 t but missing before t = 50.
    QTest::newRow("on a sample") << 0LL << 150 << 400 << QList<float>{20, 20, 999}
                                 << QList<float>{70, 70, 140};
    QTest::newRow("between samples")
        << 0LL << 153 << 404 << QList<float>{20, 20, 999} << QList<float>{70, 70, 140};
    QTest::newRow("B off") << 0LL << 300 << 0 << QList<float>{50, 50, 100}
                           << QList<float>{70, 999, 999};
    // Range -10..90: the first sample is at x = 100. Left of it nothing is read and the
    // stamp stays the pixel's: -10 + (80 - 50) * 100 / 500 = -4.
    QTest::newRow("left of every sample")
        << -10LL << 80 << 120 << QList<float>{-4, 999, 999} << QList<float>{4, 4, 999};
}

void TestDrawer::vernierReadings()
{
    QFETCH(qint64, start);
    QFETCH(int, posA);
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
    c.d.DrawB = posB != 0;
    c.d.vernPosA = posA;
    c.d.vernPosB = posB != 0 ? posB : 400;
    c.paint();
    QTEST(QList<float>{float(c.d.vernStampA)} + c.d.vernValuesA, "A");
    QTEST(QList<float>{float(c.d.vernStampB)} + c.d.vernValuesB, "B");
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
    QTest::addColumn<float>("upper"); // the lower limit is 0
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("visible");
    QTest::newRow("zero-width X range") << 50LL << 50LL << 100.0f << 600 << false;
    QTest::newRow("reversed X range") << 80LL << 20LL << 100.0f << 600 << false;
    QTest::newRow("equal Y limits") << 0LL << 100LL << 0.0f << 600 << false;
    QTest::newRow("tiny Y range, huge y") << 0LL << 100LL << 0.0001f << 600 << true;
    QTest::newRow("far zoomed out")
        << -4000000000000LL << 4000000000000LL << 100.0f << 600 << false;
    // More samples than the minimum buffer holds, each wider than a pixel.
    QTest::newRow("wider than the buffers") << 0LL << 2400LL << 100.0f << 2600 << true;
}

void TestDrawer::degenerateRanges()
{
    QFETCH(qint64, start);
    QFETCH(qint64, end);
    QFETCH(float, upper);
    QFETCH(int, width);
    QFETCH(bool, visible);
    const int samples = width > 600 ? 2401 : 101;
    Canvas c(1, 0.0f, width, samples);
    for (int i = samples / 2 + 1; i < samples; ++i)
        c.d.dataSet.values[0][i] = 80.0f; // a step through the middle
    c.d.stampStart = start;
    c.d.stampEnd = end;
    c.d.upperLimits[0] = upper;
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
