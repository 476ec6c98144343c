// Compile flags: DotAll, MultiLine, Global ('\G'), IgnoreCase (literals, back-references and the case
// closure of classes), RightToLeft (the whole pattern runs backwards from the end) and Extended.
#include <string>

#include <gtest/gtest.h>

#include "RegexTestUtil.h"

namespace {

using namespace regex_test;
using namespace std::literals;

TEST(DotAllFlag, DotAlsoMatchesLineFeed) {
    CheckMatchCases({
        {".", 0, "\n", false},
        {".", kDotAll, "\n", true},
        {".", 0, "\r", true},
        {"[^a]", 0, "\n", true}, // only '.' is affected
        {".", kRightToLeft, "\n", false},
        {".", kRightToLeft | kDotAll, "\n", true},
    });
}

TEST(MultiLineFlag, CaretAndDollarAtLineBreaks) {
    CheckSpanCases({
        {"(a$)\n(^b)", kMultiLine, "a\nb", "0,3 0,1 2,3"},
        {"a$\r^b", kMultiLine, "a\rb", "0,3"}, // a lone CR ends a line too
        {"a$\r\n^b", kMultiLine, "a\r\nb", "0,4"},
        {"a\r$\n^b", kMultiLine, "a\r\nb", "nomatch"}, // not between CR and LF
        {"a\r^\nb", kMultiLine, "a\r\nb", "nomatch"},
        {"a$\n^b", 0, "a\nb", "nomatch"},
        {R"(^\w+$(?:\n^\w+$)*)", kMultiLine, "ab\ncd\nef", "0,8"},
        {"^", kMultiLine, "", "0,0"},
        {"^$", kMultiLine, "", "0,0"},
    });
}

// '\G' matches where matching began, and only with the Global flag; without it, it is dropped.
TEST(GlobalFlag, BackslashGMarksTheBeginning) {
    CheckMatchCases({
        {R"(\Ga)", kGlobal, "a", true},
        {R"(a\G)", kGlobal, "a", false},
        {R"(a\G)", 0, "a", true},
        {R"(a(?g)\G)", 0, "a", false}, // inline 'g' turns it on
        {R"(a\Gb)", 0, "ab", true},
        {R"(a\G)", kGlobal | kRightToLeft, "a", true}, // right to left, matching begins at the end
        {R"(\Ga)", kGlobal | kRightToLeft, "a", false},
    });
}

TEST(IgnoreCaseFlag, ClassesAreClosedUnderCase) {
    CheckMatchCases({
        {"[a-f]", kIgnoreCase, "C", true},
        {"[a-f]", kIgnoreCase, "F", true},
        {"[a-f]", kIgnoreCase, "G", false},
        {"[K]", kIgnoreCase, "k", true},
        {"[^a]", kIgnoreCase, "A", false}, // closed first, then negated
        {"[^a]", kIgnoreCase, "b", true},
        {"[C-x]", kIgnoreCase, "a", true}, // the range already holds 'a'..'x'
        {"[C-x]", kIgnoreCase, "B", true},
        {"[C-x]", kIgnoreCase, "z", true}, // 'Z' lies in the range, so 'z' joins it
        {"[C-x]", kIgnoreCase, "@", false},
        {"[C-x]", kIgnoreCase, "{", false},
        {"[Z-a]", kIgnoreCase, "z", true}, // 'Z' and 'a' bring their partners
        {"[Z-a]", kIgnoreCase, "A", true},
        {"[Z-a]", kIgnoreCase, "_", true},
        {"[Z-a]", kIgnoreCase, "y", false},
        {"[Z-a]", kIgnoreCase, "B", false},
        {"[0-9A]", kIgnoreCase, "a", true},
        {"[[:upper:]]", kIgnoreCase, "a", false}, // nested classes are left as they are
        {"[:lower:]", kIgnoreCase, "A", false},
        {"[[:upper:]x]", kIgnoreCase, "X", true},
        {"[\xc0-\xdf]", kIgnoreCase, "\xe0", false}, // no case for bytes 0x80-0xFF
        {"[a-z]", kIgnoreCase, "\xc1", false},
        {"(abc)\\1", kIgnoreCase, "abcABC", true},
    });
}

// Right to left: matching begins at the end and every element consumes backwards; sequences run their
// last item first, so greedy items at the end of the pattern get the first choice.
TEST(RightToLeftFlag, SequencesRunBackwards) {
    CheckSpanCases({
        {"abc", kRightToLeft, "abc", "0,3"},
        {"abc", kRightToLeft, "cba", "nomatch"},
        {"(a)(b)", kRightToLeft, "ab", "0,2 0,1 1,2"}, // spans still read start <= end
        {"(a*)(a*)", kRightToLeft, "aaa", "0,3 0,0 0,3"},
        {"(a+?)(a+)", kRightToLeft, "aaa", "0,3 0,1 1,3"},
        {"(a+)(a+?)", kRightToLeft, "aaa", "0,3 0,2 2,3"},
        {"(a|ab)(c|bcd)", kRightToLeft, "abcd", "0,4 0,1 1,4"},
        {"(ab|a)(bcd|cd)", kRightToLeft, "abcd", "0,4 0,1 1,4"},
        {"(\\w+)\\s(\\w+)", kRightToLeft, "ab cd", "0,5 0,2 3,5"},
        {"[ab]+", kRightToLeft, "abba", "0,4"},
        {"(ab)+", kRightToLeft, "ababab", "0,6 0,2"}, // the last iteration is the leftmost
        {"^ab$", kRightToLeft, "ab", "0,2"},
        {"a(?=b)b", kRightToLeft, "ab", "0,2"}, // a lookahead still looks forward
        {"a(?<=a)b", kRightToLeft, "ab", "0,2"},
        {"ab(?<=b)", kRightToLeft, "ab", "0,2"},
        {"(?<=a)b", kRightToLeft, "ab", "nomatch"}, // the lookbehind holds, but 'a' is never consumed
        {"ab", kRightToLeft | kIgnoreCase, "AB", "0,2"},
        {"(a)\\1", kRightToLeft, "aa", "nomatch"}, // the reference runs before its group
        {"\\1(a)", kRightToLeft, "aa", "0,2 1,2"},
        {"(?<n>a)(b)", kRightToLeft, "ab", "0,2 1,2 0,1"},
        {"", kRightToLeft, "", "0,0"},
    });
}

// Backward '\s' holds six characters (also FF and VT); forward '\s' holds four.
TEST(RightToLeftFlag, BackwardSpaceClassIncludesFormFeedAndVerticalTab) {
    CheckMatchCases({
        {R"(\s)", kRightToLeft, "\f", true},
        {R"(\s)", kRightToLeft, "\v", true},
        {R"(\s)", 0, "\f", false},
        {R"(\s)", 0, "\v", false},
        {R"(\S)", kRightToLeft, "\v", false},
        {R"(\S)", 0, "\v", true},
        {R"([\s])", kRightToLeft, "\f", true},
        {R"([\s])", 0, "\f", false},
        {R"(\s+)", kRightToLeft, " \t\r\n\f\v", true},
        {"a\\f(?<=\\s)", 0, "a\f", true}, // a lookbehind body runs backwards: six spaces
    });
}

TEST(ExtendedFlag, WhitespaceAndCommentsAreDropped) {
    CheckMatchCases({
        {"a b  # note", kExtended, "ab", true},
        {"a b  # note", kExtended, "a b", false},
        {"a b  # note", 0, "a b  # note", true},
        {"a#x\nb", kExtended, "ab", true},
        {"a#x\rb", kExtended, "ab", true},
        {"a\t\n\v\f\r b", kExtended, "ab", true},
        {"[a b]", kExtended, " ", false}, // also inside classes
        {"[a#x\nb]", kExtended, "b", true},
        {"[a#x\nb]", kExtended, "#", false},
        {"a\\ b", kExtended, "a b", true}, // an escaped space is kept
        {"a\\#b", kExtended, "a#b", true},
        {"\\Qa b\\E", kExtended, "a b", true}, // quoted text is kept as it is
        {"a{2, 3}", kExtended, "aaa", true},
        {"( a ) \\1", kExtended, "aa", true},
        {"a +", kExtended, "aaa", true},
        {"(?i) a b", kExtended, "AB", true},
    });
}

} // namespace
