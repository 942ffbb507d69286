// The GUI/worker hand-off as a state machine on its own: every transition of its table,
// and random request sequences played against a model worker that runs one job at a time.
#include "workerhandoff.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

using Step = WorkerHandoff::Step;
using State = WorkerHandoff::State;

QString stepText(const Step& s)
{
    switch (s.kind) {
    case Step::ClearView:
        return QStringLiteral("ClearView");
    case Step::ClearData:
        return QStringLiteral("ClearData");
    case Step::MuteWorker:
        return QStringLiteral("Mute");
    case Step::StartRead:
        return QStringLiteral("Read(%1)").arg(s.path);
    case Step::StartExport:
        return QStringLiteral("Export(%1)").arg(s.job.filePath);
    case Step::DeliverRead:
        return QStringLiteral("Deliver(%1)").arg(s.path);
    case Step::DeliverExport:
        return QStringLiteral("Exported(%1)").arg(s.path);
    }
    return QStringLiteral("?");
}

QString stepsText(const WorkerHandoff::Steps& steps)
{
    QStringList parts;
    for (const Step& s : steps)
        parts << stepText(s);
    return parts.join(QLatin1Char(' '));
}

// One event: "r:x" read x, "c" clear, "e:x" export to x, "d" worker done.
WorkerHandoff::Steps apply(WorkerHandoff& h, const QString& event)
{
    const QString arg = event.mid(2);
    switch (event.at(0).toLatin1()) {
    case 'r':
        return h.requestRead(arg);
    case 'c':
        return h.requestClear();
    case 'e': {
        ExportJob job;
        job.filePath = arg;
        return h.requestExport(job);
    }
    default:
        return h.workerDone();
    }
}

} // namespace

class TestWorkerHandoff : public QObject
{
    Q_OBJECT

private slots:
    void transitions_data()
    {
        QTest::addColumn<QString>("prefix"); // events that lead to the state under test
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("readable"); // the GUI may read the data set afterwards

        const QString reading = "r:a";
        const QString exporting = "r:a d e:x";
        const QString superseded = "r:a c";
        // Idle
        QTest::newRow("idle read") << ""
                                   << "r:a"
                                   << "ClearData ClearView Read(a)"
                                   << "Reading" << false;
        QTest::newRow("idle clear") << ""
                                    << "c"
                                    << "ClearData ClearView"
                                    << "Idle" << true;
        QTest::newRow("idle export") << ""
                                     << "e:x"
                                     << "Export(x)"
                                     << "Exporting" << true;
        QTest::newRow("idle done") << ""
                                   << "d"
                                   << ""
                                   << "Idle" << true;
        // Reading
        QTest::newRow("reading read") << reading << "r:b"
                                      << "ClearView Mute"
                                      << "Superseded" << false;
        QTest::newRow("reading clear") << reading << "c"
                                       << "ClearView Mute"
                                       << "Superseded" << false;
        QTest::newRow("reading export") << reading << "e:x"
                                        << ""
                                        << "Reading" << false;
        QTest::newRow("reading done") << reading << "d"
                                      << "Deliver(a)"
                                      << "Idle" << true;
        // Exporting
        QTest::newRow("exporting read") << exporting << "r:b"
                                        << "ClearView Mute"
                                        << "Superseded" << false;
        QTest::newRow("exporting clear") << exporting << "c"
                                         << "ClearView Mute"
                                         << "Superseded" << false;
        QTest::newRow("exporting export") << exporting << "e:y"
                                          << ""
                                          << "Exporting" << true;
        QTest::newRow("exporting done") << exporting << "d"
                                        << "Exported(x)"
                                        << "Idle" << true;
        QTest::newRow("exporting done, one waits") << exporting + " e:y e:z"
                                                   << "d"
                                                   << "Export(z) Exported(x)"
                                                   << "Exporting" << true;
        QTest::newRow("waiting export dropped by clear") << exporting + " e:y c"
                                                         << "d"
                                                         << "ClearData"
                                                         << "Idle" << true;
        // Superseded
        QTest::newRow("superseded read") << superseded << "r:b"
                                         << "ClearView"
                                         << "Superseded" << false;
        QTest::newRow("superseded clear") << "r:a r:b"
                                          << "c"
                                          << "ClearView"
                                          << "Superseded" << false;
        QTest::newRow("superseded export") << superseded << "e:x"
                                           << ""
                                           << "Superseded" << false;
        QTest::newRow("superseded done") << superseded << "d"
                                         << "ClearData"
                                         << "Idle" << true;
        QTest::newRow("superseded done, read waits") << "r:a r:b r:c"
                                                     << "d"
                                                     << "ClearData Read(c)"
                                                     << "Reading" << false;
        QTest::newRow("read after clear after read") << "r:a c r:b"
                                                     << "d"
                                                     << "ClearData Read(b)"
                                                     << "Reading" << false;
        QTest::newRow("clear after read after read") << "r:a r:b c"
                                                     << "d"
                                                     << "ClearData"
                                                     << "Idle" << true;
        QTest::newRow("superseded export, next read") << exporting + " r:b"
                                                      << "d"
                                                      << "ClearData Read(b)"
                                                      << "Reading" << false;
        QTest::newRow("the next read delivers itself") << "r:a r:b d"
                                                       << "d"
                                                       << "Deliver(b)"
                                                       << "Idle" << true;
    }

    void transitions()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, event);
        QFETCH(bool, readable);
        WorkerHandoff h;
        for (const QString& e : prefix.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            apply(h, e);
        QTEST(stepsText(apply(h, event)), "steps");
        QTEST(QString::fromLatin1(WorkerHandoff::stateName(h.state())), "state");
        QCOMPARE(h.dataSetReadable(), readable);
        QCOMPARE(h.busy(), h.state() != State::Idle);
    }

    // Random requests against a worker that takes one job at a time and answers after a
    // random delay. Whatever the order: at most one job runs, the data set is never emptied
    // or read by the GUI while a job runs that writes it, only the latest read is ever
    // delivered, a cleared view stays clear, and exports are reported in request order.
    void randomSequences_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 8; ++seed)
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
    }

    void randomSequences()
    {
        QFETCH(quint32, seed);
        QRandomGenerator rng(seed);
        WorkerHandoff h;
        enum class Job
        {
            None,
            Read,
            Export
        };
        Job running = Job::None;
        QString runningPath;
        QString wantedRead; // the read the view should end with; empty: none (cleared)
        bool wantedSettled = true;
        QStringList exportsAsked, exportsReported;
        bool muted = false;
        int reads = 0;

        auto play = [&](const WorkerHandoff::Steps& steps) {
            for (const Step& s : steps) {
                switch (s.kind) {
                case Step::ClearData:
                    QVERIFY2(running == Job::None, "data set emptied under a running job");
                    break;
                case Step::MuteWorker:
                    muted = true;
                    break;
                case Step::StartRead:
                case Step::StartExport:
                    QVERIFY2(running == Job::None, "two jobs at once");
                    running = s.kind == Step::StartRead ? Job::Read : Job::Export;
                    runningPath = s.kind == Step::StartRead ? s.path : s.job.filePath;
                    muted = false;
                    break;
                case Step::DeliverRead:
                    QVERIFY(!muted);
                    QCOMPARE(s.path, wantedRead);
                    wantedSettled = true;
                    break;
                case Step::DeliverExport:
                    QVERIFY(!muted);
                    exportsReported << s.path;
                    break;
                case Step::ClearView:
                    break;
                }
            }
        };

        for (int i = 0; i < 400; ++i) {
            const int a = rng.bounded(10);
            if (a < 3) {
                wantedRead = QStringLiteral("f%1").arg(reads++);
                wantedSettled = false;
                exportsAsked.clear();
                exportsReported.clear();
                play(h.requestRead(wantedRead));
            } else if (a < 4) {
                wantedRead.clear();
                wantedSettled = true;
                exportsAsked.clear();
                exportsReported.clear();
                play(h.requestClear());
            } else if (a < 6) {
                const QString x = QStringLiteral("x%1").arg(i);
                const bool hasData = h.dataSetReadable() && !wantedRead.isEmpty() && wantedSettled;
                const bool busyExporting = h.state() == State::Exporting;
                ExportJob job;
                job.filePath = x;
                if (!hasData && h.state() == State::Idle)
                    continue; // the canvas asks only with data on screen
                const WorkerHandoff::Steps steps = h.requestExport(job);
                if (hasData) {
                    // Waiting exports: only the latest of those asked meanwhile runs.
                    if (busyExporting && exportsAsked.size() > exportsReported.size() + 1)
                        exportsAsked.removeLast();
                    exportsAsked << x;
                } else {
                    QVERIFY(steps.isEmpty());
                }
                play(steps);
            } else if (running != Job::None) {
                running = Job::None;
                play(h.workerDone());
            }
            if (QTest::currentTestFailed())
                return;
            // The GUI may read the data set only when no read writes it.
            if (running == Job::Read)
                QVERIFY(!h.dataSetReadable());
        }
        while (running != Job::None) {
            running = Job::None;
            play(h.workerDone());
        }
        QCOMPARE(h.state(), State::Idle);
        QVERIFY(wantedSettled);
        QCOMPARE(exportsReported, exportsAsked);
    }
};

QTEST_GUILESS_MAIN(TestWorkerHandoff)
#include "tst_workerhandoff.moc"
