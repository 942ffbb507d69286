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
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>
#include <ctime>

namespace {

QString samplePath()
{
    return TestUtil::sourceDir() + QStringLiteral("/samples/sample.tavdata");
}

bool invoke(Ostrel& w, const char* slot)
{
    return QMetaObject::invokeMethod(&w, slot, Qt::DirectConnection);
}

void startFile(Ostrel& w, const QString& path)
{
    QMetaObject::invokeMethod(&w, "startFile", Qt::DirectConnection, Q_ARG(QString, path));
}

bool waitForRead(Ostrel& w, QSignalSpy& spy)
{
    return !spy.isEmpty() || spy.wait(30000);
}

// Number of pixels that differ from the top-left one.
int nonBackgroundPixels(const QImage& image)
{
    const QRgb background = image.pixel(0, 0);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) != background;
    return n;
}

} // namespace

class TestOstrel : public QObject
{
    Q_OBJECT
public slots:
    void openFolder(const QUrl& url) { openedUrls << url; }

private slots:
    void initTestCase();
    void construction_data();
    void construction();
    void accMsg_data();
    void accMsg();
    void failedReadShowsBox();
    void watchdogStoppedByRead();
    void watchdogWarnsAtLimit();
    void paintDataChanged_data();
    void paintDataChanged();
    void eventBoxesFeedCanvasFirst();
    void curveEditReachesCanvas();
    void clearAllEmptiesTables();
    void exportThroughWorker();
    void screenshot_data();
    void screenshot();
    void fullScreenRoundTrip();
    void collapseTwice();
    void dropFile_data();
    void dropFile();

private:
    QList<QUrl> openedUrls;
};

void TestOstrel::initTestCase()
{
    // Stamps are shown as recorded; a zone far from UTC exposes any local-time shift.
    qRegisterMetaType<QList<int>>("QList<int>");
    qputenv("TZ", "Asia/Shanghai");
    tzset();
    QVERIFY(QFileInfo::exists(samplePath()));
}

void TestOstrel::construction_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("reads");
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("folder") << TestUtil::sourceDir() << false;
    QTest::newRow("missing") << TestUtil::sourceDir() + "/samples/none.tavdata" << false;
    QTest::newRow("sample") << samplePath() << true;
}

void TestOstrel::construction()
{
    QFETCH(QString, path);
    QFETCH(bool, reads);
    ModalAnswerer answerer;
    Ostrel w(path);
    QCOMPARE(w.readTimer->isActive(), reads);
    QCOMPARE(w.windowTitle(), QStringLiteral("Ostrel V1.0.8"));
    QVERIFY(!w.windowIcon().isNull());
    QSignalSpy spy(w.drawer, &TavDrawer::readFinished);
    if (!reads) {
        QTest::qWait(50);
        QCOMPARE(w.statusLabel->text(), QStringLiteral("等待打开文件"));
        QVERIFY(spy.isEmpty());
        QCOMPARE(w.tabCurve->rowCount() + w.tabInfo->rowCount(), 0);
        QVERIFY(answerer.boxTexts.isEmpty());
        return;
    }
    QVERIFY(waitForRead(w, spy));
    QCOMPARE(w.statusLabel->text(), path + QStringLiteral(" 读取完成！"));
    QCOMPARE(w.progressBar->value(), 0);
    QVERIFY(!w.progressBar->isTextVisible());
    QVERIFY(!w.readTimer->isActive());
    QCOMPARE(w.tabCurve->rowCount(), w.drawer->dataSet.names.size());
    QVERIFY(w.tabInfo->rowCount() > 0);
    QCOMPARE(w.currentStem, QStringLiteral("sample"));
    QVERIFY(answerer.boxTexts.isEmpty());
}

void TestOstrel::accMsg_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("textShown");
    QTest::newRow("no progress") << -1 << 0 << false;
    QTest::newRow("zero") << 0 << 0 << true;
    QTest::newRow("partway") << 42 << 42 << true;
}

void TestOstrel::accMsg()
{
    QFETCH(int, percent);
    QFETCH(int, value);
    QFETCH(bool, textShown);
    Ostrel w{QString()};
    w.accMsg(QStringLiteral("x"), 77);
    w.accMsg(QStringLiteral("/d/run.tavdata 读取中"), percent);
    QCOMPARE(w.statusLabel->text(), QStringLiteral("/d/run.tavdata 读取中"));
    QCOMPARE(w.progressBar->value(), value);
    QCOMPARE(w.progressBar->isTextVisible(), textShown);
}

void TestOstrel::failedReadShowsBox()
{
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("bad.tavdata"));
    QFile file(bad);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(300, '\x5a'));
    file.close();
    ModalAnswerer answerer;
    Ostrel w(bad);
    QSignalSpy spy(w.drawer, &TavDrawer::readFinished);
    QVERIFY(waitForRead(w, spy));
    QCOMPARE(spy.first().first().toString(), QString());
    QTRY_COMPARE(answerer.boxTexts, QStringList{QStringLiteral("文件读取失败！")});
    QVERIFY(!w.readTimer->isActive());
    QCOMPARE(w.tabCurve->rowCount(), 0);
    QVERIFY(!w.statusLabel->text().endsWith(QStringLiteral("读取完成！")));
}

void TestOstrel::watchdogStoppedByRead()
{
    ModalAnswerer answerer;
    Ostrel w{QString()};
    QSignalSpy spy(w.drawer, &TavDrawer::readFinished);
    startFile(w, samplePath());
    QVERIFY(w.readTimer->isActive());
    QCOMPARE(w.readTimer->interval(), 1000);
    QVERIFY(waitForRead(w, spy));
    QVERIFY(!w.readTimer->isActive());
    QCOMPARE(w.readTickCount, 0);
    QVERIFY(answerer.boxTexts.isEmpty());
}

void TestOstrel::watchdogWarnsAtLimit()
{
    ModalAnswerer answerer;
    Ostrel w{QString()};
    w.setWatchdogInterval(2);
    int ticksAtBox = -1;
    answerer.onBoxShown = [&] { ticksAtBox = w.readTickCount; };
    // Hold the worker so the read cannot finish before the watchdog gives up.
    QSemaphore gate;
    QMetaObject::invokeMethod(
        &w.drawer->dataSet, [&gate] { gate.acquire(); }, Qt::QueuedConnection);
    QSignalSpy spy(w.drawer, &TavDrawer::readFinished);
    startFile(w, samplePath());
    QTRY_COMPARE_WITH_TIMEOUT(answerer.boxTexts.size(), 1, 10000);
    QCOMPARE(answerer.boxTexts.first(),
             QStringLiteral("读取过程滞缓，文件可能已经损坏，建议重启软件后重试。"));
    QCOMPARE(ticksAtBox, 60);
    QVERIFY(!w.readTimer->isActive());
    QCOMPARE(w.readTickCount, 0);
    gate.release();
    QVERIFY(waitForRead(w, spy));
    QCOMPARE(w.statusLabel->text(), samplePath() + QStringLiteral(" 读取完成！"));
    QCOMPARE(answerer.boxTexts.size(), 1);
}

void TestOstrel::paintDataChanged_data()
{
    QTest::addColumn<bool>("withData");
    QTest::newRow("before read") << false;
    QTest::newRow("after read") << true;
}

void TestOstrel::paintDataChanged()
{
    QFETCH(bool, withData);
    Ostrel w(withData ? samplePath() : QString());
    QSignalSpy spy(w.drawer, &TavDrawer::readFinished);
    w.resize(1200, 800);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    if (withData) {
        QVERIFY(waitForRead(w, spy));
        // The next paint copies the canvas's view back into the editors.
        QTRY_COMPARE(w.editEnd->dateTime().toSecsSinceEpoch(), w.drawer->stampEnd);
        QCOMPARE(w.editStart->dateTime().toSecsSinceEpoch(), w.drawer->stampStart);
        QCOMPARE(float(w.spinUpperY1->value()), w.drawer->upperLimits[0]);
    }
    const float upper0 = w.drawer->upperLimits[0];
    const qint64 start0 = w.drawer->stampStart;
    const int grid0 = w.drawer->xSplCount;
    const QDateTime typed(QDate(2021, 3, 4), QTime(5, 6, 7), Qt::UTC);
    w.spinUpperY1->setValue(999.9);
    w.spinLowerY2->setValue(-5.5);
    w.spinGridX->setValue(7);
    w.editStart->setDateTime(typed);
    w.checkDark->setChecked(!w.checkDark->isChecked());
    w.checkVernB->setChecked(!w.checkVernB->isChecked());
    QCOMPARE(w.drawer->DarkMode, w.checkDark->isChecked());
    QCOMPARE(w.drawer->DrawB, w.checkVernB->isChecked());
    if (!withData) {
        QCOMPARE(w.drawer->upperLimits[0], upper0);
        QCOMPARE(w.drawer->stampStart, start0);
        QCOMPARE(w.drawer->xSplCount, grid0);
        return;
    }
    QCOMPARE(w.drawer->upperLimits[0], float(999.9));
    QCOMPARE(w.drawer->lowerLimits[1], -5.5f);
    QCOMPARE(w.drawer->xSplCount, 7);
    QCOMPARE(w.drawer->stampStart, qint64(1614834367)); // 2021/03/04 05:06:07 taken as UTC
}

void TestOstrel::eventBoxesFeedCanvasFirst()
{
    Ostrel w(samplePath());
    QSignalSpy spy(w.drawer, &TavDrawer::readFinished);
    QVERIFY(waitForRead(w, spy));
    for (QCheckBox* box : {w.checkShowError, w.checkShowSys, w.checkShowUser})
        box->setChecked(false);
    QCOMPARE(w.tabEvent->rowCount(), 0);
    QVERIFY(!w.drawer->dataSet.systemEvents.isEmpty());
    // The list is rebuilt from the canvas's flags, so they must be set before it.
    w.checkShowSys->setChecked(true);
    QVERIFY(w.drawer->showSys);
    QCOMPARE(w.tabEvent->rowCount(), w.drawer->dataSet.systemEvents.size());
}

void TestOstrel::curveEditReachesCanvas()
{
    Ostrel w(samplePath());
    QSignalSpy spy(w.drawer, &TavDrawer::readFinished);
    QVERIFY(waitForRead(w, spy));
    QList<CurveInfo> edited = w.drawer->curveInfoList;
    for (CurveInfo& c : edited)
        c.ToDraw = false;
    edited[1].ToDraw = true;
    edited[1].CurveColor = QStringLiteral("#123456");
    w.tabCurve->setCurves(edited);
    QVERIFY(w.drawer->curveInfoList != edited); // filling the table writes nothing back
    emit w.tabCurve->curveInfoChanged();
    QCOMPARE(w.drawer->curveInfoList, edited);
    QCOMPARE(w.tabVern->rowCount(), 3); // date, time and the one drawn curve
}

void TestOstrel::clearAllEmptiesTables()
{
    Ostrel w(samplePath());
    QSignalSpy spy(w.drawer, &TavDrawer::readFinished);
    QVERIFY(waitForRead(w, spy));
    w.checkShowUser->setChecked(true);
    QVERIFY(w.tabEvent->rowCount() > 0);
    w.accMsg(QStringLiteral("busy"), 30);
    w.clearAll();
    QVERIFY(!w.drawer->hasData());
    QCOMPARE(w.statusLabel->text(), QString());
    for (QTableWidget* table : QList<QTableWidget*>{w.tabInfo, w.tabCurve, w.tabVern, w.tabEvent})
        QCOMPARE(table->rowCount(), 0);
    QCOMPARE(w.progressBar->value(), 30); // progress is left alone
}

void TestOstrel::exportThroughWorker()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ModalAnswerer answerer;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openFolder");
    openedUrls.clear();
    Ostrel w{QString()};
    invoke(w, "browseForSaveData"); // without data: no dialog at all
    QTest::qWait(30);
    QVERIFY(answerer.dialogTitles.isEmpty());

    QSignalSpy readSpy(w.drawer, &TavDrawer::readFinished);
    startFile(w, samplePath());
    QVERIFY(waitForRead(w, readSpy));
    QVERIFY(w.drawer->curveInfoList.size() >= 2);
    w.drawer->curveInfoList[0].ToDraw = true;
    w.drawer->curveInfoList[1].ToDraw = true;
    const QString target = dir.filePath(QStringLiteral("out.csv"));
    answerer.nextFile = target;
    QSignalSpy exportSpy(w.drawer, &TavDrawer::exportFinished);
    QVERIFY(invoke(w, "browseForSaveData"));
    QVERIFY(exportSpy.wait(30000));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    QCOMPARE(answerer.dialogTitles, QStringList{QStringLiteral("导出数据-仅当前画面")});
    QCOMPARE(QFileInfo(answerer.proposedFiles.value(0)).fileName(), QStringLiteral("sample"));
    QCOMPARE(w.statusLabel->text(), target + QStringLiteral(" 导出完成！"));
    QCOMPARE(openedUrls, QList<QUrl>{QUrl::fromLocalFile(dir.path())});
    QFile csv(target);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QString header = QString::fromUtf8(csv.readLine());
    QVERIFY(header.contains(w.drawer->curveInfoList[0].CurveName));
    QVERIFY(header.contains(w.drawer->curveInfoList[1].CurveName));
    QVERIFY(!csv.readLine().isEmpty());
}

void TestOstrel::screenshot_data()
{
    QTest::addColumn<bool>("withData");
    QTest::newRow("empty canvas") << false;
    QTest::newRow("sample") << true;
}

void TestOstrel::screenshot()
{
    QFETCH(bool, withData);
    QTemporaryDir dir;
    ModalAnswerer answerer;
    Ostrel w{QString()};
    w.drawer->WaterMark = false;
    w.resize(1000, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    if (withData) {
        QSignalSpy spy(w.drawer, &TavDrawer::readFinished);
        startFile(w, samplePath());
        QVERIFY(waitForRead(w, spy));
        w.drawer->curveInfoList[0].ToDraw = true;
    }
    const QString target = dir.filePath(QStringLiteral("shot.png"));
    answerer.nextFile = target;
    QVERIFY(invoke(w, "screenShot"));
    QCOMPARE(answerer.dialogTitles, QStringList{QStringLiteral("导出截图")});
    const QImage image(target);
    QCOMPARE(image.size(), w.drawer->size());
    // Without data only the plain background is painted.
    QCOMPARE(nonBackgroundPixels(image) > 0, withData);

    answerer.nextFile.clear(); // a cancelled dialog writes nothing
    QVERIFY(QFile::remove(target));
    QVERIFY(invoke(w, "screenShot"));
    QVERIFY(!QFile::exists(target));
}

void TestOstrel::fullScreenRoundTrip()
{
    Ostrel w(samplePath());
    QSignalSpy spy(w.drawer, &TavDrawer::readFinished);
    w.resize(1300, 800);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(waitForRead(w, spy));
    QWidget* pane = w.drawer->parentWidget();
    w.drawer->vernPosA = 300;
    w.drawer->vernPosB = 700;
    auto place = [&](int pos) {
        return double(pos - w.drawer->plotLeft) / (w.drawer->plotRight - w.drawer->plotLeft);
    };
    const double a = place(w.drawer->vernPosA);
    const double b = place(w.drawer->vernPosB);
    const int windowedWidth = w.drawer->width();

    QVERIFY(invoke(w, "showFullScreen"));
    QVERIFY(w.drawer->isWindow());
    QVERIFY(w.drawer->fullScreen);
    QTRY_VERIFY(w.drawer->width() != windowedWidth);
    QCOMPARE(w.canvasLayout->indexOf(w.drawer), -1);

    QTest::keyClick(w.drawer, Qt::Key_Escape);
    QVERIFY(!w.drawer->fullScreen);
    QCOMPARE(w.drawer->parentWidget(), pane);
    QCOMPARE(w.canvasLayout->indexOf(w.drawer), 0);
    QCOMPARE(w.drawer->width(), windowedWidth);
    const double tolerance = 2.0 / (w.drawer->plotRight - w.drawer->plotLeft);
    QVERIFY2(qAbs(place(w.drawer->vernPosA) - a) <= tolerance,
             qPrintable(QString::number(w.drawer->vernPosA)));
    QVERIFY2(qAbs(place(w.drawer->vernPosB) - b) <= tolerance,
             qPrintable(QString::number(w.drawer->vernPosB)));
}

void TestOstrel::collapseTwice()
{
    Ostrel w{QString()};
    w.resize(1300, 800);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QWidget* side = w.widget(1);
    QVERIFY(invoke(w, "collapsRight"));
    QVERIFY(w.rightCollapsed);
    QVERIFY2(side->width() <= 4, qPrintable(QString::number(side->width())));
    QCOMPARE(w.collapseButton->toolTip(), QStringLiteral("展开右侧菜单"));
    QVERIFY(invoke(w, "collapsRight"));
    QVERIFY(!w.rightCollapsed);
    const int expected = qMax(300 - w.handleWidth(), side->minimumSizeHint().width());
    QVERIFY2(qAbs(side->width() - expected) <= 2, qPrintable(QString::number(side->width())));
    QCOMPARE(w.collapseButton->toolTip(), QStringLiteral("折叠右侧菜单"));
    const QImage shown = w.collapseButton->icon().pixmap(24, 24).toImage();
    QCOMPARE(shown, QIcon(QStringLiteral(":/pngs/collaps.png")).pixmap(24, 24).toImage());
}

void TestOstrel::dropFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("tavdata") << samplePath() << true;
    QTest::newRow("csv upper case") << QStringLiteral("/tmp/RUN.CSV") << true;
    QTest::newRow("text file") << QStringLiteral("/tmp/notes.txt") << false;
}

void TestOstrel::dropFile()
{
    QFETCH(QString, path);
    QFETCH(bool, accepted);
    Ostrel w{QString()};
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    if (!accepted || !QFileInfo::exists(path))
        return;
    QSignalSpy spy(w.drawer, &TavDrawer::readFinished);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    QVERIFY(w.readTimer->isActive());
    QVERIFY(waitForRead(w, spy));
    QCOMPARE(w.statusLabel->text(), path + QStringLiteral(" 读取完成！"));
}

QTEST_MAIN(TestOstrel)
#include "tst_ostrel.moc"
