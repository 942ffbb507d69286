#include "vybrandwidget.h"
#include "vygreenlabel.h"
#include "vyiconbutton.h"
#include "vyicontextbutton.h"

#include <QFile>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

namespace {

// Plays a script such as "enter; press 10 10; move 500 10; release 500 10". Moves keep the
// button held; a leading 'r' on press/release uses the right button.
void play(QWidget* w, const QString& script)
{
    for (const QString& step : script.split(';', Qt::SkipEmptyParts)) {
        const QStringList f = step.simplified().split(' ');
        if (f[0] == "enter" || f[0] == "leave") {
            QEvent e(f[0] == "enter" ? QEvent::Enter : QEvent::Leave);
            QApplication::sendEvent(w, &e);
            continue;
        }
        const Qt::MouseButton b = f[0].startsWith('r') ? Qt::RightButton : Qt::LeftButton;
        const QEvent::Type type = f[0].endsWith("press")     ? QEvent::MouseButtonPress
                                  : f[0].endsWith("release") ? QEvent::MouseButtonRelease
                                                             : QEvent::MouseMove;
        QMouseEvent e(type, QPointF(f[1].toDouble(), f[2].toDouble()),
                      type == QEvent::MouseMove ? Qt::NoButton : b,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : b, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
}

// A shown window carrying the real style sheet, so grabs show what the user sees.
struct Host
{
    QWidget window;
    bool exposed = false;
    explicit Host(QWidget* child, const QString& extraRules = QString())
    {
        QFile qss(QStringLiteral(":/qss/common.qss"));
        qss.open(QIODevice::ReadOnly);
        window.setStyleSheet(QString::fromUtf8(qss.readAll()) + extraRules);
        (new QHBoxLayout(&window))->addWidget(child);
        window.show();
        exposed = QTest::qWaitForWindowExposed(&window);
    }
    QImage grab(QWidget* child) { return window.grab(child->geometry()).toImage(); }
    QColor backdrop() { return window.grab(QRect(1, 1, 1, 1)).toImage().pixelColor(0, 0); }
};

bool hasGreen(const QImage& img) // near #8BC34A
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            if (qAbs(qRed(p) - 0x8B) + qAbs(qGreen(p) - 0xC3) + qAbs(qBlue(p) - 0x4A) < 12)
                return true;
        }
    return false;
}

// Both kinds carry a caption; only the text button may paint it green. The icon has no green.
VyIconButton* makeButton(bool text, int side = 28)
{
    const QIcon icon(QStringLiteral(":/pngs/left.png"));
    if (text)
        return new VyIconTextButton(icon, QStringLiteral("重置"), QSize(side, side));
    auto* b = new VyIconButton(icon, QSize(side, side));
    b->setText(QStringLiteral("重置"));
    return b;
}

} // namespace

class TstIconButton : public QObject
{
    Q_OBJECT

private slots:
    void insideTest_data()
    {
        QTest::addColumn<QPointF>("pos");
        QTest::addColumn<bool>("inside");
        QTest::newRow("left edge") << QPointF(0, 5) << false;
        QTest::newRow("top edge") << QPointF(5, 0) << false;
        QTest::newRow("first inner pixel") << QPointF(1, 1) << true;
        QTest::newRow("last inner pixel") << QPointF(39, 37) << true;
        QTest::newRow("right of it") << QPointF(40, 10) << false;
        QTest::newRow("below it") << QPointF(10, 38) << false;
        QTest::newRow("rounds onto edge") << QPointF(0.4, 5) << false;
        QTest::newRow("rounds inside") << QPointF(0.6, 5) << true;
    }
    void insideTest()
    {
        QFETCH(QPointF, pos);
        QTEST(VyIconButton::isInside(pos, QSize(40, 38)), "inside");
    }

    void construction()
    {
        for (bool text : {false, true})
            for (int side : {24, 36}) {
                QScopedPointer<VyIconButton> b(makeButton(text, side));
                QCOMPARE(b->iconSize(), QSize(side, side));
                QCOMPARE(b->minimumWidth(), side + 14);
                QCOMPARE(b->minimumHeight(), side + 14);
                QCOMPARE(b->maximumHeight(), side + 14);
                QVERIFY(b->isFlat());
                QCOMPARE(b->toolTipDuration(), 1000);
                QCOMPARE(b->font().family(), QStringLiteral("微软雅黑"));
                QCOMPARE(b->font().weight(), text ? 75 : QFont().weight());
                if (text)
                    QCOMPARE(b->font().pixelSize(), side - 14);
            }
    }

    // Each script runs on a fresh shown button; the background is read in a solid area left of
    // the icon, and the caption must be green in every state for text buttons only.
    void mouseRules_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("hover");
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QString>("background");
        const QString off = "enter; press 10 10; move 500 10";
        const QList<std::tuple<const char*, QString, bool, bool, int, const char*>> rows = {
            {"idle", "", false, false, 0, ""},
            {"hover", "enter", true, false, 0, "#D9EBF9"},
            {"held over", "enter; press 10 10", true, true, 0, "#BCDCF4"},
            {"click", "enter; press 10 10; release 10 10", true, false, 1, "#D9EBF9"},
            {"dragged off", off, false, true, 0, "#D9EBF9"},
            {"released off", off + "; release 500 10", false, false, 0, ""},
            {"dragged back", off + "; move 9 9", true, true, 0, "#BCDCF4"},
            {"press without hover", "press 10 10", false, true, 0, "#D9EBF9"},
            {"release on left edge", "enter; press 5 5; release 0 5", true, false, 0, "#D9EBF9"},
            {"release at 1,1", "enter; press 5 5; release 1 1", true, false, 1, "#D9EBF9"},
            {"right press", "enter; rpress 10 10", true, true, 0, "#BCDCF4"},
            {"right click", "enter; rpress 10 10; rrelease 10 10", true, false, 1, "#D9EBF9"},
            {"enter then leave", "enter; leave", false, false, 0, ""},
        };
        for (const char* kind : {"icon", "text"})
            for (const auto& [name, script, hover, pressed, clicks, bg] : rows)
                QTest::addRow("%s %s", kind, name) << script << hover << pressed << clicks << bg;
    }
    void mouseRules()
    {
        QFETCH(QString, script);
        QFETCH(QString, background);
        const bool text = QByteArray(QTest::currentDataTag()).startsWith("text");
        VyIconButton* b = makeButton(text);
        Host host(b);
        QVERIFY(host.exposed);
        QSignalSpy clicked(b, &QPushButton::clicked);
        QSignalSpy down(b, &QPushButton::pressed);
        play(b, script);
        QTEST(b->mouseHover(), "hover");
        QTEST(b->leftPressed(), "pressed");
        QTEST(int(clicked.count()), "clicks");
        for (const auto& args : clicked)
            QCOMPARE(args.at(0).toBool(), false);
        QCOMPARE(down.count(), 0);
        QVERIFY(!b->isDown());
        const QImage img = host.grab(b);
        QCOMPARE(img.pixelColor(3, b->height() / 2),
                 background.isEmpty() ? host.backdrop() : QColor(background));
        QCOMPARE(hasGreen(img), text);
    }

    // A set re-polishes even when the value is unchanged, so selectors on other properties
    // are picked up too; the properties are writable through the meta-object system.
    void repolishOnEverySet()
    {
        for (const char* property : {"leftPressed", "mouseHover"}) {
            VyIconButton* b = makeButton(false);
            Host host(b, "VyIconButton[flavour='red'][mouseHover='false'][leftPressed='false'] "
                         "{ background-color: #FF0000; }");
            b->setProperty("flavour", "red");
            QCOMPARE(host.grab(b).pixelColor(3, 10), host.backdrop());
            QVERIFY(b->setProperty(property, false));
            QCOMPARE(host.grab(b).pixelColor(3, 10), QColor("#FF0000"));
            QVERIFY(b->setProperty(property, true));
            QCOMPARE(b->property(property).toBool(), true);
            QVERIFY(host.grab(b).pixelColor(3, 10) != QColor("#FF0000"));
        }
    }

    void greenLabelAndBrandPanel()
    {
        auto* label = new VyGreenLabel(QStringLiteral("拖动"));
        label->setFont(QFont(QStringLiteral("微软雅黑"), 16, 75));
        Host host(label);
        QVERIFY(hasGreen(host.grab(label)));
        VyBrandWidget brand;
        QStringList texts;
        int images = 0;
        for (QLabel* l : brand.findChildren<QLabel*>()) {
            const QPixmap pm = l->pixmap(Qt::ReturnByValue);
            images += !pm.isNull() && pm.width() == 96;
            if (pm.isNull())
                texts << l->text();
        }
        QCOMPARE(images, 2);
        QCOMPARE(texts, QStringList({VyBrandWidget::companyName(), "Ostrel V1.0.8"}));
    }
};

QTEST_MAIN(TstIconButton)
#include "tst_iconbutton.moc"
