// The group and page loaders: what they send for groups of every size, and how a new request ends the old one.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/OdbcConnection.h"
#include "store/AddressStore.h"
#include "store/DatabaseFile.h"
#include "store/AddressBook.h"
#include "support/TempFolder.h"
#include "tools/CreateDatabase.h"
#include "workers/LoaderStarter.h"
#include "workers/Loaders.h"
#include "workers/NoticeTarget.h"

namespace {

using namespace std::chrono_literals;

std::string number(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d", i);
    return text;
}

// Records every notice; while `hold` is set, each send waits until released or stopped, as a busy window would.
class RecordingTarget final : public NoticeTarget {
public:
    bool send(const WorkerNotice& notice, std::stop_token stop) override {
        std::unique_lock lock(m_mutex);
        if (m_hold) {
            ++m_waiting;
            m_changed.notify_all();
            m_changed.wait(lock, stop, [&] { return !m_hold; });
            --m_waiting;
            if (stop.stop_requested()) return false;
        }
        m_notices.push_back(notice);
        return true;
    }
    void hold(bool on) {
        std::lock_guard lock(m_mutex);
        m_hold = on;
        m_changed.notify_all();
    }
    void waitForAWaitingSender() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_waiting > 0; });
    }
    std::vector<WorkerNotice> notices() {
        std::lock_guard lock(m_mutex);
        return m_notices;
    }

private:
    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    bool m_hold = false;
    int m_waiting = 0;
    std::vector<WorkerNotice> m_notices;
};

class LoaderTest : public ::testing::Test {
protected:
    LoaderTest() {
        std::string error;
        if (createDatabase(folder.path(), builtInSchema(), error) != CreateDatabaseResult::kCreated)
            throw std::runtime_error(error);
        if (!store().OpenDatabase(folder.path())) throw std::runtime_error("cannot open the test database");
    }
    ~LoaderTest() override { store().closeDatabase(); }

    static AddressStore& store() { return AddressStore::instance(); }

    // Fills group `groupId` with `count` addresses "<prefix><i>@x" named "n<i>", in one transaction. The numbers
    // have four digits, so that the book's order and the order of insertion agree.
    void fill(int groupId, int count, const std::string& prefix = "a") {
        StoreTransaction batch = store().beginTransaction();
        for (int i = 0; i < count; ++i)
            store().InsertAddress(groupId, prefix + number(i) + "@x", "n" + number(i));
        batch.commit();
    }

    std::vector<WorkerNotice> runGroupLoader(int groupId) {
        RecordingTarget target;
        const std::string argument = std::to_string(groupId);
        GroupLoaderThread(AddressBook::program(), argument.c_str(), target, {});
        EXPECT_EQ(g_bArgTaken.load(), 1);
        return target.notices();
    }

    TempFolder folder;
};

std::vector<std::string> emails(const std::vector<WorkerNotice>& notices) {
    std::vector<std::string> texts;
    for (const WorkerNotice& notice : notices)
        if (notice.nKind == NK_ITEM) texts.push_back(notice.strText);
    return texts;
}

TEST_F(LoaderTest, GroupLoaderSendsTotalsThenAtMostOnePage) {
    // count, last page index, rows sent
    const struct {
        int count, lastPage, rows;
    } cases[] = {{0, 0, 0}, {1, 0, 1}, {50, 0, 50}, {51, 1, 50}, {100, 1, 50}, {101, 2, 50}};
    int groupId = 10;
    for (const auto& c : cases) {
        fill(++groupId, c.count);
        const std::vector<WorkerNotice> notices = runGroupLoader(groupId);
        ASSERT_FALSE(notices.empty());
        EXPECT_EQ(notices.front().nKind, NK_TOTAL);
        EXPECT_EQ(notices.front().nValue, c.count);
        EXPECT_EQ(notices.front().nLastPage, c.lastPage);
        ASSERT_EQ(static_cast<int>(notices.size()), 1 + c.rows) << c.count;
        if (c.rows > 0) {
            EXPECT_EQ(notices[1].strText, "a0000@x");
            EXPECT_EQ(notices[1].strName, "n0000");
            EXPECT_GT(notices[1].nValue, 0);
            EXPECT_EQ(notices.back().strText, "a" + number(c.rows - 1) + "@x");
        }
    }
}

TEST_F(LoaderTest, TheFirstPageRequestReadsTheWholeGroupIntoTheCache) {
    fill(1, 120);
    fill(2, 3, "b");
    runGroupLoader(1);
    EXPECT_TRUE(GroupCache.lock()->empty()); // the first page came without reading the whole group
    RecordingTarget target;
    PageLoaderThread(AddressBook::program(), "1", target, {});
    EXPECT_EQ(GroupCache.lock()->size(), 120u);
    // Pages come from the cache: a row added meanwhile shows only after the group is loaded again.
    store().InsertAddress(1, "a0050-added@x", "");
    RecordingTarget again;
    PageLoaderThread(AddressBook::program(), "1", again, {});
    EXPECT_EQ(emails(again.notices()), emails(target.notices()));
    runGroupLoader(2);
    RecordingTarget other;
    PageLoaderThread(AddressBook::program(), "0", other, {});
    EXPECT_EQ(emails(other.notices()), (std::vector<std::string>{"b0000@x", "b0001@x", "b0002@x"}));
}

TEST_F(LoaderTest, PageLoaderWalksTheCacheOfTheLastGroup) {
    fill(1, 120);
    runGroupLoader(1);
    const struct {
        const char* argument;
        int first, rows;
    } cases[] = {{"0", 0, 50}, {"1", 50, 50}, {"2", 100, 20}, {"3", 0, 0}, {"-1", 0, 0}, {"  2xyz", 100, 20}};
    for (const auto& c : cases) {
        RecordingTarget target;
        PageLoaderThread(AddressBook::program(), c.argument, target, {});
        EXPECT_EQ(g_bArgTaken.load(), 1);
        const std::vector<std::string> sent = emails(target.notices());
        ASSERT_EQ(static_cast<int>(sent.size()), c.rows) << c.argument;
        for (int i = 0; i < c.rows; ++i)
            EXPECT_EQ(sent[i], "a" + number(c.first + i) + "@x");
    }
}

TEST_F(LoaderTest, AFailedReadIsAnEmptyGroupAndStillReleasesTheStarter) {
    fill(1, 3);
    runGroupLoader(1);
    // Another program takes the address table away under the open store: the read throws inside the loader.
    OdbcConnection other;
    other.open(*connectionStringFor(databaseFilePath(folder.path())));
    other.execute("drop table AddressList");
    other.close();
    const std::vector<WorkerNotice> notices = runGroupLoader(1);
    // The window hears why, once, before the empty group.
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices.front().nKind, NK_FAILED);
    EXPECT_NE(notices.front().strText.find("AddressList"), std::string::npos) << notices.front().strText;
    EXPECT_EQ(notices.back().nKind, NK_TOTAL);
    EXPECT_EQ(notices.back().nValue, 0);
    EXPECT_EQ(notices.back().nLastPage, 0);
    EXPECT_TRUE(GroupCache.lock()->empty());
}

TEST_F(LoaderTest, ANewRequestStopsTheRunningLoaderBeforeItStarts) {
    fill(1, 200, "a");
    fill(2, 200, "b");
    auto target = std::make_shared<RecordingTarget>();
    LoaderStarter starter(AddressBook::program(), target);
    starter.startGroupLoader(1);
    EXPECT_EQ(g_bArgTaken.load(), 1);

    // The window is busy: the loader waits in the middle of its page. A new request must not wait for the page to
    // be taken, and the old loader must send nothing more once the new one has started.
    target->hold(true);
    target->waitForAWaitingSender();
    const std::size_t before = target->notices().size();
    const auto started = std::chrono::steady_clock::now();
    starter.startGroupLoader(2);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    target->hold(false);
    // Let the new loader send its whole first page.
    for (int i = 0; i < 500 && target->notices().size() < before + 51; ++i)
        std::this_thread::sleep_for(10ms);
    starter.stop();

    const std::vector<WorkerNotice> notices = target->notices();
    ASSERT_EQ(notices.size(), before + 51);
    // Everything after the old loader's last notice belongs to group 2, starting with its totals.
    EXPECT_EQ(notices[before].nKind, NK_TOTAL);
    EXPECT_EQ(notices[before].nValue, 200);
    for (std::size_t i = before + 1; i < notices.size(); ++i)
        EXPECT_EQ(notices[i].strText.front(), 'b');
    for (std::size_t i = 1; i < before; ++i)
        EXPECT_EQ(notices[i].strText.front(), 'a');
}

TEST_F(LoaderTest, StopEndsASendingLoaderPromptly) {
    fill(1, 50);
    auto target = std::make_shared<RecordingTarget>();
    target->hold(true);
    LoaderStarter starter(AddressBook::program(), target);
    starter.startGroupLoader(1);
    target->waitForAWaitingSender();
    const auto started = std::chrono::steady_clock::now();
    starter.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    EXPECT_TRUE(target->notices().empty());
}

} // namespace
