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

const QColor green("#8BC34A");

// Plays a script such as "enter; press 10 10; move 500 10 held; release 500 10".
// A leading 'r' on press/release uses the right button.
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
        const bool held = type == QEvent::MouseButtonPress || f.value(3) == "held";
        QMouseEvent e(type, QPointF(f[1].toDouble(), f[2].toDouble()),
                      type == QEvent::MouseMove ? Qt::NoButton : b, held ? b : Qt::NoButton,
                      Qt::NoModifier);
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

bool hasPixelNear(const QImage& img, const QColor& c)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor p = img.pixelColor(x, y);
            if (qAbs(p.red() - c.red()) + qAbs(p.green() - c.green()) + qAbs(p.blue() - c.blue()) <
                12)
                return true;
        }
    return false;
}

// Both kinds carry a caption; only the text button may paint it green. The icon has no green.
VyIconButton* makeButton(const QString& kind, int side = 28)
{
    const QIcon icon(QStringLiteral(":/pngs/left.png"));
    if (kind == "text")
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
        QTest::newRow("rounds past bottom") << QPointF(10, 37.6) << false;
    }
    void insideTest()
    {
        QFETCH(QPointF, pos);
        QFETCH(bool, inside);
        QCOMPARE(VyIconButton::isInside(pos, QSize(40, 38)), inside);
    }

    void construction_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("side");
        for (const char* kind : {"icon", "text"})
            for (int side : {24, 26, 28, 36})
                QTest::addRow("%s %d", kind, side) << QString(kind) << side;
    }
    void construction()
    {
        QFETCH(QString, kind);
        QFETCH(int, side);
        QScopedPointer<VyIconButton> b(makeButton(kind, side));
        QCOMPARE(b->iconSize(), QSize(side, side));
        QCOMPARE(b->minimumWidth(), side + 14);
        QCOMPARE(b->minimumHeight(), side + 14);
        QCOMPARE(b->maximumHeight(), side + 14);
        QVERIFY(b->isFlat());
        QCOMPARE(b->toolTipDuration(), 1000);
        QCOMPARE(b->font().family(), QStringLiteral("微软雅黑"));
        QVERIFY(!b->leftPressed() && !b->mouseHover());
        QCOMPARE(b->font().weight(), kind == "text" ? 75 : QFont().weight());
        if (kind == "text")
            QCOMPARE(b->font().pixelSize(), side - 14);
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
        const QList<std::tuple<const char*, const char*, bool, bool, int, const char*>> rows = {
            {"idle", "", false, false, 0, ""},
            {"hover", "enter", true, false, 0, "#D9EBF9"},
            {"held over", "enter; press 10 10", true, true, 0, "#BCDCF4"},
            {"click", "enter; press 10 10; release 10 10", true, false, 1, "#D9EBF9"},
            {"dragged off", "enter; press 10 10; move 500 10 held", false, true, 0, "#D9EBF9"},
            {"released off", "enter; press 10 10; move 500 10 held; release 500 10", false, false,
             0, ""},
            {"dragged back", "enter; press 10 10; move 500 10 held; move 9 9 held", true, true, 0,
             "#BCDCF4"},
            {"held onto top edge", "enter; press 10 10; move 10 0 held", false, true, 0, "#D9EBF9"},
            {"held move sets hover", "press 10 10; move 10 10 held", true, true, 0, "#BCDCF4"},
            {"press without hover", "press 10 10", false, true, 0, "#D9EBF9"},
            {"release on left edge", "enter; press 5 5; release 0 5", true, false, 0, "#D9EBF9"},
            {"release at 1,1", "enter; press 5 5; release 1 1", true, false, 1, "#D9EBF9"},
            {"right press", "enter; rpress 10 10", true, true, 0, "#BCDCF4"},
            {"right click", "enter; rpress 10 10; rrelease 10 10", true, false, 1, "#D9EBF9"},
            {"enter then leave", "enter; leave", false, false, 0, ""},
        };
        for (const char* kind : {"icon", "text"})
            for (const auto& [name, script, hover, pressed, clicks, bg] : rows)
                QTest::addRow("%s %s", kind, name)
                    << QString(script) << hover << pressed << clicks << QString(bg);
    }
    void mouseRules()
    {
        QFETCH(QString, script);
        QFETCH(bool, hover);
        QFETCH(bool, pressed);
        QFETCH(int, clicks);
        QFETCH(QString, background);
        const bool text = QByteArray(QTest::currentDataTag()).startsWith("text");
        VyIconButton* b = makeButton(text ? "text" : "icon");
        Host host(b);
        QVERIFY(host.exposed);
        QSignalSpy clicked(b, &QPushButton::clicked);
        QSignalSpy down(b, &QPushButton::pressed);
        play(b, script);
        QCOMPARE(b->mouseHover(), hover);
        QCOMPARE(b->leftPressed(), pressed);
        QCOMPARE(clicked.count(), clicks);
        for (const auto& args : clicked)
            QCOMPARE(args.at(0).toBool(), false);
        QCOMPARE(down.count(), 0);
        QVERIFY(!b->isDown());
        const QImage img = host.grab(b);
        QCOMPARE(img.pixelColor(3, b->height() / 2),
                 background.isEmpty() ? host.backdrop() : QColor(background));
        QCOMPARE(hasPixelNear(img, green), text);
    }

    // A set re-polishes even when the value is unchanged, so selectors on other properties
    // are picked up too; the properties are writable through the meta-object system.
    void repolishOnEverySet_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::newRow("leftPressed") << QByteArray("leftPressed");
        QTest::newRow("mouseHover") << QByteArray("mouseHover");
    }
    void repolishOnEverySet()
    {
        QFETCH(QByteArray, property);
        VyIconButton* b = makeButton("icon");
        Host host(b, "VyIconButton[flavour='red'][mouseHover='false'][leftPressed='false'] "
                     "{ background-color: #FF0000; }");
        b->setProperty("flavour", "red");
        QCOMPARE(host.grab(b).pixelColor(3, 10), host.backdrop());
        QVERIFY(b->setProperty(property, false));
        QCOMPARE(host.grab(b).pixelColor(3, 10), QColor("#FF0000"));
        QVERIFY(b->setProperty(property, true));
        QCOMPARE(b->property(property).toBool(), true);
        QCOMPARE(host.grab(b).pixelColor(3, 10) == QColor("#FF0000"), false);
    }

    void greenLabelAndBrandPanel()
    {
        auto* label = new VyGreenLabel(QStringLiteral("拖动"));
        label->setFont(QFont(QStringLiteral("微软雅黑"), 16, 75));
        Host host(label);
        QVERIFY(hasPixelNear(host.grab(label), green));

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
