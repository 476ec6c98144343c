// The addresses of a group that differ only in letter case: which sets are found and which row each keeps, the
// deletion of the rest, and a deletion that finds the group changed since the scan.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lists/CaseDuplicates.h"
#include "lists/FoldedMatch.h"
#include "support/StoreFixture.h"

namespace {

class CaseDuplicatesTest : public StoreFixture {
protected:
    RowId add(RowId group, const std::string& email) {
        store.InsertAddress(group, email, "n");
        return scalar("select max(id) as value from AddressList");
    }
    std::vector<std::string> emailsOf(RowId group) {
        return texts("select email from AddressList where group_id = " + std::to_string(group) + " order by id",
                     "email");
    }
};

TEST(CaseFolding, LowersAsciiCapitalsAndStepsOverGbkCharacters) {
    EXPECT_EQ(foldAsciiLetters("Foo@QQ.com"), "foo@qq.com");
    EXPECT_EQ(foldAsciiLetters("\x81\x41Z@x"), "\x81\x41z@x"); // 0x41 is the second byte of a character
    EXPECT_EQ(foldAsciiLetters("\x81"), "\x81");
}

TEST_F(CaseDuplicatesTest, FindsTheSetsKeepsTheFirstStoredAndDeletesTheRest) {
    const RowId g = addGroup("g");
    const RowId other = addGroup("other");
    const RowId foo = add(g, "Foo@QQ.com");
    const RowId bar = add(g, "bar@x");
    const RowId foo2 = add(g, "foo@qq.com");
    add(other, "FOO@qq.com");
    const RowId foo3 = add(g, "FOO@qq.COM");
    const RowId bar2 = add(g, "Bar@X");
    add(g, "solo@x");
    add(g, "\x81\x41@x.cn"); // one byte apart in the second byte of a character: two addresses
    add(g, "\x81\x61@x.cn");

    const CaseDuplicatesScan scan = findCaseDuplicates(store, g);
    ASSERT_TRUE(scan.failure.empty()) << scan.failure;
    ASSERT_EQ(scan.sets.size(), 2u);
    EXPECT_EQ(scan.sets[0].kept, (StoredAddress{foo, "Foo@QQ.com"}));
    EXPECT_EQ(scan.sets[0].extra, (std::vector<StoredAddress>{{foo2, "foo@qq.com"}, {foo3, "FOO@qq.COM"}}));
    EXPECT_EQ(scan.sets[1].kept, (StoredAddress{bar, "bar@x"}));
    EXPECT_EQ(scan.sets[1].extra, (std::vector<StoredAddress>{{bar2, "Bar@X"}}));
    EXPECT_EQ(scan.extra, 3);

    CaseDuplicatesProgress progress;
    const CaseDuplicatesDeletion deletion = deleteCaseDuplicates(store, g, scan.sets, &progress);
    EXPECT_TRUE(deletion.failure.empty()) << deletion.failure;
    EXPECT_EQ(deletion.deleted, 3);
    EXPECT_EQ(progress.deleted, 3);
    EXPECT_EQ(emailsOf(g),
              (std::vector<std::string>{"Foo@QQ.com", "bar@x", "solo@x", "\x81\x41@x.cn", "\x81\x61@x.cn"}));
    EXPECT_EQ(emailsOf(other), std::vector<std::string>{"FOO@qq.com"});
    EXPECT_TRUE(findCaseDuplicates(store, g).sets.empty());
}

// Between the scan and the deletion another program deletes a kept row and edits a row to delete: those sets'
// rows stay, so no address loses its last row and no edited row goes.
TEST_F(CaseDuplicatesTest, RowsChangedSinceTheScanAreLeft) {
    const RowId g = addGroup("g");
    const RowId foo = add(g, "Foo@x");
    add(g, "foo@x");
    add(g, "bar@x");
    const RowId bar2 = add(g, "BAR@x");
    add(g, "baz@x");
    add(g, "Baz@x");
    const CaseDuplicatesScan scan = findCaseDuplicates(store, g);
    ASSERT_EQ(scan.sets.size(), 3u);
    sql("delete from AddressList where id = ?", {foo});
    sql("update AddressList set email = 'other@x' where id = ?", {bar2});

    const CaseDuplicatesDeletion deletion = deleteCaseDuplicates(store, g, scan.sets);
    EXPECT_EQ(deletion.deleted, 1);
    EXPECT_EQ(deletion.skipped, 2);
    EXPECT_EQ(emailsOf(g), (std::vector<std::string>{"foo@x", "bar@x", "other@x", "baz@x"}));
}

} // namespace
