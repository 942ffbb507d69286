#include "toolsession.h"

#include <QEventLoop>

ToolSession::ToolSession()
{
    // Every message, in order: a dump lists them all, where the window shows the latest.
    QObject::connect(
        &m_session.dataSet, &SortedTavData::pushInfoUpward, &m_session,
        [this](const QString& info, int percent) {
            m_messages.append({info, percent});
        },
        Qt::QueuedConnection);
    // A failed read is taken over too: dump shows what was read before the failure.
    m_session.adoptFailedReads = true;
}

ToolSession::~ToolSession() = default;

int ToolSession::read(const QString& path, bool summaries)
{
    // Set while the worker is idle, before the request is queued.
    m_session.dataSet.summariesAfterRead = summaries;
    QEventLoop loop;
    QObject::connect(&m_session, &DataSession::readDone, &loop, &QEventLoop::quit);
    m_session.read(path);
    loop.exec();
    return m_session.dataSet.status;
}

bool ToolSession::exportCsv(const QString& filePath, const QList<int>& indexList,
                            qlonglong stampStart, qlonglong stampEnd)
{
    QEventLoop loop;
    bool written = false;
    QObject::connect(&m_session, &DataSession::exportDone, &loop, [&](const QString&, bool ok) {
        written = ok;
        loop.quit();
    });
    // An export the hand-off refuses has nothing to wait for.
    QObject::connect(&m_session, &DataSession::exportRefused, &loop, &QEventLoop::quit);
    ExportJob job;
    job.filePath = filePath;
    job.indexList = indexList;
    job.stampStart = stampStart;
    job.stampEnd = stampEnd;
    m_session.exportData(job);
    loop.exec();
    return written;
}
