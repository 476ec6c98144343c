// Lookahead and lookbehind (positive and negative), atomic groups and possessive repetition: they keep
// their first way of matching and are never backtracked into.
#include <gtest/gtest.h>

#include "RegexTestUtil.h"

namespace {

using namespace regex_test;

TEST(Lookahead, TestsWithoutConsuming) {
    CheckMatchCases({
        {"(?=a)a", 0, "a", true},
        {"(?=b)a", 0, "a", false},
        {"(?!b)a", 0, "a", true},
        {"(?!a)a", 0, "a", false},
        {"a(?=b)", 0, "a", false}, // the lookahead sees 'b' but cannot consume it
        {"a(?=b)b", 0, "ab", true},
        {"a(?!b)", 0, "a", true}, // at the end nothing follows
        {"(?=.*c)abc", 0, "abc", true},
        {"(?=a(?!b))a.", 0, "ac", true},
        {"(?=a(?!b))a.", 0, "ab", false},
        {"(?=)", 0, "", true},
        {"(?!)", 0, "", false},
        {"(?=a|b)[ab]", 0, "b", true},
        {"(?:(?!ab).)+", 0, "aacb", true},
        {"(?:(?!ab).)+", 0, "aabc", false},
    });
}

// Captures made in a positive assertion stay; those of a negative one are gone. The assertion is not
// revisited: its captures are fixed by its first success.
TEST(Lookahead, CapturesOfPositiveStayAndOfNegativeGo) {
    CheckSpanCases({
        {"(?=(a))a", 0, "a", "0,1 0,1"},
        {"(?!(a))b", 0, "b", "0,1 -"},
        {"(?=(a+))a*b\\1", 0, "aaabaaa", "0,7 0,3"},
        {"(?=(a+))a*b\\1", 0, "aaaba", "nomatch"}, // group 1 cannot shrink to 'a'
        {"(?=(a|ab))(ab)", 0, "ab", "0,2 0,1 0,2"},
        {"(?=(\\w+))\\w", 0, "abc", "nomatch"},
        {"(?=(\\w+))\\w+", 0, "abc", "0,3 0,3"},
        {"(?!(a)b)(a)c", 0, "ac", "0,2 - 0,1"},
    });
}

// A lookbehind's body is compiled to run backwards from the current position.
TEST(Lookbehind, BodyMatchesBackwards) {
    CheckMatchCases({
        {"ab(?<=ab)c", 0, "abc", true},
        {"ab(?<!ab)c", 0, "abc", false},
        {"a(?<=a)b", 0, "ab", true},
        {"a(?<=b)b", 0, "ab", false},
        {"a(?<!a)b", 0, "ab", false},
        {"a(?<!b)b", 0, "ab", true},
        {"(?<=a)", 0, "", false}, // nothing before the start
        {"(?<!a)b", 0, "b", true},
        {"ab(?<=a)", 0, "ab", false},
        {"abc(?<=b.)", 0, "abc", true},
        {"abc(?<=[ab]{2}c)", 0, "abc", true},
        {"aaa(?<=^a+)b", 0, "aaab", true}, // not only fixed lengths: the body simply runs backwards
        {"baa(?<=^a+)", 0, "baa", false},
        {"ab(?<=a(?=b)b)", 0, "ab", true}, // a lookahead inside a lookbehind runs forwards again
        {"ab(?<=(?<=a)b)", 0, "ab", true},
        {"xab(?<=a|xa)b", 0, "xabb", false},
        {"xa(?<=xa|a)b", 0, "xab", true},
    });
}

TEST(Lookbehind, CapturesSpanForwards) {
    CheckSpanCases({
        {"ab(?<=(a)b)c", 0, "abc", "0,3 0,1"},
        {"ab(?<=(ab))c", 0, "abc", "0,3 0,2"},
        {"abc(?<=(a)(b)c)", 0, "abc", "0,3 0,1 1,2"},
        {"ab(?<!(x)b)", 0, "ab", "0,2 -"},
        {"aab(?<=(a+)b)", 0, "aab", "0,3 0,2"}, // greedy backwards: takes both 'a'
    });
}

TEST(Atomic, NeverBacktrackedInto) {
    CheckSpanCases({
        {"(?>a+)a", 0, "aaa", "nomatch"},
        {"a++a", 0, "aaa", "nomatch"},
        {"(?>a+)b", 0, "aaab", "0,4"},
        {"(?>a|ab)c", 0, "abc", "nomatch"}, // 'a' is its first way, and the only one kept
        {"(?>ab|a)c", 0, "abc", "0,3"},
        {"(?>(a|ab))c", 0, "ac", "0,2 0,1"},
        {"(?>(a*))a", 0, "aa", "nomatch"},
        {"(?>a*?)a", 0, "aa", "nomatch"}, // lazy inside an atomic group: zero, kept
        {"(?>a*?)", 0, "", "0,0"},
        {"((?>a|b)*)c", 0, "abbc", "0,4 0,3"},
        {"(?>(?:a|ab)*)b", 0, "abb", "nomatch"},
        {"x(?>)y", 0, "xy", "0,2"},
    });
}

} // namespace
