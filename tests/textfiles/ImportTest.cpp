// The import into a real book: which lines become addresses, batches whole or not at all, a full disk, another
// program writing meanwhile, a program killed or stopped part way, and the turns of the other threads.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <set>
#include <thread>

#include "platform/DatabaseError.h"
#include "regex/EmailAddress.h"
#include "store/DatabaseFile.h"
#include "support/FileBytes.h"
#include "support/StoreFixture.h"
#include "textfiles/AddressImport.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using Lines = std::vector<std::string>;

std::string joined(const Lines& lines, const char* end = "\n") {
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

// "k<i>@example.com" for i in [first, first + count).
Lines numbered(const std::string& prefix, int first, int count) {
    Lines lines;
    for (int i = first; i < first + count; ++i)
        lines.push_back(prefix + std::to_string(i) + "@example.com");
    return lines;
}

// A process of the test's child program (CORVANE_IMPORT_CHILD) whose standard output the test reads.
class Child {
public:
    explicit Child(const std::vector<std::string>& arguments) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        std::string program = CORVANE_IMPORT_CHILD;
        std::vector<std::string> texts = arguments;
        std::vector<char*> argv = {program.data()};
        for (std::string& text : texts)
            argv.push_back(text.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        m_out = fds[0];
    }
    ~Child() {
        if (m_pid > 0 && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) ::close(m_out);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return m_pid > 0; }
    // One line of its output, without the LF; empty at the end.
    std::string line() {
        std::string text;
        char c;
        while (::read(m_out, &c, 1) == 1 && c != '\n')
            text += c;
        return text;
    }
    bool running() { return !m_reaped && ::waitpid(m_pid, &m_status, WNOHANG) == 0; }
    // The exit code, or -1 when it did not exit by itself.
    int wait() {
        if (!m_reaped && ::waitpid(m_pid, &m_status, 0) == m_pid) m_reaped = true;
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    }
    void kill() {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, &m_status, 0);
        m_reaped = true;
    }
    bool killed() const { return m_reaped && WIFSIGNALED(m_status) && WTERMSIG(m_status) == SIGKILL; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_status = 0;
    bool m_reaped = false;
};

// What the child's "import" printed.
struct ChildResult {
    bool opened = false;
    std::size_t lines = 0;
    std::size_t stored = 0;
    bool stopped = false;
    int reports = -1;
    std::string failure;
};

ChildResult readResult(Child& child) {
    ChildResult result;
    int opened = 0, stopped = 0;
    const std::string first = child.line();
    if (std::sscanf(first.c_str(), "%d %zu %zu %d %d", &opened, &result.lines, &result.stored, &stopped,
                    &result.reports) != 5)
        ADD_FAILURE() << "the child printed '" << first << "'";
    result.opened = opened != 0;
    result.stopped = stopped != 0;
    result.failure = child.line();
    return result;
}

class ImportTest : public StoreFixture {
protected:
    std::string file(const std::string& bytes, const std::string& name = "import.txt") {
        const std::string path = folder.path() + "/" + name;
        writeFileBytes(path, bytes);
        return path;
    }
    // The e-mail texts of a group in the order they were stored.
    Lines rows(std::int32_t groupId) {
        return texts("select email from AddressList where group_id = " + std::to_string(groupId) + " order by id",
                     "email");
    }
    // The import as it ran before batches: each line checked and stored on its own, in auto-commit mode.
    Lines oneLineAtATime(const std::string& path, std::int32_t groupId) {
        std::ifstream in(path, std::ios::binary);
        std::string line;
        bool first = true;
        while (std::getline(in, line)) {
            if (first && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
            first = false;
            const std::size_t begin = line.find_first_not_of(" \t\n\v\f\r");
            if (begin == std::string::npos) continue;
            line = line.substr(begin, line.find_last_not_of(" \t\n\v\f\r") - begin + 1);
            if (line.size() > 254 || !IsValidEmailAddress(line)) continue;
            if (store.AddressExists(groupId, line) == 0) store.InsertAddress(groupId, line, "");
        }
        return rows(groupId);
    }
};

TEST_F(ImportTest, StoresEachNewValidAddressOnceTrimmedInFileOrder) {
    store.InsertAddress(4, "old@example.com", "kept name");
    store.InsertAddress(5, "other@example.com", "");                    // another group does not count
    const std::string longest = std::string(242, 'a') + "@example.com"; // 254 bytes
    const std::string tooLong = std::string(243, 'a') + "@example.com"; // 255 bytes
    ASSERT_EQ(longest.size(), 254u);
    const std::string path = file(" \t first@example.com \t\r\n"
                                  "old@example.com\n"
                                  "other@example.com\r\n"
                                  "first@example.com\n" // the same address again: stored once
                                  "\n   \t\r\n"
                                  "not an address\n"
                                  "First@example.com\n"            // letter case counts
                                  "\xD6\xD0\xCE\xC4@example.com\n" // GBK bytes are no address
                                  "a\0b@example.com\n"s
                                  " old@example.com \n" +
                                  longest + "\n" + tooLong + "\n" + "last@example.com"); // no final line end
    const ImportResult result = importAddresses(store, path, 4);
    EXPECT_TRUE(result.opened);
    EXPECT_EQ(result.lines, 14u);
    EXPECT_EQ(result.stored, 5u);
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(result.failure, "");
    EXPECT_EQ(rows(4), (Lines{"old@example.com", "first@example.com", "other@example.com", "First@example.com", longest,
                              "last@example.com"}));
    EXPECT_EQ(texts("select name from AddressList where group_id = 4 order by id", "name"),
              (Lines{"kept name", "", "", "", "", ""}));
    EXPECT_EQ(rows(5), Lines{"other@example.com"});
    EXPECT_TRUE(reported.empty());

    // Again: every address is there already.
    const ImportResult again = importAddresses(store, path, 4);
    EXPECT_EQ(again.lines, 14u);
    EXPECT_EQ(again.stored, 0u);
    EXPECT_EQ(rows(4).size(), 6u);
}

TEST_F(ImportTest, AByteOrderMarkOnlyAtTheVeryStartAndGroupZero) {
    const ImportResult result = importAddresses(store,
                                                file("\xEF\xBB\xBF"
                                                     "bom@example.com\n\xEF\xBB\xBF"
                                                     "second@example.com\n"),
                                                0);
    EXPECT_EQ(result.lines, 2u);
    EXPECT_EQ(result.stored, 1u); // the second mark is part of its line, which is then no address
    EXPECT_EQ(rows(0), Lines{"bom@example.com"});

    // A mark alone, a file of blank lines and an empty file store nothing.
    for (const std::string& bytes : {"\xEF\xBB\xBF"s, "\n\r\n \t \n\n"s, ""s}) {
        const ImportResult nothing = importAddresses(store, file(bytes), 0);
        EXPECT_TRUE(nothing.opened);
        EXPECT_EQ(nothing.stored, 0u);
        EXPECT_FALSE(nothing.stopped);
    }
    // A binary file: its lines are read and none is an address.
    std::string binary;
    for (int i = 0; i < 100'000; ++i)
        binary += static_cast<char>((i * 131) % 256);
    const ImportResult noise = importAddresses(store, file(binary), 0);
    EXPECT_EQ(noise.lines, static_cast<std::size_t>(std::count(binary.begin(), binary.end(), '\n') + 1));
    EXPECT_EQ(noise.stored, 0u);
    EXPECT_FALSE(noise.stopped);
    EXPECT_EQ(rows(0), Lines{"bom@example.com"});
    EXPECT_FALSE(importAddresses(store, folder.path() + "/missing.txt", 0).opened);
    EXPECT_FALSE(importAddresses(store, folder.path(), 0).opened); // a folder is no file
    EXPECT_TRUE(reported.empty());
}

TEST_F(ImportTest, BatchesStoreTheSameRowsInTheSameOrderAsOneLineAtATime) {
    // Duplicates within a batch and across batches, addresses already in the group, lines that are no address.
    store.InsertAddress(2, "d3@example.com", "");
    store.InsertAddress(3, "d3@example.com", "");
    Lines lines;
    for (int i = 0; i < 3000; ++i) {
        switch (i % 7) {
        case 0:
            lines.push_back("d" + std::to_string(i % 50) + "@example.com");
            break;
        case 1:
            lines.push_back("  n" + std::to_string(i) + "@example.com\t");
            break;
        case 2:
            lines.push_back("bad line " + std::to_string(i));
            break;
        case 3:
            lines.push_back("d" + std::to_string(i % 11) + "@example.com");
            break;
        case 4:
            lines.push_back("");
            break;
        default:
            lines.push_back("n" + std::to_string(i / 3) + "@example.com");
            break;
        }
    }
    const std::string path = file(joined(lines, "\r\n"));
    const Lines expected = oneLineAtATime(path, 3);
    ASSERT_GT(expected.size(), 500u);
    for (const std::size_t batchLines : {std::size_t{1}, std::size_t{7}, std::size_t{1000}, std::size_t{100000}}) {
        SCOPED_TRACE("batches of " + std::to_string(batchLines) + " lines");
        sql("delete from AddressList where group_id = 2 and email <> 'd3@example.com'");
        const ImportResult result = importAddresses(store, path, 2, {batchLines, 10s});
        EXPECT_EQ(result.lines, lines.size());
        EXPECT_EQ(result.stored, expected.size() - 1);
        EXPECT_FALSE(result.stopped);
        EXPECT_EQ(rows(2), expected);
    }
    EXPECT_TRUE(reported.empty());
}

TEST_F(ImportTest, ACheckThatFailsCountsItsLineAsPresentAndIsToldOnce) {
    // (On PostgreSQL a query that fails costs its transaction: the batch is broken and the run stops, with whole
    // batches, as after a full disk.)
    if (OnPostgreSql()) GTEST_SKIP() << "SQLite only: a check that fails leaves the batch standing";
    // A book whose address table reads through a view that fails for the rows of some addresses: the check of
    // "boom..." addresses already in the group fails, every other check answers.
    sql("alter table AddressList rename to Stored");
    sql("create view AddressList as select * from Stored "
        "where json(case when email like 'boom%' then 'not json' else '1' end) is not null");
    sql("create trigger StoreThroughTheView instead of insert on AddressList "
        "begin insert into Stored(group_id, email, name) values(new.group_id, new.email, new.name); end");
    sql("insert into Stored(group_id, email, name) values(1, 'boom1@example.com', ''), (1, 'boom2@example.com', '')");
    const ImportResult result = importAddresses(
        store, file("a@example.com\nboom1@example.com\nb@example.com\nboom2@example.com\nc@example.com\n"), 1,
        {2, 10s});
    EXPECT_EQ(result.lines, 5u);
    EXPECT_EQ(result.stored, 3u);
    EXPECT_FALSE(result.stopped);
    EXPECT_NE(result.failure.find("JSON"), std::string::npos) << result.failure;
    EXPECT_EQ(texts("select email from Stored order by id", "email"),
              (Lines{"boom1@example.com", "boom2@example.com", "a@example.com", "b@example.com", "c@example.com"}));
    EXPECT_TRUE(reported.empty());
}

// How the database refuses the insert of one address: the statement alone, or its whole transaction.
class ImportRefusalTest : public ImportTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ImportRefusalTest, AFailedInsertStopsTheRunWithWholeBatchesAndASecondRunStoresTheRest) {
    // Batches of 200 lines: the new rows go in 100 to a statement, and the last few of a batch ten or one at a time.
    const Lines lines = numbered("k", 0, 350);
    const std::string path = file(joined(lines));
    const auto refuse = [&](const std::string& email) {
        dropRefusal("Refuse", "AddressList");
        if (OnPostgreSql()) {
            refuseInserts("Refuse", "AddressList", "new.email = '" + email + "'", "the address is refused",
                          std::string(GetParam()) == "rollback");
            return;
        }
        sql("create trigger Refuse before insert on AddressList when new.email = '" + email + "' begin select raise(" +
            GetParam() + ", 'the address is refused'); end");
    };
    refuse("k257@example.com"); // in a statement of many rows
    ImportResult result = importAddresses(store, path, 1, {200, 10s});
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.lines, 300u); // the batch had read up to its statement of k200 to k299
    EXPECT_EQ(result.stored, 200u);
    EXPECT_NE(result.failure.find("the address is refused"), std::string::npos) << result.failure;
    EXPECT_TRUE(reported.empty());                                 // told once, by the result alone
    EXPECT_EQ(rows(1), Lines(lines.begin(), lines.begin() + 200)); // nothing of the batch in progress
    EXPECT_TRUE(bookIsSound());
    // The store goes on as usual afterwards.
    EXPECT_EQ(store.InsertAddress(8, "after@example.com", ""), 0);
    EXPECT_EQ(rows(8), Lines{"after@example.com"});

    refuse("k320@example.com"); // one of the last rows of a batch, in a statement of ten
    result = importAddresses(store, path, 1, {200, 10s});
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.lines, 350u);
    EXPECT_EQ(result.stored, 0u);
    EXPECT_EQ(rows(1).size(), 200u);

    // Once nothing stands in the way, the same import stores exactly the missing lines.
    dropRefusal("Refuse", "AddressList");
    result = importAddresses(store, path, 1, {200, 10s});
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(result.stored, 150u);
    EXPECT_EQ(rows(1), lines);
    EXPECT_TRUE(reported.empty());
}

// abort: the statement is undone; fail: it stops where it is; rollback: the engine ends the whole transaction,
// as SQLite does on a full disk, and the statements after it would otherwise run one by one in auto-commit mode.
INSTANTIATE_TEST_SUITE_P(Refusals, ImportRefusalTest, ::testing::Values("abort", "fail", "rollback"));

TEST_F(ImportTest, ADiskThatFillsStopsTheRunWithWholeBatchesAndASecondRunStoresTheRest) {
    if (OnPostgreSql()) GTEST_SKIP() << "SQLite only: the book's file on this machine's disk";
    const Lines lines = numbered("full", 0, 20'000);
    const std::string path = file(joined(lines));
    store.closeDatabase();
    // The book and its log may grow to 512 KiB: far less than the file needs.
    Child child({"import", folder.path(), path, "1", "500", std::to_string(512 * 1024)});
    ASSERT_TRUE(child.started());
    const ChildResult result = readResult(child);
    EXPECT_EQ(child.wait(), 0);
    EXPECT_TRUE(result.opened);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.reports, 0); // nothing through the reporter: one message, from the result
    EXPECT_TRUE(result.failure.find("full") != std::string::npos || result.failure.find("I/O") != std::string::npos)
        << result.failure;
    EXPECT_GT(result.lines, 0u);
    EXPECT_LT(result.lines, lines.size());

    ASSERT_TRUE(store.OpenDatabase(folder.path()));
    EXPECT_TRUE(bookIsSound());
    const Lines stored = rows(1);
    EXPECT_EQ(stored.size(), result.stored);
    EXPECT_EQ(stored.size() % 500, 0u) << "part of a batch was committed";
    EXPECT_GT(result.lines, stored.size()); // it stopped inside the batch after the last one stored
    EXPECT_EQ(stored, Lines(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(stored.size())));

    const ImportResult rest = importAddresses(store, path, 1);
    EXPECT_FALSE(rest.stopped);
    EXPECT_EQ(rest.stored, lines.size() - stored.size());
    EXPECT_EQ(rows(1), lines);
    EXPECT_TRUE(bookIsSound());
    EXPECT_TRUE(reported.empty());
}

TEST_F(ImportTest, AnotherProgramWritingMeanwhileNeitherWaitsForTheWholeImportNorMakesItFail) {
    // A batch that has read, then another program asks to write: it waits for the batch, and the batch's own
    // writes after it still go through (a batch that had only read would have to let the other program in first,
    // and could then write nothing more). (PostgreSQL lets a plain insert of another program through at once.)
    if (!OnPostgreSql()) {
        StoreTransaction batch = store.beginTransaction(BatchErrors::kKeep);
        EXPECT_EQ(store.AddressExists(1, "first@example.com"), 0);
        Child writer({"write", folder.path(), "1", "other"});
        ASSERT_TRUE(writer.started());
        ASSERT_EQ(writer.line(), "ready");
        std::this_thread::sleep_for(300ms);
        EXPECT_TRUE(writer.running()) << "the other program wrote while the batch was open";
        for (const std::string& email : numbered("mine", 0, 20))
            ASSERT_EQ(store.InsertAddress(1, email, ""), 0);
        batch.commit();
        EXPECT_EQ(batch.failures(), 0u);
        EXPECT_EQ(writer.wait(), 0);
    }
    if (!OnPostgreSql()) {
        EXPECT_EQ(rows(1), numbered("mine", 0, 20));
        EXPECT_EQ(rows(9), numbered("other", 0, 1));
    }

    // Another program holds the book for writing as the import begins: the first batch waits for it.
    {
        Child holder({"hold", folder.path(), "400"});
        ASSERT_TRUE(holder.started());
        ASSERT_EQ(holder.line(), "holding");
        const ImportResult result = importAddresses(store, file(joined(numbered("late", 0, 10))), 1);
        EXPECT_FALSE(result.stopped) << result.failure;
        EXPECT_EQ(result.stored, 10u);
        EXPECT_EQ(holder.wait(), 0);
    }

    // A whole import while another program inserts one row after another: both store everything.
    const Lines lines = numbered("imported", 0, 15'000);
    const std::string path = file(joined(lines));
    Child writer({"write", folder.path(), "300", "w"});
    ASSERT_TRUE(writer.started());
    ASSERT_EQ(writer.line(), "ready");
    const ImportResult result = importAddresses(store, path, 1, {500, 50ms});
    EXPECT_FALSE(result.stopped) << result.failure;
    EXPECT_EQ(result.stored, lines.size());
    EXPECT_EQ(writer.wait(), 0);
    EXPECT_EQ(rows(9).size(), (OnPostgreSql() ? 0u : 1u) + 1u + 300u);
    EXPECT_TRUE(reported.empty());
}

TEST_F(ImportTest, AProgramKilledPartWayKeepsWholeBatchesAndASecondRunStoresTheRest) {
    const Lines lines = numbered("k", 0, 15'000);
    const std::string path = file(joined(lines));
    const auto storedNow = [&] { return scalar("select count(*) as value from AddressList where group_id = 1"); };
    std::int64_t before = 0;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Child child({"import", folder.path(), path, "1", "300"});
        ASSERT_TRUE(child.started());
        // Killed once it has committed a batch of its own.
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (storedNow() == before && child.running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(10 * round));
        ASSERT_TRUE(child.running()) << "the child ended before it was killed";
        child.kill();
        EXPECT_TRUE(child.killed());

        EXPECT_TRUE(bookIsSound());
        const Lines stored = rows(1);
        EXPECT_GT(static_cast<std::int64_t>(stored.size()), before);
        EXPECT_EQ(stored.size() % 300, 0u) << "part of a batch was committed";
        EXPECT_EQ(stored, Lines(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(stored.size())));
        before = static_cast<std::int64_t>(stored.size());
    }
    const ImportResult rest = importAddresses(store, path, 1);
    EXPECT_FALSE(rest.stopped);
    EXPECT_EQ(rest.stored, lines.size() - static_cast<std::size_t>(before));
    EXPECT_EQ(rows(1), lines);
    EXPECT_TRUE(reported.empty());
}

// 停止 while it runs: the batch in progress goes, those committed stay, the progress shown matches the book, and
// a second run stores exactly the rest.
TEST_F(ImportTest, AStopKeepsTheCommittedBatchesAndSaysHowFarTheyReach) {
    const Lines lines = numbered("s", 0, 30'000);
    const std::string path = file(joined(lines));
    ImportProgress progress;
    std::stop_source stop;
    auto stopper = std::async(std::launch::async, [&] {
        while (progress.stored.load() == 0)
            std::this_thread::sleep_for(1ms);
        stop.request_stop();
    });
    const ImportResult result = importAddresses(store, path, 1, {300, 10s}, &progress, stop.get_token());
    stopper.get();
    ASSERT_TRUE(result.cancelled) << "the run ended before the stop";
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(progress.fileSize.load(), std::filesystem::file_size(path));
    EXPECT_EQ(progress.stored.load(), result.stored);
    EXPECT_GE(progress.lines.load(), result.keptLines);
    const Lines stored = rows(1);
    EXPECT_EQ(stored.size(), result.stored);
    EXPECT_EQ(result.keptLines, result.stored);
    EXPECT_EQ(stored.size() % 300, 0u) << "part of a batch was committed";
    EXPECT_EQ(stored, Lines(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(stored.size())));

    const ImportResult rest = importAddresses(store, path, 1);
    EXPECT_FALSE(rest.cancelled);
    EXPECT_EQ(rest.stored, lines.size() - stored.size());
    EXPECT_EQ(rows(1), lines);
    EXPECT_TRUE(reported.empty());
}

TEST_F(ImportTest, OtherThreadsGetTheirTurnBetweenBatches) {
    const Lines lines = numbered("turn", 0, 20'000);
    const std::string path = file(joined(lines));
    std::atomic<bool> importing{true};
    std::chrono::steady_clock::duration longest{};
    auto other = std::async(std::launch::async, [&] {
        while (importing) {
            // As the loaders do: any call of the store waits for the batch in progress.
            const auto start = std::chrono::steady_clock::now();
            store.IsOpen();
            longest = std::max(longest, std::chrono::steady_clock::now() - start);
        }
    });
    const auto start = std::chrono::steady_clock::now();
    const ImportResult result = importAddresses(store, path, 1, {500, 10s});
    const auto whole = std::chrono::steady_clock::now() - start;
    importing = false;
    other.get();
    EXPECT_EQ(result.stored, lines.size());
    // 40 batches: the other thread waited for one of them at a time, never for a run of them.
    EXPECT_LT(longest, whole / 5);
}

TEST_F(ImportTest, AFileThatCannotBeReadToItsEndStopsTheRun) {
    // A regular file whose reading fails at once.
    if (!std::filesystem::is_regular_file("/proc/self/mem")) GTEST_SKIP() << "no /proc here";
    const ImportResult result = importAddresses(store, "/proc/self/mem", 1);
    EXPECT_TRUE(result.opened);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.lines, 0u);
    EXPECT_FALSE(result.failure.empty());
}

// Two programs (two machines on a shared book) import overlapping files into one group at once: every address of
// either file is stored, each once, and each program's rows are whole batches in its file's order.
TEST_F(ImportTest, TwoProgramsImportingOverlappingFilesAtOnceStoreEachAddressOnce) {
    const Lines a = numbered("both", 0, 6000);
    Lines b = numbered("both", 3000, 6000); // half of it is the other file's second half
    std::reverse(b.begin(), b.begin() + 3000);
    const std::string pathA = file(joined(a), "a.txt");
    const std::string pathB = file(joined(b), "b.txt");
    store.closeDatabase();
    Child one({"import", folder.path(), pathA, "1", "400"});
    Child two({"import", folder.path(), pathB, "1", "300"});
    ASSERT_TRUE(one.started());
    ASSERT_TRUE(two.started());
    const ChildResult first = readResult(one);
    const ChildResult second = readResult(two);
    EXPECT_EQ(one.wait(), 0);
    EXPECT_EQ(two.wait(), 0);
    for (const ChildResult& result : {first, second}) {
        EXPECT_TRUE(result.opened);
        EXPECT_FALSE(result.stopped) << result.failure;
        EXPECT_EQ(result.reports, 0);
    }
    EXPECT_EQ(first.stored + second.stored, 9000u);
    ASSERT_TRUE(store.OpenDatabase(folder.path()));
    EXPECT_TRUE(bookIsSound());
    Lines stored = rows(1);
    EXPECT_EQ(stored.size(), 9000u);
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(std::adjacent_find(stored.begin(), stored.end()), stored.end()) << "an address is stored twice";
    Lines expected = numbered("both", 0, 9000);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(stored, expected);
    EXPECT_TRUE(reported.empty());
}

} // namespace
