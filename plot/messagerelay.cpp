#include "messagerelay.h"

MessageRelay::MessageRelay(QObject* parent, int interval)
    : QObject(parent), m_interval(interval), m_timer(this)
{
    m_timer.setSingleShot(true);
    // A coarse timer may fire early and break the spacing.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &MessageRelay::deliver);
}

void MessageRelay::push(const QString& info, int percent)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_pushed;
    if (m_muted)
        return;
    m_info = info;
    m_percent = percent;
    m_pending = true;
    postLocked(false);
}

void MessageRelay::setMuted(bool muted)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_muted = muted;
    if (muted) {
        m_pending = false;
        m_info.clear();
    }
}

void MessageRelay::flush()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pending)
        postLocked(true);
}

// A queued call that waits out the interval would leave the final message behind a
// timer, so a flush posts its own delivery even when one is already queued.
void MessageRelay::postLocked(bool immediate)
{
    if (immediate) {
        QMetaObject::invokeMethod(this, &MessageRelay::deliver, Qt::QueuedConnection);
        return;
    }
    if (m_posted)
        return;
    m_posted = true;
    QMetaObject::invokeMethod(this, &MessageRelay::scheduleDelivery, Qt::QueuedConnection);
}

void MessageRelay::scheduleDelivery()
{
    const qint64 waited = m_sinceDelivery.isValid() ? m_sinceDelivery.elapsed() : m_interval;
    if (waited >= m_interval)
        deliver();
    else if (!m_timer.isActive())
        m_timer.start(int(m_interval - waited));
}

void MessageRelay::deliver()
{
    QString info;
    int percent = -1;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_posted = false;
        if (!m_pending)
            return;
        m_pending = false;
        info.swap(m_info);
        percent = m_percent;
        ++m_delivered;
    }
    m_timer.stop();
    m_sinceDelivery.start();
    emit message(info, percent);
}

qint64 MessageRelay::pushedCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pushed;
}

qint64 MessageRelay::deliveredCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_delivered;
}
