#include "tolerancerunner.h"

#include "plotlog.h"

ToleranceRunner::ToleranceRunner(QObject* parent) : QObject(parent)
{
    m_thread.setObjectName(QStringLiteral("ToleranceRunner"));
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start(QThread::LowPriority);
}

// The check under way ends first; its outcome, posted to this object, dies with it.
ToleranceRunner::~ToleranceRunner()
{
    m_thread.quit();
    m_thread.wait();
}

void ToleranceRunner::request(const ToleranceJob& job)
{
    m_latest = job;
    run(m_handoff.request());
}

void ToleranceRunner::cancel()
{
    m_latest = ToleranceJob();
    m_shown = ToleranceJob::Outcome();
    run(m_handoff.cancel());
}

void ToleranceRunner::run(const ToleranceHandoff::Steps& steps)
{
    for (ToleranceHandoff::Step s : steps) {
        switch (s) {
        case ToleranceHandoff::Step::ClearResults:
            emit resultsCleared();
            break;
        case ToleranceHandoff::Step::StartCheck:
            start();
            break;
        case ToleranceHandoff::Step::Deliver:
            m_shown = std::move(m_outcome);
            m_outcome = ToleranceJob::Outcome();
            emit resultsReady(m_shown.results);
            break;
        case ToleranceHandoff::Step::Drop:
            m_outcome = ToleranceJob::Outcome();
            break;
        }
    }
}

void ToleranceRunner::start()
{
    // The job moves to the thread; nothing of it stays here to be shared with it.
    ToleranceJob job;
    std::swap(job, m_latest);
    if (job.generation == m_shown.generation && m_shown.checks.size() == job.pairs.size() &&
        m_shown.fed <= job.stamps.size() && job.generation != 0) {
        job.from = m_shown.fed;
        job.resume = m_shown.checks;
    }
    qCDebug(lcPlot) << "ToleranceRunner::start" << job.pairs.size() << "pairs" << job.stamps.size();
    QMetaObject::invokeMethod(
        m_context,
        [this, job] {
            const ToleranceJob::Outcome outcome = job.run();
            QMetaObject::invokeMethod(
                this, [this, outcome] { onDone(outcome); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void ToleranceRunner::onDone(const ToleranceJob::Outcome& outcome)
{
    m_outcome = outcome;
    run(m_handoff.done());
}
