// The window's frame around the canvas: names chosen in the save dialogs, failed saves,
// the status text's width, and leaving full screen.
#include "ostrel.h"
#include "tavdrawer.h"
#include "testutil.h"
#include "tst_ostrelmodal.h"
#include "viewnavigation.h"
#include "vyspin.h"
#include "windowpaths.h"

#include <QtTest>
#include <QtWidgets>

#include <cmath>
#include <csignal>
#include <limits>
#include <sys/resource.h>

namespace {

const QString Sample = TestUtil::sourceDir() + QStringLiteral("/samples/sample.tavdata");

struct Viewer
{
    explicit Viewer(const QString& path = QString())
        : w(path), reads(w.drawer, &TavDrawer::readFinished)
    {
    }
    bool waitRead() { return !reads.isEmpty() || reads.wait(30000); }
    bool show(int width, int height)
    {
        w.resize(width, height);
        w.show();
        return QTest::qWaitForWindowExposed(&w);
    }
    bool call(const char* slot) { return QMetaObject::invokeMethod(&w, slot); }
    Ostrel w;
    QSignalSpy reads;
};

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
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openFolder");
        QFile notADir(tmp.filePath(QStringLiteral("plain")));
        QVERIFY(notADir.open(QIODevice::WriteOnly));
    }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    void suffixRule_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("used");
        QTest::newRow("bare name") << "/d/run"
                                   << "png"
                                   << "/d/run.png";
        QTest::newRow("has png") << "/d/run.png"
                                 << "png"
                                 << "/d/run.png";
        QTest::newRow("other suffix kept") << "/d/run.jpg"
                                           << "png"
                                           << "/d/run.jpg";
        QTest::newRow("dot in folder") << "/d.x/run"
                                       << "csv"
                                       << "/d.x/run.csv";
        QTest::newRow("csv") << "/d/run.csv"
                             << "csv"
                             << "/d/run.csv";
        QTest::newRow("hidden-like name") << "/d/.run"
                                          << "csv"
                                          << "/d/.run";
    }

    void suffixRule()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, suffix);
        QTEST(WindowPaths::withSuffix(chosen, suffix), "used");
    }

    // The proposed name accepted as it stands: it has no suffix, yet a PNG and a CSV come
    // out, and the CSV opens again.
    void proposedNamesSave()
    {
        ModalAnswerer answerer;
        Viewer v(Sample);
        QVERIFY(v.show(1000, 700));
        QVERIFY(v.waitRead());
        answerer.nextFile = tmp.filePath(QStringLiteral("shot"));
        QVERIFY(v.call("screenShot"));
        QCOMPARE(QImage(tmp.filePath(QStringLiteral("shot.png"))).size(), v.w.drawer->size());

        QSignalSpy exported(v.w.drawer, &TavDrawer::exportFinished);
        answerer.nextFile = tmp.filePath(QStringLiteral("data"));
        QVERIFY(v.call("browseForSaveData"));
        QVERIFY(exported.wait(30000));
        const QString csv = tmp.filePath(QStringLiteral("data.csv"));
        QCOMPARE(exported.first().first().toString(), csv);
        TavDrawer again;
        QSignalSpy readBack(&again, &TavDrawer::readFinished);
        again.readTAVData(csv);
        QVERIFY(readBack.wait(30000));
        QCOMPARE(readBack.first().first().toString(), csv);
        QCOMPARE(answerer.boxTexts, QStringList());
    }

    void failedScreenshot()
    {
        ModalAnswerer answerer;
        Viewer v;
        QVERIFY(v.show(900, 600));
        // A folder that is a plain file: no one, not even root, can write there.
        answerer.nextFile = tmp.filePath(QStringLiteral("plain/shot.png"));
        QVERIFY(v.call("screenShot"));
        QTRY_COMPARE(answerer.boxTexts, QStringList{QStringLiteral("截图保存失败")});
    }

    void failedExport()
    {
        ModalAnswerer answerer;
        Viewer v(Sample);
        QVERIFY(v.waitRead());
        for (CurveInfo& c : v.w.drawer->curveInfoList)
            c.ToDraw = true;
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
        Viewer v;
        QVERIFY(v.show(1000, 700));
        const int width = v.w.width();
        const int hint = v.w.sizeHint().width();
        const QString path = QStringLiteral("/data/") + QString(282, QLatin1Char('x')) +
                             QStringLiteral("/run.tavdata");
        QCOMPARE(path.size(), 300);
        v.w.accMsg(path + QStringLiteral(" 读取完成！"), -1);
        QCoreApplication::processEvents();
        v.w.adjustSize(); // what a layout pass may do to a window on its own
        QTest::qWait(20);
        QVERIFY2(v.w.sizeHint().width() <= hint,
                 qPrintable(QString::number(v.w.sizeHint().width())));
        v.w.resize(width, 700);
        QCOMPARE(v.w.width(), width);
        const QLabel* label = v.w.statusLabel;
        QCOMPARE(v.w.statusLabel->text(), path + QStringLiteral(" 读取完成！"));
        QCOMPARE(label->toolTip(), path + QStringLiteral(" 读取完成！"));
        const QString shown = label->QLabel::text();
        QVERIFY(shown.contains(QChar(0x2026)));
        QVERIFY(shown.startsWith(QStringLiteral("/data/")));
        QVERIFY(shown.endsWith(QStringLiteral(" 读取完成！")));
        QVERIFY(label->fontMetrics().horizontalAdvance(shown) <= label->width());
        // A short text shows whole.
        v.w.accMsg(QStringLiteral("短"), -1);
        QCOMPARE(label->QLabel::text(), QStringLiteral("短"));
    }

    void closeFullScreen_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("escape") << "escape";
        QTest::newRow("window manager close") << "close";
        QTest::newRow("close event") << "event";
    }

    // However the full-screen plot is closed, it comes back into the window.
    void closeFullScreen()
    {
        QFETCH(QString, how);
        Viewer v(Sample);
        TavDrawer* d = v.w.drawer;
        QVERIFY(v.show(1200, 800));
        QVERIFY(v.waitRead());
        QVERIFY(v.call("showFullScreen"));
        QVERIFY(d->isWindow() && d->fullScreen);
        if (how == "escape") {
            QTest::keyClick(d, Qt::Key_Escape);
        } else if (how == "close") {
            QVERIFY(d->close() == false); // refused: the plot goes back instead
        } else {
            QCloseEvent e;
            QCoreApplication::sendEvent(d, &e);
            QVERIFY(!e.isAccepted());
        }
        QTRY_VERIFY(!d->fullScreen);
        QVERIFY(!d->isWindow());
        QCOMPARE(v.w.canvasLayout->indexOf(d), 0);
        QVERIFY(d->isVisible());
        QTRY_VERIFY(d->width() > 300);
    }

    // Closing the main window while the plot is full screen leaves no window that would
    // keep the program running.
    void closeMainWhileFullScreen()
    {
        Viewer v;
        QVERIFY(v.show(1000, 700));
        QVERIFY(v.call("showFullScreen"));
        QVERIFY(v.w.drawer->isVisible());
        QVERIFY(v.w.close());
        QVERIFY(!v.w.drawer->fullScreen);
        for (QWidget* top : QApplication::topLevelWidgets())
            QVERIFY2(!top->isVisible() || !top->testAttribute(Qt::WA_QuitOnClose),
                     top->metaObject()->className());
    }

    // Wheel steps one way or the other end within what the limit editors can show.
    void wheelReach_data()
    {
        QTest::addColumn<bool>("zoomIn");
        QTest::addColumn<float>("upper");
        QTest::addColumn<float>("lower");
        QTest::newRow("out") << false << 200.0f << -100.0f;
        QTest::newRow("out, off centre") << false << 90000.0f << 80000.0f;
        QTest::newRow("in") << true << 200.0f << -100.0f;
    }

    void wheelReach()
    {
        QFETCH(bool, zoomIn);
        QFETCH(float, upper);
        QFETCH(float, lower);
        for (int i = 0; i < 5000; ++i)
            ViewNavigation::zoomY(upper, lower, zoomIn);
        QVERIFY(std::fabs(upper) <= ViewNavigation::MaxYLimit);
        QVERIFY(std::fabs(lower) <= ViewNavigation::MaxYLimit);
        QVERIFY(upper - lower >= ViewNavigation::MinYRange);
        for (int i = 0; i < 5000; ++i)
            ViewNavigation::panY(upper, lower, 1000.0f);
        QVERIFY(std::fabs(upper) <= ViewNavigation::MaxYLimit);
    }

    // Limits the wheel or a drag left in the canvas survive a change elsewhere on the
    // chart page: the editors hold them, and their rounding is not written back.
    void editorsKeepLimits_data()
    {
        QTest::addColumn<QList<float>>("upper");
        QTest::addColumn<QList<float>>("lower");
        QTest::newRow("beyond the old editor range")
            << QList<float>{5432.1f, 1500.0f} << QList<float>{-2000.0f, -99999.9f};
        QTest::newRow("finer than one decimal")
            << QList<float>{12.3456f, 100.006f} << QList<float>{-7.777f, 0.0049f};
    }

    void editorsKeepLimits()
    {
        QFETCH(QList<float>, upper);
        QFETCH(QList<float>, lower);
        Viewer v(Sample);
        QVERIFY(v.show(1100, 700));
        QVERIFY(v.waitRead());
        TavDrawer* d = v.w.drawer;
        d->upperLimits = upper;
        d->lowerLimits = lower;
        d->repaint(); // copies the limits into the editors
        const int decimals = v.w.spinUpperY1->decimals();
        QCOMPARE(v.w.spinUpperY1->value(),
                 QString::number(double(upper[0]), 'f', decimals).toDouble());
        v.w.checkDragX->toggle();
        v.w.checkVernB->toggle();
        QCOMPARE(d->upperLimits, upper);
        QCOMPARE(d->lowerLimits, lower);
        // An edit of one editor still takes effect.
        v.w.spinUpperY2->setValue(321.5);
        QCOMPARE(d->upperLimits[1], 321.5f);
        QCOMPARE(d->upperLimits[0], upper[0]);
    }

    // A damaged curve entry found after a read is reported once, after the read's own
    // message; the next read says nothing more.
    void damagedConfigReportedOnce()
    {
        ModalAnswerer answerer;
        Viewer v;
        QFile ini(tmp.filePath(QStringLiteral("damaged.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[CurveInfo]\nCURVE\\1\\CurveName=x\nCURVE\\1\\CurveWeight=nan\n"
                  "CURVE\\size=1\n");
        ini.close();
        v.w.drawer->configPath = ini.fileName();
        for (int round = 0; round < 2; ++round) {
            v.w.clearAll();
            QVERIFY(QMetaObject::invokeMethod(&v.w, "startFile", Q_ARG(QString, Sample)));
            QTRY_COMPARE_WITH_TIMEOUT(v.reads.count(), round + 1, 30000);
            const QString done = Sample + QStringLiteral(" 读取完成！");
            QCOMPARE(v.w.statusLabel->text(),
                     round == 0 ? done + QStringLiteral(" 配置文件有误，已使用默认值") : done);
        }
        QCOMPARE(answerer.boxTexts, QStringList());
    }

    void weightEditor_data()
    {
        QTest::addColumn<double>("weight");
        QTest::addColumn<int>("shown");
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("2.7") << 2.7 << 2;
        QTest::newRow("0.5") << 0.5 << 1;
        QTest::newRow("7") << 7.0 << 5;
        QTest::newRow("huge") << 1e300 << 5;
        QTest::newRow("-huge") << -1e300 << 1;
        QTest::newRow("inf") << inf << 5;
        QTest::newRow("nan") << std::nan("") << 1;
    }

    void weightEditor()
    {
        QFETCH(double, weight);
        VySpin spin(0, weight);
        QTEST(spin.value(), "shown");
    }
};

QTEST_MAIN(TestOstrelWindow)
#include "tst_ostrelwindow.moc"
