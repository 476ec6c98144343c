// Cutting server files into records, the download, and the keyword and link refresh against a real local server.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <barrier>
#include <chrono>
#include <future>
#include <list>
#include <map>
#include <set>
#include <thread>

#include "platform/CodePage936.h"
#include "platform/DatabaseError.h"
#include "platform/OdbcConnection.h"
#include "platform/OdbcRecordSet.h"
#include "store/DatabaseFile.h"
#include "store/DownloadText.h"
#include "store/SplitText.h"
#include "support/StoreFixture.h"
#include "support/TestHttpServer.h"

extern char** environ;

namespace {

using Pieces = std::vector<std::string>;

struct SplitCase {
    std::string text;
    std::string separator;
    int limit;
    Pieces expected;
};

TEST(SplitText, CutsAtSeparatorsWithinTheLimit) {
    const std::vector<SplitCase> cases = {
        {"a||b||c", "||", 0, {"a", "b", "c"}},
        {"||a||||b||", "||", 0, {"a", "b"}}, // empty records dropped at the start, middle and end
        {"||||", "||", 0, {}},
        {"", "||", 0, {}},
        {"abc", "||", 0, {"abc"}},
        {"a|b|||c", "||", 0, {"a|b", "|c"}},
        {"", "||", 1, {""}}, // limit 1: the whole text, even empty
        {"a||b||c", "||", 1, {"a||b||c"}},
        {"a||b||c", "||", 2, {"a", "b||c"}},
        {"a||b||c||d", "||", 3, {"a", "b", "c||d"}},
        {"||a||b", "||", 2, {"a||b"}}, // the separator at the start counts against the limit
        {"a||b", "||", -1, {"a", "b"}},
        {"a##b##c", "##", 2, {"a", "b##c"}},
        {"abc", "", 0, {"abc"}}, // an empty separator is never found
        {"x", "", 1, {"x"}},
    };
    for (const SplitCase& c : cases) {
        Pieces pieces = {"kept"};
        SplitText(c.text, c.separator, pieces, c.limit);
        Pieces expected = {"kept"}; // the list is appended to, not cleared
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        EXPECT_EQ(pieces, expected) << "text '" << c.text << "' limit " << c.limit;
    }
}

TEST(SplitText, NeverCutsInsideADoubleByteCharacter) {
    // 0xB1 0x7C is one character whose second byte is "|": "\xB1|" followed by "|b" holds no separator.
    Pieces pieces;
    SplitText("a\xB1||b", "||", pieces, 0);
    EXPECT_EQ(pieces, (Pieces{"a\xB1||b"}));
    pieces.clear();
    SplitText("a\xB1|||b", "||", pieces, 0); // the second and third "|" do make one
    EXPECT_EQ(pieces, (Pieces{"a\xB1|", "b"}));
    pieces.clear();
    SplitText("\xD6\xD0||\xCE\xC4\x81", "||", pieces, 0); // a lead byte alone at the end is a character
    EXPECT_EQ(pieces, (Pieces{"\xD6\xD0", "\xCE\xC4\x81"}));
    EXPECT_EQ(findCp936("\x81##x##", "##"), 4u);
    EXPECT_EQ(findCp936("\x81#", "##"), std::string::npos);
}

class DownloadTest : public ::testing::Test {
protected:
    HttpGetOptions quick() {
        HttpGetOptions options = defaultDownloadOptions();
        options.connectTimeout = std::chrono::milliseconds(500);
        options.totalTimeout = std::chrono::milliseconds(700);
        return options;
    }
    TestHttpServer server;
};

TEST_F(DownloadTest, JoinsLinesAndKeepsBytes) {
    server.answer("/f.txt", {200, "one\r\ntw\no||\xB1|\r\n\r\nlast"});
    std::string body = "old";
    EXPECT_EQ(DownloadText(server.baseAddress() + "/f.txt", body, quick()), 1);
    EXPECT_EQ(body, "onetwo||\xB1|last");
    server.answer("/empty.txt", {200, ""});
    EXPECT_EQ(DownloadText(server.baseAddress() + "/empty.txt", body, quick()), 1);
    EXPECT_EQ(body, "");
}

TEST_F(DownloadTest, EveryFailureIsMinusOne) {
    std::string body;
    server.answer("/404", {404, "a||b"});
    server.answer("/500", {500, "a||b"});
    server.answer("/big", {200, std::string(2000, 'x')});
    EXPECT_EQ(DownloadText(server.baseAddress() + "/404", body, quick()), -1);
    EXPECT_EQ(DownloadText(server.baseAddress() + "/500", body, quick()), -1);
    EXPECT_EQ(DownloadText(TestHttpServer::deadAddress() + "/f.txt", body, quick()), -1);
    EXPECT_EQ(DownloadText("file:///etc/passwd", body, quick()), -1);
    HttpGetOptions small = quick();
    small.maxBytes = 1000;
    EXPECT_EQ(DownloadText(server.baseAddress() + "/big", body, small), -1);
}

TEST_F(DownloadTest, SilentServerTimesOut) {
    server.answer("/silent", {200, "", true});
    std::string body;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(DownloadText(server.baseAddress() + "/silent", body, quick()), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

class RefreshTest : public StoreFixture {
protected:
    RefreshTest() {
        store.setUpdateServer(server.baseAddress());
        HttpGetOptions options = defaultDownloadOptions();
        options.connectTimeout = std::chrono::milliseconds(500);
        options.totalTimeout = std::chrono::milliseconds(700);
        store.setDownloadOptions(options);
    }
    void keywordFile(TestHttpServer::Answer answer) { server.answer("/update/search_key.txt", std::move(answer)); }
    void linkFile(TestHttpServer::Answer answer) { server.answer("/update/corvane_links.txt", std::move(answer)); }

    std::vector<std::string> keywords() {
        std::vector<std::string> result;
        store.LoadSearchKeys(result);
        return result;
    }
    std::vector<LinkRecord> links() {
        std::vector<LinkRecord> result;
        store.LoadLinks(result);
        return result;
    }
    std::vector<std::string> keywordIds() { return texts("select id from SearchKey order by id", "id"); }

    // A keyword file of `count` records "<prefix>0||<prefix>1||...", and the keywords it gives.
    static std::string keywordFileOf(const std::string& prefix, int count, std::vector<std::string>& keywords) {
        std::string body;
        keywords.clear();
        for (int i = 0; i < count; ++i) {
            keywords.push_back(prefix + std::to_string(i));
            body += keywords.back() + "||";
        }
        return body;
    }

    TestHttpServer server;
};

TEST_F(RefreshTest, KeywordsAreNumberedTrimmedRecordsJoinedAcrossLines) {
    keywordFile({200, "first|| \t second\r\n || th\r\nird||   ||"});
    EXPECT_EQ(store.RefreshSearchKeys(), 0);
    EXPECT_EQ(keywords(), (std::vector<std::string>{"first", "second", "third", ""}));
    EXPECT_EQ(keywordIds(), (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(server.requests("/update/search_key.txt"), 1);
}

TEST_F(RefreshTest, KeywordsAreStoredByteForByte) {
    keywordFile({200, "it's||\xC3\xE2\xB7\xD1\xD3\xCA\xCF\xE4||\x81|||'); drop table SearchKey; --"});
    EXPECT_EQ(store.RefreshSearchKeys(), 0);
    EXPECT_EQ(keywords(), (std::vector<std::string>{"it's", "\xC3\xE2\xB7\xD1\xD3\xCA\xCF\xE4", "\x81|",
                                                    "'); drop table SearchKey; --"}));
    EXPECT_TRUE(reported.empty());
}

TEST_F(RefreshTest, NothingUsableKeepsTheOldRows) {
    keywordFile({200, "old one||old two"});
    store.RefreshSearchKeys();
    const std::vector<std::string> before = keywords();
    ASSERT_EQ(before.size(), 2u);

    const std::vector<TestHttpServer::Answer> answers = {
        {200, "||||"},          // only separators
        {200, ""},              // empty body
        {404, "new||keywords"}, // error status with a body
        {500, "<html>error</html>"},
        {200, "late||keywords", true}, // silent server
    };
    for (const TestHttpServer::Answer& answer : answers) {
        keywordFile(answer);
        EXPECT_EQ(store.RefreshSearchKeys(), 0);
        EXPECT_EQ(keywords(), before) << "status " << answer.status << " body " << answer.body;
    }
    store.setUpdateServer(TestHttpServer::deadAddress());
    EXPECT_EQ(store.RefreshSearchKeys(), 0);
    EXPECT_EQ(keywords(), before);
    EXPECT_TRUE(reported.empty());
}

TEST_F(RefreshTest, LinksSplitAtTheFirstDoubleHashAndKeepTheirNumbers) {
    linkFile({200, "Site A##http://a.example/?q=1##2||no separator||##http://nosite.example||"
                   "Site\xB1###http://gbk.example|| C ## http://c.example "});
    EXPECT_EQ(store.RefreshLinks(), 0);
    std::vector<LinkRecord> expected = {
        {0, "Site A", "http://a.example/?q=1##2"},
        {2, "", "http://nosite.example"},
        {3, "Site\xB1#", "http://gbk.example"}, // "\xB1#" is one character
        {4, "C ", " http://c.example"},
    };
    if (OnPostgreSql()) {
        // No GBK character has "#" for its second byte: a book of Unicode text cannot hold that site.
        expected.erase(expected.begin() + 2);
        ASSERT_EQ(reported.size(), 1u);
        EXPECT_NE(reported[0].find("not valid GBK"), std::string::npos) << reported[0];
        reported.clear();
    }
    EXPECT_EQ(links(), expected);
    EXPECT_TRUE(reported.empty());
}

// A captive portal or a proxy answers with a page of its own and a success status: that is no record file, and
// the tables keep what they hold.
TEST_F(RefreshTest, APageOrABodyWithoutOneValidRecordKeepsTheTables) {
    using Outcome = AddressStore::RefreshOutcome;
    using Table = AddressStore::RefreshedTable;
    linkFile({200, "A##http://a"});
    keywordFile({200, "kept"});
    ASSERT_EQ(store.refreshTable(Table::kLinks), Outcome::kReplaced);
    ASSERT_EQ(store.refreshTable(Table::kSearchKeys), Outcome::kReplaced);
    const std::string page = "<!DOCTYPE html><html><head><title>Login</title></head><body>Wi-Fi</body></html>";
    const TestHttpServer::Answer notFiles[] = {
        {200, page, false, "text/html; charset=utf-8"},
        {200, "\xEF\xBB\xBF\r\n  " + page},            // a page that calls itself text
        {200, "Site##||an answer with no link in it"}, // links: no address; keywords: two records
        {200, " || \r\n ||"},
    };
    for (const TestHttpServer::Answer& answer : notFiles) {
        SCOPED_TRACE(answer.body);
        linkFile(answer);
        EXPECT_EQ(store.refreshTable(Table::kLinks), Outcome::kNotARecordFile);
        EXPECT_EQ(links(), (std::vector<LinkRecord>{{0, "A", "http://a"}}));
        keywordFile(answer);
        const bool keywordsInIt = answer.body.rfind("Site##", 0) == 0;
        EXPECT_EQ(store.refreshTable(Table::kSearchKeys), keywordsInIt ? Outcome::kReplaced : Outcome::kNotARecordFile);
        if (!keywordsInIt) {
            EXPECT_EQ(keywords(), std::vector<std::string>{"kept"});
        }
        keywordFile({200, "kept"});
        store.refreshTable(Table::kSearchKeys);
    }
    store.setUpdateServer(TestHttpServer::deadAddress());
    EXPECT_EQ(store.refreshTable(Table::kLinks), Outcome::kDownloadFailed);
    EXPECT_TRUE(reported.empty());
}

TEST_F(RefreshTest, EmptyTablesEmptyTheLists) {
    std::vector<LinkRecord> list = {{9, "stale", "stale"}};
    EXPECT_EQ(store.LoadLinks(list), 1); // an empty table empties the list
    EXPECT_TRUE(list.empty());
    std::vector<std::string> keywordList = {"stale"};
    EXPECT_EQ(store.LoadSearchKeys(keywordList), 1);
    EXPECT_TRUE(keywordList.empty());
}

TEST_F(RefreshTest, AFailingInsertCostsOnlyItsRecord) {
    // A keyword table that refuses one particular text, to make one insert fail among good ones.
    refuseInserts("RefuseBad", "SearchKey", "new.keyword = 'bad'", "keyword refused");
    keywordFile({200, "good||bad||fine"});
    EXPECT_EQ(store.RefreshSearchKeys(), 0);
    EXPECT_EQ(keywords(), (std::vector<std::string>{"good", "fine"}));
    EXPECT_EQ(keywordIds(), (std::vector<std::string>{"0", "2"}));
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find("keyword refused"), std::string::npos) << reported[0];
}

TEST_F(RefreshTest, ARefusedRecordIsLeftOutOfAnOtherwiseWholeReplacement) {
    // Refusals at both ends of the file, at the edges of the statements of many rows and of the batches under one
    // savepoint, and several in a row: every other record is stored under its own number, in file order.
    refuseInserts("RefuseBad", "SearchKey", "new.keyword like 'bad%'", "keyword refused");
    const std::set<int> refusedIds = {0, 99, 100, 101, 999, 1000, 1500, 2499};
    std::string body;
    std::vector<std::string> expected, expectedIds;
    for (int id = 0; id < 2500; ++id) {
        const bool refused = refusedIds.count(id) != 0;
        body += (refused ? "bad" : "k") + std::to_string(id) + "||";
        if (!refused) {
            expected.push_back("k" + std::to_string(id));
            expectedIds.push_back(std::to_string(id));
        }
    }
    keywordFile({200, body});
    EXPECT_EQ(store.RefreshSearchKeys(), 0);
    EXPECT_EQ(keywords(), expected);
    std::vector<std::string> ids = keywordIds();
    std::sort(expectedIds.begin(), expectedIds.end());
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, expectedIds);
    ASSERT_EQ(reported.size(), refusedIds.size());
    for (const std::string& text : reported)
        EXPECT_NE(text.find("keyword refused"), std::string::npos) << text;

    // Links go the same way, three values to a row.
    refuseInserts("RefuseBadLink", "Links", "new.url = 'bad'", "link refused");
    body.clear();
    std::vector<LinkRecord> expectedLinks;
    for (int id = 0; id < 250; ++id) {
        const bool refused = id == 150;
        body += "site" + std::to_string(id) + "##" + (refused ? "bad" : "http://" + std::to_string(id)) + "||";
        if (!refused) expectedLinks.push_back({id, "site" + std::to_string(id), "http://" + std::to_string(id)});
    }
    linkFile({200, body});
    reported.clear();
    EXPECT_EQ(store.RefreshLinks(), 0);
    EXPECT_EQ(links(), expectedLinks);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find("link refused"), std::string::npos) << reported[0];
}

TEST_F(RefreshTest, AFailureThatWouldLeaveTheNewSetIncompleteKeepsTheOldOne) {
    std::vector<std::string> old, fresh;
    keywordFile({200, keywordFileOf("old", 30, old)});
    store.RefreshSearchKeys();
    ASSERT_EQ(keywords(), old);
    keywordFile({200, keywordFileOf("new", 2500, fresh)});

    // The database takes the whole transaction back part way, as SQLite does on a full disk: the rows stored
    // before must not stay, and the refresh must not go on and store the rest without the clearing.
    refuseInserts("FailPartWay", "SearchKey", "new.id = 1500", "the disk is full", true);
    EXPECT_EQ(store.RefreshSearchKeys(), 0);
    EXPECT_EQ(keywords(), old);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find("the disk is full"), std::string::npos) << reported[0];

    // The clearing is refused: the new records are not stored beside the old ones.
    dropRefusal("FailPartWay", "SearchKey");
    refuseDeletes("KeepRows", "SearchKey", "rows are kept");
    reported.clear();
    EXPECT_EQ(store.RefreshSearchKeys(), 0);
    EXPECT_EQ(keywords(), old);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find("rows are kept"), std::string::npos) << reported[0];

    // Inside a batch that the caller holds open, the failed refresh takes back its own part only.
    reported.clear();
    {
        StoreTransaction batch = store.beginTransaction();
        EXPECT_EQ(store.InsertAddress(1, "kept@x", ""), 0);
        EXPECT_EQ(store.RefreshSearchKeys(), 0);
        batch.commit();
    }
    EXPECT_EQ(store.AddressExists(1, "kept@x"), 1);
    EXPECT_EQ(keywords(), old);
    EXPECT_EQ(reported.size(), 1u);

    // Once nothing stands in the way, the new set is stored whole.
    dropRefusal("KeepRows", "SearchKey");
    reported.clear();
    store.RefreshSearchKeys();
    EXPECT_EQ(keywords(), fresh);
    EXPECT_TRUE(reported.empty());
}

// A connection string for the same book whose statements give up at once, instead of waiting, while another
// connection holds the book for writing.
std::string impatient(std::string connectionString) {
    const std::size_t at = connectionString.find("Timeout=");
    if (at == std::string::npos) return connectionString + ";Timeout=1";
    const std::size_t end = connectionString.find(';', at);
    return connectionString.replace(at, end == std::string::npos ? std::string::npos : end - at, "Timeout=1");
}

// Whether another connection holds the book for writing: a write that changes nothing cannot start (SQLite); or
// another session holds the keyword table for writing (PostgreSQL, whose writers do not keep others out).
bool writerHoldsTheBook(OdbcConnection& probe) {
    if (OnPostgreSql()) {
        OdbcRecordSet records(probe);
        records.open("select count(*) as n from pg_locks l join pg_class c on c.oid = l.relation "
                     "where c.relname = 'searchkey' and l.mode = 'RowExclusiveLock' and l.pid <> pg_backend_pid()");
        return records.integer("n") > 0;
    }
    try {
        probe.execute("delete from SearchKey where 0 = 1");
        return false;
    } catch (const DatabaseError&) {
        return true;
    }
}

pid_t startRefreshInAnotherProcess(const std::string& folder, const std::string& server) {
    std::string program = CORVANE_REFRESH_CHILD;
    std::vector<char*> argv = {program.data(), const_cast<char*>(folder.c_str()), const_cast<char*>(server.c_str()),
                               nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    return child;
}

TEST_F(RefreshTest, AProgramKilledPartWayLeavesTheOldSetOrTheNewOneWhole) {
    std::vector<std::string> old, fresh;
    keywordFile({200, keywordFileOf("old", 50, old)});
    store.RefreshSearchKeys();
    ASSERT_EQ(keywords(), old);
    // About 8 MiB of small records: long enough to store that the program can be killed while it does.
    keywordFile({200, keywordFileOf("new", 700'000, fresh)});
    const std::string path = "/update/search_key.txt";

    OdbcConnection probe;
    probe.open(OnPostgreSql() ? book.connectionString() : impatient(book.connectionString()));
    for (const int delayMs : {0, 50, 300}) {
        SCOPED_TRACE("killed " + std::to_string(delayMs) + " ms into the storing");
        const int requestsBefore = server.requests(path);
        const pid_t child = startRefreshInAnotherProcess(folder.path(), server.baseAddress());
        ASSERT_GT(child, 0);
        // The child has fetched the file and holds the book for writing: it is storing the new set.
        bool storing = false;
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!storing && std::chrono::steady_clock::now() < deadline && waitpid(child, &status, WNOHANG) == 0) {
            storing = server.requests(path) > requestsBefore && writerHoldsTheBook(probe);
            if (!storing) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!storing) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            FAIL() << "the child never stored the file";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        EXPECT_TRUE(writerHoldsTheBook(probe)) << "the child finished storing before it was killed";
        kill(child, SIGKILL);
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        const std::vector<std::string> now = keywords();
        EXPECT_TRUE(now == old || now == fresh) << now.size() << " rows, neither the old set nor the new one";
    }

    // Left alone, the other program stores the new set whole.
    const pid_t child = startRefreshInAnotherProcess(folder.path(), server.baseAddress());
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(keywords(), fresh);
}

TEST_F(RefreshTest, TwoProgramsRefreshingAtOnceLeaveOneWholeSet) {
    std::vector<std::string> first, second;
    keywordFile({200, keywordFileOf("first", 50'000, first)});
    TestHttpServer otherServer;
    otherServer.answer("/update/search_key.txt", {200, keywordFileOf("second", 60'000, second)});
    AddressStore other;
    std::vector<std::string> otherReported;
    other.setErrorReporter([&](const std::string& text) { otherReported.push_back(text); });
    other.setUpdateServer(otherServer.baseAddress());
    ASSERT_TRUE(other.OpenDatabase(folder.path()));

    for (int round = 0; round < 3; ++round) {
        std::barrier start(2);
        auto one = std::async(std::launch::async, [&] {
            start.arrive_and_wait();
            store.RefreshSearchKeys();
        });
        auto two = std::async(std::launch::async, [&] {
            start.arrive_and_wait();
            other.RefreshSearchKeys();
        });
        one.get();
        two.get();
        const std::vector<std::string> now = keywords();
        EXPECT_TRUE(now == first || now == second) << "round " << round << ": " << now.size() << " rows";
    }
    // Each waited for the other's transaction, well within the book's lock time-out, so neither failed.
    for (const std::string& text : reported)
        ADD_FAILURE() << "unexpected: " << text;
    for (const std::string& text : otherReported)
        ADD_FAILURE() << "unexpected: " << text;
    other.closeDatabase();
}

TEST_F(RefreshTest, LoadersFindTheirColumnsInATableRebuiltInAnotherOrder) {
    linkFile({200, "A##http://a||B##http://b"});
    keywordFile({200, "k0||k1"});
    store.RefreshLinks();
    store.RefreshSearchKeys();
    const std::vector<LinkRecord> expectedLinks = {{0, "A", "http://a"}, {1, "B", "http://b"}};
    ASSERT_EQ(links(), expectedLinks);
    ASSERT_EQ(keywords(), (std::vector<std::string>{"k0", "k1"}));

    // Another program rebuilds both tables with their columns in another order and one more.
    sql("create table LinksNew (url text not null, added integer, site text not null, id integer not null)");
    sql("insert into LinksNew(url, added, site, id) select url, 5, site, id from Links");
    sql("drop table Links");
    sql("alter table LinksNew rename to Links");
    sql("create table SearchKeyNew (keyword text not null, added text, id integer not null)");
    sql("insert into SearchKeyNew(keyword, added, id) select keyword, 'added', id from SearchKey");
    sql("drop table SearchKey");
    sql("alter table SearchKeyNew rename to SearchKey");

    EXPECT_EQ(links(), expectedLinks);
    EXPECT_EQ(keywords(), (std::vector<std::string>{"k0", "k1"}));
    linkFile({200, "C##http://c"});
    store.RefreshLinks();
    EXPECT_EQ(links(), (std::vector<LinkRecord>{{0, "C", "http://c"}}));
    EXPECT_TRUE(reported.empty());
}

TEST_F(RefreshTest, EveryTextOfTheStoreKeepsEveryByteAnEmbeddedNulIncluded) {
    if (OnPostgreSql()) GTEST_SKIP() << "SQLite only: see TextsThatAreNotGbkAreRefusedOnPostgreSqlAndTheRestKept";
    using namespace std::string_literals;
    const std::string gbk = "\xD6\xD0\xCE\xC4\xB1|"; // the last character's second byte is "|"
    const std::vector<std::string> keywordTexts = {"a\0b"s, "\0lead"s, gbk + "\0"s + gbk, "trail\0"s};
    std::string body;
    for (const std::string& text : keywordTexts)
        body += text + "||";
    keywordFile({200, body});
    store.RefreshSearchKeys();
    EXPECT_EQ(keywords(), keywordTexts);

    linkFile({200, "s\0ite##http://u\0rl||"s + gbk + "\0##\0"s + gbk});
    store.RefreshLinks();
    EXPECT_EQ(links(), (std::vector<LinkRecord>{{0, "s\0ite"s, "http://u\0rl"s}, {1, gbk + "\0"s, "\0"s + gbk}}));

    const std::string groupName = "g\0"s + gbk;
    EXPECT_EQ(store.AddGroup(groupName), 0);
    std::vector<GroupRecord> groups;
    ASSERT_EQ(store.LoadGroups(groups), 0);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, groupName);
    EXPECT_EQ(store.RenameGroup(groups[0].id, groupName + "\0"s), 0);
    ASSERT_EQ(store.LoadGroups(groups), 0);
    EXPECT_EQ(groups[0].name, groupName + "\0"s);

    const std::string email = "a\0b@"s + gbk;
    const std::string name = "n\0"s + gbk;
    EXPECT_EQ(store.InsertAddress(1, email, name), 0);
    EXPECT_EQ(store.InsertAddress(1, "a", "plain"), 0);
    EXPECT_EQ(store.AddressExists(1, email), 1);
    EXPECT_EQ(store.AddressExists(1, "a\0c@"s + gbk), 0); // the same up to the NUL is another address
    auto loadByEmail = [&] {
        std::list<AddressRecord> addresses;
        EXPECT_EQ(store.LoadGroupAddresses(1, addresses), 0);
        std::map<std::string, AddressRecord> byEmail;
        for (const AddressRecord& address : addresses)
            byEmail[address.email] = address;
        return byEmail;
    };
    std::map<std::string, AddressRecord> addresses = loadByEmail();
    ASSERT_EQ(addresses.size(), 2u);
    ASSERT_EQ(addresses.count(email), 1u);
    EXPECT_EQ(addresses[email].name, name);
    ASSERT_EQ(addresses.count("a"), 1u);
    const std::int32_t plainId = addresses["a"].id;
    EXPECT_EQ(store.UpdateAddress(plainId, 1, email, ""), 2); // the text with a NUL is found as a duplicate
    EXPECT_EQ(store.UpdateAddress(plainId, 1, "z\0"s, "m\0\0"s), 0);
    addresses = loadByEmail();
    ASSERT_EQ(addresses.count("z\0"s), 1u);
    EXPECT_EQ(addresses["z\0"s].name, "m\0\0"s);
    EXPECT_EQ(addresses["z\0"s].id, plainId);
    EXPECT_TRUE(reported.empty());
}

// On PostgreSQL the book holds Unicode text, which the program's GBK bytes become on the way in: a text that is no
// GBK text, or holds a NUL, cannot be stored. Each such write is refused and said, and nothing else is lost.
TEST_F(RefreshTest, TextsThatAreNotGbkAreRefusedOnPostgreSqlAndTheRestKept) {
    if (!OnPostgreSql()) GTEST_SKIP() << "PostgreSQL only: SQLite holds any bytes";
    using namespace std::string_literals;
    const std::string gbk = "\xD6\xD0\xCE\xC4\xB1|"; // the last character's second byte is "|"
    keywordFile({200, "good||lone\x81 ||" + gbk + "||a\0b||"s + "last"});
    EXPECT_EQ(store.RefreshSearchKeys(), 0);
    EXPECT_EQ(keywords(), (std::vector<std::string>{"good", gbk, "last"}));
    EXPECT_EQ(keywordIds(), (std::vector<std::string>{"0", "2", "4"}));
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_NE(reported[0].find("not valid GBK"), std::string::npos) << reported[0];
    EXPECT_NE(reported[1].find("NUL"), std::string::npos) << reported[1];

    reported.clear();
    EXPECT_EQ(store.AddGroup("\xD6\xD0\x81"), 0); // refused and said
    EXPECT_EQ(store.AddGroup(gbk), 0);
    std::vector<GroupRecord> groups;
    ASSERT_EQ(store.LoadGroups(groups), 0);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, gbk);
    EXPECT_EQ(store.RenameGroup(groups[0].id, "x\0"s), 0); // refused: the old name stays
    ASSERT_EQ(store.LoadGroups(groups), 0);
    EXPECT_EQ(groups[0].name, gbk);

    EXPECT_EQ(store.InsertAddress(1, "a@x", gbk), 0);
    EXPECT_EQ(store.InsertAddress(1, "b@x", "\xFF"), 0); // refused
    EXPECT_EQ(store.AddressExists(1, "a\0b@x"s), 0);     // in no row: asked of nobody
    EXPECT_EQ(store.AddressExists(1, "\x81"), 0);
    std::list<AddressRecord> addresses;
    ASSERT_EQ(store.LoadGroupAddresses(1, addresses), 0);
    ASSERT_EQ(addresses.size(), 1u);
    EXPECT_EQ(addresses.front().name, gbk);
    EXPECT_EQ(store.UpdateAddress(addresses.front().id, 1, "a@x", "\x81"), 0); // refused: the row stays
    ASSERT_EQ(store.LoadGroupAddresses(1, addresses), 0);
    EXPECT_EQ(addresses.front().name, gbk);
    ASSERT_EQ(reported.size(), 4u);
    for (const std::string& text : reported)
        EXPECT_NE(text.find("Nothing was written"), std::string::npos) << text;
}

// Two programs on one book refresh at once, each from its own server's file, again and again: the table always
// holds one whole file, never a mix, nor nothing.
TEST_F(RefreshTest, TwoProcessesRefreshingAtOnceLeaveOneWholeSet) {
    std::vector<std::string> first, second;
    keywordFile({200, keywordFileOf("first", 20'000, first)});
    TestHttpServer otherServer;
    otherServer.answer("/update/search_key.txt", {200, keywordFileOf("second", 25'000, second)});
    for (int round = 0; round < 3; ++round) {
        const pid_t one = startRefreshInAnotherProcess(folder.path(), server.baseAddress());
        const pid_t two = startRefreshInAnotherProcess(folder.path(), otherServer.baseAddress());
        ASSERT_GT(one, 0);
        ASSERT_GT(two, 0);
        for (const pid_t child : {one, two}) {
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            // The child reports every failure and exits 4 then; neither may fail.
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round << ": status " << status;
        }
        const std::vector<std::string> now = keywords();
        EXPECT_TRUE(now == first || now == second) << "round " << round << ": " << now.size() << " rows";
    }
}

} // namespace
