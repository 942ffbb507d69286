#include "tavdrawer.h"
#include "viewnavigation.h"

#include <QApplication>
#include <QSignalSpy>
#include <QToolTip>
#include <QtTest>

// Ten-second samples over 3800 s: 10 s per pixel on the 380 px plot of a 480-wide canvas.
static constexpr qint64 T0 = 1600000000;
using Stamps = QList<qint64>;

class TstInteraction : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup() { delete w; }
    void grabAndDrag_data();
    void grabAndDrag();
    void pan_data();
    void pan();
    void wheel_data();
    void wheel();
    void tooltip_data();
    void tooltip();
    void tooltipNotReshown();
    void resize_data();
    void resize();
    void keysAndProgrammaticMoves();

private:
    void load(qint64 range);
    void mouse(QEvent::Type type, int x, int y);
    void wheelAt(double x, QPoint angle);
    TavDrawer* w = nullptr;
};

void TstInteraction::init()
{
    w = new TavDrawer;
    w->resize(480, 360);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    // A configuration file left by another suite must not change the flags under test.
    w->DrawA = w->allowDragX = w->allowDragY0 = w->allowDragY1 = w->allowZoomX = true;
    w->DrawB = w->allowZoomY0 = w->allowZoomY1 = w->showError = w->showSys = w->showUser = false;
    w->upperLimits = {200.0f, 110.0f};
    w->lowerLimits = {-100.0f, -10.0f};
    load(3800);
}

void TstInteraction::load(qint64 range)
{
    SortedTavData& d = w->dataSet;
    const int n = int(range / 10) + 1;
    d.names = QStringList{"T"};
    d.stamps.resize(n);
    for (int i = 0; i < n; ++i)
        d.stamps[i] = T0 + 10 * i;
    d.values = {QVector<float>(n, 20.0f)};
    d.sampleCount = n;
    d.spanStamps = {{T0, d.stamps.last()}};
    d.spanIndexes = {{0, n - 1}};
    d.spanIntervals = {10};
    d.status = 0;
    w->stampStart = T0;
    w->stampEnd = T0 + range;
}

// Presses and releases are of the left button; moves carry it while mousePressed is set.
void TstInteraction::mouse(QEvent::Type type, int x, int y)
{
    const bool move = type == QEvent::MouseMove;
    const bool held = type == QEvent::MouseButtonPress || (move && w->mousePressed);
    QMouseEvent e(type, QPointF(x, y), w->mapToGlobal(QPoint(x, y)),
                  move ? Qt::NoButton : Qt::LeftButton, held ? Qt::LeftButton : Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void TstInteraction::wheelAt(double x, QPoint angle)
{
    const QPointF pos(x, 150.0);
    QWheelEvent e(pos, QPointF(w->mapToGlobal(pos.toPoint())), QPoint(), angle, Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

void TstInteraction::grabAndDrag_data()
{
    QTest::addColumn<bool>("drawB");
    QTest::addColumn<int>("pressX");
    QTest::addColumn<int>("moveX");
    QTest::addColumn<int>("posA");
    QTest::addColumn<int>("posB");
    QTest::addColumn<qint64>("start");
    // A at 100, B at 106.
    QTest::newRow("both in reach: A wins") << true << 103 << 300 << 300 << 106 << T0;
    QTest::newRow("B alone") << true << 110 << 200 << 100 << 200 << T0;
    QTest::newRow("B hidden: pans") << false << 110 << 150 << 100 << 106 << T0 - 399;
    QTest::newRow("left of plot") << false << 104 << 3 << 50 << 106 << T0;
    QTest::newRow("onto plotRight") << false << 96 << 430 << 429 << 106 << T0;
}

void TstInteraction::grabAndDrag()
{
    QFETCH(bool, drawB);
    QFETCH(int, pressX);
    QFETCH(int, moveX);
    w->DrawB = drawB;
    w->vernPosB = 106;
    mouse(QEvent::MouseButtonPress, pressX, 150);
    mouse(QEvent::MouseMove, moveX, 150);
    QTEST(w->vernPosA, "posA");
    QTEST(w->vernPosB, "posB");
    QTEST(w->stampStart, "start");
    // A dragged vernier keeps the split cursor wherever the mouse is.
    QCOMPARE(w->cursor().shape() == Qt::SplitHCursor, w->dragA || w->dragB);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w, &leave);
    QVERIFY(!w->dragA && !w->dragB && !w->hoverA && w->cursor().shape() != Qt::SplitHCursor);
    QVERIFY(w->mousePressed);
    mouse(QEvent::MouseButtonRelease, moveX, 150);
    QVERIFY(!w->mousePressed);
}

void TstInteraction::pan_data()
{
    QTest::addColumn<qint64>("range");
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::addColumn<Stamps>("starts");
    // On the 500 px plot of a 599-wide canvas, 200 s move 0.4 s per pixel.
    QTest::newRow("0.4 s per event")
        << qint64(200) << -1 << 0 << Stamps{T0, T0, T0 + 1, T0 + 1, T0 + 1, T0 + 2};
    QTest::newRow("rightwards shows earlier") << qint64(200) << 1 << 0 << Stamps{T0, T0, T0 - 1};
    QTest::newRow("2.5 s rounds away") << qint64(1250) << -1 << 5 << Stamps{T0 + 3, T0 + 6};
}

void TstInteraction::pan()
{
    QFETCH(qint64, range);
    QFETCH(int, dx);
    QFETCH(int, dy);
    QFETCH(Stamps, starts);
    w->resize(599, 360);
    load(range);
    w->allowDragY0 = dy == 0;
    int x = 300, y = 150;
    mouse(QEvent::MouseButtonPress, x, y);
    QSignalSpy paints(w, &TavDrawer::repaintFinished);
    for (qint64 start : starts) {
        mouse(QEvent::MouseMove, x += dx, y += dy);
        QCOMPARE(w->stampStart, start);
        QCOMPARE(w->stampEnd - w->stampStart, range);
    }
    // A burst of moves is folded into a single paint.
    QTRY_VERIFY(paints.count() > 0);
    QCOMPARE(paints.count(), 1);
    // 258 px plot height; the data follows the mouse, axis 0 only where allowed.
    const float share = float(dy * starts.size()) / 258.0f;
    QCOMPARE(w->upperLimits[1], 110.0f + 120.0f * share);
    QCOMPARE(w->lowerLimits[0], -100.0f);
    w->allowDragX = w->allowDragY1 = false;
    mouse(QEvent::MouseMove, x + 40, y + 40);
    QCOMPARE(w->stampStart, starts.last());
    QCOMPARE(w->upperLimits[1], 110.0f + 120.0f * share);
}

void TstInteraction::wheel_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<QPoint>("angle");
    QTest::addColumn<Stamps>("range");
    QTest::addColumn<float>("upper0");
    QTest::newRow("in about middle")
        << 240.0 << QPoint(0, 120) << Stamps{T0 + 190, T0 + 3610} << 194.0f;
    QTest::newRow("tiny step is a whole step")
        << 240.0 << QPoint(0, 1) << Stamps{T0 + 190, T0 + 3610} << 194.0f;
    QTest::newRow("fractional x truncates")
        << 239.9 << QPoint(0, 120) << Stamps{T0 + 189, T0 + 3609} << 194.0f;
    QTest::newRow("left of plot keeps start")
        << 10.0 << QPoint(0, -120) << Stamps{T0, T0 + 4180} << 206.0f;
    QTest::newRow("horizontal wheel zooms out")
        << 240.0 << QPoint(120, 0) << Stamps{T0 - 190, T0 + 3990} << 206.0f;
}

void TstInteraction::wheel()
{
    QFETCH(double, x);
    QFETCH(QPoint, angle);
    w->allowZoomY0 = true;
    wheelAt(x, angle);
    QTEST((Stamps{w->stampStart, w->stampEnd}), "range");
    QTEST(w->upperLimits[0], "upper0");
    QCOMPARE(w->upperLimits[1], 110.0f);
    // Zooming in stops short of half a second per pixel (190 s on 380 px)...
    for (int i = 0; i < 100; ++i)
        wheelAt(x, {0, 120});
    QVERIFY(w->stampEnd - w->stampStart >= 190 && w->stampEnd - w->stampStart < 212);
    // ...and zooming out short of a thousand years, however often the wheel turns.
    for (int i = 0; i < 400; ++i)
        wheelAt(430, {0, -120});
    const qint64 width = w->stampEnd - w->stampStart;
    QVERIFY(width <= ViewNavigation::MaxRangeSeconds &&
            width > ViewNavigation::MaxRangeSeconds / 2);
}

void TstInteraction::tooltip_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("dy");
    QTest::addColumn<int>("tipX");
    QTest::addColumn<QString>("text");
    // Fault cleared at pixel 250, odd fault state at 300, system events at 350 and 355,
    // user events at 250 and 300 and a fault at vernier A (100). The band is plotBottom-17..-1.
    const QString fault = "[12]故障解除 2020/09/13 13:00:00";
    QTest::newRow("top edge outside") << 255 << -18 << -1 << QString();
    QTest::newRow("top edge inside") << 255 << -17 << 250 << fault;
    QTest::newRow("bottom edge inside") << 245 << -1 << 250 << fault;
    QTest::newRow("on the axis") << 255 << 0 << -1 << QString();
    QTest::newRow("window edge") << 259 << -5 << 250 << fault;
    QTest::newRow("past the window") << 260 << -5 << -1 << QString();
    QTest::newRow("odd state: no text") << 300 << -5 << 300 << QString();
    QTest::newRow("first system event") << 352 << -5 << 350 << QString("门开 2020/09/13 13:16:40");
    QTest::newRow("hovering vernier A") << 100 << -5 << -1 << QString();
}

void TstInteraction::tooltip()
{
    QFETCH(int, x);
    QFETCH(int, dy);
    QFETCH(QString, text);
    w->showError = w->showSys = w->showUser = true;
    auto at = [](int px) { return quint32(T0 + (px - 50) * 10); };
    w->dataSet.errors = {{at(250), 12, 0}, {at(300), 3, 7}, {at(100), 1, 1}};
    w->dataSet.systemEvents = {{at(350), QString("门开")}, {at(355), "x"}};
    w->dataSet.userEvents = {{at(250), "u"}, {at(300), "u"}};
    mouse(QEvent::MouseMove, x, 150);
    mouse(QEvent::MouseMove, x, w->plotBottom + dy);
    QCOMPARE(w->lastTipText, text);
    QTEST(w->lastTipX, "tipX");
    QCOMPARE(QToolTip::isVisible(), !text.isEmpty());
    if (!text.isEmpty())
        QCOMPARE(QToolTip::text(), text);
    QToolTip::hideText();
}

void TstInteraction::tooltipNotReshown()
{
    w->showUser = true;
    w->dataSet.userEvents = {{quint32(T0 + 2000), "a"}, {quint32(T0 + 3000), "b"}};
    const int y = w->plotBottom - 5;
    mouse(QEvent::MouseMove, 250, y);
    QVERIFY(QToolTip::isVisible());
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());
    mouse(QEvent::MouseMove, 253, y);
    QVERIFY(!QToolTip::isVisible());
    mouse(QEvent::MouseMove, 350, y);
    QVERIFY(QToolTip::isVisible() && QToolTip::text().startsWith("b "));
    // A range of no width must not divide by zero: the event sits at plotLeft.
    w->stampStart = w->stampEnd = T0 + 3000;
    mouse(QEvent::MouseMove, 60, y);
    QCOMPARE(w->lastTipX, w->plotLeft);
    QToolTip::hideText();
}

void TstInteraction::resize_data()
{
    QTest::addColumn<bool>("data");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("posA");
    QTest::addColumn<int>("posB");
    QTest::newRow("wider") << true << 670 << 125 << 275;
    QTest::newRow("odd ratio truncates") << true << 577 << 112 << 238;
    QTest::newRow("no data keeps them") << false << 670 << 100 << 200;
}

void TstInteraction::resize()
{
    QFETCH(bool, data);
    QFETCH(int, width);
    w->dataSet.status = data ? 0 : 1;
    w->resize(width, 400);
    QCOMPARE(w->plotRight, width - 50);
    QCOMPARE(w->plotBottom, 350);
    QTEST(w->vernPosA, "posA");
    QTEST(w->vernPosB, "posB");
}

void TstInteraction::keysAndProgrammaticMoves()
{
    w->dataSet.status = 1;
    QSignalSpy recover(w, &TavDrawer::recoverWindow);
    for (bool full : {false, true}) {
        w->fullScreen = full;
        QKeyEvent e(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    QCOMPARE(recover.count(), 1);
    // Without data and with every drag forbidden, the arrow buttons still move the view.
    w->allowDragX = w->allowDragY0 = w->allowDragY1 = false;
    w->stampStart = T0;
    w->stampEnd = T0 + 3800;
    w->onMoveView(-1, 0);
    QCOMPARE(w->stampStart, T0 + 10);
    w->onMoveView(0, 258);
    QCOMPARE(w->upperLimits[0], 500.0f);
    QCOMPARE(w->lowerLimits[1], 110.0f);
    // The mouse is ignored without data, except that hovering is dropped.
    w->hoverA = true;
    mouse(QEvent::MouseMove, 100, 150);
    wheelAt(240, {0, 120});
    QVERIFY(!w->hoverA);
    QCOMPARE(w->stampStart, T0 + 10);
    // Centring a one-second range keeps one second.
    w->stampEnd = T0 + 11;
    w->onMoveTCenter(T0 + 500);
    QCOMPARE((Stamps{w->stampStart, w->stampEnd}), (Stamps{T0 + 500, T0 + 501}));
}

QTEST_MAIN(TstInteraction)
#include "tst_interaction.moc"
