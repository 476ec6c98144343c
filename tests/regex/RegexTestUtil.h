// Helpers shared by the regex tests: compile a pattern, match a whole subject and describe the result as
// a short text, so that table-driven cases can state the expected spans of every group in one string.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "regex/GroupSpans.h"
#include "regex/MatchState.h"
#include "regex/Pattern.h"

namespace regex_test {

constexpr int kDotAll = CPatternT::DotAll;
constexpr int kMultiLine = CPatternT::MultiLine;
constexpr int kGlobal = CPatternT::Global;
constexpr int kIgnoreCase = CPatternT::IgnoreCase;
constexpr int kRightToLeft = CPatternT::RightToLeft;
constexpr int kExtended = CPatternT::Extended;

// Patterns and subjects are taken with their length, so that embedded NUL bytes take part.
inline CGroupSpansT MatchPattern(std::string_view pattern, std::string_view subject, int flags = 0,
                                 CMatchStateT* state = nullptr) {
    CPatternT compiled;
    compiled.Compile(pattern.data(), static_cast<int>(pattern.size()), flags);
    return compiled.MatchWhole(subject.data(), static_cast<int>(subject.size()), state);
}

inline bool Matches(std::string_view pattern, std::string_view subject, int flags = 0) {
    return MatchPattern(pattern, subject, flags).Matched() != 0;
}

// "nomatch", or the span of each group from 0 to the highest as "start,end" separated by spaces, with
// "-" for a group that did not take part. Also checks the result's shape, which every match must have.
inline std::string Describe(const CGroupSpansT& spans) {
    if (!spans.Matched()) return spans.Size() == 0 ? "nomatch" : "bad: nonempty failed result";
    int h = spans.HighestGroup();
    if (spans.Size() != 2 * h + 4) return "bad: size " + std::to_string(spans.Size());
    std::string out;
    for (int g = 0; g <= h; ++g) {
        int s = spans.GroupStart(g);
        int e = spans.GroupEnd(g);
        if (!out.empty()) out += ' ';
        if (s == -1 && e == -1)
            out += '-';
        else if (s < 0 || e < s)
            out += "bad:" + std::to_string(s) + "," + std::to_string(e);
        else
            out += std::to_string(s) + "," + std::to_string(e);
    }
    return out;
}

inline std::string Spans(std::string_view pattern, std::string_view subject, int flags = 0) {
    return Describe(MatchPattern(pattern, subject, flags));
}

// Printable form of a pattern or subject for failure messages.
inline std::string Show(std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "'";
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && c != '\\') {
            out += c;
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out + "'";
}

// One row of a table: pattern, flags, subject and the expected Describe() text.
struct SpanCase {
    std::string_view pattern;
    int flags;
    std::string_view subject;
    std::string_view expected;
};

inline void CheckSpanCases(std::initializer_list<SpanCase> cases) {
    for (const SpanCase& c : cases) {
        EXPECT_EQ(Spans(c.pattern, c.subject, c.flags), c.expected)
            << "pattern " << Show(c.pattern) << " flags " << c.flags << " subject " << Show(c.subject);
    }
}

// One row of a yes/no table.
struct MatchCase {
    std::string_view pattern;
    int flags;
    std::string_view subject;
    bool matches;
};

inline void CheckMatchCases(std::initializer_list<MatchCase> cases) {
    for (const MatchCase& c : cases) {
        EXPECT_EQ(Matches(c.pattern, c.subject, c.flags), c.matches)
            << "pattern " << Show(c.pattern) << " flags " << c.flags << " subject " << Show(c.subject);
    }
}

} // namespace regex_test
