// How a worker thread reaches a window without touching it: the window's side delivers each notice on the
// window's own thread, and the worker waits until it has been handled.
#pragma once

#include <stop_token>

#include "workers/WorkerNotice.h"

class NoticeTarget {
public:
    virtual ~NoticeTarget() = default;

    // Hands `notice` to the window and returns once the window has handled it: true. Returns false instead, at
    // once, when the notice was dropped: the window is gone, or `stop` was requested before the window took it up.
    // The window reads the notice only while this call lasts.
    virtual bool send(const WorkerNotice& notice, std::stop_token stop) = 0;
};
