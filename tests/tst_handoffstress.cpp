// The canvas's worker hand-off under hurried use: reads, exports, clears and requests
// that arrive while the worker is busy, fired in quick succession while the GUI thread
// paints. Built with ThreadSanitizer in CI; in an ordinary build it checks that the
// canvas ends in the state the last request asked for.
#include "handofffence.h"
#include "messagerelay.h"
#include "tavdrawer.h"
#include "tavwriter.h"

#include <QAbstractEventDispatcher>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <mutex>
#include <thread>

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
        QVector<qint32> row;
        for (int j = 0; j < variables; ++j)
            row << (r * 3 + j * 100) % 900;
        rows << row;
    }
    w.historyBlock(4, names, QVector<quint32>(variables, 10), stamps, rows);
    w.marker('A');
    w.errorRecord(T0 + 50, 3, 1);
    w.marker('S');
    w.event(T0 + 70, "运行");
    w.save(path);
    return {path, records, variables, T0, T0 + qint64(records - 1) * 10};
}

// Half the records, then the clock set back for `dropped` records, then the rest.
Recording floodFile(const QString& path, int kept, int dropped)
{
    TavWriter w;
    w.marker('H');
    w.historyHeader(3, {"温度", "湿度"}, {10, 10});
    const int half = kept / 2;
    for (int r = 0; r < half; ++r)
        w.historyRecord(3, T0 + quint32(r), {r, -r});
    for (int r = 0; r < dropped; ++r)
        w.historyRecord(3, T0 + quint32(r % half), {1, 1});
    for (int r = half; r < kept; ++r)
        w.historyRecord(3, T0 + quint32(r), {r, -r});
    w.save(path);
    return {path, kept, 2, T0, T0 + kept - 1};
}

Recording csvFile(const QString& path, int lines)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("t,a,b\n");
    for (int i = 0; i < lines; ++i)
        f.write(QStringLiteral("%1,%2,%3\n")
                    .arg(QDateTime::fromSecsSinceEpoch(T0 + i * 60, Qt::UTC)
                             .toString("yyyy/MM/dd hh:mm:ss"))
                    .arg(i % 50)
                    .arg(100 - i % 50)
                    .toLatin1());
    return {path, lines, 2, T0, T0 + qint64(lines - 1) * 60};
}

// Rows and columns of an exported file; -1 columns when the header is not the export's.
QPair<int, int> exportShape(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {-1, -1};
    const QList<QByteArray> lines = f.readAll().split('\n');
    if (lines.isEmpty() || !lines.first().startsWith(QStringLiteral("时间,").toUtf8()))
        return {-1, -1};
    const int columns = lines.first().count(',') - 1;
    int rows = 0;
    for (int i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        if (lines[i].count(',') != columns + 1)
            return {rows, -1};
        ++rows;
    }
    return {rows, columns};
}

} // namespace

class HandoffStressTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QVector<Recording> m_files;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Paints the canvas once, either through grab() or through render() into an image.
    static void paint(TavDrawer& d, bool useRender)
    {
        if (useRender) {
            QImage image(d.size(), QImage::Format_ARGB32_Premultiplied);
            d.render(&image);
        } else {
            d.grab();
        }
    }

    static void drawEverything(TavDrawer& d)
    {
        for (CurveInfo& c : d.curveInfoList)
            c.ToDraw = true;
    }

    static TavDrawer* newCanvas(const QString& config)
    {
        auto* d = new TavDrawer;
        d->configPath = config;
        d->resize(640, 400);
        d->showError = d->showSys = d->showUser = true;
        d->DrawA = d->DrawB = true;
        connect(d, &TavDrawer::readFinished, d, [d] { drawEverything(*d); });
        return d;
    }

private slots:
    void initTestCase()
    {
        // As the program's main does, so that export requests can be queued.
        qRegisterMetaType<QList<int>>();
        QVERIFY(m_dir.isValid());
        m_files << binaryFile(path("a.tavdata"), 3000, 3) << binaryFile(path("b.tavdata"), 40, 5)
                << floodFile(path("flood.tavdata"), 400, 20000) << csvFile(path("c.csv"), 500);
        TavWriter bad;
        bad.historyBlock(9, {"x"}, {1}, {1, 2, 3, 4, 5}, {});
        bad.save(path("bad.tavdata"));
        m_files << Recording{path("bad.tavdata")} << Recording{path("missing.tavdata")};
    }

    void rapidRequests_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("maxWaitMs"); // events processed between two requests
        QTest::addColumn<bool>("useRender");
        QTest::newRow("back to back, grab") << 1u << 300 << 0 << false;
        QTest::newRow("back to back, render") << 2u << 300 << 0 << true;
        QTest::newRow("short waits, grab") << 3u << 200 << 3 << false;
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

        std::mutex lastMutex;
        QString lastPushed;
        connect(
            &d->dataSet, &SortedTavData::pushInfoUpward, fence,
            [&](const QString& info, int) {
                std::lock_guard<std::mutex> lock(lastMutex);
                lastPushed = info;
            },
            Qt::DirectConnection);
        QString lastShown;
        connect(d.data(), &TavDrawer::pushInfoUpward, this,
                [&](const QString& info, int) { lastShown = info; });
        QStringList exported;
        connect(d.data(), &TavDrawer::exportFinished, this,
                [&](const QString& p) { exported << p; });

        QRandomGenerator rng(seed);
        int intent = -1; // index into m_files of the last read asked for; -1: clear
        int exports = 0;
        for (int step = 0; step < steps; ++step) {
            const int action = rng.bounded(10);
            if (action < 4) {
                intent = rng.bounded(m_files.size());
                d->readTAVData(m_files[intent].path);
            } else if (action < 6) {
                d->clear();
                intent = -1;
            } else if (action < 9) {
                d->exportData(path(QStringLiteral("export-%1.csv").arg(exports++)));
            } else {
                d->onResetView();
            }
            if (maxWaitMs > 0)
                QTest::qWait(rng.bounded(maxWaitMs + 1));
            else
                QCoreApplication::processEvents();
            paint(*d, useRender);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!d->workerBusy(), 20000);
        paint(*d, useRender);
        QTest::qWait(2 * MessageRelay::DefaultInterval + 20);

        if (intent < 0 || m_files[intent].samples == 0) {
            QVERIFY(!d->hasData());
            QCOMPARE(d->curveInfoList.size(), 0);
            QCOMPARE(d->stampStart, qint64(0));
        } else {
            const Recording& r = m_files[intent];
            QVERIFY(d->hasData());
            QCOMPARE(d->dataSet.sampleCount, r.samples);
            QCOMPARE(d->dataSet.names.size(), r.variables);
            QCOMPARE(d->curveInfoList.size(), r.variables);
            QCOMPARE(d->stampStart, r.first);
            QCOMPARE(d->stampEnd, r.last);
        }
        for (const QString& p : qAsConst(exported)) {
            const QPair<int, int> shape = exportShape(p);
            bool known = false;
            for (const Recording& r : qAsConst(m_files))
                known = known || (r.samples > 0 && shape == qMakePair(r.samples, r.variables));
            QVERIFY2(known, qPrintable(QStringLiteral("%1: %2 rows, %3 columns")
                                           .arg(p)
                                           .arg(shape.first)
                                           .arg(shape.second)));
        }
        // The last job asked for was a read that nothing superseded: nothing muted its
        // messages, so its (or a later export's) last message must be on show.
        std::lock_guard<std::mutex> lock(lastMutex);
        if (intent >= 0)
            QCOMPARE(lastShown, lastPushed);
    }

    void requestAfterFailedExport_data()
    {
        QTest::addColumn<QString>("next"); // "read", "clear" or "export"
        QTest::newRow("read") << "read";
        QTest::newRow("clear") << "clear";
        QTest::newRow("export") << "export";
    }

    // An export whose file cannot be opened ends without exportFinished; the canvas
    // must still take the next request.
    void requestAfterFailedExport()
    {
        QFETCH(QString, next);
        QScopedPointer<TavDrawer> d(newCanvas(path("none.ini")));
        QSignalSpy reads(d.data(), &TavDrawer::readFinished);
        QSignalSpy exports(d.data(), &TavDrawer::exportFinished);
        d->readTAVData(m_files[1].path);
        QTRY_COMPARE(reads.count(), 1);
        d->exportData(path("no-such-dir/x.csv"));
        if (next == "read") {
            d->readTAVData(m_files[0].path);
            QTRY_COMPARE_WITH_TIMEOUT(reads.count(), 2, 10000);
            QCOMPARE(d->dataSet.sampleCount, m_files[0].samples);
        } else if (next == "clear") {
            d->clear();
            QTRY_VERIFY_WITH_TIMEOUT(!d->hasData(), 10000);
            QCOMPARE(d->curveInfoList.size(), 0);
        } else {
            d->exportData(path("after-failed.csv"));
            QTRY_COMPARE_WITH_TIMEOUT(exports.count(), 1, 10000);
            QCOMPARE(exportShape(path("after-failed.csv")),
                     qMakePair(m_files[1].samples, m_files[1].variables));
        }
        QTRY_VERIFY(!d->workerBusy());
    }

    void relay_data()
    {
        QTest::addColumn<int>("messages");
        QTest::addColumn<int>("pauseEveryN"); // the worker sleeps 1 ms after every n-th
        QTest::addColumn<int>("interval");
        QTest::newRow("one") << 1 << 0 << 50;
        QTest::newRow("burst") << 200000 << 0 << 50;
        QTest::newRow("trickle") << 300 << 1 << 20;
        QTest::newRow("percent steps") << 101 << 1 << 10;
    }

    // Messages pushed from another thread: far fewer deliveries than messages, spaced by
    // the interval except for the flush, the latest message always the last delivered,
    // and the flushed message in front of whatever the worker queues after the flush.
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
        bool finishedAfterLast = false;
        QObject receiver;
        QThread worker;
        QObject* job = new QObject;
        job->moveToThread(&worker);
        connect(&worker, &QThread::finished, job, &QObject::deleteLater);
        worker.start();
        clock.start();
        QMetaObject::invokeMethod(job, [&] {
            for (int i = 0; i < messages; ++i) {
                relay.push(QStringLiteral("m%1").arg(i), i % 101 == 0 ? -1 : i % 101);
                if (pauseEveryN > 0 && i % pauseEveryN == 0)
                    QThread::msleep(1);
            }
            relay.flush();
            QMetaObject::invokeMethod(
                &receiver,
                [&] {
                    finishedAfterLast = !delivered.isEmpty() &&
                                        delivered.last() == QStringLiteral("m%1").arg(messages - 1);
                },
                Qt::QueuedConnection);
        });
        QTRY_VERIFY_WITH_TIMEOUT(finishedAfterLast, 30000);
        const qint64 elapsed = clock.elapsed();
        QTest::qWait(interval * 3);
        worker.quit();
        worker.wait();

        QCOMPARE(relay.pushedCount(), qint64(messages));
        QCOMPARE(relay.deliveredCount(), qint64(delivered.size()));
        QCOMPARE(delivered.last(), QStringLiteral("m%1").arg(messages - 1));
        const int last = messages - 1;
        QCOMPARE(percents.last(), last % 101 == 0 ? -1 : last % 101);
        QVERIFY2(delivered.size() <= 2 + elapsed / interval,
                 qPrintable(
                     QStringLiteral("%1 deliveries in %2 ms").arg(delivered.size()).arg(elapsed)));
        // Deliveries keep the interval; only the last one (the flush) may come early.
        for (int i = 1; i + 1 < times.size(); ++i)
            QVERIFY2(times[i] - times[i - 1] >= interval - 1,
                     qPrintable(QStringLiteral("gap %1 ms").arg(times[i] - times[i - 1])));
        // Deliveries are in push order.
        int previous = -1;
        for (const QString& m : qAsConst(delivered)) {
            const int n = m.mid(1).toInt();
            QVERIFY(n > previous);
            previous = n;
        }
    }
};

QTEST_MAIN(HandoffStressTest)
#include "tst_handoffstress.moc"
