// Requests that supersede a running read or export, with the worker held at a chosen
// progress message so that the test, not the scheduler, decides what comes first. Built
// with ThreadSanitizer in CI: the GUI thread must never touch the data set meanwhile.
#include "handofffence.h"
#include "messagerelay.h"
#include "ostrel.h"
#include "tavdrawer.h"
#include "tavwriter.h"
#include "tst_ostrelmodal.h"
#include "vystatuslabel.h"
#include "vytabcurve.h"
#include "vytabevent.h"
#include "vytabinfo.h"
#include "vytabvern.h"

#include <QtTest>
#include <QtWidgets>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

const quint32 T0 = 1660000000;

// Stops the worker inside its job at the first progress message that contains the armed
// marker, until the test releases it; an empty marker arms nothing.
class WorkerHold
{
public:
    explicit WorkerHold(SortedTavData& set)
    {
        QObject::connect(
            &set, &SortedTavData::pushInfoUpward, &set,
            [this](const QString& info, int) {
                std::unique_lock<std::mutex> lock(m_mutex);
                if (m_marker.isEmpty() || !info.contains(m_marker))
                    return;
                m_marker.clear();
                m_parked = true;
                m_cv.wait(lock, [this] { return !m_parked; });
            },
            Qt::DirectConnection);
    }
    void arm(const QString& marker)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_marker = marker;
    }
    bool parked() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_parked;
    }
    void release()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_parked = false;
        m_cv.notify_all();
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    QString m_marker;
    bool m_parked = false;
};

bool writeFile(const QString& path, const QStringList& names, int records, int events)
{
    TavWriter w;
    w.marker('I');
    w.globalItem(QStringLiteral("设备型号"), QStringLiteral("OTC-408"));
    w.globalItem(QStringLiteral("文件"), QFileInfo(path).baseName());
    QVector<quint32> stamps;
    QVector<QVector<qint32>> rows;
    for (int r = 0; r < records; ++r) {
        stamps << T0 + quint32(r) * 10;
        rows << QVector<qint32>(names.size(), r % 700);
    }
    w.historyBlock(4, names, QVector<quint32>(names.size(), 10), stamps, rows);
    w.marker('S');
    for (int e = 0; e < events; ++e)
        w.event(T0 + quint32(e) * 100, QStringLiteral("运行%1").arg(e));
    return w.save(path);
}

// The window with its canvas fenced for ThreadSanitizer and its worker holdable.
struct Rig
{
    Rig() : w(QString())
    {
        hold = std::make_shared<WorkerHold>(w.drawer->dataSet);
        std::shared_ptr<WorkerHold> h = hold;
        new HandoffFence(*w.drawer, [h] { return h->parked(); });
        w.resize(1100, 700);
        w.show();
        shown.connect(w.drawer, &TavDrawer::pushInfoUpward,
                      [this](const QString& info, int) { messages << info; });
    }
    ~Rig()
    {
        hold->arm(QString());
        hold->release();
    }

    // As the open button does once its dialog has answered.
    void open(const QString& path)
    {
        w.clearAll();
        QMetaObject::invokeMethod(&w, "startFile", Q_ARG(QString, path));
    }

    // Waits for the worker, lets the last messages through, and paints a few times, so
    // that anything the superseded job left behind would show.
    void settle()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!w.drawer->workerBusy(), 30000);
        for (int i = 0; i < 3; ++i) {
            QTest::qWait(MessageRelay::DefaultInterval + 10);
            w.drawer->grab();
        }
    }

    // What the window shows; the data set itself is the worker's while it runs.
    bool blank() const
    {
        return w.statusLabel->text().isEmpty() && w.progressBar->value() == 0 &&
               !w.progressBar->isTextVisible() && w.tabInfo->rowCount() == 0 &&
               w.tabCurve->rowCount() == 0 && w.tabVern->rowCount() == 0 &&
               w.tabEvent->rowCount() == 0 && !w.drawer->hasData() &&
               w.drawer->curveInfoList.isEmpty() && w.drawer->stampEnd == 0;
    }

    ModalAnswerer answerer;
    Ostrel w;
    std::shared_ptr<WorkerHold> hold;
    QObject shown;
    QStringList messages;
};

} // namespace

class TestHandoffStale : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString a, b;

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QList<int>>("QList<int>");
        a = dir.filePath(QStringLiteral("a.tavdata"));
        b = dir.filePath(QStringLiteral("b.tavdata"));
        QVERIFY(writeFile(a, {"温度", "湿度", "压力"}, 4000, 12));
        QVERIFY(writeFile(b, {"风速"}, 300, 5));
    }

    void clearDuringRead()
    {
        Rig r;
        QSignalSpy finished(r.w.drawer, &TavDrawer::readFinished);
        r.hold->arm(QStringLiteral("正在打开"));
        r.open(a);
        QTRY_VERIFY(r.hold->parked());
        r.w.clearAll();
        QVERIFY(r.blank());
        r.hold->release();
        r.settle();
        QCOMPARE(finished.count(), 0);
        QVERIFY(r.blank());
        QVERIFY(r.w.drawer->dataSet.status > 0);
        QVERIFY(!r.w.readTimer->isActive()); // no read left to time
        QCOMPARE(r.answerer.boxTexts, QStringList());
    }

    void openDuringRead()
    {
        Rig r;
        r.w.checkShowSys->setChecked(false);
        QSignalSpy finished(r.w.drawer, &TavDrawer::readFinished);
        r.hold->arm(QStringLiteral("正在打开"));
        r.open(a);
        QTRY_VERIFY(r.hold->parked());
        // A filter ticked during the read leaves the list to the read's end.
        r.w.checkShowSys->setChecked(true);
        QCOMPARE(r.w.tabEvent->rowCount(), 0);

        r.hold->arm(QStringLiteral("正在打开"));
        r.open(b);
        const int sinceB = r.messages.size();
        r.hold->release(); // a runs out, unwanted; b starts and is held in its turn
        QTRY_VERIFY(r.hold->parked());
        QTest::qWait(MessageRelay::DefaultInterval + 10);
        QCOMPARE(finished.count(), 0);
        QVERIFY(r.w.readTimer->isActive()); // still timing b
        QVERIFY(!r.w.statusLabel->text().contains(QStringLiteral("读取完成")));

        r.hold->release();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
        r.settle();
        QCOMPARE(finished.first().first().toString(), b);
        QCOMPARE(r.w.statusLabel->text(), b + QStringLiteral(" 读取完成！"));
        QCOMPARE(r.w.tabCurve->rowCount(), 1);
        QCOMPARE(r.w.tabInfo->item(1, 1)->text(), QStringLiteral("b"));
        QCOMPARE(r.w.tabEvent->rowCount(), 5); // b's five system events, as ticked
        for (int i = sinceB; i < r.messages.size(); ++i)
            QVERIFY2(!r.messages[i].startsWith(a), qPrintable(r.messages[i]));
        QCOMPARE(r.answerer.boxTexts, QStringList());
    }

    void clearDuringExport()
    {
        Rig r;
        QSignalSpy finished(r.w.drawer, &TavDrawer::readFinished);
        QSignalSpy exported(r.w.drawer, &TavDrawer::exportFinished);
        r.open(a);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
        r.settle();
        QVERIFY(r.w.tabVern->rowCount() >= 2);

        r.hold->arm(QStringLiteral("正在导出数据"));
        r.w.drawer->exportData(dir.filePath(QStringLiteral("x.csv")));
        QTRY_VERIFY(r.hold->parked());
        r.w.clearAll();
        r.w.drawer->grab(); // a paint while the export still runs brings nothing back
        QCoreApplication::processEvents();
        QVERIFY(r.blank());
        r.hold->release();
        r.settle();
        QCOMPARE(exported.count(), 0);
        QVERIFY(r.blank() && r.w.drawer->dataSet.names.isEmpty());

        // The canvas takes the next request as usual.
        r.open(b);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 30000);
        QCOMPARE(r.w.tabCurve->rowCount(), 1);
    }
};

QTEST_MAIN(TestHandoffStale)
#include "tst_handoffstale.moc"
