// The refresh scheduler and its time stamp: the due rule under an injected clock, the rhythm of ticks and checks,
// the stamp after each refresh, and an end at once when the window goes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <fstream>
#include <thread>
#include <vector>

#include "support/TempFolder.h"
#include "workers/NoticeTarget.h"
#include "workers/RefreshScheduler.h"
#include "workers/RefreshStamp.h"

namespace {

using namespace std::chrono_literals;

std::tm at(int year, int month, int day, int hour, int minute, int second) {
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

// A clock that moves only when the scheduler sleeps, and a stamp held in memory.
class FakeEnvironment final : public RefreshEnvironment {
public:
    std::tm localNow() override { return now; }
    bool sleep(std::chrono::milliseconds duration, std::stop_token stop) override {
        if (stop.stop_requested()) return false;
        now.tm_sec += static_cast<int>(duration.count() / 1000);
        std::mktime(&now); // normalise the fields
        ++sleeps;
        return !stop.stop_requested();
    }
    StampRead readStamp(std::string& firstLine) override {
        firstLine = stamp;
        return read;
    }
    bool writeStamp(const std::string& text) override {
        stamp = text;
        read = StampRead::kRead;
        writes.push_back(text);
        return true;
    }
    bool refreshStored() override { return stored; }

    std::tm now = at(2026, 12, 7, 12, 0, 0);
    std::string stamp;
    StampRead read = StampRead::kMissing;
    std::vector<std::string> writes;
    int sleeps = 0;
    bool stored = true;
};

// Records the kinds it receives; asks the scheduler to stop after `limit` ticks, as the window's end would.
class RecordingTarget final : public NoticeTarget {
public:
    RecordingTarget(std::stop_source& stop, int limit) : m_stop(stop), m_limit(limit) {}
    bool send(const WorkerNotice& notice, std::stop_token) override {
        kinds.push_back(notice.nKind);
        if (notice.nKind == NK_TICK && ++m_ticks == m_limit) m_stop.request_stop();
        return accept;
    }
    std::vector<std::int32_t> kinds;
    bool accept = true;

private:
    std::stop_source& m_stop;
    int m_limit;
    int m_ticks = 0;
};

TEST(RefreshStamp, DueOnceAWholeDayHasPassed) {
    const struct {
        const char* stamp;
        bool due;
    } cases[] = {
        {"2026-12-06 12:01:00", false}, // 23:59 ago
        {"2026-12-06 12:00:01", false}, // 23:59:59 ago
        {"2026-12-06 12:00:00", true},  // 24:00 ago
        {"2025-01-01 00:00:00", true},
        {"2026-12-07 12:00:00", false}, // just now
        {"2026-12-08 12:00:00", false}, // in the future: never
        {"2030-01-01 00:00:00", false},
        {"2026-12-06 11:59", true}, // read back without seconds, or without the time
        {"2026-12-06", true},
        {"2026/12/07 11:00:00", false},
        {"2026-12-07 11:00:00 \r", false},
        {"", true}, // empty, or anything that is not a time
        {"yesterday", true},
        {"2026-12-07 11:00:00 and more", true},
        {"2026-13-45 99:99:99", true},
    };
    for (const auto& c : cases) {
        FakeEnvironment environment;
        environment.stamp = c.stamp;
        environment.read = RefreshEnvironment::StampRead::kRead;
        EXPECT_EQ(isRefreshDue(environment), c.due) << '"' << c.stamp << '"';
    }
    FakeEnvironment missing;
    EXPECT_TRUE(isRefreshDue(missing));
    FakeEnvironment locked;
    locked.read = RefreshEnvironment::StampRead::kCannotOpen;
    EXPECT_FALSE(isRefreshDue(locked)); // tried again at the next check
}

TEST(RefreshStamp, WrittenFormReadsBackAndTheFileKeepsOneLine) {
    const std::tm time = at(2008, 6, 1, 14, 5, 9);
    EXPECT_EQ(formatStamp(time), "2008-06-01 14:05:09");
    const std::optional<std::tm> back = parseStamp(formatStamp(time));
    ASSERT_TRUE(back);
    EXPECT_EQ(formatStamp(*back), "2008-06-01 14:05:09");

    TempFolder folder;
    StampFileEnvironment file(folder.path() + "/Corvane.tmp");
    std::string line = "stale";
    EXPECT_EQ(file.readStamp(line), RefreshEnvironment::StampRead::kMissing);
    ASSERT_TRUE(file.writeStamp("2008-06-01 14:05:09"));
    ASSERT_TRUE(file.writeStamp("2009-01-02 03:04:05")); // replaces, never appends
    EXPECT_EQ(file.readStamp(line), RefreshEnvironment::StampRead::kRead);
    EXPECT_EQ(line, "2009-01-02 03:04:05");
    std::ofstream(folder.path() + "/Corvane.tmp", std::ios::binary) << "2009-01-02 03:04:05\r\nsecond line";
    file.readStamp(line);
    EXPECT_EQ(line, "2009-01-02 03:04:05");
    std::ofstream(folder.path() + "/Corvane.tmp", std::ios::binary) << std::string(1 << 20, 'x');
    file.readStamp(line); // a huge line is cut, not read whole
    EXPECT_LE(line.size(), 256u);
    EXPECT_FALSE(StampFileEnvironment(folder.path() + "/no/such/folder/Corvane.tmp").writeStamp("x"));
}

TEST(RefreshScheduler, TicksEveryCycleAndChecksOnTheFirstThenEveryEleventh) {
    g_bStopRefresh = 0;
    FakeEnvironment environment; // no stamp: the first check refreshes
    std::stop_source stop;
    RecordingTarget target(stop, 23);
    RefreshSchedulerThread(target, environment, stop.get_token());

    // Cycle 1: tick, refresh, stamp. Cycles 2 to 11: ticks only. Cycle 12: a check, not due. Cycle 23: a check.
    std::vector<std::int32_t> expected = {NK_TICK, NK_REFRESH};
    for (int cycle = 2; cycle <= 23; ++cycle)
        expected.push_back(NK_TICK);
    EXPECT_EQ(target.kinds, expected);
    ASSERT_EQ(environment.writes.size(), 1u);
    // Written after twenty seconds of sleep and the pause that follows the refresh.
    EXPECT_EQ(environment.writes.front(), "2026-12-07 12:00:20");
    EXPECT_EQ(environment.sleeps, 23 * 20 + 1);
}

TEST(RefreshScheduler, ARefreshThatStoredNothingIsTriedAgainAtTheNextCheck) {
    g_bStopRefresh = 0;
    FakeEnvironment environment;
    environment.stored = false; // no server, or a captive portal's page in place of the files
    std::stop_source stop;
    RecordingTarget target(stop, 23);
    RefreshSchedulerThread(target, environment, stop.get_token());
    EXPECT_EQ(std::count(target.kinds.begin(), target.kinds.end(), NK_REFRESH), 3); // cycles 1, 12 and 23
    EXPECT_TRUE(environment.writes.empty());
}

TEST(RefreshScheduler, ADueCheckAfterADayRefreshesAgain) {
    g_bStopRefresh = 0;
    FakeEnvironment environment;
    environment.stamp = "2026-12-06 12:03:00"; // due after three minutes of running
    environment.read = RefreshEnvironment::StampRead::kRead;
    std::stop_source stop;
    RecordingTarget target(stop, 13);
    RefreshSchedulerThread(target, environment, stop.get_token());
    // Not due at 12:00:20; due at the check of cycle 12 (12:04:00).
    EXPECT_EQ(std::count(target.kinds.begin(), target.kinds.end(), NK_REFRESH), 1);
    ASSERT_EQ(target.kinds.size(), 14u);
    EXPECT_EQ(target.kinds[12], NK_REFRESH);
    ASSERT_EQ(environment.writes.size(), 1u);
    EXPECT_EQ(environment.writes.front(), "2026-12-07 12:04:00");
}

TEST(RefreshScheduler, EndsWithoutAStampWhenStoppedOrWhenTheWindowIsGone) {
    // The stop flag, read at the top of each cycle.
    g_bStopRefresh = 1;
    FakeEnvironment flagged;
    std::stop_source neverStopped;
    RecordingTarget ignored(neverStopped, 100);
    RefreshSchedulerThread(ignored, flagged, neverStopped.get_token());
    EXPECT_TRUE(ignored.kinds.empty());
    EXPECT_EQ(flagged.sleeps, 0);

    // The window goes while the refresh is on its way: nothing is stamped.
    g_bStopRefresh = 0;
    FakeEnvironment environment;
    std::stop_source stop;
    RecordingTarget gone(stop, 100);
    gone.accept = false;
    RefreshSchedulerThread(gone, environment, stop.get_token());
    EXPECT_EQ(gone.kinds, (std::vector<std::int32_t>{NK_TICK, NK_REFRESH}));
    EXPECT_TRUE(environment.writes.empty());

    // A real sleep is cut short by the stop.
    TempFolder folder;
    StampFileEnvironment real(folder.path() + "/Corvane.tmp");
    std::stop_source wake;
    RecordingTarget silent(wake, 100);
    std::thread scheduler([&] { RefreshSchedulerThread(silent, real, wake.get_token()); });
    std::this_thread::sleep_for(50ms);
    const auto started = std::chrono::steady_clock::now();
    wake.request_stop();
    scheduler.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 500ms);
    EXPECT_TRUE(silent.kinds.empty());
    std::string line;
    EXPECT_EQ(real.readStamp(line), RefreshEnvironment::StampRead::kMissing);
}

} // namespace
