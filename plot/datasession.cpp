#include "datasession.h"

#include "filefollower.h"
#include "messagerelay.h"
#include "plotlog.h"

#include <QThread>
#include <QTimer>

DataSession::DataSession(QObject* parent) : QObject(parent)
{
    // Progress messages pass through a relay that coalesces them on the worker side: a
    // read that drops a million records must not queue a million events to this thread.
    // Its flush runs ahead of the finish signals, so the last message comes first.
    m_relay = new MessageRelay(this);
    connect(&dataSet, &SortedTavData::pushInfoUpward, m_relay, &MessageRelay::push,
            Qt::DirectConnection);
    connect(&dataSet, &SortedTavData::readFinished, m_relay, &MessageRelay::flush,
            Qt::DirectConnection);
    connect(&dataSet, &SortedTavData::exportFinished, m_relay, &MessageRelay::flush,
            Qt::DirectConnection);
    connect(m_relay, &MessageRelay::message, this, &DataSession::message);
    connect(m_relay, &MessageRelay::message, this,
            [this](const QString& info) { lastReadMessage = info; });

    // Each job runs on the worker and then reports the worker idle, queued behind
    // whatever the job emitted. The hand-off decides whether its outcome is still wanted.
    qRegisterMetaType<QList<int>>();
    connect(this, &DataSession::trigRead, &dataSet, [this](QString path) {
        dataSet.onReadTrigged(path);
        QMetaObject::invokeMethod(
            this, [this] { onWorkerDone(false); }, Qt::QueuedConnection);
    });
    connect(this, &DataSession::trigAppend, &dataSet, [this](QString path) {
        dataSet.onAppendTrigged(path);
        QMetaObject::invokeMethod(
            this, [this] { onWorkerDone(false); }, Qt::QueuedConnection);
    });
    connect(this, &DataSession::trigExport, &dataSet,
            [this](QString filePath, QList<int> indexList, qlonglong from, qlonglong to) {
                bool written = false;
                const QMetaObject::Connection c = connect(
                    &dataSet, &SortedTavData::exportFinished, &dataSet,
                    [&written] { written = true; }, Qt::DirectConnection);
                dataSet.onExportData(filePath, indexList, from, to);
                disconnect(c);
                QMetaObject::invokeMethod(
                    this, [this, written] { onWorkerDone(written); }, Qt::QueuedConnection);
            });

    m_worker = new QThread;
    dataSet.moveToThread(m_worker);
    m_worker->start(QThread::InheritPriority);
}

DataSession::~DataSession()
{
    m_worker->quit();
    m_worker->wait();
    delete m_worker;
}

void DataSession::read(const QString& path)
{
    run(m_handoff.requestRead(path));
}

void DataSession::clear()
{
    run(m_handoff.requestClear());
}

void DataSession::exportData(const ExportJob& job)
{
    run(m_handoff.requestExport(job));
}

void DataSession::setFollow(bool on)
{
    run(m_handoff.requestFollow(on));
}

void DataSession::onWorkerDone(bool exportWritten)
{
    // What the hand-off needs to know of the job that ended; the worker is idle now.
    const bool readOk = dataSet.readStatus() == 0;
    const bool appendable =
        !dataSet.batch() || dataSet.batch()->outcome == AppendBatch::Outcome::Appended;
    run(m_handoff.workerDone(readOk, appendable), exportWritten);
}

// Carries out what the hand-off decided, in its order. A failed export has reported
// itself through its progress message; it has no finish to report.
void DataSession::run(const WorkerHandoff::Steps& steps, bool exportWritten)
{
    for (const WorkerHandoff::Step& s : steps) {
        switch (s.kind) {
        case WorkerHandoff::Step::ClearView:
            emit cleared();
            break;
        case WorkerHandoff::Step::ClearData:
            dataSet.clear();
            break;
        case WorkerHandoff::Step::MuteWorker:
            m_relay->setMuted(true);
            break;
        case WorkerHandoff::Step::StartRead:
            m_relay->setMuted(false);
            lastReadMessage.clear();
            // Set while the worker is idle, before the request is queued: the columns of
            // a file that will be followed keep room for its appends.
            dataSet.limits.growRoom = following();
            emit trigRead(s.path);
            break;
        case WorkerHandoff::Step::StartExport:
            m_relay->setMuted(false);
            emit trigExport(s.job.filePath, s.job.indexList, s.job.stampStart, s.job.stampEnd);
            break;
        case WorkerHandoff::Step::DeliverRead:
            deliverRead(s.path, s.followed);
            break;
        case WorkerHandoff::Step::DeliverExport:
            emit exportDone(s.path, exportWritten);
            break;
        case WorkerHandoff::Step::DropRead:
            dataSet.dropIncoming();
            break;
        case WorkerHandoff::Step::RefuseExport:
            emit exportRefused(s.job.filePath);
            break;
        case WorkerHandoff::Step::StartWatch:
            startWatch(s.path);
            break;
        case WorkerHandoff::Step::StopWatch:
            if (m_follower)
                m_follower->stop();
            break;
        case WorkerHandoff::Step::StartAppend:
            m_relay->setMuted(false);
            emit trigAppend(s.path);
            break;
        case WorkerHandoff::Step::DeliverAppend:
            deliverAppend(s.path);
            break;
        case WorkerHandoff::Step::DropAppend:
            dataSet.dropBatch();
            break;
        case WorkerHandoff::Step::FollowLost:
            emit followLost(s.path);
            break;
        }
    }
}

// A finished read is adopted when it succeeded; otherwise the set held stays. Without a
// set from the worker, the data set was filled in place (tests read on their own thread).
void DataSession::deliverRead(const QString& path, bool followed)
{
    const int status = dataSet.readStatus();
    const QStringList names = dataSet.names;
    const QPair<qint64, qint64> before = dataSet.stampRange();
    const bool ok = status == 0;
    if (ok || adoptFailedReads)
        dataSet.adoptIncoming();
    else
        dataSet.dropIncoming();
    if (ok)
        lastFollowNs = dataSet.readNs;
    emit readDone(path, ok, followed, ok && dataSet.names == names, before);
}

void DataSession::deliverAppend(const QString& path)
{
    const QPair<qint64, qint64> before = dataSet.stampRange();
    const AppendBatch* batch = dataSet.batch();
    const int appended = batch ? batch->appended() : 0;
    const qint64 seen = batch ? batch->seenSize : -1;
    const qint64 ns = batch ? batch->workerNs : 0;
    const bool more = batch && batch->more;
    if (!dataSet.applyBatch())
        return;
    lastFollowNs = ns;
    if (m_follower) {
        m_follower->setReadEnd(dataSet.followConsumed(), seen);
        // The rest of a long append is taken next, after the window has had its turn.
        if (more)
            QTimer::singleShot(0, m_follower, &FileFollower::check);
    }
    emit appendDone(path, appended, before);
}

void DataSession::startWatch(const QString& path)
{
    if (!m_follower) {
        m_follower = new FileFollower(this);
        connect(m_follower, &FileFollower::changed, this,
                [this](FileChange change) { run(m_handoff.fileChanged(change)); });
    }
    if (followIntervalMs > 0)
        m_follower->setInterval(followIntervalMs);
    // Growth since the read is taken at the first check.
    m_follower->start(path, dataSet.followConsumed(), dataSet.followConsumed());
    emit followStarted(path);
}
