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
            emit resultsReady(m_outcome);
            m_outcome.clear();
            break;
        case ToleranceHandoff::Step::Drop:
            m_outcome.clear();
            break;
        }
    }
}

void ToleranceRunner::start()
{
    // The job moves to the thread; nothing of it stays here to be shared with it.
    ToleranceJob job;
    std::swap(job, m_latest);
    qCDebug(lcPlot) << "ToleranceRunner::start" << job.pairs.size() << "pairs" << job.stamps.size();
    QMetaObject::invokeMethod(
        m_context,
        [this, job] {
            const QVector<ToleranceResult> results = job.run();
            QMetaObject::invokeMethod(
                this, [this, results] { onDone(results); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void ToleranceRunner::onDone(const QVector<ToleranceResult>& results)
{
    m_outcome = results;
    run(m_handoff.done());
}
