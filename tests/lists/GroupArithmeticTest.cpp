// Union, intersection, difference and merge on real books: which rows, with which names and in which order, with
// and without letter case, into a new group and into a file; the refusals; and a failure or a stop that leaves the
// book as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "lists/GroupArithmetic.h"
#include "support/StoreFixture.h"

namespace {

using Rows = std::vector<std::string>; // "email|name", by id

class GroupArithmeticTest : public StoreFixture {
protected:
    void add(RowId group, const std::vector<std::pair<std::string, std::string>>& rows) {
        for (const auto& [email, name] : rows)
            ASSERT_EQ(store.InsertAddress(group, email, name), 0);
    }
    Rows rowsOf(RowId group) {
        return texts("select email || '|' || name as r from AddressList where group_id = " + std::to_string(group) +
                         " order by id",
                     "r");
    }
    Rows groupNames() { return texts("select name from AddressCata order by id", "name"); }
    std::int64_t allRows() { return scalar("select count(*) as value from AddressList"); }
    std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
};

// Two groups where every rule shows: an address twice in A by case, one in both by case only, a repeat within B,
// and a GBK pair whose second bytes are 'A' and 'a', which no comparison may take for one address.
const char kGbkUpper[] = "\x81\x41@x.cn";
const char kGbkLower[] = "\x81\x61@x.cn";

TEST_F(GroupArithmeticTest, EachOperationKeepsTheFirstStoredRowOfEachAddressInOrder) {
    const RowId a = addGroup("A");
    const RowId b = addGroup("B");
    add(a, {{"b@x", "a1"},
            {"Dup@x", "a2"},
            {"c@x", "a3"},
            {"dup@x", "a4"},
            {"shared@x", "a5"},
            {"E@x", "a6"},
            {kGbkUpper, "a7"}});
    add(b, {{"SHARED@x", "b1"},
            {"shared@x", "b2"},
            {"e@x", "b3"},
            {"c@x", "b4"},
            {"e@x", "b5"},
            {"f@x", "b6"},
            {kGbkLower, "b7"}});
    const std::string gu = std::string(kGbkUpper) + "|a7", gl = std::string(kGbkLower) + "|b7";
    const struct {
        GroupOperation operation;
        bool ignoreCase;
        Rows expected;
    } cases[] = {
        {GroupOperation::kUnion,
         false,
         {"b@x|a1", "Dup@x|a2", "c@x|a3", "dup@x|a4", "shared@x|a5", "E@x|a6", gu, "SHARED@x|b1", "e@x|b3", "f@x|b6",
          gl}},
        {GroupOperation::kUnion, true, {"b@x|a1", "Dup@x|a2", "c@x|a3", "shared@x|a5", "E@x|a6", gu, "f@x|b6", gl}},
        {GroupOperation::kIntersection, false, {"c@x|a3", "shared@x|a5"}},
        {GroupOperation::kIntersection, true, {"c@x|a3", "shared@x|a5", "E@x|a6"}},
        {GroupOperation::kDifference, false, {"b@x|a1", "Dup@x|a2", "dup@x|a4", "E@x|a6", gu}},
        {GroupOperation::kDifference, true, {"b@x|a1", "Dup@x|a2", gu}},
    };
    int made = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.operation)) + (c.ignoreCase ? " ignoring case" : ""));
        const GroupCombination combination{c.operation, a, b, c.ignoreCase};
        const std::string name = "result" + std::to_string(++made);
        const GroupArithmeticResult result = combineIntoGroup(store, combination, name);
        ASSERT_EQ(result.outcome, ArithmeticOutcome::kDone) << result.failure;
        EXPECT_EQ(rowsOf(result.newGroup), c.expected);
        EXPECT_EQ(result.rows, std::int64_t(c.expected.size()));
        EXPECT_EQ(groupNames().back(), name);

        const std::string path = folder.path() + "/" + name + ".txt";
        std::ofstream(path) << "old";
        const GroupArithmeticResult written = combineIntoFile(store, combination, path);
        ASSERT_EQ(written.outcome, ArithmeticOutcome::kDone) << written.failure;
        std::string expected;
        for (const std::string& row : c.expected)
            expected += row.substr(0, row.rfind('|')) + "\r\n";
        EXPECT_EQ(readFile(path), expected);
        EXPECT_EQ(written.rows, std::int64_t(c.expected.size()));
    }
    EXPECT_TRUE(reported.empty());
}

TEST_F(GroupArithmeticTest, RefusalsAndEmptyGroupsChangeNothingOrGiveWhatIsLeft) {
    const RowId a = addGroup("A");
    const RowId empty = addGroup("empty");
    add(a, {{"x@x", "1"}, {"X@x", "2"}, {"y@x", "3"}});
    const Rows before = groupNames();
    const auto outcome = [&](GroupOperation operation, RowId first, RowId second, const std::string& name) {
        return combineIntoGroup(store, {operation, first, second, true}, name).outcome;
    };
    EXPECT_EQ(outcome(GroupOperation::kDifference, a, a, "n"), ArithmeticOutcome::kSameGroups);
    EXPECT_EQ(combineIntoFile(store, {GroupOperation::kDifference, a, a}, folder.path() + "/f").outcome,
              ArithmeticOutcome::kSameGroups);
    EXPECT_EQ(mergeGroupInto(store, a, a, false).outcome, ArithmeticOutcome::kSameGroups);
    EXPECT_EQ(outcome(GroupOperation::kUnion, a, empty, ""), ArithmeticOutcome::kEmptyName);
    EXPECT_EQ(outcome(GroupOperation::kUnion, a, empty, " \t"), ArithmeticOutcome::kEmptyName);
    EXPECT_EQ(outcome(GroupOperation::kUnion, a, empty, "A"), ArithmeticOutcome::kNameTaken);
    EXPECT_EQ(outcome(GroupOperation::kUnion, a, empty, "bad\x81"), ArithmeticOutcome::kNameNotStorable);
    EXPECT_EQ(outcome(GroupOperation::kUnion, a, 9999, "n"), ArithmeticOutcome::kNoSuchGroup);
    EXPECT_EQ(mergeGroupInto(store, 9999, a, false).outcome, ArithmeticOutcome::kNoSuchGroup);
    EXPECT_FALSE(std::filesystem::exists(folder.path() + "/f"));
    EXPECT_EQ(groupNames(), before);
    EXPECT_EQ(allRows(), 3);

    // A union or intersection of a group with itself is the group, each address once.
    const GroupArithmeticResult self = combineIntoGroup(store, {GroupOperation::kIntersection, a, a, true}, "self");
    EXPECT_EQ(rowsOf(self.newGroup), (Rows{"x@x|1", "y@x|3"}));
    // Either side empty.
    EXPECT_EQ(rowsOf(combineIntoGroup(store, {GroupOperation::kUnion, empty, a}, "u").newGroup),
              (Rows{"x@x|1", "X@x|2", "y@x|3"}));
    const GroupArithmeticResult none = combineIntoGroup(store, {GroupOperation::kIntersection, a, empty}, "i");
    EXPECT_EQ(none.outcome, ArithmeticOutcome::kDone);
    EXPECT_TRUE(rowsOf(none.newGroup).empty());
    EXPECT_EQ(rowsOf(combineIntoGroup(store, {GroupOperation::kDifference, a, empty}, "d").newGroup).size(), 3u);
}

TEST_F(GroupArithmeticTest, MergeMovesNewRowsDropsTheRestAndDeletesA) {
    const RowId a = addGroup("A");
    const RowId b = addGroup("B");
    const RowId other = addGroup("other");
    add(b, {{"held@x", "b1"}, {"keep@x", "b2"}});
    add(a, {{"new@x", "a1"}, {"HELD@x", "a2"}, {"New@x", "a3"}, {"second@x", "a4"}});
    add(other, {{"new@x", "o1"}});
    const Rows bBefore = texts(
        "select id || email || name as r from AddressList where group_id = " + std::to_string(b) + " order by id", "r");
    const std::int64_t newId = scalar("select id as value from AddressList where email = 'new@x' and name = 'a1'");

    const GroupArithmeticResult result = mergeGroupInto(store, a, b, true);
    ASSERT_EQ(result.outcome, ArithmeticOutcome::kDone) << result.failure;
    EXPECT_EQ(result.rows, 2);
    EXPECT_EQ(result.dropped, 2);
    EXPECT_EQ(rowsOf(b), (Rows{"held@x|b1", "keep@x|b2", "new@x|a1", "second@x|a4"}));
    EXPECT_EQ(scalar("select group_id as value from AddressList where id = ?", {newId}), b); // moved, not copied
    EXPECT_EQ(groupNames(), (Rows{"B", "other"}));
    EXPECT_TRUE(rowsOf(a).empty());
    EXPECT_EQ(rowsOf(other), Rows{"new@x|o1"});
    for (const std::string& row : bBefore)
        EXPECT_EQ(scalar("select count(*) as value from AddressList where id || email || name = ?", {row}), 1);
}

// A run that cannot finish takes back what it did: the new group goes with its rows, the rows moved go back.
TEST_F(GroupArithmeticTest, AFailureOrAStopLeavesTheBookAsItWas) {
    const RowId a = addGroup("A");
    const RowId b = addGroup("B");
    add(a, {{"one@x", "1"}, {"two@x", "2"}});
    add(b, {{"two@x", "b"}});
    setNextId("AddressList", 100000); // a later range of ids than the first batch's
    add(a, {{"late@x", "3"}});
    const Rows names = groupNames();
    const Rows aRows = rowsOf(a), bRows = rowsOf(b);
    const auto unchanged = [&] {
        EXPECT_EQ(groupNames(), names);
        EXPECT_EQ(rowsOf(a), aRows);
        EXPECT_EQ(rowsOf(b), bRows);
        EXPECT_EQ(allRows(), 4);
    };

    refuseInserts("refuse_late", "AddressList", "new.email = 'late@x'", "no late rows");
    GroupArithmeticResult failed = combineIntoGroup(store, {GroupOperation::kUnion, a, b}, "u");
    EXPECT_EQ(failed.outcome, ArithmeticOutcome::kDatabaseFailed);
    EXPECT_TRUE(containsIgnoringCase(failed.failure, "no late rows")) << failed.failure;
    unchanged();
    dropRefusal("refuse_late", "AddressList");

    refuseDeletes("refuse_group_delete", "AddressCata", "groups stay");
    failed = mergeGroupInto(store, a, b, false);
    EXPECT_EQ(failed.outcome, ArithmeticOutcome::kDatabaseFailed);
    unchanged();
    dropRefusal("refuse_group_delete", "AddressCata");

    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(combineIntoGroup(store, {GroupOperation::kUnion, a, b, true}, "u", nullptr, stop.get_token()).outcome,
              ArithmeticOutcome::kCancelled);
    EXPECT_EQ(mergeGroupInto(store, a, b, false, nullptr, stop.get_token()).outcome, ArithmeticOutcome::kCancelled);
    const std::string path = folder.path() + "/kept.txt";
    std::ofstream(path) << "kept";
    const auto files = [&] { return std::distance(std::filesystem::directory_iterator(folder.path()), {}); };
    const auto filesBefore = files();
    EXPECT_EQ(combineIntoFile(store, {GroupOperation::kUnion, a, b}, path, nullptr, stop.get_token()).outcome,
              ArithmeticOutcome::kCancelled);
    EXPECT_EQ(readFile(path), "kept");
    EXPECT_EQ(files(), filesBefore); // nothing left beside it
    unchanged();
}

} // namespace
