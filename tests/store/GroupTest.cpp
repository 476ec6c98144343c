// Opening and closing the store, the result codes every operation gives without a connection, and the groups.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <cstdlib>

#include "platform/DatabaseError.h"
#include "platform/OdbcConnection.h"
#include "platform/Transaction.h"
#include "store/AddressStore.h"
#include "store/DatabaseFile.h"
#include "support/FileBytes.h"
#include "support/StoreFixture.h"
#include "support/TempFolder.h"
#include "support/TestBook.h"
#include "support/TestHttpServer.h"
#include "tools/CreateDatabase.h"
#include "tools/OrphanedAddresses.h"

namespace {

// Every operation with a connection that is not open: 1 (refreshes: 0), nothing run, lists untouched.
void expectEveryOperationRefused(AddressStore& store) {
    const std::vector<GroupRecord> groupsBefore = {{7, "kept"}};
    std::vector<GroupRecord> groups = groupsBefore;
    EXPECT_EQ(store.LoadGroups(groups), 1);
    EXPECT_EQ(groups, groupsBefore);
    EXPECT_EQ(store.AddGroup("g"), 1);
    EXPECT_EQ(store.RenameGroup(1, "g"), 1);
    EXPECT_EQ(store.DeleteGroup(1), 1);

    EXPECT_EQ(store.AddressExists(1, "a@b"), 1);
    EXPECT_EQ(store.AddressExistsExcept(1, "a@b", 1), 1);
    EXPECT_EQ(store.InsertAddress(1, "a@b", "n"), 1);
    EXPECT_EQ(store.UpdateAddress(1, 1, "a@b", "n"), 1);
    EXPECT_EQ(store.DeleteAddress(1), 1);
    const std::list<AddressRecord> addressesBefore = {{1, 2, "x@y", "X"}};
    std::list<AddressRecord> addresses = addressesBefore;
    EXPECT_EQ(store.LoadGroupAddresses(2, addresses), 1);
    EXPECT_EQ(addresses, addressesBefore);

    const std::vector<LinkRecord> linksBefore = {{0, "site", "url"}};
    std::vector<LinkRecord> links = linksBefore;
    EXPECT_EQ(store.LoadLinks(links), 1);
    EXPECT_EQ(links, linksBefore);
    const std::vector<std::string> keywordsBefore = {"k"};
    std::vector<std::string> keywords = keywordsBefore;
    EXPECT_EQ(store.LoadSearchKeys(keywords), 1);
    EXPECT_EQ(keywords, keywordsBefore);

    // The refreshes have nowhere to write: they do not even download.
    TestHttpServer server;
    store.setUpdateServer(server.baseAddress());
    EXPECT_EQ(store.RefreshLinks(), 0);
    EXPECT_EQ(store.RefreshSearchKeys(), 0);
    EXPECT_EQ(server.requests("/update/corvane_links.txt") + server.requests("/update/search_key.txt"), 0);

    EXPECT_FALSE(store.beginTransaction().isActive());
}

TEST(StoreConnection, NeverOpenedRefusesEverything) {
    AddressStore store;
    EXPECT_FALSE(store.IsOpen());
    expectEveryOperationRefused(store);
}

#define SQLITE_ONLY(why)                                                                                               \
    if (OnPostgreSql()) GTEST_SKIP() << "SQLite only: " << why

TEST(StoreConnection, MissingDatabaseFileIsAFailedOpen) {
    SQLITE_ONLY("a book file");
    TempFolder folder;
    AddressStore store;
    EXPECT_FALSE(store.OpenDatabase(folder.path()));
    EXPECT_FALSE(store.OpenDatabase(folder.path() + "/no/such/folder"));
    EXPECT_FALSE(store.IsOpen());
    expectEveryOperationRefused(store);
}

// The names in a folder, so a test can see that nothing was left beside the book (no -wal, -shm or -journal).
std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

void createBook(const std::string& folder) {
    std::string error;
    ASSERT_EQ(createDatabase(folder, builtInSchema(), error), CreateDatabaseResult::kCreated) << error;
}

// Runs statements on a connection of their own to the book of `folder`, closed again before returning.
void runOnBook(const std::string& folder, std::initializer_list<const char*> statements) {
    OdbcConnection connection;
    connection.open(*connectionStringFor(databaseFilePath(folder)));
    for (const char* statement : statements)
        connection.execute(statement);
}

// A book the driver connects to but the store cannot use, and a piece of what the driver says about it.
struct UnusableBook {
    const char* name;
    std::function<void(const std::string& folder)> make;
    const char* driverSays;
    // Connecting writes the header of an empty database into an empty file; every other book stays as it was.
    bool connectingWritesIt = false;
};

void PrintTo(const UnusableBook& book, std::ostream* out) {
    *out << book.name;
}

const UnusableBook kUnusableBooks[] = {
    {"RandomBytes",
     [](const std::string& folder) {
         std::mt19937 random(20240601);
         std::string bytes(8192, '\0');
         for (char& byte : bytes)
             byte = static_cast<char>(random());
         writeFileBytes(databaseFilePath(folder), bytes);
     },
     "file is not a database"},
    // An interrupted first run: never made into a database of no tables.
    {"EmptyFile", [](const std::string& folder) { writeFileBytes(databaseFilePath(folder), ""); }, "empty file"},
    // Opened, it would leave a read-only -shm beside it that keeps the book read-only once the file is mended.
    {"ReadOnlyFile",
     [](const std::string& folder) {
         createBook(folder);
         chmod(databaseFilePath(folder).c_str(), 0444);
     },
     "read-only"},
    {"TruncatedToItsFirstPage",
     [](const std::string& folder) {
         createBook(folder);
         std::filesystem::resize_file(databaseFilePath(folder), 4096);
     },
     "malformed"},
    {"SchemaPageOverwritten",
     [](const std::string& folder) {
         createBook(folder);
         std::string bytes = readFileBytes(databaseFilePath(folder));
         ASSERT_GT(bytes.size(), 4096u);
         // Past the 100-byte file header, page 1 holds the schema.
         std::fill(bytes.begin() + 100, bytes.begin() + 4096, '\xA5');
         writeFileBytes(databaseFilePath(folder), bytes);
     },
     "malformed"},
    {"WithoutAddressCata",
     [](const std::string& folder) {
         createBook(folder);
         runOnBook(folder, {"drop table AddressCata"});
     },
     "no such table: AddressCata"},
    {"WithoutAddressList",
     [](const std::string& folder) {
         createBook(folder);
         runOnBook(folder, {"drop table AddressList"});
     },
     "no such table: AddressList"},
    {"WithoutSearchKey",
     [](const std::string& folder) {
         createBook(folder);
         runOnBook(folder, {"drop table SearchKey"});
     },
     "no such table: SearchKey"},
    {"WithoutLinks",
     [](const std::string& folder) {
         createBook(folder);
         runOnBook(folder, {"drop table Links"});
     },
     "no such table: Links"},
    {"AddressListWithoutName",
     [](const std::string& folder) {
         createBook(folder);
         // An index on the column would refuse its drop.
         runOnBook(folder, {"drop index AddressList_lower_name", "alter table AddressList drop column name"});
     },
     "no such column: name"},
};

class StoreUnusableBook : public ::testing::TestWithParam<UnusableBook> {};

TEST_P(StoreUnusableBook, IsAFailedOpenReportedOnce) {
    SQLITE_ONLY("a book file");
    const UnusableBook& book = GetParam();
    TempFolder folder;
    ASSERT_NO_FATAL_FAILURE(book.make(folder.path()));
    const std::string before = readFileBytes(databaseFilePath(folder.path()));

    AddressStore store;
    std::vector<std::string> reported;
    store.setErrorReporter([&](const std::string& text) { reported.push_back(text); });
    EXPECT_FALSE(store.OpenDatabase(folder.path()));
    EXPECT_FALSE(store.IsOpen());
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find(book.driverSays), std::string::npos) << reported[0];
    expectEveryOperationRefused(store);
    EXPECT_EQ(reported.size(), 1u);

    if (!book.connectingWritesIt) {
        EXPECT_EQ(readFileBytes(databaseFilePath(folder.path())), before);
    }
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"Corvane.bin"});
}

INSTANTIATE_TEST_SUITE_P(Books, StoreUnusableBook, ::testing::ValuesIn(kUnusableBooks),
                         [](const auto& book) { return std::string(book.param.name); });

// What one open of a book gave in a child process that runs as an unprivileged user when the tests run as root
// (root writes into any folder, whatever its mode).
struct ChildOpen {
    // Bit 0: OpenDatabase's result; bit 1: IsOpen() afterwards; from bit 2: the number of reports (at most 15).
    // 100 and up: the child itself failed.
    int status = -1;
    std::string reported; // the reports' texts, one after another
};

ChildOpen openInChild(const std::string& folder) {
    int channel[2];
    if (pipe(channel) != 0) return {};
    const pid_t child = fork();
    if (child < 0) return {};
    if (child == 0) {
        close(channel[0]);
        if (geteuid() == 0) {
            const uid_t nobody = 65534;
            if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0) _exit(100);
        }
        std::string reported;
        int reports = 0;
        AddressStore store;
        store.setErrorReporter([&](const std::string& text) {
            reported += text;
            ++reports;
        });
        const bool opened = store.OpenDatabase(folder);
        const bool open = store.IsOpen();
        store.closeDatabase();
        if (write(channel[1], reported.data(), reported.size()) != static_cast<ssize_t>(reported.size())) _exit(101);
        _exit((opened ? 1 : 0) | (open ? 2 : 0) | std::min(reports, 15) << 2);
    }
    close(channel[1]);
    ChildOpen result;
    char buffer[4096];
    ssize_t got;
    while ((got = read(channel[0], buffer, sizeof buffer)) > 0)
        result.reported.append(buffer, got);
    close(channel[0]);
    int status = 0;
    if (waitpid(child, &status, 0) == child && WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

TEST(StoreConnection, BookInAReadOnlyFolderIsAFailedOpen) {
    SQLITE_ONLY("a book file");
    TempFolder folder;
    ASSERT_NO_FATAL_FAILURE(createBook(folder.path()));
    const std::string book = databaseFilePath(folder.path());
    // The folder's mode is put back however the test ends, so that it can be removed.
    struct RestoreMode {
        const std::string& path;
        ~RestoreMode() { chmod(path.c_str(), 0700); }
    } restore{folder.path()};
    ASSERT_EQ(chmod(book.c_str(), 0666), 0);

    // The same book opens for the same user while the folder is writable ...
    ASSERT_EQ(chmod(folder.path().c_str(), 0777), 0);
    const ChildOpen writable = openInChild(folder.path());
    ASSERT_EQ(writable.status, 3) << "the unprivileged child cannot use the book at all: " << writable.reported;
    EXPECT_EQ(writable.reported, "");

    // ... but not once the folder is read-only: without its -wal and -shm files not even a read can run.
    ASSERT_EQ(chmod(folder.path().c_str(), 0555), 0);
    const std::string before = readFileBytes(book);
    const ChildOpen readOnly = openInChild(folder.path());
    EXPECT_EQ(readOnly.status, 1 << 2) << readOnly.reported; // failed, closed, one report
    EXPECT_NE(readOnly.reported.find("readonly"), std::string::npos) << readOnly.reported;
    EXPECT_EQ(readFileBytes(book), before);
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"Corvane.bin"});
}

TEST(StoreConnection, GoodBookOpensAndTheCheckLeavesItAsItWas) {
    SQLITE_ONLY("a book file");
    TempFolder folder;
    ASSERT_NO_FATAL_FAILURE(createBook(folder.path()));
    runOnBook(folder.path(), {"insert into AddressCata(name) values('friends')",
                              "insert into AddressList(group_id, email, name) values(1, 'a@b.c', 'A')"});
    const std::string before = readFileBytes(databaseFilePath(folder.path()));

    AddressStore store;
    std::vector<std::string> reported;
    store.setErrorReporter([&](const std::string& text) { reported.push_back(text); });
    ASSERT_TRUE(store.OpenDatabase(folder.path()));
    EXPECT_TRUE(store.IsOpen());
    std::vector<GroupRecord> groups;
    EXPECT_EQ(store.LoadGroups(groups), 0);
    EXPECT_EQ(groups, (std::vector<GroupRecord>{{1, "friends"}}));
    store.closeDatabase();

    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(readFileBytes(databaseFilePath(folder.path())), before);
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"Corvane.bin"});
}

TEST(StoreConnection, OpensWithoutWaitingForAnotherProgramsWrite) {
    TempFolder folder;
    TestBook book(folder.path());
    // Another program is in the middle of a write transaction; the check must neither wait for it nor see it.
    OdbcConnection other;
    other.open(book.connectionString());
    Transaction writing(other, TransactionIsolation::kDefault, TransactionAccess::kWrite);
    other.execute("insert into AddressCata(name) values('pending')");

    AddressStore store;
    std::vector<std::string> reported;
    store.setErrorReporter([&](const std::string& text) { reported.push_back(text); });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(store.OpenDatabase(folder.path()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(reported.empty()) << (reported.empty() ? "" : reported.front());

    writing.commit();
    std::vector<GroupRecord> groups;
    EXPECT_EQ(store.LoadGroups(groups), 0);
    EXPECT_EQ(groups.size(), 1u);
}

// A data source that names a server that does not answer, or a database without the book's tables, is a failed
// open, as a missing or unusable file is.
TEST(StoreConnection, DataSourceThatCannotBeReachedOrUsedIsAFailedOpen) {
    if (!OnPostgreSql()) GTEST_SKIP() << "PostgreSQL only: a data source on a server";
    TempFolder folder;
    {
        TestBook empty(folder.path(), false); // a database without tables
        AddressStore store;
        std::vector<std::string> reported;
        store.setErrorReporter([&](const std::string& text) { reported.push_back(text); });
        EXPECT_FALSE(store.OpenDatabase(folder.path()));
        EXPECT_FALSE(store.IsOpen());
        ASSERT_EQ(reported.size(), 1u);
        EXPECT_NE(reported[0].find("addresscata"), std::string::npos) << reported[0];
        expectEveryOperationRefused(store);
        EXPECT_EQ(reported.size(), 1u);
    }
    // The start directory plays no part: a folder with no book file opens the data source's book.
    {
        TestBook book(folder.path());
        AddressStore store;
        EXPECT_TRUE(store.OpenDatabase(folder.path() + "/no/such/folder"));
        EXPECT_FALSE(std::filesystem::exists(databaseFilePath(folder.path())));
    }
    // No server at that port: the connection is refused.
    const std::string ini = folder.path() + "/odbc.ini";
    std::ofstream(ini) << "[Corvane]\nDriver = PostgreSQL ANSI\nServername = 127.0.0.1\nPort = 1\n"
                       << "Database = corvane\nUsername = nobody\n";
    ::setenv("ODBCINI", ini.c_str(), 1);
    AddressStore store;
    EXPECT_FALSE(store.OpenDatabase(folder.path()));
    EXPECT_FALSE(store.IsOpen());
    ::unsetenv("ODBCINI");
}

class GroupTest : public StoreFixture {};

TEST_F(GroupTest, ClosedStoreRefusesEverything) {
    ASSERT_EQ(store.AddGroup("g"), 0);
    store.closeDatabase();
    EXPECT_FALSE(store.IsOpen());
    expectEveryOperationRefused(store);
    store.closeDatabase(); // closing twice is harmless
}

TEST_F(GroupTest, OpensFromADirectoryEndingInASlash) {
    AddressStore other;
    EXPECT_TRUE(other.OpenDatabase(folder.path() + "/"));
    EXPECT_EQ(other.AddGroup("g"), 0);
    std::vector<GroupRecord> groups;
    EXPECT_EQ(store.LoadGroups(groups), 0);
    EXPECT_EQ(groups.size(), 1u);
}

TEST_F(GroupTest, EmptyTableEmptiesTheListAndAnswersOne) {
    std::vector<GroupRecord> groups = {{1, "stale"}};
    EXPECT_EQ(store.LoadGroups(groups), 1);
    EXPECT_TRUE(groups.empty());
}

TEST_F(GroupTest, AddRenameDeleteInDatabaseOrder) {
    EXPECT_EQ(store.AddGroup("\xCD\xAC\xD1\xA7"), 0);
    EXPECT_EQ(store.AddGroup("\xCD\xAC\xD1\xA7"), 0); // names need not be unique
    EXPECT_EQ(store.AddGroup("work"), 0);
    std::vector<GroupRecord> groups;
    ASSERT_EQ(store.LoadGroups(groups), 0);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].name, groups[1].name);
    EXPECT_NE(groups[0].id, groups[1].id);

    EXPECT_EQ(store.RenameGroup(groups[2].id, "jobs"), 0);
    EXPECT_EQ(store.RenameGroup(9999, "nobody"), 0); // names no row: nothing changes
    ASSERT_EQ(store.InsertAddress(groups[0].id, "a@b.c", ""), 0);
    EXPECT_EQ(store.DeleteGroup(groups[0].id), 0);
    EXPECT_EQ(store.DeleteGroup(9999), 0);

    std::vector<GroupRecord> after;
    ASSERT_EQ(store.LoadGroups(after), 0);
    EXPECT_EQ(after, (std::vector<GroupRecord>{groups[1], {groups[2].id, "jobs"}}));
    // The deleted group's addresses went with it.
    std::list<AddressRecord> orphans;
    EXPECT_EQ(store.LoadGroupAddresses(groups[0].id, orphans), 1);
    EXPECT_TRUE(reported.empty());
}

TEST_F(GroupTest, DeletingAGroupTakesItsAddressesWholeOrNotAtAll) {
    ASSERT_EQ(store.AddGroup("gone"), 0);
    ASSERT_EQ(store.AddGroup("kept"), 0);
    std::vector<GroupRecord> groups;
    ASSERT_EQ(store.LoadGroups(groups), 0);
    const std::vector<std::string> three = {"a@x", "b@x", "c@x"}, two = {"a@x", "d@x"};
    ASSERT_EQ(store.insertAddresses(groups[0].id, three, ""), AddressStore::InsertOutcome::kInserted);
    ASSERT_EQ(store.insertAddresses(groups[1].id, two, ""), AddressStore::InsertOutcome::kInserted);

    const AddressStore::GroupDeletion deleted = store.deleteGroupWithAddresses(groups[0].id);
    EXPECT_TRUE(deleted.deleted) << deleted.failure;
    EXPECT_EQ(deleted.addresses, 3);
    EXPECT_EQ(scalar("select count(*) as value from AddressList where group_id = ?", {groups[0].id}), 0);
    EXPECT_EQ(scalar("select count(*) as value from AddressList where group_id = ?", {groups[1].id}), 2);

    // A delete that fails part way leaves the group and every address of it.
    refuseDeletes("no_group_deletes", "AddressCata", "groups are kept");
    const AddressStore::GroupDeletion refused = store.deleteGroupWithAddresses(groups[1].id);
    EXPECT_FALSE(refused.deleted);
    EXPECT_NE(refused.failure.find("groups are kept"), std::string::npos) << refused.failure;
    EXPECT_EQ(scalar("select count(*) as value from AddressList where group_id = ?", {groups[1].id}), 2);
    ASSERT_EQ(store.LoadGroups(groups), 0);
    EXPECT_EQ(groups.size(), 1u);
    EXPECT_TRUE(reported.empty());
}

// Books that older versions left with the addresses of deleted groups: found, then removed, leaving every other row.
TEST_F(GroupTest, AddressesOfDeletedGroupsAreFoundAndTidiedAway) {
    ASSERT_EQ(store.AddGroup("kept"), 0);
    std::vector<GroupRecord> groups;
    ASSERT_EQ(store.LoadGroups(groups), 0);
    const std::vector<std::string> mine = {"a@x", "b@x"};
    ASSERT_EQ(store.insertAddresses(groups[0].id, mine, ""), AddressStore::InsertOutcome::kInserted);
    for (const RowId gone : {900, 901})
        for (int i = 0; i < gone - 898; ++i)
            sql("insert into AddressList(group_id, email, name) values(?, ?, '')", {gone, "o" + std::to_string(i)});
    OdbcConnection connection;
    connection.open(book.connectionString());
    const std::vector<OrphanedGroup> found = findOrphanedAddresses(connection);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].groupId, 900);
    EXPECT_EQ(found[0].addresses, 2);
    EXPECT_EQ(found[1].groupId, 901);
    EXPECT_EQ(found[1].addresses, 3);
    EXPECT_EQ(removeOrphanedAddresses(connection), 5);
    EXPECT_TRUE(findOrphanedAddresses(connection).empty());
    EXPECT_EQ(scalar("select count(*) as value from AddressList"), 2);
}

TEST_F(GroupTest, IdsPastThirtyOneBitsAreListedAndReached) {
    SQLITE_ONLY("the server's ids are 32-bit columns");
    const RowId group = (RowId{1} << 31) + 7, address = (RowId{1} << 32) + 3;
    sql("insert into AddressCata(id, name) values(?, 'wide')", {group});
    sql("insert into AddressList(id, group_id, email, name) values(?, ?, 'a@x', 'A')", {address, group});
    std::vector<GroupRecord> groups;
    ASSERT_EQ(store.LoadGroups(groups), 0);
    EXPECT_EQ(groups, (std::vector<GroupRecord>{{group, "wide"}}));
    std::list<AddressRecord> addresses;
    ASSERT_EQ(store.LoadGroupAddresses(group, addresses), 0);
    EXPECT_EQ(addresses, (std::list<AddressRecord>{{address, group, "a@x", "A"}}));
    EXPECT_EQ(store.countGroupAddresses(group), 1);
    EXPECT_EQ(store.UpdateAddress(address, group, "b@x", "B"), 0);
    EXPECT_EQ(store.addAddressIfAbsent(group, "b@x", "").outcome, AddressStore::AddOutcome::kAlreadyInGroup);
    EXPECT_EQ(store.DeleteAddress(address), 0);
    EXPECT_EQ(store.LoadGroupAddresses(group, addresses), 1);
    EXPECT_TRUE(reported.empty());
}

TEST_F(GroupTest, NamesAreStoredExactlyAsGiven) {
    const std::vector<std::string> names = {
        "O'Brien's",
        "'); drop table AddressCata; --",
        "",
        "\xB9\xAB\xCB\xBE\x5C\x7C", // GBK "公司" followed by "\\|"
        "\x95\x5C'",                // a trail byte that looks like a backslash, before a quote
        std::string(5000, 'n'),
    };
    for (const std::string& name : names)
        EXPECT_EQ(store.AddGroup(name), 0);
    std::vector<GroupRecord> groups;
    ASSERT_EQ(store.LoadGroups(groups), 0);
    ASSERT_EQ(groups.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(groups[i].name, names[i]);
    EXPECT_EQ(store.RenameGroup(groups[0].id, "it's renamed"), 0);
    ASSERT_EQ(store.LoadGroups(groups), 0);
    EXPECT_EQ(groups[0].name, "it's renamed");
    EXPECT_TRUE(reported.empty());
}

// Ids past 16 bits must reach the rows they name, not rows whose low 16 bits agree.
class GroupWideIdTest : public GroupTest, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(GroupWideIdTest, ReadRenamedAndDeletedByTheirFullId) {
    const std::int32_t id = GetParam();
    // What a 16-bit signed reading of the id would name instead.
    const std::int32_t lookalike = static_cast<std::int16_t>(id);
    sql("insert into AddressCata(id, name) values(?, 'decoy')", {lookalike});
    setNextId("AddressCata", id);
    ASSERT_EQ(store.AddGroup("wide"), 0);
    std::vector<GroupRecord> groups;
    ASSERT_EQ(store.LoadGroups(groups), 0);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[1], (GroupRecord{id, "wide"}));

    EXPECT_EQ(store.RenameGroup(id, "renamed"), 0);
    ASSERT_EQ(store.LoadGroups(groups), 0);
    EXPECT_EQ(groups, (std::vector<GroupRecord>{{lookalike, "decoy"}, {id, "renamed"}}));
    EXPECT_EQ(store.DeleteGroup(id), 0);
    ASSERT_EQ(store.LoadGroups(groups), 0);
    EXPECT_EQ(groups, (std::vector<GroupRecord>{{lookalike, "decoy"}}));
}

INSTANTIATE_TEST_SUITE_P(PastSixteenBits, GroupWideIdTest, ::testing::Values(32768, 65537, 70001, 2147483000));

TEST_F(GroupTest, WriteErrorsAreReportedAndReadErrorsThrown) {
    ASSERT_EQ(store.AddGroup("g"), 0);
    sql("drop table AddressCata");
    EXPECT_EQ(store.AddGroup("g"), 0);
    EXPECT_EQ(store.RenameGroup(1, "h"), 0);
    EXPECT_EQ(store.DeleteGroup(1), 0);
    ASSERT_EQ(reported.size(), 3u);
    for (const std::string& text : reported)
        EXPECT_TRUE(containsIgnoringCase(text, "AddressCata")) << text;
    std::vector<GroupRecord> groups;
    EXPECT_THROW(store.LoadGroups(groups), DatabaseError);
}

} // namespace
