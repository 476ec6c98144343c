// Leaf elements: literal strings, classes (stock escapes, ranges, POSIX names), position tests, and
// bytes 0x80-0xFF in subjects, which have no case and belong to no class. Class membership is checked
// for all 256 byte values against predicates written out here.
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "RegexTestUtil.h"

namespace {

using namespace regex_test;
using namespace std::literals;

std::string Byte(int b) {
    return std::string(1, static_cast<char>(b));
}

bool IsWordByte(int b) {
    return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '_';
}

// Checks that a one-character pattern matches exactly the bytes for which `expected` is true.
void ExpectByteSet(const std::string& pattern, int flags, const std::function<bool(int)>& expected) {
    CPatternT compiled;
    compiled.Compile(pattern.data(), static_cast<int>(pattern.size()), flags);
    int mismatches = 0;
    for (int b = 0; b < 256 && mismatches < 5; ++b) {
        std::string subject = Byte(b);
        bool matched = compiled.MatchWhole(subject.data(), 1).Matched() != 0;
        if (matched != expected(b)) {
            ++mismatches;
            ADD_FAILURE() << "pattern " << Show(pattern) << " flags " << flags << " byte 0x" << std::hex << b
                          << ": expected " << expected(b) << ", got " << matched;
        }
    }
}

TEST(StringElement, ComparesWholeTextByteForByte) {
    CheckMatchCases({
        {"abc", 0, "abc", true},
        {"abc", 0, "abd", false},
        {"abc", 0, "ab", false},
        {"abc", 0, "ABC", false},
        {"aBc", kIgnoreCase, "AbC", true},
        {"@", kIgnoreCase, "`", false},
        {"\xe0", kIgnoreCase, "\xc0", false}, // bytes 0x80-0xFF have no case
        {"\xe0", kIgnoreCase, "\xe0", true},
        {"\xe9t\xe9", 0, "\xe9t\xe9", true},
        {"\xe9t\xe9", kIgnoreCase, "\xe9T\xe9", true},
    });
}

TEST(StockClasses, MatchTheirBytesForward) {
    auto isDigit = [](int b) { return b >= '0' && b <= '9'; };
    auto isSpace4 = [](int b) { return b == ' ' || b == '\t' || b == '\r' || b == '\n'; };
    ExpectByteSet(R"(\w)", 0, IsWordByte);
    ExpectByteSet(R"(\W)", 0, [](int b) { return !IsWordByte(b); });
    ExpectByteSet(R"(\d)", 0, isDigit);
    ExpectByteSet(R"(\D)", 0, [&](int b) { return !isDigit(b); });
    ExpectByteSet(R"(\s)", 0, isSpace4); // forward '\s' holds four characters: not FF, not VT
    ExpectByteSet(R"(\S)", 0, [&](int b) { return !isSpace4(b); });
    ExpectByteSet(".", 0, [](int b) { return b != '\n'; });
    ExpectByteSet(".", kDotAll, [](int) { return true; });
    // Case closure leaves the stock classes as they are; they are already closed or caseless.
    ExpectByteSet(R"(\w)", kIgnoreCase, IsWordByte);
    ExpectByteSet(R"([\W])", kIgnoreCase, [](int b) { return !IsWordByte(b); });
}

struct PosixCase {
    const char* name;
    std::function<bool(int)> test;
};

// The classes of the 'C' locale, written out by hand; bytes 0x80-0xFF are in none of them.
const PosixCase kPosixCases[] = {
    {"alnum", [](int b) { return IsWordByte(b) && b != '_'; }},
    {"alpha", [](int b) { return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z'); }},
    {"ascii", [](int b) { return b < 0x80; }},
    {"cntrl", [](int b) { return b < 0x20 || b == 0x7F; }},
    {"digit", [](int b) { return b >= '0' && b <= '9'; }},
    {"graph", [](int b) { return b > 0x20 && b < 0x7F; }},
    {"lower", [](int b) { return b >= 'a' && b <= 'z'; }},
    {"print", [](int b) { return b >= 0x20 && b < 0x7F; }},
    {"punct", [](int b) { return b > 0x20 && b < 0x7F && !(IsWordByte(b) && b != '_'); }},
    {"space", [](int b) { return b == ' ' || (b >= '\t' && b <= '\r'); }},
    {"upper", [](int b) { return b >= 'A' && b <= 'Z'; }},
    {"xdigit", [](int b) { return (b >= '0' && b <= '9') || (b >= 'a' && b <= 'f') || (b >= 'A' && b <= 'F'); }},
    {"blank", [](int b) { return b == ' ' || b == '\t'; }},
};

TEST(PosixClasses, EachNameMatchesItsBytesAlone) {
    for (const PosixCase& c : kPosixCases) {
        std::string name = c.name;
        ExpectByteSet("[:" + name + ":]", 0, c.test);
        ExpectByteSet("[:^" + name + ":]", 0, [&](int b) { return !c.test(b); });
    }
}

TEST(PosixClasses, NestedInBracketsAndNegatedBracket) {
    for (const PosixCase& c : kPosixCases) {
        std::string name = c.name;
        ExpectByteSet("[[:" + name + ":]]", 0, c.test);
        ExpectByteSet("[^[:" + name + ":]]", 0, [&](int b) { return !c.test(b); });
        ExpectByteSet("[[:^" + name + ":]]", 0, [&](int b) { return !c.test(b); });
        // Under RightToLeft the classes look at the character before the position: same sets.
        ExpectByteSet("[[:" + name + ":]]", kRightToLeft, c.test);
    }
    ExpectByteSet("[[:digit:]x-z]", 0, [](int b) { return (b >= '0' && b <= '9') || (b >= 'x' && b <= 'z'); });
}

TEST(PosixClasses, NamesAreComparedByTheirFirstCharacters) {
    auto never = [](int) { return false; };
    auto isAlpha = kPosixCases[1].test;
    auto isXDigit = kPosixCases[11].test;
    ExpectByteSet("[:foo:]", 0, never); // an unknown name never matches, whatever its sign
    ExpectByteSet("[:^foo:]", 0, never);
    ExpectByteSet("[[:foo:]]", 0, never);
    ExpectByteSet("[:ALPHA:]", 0, never); // names are case-sensitive
    ExpectByteSet("[:alph:]", 0, never);
    ExpectByteSet("[:alpha]", 0, never); // "alpha" without its ':' is not "alpha:"
    ExpectByteSet("[::]", 0, never);
    ExpectByteSet("[:alpha:zz]", 0, isAlpha); // only the first six characters count
    ExpectByteSet("[:xdigit:]", 0, isXDigit);
    ExpectByteSet("[:xdigit:x]", 0, isXDigit);
    ExpectByteSet("[:xdigit]", 0, never); // seven characters for xdigit: the ':' is needed
    ExpectByteSet("[:xdigi:]", 0, never);
}

// Ranges compare signed bytes; case closure covers ASCII letters only.
TEST(RangeElement, HighBytesHaveNoCaseAndNoClass) {
    ExpectByteSet("[\xc0-\xde]", kIgnoreCase, [](int b) { return b >= 0xC0 && b <= 0xDE; });
    ExpectByteSet("[\xe0]", kIgnoreCase, [](int b) { return b == 0xE0; });
    ExpectByteSet("[^\xe0]", kIgnoreCase, [](int b) { return b != 0xE0; });
    ExpectByteSet("[\x80-\xff]", 0, [](int b) { return b >= 0x80; });
    ExpectByteSet("[\x7f-\x80]", 0, [](int) { return false; });                // 127 .. -128: empty
    ExpectByteSet("[\xff-a]", 0, [](int b) { return b == 0xFF || b <= 'a'; }); // -1 .. 97 spans 0xFF and 0..'a'
}

// Position tests, each placed in the middle of a whole-text match so that its exact position counts.
TEST(BoundaryElement, TextAndLineAnchors) {
    CheckMatchCases({
        // text start: '^' (without MultiLine) and '\A'
        {"^a", 0, "a", true},
        {"a^", 0, "a", false},
        {"a\n^b", 0, "a\nb", false},
        {R"(\Aa)", 0, "a", true},
        {R"(a\n\Ab)", kMultiLine, "a\nb", false},
        // text end: '$' (without MultiLine) and '\z'
        {"a$", 0, "a", true},
        {"a$\n", 0, "a\n", false}, // '$' does not match before a final line break
        {R"(a\z)", 0, "a", true},
        {R"(a\z\n)", 0, "a\n", false},
        // '\Z': at the end, or before a final LF, or before a final CR LF
        {R"(a\Z)", 0, "a", true},
        {R"(a\Z\n)", 0, "a\n", true},
        {R"(a\Z\r\n)", 0, "a\r\n", true},
        {R"(a\r\Z\n)", 0, "a\r\n", true},
        {R"(a\Z\r)", 0, "a\r", false},     // a final lone CR is not a final line break
        {R"(a\Z\n\n)", 0, "a\n\n", false}, // only the last line break counts
        {R"(a\n\Z\n)", 0, "a\n\n", true},
        {R"(a\Z\r\n\r\n)", 0, "a\r\n\r\n", false},
        {R"(a\Zb)", 0, "ab", false},
        // line start (MultiLine): after LF, or after a CR that no LF follows
        {"a\n^b", kMultiLine, "a\nb", true},
        {"a\r^b", kMultiLine, "a\rb", true},
        {"a\r^\nb", kMultiLine, "a\r\nb", false},
        {"a\r\n^b", kMultiLine, "a\r\nb", true},
        {"a^b", kMultiLine, "ab", false},
        {"a\n^", kMultiLine, "a\n", true},
        // line end (MultiLine): before CR, or before an LF that no CR precedes
        {"a$\nb", kMultiLine, "a\nb", true},
        {"a$\r\nb", kMultiLine, "a\r\nb", true},
        {"a\r$\nb", kMultiLine, "a\r\nb", false},
        {"a$\rb", kMultiLine, "a\rb", true},
        {"a$b", kMultiLine, "ab", false},
        {"$\n^", kMultiLine, "\n", true},
    });
}

TEST(BoundaryElement, WordBoundaries) {
    CheckMatchCases({
        {R"(\bab\b)", 0, "ab", true},
        {R"(a\bb)", 0, "ab", false},
        {R"(a\Bb)", 0, "ab", true},
        {R"(a\b )", 0, "a ", true},
        {R"(a\B )", 0, "a ", false},
        {R"( \B )", 0, "  ", true},
        {R"(_\b-)", 0, "_-", true}, // '_' is a word character
        {R"(9\b_)", 0, "9_", false},
        {R"(\b)", 0, "", false}, // no word character on either side
        {R"(\B)", 0, "", true},
        {R"(\b-)", 0, "-", false},
        {"\xe9\\ba", 0,
         "\xe9"
         "a",
         true}, // bytes 0x80-0xFF are not word characters
        {"a\\b\xe9", 0, "a\xe9", true},
        {"\xe9\\B\xe9", 0, "\xe9\xe9", true},
        {"\xe9\\b\xe9", 0, "\xe9\xe9", false},
        {R"(\bA\b)", kIgnoreCase, "a", true},
    });
}

TEST(BoundaryElement, HighBytesInSubjects) {
    CheckMatchCases({
        {R"(\w+)", 0, "ab\xe9", false},
        {R"(\W+)", 0, "\x80\xff", true},
        {R"([[:alpha:]]+)", 0, "a\xe4", false},
        {R"([[:^alpha:]])", 0, "\xe4", true},
        {"[a-z]+", kIgnoreCase, "ABC\xc4", false},
        {R"(.+)", 0, "\x80\x81\xfe\xff", true},
        {R"(\S\S)", 0, "\xa0\x85", true}, // NBSP and NEL are not spaces here
    });
}

} // namespace
