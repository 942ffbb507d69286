#pragma once

#include "tolerancehandoff.h"
#include "tolerancejob.h"

#include <QObject>
#include <QThread>

// Runs tolerance checks on a thread of its own, so that the window never waits for one and
// the canvas's data worker stays free for reads and exports. Which request runs and which
// outcome is shown is decided by ToleranceHandoff. The thread is stopped, after the check
// under way, when the runner is destroyed.
class ToleranceRunner : public QObject
{
    Q_OBJECT
public:
    explicit ToleranceRunner(QObject* parent = nullptr);
    ~ToleranceRunner() override;

    // Checks job; the outcome of any earlier request is no longer wanted. A job of the
    // generation of the last results shown goes on from that check's end: only the
    // samples added since are checked.
    void request(const ToleranceJob& job);
    // The recording went away: the results on show and any request are forgotten.
    void cancel();
    // A check runs or waits, so the results on show are not the latest request's yet.
    bool busy() const { return m_handoff.busy(); }

signals:
    // The results on show no longer match the recording or the settings.
    void resultsCleared();
    // The results of the latest request, one per pair of its job.
    void resultsReady(const QVector<ToleranceResult>& results);

private:
    void run(const ToleranceHandoff::Steps& steps);
    void start();
    void onDone(const ToleranceJob::Outcome& outcome);

    ToleranceHandoff m_handoff;
    ToleranceJob m_latest;           // the latest request, until it starts
    ToleranceJob::Outcome m_outcome; // of the check that just finished
    ToleranceJob::Outcome m_shown;   // of the results last delivered: checks to go on from
    QThread m_thread;
    QObject* m_context = nullptr; // lives on m_thread; checks run as its events
};
