// The address operations: duplicate checks, insert, update, delete, loading a group, and the group cache.
#include <gtest/gtest.h>

#include "platform/DatabaseError.h"
#include "support/StoreFixture.h"

namespace {

class AddressTest : public StoreFixture {
protected:
    std::list<AddressRecord> load(std::int32_t groupId) {
        std::list<AddressRecord> addresses;
        EXPECT_NE(store.LoadGroupAddresses(groupId, addresses), 2);
        return addresses;
    }
};

TEST_F(AddressTest, ExistenceChecksCompareBytesAndSkipTheRowsOwnId) {
    ASSERT_EQ(store.InsertAddress(1, "li@example.cn", "Li"), 0);
    const std::int32_t id = load(1).front().id;
    EXPECT_EQ(store.AddressExists(1, "li@example.cn"), 1);
    EXPECT_EQ(store.AddressExists(2, "li@example.cn"), 0); // other group
    EXPECT_EQ(store.AddressExists(1, "LI@example.cn"), 0); // byte for byte
    EXPECT_EQ(store.AddressExists(1, "li@example.cn "), 0);
    EXPECT_EQ(store.AddressExists(1, "' or '1'='1"), 0);
    EXPECT_EQ(store.AddressExistsExcept(1, "li@example.cn", id), 0);
    EXPECT_EQ(store.AddressExistsExcept(1, "li@example.cn", id + 1), 1);
}

TEST_F(AddressTest, InsertMakesNoCheckOfItsOwn) {
    EXPECT_EQ(store.InsertAddress(1, "a@b.c", "x"), 0);
    EXPECT_EQ(store.InsertAddress(1, "a@b.c", "x"), 0);
    EXPECT_EQ(load(1).size(), 2u);
}

TEST_F(AddressTest, InsertAddressesStoresManyInTheirOrder) {
    // Two statements of a hundred rows, five of ten, then one on its own; a text that is refused fails the call once.
    std::vector<std::string> emails;
    for (int i = 0; i < 250; ++i)
        emails.push_back("m" + std::to_string(i) + "@x");
    emails.push_back("m0@x"); // no check of its own
    EXPECT_EQ(store.insertAddresses(6, emails, "same"), AddressStore::InsertOutcome::kInserted);
    EXPECT_EQ(store.insertAddresses(6, {}, "none"), AddressStore::InsertOutcome::kInserted);
    EXPECT_EQ(texts("select email from AddressList where group_id = 6 order by id", "email"), emails);
    EXPECT_EQ(scalar("select count(*) as value from AddressList where name <> 'same'"), 0);
    refuseInserts("Refuse", "AddressList", "new.email = 'bad@x'", "refused");
    const std::vector<std::string> refused = {"bad@x", "later@x"};
    EXPECT_EQ(store.insertAddresses(7, refused, ""), AddressStore::InsertOutcome::kReported);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find("refused"), std::string::npos) << reported[0];
    store.closeDatabase();
    EXPECT_EQ(store.insertAddresses(6, emails, ""), AddressStore::InsertOutcome::kNotOpen);
}

TEST_F(AddressTest, ManyChecksAtOnceAnswerAsOneCheckEach) {
    using namespace std::string_literals;
    const std::vector<std::string> stored = {"a@x", "\xD6\xD0@x", "n\0ul"s, "", "o'neil@x"};
    for (const std::string& email : stored)
        store.InsertAddress(1, email, "");
    if (OnPostgreSql()) {
        // The text with a NUL cannot be stored there: refused and said, and then in no row.
        ASSERT_EQ(reported.size(), 1u);
        EXPECT_NE(reported[0].find("NUL"), std::string::npos) << reported[0];
        reported.clear();
    }
    store.InsertAddress(2, "b@x", "");
    const std::vector<std::string> asked = {"a@x", "b@x", "\xD6\xD0@x", "n\0ul"s,   "n"s,
                                            "A@x", "",    "a@x ",       "o'neil@x", "' or '1'='1"};
    std::vector<int> results = {7};
    store.addressesExist(1, asked, results);
    ASSERT_EQ(results.size(), asked.size());
    for (std::size_t i = 0; i < asked.size(); ++i)
        EXPECT_EQ(results[i], store.AddressExists(1, asked[i])) << i;
    EXPECT_EQ(results, (std::vector<int>{1, 0, 1, OnPostgreSql() ? 0 : 1, 0, 0, 1, 0, 1, 0}));
    store.addressesExist(1, {}, results);
    EXPECT_TRUE(results.empty());

    // Inside a batch they see its rows; afterwards the store is as before.
    {
        StoreTransaction batch = store.beginTransaction();
        store.InsertAddress(1, "new@x", "");
        const std::vector<std::string> fresh = {"new@x"};
        store.addressesExist(1, fresh, results);
        EXPECT_EQ(results, std::vector<int>{1});
    }
    const std::vector<std::string> fresh = {"new@x", "a@x"};
    store.addressesExist(1, fresh, results);
    EXPECT_EQ(results, (std::vector<int>{0, 1}));

    // A failing check: no answer for any, every text counts as present; the store goes on.
    sql("alter table AddressList rename to Kept");
    EXPECT_THROW(store.addressesExist(1, fresh, results), DatabaseError);
    EXPECT_EQ(results, (std::vector<int>{1, 1}));
    sql("alter table Kept rename to AddressList");
    store.addressesExist(1, fresh, results);
    EXPECT_EQ(results, (std::vector<int>{0, 1}));
    store.closeDatabase();
    store.addressesExist(1, fresh, results);
    EXPECT_EQ(results, (std::vector<int>{1, 1}));
    EXPECT_TRUE(reported.empty());
}

TEST_F(AddressTest, ManyChecksAnswerPastOneStatementsWorthOfTexts) {
    // 250 texts: two full statements of a hundred and a short one, texts asked twice, rows of other groups, and
    // rows that the batch asking has inserted itself.
    std::vector<std::string> asked;
    for (int i = 0; i < 250; ++i)
        asked.push_back("t" + std::to_string(i % 240) + "@x");
    std::vector<std::string> stored;
    for (int i = 0; i < 240; i += 3)
        stored.push_back("t" + std::to_string(i) + "@x");
    ASSERT_EQ(store.insertAddresses(4, stored, ""), AddressStore::InsertOutcome::kInserted);
    ASSERT_EQ(store.insertAddresses(5, asked, ""), AddressStore::InsertOutcome::kInserted);
    StoreTransaction batch = store.beginTransaction();
    ASSERT_EQ(store.InsertAddress(4, "t1@x", ""), 0);
    std::vector<int> results;
    store.addressesExist(4, asked, results);
    ASSERT_EQ(results.size(), asked.size());
    for (std::size_t i = 0; i < asked.size(); ++i) {
        const int number = static_cast<int>(i % 240);
        EXPECT_EQ(results[i], number % 3 == 0 || number == 1 ? 1 : 0) << asked[i];
        EXPECT_EQ(results[i], store.AddressExists(4, asked[i])) << asked[i];
    }
    EXPECT_TRUE(reported.empty());
}

TEST_F(AddressTest, PagesLineUpWithTheWholeGroupAndTheCountIsTheGroups) {
    // Texts in no order, one of them twice (the second copy comes after the first: by id), Chinese names among
    // them, and another group's rows.
    std::vector<std::string> emails;
    for (int i = 0; i < 57; ++i)
        emails.push_back("p" + std::to_string((i * 37) % 57) + "@x");
    emails.push_back("p5@x");
    emails.push_back("\xD5\xC5@x");
    for (const std::string& email : emails)
        ASSERT_EQ(store.InsertAddress(3, email, "\xD5\xC5\xC8\xFD"), 0);
    ASSERT_EQ(store.InsertAddress(4, "p0@x", ""), 0);
    std::list<AddressRecord> whole;
    ASSERT_EQ(store.LoadGroupAddresses(3, whole), 0);
    ASSERT_EQ(whole.size(), emails.size());
    for (auto it = whole.begin(); std::next(it) != whole.end(); ++it) {
        const auto next = std::next(it);
        EXPECT_TRUE(it->email < next->email || (it->email == next->email && it->id < next->id))
            << it->email << " before " << next->email;
    }
    std::vector<AddressRecord> paged, page = {{9, 9, "stale", "stale"}};
    for (std::int32_t offset = 0;; offset += 25) {
        const int result = store.loadGroupAddressPage(3, offset, 25, page);
        if (result != 0) {
            EXPECT_EQ(result, 1);
            EXPECT_TRUE(page.empty());
            break;
        }
        EXPECT_LE(page.size(), 25u);
        paged.insert(paged.end(), page.begin(), page.end());
    }
    EXPECT_EQ(paged, std::vector<AddressRecord>(whole.begin(), whole.end()));
    EXPECT_EQ(store.countGroupAddresses(3), static_cast<std::int32_t>(emails.size()));
    EXPECT_EQ(store.countGroupAddresses(8), 0);
    EXPECT_TRUE(reported.empty());
}

TEST_F(AddressTest, LoadReadsOneGroupAndEmptiesForNone) {
    store.InsertAddress(1, "a@x", "A");
    store.InsertAddress(2, "b@x", "B");
    store.InsertAddress(1, "c@x", "");
    std::list<AddressRecord> addresses = {{99, 99, "stale", "stale"}};
    ASSERT_EQ(store.LoadGroupAddresses(1, addresses), 0);
    ASSERT_EQ(addresses.size(), 2u);
    EXPECT_EQ(addresses.front().email, "a@x");
    EXPECT_EQ(addresses.front().name, "A");
    EXPECT_EQ(addresses.front().group_id, 1);
    EXPECT_EQ(addresses.back().email, "c@x");
    EXPECT_EQ(addresses.back().name, "");
    EXPECT_LT(addresses.front().id, addresses.back().id);
    EXPECT_EQ(store.LoadGroupAddresses(3, addresses), 1); // also for a group id that names no group
    EXPECT_TRUE(addresses.empty());
}

TEST_F(AddressTest, UpdateKeepsOwnTextButRefusesADuplicateInTheTargetGroup) {
    store.InsertAddress(1, "a@x", "A");
    store.InsertAddress(2, "a@x", "other group");
    const AddressRecord a = load(1).front();
    EXPECT_EQ(store.UpdateAddress(a.id, 1, "a@x", "renamed"), 0); // same text, same group: allowed
    EXPECT_EQ(load(1).front().name, "renamed");

    const AddressRecord b = load(2).front();
    EXPECT_EQ(store.UpdateAddress(b.id, 1, "a@x", "moved"), 2); // into a group that holds the text
    EXPECT_EQ(load(2).front(), b);
    EXPECT_EQ(load(1).size(), 1u);

    EXPECT_EQ(store.UpdateAddress(b.id, 1, "b@x", "moved"), 0);
    EXPECT_TRUE(load(2).empty());
    EXPECT_EQ(load(1).back(), (AddressRecord{b.id, 1, "b@x", "moved"}));
    EXPECT_EQ(store.UpdateAddress(12345, 1, "z@x", ""), 0); // names no row
    EXPECT_EQ(load(1).size(), 2u);
    EXPECT_TRUE(reported.empty());
}

TEST_F(AddressTest, DeleteRemovesOnlyItsRow) {
    store.InsertAddress(1, "a@x", "");
    store.InsertAddress(1, "b@x", "");
    const std::int32_t first = load(1).front().id;
    EXPECT_EQ(store.DeleteAddress(first), 0);
    EXPECT_EQ(store.DeleteAddress(first), 0);
    ASSERT_EQ(load(1).size(), 1u);
    EXPECT_EQ(load(1).front().email, "b@x");
}

TEST_F(AddressTest, TextsRoundTripExactly) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"o'neil@example.com", "O'Neil \"Jr\""},
        {"x'); delete from AddressList; --", "--"},
        {"\xD5\xC5\xC8\xFD@\xC0\xFD\xD7\xD3.cn", "\xD5\xC5\xC8\xFD"}, // GBK mailbox and name
        {"\x81\x5C\x81\x7C\x81\x40@x", "\x95\x5C"},                   // trail bytes that look like \ | @
        {"", ""},
        {std::string(300, 'e') + "@long", std::string(20000, '\xB0')},
    };
    for (const auto& [email, name] : rows)
        ASSERT_EQ(store.InsertAddress(7, email, name), 0);
    std::list<AddressRecord> addresses = load(7);
    ASSERT_EQ(addresses.size(), rows.size());
    // Rows come in the database's order (here the index's): put them back in insert order.
    addresses.sort([](const AddressRecord& a, const AddressRecord& b) { return a.id < b.id; });
    auto it = addresses.begin();
    for (const auto& [email, name] : rows) {
        EXPECT_EQ(it->email, email);
        EXPECT_EQ(it->name, name);
        EXPECT_EQ(store.AddressExists(7, email), 1);
        EXPECT_EQ(store.AddressExistsExcept(7, email, it->id), 0);
        ++it;
    }
    EXPECT_EQ(scalar("select count(*) as value from AddressList"), static_cast<std::int64_t>(rows.size()));
    EXPECT_TRUE(reported.empty());
}

// Ids and group ids past 16 bits reach their own rows, never the row their low 16 bits would name.
class AddressWideIdTest : public AddressTest, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(AddressWideIdTest, EditAndDeleteHitTheRightRow) {
    const std::int32_t id = GetParam();
    const std::int32_t lookalike = static_cast<std::int16_t>(id);
    sql("insert into AddressList(id, group_id, email, name) values(?, ?, 'decoy@x', 'decoy')", {lookalike, lookalike});
    setNextId("AddressList", id);
    ASSERT_EQ(store.InsertAddress(id, "wide@x", "wide"), 0);
    std::list<AddressRecord> addresses = load(id);
    ASSERT_EQ(addresses.size(), 1u);
    EXPECT_EQ(addresses.front(), (AddressRecord{id, id, "wide@x", "wide"}));
    EXPECT_EQ(store.AddressExists(id, "wide@x"), 1);
    EXPECT_EQ(store.AddressExists(lookalike, "wide@x"), 0);
    EXPECT_EQ(store.AddressExistsExcept(id, "wide@x", id), 0);

    EXPECT_EQ(store.UpdateAddress(id, id, "wide@x", "edited"), 0);
    EXPECT_EQ(load(id).front().name, "edited");
    EXPECT_EQ(load(lookalike).front().name, "decoy");
    EXPECT_EQ(store.DeleteAddress(id), 0);
    EXPECT_TRUE(load(id).empty());
    EXPECT_EQ(load(lookalike).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(PastSixteenBits, AddressWideIdTest, ::testing::Values(32767 + 1, 65535 + 2, 131071));

TEST_F(AddressTest, WriteErrorsAreReportedReadErrorsThrown) {
    store.InsertAddress(1, "a@x", "");
    sql("drop table AddressList");
    EXPECT_EQ(store.InsertAddress(1, "b@x", ""), 0);
    EXPECT_EQ(store.DeleteAddress(1), 0);
    EXPECT_EQ(reported.size(), 2u);
    // The check inside an update cannot answer: reported, and nothing is written.
    EXPECT_EQ(store.UpdateAddress(1, 1, "c@x", ""), 2);
    EXPECT_EQ(reported.size(), 3u);
    std::list<AddressRecord> addresses;
    EXPECT_THROW(store.LoadGroupAddresses(1, addresses), DatabaseError);
    EXPECT_THROW(store.AddressExists(1, "a@x"), DatabaseError);
    EXPECT_THROW(store.AddressExistsExcept(1, "a@x", 1), DatabaseError);
}

} // namespace
