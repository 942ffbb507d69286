// The GUI/worker hand-off as a state machine on its own: every transition of its table.
#include "workerhandoff.h"

#include <QtTest>

namespace {

using Step = WorkerHandoff::Step;
using State = WorkerHandoff::State;

QString stepsText(const WorkerHandoff::Steps& steps)
{
    static const char* const names[] = {
        "ClearView", "ClearData", "Mute",    "Read",   "Export",   "Deliver",    "Exported", "Drop",
        "Refused",   "Watch",     "Unwatch", "Append", "Appended", "DropAppend", "Lost"};
    QStringList parts;
    for (const Step& s : steps) {
        const int k = s.kind; // the names in the order of the kinds
        const QString arg =
            s.kind == Step::StartExport || s.kind == Step::RefuseExport ? s.job.filePath : s.path;
        const bool withArg =
            (k >= 3 && k != Step::DropRead && k != Step::StopWatch && k != Step::DropAppend) ||
            (k == Step::DropAppend && !arg.isEmpty());
        parts << names[k] + (withArg ? '(' + arg + ')' : QString()) + (s.followed ? "*" : "");
    }
    return parts.join(' ');
}

// One event: "r:x" read x, "c" clear, "e:x" export to x, "d" worker done, "x" worker done
// with a read that failed, "n" worker done with a batch that cannot be appended, "f" follow,
// "u" unfollow, "g" the file grew, "w" it was rewritten, "v" it vanished.
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
    case 'x':
        return h.workerDone(false);
    case 'n':
        return h.workerDone(true, false);
    case 'f':
        return h.requestFollow(true);
    case 'u':
        return h.requestFollow(false);
    case 'g':
        return h.fileChanged(FileChange::Grew);
    case 'w':
        return h.fileChanged(FileChange::Rewritten);
    case 'v':
        return h.fileChanged(FileChange::Vanished);
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
        const QString fo = "r:a d", fl = "r:a d f", ap = "r:a d f g";
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
            {"the next read delivers itself", "r:a r:b d", "d", "Deliver(b)", "Idle", true},
            // Follow: a starred step concerns a followed file read again.
            {"follow without a file", "", "f", "", "Idle", true},
            {"idle follow", fo, "f", "Watch(a)", "Following", true},
            {"read with follow on", "f r:a", "d", "Deliver(a) Watch(a)", "Following", true},
            {"failed read keeps the old watch", fl + " r:b", "x", "Deliver(b) Watch(a)", "Following", true},
            {"unfollow", fl, "u", "Unwatch", "Idle", true},
            {"following read", fl, "r:b", "Unwatch Read(b)", "Reading", true},
            {"following clear", fl, "c", "Unwatch ClearData ClearView", "Idle", true},
            {"following export", fl, "e:x", "Export(x)", "Exporting", true},
            {"following grew", fl, "g", "Append(a)", "Appending", true},
            {"following rewritten", fl, "w", "Unwatch Read(a)*", "Reading", true},
            {"following vanished", fl, "v", "Unwatch Lost(a)", "Idle", true},
            {"appending done", ap, "d", "Appended(a)", "Following", true},
            {"appending done, append again", ap + " g", "d", "Appended(a) Append(a)", "Appending", true},
            {"appending done, rewritten meanwhile", ap + " g w", "d", "Appended(a) Unwatch Read(a)*", "Reading", true},
            {"appending done, vanished meanwhile", ap + " w v", "d", "Appended(a) Unwatch Lost(a)", "Idle", true},
            {"appending, cannot append", ap, "n", "DropAppend(a) Unwatch Read(a)*", "Reading", true},
            {"appending read", ap, "r:b", "Unwatch Mute", "Superseded", true},
            {"appending clear", ap, "c", "Unwatch ClearView Mute", "Superseded", false},
            {"cleared append ends", ap + " c", "d", "DropAppend ClearData", "Idle", true},
            {"superseded append, next read", ap + " r:b", "d", "DropAppend Read(b)", "Reading", true},
            {"appending export waits", ap, "e:x", "", "Appending", true},
            {"appending done, export waits", ap + " e:x", "d", "Appended(a) Export(x)", "Exporting", true},
            {"appending unfollow", ap, "u", "Unwatch", "Appending", true},
            {"append ends after unfollow", ap + " u", "d", "Appended(a)", "Idle", true},
            {"export ends, growth noted", fl + " e:x g", "d", "Exported(x) Append(a)", "Appending", true},
            {"read ends, growth ignored", fl + " r:b g", "d", "Deliver(b) Watch(b)", "Following", true},
            {"followed read fails: stale", fl + " w", "x", "Deliver(a)* Watch(a)", "Following", true},
            {"stale: growth reads whole", fl + " w x", "g", "Unwatch Read(a)*", "Reading", true},
            {"followed read succeeds", fl + " w", "d", "Deliver(a)* Watch(a)", "Following", true},
            {"fresh again: growth appends", fl + " w d", "g", "Append(a)", "Appending", true},
            {"follow during an export", "r:a d e:x", "f", "Watch(a)", "Exporting", true},
            {"unfollow during an export", fl + " e:x", "u", "Unwatch", "Exporting", true},
            {"superseded, no next, follow resumes", fl + " e:x r:b", "d", "Read(b)", "Reading", true},
            {"superseded read, watch the old file", fl + " r:b r:c c", "d", "Drop", "Idle", true}};
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
        QCOMPARE(h.busy(), h.state() != State::Idle && h.state() != State::Following);
    }
};

QTEST_GUILESS_MAIN(TestWorkerHandoff)
#include "tst_workerhandoff.moc"
