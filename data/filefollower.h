#pragma once

#include "fileprobe.h"

#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QTimer;

// Watches a file that another program is still writing and says what became of it.
// Change notifications start a check at once; a timer checks anyway, since on network
// shares none may come. The folder is watched too, so that a file replaced by a rename is
// seen again. Each check costs a stat and two small reads, never a read of the file.
class FileFollower : public QObject
{
    Q_OBJECT
public:
    explicit FileFollower(QObject* parent = nullptr);

    // Starts following path, of which readEnd bytes have been taken in; stop() ends it.
    // seenSize: the file's length when they were taken; growth beyond it is reported at the
    // first check (by default, the length now).
    void start(const QString& path, qint64 readEnd, qint64 seenSize = -1);
    void stop();
    bool isFollowing() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }

    // After an update took bytes in up to readEnd, or after a read of the whole file.
    void setReadEnd(qint64 readEnd, qint64 seenSize = -1);

    // Milliseconds between two checks without notification (default 1000).
    void setInterval(int ms);
    // Off where notifications are known not to come; the timer still checks.
    void setWatcherEnabled(bool on);

    // Checks now; emits changed() unless nothing happened.
    void check();

signals:
    void changed(FileChange change);

private:
    void watch();
    void scheduleCheck();

    QString m_path;
    FileProbe m_last;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_timer = nullptr;
    bool m_checkQueued = false;
    bool m_useWatcher = true;
};
