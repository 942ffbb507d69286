#pragma once

#include "tavdrawer.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>
#include <thread>

// Qt is not built with ThreadSanitizer, so the lock that guards its event queues is
// invisible to it and every queued call would look like a race. This fence stands in for
// that lock where the canvas and its worker hand the data set over, and orders nothing
// the event queue does not already order:
//   - GUI to worker: after each request is queued the GUI bumps a counter (release); the
//     worker waits for the matching count (acquire) before it handles the request;
//   - worker to GUI: the worker raises an idle flag (release) when its queue is empty,
//     after everything it posted; the GUI waits for it (acquire) before it handles a
//     queued call. The worker never waits for the GUI, so this cannot deadlock.
// Peeking at an event's type happens before the acquire; tools/ci/tsan.supp silences
// that peek by this class's name.
class HandoffFence : public QObject
{
public:
    // A child of the canvas: it goes after the canvas has stopped its worker.
    // workerParked, if given, tells (with its own synchronisation) that the worker is
    // stopped inside a job by the test; whatever it did before is then published too.
    explicit HandoffFence(TavDrawer& d, std::function<bool()> workerParked = {})
        : QObject(&d), m_workerSide(new WorkerSide(this)), m_parked(std::move(workerParked))
    {
        auto toWorker = [this] { m_toWorker.fetch_add(1, std::memory_order_release); };
        connect(&d.session, &DataSession::trigRead, this, toWorker, Qt::DirectConnection);
        connect(&d.session, &DataSession::trigExport, this, toWorker, Qt::DirectConnection);
        connect(&d.session, &DataSession::trigAppend, this, toWorker, Qt::DirectConnection);
        m_workerSide->moveToThread(d.session.workerThread());
        d.dataSet.installEventFilter(m_workerSide);
        QAbstractEventDispatcher* dispatcher = nullptr;
        while (!(dispatcher = d.session.workerThread()->eventDispatcher()))
            QThread::msleep(1);
        connect(
            dispatcher, &QAbstractEventDispatcher::awake, m_workerSide,
            [this] { m_workerIdle.store(false, std::memory_order_relaxed); }, Qt::DirectConnection);
        connect(
            dispatcher, &QAbstractEventDispatcher::aboutToBlock, m_workerSide,
            [this] { m_workerIdle.store(true, std::memory_order_release); }, Qt::DirectConnection);
        qApp->installEventFilter(this);
    }

    ~HandoffFence() override
    {
        qApp->removeEventFilter(this);
        delete m_workerSide;
    }

    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::MetaCall)
            waitFor([this] {
                return m_workerIdle.load(std::memory_order_acquire) || (m_parked && m_parked());
            });
        return false;
    }

private:
    template <typename Ready> static void waitFor(Ready ready)
    {
        QElapsedTimer t;
        t.start();
        while (!ready() && t.elapsed() < 2000)
            std::this_thread::yield();
    }

    struct WorkerSide : QObject
    {
        explicit WorkerSide(HandoffFence* f) : fence(f) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::MetaCall) {
                const int expected = ++fence->m_workerSeen;
                waitFor([this, expected] {
                    return fence->m_toWorker.load(std::memory_order_acquire) >= expected;
                });
            }
            return false;
        }
        HandoffFence* fence;
    };
    WorkerSide* m_workerSide; // lives on the worker thread
    std::atomic<int> m_toWorker{0};
    int m_workerSeen = 0; // worker thread only
    std::atomic<bool> m_workerIdle{true};
    std::function<bool()> m_parked;
};
