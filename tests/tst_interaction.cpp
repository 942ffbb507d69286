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
    // Presses and releases are of the left button; moves carry it while mousePressed is set.
    void mouse(QEvent::Type type, int x, int y)
    {
        const Qt::MouseButton b = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const bool held = type == QEvent::MouseButtonPress || (!b && w->mousePressed);
        QMouseEvent e(type, QPointF(x, y), w->mapToGlobal(QPoint(x, y)), b,
                      held ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    void wheelAt(int x, QPoint angle)
    {
        QWheelEvent e(QPointF(x, 150), QPointF(w->mapToGlobal(QPoint(x, 150))), QPoint(), angle,
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
    }
    TavDrawer* w = nullptr;

private slots:
    void cleanup() { delete w; }
    void init()
    {
        w = new TavDrawer;
        w->resize(480, 360);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        // A configuration file left by another suite must not change the flags under test.
        w->DrawA = w->allowDragX = w->allowDragY0 = w->allowDragY1 = w->allowZoomX = true;
        w->DrawB = w->allowZoomY0 = w->allowZoomY1 = w->showError = w->showSys = w->showUser =
            false;
        w->upperLimits = {200.0f, 110.0f};
        w->lowerLimits = {-100.0f, -10.0f};
        SortedTavData& d = w->dataSet;
        d.stamps.resize(381);
        for (int i = 0; i <= 380; ++i)
            d.stamps[i] = T0 + 10 * i;
        d.sampleCount = 381;
        d.status = 0;
        w->stampStart = T0;
        w->stampEnd = T0 + 3800;
    }

    void grabAndDrag_data()
    {
        QTest::addColumn<bool>("drawB");
        QTest::addColumn<int>("pressX");
        QTest::addColumn<int>("moveX");
        QTest::addColumn<Stamps>("after"); // vernPosA, vernPosB, stampStart
        // A at 100, B at 106.
        QTest::newRow("both in reach: A wins") << true << 103 << 300 << Stamps{300, 106, T0};
        QTest::newRow("B alone") << true << 110 << 200 << Stamps{100, 200, T0};
        QTest::newRow("B hidden: pans") << false << 110 << 150 << Stamps{100, 106, T0 - 399};
        QTest::newRow("left of plot") << false << 104 << 3 << Stamps{50, 106, T0};
        QTest::newRow("onto plotRight") << false << 96 << 430 << Stamps{429, 106, T0};
    }

    void grabAndDrag()
    {
        QFETCH(bool, drawB);
        QFETCH(int, pressX);
        QFETCH(int, moveX);
        w->DrawB = drawB;
        w->vernPosB = 106;
        mouse(QEvent::MouseButtonPress, pressX, 150);
        mouse(QEvent::MouseMove, moveX, 150);
        QTEST((Stamps{w->vernPosA, w->vernPosB, w->stampStart}), "after");
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(w, &leave);
        QVERIFY(!w->dragA && !w->dragB && !w->hoverA && w->cursor().shape() != Qt::SplitHCursor);
    }

    void pan_data()
    {
        QTest::addColumn<qint64>("range");
        QTest::addColumn<int>("dy");
        QTest::addColumn<Stamps>("starts"); // after each 1 px move leftwards
        // On the 500 px plot of a 599-wide canvas, 200 s move 0.4 s per pixel.
        QTest::newRow("0.4 s per event")
            << 200LL << 0 << Stamps{T0, T0, T0 + 1, T0 + 1, T0 + 1, T0 + 2};
        QTest::newRow("2.5 s rounds away") << 1250LL << 5 << Stamps{T0 + 3, T0 + 6};
    }

    void pan()
    {
        QFETCH(qint64, range);
        QFETCH(int, dy);
        QFETCH(Stamps, starts);
        w->resize(599, 360);
        w->stampEnd = T0 + range;
        w->allowDragY0 = dy == 0;
        int x = 300, y = 150;
        mouse(QEvent::MouseButtonPress, x, y);
        QSignalSpy paints(w, &TavDrawer::repaintFinished);
        for (qint64 start : starts) {
            mouse(QEvent::MouseMove, --x, y += dy);
            QCOMPARE(w->stampStart, start);
            QCOMPARE(w->stampEnd - w->stampStart, range);
        }
        QTRY_VERIFY(paints.count() > 0);
        QCOMPARE(paints.count(), 1); // a burst of moves is folded into a single paint
        // 258 px plot height; the data follows the mouse, axis 0 only where allowed.
        QCOMPARE(w->upperLimits[1], 110.0f + 120.0f * float(dy * starts.size()) / 258.0f);
    }

    void wheel_data()
    {
        QTest::addColumn<QPoint>("angle");
        QTest::addColumn<Stamps>("range");
        QTest::newRow("in about middle") << QPoint(0, 120) << Stamps{T0 + 190, T0 + 3610};
        QTest::newRow("horizontal zooms out") << QPoint(120, 0) << Stamps{T0 - 190, T0 + 3990};
    }

    void wheel()
    {
        QFETCH(QPoint, angle);
        w->allowZoomY0 = true;
        wheelAt(240, angle);
        QTEST((Stamps{w->stampStart, w->stampEnd}), "range");
        QCOMPARE(w->upperLimits[0], angle.y() > 0 ? 194.0f : 206.0f);
        // Zooming in stops short of half a second per pixel (190 s on 380 px)...
        for (int i = 0; i < 100; ++i)
            wheelAt(240, {0, 120});
        QVERIFY(w->stampEnd - w->stampStart >= 190 && w->stampEnd - w->stampStart < 212);
        // ...and zooming out short of a thousand years, however often the wheel turns.
        for (int i = 0; i < 400; ++i)
            wheelAt(430, {0, -120});
        const qint64 width = w->stampEnd - w->stampStart;
        QVERIFY(width <= ViewNavigation::MaxRangeSeconds &&
                width > ViewNavigation::MaxRangeSeconds / 2);
    }

    void tooltip_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("dy");
        QTest::addColumn<QString>("text");
        // A cleared fault and a user event at pixel 250; the band is plotBottom-17..-1.
        const QString fault = "[12]故障解除 2020/09/13 13:00:00";
        QTest::newRow("top edge inside") << 255 << -17 << fault;
        QTest::newRow("on the axis") << 255 << 0 << QString();
        QTest::newRow("past the window") << 260 << -5 << QString();
    }

    void tooltip()
    {
        QFETCH(int, x);
        QFETCH(int, dy);
        QFETCH(QString, text);
        w->showError = w->showUser = true;
        w->dataSet.errors = {{quint32(T0 + 2000), 12, 0}};
        w->dataSet.userEvents = {{quint32(T0 + 2000), "u"}};
        mouse(QEvent::MouseMove, x, 150);
        mouse(QEvent::MouseMove, x, w->plotBottom + dy);
        QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), text);
        QCOMPARE(w->lastTipX, text.isEmpty() ? -1 : 250); // anchored on the entry's pixel
        QToolTip::hideText();
    }

    void centreKeepsOneSecond()
    {
        w->stampEnd = T0 + 1;
        w->onMoveTCenter(T0 + 500);
        QCOMPARE((Stamps{w->stampStart, w->stampEnd}), (Stamps{T0 + 500, T0 + 501}));
    }
};

QTEST_MAIN(TstInteraction)
#include "tst_interaction.moc"
