// The paint's two shortcuts must not change a pixel: rectangles written straight into the
// image, and the curves' ink built on two threads.
#include "paintlanes.h"
#include "pixelfill.h"
#include "plotcanvas.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

#include <thread>

class TestPaintPaths : public QObject
{
    Q_OBJECT
private slots:
    void directFillMatchesPainter_data();
    void directFillMatchesPainter();
    void everyItemOnce_data();
    void everyItemOnce();
    void twoLanesPaintAsOne_data();
    void twoLanesPaintAsOne();
    void denseDashedSpikeDrawn_data();
    void denseDashedSpikeDrawn();
};

namespace {

enum Setup
{
    Plain,
    Moved,
    HalfPixel,
    Scaled,
    ClipRect,
    ClipTwoRects,
    HalfOpaque,
    Argb,
    Rgb16,
    Stripes // columns of one height, partly outside, that blend() takes row by row
};

// Tall one-pixel columns like a noisy curve's, a few wide blocks, some partly outside.
QVector<QRect> someRects()
{
    QRandomGenerator rng(7);
    QVector<QRect> rects;
    for (int x = -3; x < 205; ++x) {
        const int top = rng.bounded(-20, 140);
        rects.append(QRect(x, top, 1, rng.bounded(1, 60)));
    }
    rects.append(QRect(30, 40, 25, 12));
    rects.append(QRect(190, 130, 40, 40));
    return rects;
}

// Translucent stripes side by side, as the excursions of a zoomed-out profile.
QVector<QRect> someStripes()
{
    QVector<QRect> rects;
    for (int x = -3; x < 205; x += 3)
        rects.append(QRect(x, -5, 2, 140));
    return rects;
}

QImage drawn(Setup setup, bool direct, bool* taken, bool translucent)
{
    const QImage::Format format = setup == Argb    ? QImage::Format_ARGB32_Premultiplied
                                  : setup == Rgb16 ? QImage::Format_RGB16
                                                   : QImage::Format_RGB32;
    QImage image(200, 150, format);
    image.fill(QColor(0x30, 0x60, 0x90));
    QPainter p(&image);
    p.drawLine(0, 0, 199, 149); // ink of the painter's own before the fill
    switch (setup) {
    case Moved:
        p.translate(7, -5);
        break;
    case HalfPixel:
        p.translate(0.5, 0);
        break;
    case Scaled:
        p.scale(2, 1);
        break;
    case ClipRect:
        p.setClipRect(QRect(20, 10, 150, 100));
        break;
    case ClipTwoRects:
        p.setClipRegion(QRegion(10, 10, 50, 50) + QRegion(100, 60, 50, 50));
        break;
    case HalfOpaque:
        p.setOpacity(0.5);
        break;
    default:
        break;
    }
    const QVector<QRect> rects = setup == Stripes ? someStripes() : someRects();
    const QRgb color = qRgba(0xD0, 0x10, 0x10, translucent ? 0x90 : 0xFF);
    PixelFill::setEnabled(direct);
    *taken = translucent ? PixelFill::blend(p, rects.constData(), rects.size(), color)
                         : PixelFill::fill(p, rects.constData(), rects.size(), color);
    PixelFill::setEnabled(true);
    if (!*taken) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor::fromRgba(color));
        p.drawRects(rects.constData(), rects.size());
    }
    p.end();
    return image;
}

} // namespace

void TestPaintPaths::directFillMatchesPainter_data()
{
    QTest::addColumn<int>("setup");
    QTest::addColumn<bool>("direct"); // the rectangles may be written directly
    QTest::addColumn<bool>("translucent");
    for (const bool translucent : {false, true}) {
        const auto row = [translucent](const char* name) -> QTestData& {
            return QTest::newRow(
                qPrintable(QString(name) + (translucent ? ", translucent" : ", opaque")));
        };
        row("plain image") << int(Plain) << true << translucent;
        row("moved by whole pixels") << int(Moved) << true << translucent;
        row("moved by half a pixel") << int(HalfPixel) << false << translucent;
        row("scaled") << int(Scaled) << false << translucent;
        row("clipped to a rectangle") << int(ClipRect) << true << translucent;
        row("clipped to two rectangles") << int(ClipTwoRects) << false << translucent;
        row("half opaque") << int(HalfOpaque) << false << translucent;
        row("premultiplied image") << int(Argb) << true << translucent;
        row("16-bit image") << int(Rgb16) << false << translucent;
        row("stripes of one height") << int(Stripes) << true << translucent;
    }
}

void TestPaintPaths::directFillMatchesPainter()
{
    QFETCH(int, setup);
    QFETCH(bool, direct);
    QFETCH(bool, translucent);
    bool taken = false;
    const QImage viaPainter = drawn(Setup(setup), false, &taken, translucent);
    QVERIFY(!taken);
    const QImage filled = drawn(Setup(setup), true, &taken, translucent);
    QCOMPARE(taken, direct);
    // A blend may round a channel the other way than the painter's own routine.
    const int slack = translucent ? 1 : 0;
    const auto differs = [slack](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) > slack || std::abs(qGreen(a) - qGreen(b)) > slack ||
               std::abs(qBlue(a) - qBlue(b)) > slack || std::abs(qAlpha(a) - qAlpha(b)) > slack;
    };
    int red = 0; // pixels the rectangles turned red (the background has 0x30)
    for (int y = 0; y < filled.height(); ++y) {
        for (int x = 0; x < filled.width(); ++x) {
            if (differs(filled.pixel(x, y), viaPainter.pixel(x, y)))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs: %3, want %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(filled.pixel(x, y), 8, 16)
                                     .arg(viaPainter.pixel(x, y), 8, 16)));
            red += qRed(filled.pixel(x, y)) > 0x40;
        }
    }
    QVERIFY2(red > 1000, "the rectangles were drawn");
}

void TestPaintPaths::everyItemOnce_data()
{
    QTest::addColumn<bool>("withHelper");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("lanes");
    QTest::addColumn<int>("microseconds"); // cost of an item
    QTest::newRow("no helper") << false << 50 << 2 << 20;
    QTest::newRow("one lane asked") << true << 50 << 1 << 20;
    QTest::newRow("one item") << true << 1 << 2 << 20;
    QTest::newRow("no items") << true << 0 << 2 << 0;
    QTest::newRow("cheap items, often withdrawn") << true << 3 << 2 << 0;
    QTest::newRow("costly items, shared") << true << 40 << 2 << 200;
}

// Over many runs every item is done exactly once, on a lane that exists, the helper only
// while it runs a job, and every run leaves the helper idle.
void TestPaintPaths::everyItemOnce()
{
    QFETCH(bool, withHelper);
    QFETCH(int, count);
    QFETCH(int, lanes);
    QFETCH(int, microseconds);
    PaintLanes pool(withHelper);
    for (int run = 0; run < 200; ++run) {
        std::vector<std::atomic<int>> done(static_cast<size_t>(count));
        std::atomic<int> badLane{0};
        pool.run(count, lanes, [&](int item, int lane) {
            done[size_t(item)]++;
            const bool helperLane = lane == 1 && pool.state() == PaintLanes::State::Running;
            if (lane < 0 || lane >= lanes || (lane == 1 && !helperLane))
                badLane++;
            if (microseconds > 0)
                std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
        });
        QCOMPARE(badLane.load(), 0);
        QCOMPARE(pool.state(), PaintLanes::State::Idle);
        for (int i = 0; i < count; ++i)
            QCOMPARE(done[size_t(i)].load(), 1);
    }
}

void TestPaintPaths::twoLanesPaintAsOne_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("every"); // one sample in every this many is missing; 0: none
    QTest::newRow("columns of many samples") << 400000 << 0;
    QTest::newRow("with missing samples") << 400000 << 997;
    QTest::newRow("a few samples per column") << 6000 << 0;
}

// Eight noisy curves in their own colours, painted with the ink built on two threads and
// on one: the same image.
void TestPaintPaths::twoLanesPaintAsOne()
{
    QFETCH(int, samples);
    QFETCH(int, every);
    QRandomGenerator rng(11);
    QVector<qint64> stamps(samples);
    QVector<QVector<float>> columns(8, QVector<float>(samples));
    for (int i = 0; i < samples; ++i) {
        stamps[i] = 1600000000 + i + (i > samples / 2 ? 3600 : 0);
        for (int c = 0; c < columns.size(); ++c)
            columns[c][i] =
                every && (i + c) % every == 0 ? 999.0f : float(10 * c + 5 + rng.bounded(30.0));
    }
    PlotCanvas canvas(1200, 700, stamps, columns);
    for (int c = 0; c < columns.size(); ++c)
        canvas.d.curveInfoList[c].CurveColor = QColor::fromHsv(40 * c, 220, 200).name();
    const QImage twoLanes = canvas.paint();
    PaintLanes::setHelpersAllowed(false);
    const QImage oneLane = canvas.paint();
    PaintLanes::setHelpersAllowed(true);
    QVERIFY(twoLanes == oneLane);
    QVERIFY(twoLanes != PlotCanvas(1200, 700, stamps, {}).paint());
}

void TestPaintPaths::denseDashedSpikeDrawn_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<double>("width");
    QTest::newRow("dashes") << int(Qt::DashLine) << 1.0;
    QTest::newRow("dots") << int(Qt::DotLine) << 1.0;
    QTest::newRow("dash-dot, wide pen") << int(Qt::DashDotLine) << 3.0;
}

// A one-sample spike among hundreds of samples per pixel column, drawn with a broken pen:
// its column is inked all the way up, not only where the pattern happens to put a dash.
void TestPaintPaths::denseDashedSpikeDrawn()
{
    QFETCH(int, style);
    QFETCH(double, width);
    const int samples = 200000;
    const int spike = 123457;
    QVector<qint64> stamps(samples);
    QVector<float> values(samples);
    for (int i = 0; i < samples; ++i) {
        stamps[i] = 1600000000 + i;
        values[i] = i == spike ? 90.0f : 50.0f + 0.05f * float(i % 3);
    }
    PlotCanvas canvas(1200, 700, stamps, {values});
    canvas.d.curveInfoList[0].CurveStyle = style;
    canvas.d.curveInfoList[0].CurveWeight = float(width);
    const QImage img = canvas.paint();
    const int x = canvas.x(stamps[spike]);
    for (int y = canvas.y(89.0f); y <= canvas.y(51.0f); ++y) {
        if (qRed(img.pixel(x, y)) < 0xB0 || qGreen(img.pixel(x, y)) > 0x80)
            QFAIL(qPrintable(QStringLiteral("pixel %1,%2 not inked").arg(x).arg(y)));
    }
}

QTEST_MAIN(TestPaintPaths)
#include "tst_paintpaths.moc"
