#include "filefollower.h"

#include "datalog.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

FileFollower::FileFollower(QObject* parent) : QObject(parent)
{
    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &FileFollower::check);
}

void FileFollower::start(const QString& path, qint64 readEnd, qint64 seenSize)
{
    stop();
    m_path = path;
    setReadEnd(readEnd, seenSize);
    // The file was read a moment ago: gone already, it has vanished.
    m_last.exists = true;
    watch();
    m_timer->start();
    qCDebug(lcData) << "FileFollower::start" << path << readEnd;
}

void FileFollower::stop()
{
    m_timer->stop();
    delete m_watcher;
    m_watcher = nullptr;
    m_path.clear();
    m_last = FileProbe();
}

void FileFollower::setReadEnd(qint64 readEnd, qint64 seenSize)
{
    if (!isFollowing())
        return;
    m_last = FileProbe::take(m_path, readEnd);
    // Bytes that came after the reader looked are new, even though they are there now.
    if (seenSize >= readEnd && seenSize < m_last.size)
        m_last.size = seenSize;
}

void FileFollower::setInterval(int ms)
{
    m_timer->setInterval(ms);
}

void FileFollower::setWatcherEnabled(bool on)
{
    m_useWatcher = on;
    if (isFollowing())
        watch();
}

// A watch on a file ends when the file is replaced or removed; the folder's watch sees
// it come back, and the file is watched again at every check.
void FileFollower::watch()
{
    if (!m_useWatcher) {
        delete m_watcher;
        m_watcher = nullptr;
        return;
    }
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &FileFollower::scheduleCheck);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this,
                &FileFollower::scheduleCheck);
    }
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!m_watcher->directories().contains(folder))
        m_watcher->addPath(folder);
    if (!m_watcher->files().contains(m_path) && QFileInfo::exists(m_path))
        m_watcher->addPath(m_path);
}

// A burst of notifications makes one check.
void FileFollower::scheduleCheck()
{
    if (m_checkQueued)
        return;
    m_checkQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_checkQueued = false;
        check();
    });
}

void FileFollower::check()
{
    if (!isFollowing())
        return;
    const FileProbe now = FileProbe::take(m_path, m_last.readEnd);
    const FileChange change = compareProbes(m_last, now);
    m_last = now;
    // A watch stays with the file it was put on; a replaced file needs a watch of its own.
    if (change != FileChange::None && change != FileChange::Grew && m_watcher &&
        m_watcher->files().contains(m_path))
        m_watcher->removePath(m_path);
    watch();
    if (change == FileChange::None)
        return;
    qCDebug(lcData) << "FileFollower::check" << m_path << fileChangeName(change);
    emit changed(change);
}
