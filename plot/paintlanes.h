#pragma once

#include <QtGlobal>

#include <functional>

// A paint's per-curve work spread over the processor's cores: the caller and, where it
// pays, one helper thread. Curves are handed out one at a time, so a few expensive ones
// do not leave a core idle. Each lane has scratch buffers of its own (the lane number).
namespace PaintLanes {

constexpr int MaxLanes = 2;

// Lanes worth using for about this many units of work: below a few thousand, starting a
// thread costs more than it saves.
int lanesFor(qint64 work);

// Calls work(item, lane) once for every item in [0, count), lane < lanes. Returns when
// every item is done.
void run(int count, int lanes, const std::function<void(int item, int lane)>& work);

} // namespace PaintLanes
