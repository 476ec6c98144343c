// Sequences, alternation order and repetitions (exact, greedy, lazy, possessive), including the engine's
// own rules: a greedy or lazy repetition revisits only its last iteration, and an iteration that consumes
// nothing is not counted. Expected spans are given per group, so they also pin down which way of matching
// was found first.
#include <string>

#include <gtest/gtest.h>

#include "RegexTestUtil.h"

namespace {

using namespace regex_test;

TEST(Sequence, ItemsBacktrackNearestFirst) {
    CheckSpanCases({
        {"(a*)(a*)", 0, "aaa", "0,3 0,3 3,3"},
        {"(a*)(a+)", 0, "aaa", "0,3 0,2 2,3"},
        {"(a*)(a{2})(a*)", 0, "aaaa", "0,4 0,2 2,4 4,4"},
        {"(a*?)(a*)", 0, "aa", "0,2 0,0 0,2"},
        {"(a+?)(a*)", 0, "aaa", "0,3 0,1 1,3"},
        {"(.*)(\\d+)", 0, "ab123", "0,5 0,4 4,5"},
        {"(.*?)(\\d+)", 0, "ab123", "0,5 0,2 2,5"},
        {"a.*?c", 0, "abcbc", "0,5"}, // only a match that covers the whole subject counts
        {"(a|ab)(c|bcd)(d*)", 0, "abcd", "0,4 0,1 1,4 4,4"},
        {"(a*)b(a*)", 0, "aabaa", "0,5 0,2 3,5"},
    });
}

TEST(Alternation, BranchesAreTriedInOrder) {
    CheckSpanCases({
        {"a|ab", 0, "ab", "0,2"}, // the driver backtracks into the second branch
        {"(a|ab)(b?)", 0, "ab", "0,2 0,1 1,2"},
        {"(ab|a)(b?)", 0, "ab", "0,2 0,2 2,2"},
        {"(a|b|c)+", 0, "abc", "0,3 2,3"},
        {"x(a|b)|x(c)", 0, "xc", "0,2 - 1,2"},
        {"(?:(a)|(b)|(c))", 0, "c", "0,1 - - 0,1"},
        {"(a|ab)(c|bcd)", 0, "abcd", "0,4 0,1 1,4"},
        {"(a|ab)c", 0, "abc", "0,3 0,2"},
    });
}

TEST(Repetition, ExactCountsBacktrackEveryIteration) {
    CheckSpanCases({
        {"a{2}", 0, "a", "nomatch"},
        {"a{2}", 0, "aa", "0,2"},
        {"a{2}", 0, "aaa", "nomatch"},
        {"(ab){2}", 0, "abab", "0,4 2,4"},
        {"(a|ab){2}c", 0, "ababc", "0,5 2,4"}, // both iterations are revisited
        {"(a|ab){2}c", 0, "aabc", "0,4 1,3"},
        {"(a|ab){3}", 0, "abaab", "0,5 3,5"},
        {"(?:a{2}){2}", 0, "aaaa", "0,4"},
        {"(?:a{2}){2}", 0, "aaa", "nomatch"},
        {"(a?){2}", 0, "a", "0,1 1,1"}, // an exact iteration may be empty
        {"(a*){2}b", 0, "aab", "0,3 2,2"},
    });
}

TEST(Repetition, GreedyTakesAsManyAsPossible) {
    CheckSpanCases({
        {"a*", 0, "", "0,0"},
        {"a*", 0, "aaaa", "0,4"},
        {"a+", 0, "", "nomatch"},
        {"a{2,3}", 0, "a", "nomatch"},
        {"a{2,3}", 0, "aaa", "0,3"},
        {"a{2,3}", 0, "aaaa", "nomatch"},
        {"(a)*", 0, "aaa", "0,3 2,3"}, // a repeated group keeps its last iteration
        {"(a|b)*", 0, "abba", "0,4 3,4"},
        {"(\\w)+", 0, "abc", "0,3 2,3"},
        {"(ab)*", 0, "", "0,0 -"},
        {"(a{2,3})+", 0, "aaaaa", "0,5 3,5"},
        {"(?:(a)|b)+", 0, "ab", "0,2 0,1"}, // an iteration without the group leaves its capture
        {"(a|ab)*c", 0, "abc", "0,3 0,2"},  // the last iteration is revisited: 'a' becomes 'ab'
        {"(a|ab)*c", 0, "aabc", "0,4 1,3"},
        {"[ab]{2,}c", 0, "abbac", "0,5"},
    });
}

// Only the last iteration of a greedy repetition is ever revisited, so once an earlier iteration would
// have to change, the repetition gives up. Other engines would find these matches.
TEST(Repetition, GreedyRevisitsOnlyItsLastIteration) {
    CheckSpanCases({
        {"(?:a|ab)*", 0, "abab", "nomatch"},
        {"(a|ab)*c", 0, "abac", "nomatch"},
        {"(?:a|ab)+b", 0, "abb", "0,3"},
        {"(?:a|ab)*", 0, "ab", "0,2"},
        {"(?:ab|a)*", 0, "abab", "0,4"},
        {"(?:a|ab)*?", 0, "abab", "0,4"}, // the lazy form lengthens again after each change
    });
}

// An iteration that consumes nothing is dropped, so repeating something that can match empty neither
// loops nor records an empty last iteration.
TEST(Repetition, EmptyIterationsAreDropped) {
    CheckSpanCases({
        {"(a?)*", 0, "b", "nomatch"},
        {"(a?)*", 0, "", "0,0 -"},
        {"(a?)*", 0, "aa", "0,2 1,2"},
        {"(a*)*", 0, "aa", "0,2 0,2"},
        {"(a*)+", 0, "", "0,0 0,0"}, // the fixed first iteration is kept even when empty
        {"(a*)+", 0, "aa", "0,2 0,2"},
        {"(?:a|)*b", 0, "aab", "0,3"},
        {"(|a)*", 0, "aa", "0,2 1,2"}, // an empty first branch is passed over for 'a'
        {"(?:\\b)*a", 0, "a", "0,1"},
        {"(?:a*)*b", 0, "aaab", "0,4"},
        {"(?:a*)*b", 0, "aaac", "nomatch"},
    });
}

TEST(Repetition, LazyTakesAsFewAsPossible) {
    CheckSpanCases({
        {"a+?", 0, "aaa", "0,3"}, // the driver asks for longer matches until the end
        {"a*?", 0, "", "0,0"},
        {"a??", 0, "a", "0,1"},
        {"a{2,3}?", 0, "aaaa", "nomatch"},
        {"(a{1,3}?)(a*)", 0, "aaaa", "0,4 0,1 1,4"},
        {"(a+?)(b*)", 0, "aab", "0,3 0,2 2,3"},
        {"(a|ab)*?c", 0, "ababc", "0,5 2,4"},
        {"(a*?)*b", 0, "aab", "0,3 1,2"},
        {"(|a)*?", 0, "aa", "0,2 1,2"},
        {"(a|ab){1,2}?c", 0, "abc", "0,3 0,2"}, // a lazy range still revisits its fixed part       // an added
                                                // iteration that stays put is passed over
    });
}

TEST(Repetition, PossessiveGivesNothingBack) {
    CheckSpanCases({
        {"a*+a", 0, "aaa", "nomatch"},
        {"a++a", 0, "aaa", "nomatch"},
        {"a*+b", 0, "aab", "0,3"},
        {"a?+a", 0, "a", "nomatch"},
        {"[ab]*+b", 0, "ab", "nomatch"},
        {"(a|ab)++c", 0, "abc", "nomatch"}, // the first way of each iteration is final
        {"(ab|a)++c", 0, "abc", "0,3 0,2"},
        {"(a)*+", 0, "aa", "0,2 1,2"},
        {"(?:a|b)?+b", 0, "b", "nomatch"},
        {"a{1,2}+a", 0, "aa", "nomatch"},
        {"a{1,2}+a", 0, "aaa", "0,3"},
        {"x(a{1,2}+)", 0, "xaa", "0,3 1,3"},
    });
}

} // namespace
