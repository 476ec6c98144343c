// Cross-check against PCRE2, an independent backtracking engine, on generated patterns and subjects:
// match or no match, and the span of every group, must agree. Both engines run a whole-subject match
// (PCRE2 anchored at both ends, with its start and auto-possessive optimisations off).
//
// The generator keeps to constructs whose meaning the two engines share. Left out, and tested by hand in
// the other files: repetitions whose body can match empty or match in more than one way (this engine
// revisits only the last iteration of a greedy or lazy repetition and drops empty iterations), empty
// alternatives (the driver stops after two empty results at the start), right to left, named groups,
// conditionals, recursion, '\G', POSIX classes under ignore case, and FF, VT and CR in subjects (the
// space class and line anchors differ there).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <gtest/gtest.h>

#include "RegexTestUtil.h"
#include "support/Pcre2Pattern.h"

namespace {

using namespace regex_test;

// PCRE2's answer in the form of Describe(), or "error" when it cannot compile or run the pattern.
class Pcre2Matcher {
public:
    Pcre2Matcher(const std::string& pattern, int flags)
        : m_pattern(pattern, PCRE2_DOLLAR_ENDONLY | PCRE2_NO_START_OPTIMIZE | PCRE2_NO_AUTO_POSSESS |
                                 (flags & kIgnoreCase ? PCRE2_CASELESS : 0u) | (flags & kDotAll ? PCRE2_DOTALL : 0u) |
                                 (flags & kMultiLine ? PCRE2_MULTILINE : 0u)) {}

    bool Compiled() const { return m_pattern.compiled(); }

    std::string Match(const std::string& subject) {
        const int rc = m_pattern.match(subject);
        if (rc == PCRE2_ERROR_NOMATCH) return "nomatch";
        if (rc <= 0) return "error " + std::to_string(rc);
        std::string out;
        for (std::uint32_t g = 0; g <= m_pattern.groupCount(); ++g) {
            if (!out.empty()) out += ' ';
            const auto span = m_pattern.group(g);
            out += span ? std::to_string(span->first) + "," + std::to_string(span->second) : "-";
        }
        return out;
    }

private:
    Pcre2Pattern m_pattern;
};

struct Totals {
    long long patterns = 0;
    long long skipped = 0; // patterns PCRE2 refuses (e.g. a lookbehind it cannot measure)
    long long pairs = 0;
    long long matched = 0;
    long long withGroups = 0; // matches with at least one group taking part
    int failures = 0;
};

// Runs one pattern on every subject with both engines and records disagreements.
void CrossCheck(const std::string& pattern, int flags, const std::vector<std::string>& subjects, Totals& totals) {
    Pcre2Matcher reference(pattern, flags);
    if (!reference.Compiled()) {
        ++totals.skipped;
        return;
    }
    ++totals.patterns;
    CPatternT compiled;
    compiled.Compile(pattern.data(), static_cast<int>(pattern.size()), flags);
    CMatchStateT state;
    // With MultiLine, PCRE2's '^' does not match after a line feed that ends the subject; ours does.
    bool skipFinalLineFeed = (flags & kMultiLine) && pattern.find('^') != std::string::npos;
    for (const std::string& subject : subjects) {
        if (skipFinalLineFeed && !subject.empty() && subject.back() == '\n') continue;
        std::string expected = reference.Match(subject);
        std::string actual = Describe(compiled.MatchWhole(subject.data(), static_cast<int>(subject.size()), &state));
        ++totals.pairs;
        if (expected != "nomatch") {
            ++totals.matched;
            size_t firstGroup = expected.find(' ');
            if (firstGroup != std::string::npos && expected.find(',', firstGroup) != std::string::npos)
                ++totals.withGroups;
        }
        if (expected != actual && ++totals.failures <= 25) {
            ADD_FAILURE() << "pattern " << Show(pattern) << " flags " << flags << " subject " << Show(subject)
                          << "\n  PCRE2: " << expected << "\n  ours:  " << actual;
        }
    }
}

// All strings of length 0..maxLength over the alphabet.
std::vector<std::string> AllStrings(const std::string& alphabet, int maxLength) {
    std::vector<std::string> out = {""};
    size_t begin = 0;
    for (int length = 1; length <= maxLength; ++length) {
        size_t end = out.size();
        for (size_t i = begin; i < end; ++i)
            for (char c : alphabet)
                out.push_back(out[i] + c);
        begin = end;
    }
    return out;
}

// A generated expression and what the generator needs to know about it.
struct Expr {
    std::string text;
    bool fixed = true; // always consumes `length` characters
    int length = 0;
    bool simple = true; // fixed, and with no choice left to backtrack into
    int minLength = 0;
};

class PatternGenerator {
public:
    PatternGenerator(std::mt19937& rng, int flags) : m_rng(rng), m_flags(flags) {}

    std::string Generate() {
        Expr root = Alternation(2 + Pick(2), Context{});
        return root.text;
    }

private:
    struct Context {
        bool lookbehind = false; // inside a lookbehind: fixed lengths, no back-references
    };

    int Pick(int n) { return static_cast<int>(m_rng() % static_cast<unsigned>(n)); }

    Expr Alternation(int depth, Context ctx) {
        int branches = Pick(10) < 7 ? 1 : 2 + Pick(2);
        Expr result;
        for (int b = 0; b < branches; ++b) {
            Expr branch = Sequence(depth, ctx);
            // Every branch of a real alternation consumes something (see the file comment).
            if (branches > 1 && branch.minLength == 0) branch = Concat(branch, Literal());
            if (b == 0) {
                result = branch;
            } else {
                result.text += "|" + branch.text;
                result.fixed = result.fixed && branch.fixed && branch.length == result.length;
                result.simple = false;
                result.minLength = std::min(result.minLength, branch.minLength);
            }
        }
        return result;
    }

    static Expr Concat(const Expr& a, const Expr& b) {
        Expr e;
        e.text = a.text + b.text;
        e.fixed = a.fixed && b.fixed;
        e.length = a.length + b.length;
        e.simple = a.simple && b.simple;
        e.minLength = a.minLength + b.minLength;
        return e;
    }

    Expr Sequence(int depth, Context ctx) {
        Expr e = Quantified(depth, ctx);
        for (int n = Pick(3); n > 0; --n)
            e = Concat(e, Quantified(depth, ctx));
        return e;
    }

    Expr Literal() {
        static const char* const kLower[] = {"a", "b", "c", "a", "b"};
        static const char* const kMixed[] = {"a", "b", "A", "B", "c"};
        Expr e;
        e.text = (m_flags & kIgnoreCase) ? kMixed[Pick(5)] : kLower[Pick(5)];
        if ((m_flags & (kMultiLine | kDotAll)) && Pick(4) == 0) e.text = "\\n";
        e.length = e.minLength = 1;
        return e;
    }

    Expr OneCharClass() {
        static const char* const kClasses[] = {".",    "[ab]", "[^a]", "[a-c]", "[^bc]", "[b-c]", "[A-Z]",
                                               "[aB]", "\\w",  "\\W",  "\\s",   "\\S",   "\\d",   "\\D"};
        Expr e;
        e.text = kClasses[Pick(14)];
        e.length = e.minLength = 1;
        return e;
    }

    Expr Anchor() {
        static const char* const kAnchors[] = {"^", "$", "\\b", "\\B", "\\A", "\\z", "\\Z"};
        Expr e;
        e.text = kAnchors[Pick(7)];
        return e;
    }

    Expr Atom(int depth, Context ctx, bool& zeroWidth) {
        zeroWidth = false;
        int kind = Pick(depth > 0 ? 16 : 10);
        if (kind < 5) return Literal();
        if (kind < 8) return OneCharClass();
        if (kind == 8) {
            zeroWidth = true;
            return Anchor();
        }
        if (kind == 9) {
            if (ctx.lookbehind || m_closedGroups.empty()) return Literal();
            Expr e;
            e.text = "\\" +
                     std::to_string(m_closedGroups[static_cast<size_t>(Pick(static_cast<int>(m_closedGroups.size())))]);
            e.fixed = e.simple = false;
            return e;
        }
        if (kind <= 12) { // capturing group
            int number = ++m_groups;
            Expr inner = Alternation(depth - 1, ctx);
            m_closedGroups.push_back(number);
            inner.text = "(" + inner.text + ")";
            return inner;
        }
        if (kind == 13) {
            Expr inner = Alternation(depth - 1, ctx);
            inner.text = "(?:" + inner.text + ")";
            return inner;
        }
        if (kind == 14) {
            Expr inner = Alternation(depth - 1, ctx);
            inner.text = "(?>" + inner.text + ")";
            inner.simple = inner.fixed; // nothing inside is revisited
            return inner;
        }
        // lookaround
        zeroWidth = true;
        int which = Pick(4);
        Context inner = ctx;
        if (which >= 2) inner.lookbehind = true;
        Expr body = Alternation(depth - 1, inner);
        static const char* const kOpen[] = {"(?=", "(?!", "(?<=", "(?<!"};
        Expr e;
        e.text = kOpen[which] + body.text + ")";
        return e;
    }

    Expr Quantified(int depth, Context ctx) {
        bool zeroWidth = false;
        Expr atom = Atom(depth, ctx, zeroWidth);
        if (zeroWidth || Pick(3) != 0) return atom;
        if (atom.simple && atom.length >= 1 && !ctx.lookbehind) {
            static const struct {
                const char* text;
                int min;
            } kRanges[] = {{"*", 0}, {"+", 1}, {"?", 0}, {"{0,2}", 0}, {"{1,3}", 1}, {"{2,}", 2}, {"{1,2}", 1}};
            static const char* const kModes[] = {"", "", "?", "+"}; // greedy, lazy, possessive
            const auto& range = kRanges[Pick(7)];
            Expr e;
            e.text = atom.text + range.text + kModes[Pick(4)];
            e.fixed = e.simple = false;
            e.minLength = range.min * atom.length;
            return e;
        }
        // Exact counts backtrack every iteration, so any body will do; in a lookbehind they would run
        // backwards and capture the leftmost iteration, so only captureless bodies there.
        if (ctx.lookbehind && atom.text.find('(') != std::string::npos) return atom;
        int count = 1 + Pick(3);
        Expr e = atom;
        e.text = atom.text + "{" + std::to_string(count) + "}";
        e.length = atom.length * count;
        e.minLength = atom.minLength * count;
        return e;
    }

    std::mt19937& m_rng;
    int m_flags;
    int m_groups = 0;
    std::vector<int> m_closedGroups;
};

TEST(Pcre2CrossCheck, GeneratedPatternsAgreeOnAllShortSubjects) {
    std::mt19937 rng(987654321);
    const std::vector<std::string> plain = AllStrings("abc", 4);
    const std::vector<std::string> mixedCase = AllStrings("aAb", 4);
    const std::vector<std::string> lines = AllStrings("ab\n", 4);
    const int flagChoices[] = {0,           0,           0,          0,       0,
                               kIgnoreCase, kIgnoreCase, kMultiLine, kDotAll, kMultiLine | kDotAll | kIgnoreCase};
    Totals totals;
    std::set<std::string> seen;
    for (int i = 0; i < 2500; ++i) {
        int flags = flagChoices[rng() % 10];
        PatternGenerator generator(rng, flags);
        std::string pattern = generator.Generate();
        if (!seen.insert(std::to_string(flags) + pattern).second) continue;
        std::vector<std::string> subjects = (flags & kIgnoreCase) ? mixedCase : (flags & kMultiLine) ? lines : plain;
        // A few longer subjects, built from the pattern's own letters to make matches likely.
        for (int k = 0; k < 6; ++k) {
            std::string s;
            int length = 5 + static_cast<int>(rng() % 5);
            for (int j = 0; j < length; ++j)
                s += subjects[1 + rng() % 3][0];
            subjects.push_back(s);
        }
        CrossCheck(pattern, flags, subjects, totals);
    }
    std::printf("[ cross-check ] generated: %lld patterns (%lld refused by PCRE2), %lld pattern/subject pairs, "
                "%lld matches, %lld with groups set\n",
                totals.patterns, totals.skipped, totals.pairs, totals.matched, totals.withGroups);
    EXPECT_EQ(totals.failures, 0);
    // The comparison must have teeth: many pairs, a fair share of matches, groups taking part.
    EXPECT_GT(totals.patterns, 2000);
    EXPECT_LT(totals.skipped, totals.patterns / 10);
    EXPECT_GT(totals.pairs, 250'000);
    EXPECT_GT(totals.matched, totals.pairs / 50);
    EXPECT_GT(totals.withGroups, totals.matched / 10);
}

// Every combination of a few atoms and operators, in the manner of an exhaustive small-alphabet test,
// on every subject over {a, b} up to length 5.
TEST(Pcre2CrossCheck, ExhaustiveSmallPatternsAgree) {
    // Each entry: text, fixed length (-1: not fixed), simple (no choice inside), minimum length.
    std::vector<Expr> level[4];
    for (const char* atom : {"a", "b", ".", "[^a]"})
        level[0].push_back(Expr{atom, true, 1, true, 1});
    level[0].push_back(Expr{"\\b", true, 0, true, 0});

    auto unary = [](const Expr& e, std::vector<Expr>& out) {
        out.push_back(Expr{"(" + e.text + ")", e.fixed, e.length, e.simple, e.minLength});
        out.push_back(Expr{"(?=" + e.text + ")", true, 0, true, 0});
        out.push_back(Expr{"(?<!" + e.text + ")", true, 0, true, 0});
        out.push_back(Expr{"(?>" + e.text + ")", e.fixed, e.length, e.fixed, e.minLength});
        out.push_back(Expr{"(?:" + e.text + "){2}", e.fixed, 2 * e.length, e.simple, 2 * e.minLength});
        if (e.simple && e.length >= 1) {
            for (const char* q : {"*", "+", "?", "*?", "+?", "??", "*+", "{1,2}"}) {
                int min = (q[0] == '+' || q[0] == '{') ? e.length : 0;
                out.push_back(Expr{"(?:" + e.text + ")" + q, false, 0, false, min});
            }
        }
    };
    auto binary = [](const Expr& a, const Expr& b, std::vector<Expr>& out) {
        out.push_back(Expr{a.text + b.text, a.fixed && b.fixed, a.length + b.length, a.simple && b.simple,
                           a.minLength + b.minLength});
        if (a.minLength >= 1 && b.minLength >= 1)
            out.push_back(Expr{"(?:" + a.text + "|" + b.text + ")", a.fixed && b.fixed && a.length == b.length,
                               a.length, false, std::min(a.minLength, b.minLength)});
    };
    for (int ops = 1; ops <= 3; ++ops) {
        for (const Expr& e : level[ops - 1])
            unary(e, level[ops]);
        for (int left = 0; left < ops; ++left) {
            int right = ops - 1 - left;
            if (left + right >= 2) continue; // at most three atoms in all
            for (const Expr& a : level[left])
                for (const Expr& b : level[right])
                    binary(a, b, level[ops]);
        }
    }
    // Lookbehinds of expressions PCRE2 cannot measure are refused by it and skipped.
    const std::vector<std::string> subjects = AllStrings("ab", 5);
    Totals totals;
    std::set<std::string> seen;
    for (const auto& exprs : level) {
        for (const Expr& e : exprs) {
            if (!seen.insert(e.text).second) continue;
            CrossCheck(e.text, 0, subjects, totals);
        }
    }
    std::printf("[ cross-check ] exhaustive: %lld patterns (%lld refused by PCRE2), %lld pattern/subject pairs, "
                "%lld matches, %lld with groups set\n",
                totals.patterns, totals.skipped, totals.pairs, totals.matched, totals.withGroups);
    EXPECT_EQ(totals.failures, 0);
    EXPECT_GT(totals.patterns, 1000);
    EXPECT_GT(totals.pairs, 50'000);
    EXPECT_GT(totals.matched, totals.pairs / 50);
}

} // namespace
