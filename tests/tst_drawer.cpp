#include "plotcanvas.h"

#include <QSignalSpy>
#include <QtTest>

#include <limits>
#include <numeric>

namespace {

const QColor red = PlotCanvas::Red;

// 600x400 canvas, plot 50..550 x 53..350; samples t = 0..100 lie at x = 50 + 5 t.
struct Canvas : PlotCanvas
{
    explicit Canvas(int columns = 1, float value = 50.0f)
        : PlotCanvas(600, 400, stamps(),
                     QVector<QVector<float>>(columns, QVector<float>(101, value)))
    {
    }

    static QVector<qint64> stamps()
    {
        QVector<qint64> t(101);
        std::iota(t.begin(), t.end(), 0);
        return t;
    }

    void draw(int curve, float weight, int axis = 0)
    {
        d.curveInfoList[curve].CurveWeight = weight;
        d.curveInfoList[curve].RefIndex = axis;
    }
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
    void curveRow_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<float>("hole"); // samples 40..60
        QTest::addColumn<int>("axis");
        QTest::addColumn<double>("row");
        QTest::addColumn<bool>("gap");
        QTest::newRow("Y1") << 50.0f << 50.0f << 0 << 350 - 0.5 * 297 << false;
        QTest::newRow("Y2") << 30.0f << 30.0f << 1 << 350 - 40.0 / 120 * 297 << false;
        const double third = 350 - 2998.0 / 4000 * 297;
        QTest::newRow("third axis, 998.9 drawn") << 998.0f << 998.9f << 2 << third << false;
        QTest::newRow("999.0 missing") << 998.0f << 999.0f << 2 << third << true;
        QTest::newRow("NaN missing")
            << 998.0f << std::numeric_limits<float>::quiet_NaN() << 2 << third << true;
    }

    void curveRow()
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
            const QList<int> rows = rowsOf(img, x);
            QVERIFY2((x == 300 && gap) || (!rows.isEmpty() && qAbs(rows.first() - row) <= 2 &&
                                           qAbs(rows.last() - row) <= 2),
                     qPrintable(QString::number(x)));
        }
        // Samples 39 and 61 sit at x = 245 and 355: nothing in between.
        for (int x = 248; gap && x <= 352; ++x) {
            for (int y = 54; y < 350; ++y)
                QVERIFY2(img.pixelColor(x, y) == Qt::white,
                         qPrintable(QString("%1,%2").arg(x).arg(y)));
        }
    }

    // Thick lines along the top and bottom edges and across the middle stop at the frame:
    // none of their ink reaches the margins, where the labels are.
    void curvesStayInPlot()
    {
        Canvas c(3, 50.0f);
        c.d.dataSet.values[0].fill(100.0f);
        c.d.dataSet.values[1].fill(0.0f);
        for (int i = 0; i < 3; ++i)
            c.draw(i, 30.0f);
        const QImage img = c.paint();
        for (const QPoint& p :
             {QPoint(300, 58), QPoint(300, 345), QPoint(55, 201), QPoint(545, 201)})
            QCOMPARE(img.pixelColor(p), red);
        for (const QPoint& p : {QPoint(300, 45), QPoint(300, 358), QPoint(42, 201),
                                QPoint(558, 201), QPoint(20, 200), QPoint(200, 120)})
            QCOMPARE(img.pixelColor(p), QColor(Qt::white));
    }

    void degenerateRanges_data()
    {
        QTest::addColumn<qint64>("start");
        QTest::addColumn<qint64>("end");
        QTest::addColumn<float>("upper"); // the lower limit is 0
        QTest::addColumn<bool>("visible");
        QTest::newRow("zero-width X range") << 50LL << 50LL << 100.0f << false;
        QTest::newRow("equal Y limits") << 0LL << 100LL << 0.0f << false;
        QTest::newRow("tiny Y range, huge y") << 0LL << 100LL << 0.0001f << true;
        // Every sample lands on one pixel column: it still shows, as one vertical stroke.
        QTest::newRow("far zoomed out") << -4000000000000LL << 4000000000000LL << 100.0f << true;
    }

    void degenerateRanges()
    {
        QFETCH(bool, visible);
        Canvas c(1, 0.0f);
        for (int i = 51; i <= 100; ++i)
            c.d.dataSet.values[0][i] = 80.0f;
        QFETCH(qint64, start);
        QFETCH(qint64, end);
        QFETCH(float, upper);
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
    }
    // An event at either end of the view must not cover the bottom Y labels beside the
    // plot ("-10.0" read as "10.0"): markers change no pixel outside the plot, and still show.
    void markersStayInPlot_data()
    {
        QTest::addColumn<quint32>("stamp");
        QTest::newRow("at the start") << quint32(0);
        QTest::newRow("at the end") << quint32(100);
        QTest::newRow("inside") << quint32(50);
    }

    void markersStayInPlot()
    {
        QFETCH(quint32, stamp);
        Canvas c;
        c.d.upperLimits = {200.0f, 110.0f};
        c.d.lowerLimits = {-100.0f, -10.0f};
        c.d.dataSet.systemEvents = {EventRecord{stamp, QStringLiteral("设备上电")}};
        c.d.dataSet.userEvents = {EventRecord{stamp, QStringLiteral("用户 登录")}};
        const QImage without = c.paint();
        c.d.showSys = c.d.showUser = true;
        const QImage with = c.paint();
        const QRect plot(QPoint(c.d.plotLeft, c.d.plotTop), QPoint(c.d.plotRight, c.d.plotBottom));
        int inside = 0;
        for (int y = 0; y < with.height(); ++y) {
            for (int x = 0; x < with.width(); ++x) {
                if (with.pixel(x, y) == without.pixel(x, y))
                    continue;
                QVERIFY2(plot.contains(x, y),
                         qPrintable(QStringLiteral("marker ink at (%1, %2)").arg(x).arg(y)));
                ++inside;
            }
        }
        QVERIFY(inside > 20);
    }

    // The unit labels and the title show whatever the locale the suite runs under (CTest runs
    // it under zh_CN as well): a family standing in for a missing one once drew "℃" as an
    // empty glyph. The curve lies across the middle and grid and verniers are off, so the
    // plot's top corners and the band above the plot hold nothing but these texts.
    void labelsLeaveInk_data()
    {
        QTest::addColumn<int>("label");
        QTest::newRow("℃, top left") << 0;
        QTest::newRow("%RH, top right") << 1;
        QTest::newRow("title ℃, above") << 2;
    }

    void labelsLeaveInk()
    {
        QFETCH(int, label);
        Canvas c;
        c.d.titleText = QStaticText(QStringLiteral("℃"));
        const QImage image = c.paint();
        const QRect boxes[] = {QRect(c.d.plotLeft + 2, c.d.plotTop + 2, 40, 24),
                               QRect(c.d.plotRight - 46, c.d.plotTop + 2, 44, 24),
                               QRect(0, 0, c.d.plotRight, c.d.plotTop - 2)};
        const QRgb background = image.pixel((c.d.plotLeft + c.d.plotRight) / 2, c.d.plotTop + 12);
        const QRect& box = boxes[label];
        int ink = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                ink += image.pixel(x, y) != background;
        QVERIFY2(ink >= 10, qPrintable(QString::number(ink)));
    }
};

QTEST_MAIN(TestDrawer)
#include "tst_drawer.moc"
