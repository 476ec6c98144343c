// The refresh scheduler: a long-lived worker that ticks every 20 seconds, so the window shows another keyword, and
// about once a day has the window refresh the keyword and link tables from the update server.
#pragma once

#include <atomic>
#include <stop_token>

class NoticeTarget;
class RefreshEnvironment;

// Set while no scheduler may run: from the start of the process until the window clears it, and again from the
// window's end. The scheduler reads it at the top of each cycle.
extern std::atomic<int> g_bStopRefresh;

// The thread procedure: cycles of twenty 1-second sleeps and a tick; a refresh check in the first cycle and then
// in every eleventh; after each refresh, the stamp. Ends at once when `stop` is requested. Returns 0.
int RefreshSchedulerThread(NoticeTarget& target, RefreshEnvironment& environment, std::stop_token stop);
