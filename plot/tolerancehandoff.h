#pragma once

#include <QVector>

// When the tolerance check runs and which outcome reaches the canvas. The check runs on a
// thread of its own, one job at a time; the GUI thread learns that it finished only through
// done(). Results always belong to the latest request: a request while a check runs waits
// (an older waiting one drops), and the running check's outcome is then dropped. All
// transitions are in this table and nowhere else (steps in order, then the next state):
//
//   Idle        request   ClearResults StartCheck                    -> Running
//               cancel    ClearResults                               -> Idle
//               done      nothing (no check runs)                    -> Idle
//   Running     request   ClearResults; the request waits            -> Superseded
//               cancel    ClearResults                               -> Superseded
//               done      Deliver                                    -> Idle
//   Superseded  request   ClearResults; it waits, replacing any
//                         older waiting request                      -> Superseded
//               cancel    ClearResults; a waiting request drops      -> Superseded
//               done      Drop StartCheck (the waiting request)      -> Running
//                         or, none waiting: Drop                     -> Idle
//
// Superseded: the running check's outcome is no longer wanted. ClearResults: the results
// shown no longer match the recording or the settings. StartCheck always starts the latest
// request, which the caller keeps.
class ToleranceHandoff
{
public:
    enum class State
    {
        Idle,
        Running,
        Superseded
    };

    enum class Step
    {
        ClearResults, // forget the results on show
        StartCheck,   // start the latest request on the check's thread
        Deliver,      // the finished check is the latest request's: show it
        Drop          // forget the finished check's outcome
    };
    using Steps = QVector<Step>;

    Steps request();
    Steps cancel();
    Steps done();

    State state() const { return m_state; }
    // A check runs or waits: the results on show are not yet those of the latest request.
    bool busy() const { return m_state != State::Idle; }
    bool hasWaiting() const { return m_waiting; }
    static const char* stateName(State s);

private:
    State m_state = State::Idle;
    bool m_waiting = false; // Superseded only: a request waits for the running check
};
