// The canvas's worker hand-off: reads, exports, clears and requests that arrive while the
// worker is busy, fired in quick succession while the GUI thread paints. rapidRequests is
// built with ThreadSanitizer in CI; in an ordinary build it checks that the canvas ends in
// the state the last request asked for.
#include "handofffence.h"
#include "messagerelay.h"
#include "tavbulkwriter.h"
#include "tavdrawer.h"
#include "tavwriter.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <mutex>

namespace {

struct Recording
{
    QString path;
    int samples = 0; // 0: the read fails
    int variables = 0;
    qint64 first = 0;
    qint64 last = 0;
};

const quint32 T0 = 1650000000;

Recording binaryFile(const QString& path, int records, int variables)
{
    TavWriter w;
    w.marker('I');
    w.globalItem("设备型号", "OTC-408");
    QStringList names;
    for (int j = 0; j < variables; ++j)
        names << QStringLiteral("v%1").arg(j);
    QVector<quint32> stamps;
    QVector<QVector<qint32>> rows;
    for (int r = 0; r < records; ++r) {
        stamps << T0 + quint32(r) * 10;
        rows << QVector<qint32>(variables, r % 900);
    }
    w.historyBlock(4, names, QVector<quint32>(variables, 10), stamps, rows);
    w.marker('S');
    w.event(T0 + 70, "运行");
    w.save(path);
    return {path, records, variables, T0, T0 + qint64(records - 1) * 10};
}

Recording csvFile(const QString& path, int lines)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("t,a,b\n");
    for (int i = 0; i < lines; ++i)
        f.write(QDateTime::fromSecsSinceEpoch(T0 + i * 60, Qt::UTC)
                    .toString("yyyy/MM/dd hh:mm:ss,%1,%2\n")
                    .arg(i % 50)
                    .arg(100 - i % 50)
                    .toLatin1());
    return {path, lines, 2, T0, T0 + qint64(lines - 1) * 60};
}

// Rows and columns of an exported file; -1 columns when a line is not the export's.
QPair<int, int> exportShape(const QString& path)
{
    QFile f(path);
    QList<QByteArray> lines =
        f.open(QIODevice::ReadOnly) ? f.readAll().split('\n') : QList<QByteArray>();
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

} // namespace

class HandoffStressTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QVector<Recording> m_files;

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

    // Big enough that the worker is still reading while the test fires more requests;
    // written only for the tests that need it.
    QString bigFile()
    {
        const QString big = path("big.tavdata");
        if (!QFileInfo::exists(big))
            TavBulkWriter::writeHistoryFile(big, 80 << 20, 4, 20, T0, 10);
        return big;
    }

private slots:
    void initTestCase()
    {
        // As the program's main does, so that export requests can be queued.
        qRegisterMetaType<QList<int>>();
        QVERIFY(m_dir.isValid());
        m_files << binaryFile(path("a.tavdata"), 3000, 3) << binaryFile(path("b.tavdata"), 40, 5)
                << csvFile(path("c.csv"), 500) << Recording{path("missing.tavdata")};
        QFile f(path("curves.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[CurveInfo]\nCURVE\\1\\CurveName=v1\nCURVE\\1\\ToDraw=true\n"
                "CURVE\\1\\CurveColor=FF0000\nCURVE\\size=1\n");
    }

    void rapidRequests_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("maxWaitMs"); // events processed between two requests
        QTest::addColumn<bool>("useRender");
        QTest::newRow("back to back, grab") << 1u << 300 << 0 << false;
        QTest::newRow("short waits, render") << 4u << 200 << 3 << true;
        QTest::newRow("longer waits") << 5u << 80 << 25 << false;
    }

    // Random requests; afterwards the canvas must show what the last read or clear asked
    // for, every export must be a complete file of one of the recordings, and the status
    // label must end on the last message of the jobs still wanted.
    void rapidRequests()
    {
        QFETCH(quint32, seed);
        QFETCH(int, steps);
        QFETCH(int, maxWaitMs);
        QFETCH(bool, useRender);
        QScopedPointer<TavDrawer> d(newCanvas(path("none.ini")));
        auto* fence = new HandoffFence(*d);
        auto paint = [&] {
            QImage image(d->size(), QImage::Format_ARGB32_Premultiplied);
            useRender ? d->render(&image) : void(d->grab());
        };

        std::mutex lastMutex;
        QString lastPushed, lastShown;
        connect(
            &d->dataSet, &SortedTavData::pushInfoUpward, fence,
            [&](const QString& info, int) {
                std::lock_guard<std::mutex> lock(lastMutex);
                lastPushed = info;
            },
            Qt::DirectConnection);
        connect(d.data(), &TavDrawer::pushInfoUpward, this,
                [&](const QString& info, int) { lastShown = info; });
        QSignalSpy exported(d.data(), &TavDrawer::exportFinished);

        QRandomGenerator rng(seed);
        int intent = -1; // index into m_files of the last read asked for; -1: clear
        for (int step = 0; step < steps; ++step) {
            const int action = rng.bounded(10);
            if (action < 4)
                d->readTAVData(m_files[intent = rng.bounded(m_files.size())].path);
            else if (action < 6)
                d->clear(), void(intent = -1);
            else if (action < 9)
                d->exportData(path(QStringLiteral("export-%1.csv").arg(step)));
            else
                d->onResetView();
            QTest::qWait(rng.bounded(maxWaitMs + 1));
            paint();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!d->workerBusy(), 20000);
        paint();
        QTest::qWait(2 * MessageRelay::DefaultInterval + 20);

        const Recording r = intent < 0 ? Recording() : m_files[intent];
        QCOMPARE(d->hasData(), r.samples > 0);
        QCOMPARE(d->dataSet.sampleCount * (r.samples > 0), r.samples);
        QCOMPARE(d->curveInfoList.size(), r.variables);
        QCOMPARE(d->stampStart, r.first);
        QCOMPARE(d->stampEnd, r.last);
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
        if (intent >= 0)
            QCOMPARE(lastShown, lastPushed);
    }

    // A read reports its file ("" on failure) and applies the saved curve settings.
    void readResult()
    {
        for (const Recording& r : {m_files[1], m_files[3]}) {
            TavDrawer d;
            d.configPath = path("curves.ini");
            QSignalSpy finished(&d, &TavDrawer::readFinished);
            d.readTAVData(r.path);
            QCOMPARE(d.titleText.text(), QFileInfo(r.path).baseName());
            QVERIFY(finished.wait(20000));
            QCOMPARE(finished.first().first().toString(), r.samples ? r.path : QString());
            QCOMPARE(d.curveInfoList.size(), r.variables);
            for (int i = 0; i < r.variables; ++i) {
                QCOMPARE(d.curveInfoList[i].CurveName, d.dataSet.names[i]);
                QCOMPARE(d.curveInfoList[i].CurveColor, i == 1 ? "#FF0000" : "#000000");
                QCOMPARE(d.curveInfoList[i].ToDraw, i == 1);
            }
            QCOMPARE(d.stampEnd, r.last);
        }
    }

    void busyRequestsSupersede_data()
    {
        // Requests fired while the big file is still being read: a letter reads that file,
        // C clears, E asks for an export. The big read is superseded by any read or clear:
        // only the reads named in "reads" follow it, and only the last is reported. An
        // export asked while nothing is on screen does nothing.
        QTest::addColumn<QString>("actions");
        QTest::addColumn<QString>("reads");
        QTest::newRow("latest read wins") << "ab"
                                          << "b";
        QTest::newRow("clear after read") << "aC" << QString();
        QTest::newRow("read after clear") << "Cb"
                                          << "b";
        QTest::newRow("export, then read") << "Ea"
                                           << "a";
        QTest::newRow("export after the next read") << "aE"
                                                    << "a";
    }

    void busyRequestsSupersede()
    {
        QFETCH(QString, actions);
        QFETCH(QString, reads);
        TavDrawer d;
        d.configPath = path("none.ini");
        QSignalSpy trigRead(&d, &TavDrawer::trigRead);
        QSignalSpy trigExport(&d, &TavDrawer::trigExport);
        QSignalSpy finished(&d, &TavDrawer::readFinished);
        d.readTAVData(bigFile());
        for (const QChar a : actions) {
            if (a == 'C')
                d.clear();
            else if (a == 'E')
                d.exportData(path("deferred.csv"));
            else
                d.readTAVData(path(a + QString(".tavdata")));
            // Nothing reached the worker while it reads, and the view is already blank.
            QCOMPARE(trigRead.count() + trigExport.count(), 1);
            QVERIFY(!d.hasData());
            QCOMPARE(d.curveInfoList.size(), 0);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!d.workerBusy(), 120000);
        QString followed;
        for (int i = 1; i < trigRead.count(); ++i)
            followed.append(QFileInfo(trigRead[i].first().toString()).baseName());
        QCOMPARE(followed, reads);
        QCOMPARE(trigExport.count(), 0);
        // The superseded big read is never reported.
        QCOMPARE(finished.count(), int(!reads.isEmpty()));
        const int variables = reads.isEmpty() ? 0 : m_files[reads == "b"].variables;
        QCOMPARE(d.curveInfoList.size(), variables);
        QCOMPARE(d.hasData(), variables > 0);
    }

    void destroyWhileReading()
    {
        for (int delayMs : {0, 40}) { // before the worker starts, and mid-read
            auto* d = new TavDrawer;
            d->configPath = path("none.ini");
            bool reported = false;
            connect(d, &TavDrawer::readFinished, this, [&] { reported = true; });
            d->readTAVData(bigFile());
            QTest::qWait(delayMs);
            QVERIFY(d->workerBusy());
            delete d; // waits for the worker, then frees the data set
            QCoreApplication::processEvents();
            QVERIFY(!reported); // the answer to a destroyed canvas goes nowhere
        }
    }

    void relay_data()
    {
        QTest::addColumn<int>("messages");
        QTest::addColumn<int>("pauseEveryN"); // the worker sleeps 1 ms after every n-th
        QTest::addColumn<int>("interval");
        QTest::newRow("one") << 1 << 0 << 50;
        QTest::newRow("burst") << 200000 << 0 << 50;
        QTest::newRow("trickle") << 300 << 1 << 20;
    }

    // Messages pushed from another thread: far fewer deliveries than messages, spaced by
    // the interval except for the flush, in push order, the latest one delivered last.
    void relay()
    {
        QFETCH(int, messages);
        QFETCH(int, pauseEveryN);
        QFETCH(int, interval);
        MessageRelay relay(nullptr, interval);
        QVector<qint64> times;
        QStringList delivered;
        QList<int> percents;
        QElapsedTimer clock;
        connect(&relay, &MessageRelay::message, this, [&](const QString& info, int percent) {
            times << clock.elapsed();
            delivered << info;
            percents << percent;
        });
        QThread worker;
        worker.start();
        clock.start();
        QObject* job = new QObject;
        job->moveToThread(&worker);
        connect(&worker, &QThread::finished, job, &QObject::deleteLater);
        QMetaObject::invokeMethod(job, [&] {
            for (int i = 0; i < messages; ++i) {
                relay.push(QString::number(i), i % 101 == 0 ? -1 : i % 101);
                if (pauseEveryN > 0 && i % pauseEveryN == 0)
                    QThread::msleep(1);
            }
            relay.flush();
        });
        const QString last = QString::number(messages - 1);
        QTRY_VERIFY_WITH_TIMEOUT(delivered.value(delivered.size() - 1) == last, 30000);
        const qint64 elapsed = clock.elapsed();
        QTest::qWait(interval * 3);
        worker.quit();
        worker.wait();

        QCOMPARE(relay.pushedCount(), qint64(messages));
        QCOMPARE(relay.deliveredCount(), qint64(delivered.size()));
        QCOMPARE(delivered.last(), last);
        QCOMPARE(percents.last(), (messages - 1) % 101 == 0 ? -1 : (messages - 1) % 101);
        QVERIFY2(delivered.size() <= 2 + elapsed / interval, qPrintable(last));
        for (int i = 1; i < times.size(); ++i) {
            // Deliveries keep the interval; only the last one (the flush) may come early.
            QVERIFY(i + 1 == times.size() || times[i] - times[i - 1] >= interval - 1);
            QVERIFY(delivered[i].toInt() > delivered[i - 1].toInt());
        }
    }
};

QTEST_MAIN(HandoffStressTest)
#include "tst_handoffstress.moc"
