#pragma once

#include "sortedtavdata.h"
#include "workerhandoff.h"

#include <QObject>
#include <QPair>
#include <QString>

class FileFollower;
class MessageRelay;
class QThread;

// One data set with its worker thread, driven through the hand-off: reads, exports, clears
// and the follow of a growing file. The canvas shows what it holds; the command-line tool
// waits for its answers. Everything that touches the data set or the worker is done here,
// in the order the hand-off gives; what concerns a view is told through the signals, in
// that same order.
class DataSession : public QObject
{
    Q_OBJECT
public:
    explicit DataSession(QObject* parent = nullptr);
    // Waits for the job under way: the data set must outlive its worker's use of it.
    ~DataSession() override;

    // The data set; it lives on the worker thread. Readable on the owner's thread while
    // dataSetReadable(), and written there only by the session.
    SortedTavData dataSet;
    QThread* workerThread() const { return m_worker; }

    void read(const QString& path);
    void clear();
    void exportData(const ExportJob& job);
    void setFollow(bool on);

    bool following() const { return m_handoff.following(); }
    bool busy() const { return m_handoff.busy(); }
    bool dataSetReadable() const { return m_handoff.dataSetReadable(); }
    WorkerHandoff::State state() const { return m_handoff.state(); }

    // A failed read leaves the set on screen as it was; with this set, the failed read's
    // data set is taken over all the same (the command-line dump shows what was read).
    bool adoptFailedReads = false;
    // Milliseconds between checks of a followed file without notification; 0: the default.
    int followIntervalMs = 0;
    // Worker time of the last append or read, nanoseconds.
    qint64 lastFollowNs = 0;
    // The last progress message of the latest read: after a failed read, its reason.
    QString lastReadMessage;

signals:
    // To the worker.
    void trigRead(QString path);
    void trigExport(QString filePath, QList<int> indexList, qlonglong stampStart,
                    qlonglong stampEnd);
    void trigAppend(QString path);
    // Progress of the jobs still wanted, coalesced.
    void message(QString info, int percent);
    // The view's data is gone (a clear).
    void cleared();
    // A read ended: ok when its data set is now held. For the read of a followed file,
    // sameVariables tells whether its names are those held before, and before is the time
    // range held before.
    void readDone(QString path, bool ok, bool followed, bool sameVariables,
                  QPair<qint64, qint64> before);
    void exportDone(QString path, bool written);
    void exportRefused(QString path);
    // Samples, events or information of the followed file were appended; before is the
    // time range held before.
    void appendDone(QString path, int appended, QPair<qint64, qint64> before);
    void followStarted(QString path);
    void followLost(QString path);

private:
    void run(const WorkerHandoff::Steps& steps, bool exportWritten = false);
    void onWorkerDone(bool exportWritten);
    void deliverRead(const QString& path, bool followed);
    void deliverAppend(const QString& path);
    void startWatch(const QString& path);

    WorkerHandoff m_handoff;
    QThread* m_worker = nullptr;
    MessageRelay* m_relay = nullptr;
    FileFollower* m_follower = nullptr;
};
