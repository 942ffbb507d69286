#include "vyiconbutton.h"
#include "vyicontextbutton.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// Plays "enter; press 10 10; move 500 10; release 500 10; leave"; moves keep the button held.
void play(QWidget* w, const QString& script)
{
    for (const QString& step : script.split(';', Qt::SkipEmptyParts)) {
        const QStringList f = step.simplified().split(' ');
        QEvent e(f[0] == "enter" ? QEvent::Enter : QEvent::Leave);
        if (f.size() == 1) {
            QApplication::sendEvent(w, &e);
            continue;
        }
        const QEvent::Type type = f[0].endsWith("press")     ? QEvent::MouseButtonPress
                                  : f[0].endsWith("release") ? QEvent::MouseButtonRelease
                                                             : QEvent::MouseMove;
        QMouseEvent m(type, QPointF(f[1].toDouble(), f[2].toDouble()),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &m);
    }
}

} // namespace

class TstIconButton : public QObject
{
    Q_OBJECT

private slots:
    // Hover, press and click counts: a click is a release over the button it was pressed on.
    void mouseRules()
    {
        const QString off = "enter; press 10 10; move 500 10";
        const QStringList rows = {"enter: h- 0",
                                  "enter; press 10 10: hp 0",
                                  "enter; press 10 10; release 10 10: h- 1",
                                  off + ": -p 0",
                                  off + "; release 500 10: -- 0",
                                  "enter; press 5 5; release 0 5: h- 0",
                                  "enter; leave: -- 0"};
        for (bool text : {false, true})
            for (const QString& row : rows) {
                const QIcon icon(QStringLiteral(":/pngs/left.png"));
                QWidget window;
                VyIconButton* b = text ? new VyIconTextButton(icon, "重置", QSize(28, 28))
                                       : new VyIconButton(icon, QSize(28, 28));
                b->setText(QStringLiteral("重置"));
                (new QHBoxLayout(&window))->addWidget(b);
                window.show();
                QVERIFY(QTest::qWaitForWindowExposed(&window));
                QSignalSpy clicked(b, &QPushButton::clicked);
                QSignalSpy down(b, &QPushButton::pressed);
                play(b, row.section(':', 0, 0));
                const QString state = QString(b->mouseHover() ? "h" : "-") +
                                      (b->leftPressed() ? "p " : "- ") +
                                      QString::number(clicked.count());
                QCOMPARE(row.section(':', 0, 0) + ": " + state, row);
                QVERIFY(down.isEmpty() && !b->isDown()); // QPushButton's own press stays out
            }
    }
};

QTEST_MAIN(TstIconButton)
#include "tst_iconbutton.moc"
