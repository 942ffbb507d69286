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
#include <QVBoxLayout>
#include <QtTest>
#include <ctime>

namespace {

QString samplePath()
{
    return TestUtil::sourceDir() + QStringLiteral("/samples/sample.tavdata");
}

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
    void startFile(const QString& path)
    {
        QMetaObject::invokeMethod(&w, "startFile", Q_ARG(QString, path));
    }

    Ostrel w;
    QSignalSpy reads;
};

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
    void watchdogWarnsAtLimit();
    void paintDataChanged_data();
    void paintDataChanged();
    void sidePanelAfterRead();
    void exportThroughWorker();
    void screenshot_data();
    void screenshot();
    void fullScreenRoundTrip();
    void closedWhileFullScreen();
    void collapseTwice();
    void dropFile();

private:
    QTemporaryDir tmp;
    QList<QUrl> openedUrls;
};

void TestOstrel::initTestCase()
{
    qRegisterMetaType<QList<int>>("QList<int>");
    // Stamps are shown as recorded; a zone far from UTC exposes any local-time shift.
    qputenv("TZ", "Asia/Shanghai");
    tzset();
    QVERIFY(QFileInfo::exists(samplePath()));
    QFile bad(tmp.filePath(QStringLiteral("bad.tavdata")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(300, '\x5a'));
}

void TestOstrel::construction_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("result"); // empty: no read; else the path the read reports
    QTest::addColumn<QStringList>("boxes");
    const QStringList none;
    QTest::newRow("empty") << QString() << QString() << none;
    QTest::newRow("folder") << TestUtil::sourceDir() << QString() << none;
    QTest::newRow("missing") << TestUtil::sourceDir() + "/samples/none.tavdata" << QString()
                             << none;
    QTest::newRow("sample") << samplePath() << samplePath() << none;
    QTest::newRow("damaged") << tmp.filePath(QStringLiteral("bad.tavdata")) << QString()
                             << QStringList{QStringLiteral("文件读取失败！")};
}

void TestOstrel::construction()
{
    QFETCH(QString, path);
    QFETCH(QString, result);
    QFETCH(QStringList, boxes);
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
        QCOMPARE(v.reads.first().first().toString(), result);
        QVERIFY(!v.w.readTimer->isActive());
        QCOMPARE(v.w.readTickCount, 0);
    }
    QTRY_COMPARE(answerer.boxTexts, boxes);
    QCOMPARE(v.w.tabCurve->rowCount(), v.w.drawer->dataSet.names.size());
    QCOMPARE(v.w.tabInfo->rowCount() > 0, !result.isEmpty());
    if (!result.isEmpty()) {
        QCOMPARE(v.w.statusLabel->text(), path + Done);
        QCOMPARE(v.w.progressBar->value(), 0);
        QVERIFY(!v.w.progressBar->isTextVisible());
    }
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

void TestOstrel::watchdogWarnsAtLimit()
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
    v.startFile(samplePath());
    QTRY_COMPARE_WITH_TIMEOUT(answerer.boxTexts.size(), 1, 10000);
    QCOMPARE(answerer.boxTexts.first(),
             QStringLiteral("读取过程滞缓，文件可能已经损坏，建议重启软件后重试。"));
    QCOMPARE(ticksAtBox, 60);
    QVERIFY(!v.w.readTimer->isActive());
    QCOMPARE(v.w.readTickCount, 0);
    gate.release(); // the read was never cancelled and still completes
    QVERIFY(v.waitRead());
    QCOMPARE(v.w.statusLabel->text(), samplePath() + Done);
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
    Viewer v(withData ? samplePath() : QString());
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
    if (!withData) {
        QCOMPARE(d->upperLimits[0], upper0);
        QCOMPARE(d->stampStart, start0);
        QCOMPARE(d->xSplCount, grid0);
        return;
    }
    QCOMPARE(d->upperLimits[0], float(999.9));
    QCOMPARE(d->lowerLimits[1], -5.5f);
    QCOMPARE(d->xSplCount, 7);
    QCOMPARE(d->stampStart, qint64(1614834367)); // 2021/03/04 05:06:07 taken as UTC
}

void TestOstrel::sidePanelAfterRead()
{
    Viewer v(samplePath());
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

void TestOstrel::exportThroughWorker()
{
    ModalAnswerer answerer;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openFolder");
    Viewer v;
    v.call("browseForSaveData"); // without data: no dialog at all
    QTest::qWait(30);
    QVERIFY(answerer.dialogTitles.isEmpty());

    v.startFile(samplePath());
    QVERIFY(v.waitRead());
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

void TestOstrel::screenshot_data()
{
    QTest::addColumn<bool>("withData");
    QTest::newRow("empty canvas") << false;
    QTest::newRow("sample") << true;
}

void TestOstrel::screenshot()
{
    QFETCH(bool, withData);
    ModalAnswerer answerer;
    Viewer v;
    v.w.drawer->WaterMark = false;
    QVERIFY(v.show(1000, 700));
    if (withData) {
        v.startFile(samplePath());
        QVERIFY(v.waitRead());
    }
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

void TestOstrel::fullScreenRoundTrip()
{
    Viewer v(samplePath());
    TavDrawer* d = v.w.drawer;
    QVERIFY(v.show(1300, 800));
    QVERIFY(v.waitRead());
    QWidget* pane = d->parentWidget();
    d->vernPosA = 300;
    d->vernPosB = 700;
    auto place = [d](int pos) { return double(pos - d->plotLeft) / (d->plotRight - d->plotLeft); };
    const double a = place(d->vernPosA);
    const double b = place(d->vernPosB);
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
    QVERIFY2(qAbs(place(d->vernPosA) - a) <= 2 * onePixel,
             qPrintable(QString::number(d->vernPosA)));
    QVERIFY2(qAbs(place(d->vernPosB) - b) <= 2 * onePixel,
             qPrintable(QString::number(d->vernPosB)));
}

void TestOstrel::closedWhileFullScreen()
{
    QPointer<TavDrawer> canvas;
    {
        Viewer v;
        canvas = v.w.drawer;
        QVERIFY(v.call("showFullScreen"));
    }
    QVERIFY(canvas.isNull());
}

void TestOstrel::collapseTwice()
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
    const QImage shown = v.w.collapseButton->icon().pixmap(24, 24).toImage();
    QCOMPARE(shown, QIcon(QStringLiteral(":/pngs/collaps.png")).pixmap(24, 24).toImage());
}

void TestOstrel::dropFile()
{
    Viewer v;
    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/notes.txt"))});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&v.w, &refused);
    QVERIFY(!refused.isAccepted());

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(samplePath())});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&v.w, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&v.w, &drop);
    QVERIFY(v.w.readTimer->isActive());
    QVERIFY(v.waitRead());
    QCOMPARE(v.w.statusLabel->text(), samplePath() + Done);
}

QTEST_MAIN(TestOstrel)
#include "tst_ostrel.moc"
