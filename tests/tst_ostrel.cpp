#include "ostrel.h"
#include "tavdrawer.h"
#include "testutil.h"
#include "tst_ostrelmodal.h"
#include "vyiconbutton.h"
#include "vytabinfo.h"

#include <QtTest>
#include <QtWidgets>
#include <ctime>

namespace {

const QString Sample = TestUtil::sourceDir() + QStringLiteral("/samples/sample.tavdata");

// A window with a spy on its canvas's reads, made before any event can deliver one.
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

} // namespace

class TestOstrel : public QObject
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
        QVERIFY(QFileInfo::exists(Sample));
        QFile bad(tmp.filePath(QStringLiteral("bad.tavdata")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(300, '\x5a'));
    }

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
    void construction()
    {
        QFETCH(QString, path);
        QFETCH(bool, ok);
        ModalAnswerer answerer;
        Viewer v(path);
        const bool reads = QFileInfo(path).isFile();
        QCOMPARE(v.w.readTimer->isActive(), reads);
        QCOMPARE(v.w.windowTitle(), QStringLiteral("Ostrel V1.0.8"));
        if (!reads) {
            QTest::qWait(50);
            QCOMPARE(v.w.statusLabel->text(), QStringLiteral("等待打开文件"));
            QVERIFY(v.reads.isEmpty());
        } else {
            QVERIFY(v.waitRead());
            QCOMPARE(v.reads.first().first().toString(), ok ? path : QString());
            QVERIFY(!v.w.readTimer->isActive());
        }
        QTRY_COMPARE(answerer.boxTexts,
                     reads && !ok ? QStringList{QStringLiteral("文件读取失败！")} : QStringList{});
        QCOMPARE(v.w.tabInfo->rowCount() > 0, ok);
        if (ok) {
            QCOMPARE(v.w.statusLabel->text(), path + QStringLiteral(" 读取完成！"));
            QCOMPARE(v.w.progressBar->value(), 0);
            QVERIFY(!v.w.progressBar->isTextVisible());
        }
    }

    void accMsg()
    {
        Ostrel w{QString()};
        for (auto [percent, value, textShown] :
             {std::tuple{-1, 0, false}, {0, 0, true}, {42, 42, true}}) {
            w.accMsg(QStringLiteral("x"), 77);
            w.accMsg(QStringLiteral("/d/run.tavdata 读取中"), percent);
            QCOMPARE(w.statusLabel->text(), QStringLiteral("/d/run.tavdata 读取中"));
            QCOMPARE(w.progressBar->value(), value);
            QCOMPARE(w.progressBar->isTextVisible(), textShown);
        }
    }

    void watchdogWarnsAtLimit()
    {
        ModalAnswerer answerer;
        Viewer v;
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
        QVERIFY(!v.w.readTimer->isActive());
        QCOMPARE(v.w.readTickCount, 0);
        gate.release();
        QVERIFY(v.waitRead());
    }

    void paintDataChanged()
    {
        for (bool withData : {false, true}) {
            Viewer v(withData ? Sample : QString());
            TavDrawer* d = v.w.drawer;
            QVERIFY(v.show(1200, 800));
            if (withData) {
                QVERIFY(v.waitRead());
                QTRY_COMPARE(v.w.editEnd->dateTime().toSecsSinceEpoch(), d->stampEnd);
                QCOMPARE(float(v.w.spinUpperY1->value()), d->upperLimits[0]);
            }
            const float upper0 = d->upperLimits[0];
            const qint64 start0 = d->stampStart;
            v.w.spinUpperY1->setValue(999.9);
            v.w.editStart->setDateTime(QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7), Qt::UTC));
            QCOMPARE(d->upperLimits[0], withData ? float(999.9) : upper0);
            QCOMPARE(d->stampStart, withData ? qint64(1614834367) : start0);
        }
    }

    void exportThroughWorker()
    {
        ModalAnswerer answerer;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openFolder");
        Viewer v(Sample);
        QVERIFY(v.waitRead());
        const QString target = tmp.filePath(QStringLiteral("out.csv"));
        answerer.nextFile = target;
        QSignalSpy exported(v.w.drawer, &TavDrawer::exportFinished);
        QVERIFY(v.call("browseForSaveData"));
        QVERIFY(exported.wait(30000));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(answerer.dialogTitles, QStringList{QStringLiteral("导出数据-仅当前画面")});
        QCOMPARE(answerer.proposedFiles.value(0), TestUtil::sourceDir() + "/samples/sample");
        QCOMPARE(v.w.statusLabel->text(), target + QStringLiteral(" 导出完成！"));
        QCOMPARE(openedUrls, QList<QUrl>{QUrl::fromLocalFile(tmp.path())});
        QVERIFY(QFileInfo(target).size() > 0);
    }

    void screenshot()
    {
        for (bool withData : {false, true}) {
            ModalAnswerer answerer;
            Viewer v(withData ? Sample : QString());
            v.w.drawer->WaterMark = false;
            QVERIFY(v.show(1000, 700));
            if (withData)
                QVERIFY(v.waitRead());
            const QString target = tmp.filePath(QString("shot%1.png").arg(withData));
            answerer.nextFile = target;
            QVERIFY(v.call("screenShot"));
            QCOMPARE(answerer.dialogTitles, QStringList{QStringLiteral("导出截图")});
            const QImage image(target);
            QCOMPARE(image.size(), v.w.drawer->size());
            QImage filled(image.size(), image.format()); // without data: plain background only
            filled.fill(image.pixel(0, 0));
            QCOMPARE(image != filled, withData);
        }
    }

    void fullScreenRoundTrip()
    {
        Viewer v(Sample);
        TavDrawer* d = v.w.drawer;
        QVERIFY(v.show(1300, 800));
        QVERIFY(v.waitRead());
        d->vernPosA = 300;
        d->vernPosB = 700;
        auto place = [d](int pos) {
            return double(pos - d->plotLeft) / (d->plotRight - d->plotLeft);
        };
        const double a = place(d->vernPosA), b = place(d->vernPosB);
        QVERIFY(v.call("showFullScreen"));
        QVERIFY(d->isWindow() && d->fullScreen);
        QTest::keyClick(d, Qt::Key_Escape);
        QVERIFY(!d->fullScreen);
        QCOMPARE(v.w.canvasLayout->indexOf(d), 0);
        const double onePixel = 1.0 / (d->plotRight - d->plotLeft);
        QVERIFY(qAbs(place(d->vernPosA) - a) <= 2 * onePixel);
        QVERIFY(qAbs(place(d->vernPosB) - b) <= 2 * onePixel);
    }

    void collapseTwice()
    {
        Viewer v;
        QVERIFY(v.show(1300, 800));
        QWidget* side = v.w.widget(1);
        QVERIFY(v.call("collapsRight"));
        QVERIFY2(side->width() <= 4, qPrintable(QString::number(side->width())));
        QCOMPARE(v.w.collapseButton->toolTip(), QStringLiteral("展开右侧菜单"));
        QVERIFY(v.call("collapsRight"));
        const int expected = qMax(300 - v.w.handleWidth(), side->minimumSizeHint().width());
        QVERIFY2(qAbs(side->width() - expected) <= 2, qPrintable(QString::number(side->width())));
        QCOMPARE(v.w.collapseButton->toolTip(), QStringLiteral("折叠右侧菜单"));
    }
};

QTEST_MAIN(TestOstrel)
#include "tst_ostrel.moc"
