// The store shared by several threads, as the window's thread, the group loader and the filter worker share it.
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <barrier>
#include <exception>
#include <future>
#include <thread>

#include "store/AddressBook.h"
#include "platform/OdbcRecordSet.h"
#include "support/ChildProcess.h"
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
    const RowId ids[2] = {rows.front().id, rows.back().id};
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
        StoreTransaction transaction = store.beginTransaction();
        EXPECT_TRUE(transaction.isActive());
        for (int i = 0; i < 100; ++i) {
            EXPECT_EQ(store.AddressExists(3, std::to_string(i)), 0);
            EXPECT_EQ(store.InsertAddress(3, std::to_string(i), ""), 0);
        }
        started.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        transaction.commit();
    });
    started.get_future().wait();
    std::list<AddressRecord> rows;
    EXPECT_EQ(store.LoadGroupAddresses(3, rows), 0); // waits for the commit: all or nothing, never half
    EXPECT_EQ(rows.size(), 100u);
    batch.get();
}

TEST_F(ConcurrencyTest, ABatchLeftUncommittedIsRolledBack) {
    {
        StoreTransaction transaction = store.beginTransaction();
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
        StoreTransaction batch = store.beginTransaction();
        ASSERT_EQ(store.InsertAddress(group, "a@x", "A"), 0);
        EXPECT_EQ(other.LoadGroupAddresses(group, seen), 1); // not yet committed: not there
        EXPECT_EQ(other.AddressExists(group, "a@x"), 0);
        batch.commit();
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

// Two programs on one book, each as one desk: they start their rounds at the same instant and go as fast as they
// can, so their duplicate checks and their writes meet again and again.
class TwoProgramsTest : public StoreFixture {
protected:
    static constexpr int kRounds = 200;

    // Runs `book_child COMMAND FOLDER SYNC ROUNDS PREFIX` once with each prefix, both meeting at a process-shared
    // barrier before each round, and waits for both.
    void race(const std::string& command, const std::string& first, const std::string& second) {
        const std::string sync = folder.path() + "/sync";
        {
            const int fd = ::open(sync.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::ftruncate(fd, sizeof(pthread_barrier_t)), 0);
            void* shared = ::mmap(nullptr, sizeof(pthread_barrier_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            ::close(fd);
            ASSERT_NE(shared, MAP_FAILED);
            pthread_barrierattr_t attributes;
            pthread_barrierattr_init(&attributes);
            pthread_barrierattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
            pthread_barrier_init(static_cast<pthread_barrier_t*>(shared), &attributes, 2);
            pthread_barrierattr_destroy(&attributes);
            ::munmap(shared, sizeof(pthread_barrier_t));
        }
        std::vector<pid_t> children;
        for (const std::string& prefix : {first, second}) {
            const pid_t child =
                startProgram({CORVANE_BOOK_CHILD, command, folder.path(), sync, std::to_string(kRounds), prefix});
            ASSERT_GT(child, 0);
            children.push_back(child);
        }
        for (const pid_t child : children) {
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        }
    }

    // How many rows of group 1 hold each e-mail text.
    std::map<std::string, int> countsInGroupOne() {
        std::map<std::string, int> counts;
        for (const std::string& email : texts("select email from AddressList where group_id = 1", "email"))
            ++counts[email];
        return counts;
    }
};

TEST_F(TwoProgramsTest, AddingTheSameAddressesAtOnceStoresEachOnce) {
    race("add", "r", "r");
    const std::map<std::string, int> counts = countsInGroupOne();
    EXPECT_EQ(counts.size(), static_cast<std::size_t>(kRounds));
    for (const auto& [email, count] : counts)
        EXPECT_EQ(count, 1) << email;
}

TEST_F(TwoProgramsTest, EditingTwoRowsToTheSameAddressAtOnceKeepsOneOfThem) {
    // Each program moves rows of its own (group 2) to the same new addresses of group 1.
    std::vector<std::string> mine;
    for (int r = 0; r < kRounds; ++r) {
        mine.push_back("a" + std::to_string(r) + "@x");
        mine.push_back("b" + std::to_string(r) + "@x");
    }
    ASSERT_EQ(store.insertAddresses(2, mine, ""), AddressStore::InsertOutcome::kInserted);
    race("edit", "a", "b");
    const std::map<std::string, int> counts = countsInGroupOne();
    EXPECT_EQ(counts.size(), static_cast<std::size_t>(kRounds));
    for (const auto& [email, count] : counts)
        EXPECT_EQ(count, 1) << email;
    // Every refused move left its row where it was.
    EXPECT_EQ(scalar("select count(*) as value from AddressList where group_id = 2"), kRounds);
}

// Another program holds the book's write lock: a write waits for it the time the README states, once.
TEST_F(ConcurrencyTest, AWriteWaitsFiveSecondsForAnotherProgramsLockThenSaysWhy) {
    if (OnPostgreSql()) GTEST_SKIP() << "SQLite only: the server's lock wait is its own";
    OdbcConnection other;
    other.open(book.connectionString());
    other.beginTransaction(TransactionIsolation::kDefault, TransactionAccess::kWrite);
    const auto start = std::chrono::steady_clock::now();
    const AddressStore::AddResult result = store.addAddressIfAbsent(1, "a@x", "");
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(result.outcome, AddressStore::AddOutcome::kFailed);
    EXPECT_NE(result.failure.find("locked"), std::string::npos) << result.failure;
    EXPECT_GE(waited, 4.5);
    EXPECT_LT(waited, 7.5);
    other.rollback();
    EXPECT_EQ(store.addAddressIfAbsent(1, "a@x", "").outcome, AddressStore::AddOutcome::kAdded);
}

// The server ends the store's session (a restart, a network that dropped): the next read connects again and
// answers; a write is reported and not repeated, and the one after it runs on the new connection.
TEST_F(ConcurrencyTest, AfterTheServerDroppedTheConnectionTheNextReadConnectsAgain) {
    if (!OnPostgreSql()) GTEST_SKIP() << "PostgreSQL only: a book file has no connection to lose";
    ASSERT_EQ(store.AddGroup("before"), 0);
    auto dropStoreSession = [&] {
        scalar("select count(pg_terminate_backend(pid)) as value from pg_stat_activity "
               "where datname = current_database() and pid <> pg_backend_pid()");
    };
    dropStoreSession();
    std::vector<GroupRecord> groups;
    ASSERT_EQ(store.LoadGroups(groups), 0);
    EXPECT_EQ(groups.size(), 1u);
    EXPECT_TRUE(reported.empty());

    dropStoreSession();
    EXPECT_EQ(store.AddGroup("lost"), 0);
    EXPECT_EQ(reported.size(), 1u);
    ASSERT_EQ(store.AddGroup("after"), 0);
    ASSERT_EQ(store.LoadGroups(groups), 0);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[1].name, "after");
    EXPECT_EQ(reported.size(), 1u);
}

} // namespace
