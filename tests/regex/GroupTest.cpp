// The group forms: non-capturing and named groups and their numbering, inline options and their scope,
// conditionals, and recursion into the whole pattern or a group.
#include <string>

#include <gtest/gtest.h>

#include "RegexTestUtil.h"

namespace {

using namespace regex_test;

TEST(NamedGroups, NumberedAfterThePlainGroups) {
    CheckSpanCases({
        {"(?<n>x)(y)", 0, "xy", "0,2 1,2 0,1"},
        {"(?P<n>x)(y)", 0, "xy", "0,2 1,2 0,1"},
        {"(?'n'x)(y)", 0, "xy", "0,2 1,2 0,1"},
        {"(?<a>x)(?<b>y)(z)", 0, "xyz", "0,3 2,3 0,1 1,2"},
        {"(?<b>x)(?<a>y)", 0, "xy", "0,2 0,1 1,2"}, // in order of appearance, not by name
        {"(?:x)(y)", 0, "xy", "0,2 1,2"},
    });
    EXPECT_EQ(MatchPattern("(?<n>x)(y)", "xy").HighestGroup(), 2);
    EXPECT_EQ(MatchPattern("(?:a)(?:b)", "ab").HighestGroup(), 0);
}

TEST(NamedGroups, SharedNamesShareANumber) {
    CheckSpanCases({
        {"(?<a>x)|(?<A>y)", 0, "y", "0,1 0,1"}, // names compare ignoring case
        {"(?<a>x)|(?<A>y)", 0, "x", "0,1 0,1"},
        {"(?<a>x)(?<a>y)", 0, "xy", "0,2 1,2"}, // the later capture wins
        {"(?<a>x)(b)(?<a>y)", 0, "xby", "0,3 1,2 2,3"},
    });
    EXPECT_EQ(MatchPattern("(?<a>x)|(?<A>y)", "y").HighestGroup(), 1);
}

TEST(NamedGroups, NumericNamesTakeThatNumber) {
    CheckSpanCases({
        {"(?<2>a)(b)", 0, "ab", "0,2 1,2 0,1"},
        {"(?<1>a)(b)", 0, "ab", "0,2 1,2"}, // shares number 1 with the plain group
        {"(?<3>a)", 0, "a", "0,1 - - 0,1"},
    });
}

TEST(NamedGroups, BackReferencesByName) {
    CheckMatchCases({
        {R"((?<year>\d+)-\k<YEAR>)", 0, "12-12", true},
        {R"((?<year>\d+)-\k<YEAR>)", 0, "12-13", false},
        {R"((?<w>\w)\k'w')", 0, "aa", true},
        {R"((?<w>\w)\g<w>)", 0, "bb", true},
        {R"((?<w>\w)\k<w>)", 0, "ab", false},
        {R"(\k<w>(?<w>a))", 0, "aa", false}, // resolved, but the group has no capture yet
        {R"((?<w>a)|b\k<w>)", 0, "b", false},
        {R"((?<a>x)|(?<A>y)\k<a>)", 0, "yy", true},
    });
}

TEST(InlineOptions, ScopeIsTheRestOfTheEnclosingSequence) {
    CheckMatchCases({
        {"(?i)a|b", 0, "A", true}, // an alternation's branches share one set of flags
        {"(?i)a|b", 0, "B", true},
        {"a(?i)b|c", 0, "aB", true},
        {"a(?i)b|c", 0, "C", true},
        {"a(?i)b|c", 0, "AB", false},
        {"(a(?i)b)c", 0, "aBc", true}, // only b is case-blind
        {"(a(?i)b)c", 0, "Abc", false},
        {"(a(?i)b)c", 0, "abC", false},
        {"a(?i:b)c", 0, "aBc", true},
        {"a(?i:b)c", 0, "aBC", false},
        {"(?i)a(?-i)b", 0, "Ab", true},
        {"(?i)a(?-i)b", 0, "AB", false},
        {"(?i-i)a", 0, "A", false},
        {"(?I)a", 0, "A", true}, // upper-case option letters count too
        {"a(?-i)b", kIgnoreCase, "AB", false},
        {"a(?-i)b", kIgnoreCase, "Ab", true},
        {"(?i)[a-c]+", 0, "AbC", true},
        {"(?i)(a)\\1", 0, "Aa", true},
        {"(?s).", 0, "\n", true},
        {"(?-s).", kDotAll, "\n", false},
        {"(?m)a$\\nb", 0, "a\nb", true},
        {"(?m:a$)\\n^b", 0, "a\nb", false}, // '^' outside the group is still a text anchor
        {"(?x)a b", 0, "a b", true},        // Extended cannot be set inline
        {"(?x)a b", 0, "ab", false},
        {"(?is)A.", 0, "a\n", true},
        {"(?i:a|b)c", 0, "Bc", true},
        {"(?i:a|b)c", 0, "BC", false},
        {"(?  i)a", 0, "A", true},        // whitespace before the options is skipped
        {"(?:a|(?i)b|c)", 0, "C", true},  // later branches of the same alternation follow
        {"(?:a|(?i)b|c)", 0, "A", false}, // earlier ones do not
        {"(?i(a)b)", 0, "AB", true},      // options followed by '(' open a group, as with ':'
        {"(?i(a)b)c", 0, "ABC", false},
    });
}

TEST(Conditionals, GroupNumberConditions) {
    CheckMatchCases({
        {"(x)?(?(1)a|b)", 0, "xa", true},
        {"(x)?(?(1)a|b)", 0, "b", true},
        {"(x)?(?(1)a|b)", 0, "xb", false},
        {"(x)?(?(1)a|b)", 0, "a", false},
        {"(x)?(?(1)a|b|c)", 0, "xa", true}, // yes branch 'a', no branch 'b|c'
        {"(x)?(?(1)a|b|c)", 0, "c", true},
        {"(x)?(?(1)a|b|c)", 0, "xc", false},
        {"(?(1)a|b|c)", 0, "b", true}, // no group 1 at all: the no branch
        {"(?(1)a|b|c)", 0, "a", false},
        {"(x)?(?(1)a)", 0, "", true}, // no no-branch: a false condition matches empty
        {"(x)?(?(1)a)", 0, "xa", true},
        {"(x)?(?(1)a)", 0, "x", false},
        {"(x)?(?(1)a)b", 0, "b", true},
        {"(?<n>x)?(?(n)a|b)", 0, "xa", true},
        {"(?<n>x)?(?(n)a|b)", 0, "b", true},
        {"(?<n>x)?(?(N)a|b)", 0, "xb", false},
        {"(x)?(?(1)(a|ab)|c)b", 0, "xabb", true}, // the chosen branch is backtracked into
        {"(x)?(?(1)a*)a", 0, "xaaa", true},
        {"(?(0)a|b)", 0, "a", true}, // group 0 has always taken part
        {"(?(0)a|b)", 0, "b", false},
        {"(x)?(?( 1 )a|b)", 0, "xa", true},   // whitespace around the number is allowed
        {"(x)?(?(1)(?i)a|b)", 0, "xA", true}, // an option in the yes branch stays there
        {"(x)?(?(1)(?i)a|b)", 0, "B", false},
        {"a(?(?<=a)b|c)", kRightToLeft, "ab", false}, // right to left, the condition is tested first
    });
}

// A name that no group carries is compiled as a lookahead for that text.
TEST(Conditionals, UnknownNameAndLookaroundConditions) {
    CheckMatchCases({
        {"(?(abc)abc|y)", 0, "abc", true},
        {"(?(abc)abc|y)", 0, "y", true},
        {"(?(abc)x|y)", 0, "x", false},
        {"(?(ab)a|x)b", 0, "ab", true},
        {"(?(ab)a|x)b", 0, "xb", true},
        {"(?(ab)a|x)b", 0, "ab", true},
        {"(?(?=a)ab|cd)", 0, "ab", true},
        {"(?(?=a)ab|cd)", 0, "cd", true},
        {"(?(?=a)ab|cd)", 0, "ad", false},
        {"(?(?!a)cd|ab)", 0, "ab", true},
        {"(?(?!a)cd|ab)", 0, "cd", true},
        {"a(?(?<=a)b|c)", 0, "ab", true},
        {"a(?(?<=x)b|c)", 0, "ac", true},
    });
}

TEST(Conditionals, CaptureInsideChosenBranch) {
    CheckSpanCases({
        {"(x)?(?(1)(a)|(b))", 0, "xa", "0,2 0,1 1,2 -"},
        {"(x)?(?(1)(a)|(b))", 0, "b", "0,1 - - 0,1"},
        {"(?(?=(a))ab|cd)", 0, "ab", "0,2 0,1"},
    });
}

// '(?N)' and '(?R)' run the group or the whole pattern again at the current position; a group reached
// this way captures again.
TEST(Recursion, IntoGroupsAndThePattern) {
    CheckSpanCases({
        {"(x)(?1)", 0, "xx", "0,2 1,2"},
        {"(x)(?1)", 0, "x", "nomatch"},
        {"(?1)(a|b)", 0, "ab", "0,2 1,2"}, // a reference ahead of its group
        {"(a|b)(?1)(?1)", 0, "bab", "0,3 2,3"},
        {"a(?R)?b", 0, "aaabbb", "0,6"},
        {"a(?R)?b", 0, "aabbb", "nomatch"},
        {"a(?R)?b", 0, "ab", "0,2"},
        {"(a(?1)?b)", 0, "aabb", "0,4 0,4"},
        {"(?<p>a(?R<p>)?b)", 0, "aabb", "0,4 0,4"},
        {"(?<p>a(?R'p')?b)", 0, "aabb", "0,4 0,4"},
        {"(a)(?R1)", 0, "aa", "0,2 1,2"},
        {"(?<n>a|b)(?1)", 0, "ab", "0,2 1,2"}, // the named group's number
        {"(a)(?R 1)", 0, "aa", "0,2 1,2"},
        {"\\((?:[^()]|(?R))*\\)", 0, "(a(b)(c(d)))", "0,12"},
        {"\\((?:[^()]|(?R))*\\)", 0, "(a(b)(c(d))", "nomatch"},
    });
}

TEST(Recursion, UnresolvedReferencesMatchEmptyOnce) {
    CheckMatchCases({
        {"(?5)a", 0, "a", true}, // no group 5
        {"(a)(?2)", 0, "a", true},
        {"(?R<nope>)a", 0, "a", true}, // no group of that name
        {"(?R<nope>)a", 0, "aa", false},
    });
}

} // namespace
