#include "paintlanes.h"

namespace {
std::atomic<bool> helpersAllowed{true};
}

PaintLanes::PaintLanes(bool withHelper) : m_withHelper(withHelper) {}

PaintLanes::~PaintLanes()
{
    if (!m_helper.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        move(State::Idle, State::Closing);
    }
    m_wake.notify_one();
    m_helper.join();
}

int PaintLanes::lanesFor(qint64 work)
{
    static const int cores = int(std::thread::hardware_concurrency());
    return work >= 4096 && cores > 1 ? MaxLanes : 1;
}

bool PaintLanes::allowed(State from, State to)
{
    switch (from) {
    case State::Idle:
        return to == State::Posted || to == State::Closing;
    case State::Posted:
        return to == State::Running || to == State::Idle;
    case State::Running:
        return to == State::Idle;
    case State::Closing:
        return false;
    }
    return false;
}

void PaintLanes::move(State from, State to)
{
    Q_ASSERT(m_state == from && allowed(from, to));
    Q_UNUSED(from)
    m_state = to;
}

void PaintLanes::setHelpersAllowed(bool allowed)
{
    helpersAllowed = allowed;
}

PaintLanes::State PaintLanes::state() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

void PaintLanes::takeItems(int lane)
{
    for (int i = m_next++; i < m_count; i = m_next++)
        (*m_work)(i, lane);
}

void PaintLanes::run(int count, int lanes, const Work& work)
{
    if (lanes <= 1 || count <= 1 || !m_withHelper || !helpersAllowed) {
        for (int i = 0; i < count; ++i)
            work(i, 0);
        return;
    }
    if (!m_helper.joinable())
        m_helper = std::thread([this] { helperLoop(); });
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_work = &work;
        m_count = count;
        m_next = 0;
        move(State::Idle, State::Posted);
    }
    m_wake.notify_one();
    takeItems(0);
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_state == State::Posted)
        move(State::Posted, State::Idle);
    else
        m_done.wait(lock, [this] { return m_state == State::Idle; });
    m_work = nullptr;
}

void PaintLanes::helperLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_state == State::Posted || m_state == State::Closing; });
        if (m_state == State::Closing)
            return;
        move(State::Posted, State::Running);
        lock.unlock();
        takeItems(1);
        lock.lock();
        move(State::Running, State::Idle);
        m_done.notify_all();
    }
}
