#include "workerhandoff.h"

#include "plotlog.h"

namespace {

using Step = WorkerHandoff::Step;

Step step(Step::Kind kind, const QString& path = QString(), const ExportJob& job = ExportJob())
{
    return Step{kind, path, job};
}

} // namespace

const char* WorkerHandoff::stateName(State s)
{
    switch (s) {
    case State::Idle:
        return "Idle";
    case State::Reading:
        return "Reading";
    case State::Exporting:
        return "Exporting";
    case State::Superseded:
        return "Superseded";
    }
    return "?";
}

// The running job's outcome is no longer wanted; the view stays as it is.
WorkerHandoff::Steps WorkerHandoff::supersede()
{
    const bool wasSuperseded = m_state == State::Superseded;
    m_state = State::Superseded;
    m_exportWaiting = false;
    m_waiting = ExportJob();
    if (wasSuperseded)
        return {};
    return {step(Step::MuteWorker)};
}

WorkerHandoff::Steps WorkerHandoff::requestRead(const QString& path)
{
    qCDebug(lcPlot) << "WorkerHandoff::requestRead in" << stateName(m_state) << path;
    if (m_state == State::Idle) {
        m_state = State::Reading;
        m_runningRead = true;
        m_running = path;
        return {step(Step::StartRead, path)};
    }
    Steps steps = supersede();
    m_hasNext = true;
    m_next = path;
    return steps;
}

WorkerHandoff::Steps WorkerHandoff::requestClear()
{
    qCDebug(lcPlot) << "WorkerHandoff::requestClear in" << stateName(m_state);
    if (m_state == State::Idle)
        return {step(Step::ClearData), step(Step::ClearView)};
    Steps steps = supersede();
    m_hasNext = false;
    m_next.clear();
    // A read never writes the set on screen, so it can go now; an export still reads it.
    Steps clear;
    if (m_runningRead)
        clear.append(step(Step::ClearData));
    else
        m_clearWaits = true;
    clear.append(step(Step::ClearView));
    return clear + steps;
}

WorkerHandoff::Steps WorkerHandoff::requestExport(const ExportJob& job)
{
    qCDebug(lcPlot) << "WorkerHandoff::requestExport in" << stateName(m_state) << job.filePath;
    switch (m_state) {
    case State::Idle:
        m_state = State::Exporting;
        m_runningRead = false;
        m_running = job.filePath;
        return {step(Step::StartExport, job.filePath, job)};
    case State::Exporting:
        m_exportWaiting = true;
        m_waiting = job;
        return {};
    case State::Reading:
    case State::Superseded:
        break;
    }
    // The worker is busy with a read, or with a job nobody wants any more.
    return {step(Step::RefuseExport, job.filePath, job)};
}

WorkerHandoff::Steps WorkerHandoff::workerDone()
{
    qCDebug(lcPlot) << "WorkerHandoff::workerDone in" << stateName(m_state);
    const QString finished = m_running;
    switch (m_state) {
    case State::Idle:
        return {};
    case State::Reading:
        m_state = State::Idle;
        m_running.clear();
        return {step(Step::DeliverRead, finished)};
    case State::Exporting:
        if (m_exportWaiting) {
            const ExportJob next = m_waiting;
            m_exportWaiting = false;
            m_waiting = ExportJob();
            m_running = next.filePath;
            // The next export is queued before the report, so that whatever the report
            // sets off finds the state already moved on.
            return {step(Step::StartExport, next.filePath, next),
                    step(Step::DeliverExport, finished)};
        }
        m_state = State::Idle;
        m_running.clear();
        return {step(Step::DeliverExport, finished)};
    case State::Superseded:
        return supersededDone();
    }
    return {};
}

WorkerHandoff::Steps WorkerHandoff::supersededDone()
{
    Steps steps;
    if (m_runningRead)
        steps.append(step(Step::DropRead));
    if (m_clearWaits)
        steps.append(step(Step::ClearData));
    m_clearWaits = false;
    if (m_hasNext) {
        m_state = State::Reading;
        m_runningRead = true;
        m_running = m_next;
        m_hasNext = false;
        m_next.clear();
        steps.append(step(Step::StartRead, m_running));
        return steps;
    }
    m_state = State::Idle;
    m_running.clear();
    return steps;
}
