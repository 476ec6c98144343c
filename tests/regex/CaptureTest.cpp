// Group spans in the result and back-references, including the cases where backtracking out of a
// lookaround, an atomic group or a possessive repetition has removed capture records that the capture
// index still mentions: such a group must read as not taking part.
#include <string>

#include <gtest/gtest.h>

#include "RegexTestUtil.h"

namespace {

using namespace regex_test;

TEST(GroupSpans, ResultHoldsTwoIntsPerGroupPlusFour) {
    CGroupSpansT three = MatchPattern("(a)(b)(c)", "abc");
    ASSERT_EQ(three.Size(), 10);
    EXPECT_EQ(three.Matched(), 1);
    EXPECT_EQ(three.HighestGroup(), 3);
    const int expected[10] = {1, 3, 0, 3, 0, 1, 1, 2, 2, 3};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(three[i], expected[i]) << i;

    CGroupSpansT none = MatchPattern("abc", "abc");
    ASSERT_EQ(none.Size(), 4);
    EXPECT_EQ(none[0], 1);
    EXPECT_EQ(none[1], 0);
    EXPECT_EQ(none[2], 0);
    EXPECT_EQ(none[3], 3);
    EXPECT_EQ(none.At(4, -7), -7); // beyond the result: the default
    EXPECT_EQ(none.GroupStart(1), -1);

    CGroupSpansT failed = MatchPattern("(a)(b)", "ax");
    EXPECT_EQ(failed.Size(), 0);
    EXPECT_EQ(failed.Matched(), 0);
    EXPECT_EQ(failed.At(0, -1), -1);
}

TEST(GroupSpans, GroupsThatTookNoPartAreMinusOne) {
    CheckSpanCases({
        {"(a)|(b)", 0, "b", "0,1 - 0,1"},
        {"(a)|(b)", 0, "a", "0,1 0,1 -"},
        {"(a)?b", 0, "b", "0,1 -"},
        {"((a)|b)c", 0, "bc", "0,2 0,1 -"},
        {"(a(b)?)+", 0, "aba", "0,3 2,3 1,2"}, // the inner group keeps the capture of an earlier iteration
        {"((a)|(b))*", 0, "ab", "0,2 1,2 0,1 1,2"},
        {"(a)*", 0, "", "0,0 -"},
        {"()", 0, "", "0,0 0,0"}, // an empty capture is not the same as none
        {"a()b", 0, "ab", "0,2 1,1"},
    });
}

TEST(GroupSpans, NestedGroupsAreNumberedByTheirOpeningParenthesis) {
    CheckSpanCases({
        {"((a)(b))", 0, "ab", "0,2 0,2 0,1 1,2"},
        {"(a(b(c)))", 0, "abc", "0,3 0,3 1,3 2,3"},
        {"(a)(?:b(c))", 0, "abc", "0,3 0,1 2,3"},
    });
}

TEST(BackReference, MatchesTheTextTheGroupCaptured) {
    CheckMatchCases({
        {R"((a)\1)", 0, "aa", true},
        {R"((a)\1)", 0, "ab", false},
        {R"((\w+)-\1)", 0, "abc-abc", true},
        {R"((\w+)-\1)", 0, "abc-abd", false},
        {R"((\w+)\1)", 0, "abab", true}, // the group gives back until the reference fits
        {R"((a*)b\1)", 0, "b", true},    // an empty capture matches the empty string
        {R"((a)|b\1)", 0, "b", false},   // a group that took no part matches nothing at all
        {R"((a)?b\1)", 0, "b", false},
        {R"(\1(a))", 0, "aa", false}, // the group has no capture yet
        {R"((a)\2)", 0, "a", false},  // no such group
        {R"((a)\1)", kIgnoreCase, "aA", true},
        {R"((a)\1)", 0, "aA", false},
        {R"((?i)(a)\1)", 0, "aA", true},
        {R"((?i)(\xe0)\1)", 0, "\xe0\xc0", false}, // no case for bytes 0x80-0xFF
        {R"((a)\1{3})", 0, "aaaa", true},          // a back-reference can be quantified
        {R"((a)(b)(c)(d)(e)(f)(g)(h)(i)(j)\10)", 0, "abcdefghijj", true},
        {R"((a)(b)(c)(d)(e)(f)(g)(h)(i)(j)\10)", 0, "abcdefghija0", false},
    });
}

// '\k' and '\g' take digits or a name; with neither they refer to group 0, the match so far.
TEST(BackReference, KAndGForms) {
    CheckMatchCases({
        {R"(ab\k)", 0, "abab", true},
        {R"(ab\k)", 0, "abac", false},
        {R"(ab\g)", 0, "abab", true},
        {R"((a)(b)\k2)", 0, "abb", true},
        {R"((a)(b)\g1)", 0, "aba", true},
        {R"((a)\k<1>)", 0, "aa", true}, // a numeric name is the number
        {R"((a)\k'1')", 0, "aa", true},
        {R"((a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)\k12)", 0, "abcdefghijkll", true},
        {R"((?<w>\w)\g'w')", 0, "cc", true},
        {R"((a)\k<nope>)", 0, "a", false}, // a name no group carries never matches
        {R"((a)\k<nope>)", 0, "aa", false},
        {R"((a)\k<nope>?)", 0, "a", true},
    });
}

// While a group is open, a reference to it sees the text from its start to the current position.
TEST(BackReference, ToAnOpenGroupUsesTheCurrentPosition) {
    CheckSpanCases({
        {R"((a\1))", 0, "aa", "0,2 0,2"},
        {R"((ab\1))", 0, "abab", "0,4 0,4"},
        {R"((a\1))", 0, "ab", "nomatch"},
        {R"((\1))", 0, "", "0,0 0,0"},
    });
}

// Backtracking out of a lookaround, atomic group or possessive repetition truncates the capture stack.
// The capture index may still name a removed record, or a record that a later group pushed in its
// place; the group must then read as not taking part, in the result, in back-references and in
// conditions alike.
TEST(StaleCaptures, GroupFromAFailedPathDoesNotTakePart) {
    CheckSpanCases({
        {"(?:(?=(a))ab|ac)", 0, "ac", "0,2 -"},
        {"(?:(?=(a))ab|ac)", 0, "ab", "0,2 0,1"},
        {"(?:(?=(a))ab|a(c))", 0, "ac", "0,2 - 1,2"},
        {"(?:(?>(a))b|ac)", 0, "ac", "0,2 -"},
        {"(?:(?>(a))b|a(c))", 0, "ac", "0,2 - 1,2"},
        {"(?:(a)++b|ac)", 0, "ac", "0,2 -"},
        {"(?:(a)++b|a(c))", 0, "ac", "0,2 - 1,2"},
        {"(?:(?!(a))x|a)", 0, "a", "0,1 -"}, // a negative assertion whose body matched
        {"(?:(?=(a)(b))abx|a(b))", 0, "ab", "0,2 - - 1,2"},
        {"(?:(?=(a))ab|ac)(x)?", 0, "acx", "0,3 - 2,3"},
        {"(?:(?=(a))ab|ac)(?:(?=(c))ab|c)", 0, "acc", "0,3 - -"},
    });
}

TEST(StaleCaptures, BackReferencesAndConditionsIgnoreRemovedRecords) {
    CheckMatchCases({
        {R"((?:(?=(a))ab|ac)\1)", 0, "ac", false},
        {R"((?:(?=(a))ab|ac)\1)", 0, "aca", false},
        {R"((?:(?=(a))ab|a(c))\1)", 0, "acc", false},
        {R"((?:(?>(a))b|a(c))\1)", 0, "acc", false},
        {R"((?:(a)++b|a(c))\1)", 0, "acc", false},
        {R"((?:(?=(a))ab|ac)(?(1)x|y))", 0, "acy", true},
        {R"((?:(?=(a))ab|ac)(?(1)x|y))", 0, "acx", false},
        {R"((?:(?=(a))ab|a(c))(?(1)x|y))", 0, "acy", true},
        {R"((?:(?>(a))b|ac)(?(1)x|y))", 0, "acy", true},
        {R"((?:(a)++b|ac)(?(1)x|y))", 0, "acy", true},
        {R"((?:(?=(a))ab|ac)\k)", 0, "acac", true}, // group 0 is unaffected
    });
}

// A group truncated away may have had an earlier record that is still valid; that one counts.
TEST(StaleCaptures, EarlierRecordOfTheSameGroupSurvives) {
    CheckSpanCases({
        {"(?:(x)|y)+(?:(?=(x))xb|xc)", 0, "xxc", "0,3 0,1 -"},
        {"(a)(?:(?=(a))ab|ac)", 0, "aac", "0,3 0,1 -"},
        {"((?:(?=(a))ab|ac)){2}", 0, "abac", "0,4 2,4 0,1"},
        {"((?:(?=(a))ab|a(c))){2}", 0, "abac", "0,4 2,4 0,1 3,4"},
    });
}

} // namespace
