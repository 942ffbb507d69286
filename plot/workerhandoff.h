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
// only through workerDone(). All transitions are in this table and nowhere else (steps in
// order, then the next state):
//
//   Idle        read p    ClearData ClearView StartRead(p)             -> Reading
//               clear     ClearData ClearView                          -> Idle
//               export j  StartExport(j)                               -> Exporting
//               done      nothing                                      -> Idle
//   Reading     read p    ClearView MuteWorker                         -> Superseded, next p
//               clear     ClearView MuteWorker                         -> Superseded, no next
//               export    refused: nothing on screen to export         -> Reading
//               done      DeliverRead                                  -> Idle
//   Exporting   read p    ClearView MuteWorker; a waiting export drops -> Superseded, next p
//               clear     ClearView MuteWorker; a waiting export drops -> Superseded, no next
//               export j  j waits; the latest waiting export wins      -> Exporting
//               done      StartExport(waiting) DeliverExport           -> Exporting
//                         or, none waiting: DeliverExport              -> Idle
//   Superseded  read p    ClearView                                    -> Superseded, next p
//               clear     ClearView                                    -> Superseded, no next
//               export    refused: nothing on screen to export         -> Superseded
//               done      ClearData StartRead(next)                    -> Reading
//                         or, no next: ClearData                       -> Idle
//
// Superseded: the worker still runs a read or an export whose outcome nobody wants. The
// view is already blank, nothing of that job reaches the window, and the data set is off
// limits until the worker is done, after which it is emptied.
// The data set may be read on the GUI thread only in Idle and Exporting (an export only
// reads it); it is written on the GUI thread only by ClearData, which runs only when the
// worker is idle.
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
            ClearView,    // forget the view's data; GUI-side state only
            ClearData,    // empty the data set
            MuteWorker,   // the running job's progress messages go nowhere from now on
            StartRead,    // queue the read of path
            StartExport,  // queue job
            DeliverRead,  // take over the finished read of path and report it
            DeliverExport // report the export of path (if it was written)
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
    bool dataSetReadable() const { return m_state == State::Idle || m_state == State::Exporting; }
    static const char* stateName(State s);

private:
    Steps supersede();

    State m_state = State::Idle;
    QString m_running;      // path of the running read or export
    bool m_hasNext = false; // Superseded only: a read was asked after the superseded job
    QString m_next;
    bool m_exportWaiting = false;
    ExportJob m_waiting;
};
