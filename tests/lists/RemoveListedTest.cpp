// 按文件删除's core on both engines: the file's lines as the import trims them, the counts against the book, the
// removal from one group or every group, with or without letter case, the rows saved as they go, and a run that
// ends part way keeping whole batches.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "lists/ListedAddresses.h"
#include "lists/RemoveListed.h"
#include "support/StoreFixture.h"

namespace {

class RemoveListedTest : public StoreFixture {
protected:
    std::string write(const std::string& name, const std::string& text) {
        const std::string path = folder.path() + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::int64_t rows(RowId group) {
        return scalar("select count(*) as value from AddressList where group_id = ?", {group});
    }
};

TEST_F(RemoveListedTest, CountsAndRemovesFromOneGroupOrEveryGroupWithOrWithoutLetterCase) {
    const RowId a = addGroup("\xBC\xD7"); // 甲
    const RowId b = addGroup("b");
    for (const char* email : {"x@a.com", "Y@a.com", "z@a.com", "keep@a.com"})
        store.InsertAddress(a, email, "n,\"q\"");
    store.InsertAddress(b, "x@a.com", "");
    store.InsertAddress(b, "y@a.com", "");
    sql("insert into AddressList(group_id, email, name) values (999, 'x@a.com', '')");
    const std::string file = write("bounces.txt", "\xEF\xBB\xBF"
                                                  "x@a.com\r\n"
                                                  "  Y@A.COM \t\n"
                                                  "Mail Daemon <z@a.com>\n"
                                                  "not an address\n"
                                                  "\n"
                                                  "x@a.com");

    const ListedAddresses exact = readListedAddresses(file, false);
    EXPECT_TRUE(exact.opened);
    EXPECT_EQ(exact.lines, 6u);
    EXPECT_EQ(exact.invalid, 1u);
    EXPECT_EQ(exact.addresses, (std::vector<std::string>{"x@a.com", "Y@A.COM", "z@a.com"}));
    const ListedAddresses folded = readListedAddresses(file, true);
    EXPECT_EQ(folded.addresses, (std::vector<std::string>{"x@a.com", "y@a.com", "z@a.com"}));

    const auto counted = [&](const ListedAddresses& listed, RemoveListedOptions options) {
        const ListedCount count = countListed(store, listed.addresses, options);
        EXPECT_EQ(count.failure, "");
        return std::vector<std::size_t>{count.present, count.groups, count.rows};
    };
    EXPECT_EQ(counted(exact, {}), (std::vector<std::size_t>{2, 2, 3}));
    EXPECT_EQ(counted(folded, {.ignoreCase = true}), (std::vector<std::size_t>{3, 2, 5}));
    EXPECT_EQ(counted(folded, {.group = a, .ignoreCase = true}), (std::vector<std::size_t>{3, 1, 3}));
    EXPECT_EQ(counted(exact, {.group = b}), (std::vector<std::size_t>{1, 1, 1}));

    // From group a, letter case aside, the removed rows saved.
    const std::string saved = folder.path() + "/removed.csv";
    ListedRemoval removal = removeListed(store, folded.addresses, {.group = a, .ignoreCase = true}, saved);
    EXPECT_EQ(removal.failure, "");
    EXPECT_EQ(removal.removed, 3u);
    EXPECT_EQ(texts("select email from AddressList where group_id = " + std::to_string(a), "email"),
              std::vector<std::string>{"keep@a.com"});
    EXPECT_EQ(rows(b), 2);
    EXPECT_EQ(rows(999), 1);
    const std::string csv = read(saved);
    EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(csv.find("\"组\",\"邮件地址\",\"名字\"\r\n"), std::string::npos);
    for (const char* email : {"x@a.com", "Y@a.com", "z@a.com"})
        EXPECT_NE(csv.find("\"甲\",\"" + std::string(email) + "\",\"n,\"\"q\"\"\"\r\n"), std::string::npos) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4);

    // From every group, by exact text: b's "y@a.com" is not "Y@A.COM"; the row of no group stays.
    removal = removeListed(store, exact.addresses, {});
    EXPECT_EQ(removal.removed, 1u);
    EXPECT_EQ(texts("select email from AddressList where group_id = " + std::to_string(b), "email"),
              std::vector<std::string>{"y@a.com"});
    EXPECT_EQ(rows(999), 1);
}

TEST_F(RemoveListedTest, ARunThatEndsPartWayKeepsWholeBatchesAndTheirSavedRowsOnly) {
    const RowId group = addGroup("g");
    std::vector<std::string> listed;
    for (int i = 0; i < 3000; ++i)
        listed.push_back("p" + std::to_string(10000 + i) + "@x.com");
    store.insertAddresses(group, listed, "");
    // The third batch's delete is refused: it is undone whole, the two before it stay.
    if (OnPostgreSql()) {
        sql("create function refuse_f() returns trigger language plpgsql as $$ begin if old.email = 'p12500@x.com' "
            "then raise exception 'refused'; end if; return old; end $$");
        sql("create trigger refuse before delete on AddressList for each row execute function refuse_f()");
    } else {
        sql("create trigger refuse before delete on AddressList when old.email = 'p12500@x.com' "
            "begin select raise(abort, 'refused'); end");
    }
    const std::string saved = folder.path() + "/removed.csv";
    RemoveListedProgress progress;
    const ListedRemoval removal = removeListed(store, listed, {.addressesPerBatch = 1000}, saved, &progress);
    EXPECT_TRUE(removal.stopped);
    EXPECT_TRUE(containsIgnoringCase(removal.failure, "refused")) << removal.failure;
    EXPECT_EQ(removal.removed, 2000u);
    EXPECT_EQ(progress.removed.load(), 2000u);
    EXPECT_EQ(rows(group), 1000);
    EXPECT_EQ(scalar("select count(*) as value from AddressList where email < 'p12000'"), 0);
    const std::string csv = read(saved);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2001);
    EXPECT_NE(csv.find("p11999@x.com"), std::string::npos);
    EXPECT_EQ(csv.find("p12000@x.com"), std::string::npos);

    // A stop keeps the batches committed before it, and what it says is what the book lost.
    if (OnPostgreSql())
        sql("drop trigger refuse on AddressList");
    else
        sql("drop trigger refuse");
    std::stop_source stop;
    RemoveListedProgress second;
    std::jthread stopper([&] {
        while (second.removed.load() == 0)
            std::this_thread::yield();
        stop.request_stop();
    });
    const std::vector<std::string> rest(listed.begin() + 2000, listed.end());
    const ListedRemoval stopped = removeListed(store, rest, {.addressesPerBatch = 100}, {}, &second, stop.get_token());
    stopper.join();
    // Batches of 100 take milliseconds: the stop almost always comes part way; either way whole batches count.
    if (!stopped.cancelled) EXPECT_EQ(stopped.removed, 1000u);
    EXPECT_GE(stopped.removed, 100u);
    EXPECT_EQ(stopped.removed % 100, 0u);
    EXPECT_EQ(second.removed.load(), stopped.removed);
    EXPECT_EQ(rows(group), static_cast<std::int64_t>(1000 - stopped.removed));
}

} // namespace
