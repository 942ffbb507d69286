#include "toolsession.h"

#include <QCoreApplication>
#include <QEventLoop>

ToolSession::ToolSession()
{
    m_set.moveToThread(&m_worker);
    m_worker.start();
}

ToolSession::~ToolSession()
{
    // Hand the data set back before the thread ends, so that it dies where it lives.
    QThread* home = QThread::currentThread();
    QMetaObject::invokeMethod(
        &m_set, [this, home] { m_set.moveToThread(home); }, Qt::BlockingQueuedConnection);
    m_worker.quit();
    m_worker.wait();
}

int ToolSession::read(const QString& path, bool summaries)
{
    // Set before the request is queued, so the worker sees it when it reads.
    m_set.summariesAfterRead = summaries;
    QEventLoop loop;
    // Queued into this thread: messages arrive in emission order and all before the
    // readFinished that ends the loop.
    QObject::connect(
        &m_set, &SortedTavData::pushInfoUpward, &loop,
        [this](const QString& info, int percent) {
            m_messages.append({info, percent});
        },
        Qt::QueuedConnection);
    QObject::connect(&m_set, &SortedTavData::readFinished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        &m_set, [this, path] { m_set.onReadTrigged(path); }, Qt::QueuedConnection);
    loop.exec();
    // The worker is idle again. A failed read is taken over too: dump shows what was read
    // before the failure.
    m_set.adoptIncoming();
    return m_set.status;
}

bool ToolSession::exportCsv(const QString& filePath, const QList<int>& indexList,
                            qlonglong stampStart, qlonglong stampEnd)
{
    QEventLoop loop;
    bool written = false;
    QObject::connect(
        &m_set, &SortedTavData::pushInfoUpward, &loop,
        [this](const QString& info, int percent) {
            m_messages.append({info, percent});
        },
        Qt::QueuedConnection);
    QObject::connect(
        &m_set, &SortedTavData::exportFinished, &loop, [&written] { written = true; },
        Qt::QueuedConnection);
    // An export that cannot open its file answers nothing: the worker says when it is done.
    QMetaObject::invokeMethod(
        &m_set,
        [&] {
            m_set.onExportData(filePath, indexList, stampStart, stampEnd);
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    loop.exec();
    return written;
}
