// The canvas's worker hand-off: reads, exports, clears and requests that arrive while the
// worker is busy, fired in quick succession while the GUI thread paints, or with the worker
// held inside its job. rapidRequests and the held sequences are built with ThreadSanitizer
// in CI; in an ordinary build they check that the window ends in the state the last
// request asked for.
#include "handofffence.h"
#include "messagerelay.h"
#include "ostrel.h"
#include "tavbulkwriter.h"
#include "tavdrawer.h"
#include "tavwriter.h"
#include "testutil.h"
#include "tst_ostrelmodal.h"
#include "vystatuslabel.h"
#include "vytabcurve.h"
#include "vytabevent.h"
#include "vytabinfo.h"
#include "vytabvern.h"

#include <QRandomGenerator>
#include <QtTest>
#include <QtWidgets>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

struct Recording
{
    QString path;
    int samples = 0, variables = 0; // no samples: the read fails
    qint64 first = 0, last = 0;
};

const quint32 T0 = 1650000000;

// The named variables, records 10 s apart, and as many system events as asked.
Recording binaryFile(const QString& path, const QStringList& names, int records, int events)
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
    w.save(path);
    return {path, records, int(names.size()), T0, T0 + qint64(records - 1) * 10};
}

Recording csvFile(const QString& path, int lines)
{
    QByteArray text = "t,a,b\n";
    for (int i = 0; i < lines; ++i)
        text += TestUtil::csvTime(T0 + i * 60) + ',' + QByteArray::number(i % 50) + ',' +
                QByteArray::number(100 - i % 50) + '\n';
    return {TestUtil::writeFile(path, text), lines, 2, T0, T0 + qint64(lines - 1) * 60};
}

// Rows and columns of an exported file; -1 columns when a line is not the export's.
QPair<int, int> exportShape(const QString& path)
{
    QList<QByteArray> lines = TestUtil::readFile(path).split('\n');
    const QByteArray header = lines.isEmpty() ? QByteArray() : lines.takeFirst();
    if (!header.startsWith(QStringLiteral("时间,").toUtf8()))
        return {-1, -1};
    lines.removeAll(QByteArray());
    const int commas = header.count(',');
    for (const QByteArray& line : qAsConst(lines))
        if (line.count(',') != commas)
            return {lines.size(), -1};
    return {lines.size(), commas - 1};
}

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
                if (!m_marker.isEmpty() && info.contains(m_marker)) {
                    m_marker.clear();
                    m_parked = true;
                    m_cv.wait(lock, [this] { return !m_parked; });
                }
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

// The window with its canvas fenced for ThreadSanitizer and its worker holdable.
struct Rig
{
    Rig() : w(QString()), finished(w.drawer, &TavDrawer::readFinished)
    {
        hold = std::make_shared<WorkerHold>(w.drawer->dataSet);
        new HandoffFence(*w.drawer, [h = hold] { return h->parked(); });
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

    // Runs what the test asks for (the open button, once its dialog has answered, by
    // default) and waits until the worker stops at the first message with the marker.
    bool holdAt(const QString& marker, const QString& path, std::function<void()> act = {})
    {
        hold->arm(marker);
        if (act) {
            act();
        } else {
            w.clearAll();
            QMetaObject::invokeMethod(&w, "startFile", Q_ARG(QString, path));
        }
        return QTest::qWaitFor([this] { return hold->parked(); }, 10000);
    }

    // Lets the worker go and waits for it, lets the last messages through, and paints a
    // few times, so that anything the superseded job left behind would show.
    void settle()
    {
        hold->release();
        QTRY_VERIFY_WITH_TIMEOUT(!w.drawer->workerBusy(), 30000);
        for (int i = 0; i < 3; ++i) {
            QTest::qWait(MessageRelay::DefaultInterval + 10);
            w.drawer->grab();
        }
        QCOMPARE(answerer.boxTexts, QStringList());
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
    QSignalSpy finished;
    std::shared_ptr<WorkerHold> hold;
    QObject shown;
    QStringList messages;
};

} // namespace

class HandoffStressTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QVector<Recording> m_files;
    QString a, b; // the first two files
    const QString opening = QStringLiteral("正在打开");

    QString path(const QString& name) const { return m_dir.filePath(name); }

    static TavDrawer* newCanvas(const QString& config)
    {
        auto* d = new TavDrawer;
        d->configPath = config;
        d->resize(640, 400);
        d->showError = d->showSys = d->showUser = d->DrawA = d->DrawB = true;
        connect(d, &TavDrawer::readFinished, d, [d] {
            for (CurveInfo& c : d->curveInfoList)
                c.ToDraw = true;
        });
        return d;
    }

private slots:
    void initTestCase()
    {
        // As the program's main does, so that export requests can be queued.
        qRegisterMetaType<QList<int>>();
        QVERIFY(m_dir.isValid());
        m_files << binaryFile(path("a.tavdata"), {"温度", "湿度", "压力"}, 4000, 12)
                << binaryFile(path("b.tavdata"), {"风速"}, 300, 5) << csvFile(path("c.csv"), 500)
                << Recording{path("missing.tavdata")};
        a = m_files[0].path;
        b = m_files[1].path;
    }

    void rapidRequests_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("maxWaitMs"); // events processed between two requests
        QTest::newRow("back to back") << 1u << 300 << 0;
        QTest::newRow("short waits") << 4u << 200 << 3;
        QTest::newRow("longer waits") << 5u << 80 << 25;
    }

    // Random requests; afterwards the canvas must show what the last read or clear asked
    // for, every export must be a complete file of one of the recordings, and the status
    // label must end on the last message of the jobs still wanted.
    void rapidRequests()
    {
        QFETCH(quint32, seed);
        QFETCH(int, steps);
        QFETCH(int, maxWaitMs);
        QScopedPointer<TavDrawer> d(newCanvas(path("none.ini")));
        auto* fence = new HandoffFence(*d);

        std::mutex lastMutex;
        QString lastPushed, lastShown;
        connect(
            &d->dataSet, &SortedTavData::pushInfoUpward, fence,
            [&](const QString& info, int) {
                std::lock_guard<std::mutex> lock(lastMutex);
                lastPushed = info;
            },
            Qt::DirectConnection);
        // An export asked for during a read is refused by the canvas itself, with a message
        // the worker never pushed.
        connect(d.data(), &TavDrawer::pushInfoUpward, this, [&](const QString& info, int) {
            if (!info.contains(QStringLiteral("未导出")))
                lastShown = info;
        });
        QSignalSpy exported(d.data(), &TavDrawer::exportFinished);

        QRandomGenerator rng(seed);
        // What may be on screen at the end (indexes into m_files; -1: blank). A failed read
        // keeps the screen, which is the outcome of the read before it unless that one was
        // superseded in its turn: anything read since the last clear.
        QSet<int> possible{-1}, sinceClear{-1};
        bool lastWasRead = false;
        for (int step = 0; step < steps; ++step) {
            const int action = rng.bounded(10);
            if (action < 4) {
                const int f = rng.bounded(m_files.size());
                d->readTAVData(m_files[f].path);
                lastWasRead = true;
                if (m_files[f].samples > 0) {
                    sinceClear.insert(f);
                    possible = {f};
                } else {
                    possible = sinceClear;
                }
            } else if (action < 6) {
                d->clear();
                possible = sinceClear = {-1};
                lastWasRead = false;
            } else if (action < 9)
                d->exportData(path(QStringLiteral("export-%1.csv").arg(step)));
            else
                d->onResetView();
            QTest::qWait(rng.bounded(maxWaitMs + 1));
            d->grab();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!d->workerBusy(), 20000);
        d->grab();
        QTest::qWait(2 * MessageRelay::DefaultInterval + 20);

        const auto shows = [&d](const Recording& r) {
            return d->hasData() == (r.samples > 0) &&
                   d->dataSet.sampleCount * (r.samples > 0) == r.samples &&
                   d->curveInfoList.size() == r.variables && d->stampStart == r.first &&
                   d->stampEnd == r.last;
        };
        bool matched = false;
        for (int f : qAsConst(possible))
            matched = matched || shows(f < 0 ? Recording() : m_files[f]);
        QVERIFY2(matched, qPrintable(QStringLiteral("%1 samples, %2 curves on screen")
                                         .arg(d->dataSet.sampleCount)
                                         .arg(d->curveInfoList.size())));
        for (const QList<QVariant>& args : qAsConst(exported)) {
            const QPair<int, int> shape = exportShape(args.first().toString());
            bool known = false;
            for (const Recording& f : qAsConst(m_files))
                known = known || (f.samples > 0 && shape == qMakePair(f.samples, f.variables));
            QVERIFY2(known,
                     qPrintable(
                         QStringLiteral("%1 rows, %2 columns").arg(shape.first).arg(shape.second)));
        }
        // The last job asked for was a read that nothing superseded: nothing muted its
        // messages, so its (or a later export's) last message must be on show.
        std::lock_guard<std::mutex> lock(lastMutex);
        if (lastWasRead)
            QCOMPARE(lastShown, lastPushed);
    }

    void destroyWhileReading()
    {
        // Big enough that the worker is still reading after the delay.
        const QString big = path("big.tavdata");
        TavBulkWriter::writeHistoryFile(big, 80 << 20, 4, 20, T0, 10);
        for (int delayMs : {0, 40}) { // before the worker starts, and mid-read
            auto* d = new TavDrawer;
            d->configPath = path("none.ini");
            bool reported = false;
            connect(d, &TavDrawer::readFinished, this, [&] { reported = true; });
            d->readTAVData(big);
            QTest::qWait(delayMs);
            QVERIFY(d->workerBusy());
            delete d; // waits for the worker, then frees the data set
            QCoreApplication::processEvents();
            QVERIFY(!reported); // the answer to a destroyed canvas goes nowhere
        }
    }

    // Requests that supersede a running read or export, with the worker held at a chosen
    // progress message so that the test, not the scheduler, decides what comes first.
    // Built with ThreadSanitizer in CI: the GUI thread must never touch the data set
    // meanwhile.
    void clearDuringRead()
    {
        Rig r;
        QVERIFY(r.holdAt(opening, a));
        r.w.clearAll();
        QVERIFY(r.blank());
        r.settle();
        QCOMPARE(r.finished.count(), 0);
        QVERIFY(r.blank());
        QVERIFY(r.w.drawer->dataSet.status > 0);
        QVERIFY(!r.w.readTimer->isActive()); // no read left to time
    }

    void openDuringRead()
    {
        Rig r;
        r.w.checkShowSys->setChecked(false);
        QVERIFY(r.holdAt(opening, a));
        // A filter ticked during the read leaves the list to the read's end.
        r.w.checkShowSys->setChecked(true);
        QCOMPARE(r.w.tabEvent->rowCount(), 0);
        const int sinceB = r.messages.size();
        // a runs out, unwanted; b starts and is held in its turn
        QVERIFY(r.holdAt(opening, b, [&] {
            r.w.clearAll();
            QMetaObject::invokeMethod(&r.w, "startFile", Q_ARG(QString, b));
            r.hold->release();
        }));
        QTest::qWait(MessageRelay::DefaultInterval + 10);
        QCOMPARE(r.finished.count(), 0);
        QVERIFY(r.w.readTimer->isActive()); // still timing b
        QVERIFY(!r.w.statusLabel->text().contains(QStringLiteral("读取完成")));
        r.settle();
        QCOMPARE(r.finished.value(0).value(0).toString(), b);
        QCOMPARE(r.finished.count(), 1);
        QCOMPARE(r.w.statusLabel->text(), b + QStringLiteral(" 读取完成！"));
        QCOMPARE(r.w.tabCurve->rowCount(), 1);
        QCOMPARE(r.w.tabInfo->item(1, 1)->text(), QStringLiteral("b"));
        QCOMPARE(r.w.tabEvent->rowCount(), 5); // b's five system events, as ticked
        for (int i = sinceB; i < r.messages.size(); ++i)
            QVERIFY2(!r.messages[i].startsWith(a), qPrintable(r.messages[i]));
    }

    // While a new file is read, the one on screen stays usable: painted, its tables full.
    void screenStaysDuringRead()
    {
        Rig r;
        QMetaObject::invokeMethod(&r.w, "startFile", Q_ARG(QString, a));
        r.settle();
        const QImage shown = r.w.drawer->grab().toImage();
        QVERIFY(r.holdAt(opening, b,
                         [&] { QMetaObject::invokeMethod(&r.w, "startFile", Q_ARG(QString, b)); }));
        QVERIFY(r.w.drawer->hasData());
        QCOMPARE(r.w.tabCurve->rowCount(), 3);
        QCOMPARE(r.w.drawer->grab().toImage(), shown);
        r.settle();
        QCOMPARE(r.finished.count(), 2);
        QCOMPARE(r.finished.at(1).at(0).toString(), b);
        QCOMPARE(r.w.tabCurve->rowCount(), 1);
    }

    // A recording followed while it grows, with paints, table refreshes, exports, clears
    // and other files opened in between; in the end the canvas holds the whole file.
    void followStress()
    {
        Rig r;
        const QString f = path("follow.tavdata");
        const QStringList names = {"温度", "湿度", "压力"};
        binaryFile(f, names, 40, 0);
        // The file ends with its system events: a new History block is where records go.
        quint32 stamp = T0 + 100000;
        TavWriter more;
        more.marker('H');
        more.historyHeader(4, names, QVector<quint32>(names.size(), 10));
        int held = 40;
        const auto grow = [&](int records) {
            for (int i = 0; i < records; ++i)
                more.historyRecord(4, stamp += 10, {i % 100, i % 50, i % 7});
            QVERIFY(TestUtil::appendFile(f, more.bytes));
            more.bytes.clear();
            held += records;
        };
        grow(1);
        QSignalSpy exported(r.w.drawer, &TavDrawer::exportFinished);
        r.w.checkFollow->setChecked(true);
        QMetaObject::invokeMethod(&r.w, "startFile", Q_ARG(QString, f));
        QRandomGenerator rng(7);
        for (int step = 0; step < 200; ++step) {
            const int action = rng.bounded(12);
            if (action < 5)
                grow(1 + rng.bounded(60));
            else if (action == 5)
                r.w.onFollowUpdated(0, false);
            else if (action == 6)
                r.w.drawer->exportData(path(QStringLiteral("follow-%1.csv").arg(step)));
            else if (action == 7)
                r.w.clearAll();
            else if (action == 8)
                QMetaObject::invokeMethod(&r.w, "startFile", Q_ARG(QString, b));
            else if (action == 9)
                QMetaObject::invokeMethod(&r.w, "startFile", Q_ARG(QString, f));
            QTest::qWait(rng.bounded(15));
            r.w.drawer->grab();
        }
        QMetaObject::invokeMethod(&r.w, "startFile", Q_ARG(QString, f));
        r.settle();
        QTRY_COMPARE_WITH_TIMEOUT(r.w.drawer->dataSet.sampleCount, held, 20000);
        QVERIFY(r.w.checkFollow->isChecked());
        grow(25);
        QTRY_COMPARE_WITH_TIMEOUT(r.w.drawer->dataSet.sampleCount, held, 20000);
        QCOMPARE(r.w.drawer->stampEnd, qint64(stamp));
        QVERIFY(exported.count() > 0);
    }

    void clearDuringExport()
    {
        Rig r;
        QSignalSpy exported(r.w.drawer, &TavDrawer::exportFinished);
        r.w.clearAll();
        QMetaObject::invokeMethod(&r.w, "startFile", Q_ARG(QString, a));
        r.settle();
        QVERIFY(r.w.tabVern->rowCount() >= 2);
        QVERIFY(r.holdAt(QStringLiteral("正在导出数据"), a,
                         [&] { r.w.drawer->exportData(path("x.csv")); }));
        r.w.clearAll();
        r.w.drawer->grab(); // a paint while the export still runs brings nothing back
        QCoreApplication::processEvents();
        QVERIFY(r.blank());
        r.settle();
        QCOMPARE(exported.count(), 0);
        QVERIFY(r.blank() && r.w.drawer->dataSet.names.isEmpty());
        // The canvas takes the next request as usual.
        r.w.clearAll();
        QMetaObject::invokeMethod(&r.w, "startFile", Q_ARG(QString, b));
        QTRY_COMPARE_WITH_TIMEOUT(r.finished.count(), 2, 30000);
        QCOMPARE(r.w.tabCurve->rowCount(), 1);
    }
};

QTEST_MAIN(HandoffStressTest)
#include "tst_handoffstress.moc"
