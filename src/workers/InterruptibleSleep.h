// Sleeping in a worker that must end at once when it is asked to stop.
#pragma once

#include <chrono>
#include <stop_token>

// Sleeps for `duration`, or less when a stop is requested meanwhile. Returns false when a stop was requested.
bool sleepUnlessStopped(std::chrono::milliseconds duration, std::stop_token stop);
