// The window around the canvas: opening at start, progress and watchdog, editors, the
// names chosen in the save dialogs, failed saves, the status text's width, full screen,
// shortcuts, and what the window brings back from the last run.
#include "ostrelviewer.h"
#include "tst_ostrelmodal.h"
#include "viewnavigation.h"
#include "vycheckbox.h"
#include "vyiconbutton.h"
#include "vyrecentlist.h"
#include "vytabcurve.h"
#include "vytabinfo.h"
#include "windowmemory.h"
#include "windowpaths.h"

#include <QtWidgets>

#include <cmath>
#include <csignal>
#include <ctime>
#include <sys/resource.h>

namespace {

const QString Sample = samplePath();

// Limits the size of files this process may write, for one scope: writing past it fails
// as on a full disk.
struct FileSizeLimit
{
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit l = saved;
        l.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &l);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
    rlimit saved;
};

// The full paths of a recent list, as its tooltips show them.
QStringList tips(const QListWidget* list)
{
    QStringList t;
    for (int i = 0; i < list->count(); ++i)
        t << list->item(i)->toolTip();
    return t;
}

} // namespace

class TestOstrelWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir tmp;
    QList<QUrl> openedUrls;

public slots:
    void openFolder(const QUrl& url) { openedUrls << url; }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QList<int>>("QList<int>");
        qputenv("TZ", "Asia/Shanghai"); // far from UTC: exposes any local-time shift
        tzset();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openFolder");
        QVERIFY(!TestUtil::writeFile(tmp.filePath(QStringLiteral("plain")), {}).isNull());
        QVERIFY(!TestUtil::writeFile(tmp.filePath(QStringLiteral("bad.tavdata")),
                                     QByteArray(300, '\x5a'))
                     .isNull());
    }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    // Every case starts as a first start: nothing from the windows of the cases before.
    void init() { std::unique_ptr<QSettings>(WindowMemory::openUserSettings(nullptr))->clear(); }

    void construction_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("ok");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("folder") << TestUtil::sourceDir() << false;
        QTest::newRow("missing") << TestUtil::sourceDir() + "/samples/none.tavdata" << false;
        QTest::newRow("sample") << Sample << true;
        QTest::newRow("damaged") << tmp.filePath(QStringLiteral("bad.tavdata")) << false;
    }
    // Only a file is read; a failed read says so in a box, a good one fills the window.
    void construction()
    {
        QFETCH(QString, path);
        QFETCH(bool, ok);
        ModalAnswerer answerer;
        OstrelViewer v(path);
        const bool reads = QFileInfo(path).isFile();
        QCOMPARE(v.w.readTimer->isActive(), reads);
        QVERIFY(reads ? v.waitRead() : !v.reads.wait(50));
        QCOMPARE(v.reads.value(0).value(0).toString(), ok ? path : QString());
        QVERIFY(!v.w.readTimer->isActive());
        QTRY_COMPARE(answerer.boxTexts.size(), reads && !ok ? 1 : 0);
        if (reads && !ok) // the box names the reader's reason, which starts with the path
            QVERIFY(answerer.boxTexts[0].startsWith(QStringLiteral("文件读取失败！\n") + path));
        QCOMPARE(v.w.tabInfo->rowCount() > 0, ok);
        if (!reads || ok)
            QCOMPARE(v.w.statusLabel->text(),
                     ok ? path + QStringLiteral(" 读取完成！") : QStringLiteral("等待打开文件"));
    }

    void failedOpenKeepsRecording_data()
    {
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("reason"); // what the box must name
        QTest::newRow("damaged") << tmp.filePath(QStringLiteral("bad.tavdata"))
                                 << QStringLiteral("历史数据长度异常 长度为0");
        QTest::newRow("gone") << tmp.filePath(QStringLiteral("gone.tavdata"))
                              << QStringLiteral("路径错误或不可读取");
        QTest::newRow("header only") << tmp.filePath(QStringLiteral("header.csv"))
                                     << QStringLiteral("历史数据长度异常 长度为0");
    }
    // A file that cannot be read leaves the recording on screen exactly as it was, and the
    // box says why.
    void failedOpenKeepsRecording()
    {
        QFETCH(QString, bad);
        QFETCH(QString, reason);
        TestUtil::writeFile(tmp.filePath(QStringLiteral("header.csv")), "时间,a,b\n");
        ModalAnswerer answerer;
        OstrelViewer v(Sample);
        QVERIFY(v.show(1100, 700));
        QVERIFY(v.waitRead());
        QTRY_VERIFY(v.w.drawer->hasData());
        const QImage before = v.w.drawer->grab().toImage();
        const int curves = v.w.tabCurve->rowCount(), infos = v.w.tabInfo->rowCount();
        QVERIFY(curves > 0 && infos > 0);
        QMetaObject::invokeMethod(&v.w, "startFile", Q_ARG(QString, bad));
        QTRY_COMPARE_WITH_TIMEOUT(v.reads.count(), 2, 30000);
        QCOMPARE(v.reads.at(1).at(0).toString(), QString());
        QTRY_COMPARE(answerer.boxTexts.size(), 1);
        QVERIFY2(answerer.boxTexts[0].startsWith(QStringLiteral("文件读取失败！\n") + bad),
                 qPrintable(answerer.boxTexts[0]));
        QVERIFY(answerer.boxTexts[0].contains(reason));
        QVERIFY(v.w.drawer->hasData());
        QCOMPARE(v.w.tabCurve->rowCount(), curves);
        QCOMPARE(v.w.tabInfo->rowCount(), infos);
        QCOMPARE(v.w.drawer->grab().toImage(), before);
    }

    void watchdogWarnsAtLimit()
    {
        ModalAnswerer answerer;
        OstrelViewer v;
        v.w.setWatchdogInterval(2);
        int ticksAtBox = -1;
        answerer.onBoxShown = [&] { ticksAtBox = v.w.readTickCount; };
        QSemaphore gate; // holds the worker so that the read cannot finish first
        QMetaObject::invokeMethod(
            &v.w.drawer->dataSet, [&gate] { gate.acquire(); }, Qt::QueuedConnection);
        QMetaObject::invokeMethod(&v.w, "startFile", Q_ARG(QString, Sample));
        QTRY_COMPARE_WITH_TIMEOUT(answerer.boxTexts.size(), 1, 10000);
        QCOMPARE(answerer.boxTexts.first(),
                 QStringLiteral("读取过程滞缓，文件可能已经损坏，建议重启软件后重试。"));
        QCOMPARE(ticksAtBox, 60);
        QVERIFY(!v.w.readTimer->isActive() && v.w.readTickCount == 0);
        gate.release();
        QVERIFY(v.waitRead());
    }

    // The editors change the view only with data on screen.
    void editorsChangeData()
    {
        for (bool withData : {false, true}) {
            OstrelViewer v(withData ? Sample : QString());
            TavDrawer* d = v.w.drawer;
            QVERIFY(v.show(1200, 800));
            QVERIFY(!withData || v.waitRead());
            QTRY_COMPARE(v.w.editEnd->dateTime().toSecsSinceEpoch() * withData, d->stampEnd);
            const float upper0 = d->upperLimits[0];
            const qint64 start0 = d->stampStart;
            v.w.spinUpperY1->setValue(999.9);
            v.w.editStart->setDateTime(QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7), Qt::UTC));
            QCOMPARE(d->upperLimits[0], withData ? float(999.9) : upper0);
            QCOMPARE(d->stampStart, withData ? qint64(1614834367) : start0);
        }
    }

    // Both save dialogs: the proposed name accepted as it stands has no suffix, yet a PNG
    // and a CSV come out; the screenshot is the canvas (plain background without data),
    // the export opens its folder and reads back. A screenshot that cannot be saved says so.
    // Each dialog starts in the folder it was last used in, the next window's too: the
    // second screenshot in the first one's, the first export beside the data file.
    void saveThroughDialogs()
    {
        for (bool withData : {false, true}) {
            ModalAnswerer answerer;
            OstrelViewer v(withData ? Sample : QString());
            v.w.drawer->WaterMark = false;
            QVERIFY(v.show(1000, 700));
            QVERIFY(!withData || v.waitRead());
            answerer.nextFile = tmp.filePath(QString("shot%1").arg(withData));
            QVERIFY(v.call("screenShot"));
            const QImage image(tmp.filePath(QString("shot%1.png").arg(withData)));
            QCOMPARE(image.size(), v.w.drawer->size());
            QImage filled(image.size(), image.format());
            filled.fill(image.pixel(0, 0));
            QCOMPARE(image != filled, withData);
            QCOMPARE(answerer.dialogTitles, QStringList{QStringLiteral("导出截图")});
            QCOMPARE(answerer.proposedFiles.value(0),
                     withData ? tmp.filePath("sample.png") : QString("/"));
        }
        ModalAnswerer answerer;
        OstrelViewer v(Sample);
        QVERIFY(v.waitRead());
        QSignalSpy exported(v.w.drawer, &TavDrawer::exportFinished);
        answerer.nextFile = tmp.filePath(QStringLiteral("data"));
        QVERIFY(v.call("browseForSaveData"));
        QVERIFY(exported.wait(30000));
        const QString csv = tmp.filePath(QStringLiteral("data.csv"));
        QCOMPARE(exported.first().first().toString(), csv);
        QCOMPARE(answerer.dialogTitles, QStringList{QStringLiteral("导出数据-仅当前画面")});
        QCOMPARE(answerer.proposedFiles.value(0), TestUtil::sourceDir() + "/samples/sample.csv");
        QCOMPARE(v.w.statusLabel->text(), csv + QStringLiteral(" 导出完成！"));
        QCOMPARE(openedUrls, QList<QUrl>{QUrl::fromLocalFile(tmp.path())});
        TavDrawer again;
        QSignalSpy readBack(&again, &TavDrawer::readFinished);
        again.readTAVData(csv);
        QVERIFY(readBack.wait(30000));
        QCOMPARE(readBack.first().first().toString(), csv);
        QCOMPARE(answerer.boxTexts, QStringList());
        // A folder that is a plain file: no one, not even root, can write there.
        answerer.nextFile = tmp.filePath(QStringLiteral("plain/shot.png"));
        QVERIFY(v.call("screenShot"));
        QTRY_COMPARE(answerer.boxTexts, QStringList{QStringLiteral("截图保存失败")});
    }

    void suffixRule_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("used");
        // clang-format off
        for (const auto& [tag, chosen, suffix, used] : {
                 std::tuple{"bare name", "/d/run", "png", "/d/run.png"},
                 {"has png", "/d/run.png", "png", "/d/run.png"},
                 {"other suffix kept", "/d/run.jpg", "png", "/d/run.jpg"},
                 {"dot in folder", "/d.x/run", "csv", "/d.x/run.csv"},
                 {"hidden-like name", "/d/.run", "csv", "/d/.run"}})
            QTest::newRow(tag) << QString(chosen) << QString(suffix) << QString(used);
        // clang-format on
    }

    void suffixRule()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, suffix);
        QTEST(WindowPaths::withSuffix(chosen, suffix), "used");
    }

    void proposedNames_data()
    {
        QTest::addColumn<QString>("dataFile"); // the file on screen; empty: none yet
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("dots in the name") << "/data/run.1.tavdata"
                                          << "png"
                                          << "/data/run.png";
        QTest::newRow("dots in the folder") << "/data/v1.2/run.csv"
                                            << "csv"
                                            << "/data/v1.2/run.csv";
        QTest::newRow("no suffix") << "/data/./run"
                                   << "png"
                                   << "/data/run.png";
        QTest::newRow("nothing open") << ""
                                      << "png"
                                      << "/";
    }
    // Every proposed name carries the suffix of its dialog, so that accepting it over an
    // existing file brings the dialog's own question.
    void proposedNames()
    {
        QFETCH(QString, dataFile);
        QFETCH(QString, suffix);
        QFETCH(QString, proposed);
        const QString dir = dataFile.isEmpty() ? QString() : QFileInfo(dataFile).dir().path();
        QCOMPARE(WindowPaths::proposedSaveName(dir, WindowPaths::fileStem(dataFile), suffix),
                 QDir::toNativeSeparators(proposed));
    }

    void noSilentReplace_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::addColumn<QString>("typed"); // empty: the proposed name accepted as it stands
        QTest::addColumn<bool>("replace");  // the answer to the one question
        for (const char* slot : {"browseForSaveData", "screenShot"}) {
            for (bool replace : {false, true}) {
                const char* answer = replace ? "yes" : "no";
                QTest::addRow("%s, typed without suffix, %s", slot, answer)
                    << slot << "old" << replace;
                QTest::addRow("%s, proposed name, %s", slot, answer) << slot << "" << replace;
            }
        }
    }
    // An existing file is replaced only after one question: the dialog's own for the name
    // it proposed, the window's for a name that got its suffix after the dialog closed.
    // "No" writes nothing.
    void noSilentReplace()
    {
        QFETCH(QString, slot);
        QFETCH(QString, typed);
        QFETCH(bool, replace);
        const bool csv = slot == "browseForSaveData";
        ModalAnswerer answerer;
        answerer.reply = replace ? QMessageBox::Yes : QMessageBox::No;
        OstrelViewer v(Sample);
        QVERIFY(v.show(1000, 700));
        QVERIFY(v.waitRead());
        QTemporaryDir dir;
        v.w.currentDir = dir.path();
        v.w.currentStem = QStringLiteral("proposed");
        const QString target =
            dir.filePath((typed.isEmpty() ? "proposed" : typed) + (csv ? ".csv" : ".png"));
        QVERIFY(!TestUtil::writeFile(target, "old").isNull());
        QSignalSpy exported(v.w.drawer, &TavDrawer::exportFinished);
        answerer.nextFile = typed.isEmpty() ? target : dir.filePath(typed);
        QVERIFY(v.call(qPrintable(slot)));
        QCOMPARE(answerer.proposedFiles,
                 QStringList{dir.filePath(csv ? "proposed.csv" : "proposed.png")});
        QCOMPARE(answerer.boxTexts.size(), 1);
        const QString ours = QStringLiteral("%1 已存在，是否替换？").arg(target);
        QCOMPARE(answerer.boxTexts.first() == ours, !typed.isEmpty());
        QVERIFY(answerer.boxTexts.first().contains(QFileInfo(target).fileName()));
        if (!replace) {
            QVERIFY(!v.w.drawer->workerBusy());
            QVERIFY(!exported.wait(100));
            QCOMPARE(TestUtil::readFile(target), QByteArray("old"));
            return;
        }
        if (csv) {
            QVERIFY(exported.wait(30000));
            QCOMPARE(exported.first().first().toString(), target);
            QVERIFY(TestUtil::readFile(target).size() > 1000);
        } else {
            QCOMPARE(QImage(target).size(), v.w.drawer->size());
        }
    }

    void failedExport()
    {
        ModalAnswerer answerer;
        OstrelViewer v(Sample);
        QVERIFY(v.waitRead());
        for (CurveInfo& c : v.w.drawer->curveInfoList)
            c.ToDraw = true; // an export far above the size limit
        QSignalSpy exported(v.w.drawer, &TavDrawer::exportFinished);
        const QString full = tmp.filePath(QStringLiteral("full.csv"));
        {
            FileSizeLimit limit(4096);
            v.w.drawer->exportData(full);
            QTRY_VERIFY_WITH_TIMEOUT(!v.w.drawer->workerBusy(), 30000);
        }
        QTRY_COMPARE(v.w.statusLabel->text(), full + QStringLiteral(" 导出失败"));
        QVERIFY(!QFileInfo::exists(full)); // no partial file that looks like an export
        QCOMPARE(exported.count(), 0);

        const QString gone = tmp.filePath(QStringLiteral("gone/x.csv"));
        v.w.drawer->exportData(gone);
        QTRY_COMPARE(v.w.statusLabel->text(), gone + QStringLiteral(" 导出失败"));

        // The next request still runs.
        const QString ok = tmp.filePath(QStringLiteral("ok.csv"));
        v.w.drawer->exportData(ok);
        QVERIFY(exported.wait(30000));
        QCOMPARE(v.w.statusLabel->text(), ok + QStringLiteral(" 导出完成！"));
        QVERIFY(QFileInfo(ok).size() > 4096);
        QCOMPARE(answerer.boxTexts, QStringList());
    }

    // A 300-character path in the status text leaves the window as wide as it was; the
    // text is elided in the middle and whole in the tooltip.
    void longStatusText()
    {
        OstrelViewer v;
        QVERIFY(v.show(1000, 700));
        const int width = v.w.width();
        const int hint = v.w.sizeHint().width();
        const QString path = QStringLiteral("/data/") + QString(282, QLatin1Char('x')) +
                             QStringLiteral("/run.tavdata");
        v.w.accMsg(path + QStringLiteral(" 读取完成！"), -1);
        QCoreApplication::processEvents();
        v.w.adjustSize(); // what a layout pass may do to a window on its own
        QTest::qWait(20);
        QVERIFY(v.w.sizeHint().width() <= hint);
        v.w.resize(width, 700);
        QCOMPARE(v.w.width(), width);
        const QLabel* label = v.w.statusLabel;
        QCOMPARE(label->toolTip(), path + QStringLiteral(" 读取完成！"));
        const QString shown = label->QLabel::text();
        QVERIFY(shown.startsWith(QStringLiteral("/data/")) && shown.contains(QChar(0x2026)) &&
                shown.endsWith(QStringLiteral(" 读取完成！")));
        QVERIFY(label->fontMetrics().horizontalAdvance(shown) <= label->width());
        // A short text shows whole.
        v.w.accMsg(QStringLiteral("短"), -1);
        QCOMPARE(label->QLabel::text(), QStringLiteral("短"));
    }

    // However the full-screen plot is left, it comes back into the window, its verniers
    // where they were on the time axis.
    void closeFullScreen()
    {
        for (const QString how : {"escape", "F11", "window manager close"}) {
            OstrelViewer v(Sample);
            TavDrawer* d = v.w.drawer;
            // The plot narrower than the full screen of this platform's screen: each way
            // the verniers are cut to whole pixels, and the way back widens no cut.
            QVERIFY(v.show(1000, 700));
            QVERIFY(v.waitRead());
            d->vernPosA = d->plotLeft + (d->plotRight - d->plotLeft) * 3 / 10;
            d->vernPosB = d->plotLeft + (d->plotRight - d->plotLeft) * 8 / 10;
            auto place = [d](int pos) {
                return double(pos - d->plotLeft) / (d->plotRight - d->plotLeft);
            };
            const double a = place(d->vernPosA), b = place(d->vernPosB);
            QVERIFY(v.call("showFullScreen"));
            QVERIFY(d->isWindow() && d->fullScreen);
            QVERIFY(QTest::qWaitForWindowActive(d));
            if (how == "escape")
                QTest::keyClick(d, Qt::Key_Escape);
            else if (how == "F11")
                QTest::keyClick(d, Qt::Key_F11);
            else
                QVERIFY(d->close() == false); // refused: the plot goes back instead
            QTRY_VERIFY(!d->fullScreen);
            QVERIFY(!d->isWindow());
            QCOMPARE(v.w.canvasLayout->indexOf(d), 0);
            QVERIFY(d->isVisible());
            QTRY_VERIFY(d->width() > 300);
            const double onePixel = 1.0 / (d->plotRight - d->plotLeft);
            QVERIFY(qAbs(place(d->vernPosA) - a) <= 2 * onePixel);
            QVERIFY(qAbs(place(d->vernPosB) - b) <= 2 * onePixel);
        }
    }

    // Closing the main window while the plot is full screen leaves no window that would
    // keep the program running.
    void closeMainWhileFullScreen()
    {
        OstrelViewer v;
        QVERIFY(v.show(1000, 700));
        QVERIFY(v.call("showFullScreen"));
        QVERIFY(v.w.drawer->isVisible());
        QVERIFY(v.w.close());
        QVERIFY(!v.w.drawer->fullScreen);
        for (QWidget* top : QApplication::topLevelWidgets())
            QVERIFY2(!top->isVisible() || !top->testAttribute(Qt::WA_QuitOnClose),
                     top->metaObject()->className());
    }

    void shortcuts_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("tip");    // the tooltip of the key's button; empty: none
        QTest::addColumn<QString>("effect"); // the dialog's title, or what else happens
        // clang-format off
        for (const auto& [keys, tip, effect] : {
                 std::tuple{QKeySequence(Qt::CTRL | Qt::Key_O), "打开.tavdata文件（Ctrl+O）", "选择数据"},
                 {QKeySequence(Qt::CTRL | Qt::Key_E), "导出为CSV（Ctrl+E）", "导出数据-仅当前画面"},
                 {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), "截图导出为PNG（Ctrl+Shift+S）", "导出截图"},
                 {QKeySequence(Qt::CTRL | Qt::Key_P), "导出PDF测试报告（Ctrl+P）", "导出报告"},
                 {QKeySequence(Qt::Key_F11), "全屏显示（F11）", "full screen"},
                 {QKeySequence(Qt::CTRL | Qt::Key_Q), "", "closed"}}) {
            for (bool inCell : {false, true})
                QTest::addRow("%s%s", qPrintable(keys.toString()), inCell ? ", in a cell" : "")
                    << keys << QString(tip) << QString(effect);
        }
        // clang-format on
    }
    // Each key does what its button does and is named in the button's tooltip. While a
    // check box in a cell of the curve table has the focus no key does anything; one on the
    // page does not hold them back.
    void shortcuts()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(QString, tip);
        QFETCH(QString, effect);
        const bool inCell = QString(QTest::currentDataTag()).endsWith("in a cell");
        ModalAnswerer answerer;
        OstrelViewer v(Sample);
        QVERIFY(v.show(1100, 700));
        QVERIFY(v.waitRead());
        QVERIFY(QTest::qWaitForWindowActive(&v.w));
        v.w.findChild<QTabWidget*>()->setCurrentIndex(2);
        QWidget* focus = inCell ? v.w.tabCurve->findChild<VyCheckBox*>() : v.w.checkDark;
        QVERIFY(focus);
        focus->setFocus();
        QTRY_VERIFY(focus->hasFocus());
        QTest::keySequence(focus, keys);
        const bool fired = !inCell;
        const bool dialog = effect != "full screen" && effect != "closed";
        QCOMPARE(answerer.dialogTitles, fired && dialog ? QStringList{effect} : QStringList());
        QCOMPARE(v.w.drawer->fullScreen, fired && effect == "full screen");
        QCOMPARE(v.w.isVisible(), !fired || effect != "closed");
        if (!tip.isEmpty()) {
            bool named = false;
            for (const VyIconButton* button : v.w.findChildren<VyIconButton*>())
                named = named || button->toolTip() == tip;
            QVERIFY(named);
        }
        if (v.w.drawer->fullScreen)
            QVERIFY(v.call("showWindowed"));
    }

    // A first start takes its first place. Quitting by key saves the window: the next
    // comes back in its place, with its split and its side-panel page. One quit off every
    // screen comes back in the first place.
    void windowComesBack()
    {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QRect first, placed;
        for (const bool offScreen : {false, true}) {
            QList<int> sizes;
            {
                OstrelViewer v;
                first = WindowMemory::firstStartGeometry(screen, v.w.minimumSizeHint());
                QCOMPARE(v.w.geometry(), first);
                placed = QRect(screen.topLeft() + QPoint(7, 29), first.size() + QSize(311, 13));
                v.w.setGeometry(placed.translated(offScreen ? -30000 : 0, 0));
                v.w.show();
                QVERIFY(QTest::qWaitForWindowActive(&v.w));
                sizes = v.w.sizes();
                v.w.setSizes({sizes[0] + sizes[1] - 600, 600});
                sizes = v.w.sizes();
                QVERIFY(sizes[1] > 550); // far from the panel's own width
                v.w.findChild<QTabWidget*>()->setCurrentIndex(3);
                QTest::keySequence(&v.w, QKeySequence(Qt::CTRL | Qt::Key_Q));
                QVERIFY(!v.w.isVisible());
            }
            OstrelViewer again;
            QCOMPARE(again.w.findChild<QTabWidget*>()->currentIndex(), 3);
            QCOMPARE(again.w.geometry(), offScreen ? first : placed);
            again.w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&again.w));
            if (!offScreen)
                QCOMPARE(again.w.sizes(), sizes);
            std::unique_ptr<QSettings>(WindowMemory::openUserSettings(nullptr))->clear();
        }
    }

    // Files opened from the command line, by a drop and from the dialog are listed newest
    // first; a click on one opens it again and puts it on top.
    void recentFiles()
    {
        ModalAnswerer answerer;
        QStringList files;
        for (const char* name : {"start.tavdata", "dropped.tavdata", "chosen.tavdata"}) {
            files << tmp.filePath(QString::fromLatin1(name));
            QFile::remove(files.last());
            QVERIFY(QFile::copy(Sample, files.last()));
        }
        OstrelViewer v(files[0]);
        QVERIFY(v.waitRead());
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(files[1])});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(&v.w, &enter); // makes the window the drop's target
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&v.w, &drop);
        QTRY_COMPARE_WITH_TIMEOUT(v.reads.count(), 2, 30000);
        answerer.nextFile = files[2];
        QVERIFY(v.call("browseForOpenData"));
        QTRY_COMPARE_WITH_TIMEOUT(v.reads.count(), 3, 30000);
        QListWidget* list = v.w.recentList;
        QCOMPARE(tips(list), (QStringList{files[2], files[1], files[0]}));
        QVERIFY(v.show(1100, 700));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(2)).center());
        QTRY_COMPARE_WITH_TIMEOUT(v.reads.count(), 4, 30000);
        QCOMPARE(v.reads.last().first().toString(), files[0]);
        QCOMPARE(tips(list), (QStringList{files[0], files[2], files[1]}));
    }

    // Wheel steps one way or the other end within what the limit editors can show.
    void wheelReach()
    {
        for (auto [zoomIn, upper, lower] : {std::tuple{false, 200.0f, -100.0f},
                                            {false, 90000.0f, 80000.0f},
                                            {true, 200.0f, -100.0f}}) {
            for (int i = 0; i < 5000; ++i)
                ViewNavigation::zoomY(upper, lower, zoomIn);
            QVERIFY(std::fmax(std::fabs(upper), std::fabs(lower)) <= ViewNavigation::MaxYLimit);
            QVERIFY(upper - lower >= ViewNavigation::MinYRange);
            for (int i = 0; i < 5000; ++i)
                ViewNavigation::panY(upper, lower, 1000.0f);
            QVERIFY(std::fabs(upper) <= ViewNavigation::MaxYLimit);
        }
    }
};

QTEST_MAIN(TestOstrelWindow)
#include "tst_ostrelwindow.moc"
