// 查找's core on both engines: the three ways to match with letter case aside, across groups and by name, "%"
// and "_" as themselves, names in GBK whose second bytes look like ASCII letters, the first results handed out
// before the rest, and a book made before the index getting it.
#include <gtest/gtest.h>

#include <set>

#include "lists/BookSearch.h"
#include "support/StoreFixture.h"

namespace {

class BookSearchTest : public StoreFixture {
protected:
    // The e-mail texts found, in the order handed out, and the number of chunks they came in.
    std::vector<std::string> find(const std::string& text, TextMatch match, bool names = true,
                                  BookSearchResult* result = nullptr) {
        std::vector<std::string> emails;
        BookSearchOptions options;
        options.match = match;
        options.names = names;
        const BookSearchResult r = searchBook(store, text, options, [&](std::vector<FoundAddress>& found) {
            for (const FoundAddress& address : found)
                emails.push_back(address.email);
        });
        EXPECT_EQ(r.failure, "");
        EXPECT_EQ(r.found, emails.size());
        if (result) *result = r;
        return emails;
    }

    static std::set<std::string> set(const std::vector<std::string>& texts) { return {texts.begin(), texts.end()}; }
};

const std::string kZhang = "\xD5\xC5"; // 张
const std::string kSan = "\xC8\xFD";   // 三
const std::string kShang = "\x81\x41"; // 丄: its second byte is 'A'

TEST_F(BookSearchTest, FindsEqualStartingAndContainedTextsLetterCaseAsideAcrossGroupsAndNames) {
    const RowId first = addGroup(kZhang + kSan);
    const RowId second = addGroup("second");
    store.InsertAddress(first, "Alice@Example.com", "Alice Smith");
    store.InsertAddress(first, "alice@example.com.cn", "");
    store.InsertAddress(second, "xalice@example.com", "");
    store.InsertAddress(second, "bob@example.com", "ALICE fan");
    store.InsertAddress(second, "carol@example.com", "");
    sql("insert into AddressList(group_id, email, name) values (999, 'alice@example.com', 'no group')");

    EXPECT_EQ(find("ALICE@example.COM", TextMatch::kEquals), std::vector<std::string>{"Alice@Example.com"});
    // The e-mail texts come first, in the index's order; a row that matches by both is found once.
    EXPECT_EQ(find("aLiCe", TextMatch::kStartsWith),
              (std::vector<std::string>{"Alice@Example.com", "alice@example.com.cn", "bob@example.com"}));
    EXPECT_EQ(find("aLiCe", TextMatch::kStartsWith, false),
              (std::vector<std::string>{"Alice@Example.com", "alice@example.com.cn"}));
    EXPECT_EQ(
        set(find("LICE", TextMatch::kContains)),
        (std::set<std::string>{"Alice@Example.com", "alice@example.com.cn", "xalice@example.com", "bob@example.com"}));
    EXPECT_EQ(set(find("LICE", TextMatch::kContains, false)),
              (std::set<std::string>{"Alice@Example.com", "alice@example.com.cn", "xalice@example.com"}));
    EXPECT_EQ(find("alice smith", TextMatch::kEquals), std::vector<std::string>{"Alice@Example.com"});
    EXPECT_TRUE(find("", TextMatch::kContains).empty());

    // Each found address carries its group.
    std::vector<FoundAddress> found;
    searchBook(store, "alice@example.com", {TextMatch::kEquals},
               [&](std::vector<FoundAddress>& chunk) { found.insert(found.end(), chunk.begin(), chunk.end()); });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].groupId, first);
    EXPECT_EQ(found[0].groupName, kZhang + kSan);
    EXPECT_EQ(found[0].name, "Alice Smith");
}

TEST_F(BookSearchTest, PercentAndUnderscoreAreThemselvesAndGbkNamesMatchByWholeCharacters) {
    const RowId group = addGroup("g");
    store.InsertAddress(group, "100%_off@x.com", "");
    store.InsertAddress(group, "100ab_off@x.com", "");
    store.InsertAddress(group, "1000off@x.com", "");
    store.InsertAddress(group, "z1@x.com", kZhang + kSan + "Zhang");
    store.InsertAddress(group, "z2@x.com", kShang);
    store.InsertAddress(group, "z3@x.com", kSan + kZhang);

    EXPECT_EQ(find("0%_", TextMatch::kContains), std::vector<std::string>{"100%_off@x.com"});
    EXPECT_EQ(find("100%", TextMatch::kStartsWith), std::vector<std::string>{"100%_off@x.com"});
    EXPECT_EQ(find("100_", TextMatch::kStartsWith), std::vector<std::string>{});
    EXPECT_EQ(find("_", TextMatch::kEquals), std::vector<std::string>{});

    EXPECT_EQ(find("zHANG", TextMatch::kContains), std::vector<std::string>{"z1@x.com"});
    EXPECT_EQ(find(kZhang, TextMatch::kStartsWith), std::vector<std::string>{"z1@x.com"});
    EXPECT_EQ(set(find(kZhang, TextMatch::kContains)), (std::set<std::string>{"z1@x.com", "z3@x.com"}));
    EXPECT_EQ(find(kZhang + kSan + "zhang", TextMatch::kEquals), std::vector<std::string>{"z1@x.com"});
    // 丄's second byte is "A", which SQLite's lower() makes "a": no letter of the name is an "a".
    EXPECT_EQ(set(find("a", TextMatch::kContains)), (std::set<std::string>{"100ab_off@x.com", "z1@x.com"}));
    EXPECT_EQ(find(kShang, TextMatch::kEquals), std::vector<std::string>{"z2@x.com"});
}

TEST_F(BookSearchTest, TheFirstResultsComeBeforeTheRestAndThoseOverTheLimitAreOnlyCounted) {
    const RowId group = addGroup("g");
    std::vector<std::string> emails;
    for (int i = 0; i < 1200; ++i)
        emails.push_back("user" + std::to_string(10000 + i) + "@example.com");
    store.insertAddresses(group, emails, "");
    std::vector<std::size_t> chunks;
    BookSearchOptions options{TextMatch::kStartsWith, false, 1000};
    const BookSearchResult result =
        searchBook(store, "USER1", options, [&](std::vector<FoundAddress>& found) { chunks.push_back(found.size()); });
    ASSERT_GE(chunks.size(), 2u);
    EXPECT_LE(chunks[0], 200u);
    EXPECT_EQ(result.found, 1200u);
    EXPECT_EQ(result.handedOut, 1000u);

    std::stop_source stop;
    stop.request_stop();
    const BookSearchResult stopped = searchBook(
        store, "user1", options, [](std::vector<FoundAddress>&) {}, nullptr, stop.get_token());
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_EQ(stopped.found, 0u);
}

TEST_F(BookSearchTest, ABookWithoutTheIndexesGetsThemOnItsFirstSearch) {
    const RowId group = addGroup("g");
    store.InsertAddress(group, "Old@Example.com", "Oldham");
    const auto exists = [&](const std::string& index) {
        return scalar(OnPostgreSql()
                          ? "select count(*) as value from pg_indexes where indexname = '" + index + "'"
                          : "select count(*) as value from sqlite_master where lower(name) = '" + index + "'");
    };
    for (const char* index : {"addresslist_lower_email", "addresslist_lower_name"}) {
        ASSERT_EQ(exists(index), 1) << index; // fresh books have them
        sql(std::string("drop index ") + index);
    }

    BookSearchResult result;
    EXPECT_EQ(find("old", TextMatch::kStartsWith, true, &result), std::vector<std::string>{"Old@Example.com"});
    EXPECT_TRUE(result.indexMade);
    EXPECT_EQ(exists("addresslist_lower_email"), 1);
    EXPECT_EQ(exists("addresslist_lower_name"), 1);
    // A name found through its index: the address does not start with the text, the name does.
    EXPECT_EQ(find("OLDH", TextMatch::kStartsWith, true, &result), std::vector<std::string>{"Old@Example.com"});
    EXPECT_EQ(find("oldham", TextMatch::kEquals, true, &result), std::vector<std::string>{"Old@Example.com"});
    EXPECT_FALSE(result.indexMade);
}

} // namespace
