// The GUI/worker hand-off as a state machine on its own: every transition of its table.
#include "workerhandoff.h"

#include <QtTest>

namespace {

using Step = WorkerHandoff::Step;
using State = WorkerHandoff::State;

QString stepsText(const WorkerHandoff::Steps& steps)
{
    static const char* const names[] = {"ClearView", "ClearData", "Mute", "Read",   "Export",
                                        "Deliver",   "Exported",  "Drop", "Refused"};
    QStringList parts;
    for (const Step& s : steps) {
        const int k = s.kind; // the names in the order of the kinds
        const QString arg =
            s.kind == Step::StartExport || s.kind == Step::RefuseExport ? s.job.filePath : s.path;
        parts << names[k] + (k >= 3 && k != Step::DropRead ? '(' + arg + ')' : QString());
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
            {"idle read", "", "r:a", "Read(a)", "Reading", true},
            {"idle clear", "", "c", "ClearData ClearView", "Idle", true},
            {"idle export", "", "e:x", "Export(x)", "Exporting", true},
            {"idle done", "", "d", "", "Idle", true},
            {"reading read", rd, "r:b", "Mute", "Superseded", true},
            {"reading clear", rd, "c", "ClearData ClearView Mute", "Superseded", true},
            {"reading export", rd, "e:x", "Refused(x)", "Reading", true},
            {"reading done", rd, "d", "Deliver(a)", "Idle", true},
            {"exporting read", ex, "r:b", "Mute", "Superseded", true},
            {"exporting clear", ex, "c", "ClearView Mute", "Superseded", false},
            {"exporting export", ex, "e:y", "", "Exporting", true},
            {"exporting done", ex, "d", "Exported(x)", "Idle", true},
            {"exporting done, one waits", ex + " e:y e:z", "d", "Export(z) Exported(x)", "Exporting", true},
            {"the waiting export reports itself", ex + " e:y d", "d", "Exported(y)", "Idle", true},
            {"waiting export dropped by clear", ex + " e:y c", "d", "ClearData", "Idle", true},
            {"superseded read", sup, "r:b", "", "Superseded", true},
            {"superseded read clear", "r:a r:b", "c", "ClearData ClearView", "Superseded", true},
            {"superseded export clear", ex + " r:b", "c", "ClearView", "Superseded", false},
            {"superseded export", sup, "e:x", "Refused(x)", "Superseded", true},
            {"superseded done", sup, "d", "Drop", "Idle", true},
            {"superseded done, read waits", "r:a r:b r:c", "d", "Drop Read(c)", "Reading", true},
            {"read after clear after read", "r:a c r:b", "d", "Drop Read(b)", "Reading", true},
            {"clear after read after read", "r:a r:b c", "d", "Drop", "Idle", true},
            {"superseded export, next read", ex + " r:b", "d", "Read(b)", "Reading", true},
            {"cleared export, next read", ex + " c r:b", "d", "ClearData Read(b)", "Reading", true},
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
};

QTEST_GUILESS_MAIN(TestWorkerHandoff)
#include "tst_workerhandoff.moc"
