#pragma once

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// A paint's per-curve work spread over two cores: the paint thread and one helper thread
// that lives as long as the canvas. Items are handed out one at a time, so a few costly
// curves do not leave a core idle, and each lane has scratch buffers of its own (the lane
// number).
//
// The paint thread never waits for the helper to be scheduled: it takes items itself from
// the start, and if it has taken them all before the helper picked the job up, it
// withdraws the job. It waits only for an item the helper is working on.
//
// The helper's states, and every transition between them (move() checks them):
//   Idle    -> Posted   run() offers a job
//   Posted  -> Running  the helper picks the job up and takes items
//   Posted  -> Idle     run() withdraws a job the helper has not picked up
//   Running -> Idle     the helper finds no item left; run() may return
//   Idle    -> Closing  the owner is destroyed; the helper ends
class PaintLanes
{
public:
    enum class State
    {
        Idle,
        Posted,
        Running,
        Closing
    };
    static constexpr int MaxLanes = 2;
    using Work = std::function<void(int item, int lane)>;

    // withHelper false: no helper thread is ever started; every job runs on the caller.
    explicit PaintLanes(bool withHelper = true);
    ~PaintLanes();
    PaintLanes(const PaintLanes&) = delete;
    PaintLanes& operator=(const PaintLanes&) = delete;

    // Lanes worth using for about this many units of work (pixel columns times curves):
    // below a few thousand, handing work over costs more than it saves.
    static int lanesFor(qint64 work);
    static bool allowed(State from, State to);

    // Calls work(item, lane) once for every item in [0, count), lane < lanes, and returns
    // when every call has returned.
    void run(int count, int lanes, const Work& work);
    State state() const;

    // For tests: with false, every job runs on its caller, as without a helper.
    static void setHelpersAllowed(bool allowed);

private:
    void helperLoop();
    void takeItems(int lane);
    void move(State from, State to); // with m_mutex held

    const bool m_withHelper;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake; // the helper waits here for Posted or Closing
    std::condition_variable m_done; // run() waits here for Running to end
    State m_state = State::Idle;
    std::thread m_helper;
    const Work* m_work = nullptr;
    int m_count = 0;
    std::atomic<int> m_next{0};
};
