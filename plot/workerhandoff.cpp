#include "workerhandoff.h"

#include "plotlog.h"

namespace {

using Step = WorkerHandoff::Step;

Step step(Step::Kind kind, const QString& path = QString(), const ExportJob& job = ExportJob())
{
    return Step{kind, path, job, false};
}

// The change that decides what to do when several came: vanished over rewritten over grew.
FileChange stronger(FileChange a, FileChange b)
{
    return int(a) >= int(b) ? a : b;
}

} // namespace

const char* WorkerHandoff::stateName(State s)
{
    switch (s) {
    case State::Idle:
        return "Idle";
    case State::Following:
        return "Following";
    case State::Appending:
        return "Appending";
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

WorkerHandoff::Steps WorkerHandoff::stopWatch()
{
    m_noted = FileChange::None;
    if (!m_watching)
        return {};
    m_watching = false;
    return {step(Step::StopWatch)};
}

WorkerHandoff::Steps WorkerHandoff::startRead(const QString& path, bool followed)
{
    m_state = State::Reading;
    m_job = Job::Read;
    m_running = path;
    m_runningFollowed = followed;
    if (followed)
        m_stale = true;
    Step s = step(Step::StartRead, path);
    s.followed = followed;
    return {s};
}

WorkerHandoff::Steps WorkerHandoff::requestRead(const QString& path)
{
    qCDebug(lcPlot) << "WorkerHandoff::requestRead in" << stateName(m_state) << path;
    if (m_state == State::Idle || m_state == State::Following)
        return stopWatch() + startRead(path, false);
    Steps steps = stopWatch() + supersede();
    m_hasNext = true;
    m_next = path;
    return steps;
}

WorkerHandoff::Steps WorkerHandoff::requestClear()
{
    qCDebug(lcPlot) << "WorkerHandoff::requestClear in" << stateName(m_state);
    Steps steps = stopWatch();
    m_current.clear();
    m_stale = false;
    if (m_state == State::Idle || m_state == State::Following) {
        m_state = State::Idle;
        return steps + Steps{step(Step::ClearData), step(Step::ClearView)};
    }
    const Steps muted = supersede();
    m_hasNext = false;
    m_next.clear();
    // A read never writes the set on screen, so it can go now; an export or an append
    // still reads it.
    if (m_job == Job::Read)
        steps.append(step(Step::ClearData));
    else if (m_job != Job::None)
        m_clearWaits = true;
    steps.append(step(Step::ClearView));
    return steps + muted;
}

WorkerHandoff::Steps WorkerHandoff::requestExport(const ExportJob& job)
{
    qCDebug(lcPlot) << "WorkerHandoff::requestExport in" << stateName(m_state) << job.filePath;
    switch (m_state) {
    case State::Idle:
    case State::Following:
        m_state = State::Exporting;
        m_job = Job::Export;
        m_running = job.filePath;
        return {step(Step::StartExport, job.filePath, job)};
    case State::Exporting:
    case State::Appending:
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

WorkerHandoff::Steps WorkerHandoff::requestFollow(bool on)
{
    qCDebug(lcPlot) << "WorkerHandoff::requestFollow in" << stateName(m_state) << on;
    m_follow = on;
    switch (m_state) {
    case State::Idle:
    case State::Following:
        return resume();
    case State::Appending:
    case State::Exporting:
        if (!on)
            return stopWatch();
        if (!m_watching && !m_current.isEmpty()) {
            m_watching = true;
            return {step(Step::StartWatch, m_current)};
        }
        return {};
    case State::Reading:
    case State::Superseded:
        break;
    }
    return {};
}

WorkerHandoff::Steps WorkerHandoff::fileChanged(FileChange change)
{
    qCDebug(lcPlot) << "WorkerHandoff::fileChanged in" << stateName(m_state)
                    << fileChangeName(change);
    if (!m_watching)
        return {};
    if (m_state == State::Following)
        return take(change);
    m_noted = stronger(m_noted, change);
    return {};
}

// The worker is idle and the file watched: what the change asks for.
WorkerHandoff::Steps WorkerHandoff::take(FileChange change)
{
    m_state = State::Following;
    switch (change) {
    case FileChange::None:
        return {};
    case FileChange::Grew:
        if (!m_stale) {
            m_state = State::Appending;
            m_job = Job::Append;
            return {step(Step::StartAppend, m_current)};
        }
        return stopWatch() + startRead(m_current, true);
    case FileChange::Rewritten:
        return stopWatch() + startRead(m_current, true);
    case FileChange::Vanished: {
        const Steps steps = stopWatch();
        m_follow = false;
        m_state = State::Idle;
        return steps + Steps{step(Step::FollowLost, m_current)};
    }
    }
    return {};
}

// The worker is idle again and no read waits.
WorkerHandoff::Steps WorkerHandoff::resume()
{
    m_job = Job::None;
    m_running.clear();
    if (!m_follow || m_current.isEmpty()) {
        m_state = State::Idle;
        return stopWatch();
    }
    Steps steps;
    if (!m_watching) {
        m_watching = true;
        m_noted = FileChange::None;
        steps.append(step(Step::StartWatch, m_current));
    }
    const FileChange noted = m_noted;
    m_noted = FileChange::None;
    return steps + take(noted);
}

WorkerHandoff::Steps WorkerHandoff::workerDone(bool succeeded, bool appendable)
{
    qCDebug(lcPlot) << "WorkerHandoff::workerDone in" << stateName(m_state) << succeeded
                    << appendable;
    const QString finished = m_running;
    switch (m_state) {
    case State::Idle:
    case State::Following:
        return {};
    case State::Reading: {
        Step deliver = step(Step::DeliverRead, finished);
        deliver.followed = m_runningFollowed;
        if (succeeded) {
            m_current = finished;
            m_stale = false;
        }
        return Steps{deliver} + resume();
    }
    case State::Appending:
        if (!appendable) {
            Steps steps{step(Step::DropAppend, m_current)};
            if (m_exportWaiting)
                steps.append(step(Step::RefuseExport, m_waiting.filePath, m_waiting));
            m_exportWaiting = false;
            m_waiting = ExportJob();
            if (!m_follow)
                return steps + resume();
            return steps + stopWatch() + startRead(m_current, true);
        }
        if (m_exportWaiting)
            return Steps{step(Step::DeliverAppend, m_current)} + startWaitingExport();
        return Steps{step(Step::DeliverAppend, m_current)} + resume();
    case State::Exporting:
        if (m_exportWaiting) {
            // The next export is queued before the report, so that whatever the report
            // sets off finds the state already moved on.
            return startWaitingExport() + Steps{step(Step::DeliverExport, finished)};
        }
        return Steps{step(Step::DeliverExport, finished)} + resume();
    case State::Superseded:
        return supersededDone();
    }
    return {};
}

WorkerHandoff::Steps WorkerHandoff::startWaitingExport()
{
    const ExportJob next = m_waiting;
    m_exportWaiting = false;
    m_waiting = ExportJob();
    m_state = State::Exporting;
    m_job = Job::Export;
    m_running = next.filePath;
    return {step(Step::StartExport, next.filePath, next)};
}

WorkerHandoff::Steps WorkerHandoff::supersededDone()
{
    Steps steps;
    if (m_job == Job::Read)
        steps.append(step(Step::DropRead));
    else if (m_job == Job::Append)
        steps.append(step(Step::DropAppend));
    if (m_clearWaits)
        steps.append(step(Step::ClearData));
    m_clearWaits = false;
    if (m_hasNext) {
        const QString next = m_next;
        m_hasNext = false;
        m_next.clear();
        return steps + startRead(next, false);
    }
    return steps + resume();
}
