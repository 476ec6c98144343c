#include "workers/InterruptibleSleep.h"

#include <condition_variable>
#include <mutex>

bool sleepUnlessStopped(std::chrono::milliseconds duration, std::stop_token stop) {
    // Nothing ever notifies this variable: only the stop request wakes it before the time is up.
    std::mutex mutex;
    std::condition_variable_any wakeUp;
    std::unique_lock lock(mutex);
    wakeUp.wait_for(lock, stop, duration, [] { return false; });
    return !stop.stop_requested();
}
