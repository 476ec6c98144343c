// The whole-text match driver and the pattern's life cycle: only a match covering the whole subject
// counts, empty patterns never match, recompiling replaces the tree, a caller's match state can be
// reused, and the engine's bounds (nesting, recursion depth, step budget) end hostile patterns as "no
// match" without crashing. Also several threads matching one compiled pattern at once.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "RegexTestUtil.h"

namespace {

using namespace regex_test;
using namespace std::literals;

std::string Repeat(std::string_view piece, int count) {
    std::string out;
    out.reserve(piece.size() * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        out += piece;
    return out;
}

TEST(WholeTextMatch, OnlyAMatchCoveringTheWholeSubjectCounts) {
    CheckMatchCases({
        {"b", 0, "ab", false}, // no search at later positions
        {"a", 0, "ab", false}, // nor a match of a prefix
        {"a|ab", 0, "ab", true},
        {".*", 0, "abc", true},
        {"a*", 0, "", true},
        {"abc", 0, "abc\n", false},
        {"abc", 0, "\0abc"sv, false},
    });
}

// The driver asks the root for further matches until one ends at the end of the subject, but stops when
// two results in a row end where matching began: that guards against an endless series of empty results.
TEST(WholeTextMatch, GuardStopsAfterTwoEmptyResultsAtTheStart) {
    CheckMatchCases({
        {"(?:|a)", 0, "a", true},
        {"(?:||a)", 0, "a", true},   // empty, empty again (first repeat noted), then 'a'
        {"(?:|||a)", 0, "a", false}, // the third empty result in a row stops the driver
        {"(?:|||a)", 0, "", true},
        {"(?:||a)(?:|)", 0, "a", false},
        {"(?:|||a)", kRightToLeft, "a", false}, // right to left, matching begins at the end
        {"(?:||a)", kRightToLeft, "a", true},
    });
}

TEST(PatternLifeCycle, EmptyPatternsNeverMatch) {
    CPatternT fresh;
    EXPECT_TRUE(fresh.IsEmpty());
    EXPECT_EQ(fresh.MatchWhole("").Matched(), 0);
    EXPECT_EQ(fresh.MatchWhole("a").Size(), 0);

    CPatternT null(nullptr, 0);
    EXPECT_TRUE(null.IsEmpty());
    EXPECT_EQ(null.MatchWhole("").Matched(), 0);

    // The empty pattern text is not an empty pattern: it compiles to the empty element.
    CPatternT emptyText("", 0);
    EXPECT_FALSE(emptyText.IsEmpty());
    EXPECT_EQ(Describe(emptyText.MatchWhole("")), "0,0");
    EXPECT_EQ(emptyText.MatchWhole("a").Matched(), 0);
}

TEST(PatternLifeCycle, RecompilingReplacesTheTree) {
    CPatternT pattern("(a)(b)", 0);
    EXPECT_EQ(pattern.HighestGroup(), 2);
    CGroupSpansT kept = pattern.MatchWhole("ab");

    pattern.Compile("c", CPatternT::IgnoreCase);
    EXPECT_EQ(pattern.HighestGroup(), 0);
    EXPECT_EQ(pattern.Flags(), CPatternT::IgnoreCase);
    EXPECT_EQ(Describe(pattern.MatchWhole("C")), "0,1");
    EXPECT_EQ(pattern.MatchWhole("ab").Matched(), 0);
    EXPECT_EQ(Describe(kept), "0,2 0,1 1,2"); // a result is independent of the pattern

    pattern.Compile(nullptr, 0);
    EXPECT_TRUE(pattern.IsEmpty());
    EXPECT_EQ(pattern.MatchWhole("C").Matched(), 0);

    pattern.Compile("(?<n>x)", 0);
    EXPECT_EQ(Describe(pattern.MatchWhole("x")), "0,1 0,1");
    pattern.Clear();
    EXPECT_TRUE(pattern.IsEmpty());
    EXPECT_EQ(pattern.MatchWhole("x").Matched(), 0);
}

TEST(PatternLifeCycle, PatternTextNeedsToLiveOnlyDuringCompile) {
    CPatternT pattern;
    {
        std::string text = "(x+)y";
        pattern.Compile(text.data(), 3, 0); // only "(x+"
        text.assign(text.size(), '#');
    }
    EXPECT_EQ(Describe(pattern.MatchWhole("xx")), "0,2 0,2");
    EXPECT_EQ(pattern.MatchWhole("xxy").Matched(), 0);
}

TEST(PatternLifeCycle, SubjectLengthIsGivenOrCounted) {
    CPatternT pattern("a\\x00?b", 0);
    EXPECT_EQ(pattern.MatchWhole("a\0b", 3).Matched(), 1);
    EXPECT_EQ(pattern.MatchWhole("a\0b").Matched(), 0); // counted: "a" only
    EXPECT_EQ(pattern.MatchWhole("ab").Matched(), 1);
    EXPECT_EQ(pattern.MatchWhole("abXYZ", 2).Matched(), 1);

    CPatternT star("a*", 0); // a null subject reads as the empty string
    EXPECT_EQ(Describe(star.MatchWhole(nullptr)), "0,0");
    EXPECT_EQ(Describe(star.MatchWhole(nullptr, 0)), "0,0");
}

TEST(MatchState, CallerStateCanBeReusedAcrossPatternsAndSubjects) {
    const SpanCase cases[] = {
        {"(a|ab)(c|bcd)(d*)", 0, "abcd", "0,4 0,1 1,4 4,4"},
        {"(?:(?=(a))ab|ac)", 0, "ac", "0,2 -"},
        {"(\\w+)\\1", 0, "abcabc", "0,6 0,3"},
        {"x*", 0, "y", "nomatch"},
        {"(a)(b)(c)(d)(e)", 0, "abcde", "0,5 0,1 1,2 2,3 3,4 4,5"},
        {"(a)", 0, "a", "0,1 0,1"}, // fewer groups after more: no leftovers
        {"(b)", kRightToLeft, "b", "0,1 0,1"},
    };
    CMatchStateT state;
    for (int round = 0; round < 2; ++round) {
        for (const SpanCase& c : cases) {
            CPatternT pattern;
            pattern.Compile(c.pattern.data(), static_cast<int>(c.pattern.size()), c.flags);
            CGroupSpansT spans = pattern.MatchWhole(c.subject.data(), static_cast<int>(c.subject.size()), &state);
            EXPECT_EQ(Describe(spans), c.expected) << Show(c.pattern) << " round " << round;
            EXPECT_GT(state.Steps(), 0);
            EXPECT_FALSE(state.Abandoned());
        }
    }
}

// The step budget ends exponential backtracking as "no match". A fixed count of a choice between two
// equal alternatives has 2^n ways to fail, all of which the engine would otherwise try.
TEST(Bounds, StepBudgetEndsExponentialBacktrackingAsNoMatch) {
    const std::string subject(40, 'a');
    const char* const patterns[] = {
        "(?:a|a){40}b",
        "(a|a){40}b",
        "(?:a?){40}a{40}b",
        "(?:(?:a|a)(?:a|a)){20}b",
    };
    for (const char* text : patterns) {
        CPatternT pattern(text, 0);
        CMatchStateT state(200'000);
        EXPECT_EQ(pattern.MatchWhole(subject.data(), static_cast<int>(subject.size()), &state).Matched(), 0) << text;
        EXPECT_TRUE(state.Abandoned()) << text;
        EXPECT_LE(state.Steps(), 201'000) << text; // the work stops at the budget
    }
    // With the default budget too, and the same state then serves an ordinary match.
    CPatternT pattern("(?:a|a){40}b", 0);
    CMatchStateT state;
    EXPECT_EQ(pattern.MatchWhole(subject.data(), static_cast<int>(subject.size()), &state).Matched(), 0);
    EXPECT_TRUE(state.Abandoned());
    EXPECT_LE(state.Steps(), kDefaultStepLimit + 1000);
    std::string easy = subject + "b";
    CPatternT plain("a*b", 0);
    EXPECT_EQ(plain.MatchWhole(easy.data(), static_cast<int>(easy.size()), &state).Matched(), 1);
    EXPECT_FALSE(state.Abandoned());
}

// Each iteration of a repeated capturing group keeps a capture record; once the stacks would hold more
// than kMaxStackInts, the match is abandoned instead of eating memory without end.
TEST(Bounds, StackSizeEndsAMatchThatKeepsTooManyRecords) {
    CPatternT pattern("(a)*", 0);
    const std::string fits(1000, 'a');
    CMatchStateT state(1LL << 40); // a budget out of reach, so only the stack bound can stop it
    EXPECT_EQ(pattern.MatchWhole(fits.data(), static_cast<int>(fits.size()), &state).Matched(), 1);
    const std::string tooMany(kMaxStackInts / 4 + 1000, 'a');
    EXPECT_EQ(pattern.MatchWhole(tooMany.data(), static_cast<int>(tooMany.size()), &state).Matched(), 0);
    EXPECT_TRUE(state.Abandoned());
    EXPECT_LE(state.m_stack.Size() + state.m_captures.Size(), kMaxStackInts + 64);
}

// Compiling takes time about linear in the pattern's length, also for long classes closed under case and
// for many named groups and references to them (a quadratic compile would hold this test for minutes).
TEST(Bounds, LongClassesAndManyNamesCompileInLinearTime) {
    std::string letters;
    for (int i = 0; i < 200'000; ++i)
        letters += static_cast<char>('a' + i % 26);
    std::string klass = "[" + letters + "]+";
    CPatternT pattern(klass.c_str(), CPatternT::IgnoreCase);
    EXPECT_EQ(pattern.MatchWhole("QwErTy").Matched(), 1);

    std::string named;
    for (int i = 0; i < 40'000; ++i)
        named += "(?<n" + std::to_string(i) + ">x)";
    named += "\\k<N39999>(?(n0)y|z)";
    pattern.Compile(named.c_str(), 0);
    EXPECT_EQ(pattern.HighestGroup(), 40'000);
    std::string subject(40'001, 'x');
    subject += 'y';
    EXPECT_EQ(pattern.MatchWhole(subject.data(), static_cast<int>(subject.size())).Matched(), 1);
}

// Nested repetitions that are exponential in other engines stay cheap here, because a greedy
// repetition revisits only its last iteration. They end as "no match" on their own.
TEST(Bounds, NestedStarsFailWithoutExhaustingTheBudget) {
    const std::string subject(30, 'a');
    for (const char* text : {"(a*)*b", "(?:a|a)*b", "(?:a+)+b", "(a|aa)*b"}) {
        CPatternT pattern(text, 0);
        CMatchStateT state;
        EXPECT_EQ(pattern.MatchWhole(subject.data(), static_cast<int>(subject.size()), &state).Matched(), 0) << text;
        EXPECT_FALSE(state.Abandoned()) << text;
    }
}

TEST(Bounds, RecursionDepthEndsAsNoMatch) {
    for (const char* text : {"(?R)a", "(?R)", "(a|(?R))*", "(?:(?R)|a)b"}) {
        for (std::string_view subject : {""sv, "a"sv, "aa"sv, "aab"sv}) {
            CPatternT pattern(text, 0);
            CMatchStateT state;
            CGroupSpansT spans = pattern.MatchWhole(subject.data(), static_cast<int>(subject.size()), &state);
            EXPECT_EQ(spans.Matched(), 0) << text << " on " << Show(subject);
            EXPECT_TRUE(state.Abandoned()) << text << " on " << Show(subject);
        }
    }
    // Legitimate recursion stays well inside the bound; too deep a nesting is abandoned.
    CPatternT balanced("a(?R)?b", 0);
    std::string shallow = Repeat("a", 20) + Repeat("b", 20);
    EXPECT_EQ(balanced.MatchWhole(shallow.data(), static_cast<int>(shallow.size())).Matched(), 1);
    std::string deep = Repeat("a", 20000) + Repeat("b", 20000);
    CMatchStateT state;
    EXPECT_EQ(balanced.MatchWhole(deep.data(), static_cast<int>(deep.size()), &state).Matched(), 0);
    EXPECT_TRUE(state.Abandoned());
}

// Checks the shape of a result when a hostile pattern happens to match.
void ExpectSane(const CPatternT& pattern, std::string_view subject) {
    CGroupSpansT spans = pattern.MatchWhole(subject.data(), static_cast<int>(subject.size()));
    if (spans.Matched()) {
        EXPECT_EQ(spans.Size(), 2 * spans.HighestGroup() + 4);
        EXPECT_EQ(spans.GroupStart(0), 0);
        EXPECT_EQ(spans.GroupEnd(0), static_cast<int>(subject.size()));
    } else {
        EXPECT_EQ(spans.Size(), 0);
    }
}

TEST(Bounds, DeeplyNestedPatternsCompileAndMatchWithoutCrashing) {
    const int n = 100'000;
    for (std::string_view opener : {"("sv, "(?:"sv, "(?="sv, "(?!"sv, "(?<="sv, "(?>"sv, "["sv, "[:"sv, "[[:"sv,
                                    "(?(1)"sv, "(?(?=a)"sv, "(?i:"sv, "\\Q"sv, "(a|"sv}) {
        for (std::string_view tail : {""sv, "a"sv}) {
            std::string text = Repeat(opener, n) + std::string(tail) + Repeat(")", n);
            CPatternT pattern;
            pattern.Compile(text.data(), static_cast<int>(text.size()), 0);
            ExpectSane(pattern, "");
            ExpectSane(pattern, "a");
            ExpectSane(pattern, "[");
        }
    }
    // Closing parentheses alone end the pattern at once.
    std::string closers = Repeat(")", n);
    CPatternT pattern(closers.c_str(), 0);
    EXPECT_EQ(Describe(pattern.MatchWhole("")), "0,0");
    // A class never closed runs to the end and holds '[' itself.
    std::string brackets = Repeat("[", n);
    pattern.Compile(brackets.c_str(), 0);
    EXPECT_EQ(Describe(pattern.MatchWhole("[")), "0,1");
}

TEST(Bounds, NestingWithinTheBoundStillWorks) {
    const int depth = 200;
    std::string text = Repeat("(", depth) + "a" + Repeat(")", depth);
    CPatternT pattern(text.c_str(), 0);
    ASSERT_EQ(pattern.HighestGroup(), depth);
    CGroupSpansT spans = pattern.MatchWhole("a");
    ASSERT_EQ(spans.Matched(), 1);
    for (int g = 0; g <= depth; ++g) {
        EXPECT_EQ(spans.GroupStart(g), 0) << g;
        EXPECT_EQ(spans.GroupEnd(g), 1) << g;
    }
    std::string lookaheads = Repeat("(?=", depth) + "a" + Repeat(")", depth) + "a";
    pattern.Compile(lookaheads.c_str(), 0);
    EXPECT_EQ(pattern.MatchWhole("a").Matched(), 1);
}

// Call depth grows with the pattern's nesting, not with the subject: long subjects and long patterns are
// fine.
TEST(Bounds, LongSubjectsAndFlatPatterns) {
    std::string subject = Repeat("ab", 100'000) + "c";
    CPatternT pattern("(a|b)*c", 0);
    EXPECT_EQ(Describe(pattern.MatchWhole(subject.data(), static_cast<int>(subject.size()))), "0,200001 199999,200000");
    pattern.Compile("(?:ab)*+c", 0);
    EXPECT_EQ(pattern.MatchWhole(subject.data(), static_cast<int>(subject.size())).Matched(), 1);
    pattern.Compile(".*?c", 0);
    EXPECT_EQ(pattern.MatchWhole(subject.data(), static_cast<int>(subject.size())).Matched(), 1);

    std::string alternatives = Repeat("x|", 50'000) + "c";
    pattern.Compile(alternatives.c_str(), 0);
    EXPECT_EQ(pattern.MatchWhole("c").Matched(), 1);

    std::string literal = Repeat("a", 100'000);
    pattern.Compile(literal.c_str(), 0);
    EXPECT_EQ(pattern.MatchWhole(literal.data(), static_cast<int>(literal.size())).Matched(), 1);

    std::string groups = Repeat("(a)", 1000);
    pattern.Compile(groups.c_str(), 0);
    CGroupSpansT spans = pattern.MatchWhole(literal.data(), 1000);
    ASSERT_EQ(spans.Matched(), 1);
    EXPECT_EQ(spans.HighestGroup(), 1000);
    EXPECT_EQ(spans.GroupStart(1000), 999);
}

// One compiled pattern, several threads, each with its own match state: every thread must see exactly
// what a single-threaded run sees.
TEST(Concurrency, ThreadsMatchingOnePatternAgreeWithSingleThreadedRun) {
    const CPatternT pattern(R"(((?:\w+\.)*\w+)@((?:[a-z]+\.)+)([a-z]{2,9})|(a|ab)*c(\d*)|(?=(x))x+)", 0);
    std::vector<std::string> subjects = {
        "john.smith@mail.example.com", "a@b.cc", "abac", "abc123", "xxxx", "no at sign", "ac", "x",
        "first.last@sub.domain.org",   "aaaaac7"};
    for (int i = 0; i < 40; ++i)
        subjects.push_back(Repeat("ab", i) + "c" + std::to_string(i));
    std::vector<std::string> expected;
    for (const std::string& s : subjects)
        expected.push_back(Describe(pattern.MatchWhole(s.data(), static_cast<int>(s.size()))));

    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            CMatchStateT state;
            for (int round = 0; round < 50; ++round) {
                for (size_t i = 0; i < subjects.size(); ++i) {
                    size_t k = (i + static_cast<size_t>(t) * 7 + static_cast<size_t>(round)) % subjects.size();
                    const std::string& s = subjects[k];
                    CMatchStateT* pState = (round % 2) ? &state : nullptr;
                    if (Describe(pattern.MatchWhole(s.data(), static_cast<int>(s.size()), pState)) != expected[k])
                        ++mismatches;
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

} // namespace
