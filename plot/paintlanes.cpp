#include "paintlanes.h"

#include <atomic>
#include <thread>

namespace PaintLanes {

int lanesFor(qint64 work)
{
    static const int cores = int(std::thread::hardware_concurrency());
    return work >= 4096 && cores > 1 ? MaxLanes : 1;
}

void run(int count, int lanes, const std::function<void(int item, int lane)>& work)
{
    if (lanes <= 1 || count <= 1) {
        for (int i = 0; i < count; ++i)
            work(i, 0);
        return;
    }
    std::atomic<int> next{0};
    const auto lane = [&](int l) {
        for (int i = next++; i < count; i = next++)
            work(i, l);
    };
    std::thread helper(lane, 1);
    lane(0);
    helper.join();
}

} // namespace PaintLanes
