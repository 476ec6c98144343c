// Tested by tests/workers/RefreshSchedulerTest.cpp.
#include "workers/RefreshScheduler.h"

#include <chrono>

#include "workers/NoticeTarget.h"
#include "workers/RefreshStamp.h"

std::atomic<int> g_bStopRefresh{1};

namespace {

using namespace std::chrono_literals;

constexpr int kSleepsPerCycle = 20;
constexpr std::chrono::milliseconds kSleep = 1000ms;
// Checks come on the first cycle, then on every eleventh.
constexpr int kCyclesBetweenChecks = 10;
constexpr std::chrono::milliseconds kPauseBeforeStamp = 100ms;

} // namespace

int RefreshSchedulerThread(NoticeTarget& target, RefreshEnvironment& environment, std::stop_token stop) {
    int countdown = -1;
    WorkerNotice notice;
    while (g_bStopRefresh.load() == 0) {
        for (int i = 0; i < kSleepsPerCycle; ++i)
            if (!environment.sleep(kSleep, stop)) return 0;
        notice.nKind = NK_TICK;
        if (!target.send(notice, stop) && stop.stop_requested()) return 0;
        if (countdown != -1 && countdown < kCyclesBetweenChecks) {
            ++countdown;
            continue;
        }
        countdown = 0;
        if (!isRefreshDue(environment)) continue;
        notice.nKind = NK_REFRESH;
        // A refresh the window never carried out (it has gone) leaves the stamp as it was.
        if (!target.send(notice, stop)) return 0;
        if (!environment.sleep(kPauseBeforeStamp, stop)) return 0;
        if (environment.refreshStored()) environment.writeStamp(formatStamp(environment.localNow()));
    }
    return 0;
}
