#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <mutex>

// Carries the data set's progress messages from the worker to the GUI thread without
// flooding the GUI's event queue. push() runs on the worker (direct connection) and only
// stores the message; at most one delivery is queued to the GUI thread at a time, and
// deliveries are at least `interval` ms apart. A delivery passes on the latest message,
// so the window ends in the state it would reach if it saw every message. flush()
// delivers at once; connected ahead of readFinished and exportFinished, it puts the last
// message of a read or export in front of them.
class MessageRelay : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultInterval = 50;

    explicit MessageRelay(QObject* parent = nullptr, int interval = DefaultInterval);

    // Thread-safe.
    void push(const QString& info, int percent);
    void flush();
    // While muted, pushed messages are dropped, and so is one still waiting: the job
    // that sent them is no longer wanted. GUI thread; the worker only pushes.
    void setMuted(bool muted);

    // Messages pushed and deliveries made so far (thread-safe).
    qint64 pushedCount() const;
    qint64 deliveredCount() const;

signals:
    void message(QString info, int percent);

private:
    void scheduleDelivery();
    void deliver();
    void postLocked(bool immediate);

    const int m_interval;
    mutable std::mutex m_mutex;
    QString m_info;
    int m_percent = -1;
    bool m_pending = false; // a message waits for delivery
    bool m_posted = false;  // a delivery is queued to the GUI thread
    bool m_muted = false;
    qint64 m_pushed = 0;
    qint64 m_delivered = 0;

    // GUI thread only.
    QTimer m_timer;
    QElapsedTimer m_sinceDelivery;
};
