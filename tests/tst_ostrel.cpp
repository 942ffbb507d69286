#include "ostrel.h"
#include "tavdrawer.h"
#include "testutil.h"
#include "tst_ostrelmodal.h"
#include "vyiconbutton.h"
#include "vytabcurve.h"
#include "vytabevent.h"
#include "vytabinfo.h"
#include "vytabvern.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>
#include <ctime>

namespace {

const QString Sample = TestUtil::sourceDir() + QStringLiteral("/samples/sample.tavdata");
const QString Done = QStringLiteral(" 读取完成！");

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
    bool load()
    {
        QMetaObject::invokeMethod(&w, "startFile", Q_ARG(QString, Sample));
        return waitRead();
    }

    Ostrel w;
    QSignalSpy reads;
};

void addWithData()
{
    QTest::addColumn<bool>("withData");
    QTest::newRow("without data") << false;
    QTest::newRow("with data") << true;
}

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
        // Stamps are shown as recorded; a zone far from UTC exposes any local-time shift.
        qputenv("TZ", "Asia/Shanghai");
        tzset();
        QVERIFY(QFileInfo::exists(Sample));
        QFile bad(tmp.filePath(QStringLiteral("bad.tavdata")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(300, '\x5a'));
    }

    void construction_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("ok"); // whether the read succeeds
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
        QCOMPARE(v.w.readTimer->isActive(), reads); // armed before the window is ever shown
        QCOMPARE(v.w.windowTitle(), QStringLiteral("Ostrel V1.0.8"));
        if (!reads) {
            QTest::qWait(50);
            QCOMPARE(v.w.statusLabel->text(), QStringLiteral("等待打开文件"));
            QVERIFY(v.reads.isEmpty());
        } else {
            QVERIFY(v.waitRead());
            QCOMPARE(v.reads.first().first().toString(), ok ? path : QString());
            QVERIFY(!v.w.readTimer->isActive());
            QCOMPARE(v.w.readTickCount, 0);
        }
        QTRY_COMPARE(answerer.boxTexts,
                     reads && !ok ? QStringList{QStringLiteral("文件读取失败！")} : QStringList{});
        QCOMPARE(v.w.tabCurve->rowCount(), v.w.drawer->dataSet.names.size());
        QCOMPARE(v.w.tabInfo->rowCount() > 0, ok);
        if (ok) {
            QCOMPARE(v.w.statusLabel->text(), path + Done);
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
        // Hold the worker so that the read cannot finish before the watchdog gives up.
        QSemaphore gate;
        QMetaObject::invokeMethod(
            &v.w.drawer->dataSet, [&gate] { gate.acquire(); }, Qt::QueuedConnection);
        QMetaObject::invokeMethod(&v.w, "startFile", Q_ARG(QString, Sample));
        QTRY_COMPARE_WITH_TIMEOUT(answerer.boxTexts.size(), 1, 10000);
        QCOMPARE(answerer.boxTexts.first(),
                 QStringLiteral("读取过程滞缓，文件可能已经损坏，建议重启软件后重试。"));
        QCOMPARE(ticksAtBox, 60);
        QVERIFY(!v.w.readTimer->isActive());
        QCOMPARE(v.w.readTickCount, 0);
        gate.release(); // the read was never cancelled and still completes
        QVERIFY(v.waitRead());
        QCOMPARE(v.w.statusLabel->text(), Sample + Done);
        QCOMPARE(answerer.boxTexts.size(), 1);
    }

    void paintDataChanged_data() { addWithData(); }
    void paintDataChanged()
    {
        QFETCH(bool, withData);
        Viewer v(withData ? Sample : QString());
        TavDrawer* d = v.w.drawer;
        QVERIFY(v.show(1200, 800));
        if (withData) {
            QVERIFY(v.waitRead());
            // The next paint copies the canvas's view back into the editors.
            QTRY_COMPARE(v.w.editEnd->dateTime().toSecsSinceEpoch(), d->stampEnd);
            QCOMPARE(v.w.editStart->dateTime().toSecsSinceEpoch(), d->stampStart);
            QCOMPARE(float(v.w.spinUpperY1->value()), d->upperLimits[0]);
        }
        const float upper0 = d->upperLimits[0];
        const float lower1 = d->lowerLimits[1];
        const qint64 start0 = d->stampStart;
        const int grid0 = d->xSplCount;
        v.w.spinUpperY1->setValue(999.9);
        v.w.spinLowerY2->setValue(-5.5);
        v.w.spinGridX->setValue(7);
        v.w.editStart->setDateTime(QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7), Qt::UTC));
        v.w.checkDark->setChecked(!v.w.checkDark->isChecked());
        v.w.checkVernB->setChecked(!v.w.checkVernB->isChecked());
        QCOMPARE(d->DarkMode, v.w.checkDark->isChecked()); // the boxes act with or without data
        QCOMPARE(d->DrawB, v.w.checkVernB->isChecked());
        QCOMPARE(d->upperLimits[0], withData ? float(999.9) : upper0);
        QCOMPARE(d->lowerLimits[1], withData ? -5.5f : lower1);
        QCOMPARE(d->xSplCount, withData ? 7 : grid0);
        // 2021/03/04 05:06:07 taken as UTC
        QCOMPARE(d->stampStart, withData ? qint64(1614834367) : start0);
    }

    void sidePanelAfterRead()
    {
        Viewer v(Sample);
        QVERIFY(v.waitRead());
        // The event list is rebuilt from the canvas's flags, so they must be set before it.
        for (QCheckBox* box : {v.w.checkShowError, v.w.checkShowSys, v.w.checkShowUser})
            box->setChecked(false);
        QCOMPARE(v.w.tabEvent->rowCount(), 0);
        v.w.checkShowSys->setChecked(true);
        QVERIFY(!v.w.drawer->dataSet.systemEvents.isEmpty());
        QCOMPARE(v.w.tabEvent->rowCount(), v.w.drawer->dataSet.systemEvents.size());

        QList<CurveInfo> edited = v.w.drawer->curveInfoList;
        for (CurveInfo& c : edited)
            c.ToDraw = false;
        edited[1].ToDraw = true;
        edited[1].CurveColor = QStringLiteral("#123456");
        v.w.tabCurve->setCurves(edited);
        QVERIFY(v.w.drawer->curveInfoList != edited); // filling the table writes nothing back
        emit v.w.tabCurve->curveInfoChanged();
        QCOMPARE(v.w.drawer->curveInfoList, edited);
        QCOMPARE(v.w.tabVern->rowCount(), 3); // date, time and the one drawn curve

        v.w.accMsg(QStringLiteral("busy"), 30);
        v.w.clearAll();
        QVERIFY(!v.w.drawer->hasData());
        QCOMPARE(v.w.statusLabel->text(), QString());
        for (QTableWidget* t :
             QList<QTableWidget*>{v.w.tabInfo, v.w.tabCurve, v.w.tabVern, v.w.tabEvent})
            QCOMPARE(t->rowCount(), 0);
        QCOMPARE(v.w.progressBar->value(), 30); // progress is left alone
    }

    void exportThroughWorker()
    {
        ModalAnswerer answerer;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openFolder");
        Viewer v;
        v.call("browseForSaveData"); // without data: no dialog at all
        QTest::qWait(30);
        QVERIFY(answerer.dialogTitles.isEmpty());
        QVERIFY(v.load());
        v.w.drawer->curveInfoList[0].ToDraw = true;
        v.w.drawer->curveInfoList[2].ToDraw = true;
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
        QFile csv(target);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QString header = QString::fromUtf8(csv.readLine());
        QVERIFY(header.contains(v.w.drawer->curveInfoList[0].CurveName));
        QVERIFY(header.contains(v.w.drawer->curveInfoList[2].CurveName));
        QVERIFY(!csv.readLine().isEmpty());
    }

    void screenshot_data() { addWithData(); }
    void screenshot()
    {
        QFETCH(bool, withData);
        ModalAnswerer answerer;
        Viewer v;
        v.w.drawer->WaterMark = false;
        QVERIFY(v.show(1000, 700));
        if (withData)
            QVERIFY(v.load());
        const QString target = tmp.filePath(QStringLiteral("shot.png"));
        QFile::remove(target);
        answerer.nextFile = target;
        QVERIFY(v.call("screenShot"));
        const QSize grabbed = v.w.drawer->size();
        QVERIFY(v.call("screenShot")); // cancelled: nothing happens
        QCOMPARE(answerer.dialogTitles.size(), 2);
        QCOMPARE(answerer.dialogTitles.first(), QStringLiteral("导出截图"));
        const QImage image(target);
        QCOMPARE(image.size(), grabbed);
        // Without data only the plain background is painted.
        QImage filled(image.size(), image.format());
        filled.fill(image.pixel(0, 0));
        QCOMPARE(image != filled, withData);
    }

    void fullScreenRoundTrip()
    {
        Viewer v(Sample);
        TavDrawer* d = v.w.drawer;
        QVERIFY(v.show(1300, 800));
        QVERIFY(v.waitRead());
        QWidget* pane = d->parentWidget();
        d->vernPosA = 300;
        d->vernPosB = 700;
        auto place = [d](int pos) {
            return double(pos - d->plotLeft) / (d->plotRight - d->plotLeft);
        };
        const double a = place(d->vernPosA), b = place(d->vernPosB);
        const int windowedWidth = d->width();
        QVERIFY(v.call("showFullScreen"));
        QVERIFY(d->isWindow() && d->fullScreen);
        QTRY_VERIFY(d->width() != windowedWidth);
        QCOMPARE(v.w.canvasLayout->indexOf(d), -1);
        QTest::keyClick(d, Qt::Key_Escape);
        QVERIFY(!d->fullScreen);
        QCOMPARE(d->parentWidget(), pane);
        QCOMPARE(v.w.canvasLayout->indexOf(d), 0);
        QCOMPARE(d->width(), windowedWidth);
        const double onePixel = 1.0 / (d->plotRight - d->plotLeft);
        QVERIFY(qAbs(place(d->vernPosA) - a) <= 2 * onePixel);
        QVERIFY(qAbs(place(d->vernPosB) - b) <= 2 * onePixel);
        // A window closed while its canvas is full screen still takes the canvas with it.
        QPointer<TavDrawer> canvas;
        {
            Viewer closed;
            canvas = closed.w.drawer;
            QVERIFY(closed.call("showFullScreen"));
        }
        QVERIFY(canvas.isNull());
    }

    void collapseTwice()
    {
        Viewer v;
        QVERIFY(v.show(1300, 800));
        QWidget* side = v.w.widget(1);
        QVERIFY(v.call("collapsRight"));
        QVERIFY(v.w.rightCollapsed);
        QVERIFY2(side->width() <= 4, qPrintable(QString::number(side->width())));
        QCOMPARE(v.w.collapseButton->toolTip(), QStringLiteral("展开右侧菜单"));
        QVERIFY(v.call("collapsRight"));
        QVERIFY(!v.w.rightCollapsed);
        const int expected = qMax(300 - v.w.handleWidth(), side->minimumSizeHint().width());
        QVERIFY2(qAbs(side->width() - expected) <= 2, qPrintable(QString::number(side->width())));
        QCOMPARE(v.w.collapseButton->toolTip(), QStringLiteral("折叠右侧菜单"));
        QCOMPARE(v.w.collapseButton->icon().pixmap(24, 24).toImage(),
                 QIcon(QStringLiteral(":/pngs/collaps.png")).pixmap(24, 24).toImage());
    }

    void dropFile()
    {
        Viewer v;
        auto drag = [&v](const QString& file) {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(file)});
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(&v.w, &enter);
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            if (enter.isAccepted())
                QApplication::sendEvent(&v.w, &drop);
            return enter.isAccepted();
        };
        QVERIFY(!drag(QStringLiteral("/tmp/notes.txt")));
        QVERIFY(!v.w.readTimer->isActive());
        QVERIFY(drag(Sample));
        QVERIFY(v.w.readTimer->isActive());
        QVERIFY(v.waitRead());
        QCOMPARE(v.w.statusLabel->text(), Sample + Done);
    }
};

QTEST_MAIN(TestOstrel)
#include "tst_ostrel.moc"
