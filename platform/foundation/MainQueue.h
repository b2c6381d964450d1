#pragma once
// Blocks queued on the main event loop, run in the order queued once control
// returns to the loop. Needs a QCoreApplication; before one exists (or after
// it is gone) a queued block is dropped with a "Warning: " line.
// Thread: any thread may queue; blocks run on the main thread.

#include <functional>

namespace MainQueue {

void async(std::function<void()> block);

// True on the thread that runs the main event loop.
bool isMainThread();

} // namespace MainQueue
