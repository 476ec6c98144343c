// The store shared by several threads, as the window's thread, the group loader and the filter worker share it.
#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <exception>
#include <future>
#include <thread>

#include "store/GroupCache.h"
#include "support/StoreFixture.h"

namespace {

class ConcurrencyTest : public StoreFixture {};

TEST_F(ConcurrencyTest, ReaderSeesWholeRowsWhileAWriterInserts) {
    constexpr int kRows = 1500;
    std::atomic<bool> done{false};
    auto writer = std::async(std::launch::async, [&] {
        for (int i = 0; i < kRows; ++i) {
            const std::string email = "w" + std::to_string(i) + "@x";
            if (store.AddressExists(1, email) == 0) store.InsertAddress(1, email, "n" + std::to_string(i));
            store.InsertAddress(2, email, ""); // another group, read by nobody
        }
        done = true;
    });
    auto reader = std::async(std::launch::async, [&]() -> int {
        std::size_t lastSize = 0;
        int loads = 0;
        while (!done || loads == 0) {
            auto cache = GroupCache.lock();
            std::list<AddressRecord>& addresses = cache.list();
            store.LoadGroupAddresses(1, addresses);
            EXPECT_GE(addresses.size(), lastSize);
            lastSize = addresses.size();
            for (const AddressRecord& address : addresses) {
                EXPECT_EQ(address.group_id, 1);
                if (address.email.size() < 3) continue;
                EXPECT_EQ("n" + address.email.substr(1, address.email.size() - 3), address.name);
            }
            if (lastSize > 0) {
                EXPECT_EQ(store.AddressExists(1, "w0@x"), 1);
            }
            ++loads;
        }
        GroupCache.lock()->clear();
        return loads;
    });
    writer.get();
    EXPECT_GT(reader.get(), 0);
    std::list<AddressRecord> all;
    ASSERT_EQ(store.LoadGroupAddresses(1, all), 0);
    EXPECT_EQ(all.size(), static_cast<std::size_t>(kRows));
    EXPECT_TRUE(reported.empty());
}

TEST_F(ConcurrencyTest, UpdateChecksAndWritesAsOneStep) {
    // Two threads move their own rows to the same new e-mail text at the same moment: exactly one may win.
    store.InsertAddress(1, "a@x", "");
    store.InsertAddress(1, "b@x", "");
    std::list<AddressRecord> rows;
    ASSERT_EQ(store.LoadGroupAddresses(1, rows), 0);
    const std::int32_t ids[2] = {rows.front().id, rows.back().id};
    constexpr int kRounds = 200;
    std::barrier sync(2);
    std::atomic<int> results[kRounds][2];
    auto racer = [&](int who) {
        for (int round = 0; round < kRounds; ++round) {
            sync.arrive_and_wait();
            results[round][who] = store.UpdateAddress(ids[who], 1, "same" + std::to_string(round) + "@x", "");
        }
    };
    std::thread first(racer, 0), second(racer, 1);
    first.join();
    second.join();
    for (int round = 0; round < kRounds; ++round) {
        const int a = results[round][0], b = results[round][1];
        EXPECT_TRUE((a == 0 && b == 2) || (a == 2 && b == 0)) << "round " << round << ": " << a << ", " << b;
    }
}

TEST_F(ConcurrencyTest, ABatchIsWholeToOtherThreads) {
    std::promise<void> started;
    auto batch = std::async(std::launch::async, [&] {
        StoreTransaction transaction = store.BeginTransaction();
        EXPECT_TRUE(transaction.IsActive());
        for (int i = 0; i < 100; ++i) {
            EXPECT_EQ(store.AddressExists(3, std::to_string(i)), 0);
            EXPECT_EQ(store.InsertAddress(3, std::to_string(i), ""), 0);
        }
        started.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        transaction.Commit();
    });
    started.get_future().wait();
    std::list<AddressRecord> rows;
    EXPECT_EQ(store.LoadGroupAddresses(3, rows), 0); // waits for the commit: all or nothing, never half
    EXPECT_EQ(rows.size(), 100u);
    batch.get();
}

TEST_F(ConcurrencyTest, ABatchLeftUncommittedIsRolledBack) {
    {
        StoreTransaction transaction = store.BeginTransaction();
        store.InsertAddress(5, "gone@x", "");
        EXPECT_EQ(store.AddressExists(5, "gone@x"), 1);
    }
    EXPECT_EQ(store.AddressExists(5, "gone@x"), 0);
    store.InsertAddress(5, "kept@x", ""); // auto-commit again
    AddressStore other;
    ASSERT_TRUE(other.OpenDatabase(folder.path()));
    EXPECT_EQ(other.AddressExists(5, "kept@x"), 1);
}

// Two programs on one book: each sees what the other committed at its next load, and nothing of a batch the other
// has not committed yet.
TEST_F(ConcurrencyTest, AnotherProgramsCommittedChangesShowAtTheNextLoad) {
    AddressStore other;
    ASSERT_TRUE(other.OpenDatabase(folder.path()));
    ASSERT_EQ(store.AddGroup("\xBF\xCD\xBB\xA7"), 0); // 客户
    std::vector<GroupRecord> groups;
    ASSERT_EQ(other.LoadGroups(groups), 0);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, "\xBF\xCD\xBB\xA7");
    const std::int32_t group = groups[0].id;
    std::list<AddressRecord> seen;
    {
        StoreTransaction batch = store.BeginTransaction();
        ASSERT_EQ(store.InsertAddress(group, "a@x", "A"), 0);
        EXPECT_EQ(other.LoadGroupAddresses(group, seen), 1); // not yet committed: not there
        EXPECT_EQ(other.AddressExists(group, "a@x"), 0);
        batch.Commit();
    }
    ASSERT_EQ(other.LoadGroupAddresses(group, seen), 0);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen.front().name, "A");
    // And the other way round: an edit and a delete of the other program.
    ASSERT_EQ(other.UpdateAddress(seen.front().id, group, "b@x", "B"), 0);
    ASSERT_EQ(other.RenameGroup(group, "renamed"), 0);
    std::list<AddressRecord> mine;
    ASSERT_EQ(store.LoadGroupAddresses(group, mine), 0);
    EXPECT_EQ(mine.front().email, "b@x");
    ASSERT_EQ(store.LoadGroups(groups), 0);
    EXPECT_EQ(groups[0].name, "renamed");
    ASSERT_EQ(other.DeleteAddress(seen.front().id), 0);
    EXPECT_EQ(store.LoadGroupAddresses(group, mine), 1);
    EXPECT_TRUE(reported.empty());
}

} // namespace
