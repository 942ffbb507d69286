#pragma once

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

// Who may touch the canvas's data set, and what happens to requests while the worker is
// busy. The worker runs one job at a time; the GUI thread learns that it is idle again
// only through workerDone(). A read fills a set of the worker's own and never writes the
// one on screen, so the recording on screen stays until a new read succeeds; an export
// reads the set on screen. All transitions are in this table and nowhere else (steps in
// order, then the next state):
//
//   Idle        read p    StartRead(p)                                 -> Reading
//               clear     ClearData ClearView                          -> Idle
//               export j  StartExport(j)                               -> Exporting
//               done      nothing                                      -> Idle
//   Reading     read p    MuteWorker                                   -> Superseded, next p
//               clear     ClearData ClearView MuteWorker               -> Superseded, no next
//               export j  RefuseExport(j): the worker is reading       -> Reading
//               done      DeliverRead                                  -> Idle
//   Exporting   read p    MuteWorker; a waiting export drops           -> Superseded, next p
//               clear     ClearView MuteWorker; a waiting export drops;
//                         the data set is emptied when the export ends -> Superseded, no next
//               export j  j waits; the latest waiting export wins      -> Exporting
//               done      StartExport(waiting) DeliverExport           -> Exporting
//                         or, none waiting: DeliverExport              -> Idle
//   Superseded  read p    nothing                                      -> Superseded, next p
//               clear     ClearView, and ClearData unless an export
//                         runs (then it waits for the end)             -> Superseded, no next
//               export j  RefuseExport(j): the worker is busy          -> Superseded
//               done      DropRead if a read ran; ClearData if one
//                         waits; then StartRead(next)                  -> Reading
//                         or, no next: the same without StartRead      -> Idle
//
// Superseded: the worker still runs a read or an export whose outcome nobody wants; nothing
// of that job reaches the window.
// The data set is written on the GUI thread only by ClearData and DeliverRead, which run
// only when no export reads it. After a clear during an export the view is blank and the
// data set is not to be read until the export has ended and ClearData has run.
class WorkerHandoff
{
public:
    enum class State
    {
        Idle,
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
            StartRead,     // queue the read of path
            StartExport,   // queue job
            DeliverRead,   // adopt the finished read of path when it succeeded, and report it
            DeliverExport, // report the export of path (if it was written)
            DropRead,      // forget the outcome of a superseded read
            RefuseExport   // say that the export of job cannot run now
        };
        Kind kind;
        QString path;
        ExportJob job;
    };
    using Steps = QVector<Step>;

    Steps requestRead(const QString& path);
    Steps requestClear();
    Steps requestExport(const ExportJob& job);
    Steps workerDone();

    State state() const { return m_state; }
    bool busy() const { return m_state != State::Idle; }
    bool dataSetReadable() const { return !m_clearWaits; }
    static const char* stateName(State s);

private:
    Steps supersede();
    Steps supersededDone();

    State m_state = State::Idle;
    bool m_runningRead = false; // the worker runs a read (else an export), while busy
    bool m_clearWaits = false;  // a clear came during an export: ClearData when it ends
    QString m_running;          // path of the running read or export
    bool m_hasNext = false;     // Superseded only: a read was asked after the superseded job
    QString m_next;
    bool m_exportWaiting = false;
    ExportJob m_waiting;
};
