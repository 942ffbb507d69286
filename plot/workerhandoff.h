#pragma once

#include "fileprobe.h"

#include <QList>
#include <QString>
#include <QVector>

// An export as it was asked: the file and what the view showed at that moment.
struct ExportJob
{
    QString filePath;
    QList<int> indexList;
    qint64 stampStart = 0;
    qint64 stampEnd = 0;
};

// Who may touch the canvas's data set, what happens to requests while the worker is busy,
// and how a followed file is kept up to date. The worker runs one job at a time; the GUI
// thread learns that it is idle again only through workerDone(). A read fills a set of the
// worker's own and never writes the one on screen, so the recording on screen stays until
// a new read succeeds; an export and an append read the set on screen, and an append's
// batch is written into it on the GUI thread (DeliverAppend). All transitions are in this
// table and nowhere else (steps in order, then the next state):
//
//   Idle        read p    StartRead(p)                                 -> Reading
//               clear     ClearData ClearView                          -> Idle
//               export j  StartExport(j)                               -> Exporting
//               follow    StartWatch(current) when a file is loaded    -> Following, else Idle
//               unfollow  nothing                                      -> Idle
//               done      nothing                                      -> Idle
//   Following   read p    StopWatch StartRead(p)                       -> Reading
//               clear     StopWatch ClearData ClearView                -> Idle
//               export j  StartExport(j), the watch goes on            -> Exporting
//               unfollow  StopWatch                                    -> Idle
//               grew      StartAppend, or after a rewrite the read
//                         below                                        -> Appending
//               rewritten StopWatch StartRead(current, followed)       -> Reading
//               vanished  StopWatch FollowLost                         -> Idle
//   Appending   read p    StopWatch MuteWorker                         -> Superseded, next p
//               clear     StopWatch ClearView MuteWorker; the data set
//                         is emptied when the append ends              -> Superseded, no next
//               export j  j waits; the latest waiting export wins      -> Appending
//               unfollow  StopWatch; the batch is still delivered      -> Appending
//               changed   noted, taken when the append ends            -> Appending
//               done      DeliverAppend, then StartExport(waiting)     -> Exporting
//                         or, none waiting, the follow resumes (below)
//               done, the batch cannot be appended: DropAppend
//                         StopWatch StartRead(current, followed)       -> Reading
//   Reading     read p    MuteWorker                                   -> Superseded, next p
//               clear     ClearData ClearView MuteWorker               -> Superseded, no next
//               export j  RefuseExport(j): the worker is reading       -> Reading
//               done      DeliverRead; the read file is current when it
//                         succeeded; the follow resumes (below)
//   Exporting   read p    MuteWorker; a waiting export drops           -> Superseded, next p
//               clear     StopWatch ClearView MuteWorker; a waiting
//                         export drops; the data set is emptied when
//                         the export ends                              -> Superseded, no next
//               export j  j waits; the latest waiting export wins      -> Exporting
//               changed   noted, taken when the export ends            -> Exporting
//               done      StartExport(waiting) DeliverExport           -> Exporting
//                         or, none waiting: DeliverExport, the follow resumes (below)
//   Superseded  read p    nothing                                      -> Superseded, next p
//               clear     ClearView, and ClearData unless an export or
//                         append runs (then it waits for the end)      -> Superseded, no next
//               export j  RefuseExport(j): the worker is busy          -> Superseded
//               done      DropRead or DropAppend for the job that ran;
//                         ClearData if one waits; then StartRead(next) -> Reading
//                         or, no next: the same, the follow resumes (below)
//
// Follow and unfollow only set whether the file is followed in every state but Idle and
// Following. Changes of the file are taken only while it is watched (Following, Appending,
// Exporting); the strongest one noted waits (vanished over rewritten over grew).
// The follow resumes, when the worker is idle again: without follow or a loaded file
// -> Idle; else StartWatch(current) unless it is watched, then a noted change is taken as
// in Following, or -> Following. After a rewrite whose read failed the held recording is
// stale: until a read of current succeeds, any change reads it whole.
// Superseded: the worker still runs a job whose outcome nobody wants; nothing of that job
// reaches the window. The data set is written on the GUI thread only by ClearData,
// DeliverRead and DeliverAppend, which run only when no job reads it.
class WorkerHandoff
{
public:
    enum class State
    {
        Idle,
        Following,
        Appending,
        Reading,
        Exporting,
        Superseded
    };

    struct Step
    {
        enum Kind
        {
            ClearView,     // forget the view's data; GUI-side state only
            ClearData,     // empty the data set
            MuteWorker,    // the running job's progress messages go nowhere from now on
            StartRead,     // queue the read of path (followed: a followed file read again)
            StartExport,   // queue job
            DeliverRead,   // adopt the finished read of path when it succeeded, and report it
            DeliverExport, // report the export of path (if it was written)
            DropRead,      // forget the outcome of a superseded read
            RefuseExport,  // say that the export of job cannot run now
            StartWatch,    // watch path, the loaded recording, for changes
            StopWatch,     // stop watching
            StartAppend,   // queue the decoding of what was appended to path
            DeliverAppend, // write the finished append batch into the data set
            DropAppend,    // forget the batch of an append
            FollowLost     // path is gone: the follow ends, what is loaded stays
        };
        Kind kind;
        QString path;
        ExportJob job;
        bool followed = false; // StartRead, DeliverRead: the read of a followed file
    };
    using Steps = QVector<Step>;

    Steps requestRead(const QString& path);
    Steps requestClear();
    Steps requestExport(const ExportJob& job);
    Steps requestFollow(bool on);
    Steps fileChanged(FileChange change);
    // succeeded: a read's file could be read. appendable: an append's batch can be
    // written into the data set (else the file is read whole).
    Steps workerDone(bool succeeded = true, bool appendable = true);

    State state() const { return m_state; }
    bool busy() const { return m_state != State::Idle && m_state != State::Following; }
    bool dataSetReadable() const { return !m_clearWaits; }
    bool following() const { return m_follow; }
    bool watching() const { return m_watching; }
    // The file of the data set on screen, once a read of it succeeded; empty after a clear.
    QString current() const { return m_current; }
    static const char* stateName(State s);

private:
    enum class Job
    {
        None,
        Read,
        Export,
        Append
    };
    Steps supersede();
    Steps supersededDone();
    Steps resume();
    Steps take(FileChange change);
    Steps startRead(const QString& path, bool followed);
    Steps startWaitingExport();
    Steps stopWatch();

    State m_state = State::Idle;
    Job m_job = Job::None;     // the job the worker runs, while busy
    bool m_clearWaits = false; // a clear came during an export or append: ClearData at its end
    QString m_running;         // path of the running read or export
    bool m_runningFollowed = false;
    bool m_hasNext = false; // Superseded only: a read was asked after the superseded job
    QString m_next;
    bool m_exportWaiting = false;
    ExportJob m_waiting;
    bool m_follow = false;   // the user wants the loaded file followed
    bool m_watching = false; // StartWatch ran, StopWatch did not since
    bool m_stale = false;    // the held recording is no longer what current holds
    FileChange m_noted = FileChange::None;
    QString m_current;
};
