// corvane-cli as scripts run it: the real binary on real books made by the project's tool, on both engines; its
// output for people and as JSON, its exit statuses, standard input, a run beside another writer, and a killed
// import run again.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/FileBytes.h"
#include "support/StoreFixture.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

class CliTest : public StoreFixture {
protected:
    CliTest() {
        EXPECT_TRUE(store.OpenDatabase(folder.path()));
        store.setErrorReporter([this](const std::string& text) { reported.push_back(text); });
    }

    // The book of this test, as a script names it.
    std::vector<std::string> bookOptions() const {
        return OnPostgreSql() ? std::vector<std::string>{"--dsn", "Corvane"}
                              : std::vector<std::string>{"--book", folder.path()};
    }

    // Starts corvane-cli with `args`, after the test book's options unless they name a book; standard input from
    // `input`.
    pid_t start(const std::vector<std::string>& args, const std::string& input = "/dev/null") {
        std::vector<std::string> all{CORVANE_CLI};
        if (std::find(args.begin(), args.end(), "--book") == args.end() &&
            std::find(args.begin(), args.end(), "--dsn") == args.end()) {
            const std::vector<std::string> book = bookOptions();
            all.insert(all.end(), book.begin(), book.end());
        }
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, errPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = -1;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    CliRun run(const std::vector<std::string>& args, const std::string& input = "/dev/null") {
        CliRun result;
        const pid_t pid = start(args, input);
        EXPECT_GT(pid, 0);
        int status = 0;
        ::waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = readFileBytes(outPath());
        result.err = readFileBytes(errPath());
        return result;
    }

    std::string file(const std::string& name, const std::string& bytes) {
        const std::string path = folder.path() + "/" + name;
        writeFileBytes(path, bytes);
        return path;
    }

    std::int64_t count(RowId group) {
        return scalar("select count(*) as value from AddressList where group_id = ?", {group});
    }

    std::string outPath() const { return folder.path() + "/cli.out"; }
    std::string errPath() const { return folder.path() + "/cli.err"; }
};

std::string numbered(int from, int count) {
    std::string text;
    for (int i = from; i < from + count; ++i)
        text += "user" + std::to_string(i) + "@example.com\n";
    return text;
}

} // namespace

TEST_F(CliTest, GroupsAreAddedRenamedListedAndDeletedByIdOrName) {
    CliRun added = run({"--json", "group", "add", "朋友"});
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(added.out, "{\"result\":\"added\",\"id\":1,\"name\":\"朋友\",\"addresses\":0}\n");
    EXPECT_EQ(texts("select name from AddressCata", "name"), std::vector<std::string>{"\xC5\xF3\xD3\xD1"}); // GBK
    ASSERT_EQ(run({"group", "add", "work"}).status, 0);
    ASSERT_EQ(run({"group", "rename", "work", "工作 & co"}).status, 0);
    store.InsertAddress(1, "a@example.com", "");

    CliRun listed = run({"groups"});
    EXPECT_EQ(listed.out, "ID  NAME       ADDRESSES\n"
                          "1   朋友       1\n"
                          "2   工作 & co  0\n");
    // A name the book's code page cannot hold, an unknown group, a non-empty group without --yes: refused.
    EXPECT_EQ(run({"group", "add", "smile \xF0\x9F\x98\x80"}).status, 2);
    EXPECT_EQ(run({"group", "delete", "nothing"}).status, 2);
    CliRun refused = run({"group", "delete", "朋友"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("--yes"), std::string::npos) << refused.err;
    EXPECT_EQ(count(1), 1);
    EXPECT_EQ(run({"group", "delete", "1", "--yes"}).status, 0);
    EXPECT_EQ(count(1), 0);
    EXPECT_EQ(run({"--json", "groups"}).out, "{\"id\":2,\"name\":\"工作 & co\",\"addresses\":0}\n");
}

TEST_F(CliTest, ImportSaysWhatBecameOfEachLineAndItsStatusSaysWhetherLinesWereRefused) {
    store.AddGroup("g");
    store.InsertAddress(1, "held@example.com", "");
    const std::string path = file("in.txt", "\xEF\xBB\xBF new@example.com \r\nheld@example.com\nnot an address\n\n"
                                            "new@example.com\n" +
                                                std::string(250, 'a') + "@example.com\n");
    CliRun first = run({"--json", "import", "g", path});
    EXPECT_EQ(first.status, 1) << first.err;
    EXPECT_NE(first.out.find("\"lines\":6,\"stored\":1,\"alreadyInGroup\":1,\"repeatedInFile\":1,\"invalid\":1,"
                             "\"tooLong\":1"),
              std::string::npos)
        << first.out;
    EXPECT_EQ(count(1), 2);
    // From standard input, only good lines: status 0, nothing new twice.
    CliRun piped = run({"import", "1", "-"}, file("more.txt", "new@example.com\nmore@example.com\n"));
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_NE(piped.out.find("stored                1"), std::string::npos) << piped.out;
    EXPECT_EQ(count(1), 3);
    EXPECT_EQ(run({"import", "g", folder.path() + "/missing.txt"}).status, 5);
}

// A script's import while a window adds addresses to the same group: neither loses or doubles a row.
TEST_F(CliTest, AnImportBesideAnotherWriterStoresEveryAddressOnce) {
    store.AddGroup("g");
    constexpr int kLines = 200'000;
    const std::string path = file("in.txt", numbered(0, kLines));
    const pid_t cli = start({"import", "g", path});
    ASSERT_GT(cli, 0);
    while (count(1) == 0)
        std::this_thread::sleep_for(1ms);
    // As the window's 增加 does, while the import runs: half of them are in the file too.
    for (int i = 0; i < 200; ++i) {
        const std::string email = "user" + std::to_string(i % 2 ? kLines + i : i * 500) + "@example.com";
        EXPECT_NE(store.addAddressIfAbsent(1, email, "").outcome, AddressStore::AddOutcome::kFailed);
    }
    int status = 0;
    ::waitpid(cli, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0) << readFileBytes(errPath());
    EXPECT_EQ(count(1), kLines + 100);
    EXPECT_EQ(scalar("select count(distinct email) as value from AddressList"), kLines + 100);
}

TEST_F(CliTest, AKilledImportRunAgainStoresExactlyTheRest) {
    store.AddGroup("g");
    const std::string text = numbered(0, 150'000);
    const std::string path = file("in.txt", text);
    const pid_t cli = start({"import", "g", path});
    ASSERT_GT(cli, 0);
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (count(1) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(2ms);
    ::kill(cli, SIGKILL);
    int status = 0;
    ::waitpid(cli, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "it ended before it was killed";
    const std::int64_t kept = count(1);
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 150'000);
    CliRun rest = run({"--json", "import", "g", path});
    EXPECT_EQ(rest.status, 0) << rest.err;
    EXPECT_NE(rest.out.find("\"stored\":" + std::to_string(150'000 - kept) + ","), std::string::npos) << rest.out;
    EXPECT_EQ(count(1), 150'000);
    EXPECT_EQ(scalar("select count(distinct email) as value from AddressList"), 150'000);
}

TEST_F(CliTest, FilterAndCheckWriteTheLinesAsked) {
    store.AddGroup("g");
    store.InsertAddress(1, "a@example.com", "");
    const std::string in = file("in.txt", "a@example.com\nb@example.com\nnot one\n");
    const std::string out = folder.path() + "/out.txt";
    CliRun filtered = run({"filter", "g", in, out});
    EXPECT_EQ(filtered.status, 0) << filtered.err;
    EXPECT_EQ(readFileBytes(out), "b@example.com\r\nnot one\r\n");
    EXPECT_EQ(run({"filter", "g", in, in}).status, 2); // its own input: untouched
    EXPECT_EQ(readFileBytes(in), "a@example.com\nb@example.com\nnot one\n");

    // check needs no book.
    EXPECT_EQ(run({"--book", "/nonexistent", "check", "-"}, in).out, "a@example.com\nb@example.com\n");
    EXPECT_EQ(run({"--book", "/nonexistent", "--json", "check", in, "--invalid"}).out,
              "{\"line\":3,\"text\":\"not one\"}\n");
}

// A group out as CSV for a spreadsheet, and a list with names back in: names survive both ways, refused lines are
// kept aside with their reasons, and the status says that some were refused.
TEST_F(CliTest, AGroupExportedAsCsvComesBackWithItsNames) {
    store.AddGroup("members");
    store.AddGroup("copy");
    store.InsertAddress(1, "li@example.com", "\xC0\xEE\xCB\xC4, \"Si\""); // 李四, "Si" in GBK
    store.InsertAddress(1, "wang@example.com", "");
    const std::string csv = folder.path() + "/members.csv";
    CliRun exported = run({"--json", "export", "members", csv, "--csv", "--encoding", "utf-8"});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_NE(exported.out.find("\"rows\":2"), std::string::npos) << exported.out;
    EXPECT_EQ(readFileBytes(csv), "\xEF\xBB\xBF"
                                  "email,name\r\n"
                                  "li@example.com,\"李四, \"\"Si\"\"\"\r\n"
                                  "wang@example.com,\r\n");
    EXPECT_EQ(run({"export", "1"}).out, "li@example.com\r\nwang@example.com\r\n"); // to standard output

    std::ofstream(csv, std::ios::binary | std::ios::app) << "not an address,x\r\n";
    const std::string rejected = folder.path() + "/rejected.csv";
    CliRun imported = run({"import", "copy", csv, "--names", "--rejected", rejected});
    EXPECT_EQ(imported.status, 1) << imported.err;
    EXPECT_EQ(texts("select name from AddressList where group_id = 2 order by email", "name"),
              (std::vector<std::string>{"\xC0\xEE\xCB\xC4, \"Si\"", ""}));
    EXPECT_NE(readFileBytes(rejected).find("not an address"), std::string::npos);
    EXPECT_EQ(run({"export", "copy", folder.path() + "/no/such/folder/x.txt"}).status, 5);
}

// The clean-up of a nightly job: bounces found and removed from every group, two groups made into a third.
TEST_F(CliTest, FindRemoveAndGroupArithmeticChangeTheBookAsAsked) {
    store.AddGroup("a");
    store.AddGroup("b");
    for (const char* email : {"one@example.com", "Two@Example.com", "three@example.com"})
        store.InsertAddress(1, email, "");
    for (const char* email : {"two@example.com", "four@example.com"})
        store.InsertAddress(2, email, "");

    CliRun found = run({"--json", "find", "TWO@", "--prefix"});
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(std::count(found.out.begin(), found.out.end(), '\n'), 2) << found.out; // letter case aside
    EXPECT_NE(found.out.find("\"email\":\"Two@Example.com\""), std::string::npos);

    CliRun unioned = run({"union", "a", "b", "--into", "全部", "--ignore-case"});
    EXPECT_EQ(unioned.status, 0) << unioned.err;
    EXPECT_EQ(
        texts("select email from AddressList where group_id = 3 order by id", "email"),
        (std::vector<std::string>{"one@example.com", "Two@Example.com", "three@example.com", "four@example.com"}));
    EXPECT_EQ(run({"minus", "a", "a", "--out", folder.path() + "/x.txt"}).status, 2);

    const std::string bounces = file("bounces.txt", "Mailer <three@example.com>\nfour@example.com\nnonsense\n");
    CliRun removed = run({"--json", "remove", "-", "--all"}, bounces);
    EXPECT_EQ(removed.status, 1) << removed.err; // "nonsense" held no address
    EXPECT_NE(removed.out.find("\"removed\":4"), std::string::npos) << removed.out;
    EXPECT_EQ(count(1), 2);
    EXPECT_EQ(count(2), 1);
    EXPECT_EQ(count(3), 2);

    CliRun merged = run({"merge", "b", "a", "--ignore-case"});
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(count(2), 0);
    EXPECT_EQ(count(1), 2); // two@ was in a as Two@
    EXPECT_EQ(run({"--json", "groups"}).out.find("\"id\":2,"), std::string::npos);
}

TEST_F(CliTest, UsageAndABookThatCannotBeOpenedHaveTheirOwnStatuses) {
    CliRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* status : {"0  done", "1  done, but", "2  usage", "3  the book", "4  a database", "5  a file"})
        EXPECT_NE(help.out.find(status), std::string::npos) << status;
    EXPECT_EQ(run({"frobnicate"}).status, 2);
    EXPECT_EQ(run({"groups", "extra"}).status, 2);
    EXPECT_EQ(run({"import", "g", "x", "--bogus"}).status, 2);
    EXPECT_EQ(run({"--book", folder.path() + "/none", "groups"}).status, 3);
    EXPECT_EQ(run({"--dsn", "NoSuchSource", "groups"}).status, 3);
    // It never makes a book.
    EXPECT_FALSE(std::ifstream(folder.path() + "/none/Corvane.bin").good());
}
