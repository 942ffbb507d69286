// The GUI/worker hand-off as a state machine on its own: every transition of its table,
// and random request sequences played against a model worker that runs one job at a time.
#include "workerhandoff.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

using Step = WorkerHandoff::Step;
using State = WorkerHandoff::State;

QString stepsText(const WorkerHandoff::Steps& steps)
{
    static const char* const names[] = {"ClearView", "ClearData", "Mute",    "Read",
                                        "Export",    "Deliver",   "Exported"};
    QStringList parts;
    for (const Step& s : steps) {
        const int k = s.kind; // the names in the order of the kinds
        const QString arg = s.kind == Step::StartExport ? s.job.filePath : s.path;
        parts << names[k] + (k >= 3 ? '(' + arg + ')' : QString());
    }
    return parts.join(' ');
}

// One event: "r:x" read x, "c" clear, "e:x" export to x, "d" worker done.
WorkerHandoff::Steps apply(WorkerHandoff& h, const QString& event)
{
    ExportJob job;
    job.filePath = event.mid(2);
    switch (event.at(0).toLatin1()) {
    case 'r':
        return h.requestRead(job.filePath);
    case 'c':
        return h.requestClear();
    case 'e':
        return h.requestExport(job);
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
        const QString rd = "r:a", ex = "r:a d e:x", sup = "r:a c";
        // clang-format off
        const struct { const char* tag; QString prefix, event, steps, state; bool readable; } rows[] = {
            {"idle read", "", "r:a", "ClearData ClearView Read(a)", "Reading", false},
            {"idle clear", "", "c", "ClearData ClearView", "Idle", true},
            {"idle export", "", "e:x", "Export(x)", "Exporting", true},
            {"idle done", "", "d", "", "Idle", true},
            {"reading read", rd, "r:b", "ClearView Mute", "Superseded", false},
            {"reading clear", rd, "c", "ClearView Mute", "Superseded", false},
            {"reading export", rd, "e:x", "", "Reading", false},
            {"reading done", rd, "d", "Deliver(a)", "Idle", true},
            {"exporting read", ex, "r:b", "ClearView Mute", "Superseded", false},
            {"exporting clear", ex, "c", "ClearView Mute", "Superseded", false},
            {"exporting export", ex, "e:y", "", "Exporting", true},
            {"exporting done", ex, "d", "Exported(x)", "Idle", true},
            {"exporting done, one waits", ex + " e:y e:z", "d", "Export(z) Exported(x)", "Exporting", true},
            {"waiting export dropped by clear", ex + " e:y c", "d", "ClearData", "Idle", true},
            {"superseded read", sup, "r:b", "ClearView", "Superseded", false},
            {"superseded clear", "r:a r:b", "c", "ClearView", "Superseded", false},
            {"superseded export", sup, "e:x", "", "Superseded", false},
            {"superseded done", sup, "d", "ClearData", "Idle", true},
            {"superseded done, read waits", "r:a r:b r:c", "d", "ClearData Read(c)", "Reading", false},
            {"read after clear after read", "r:a c r:b", "d", "ClearData Read(b)", "Reading", false},
            {"clear after read after read", "r:a r:b c", "d", "ClearData", "Idle", true},
            {"superseded export, next read", ex + " r:b", "d", "ClearData Read(b)", "Reading", false},
            {"the next read delivers itself", "r:a r:b d", "d", "Deliver(b)", "Idle", true}};
        // clang-format on
        for (const auto& r : rows)
            QTest::newRow(r.tag) << r.prefix << r.event << r.steps << r.state << r.readable;
    }

    void transitions()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, event);
        QFETCH(bool, readable);
        WorkerHandoff h;
        for (const QString& e : prefix.split(' ', Qt::SkipEmptyParts))
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
            QTest::addRow("seed %u", seed) << seed;
    }

    void randomSequences()
    {
        QFETCH(quint32, seed);
        QRandomGenerator rng(seed);
        WorkerHandoff h;
        Step::Kind running = Step::ClearView; // ClearView: no job runs
        QString wantedRead; // the read the view should end with; empty: none (cleared)
        bool wantedSettled = true, muted = false;
        QStringList exportsAsked, exportsReported;
        int reads = 0;

        auto play = [&](const WorkerHandoff::Steps& steps) {
            for (const Step& s : steps) {
                if (s.kind == Step::ClearData)
                    QVERIFY2(running == Step::ClearView, "data set emptied under a running job");
                muted = (muted || s.kind == Step::MuteWorker) && s.kind != Step::StartRead &&
                        s.kind != Step::StartExport;
                if (s.kind == Step::StartRead || s.kind == Step::StartExport) {
                    QVERIFY2(running == Step::ClearView, "two jobs at once");
                    running = s.kind;
                } else if (s.kind == Step::DeliverRead || s.kind == Step::DeliverExport) {
                    QVERIFY(!muted);
                    if (s.kind == Step::DeliverExport)
                        exportsReported << s.path;
                    else
                        QCOMPARE(s.path, wantedRead);
                    wantedSettled = wantedSettled || s.kind == Step::DeliverRead;
                }
            }
        };
        auto done = [&] {
            running = Step::ClearView;
            play(h.workerDone());
        };

        for (int i = 0; i < 400 && !QTest::currentTestFailed(); ++i) {
            const int a = rng.bounded(10);
            if (a < 4) {
                wantedRead = a < 3 ? QStringLiteral("f%1").arg(reads++) : QString();
                wantedSettled = a == 3;
                exportsAsked.clear();
                exportsReported.clear();
                play(a < 3 ? h.requestRead(wantedRead) : h.requestClear());
            } else if (a < 6) {
                const bool hasData = h.dataSetReadable() && !wantedRead.isEmpty() && wantedSettled;
                const bool busyExporting = h.state() == State::Exporting;
                ExportJob job;
                job.filePath = QStringLiteral("x%1").arg(i);
                if (!hasData && h.state() == State::Idle)
                    continue; // the canvas asks only with data on screen
                const WorkerHandoff::Steps steps = h.requestExport(job);
                if (hasData) {
                    // Waiting exports: only the latest of those asked meanwhile runs.
                    if (busyExporting && exportsAsked.size() > exportsReported.size() + 1)
                        exportsAsked.removeLast();
                    exportsAsked << job.filePath;
                } else {
                    QVERIFY(steps.isEmpty());
                }
                play(steps);
            } else if (running != Step::ClearView) {
                done();
            }
            // The GUI may read the data set only when no read writes it.
            if (running == Step::StartRead)
                QVERIFY(!h.dataSetReadable());
        }
        while (running != Step::ClearView)
            done();
        QCOMPARE(h.state(), State::Idle);
        QVERIFY(wantedSettled);
        QCOMPARE(exportsReported, exportsAsked);
    }
};

QTEST_GUILESS_MAIN(TestWorkerHandoff)
#include "tst_workerhandoff.moc"
