// The lexer and parser, seen through what the compiled pattern matches: escapes, quantifier forms,
// character classes, quote mode, comments, and the way malformed patterns still compile to something.
#include <string>

#include <gtest/gtest.h>

#include "RegexTestUtil.h"

namespace {

using namespace regex_test;
using namespace std::literals;

TEST(Lexer, EscapesGiveTheirCharacters) {
    CheckMatchCases({
        {R"(\x41)", 0, "A", true},
        {R"(\x411)", 0, "A1", true}, // at most two hexadecimal digits
        {R"(\x4g)", 0, "\x04g"sv, true},
        {R"(\x{263A})", 0, ":", true}, // the value's low 8 bits: 0x3A
        {R"(\x{41})", 0, "A", true},
        {R"(\x{})", 0, "\0"sv, true}, // no digits: the NUL byte
        {R"(\x{41)", 0, "A", true},   // an unterminated brace runs to the end of the pattern
        {R"(\u00e9)", 0, "\xe9", true},
        {R"(\u12345)", 0, "45", true}, // four digits 0x1234 -> 0x34 '4', then a literal '5'
        {R"(\u{263A})", 0, ":", true},
        {R"(\x{123456789})", 0, "x", true}, // eight digits at most; the rest up to '}' is skipped
        {R"(\x{4G})", 0, "\x04", true},
        {R"(\xZ)", 0, "xZ", true}, // no digit: a literal 'x'
        {R"(a\x)", 0, "ax", true},
        {R"(\a\e\f\n\r\t\v)", 0, "\x07\x1b\x0c\x0a\x0d\x09\x0b", true},
        {R"(\.\\\(\)\[\]\{\}\*\+\?\|\^\$)", 0, R"(.\()[]{}*+?|^$)", true},
        {R"(\q\-\~)", 0, "q-~", true}, // any other escaped character is itself
        {R"(\.)", 0, "a", false},
        {"a\\", 0, "a\\", true},         // a trailing backslash is a literal backslash
        {"a\\\0b"sv, 0, "a\0b"sv, true}, // backslash and NUL inside the pattern: a NUL
        {"a\0b"sv, 0, "a\0b"sv, true},   // a NUL inside the pattern is literal
        {"a\0b"sv, 0, "a"sv, false},
    });
}

// '\' followed by a digit is a back-reference: '\0' names group 0, the whole match so far.
TEST(Lexer, BackslashZeroIsBackReferenceToGroupZero) {
    CheckMatchCases({
        {R"(\0)", 0, "", true},
        {R"(a\0)", 0, "aa", true},
        {R"(a\0)", 0, "ab", false},
        {R"(ab\0)", 0, "abab", true},
        {R"(ab\0)", 0, "ab", false},
        {R"(ab\0)", 0, "ab0", false},
        {R"(\01)", 0, "", false}, // '\01' is group 1, which does not exist
    });
}

TEST(Parser, QuantifierForms) {
    const std::string hundred(100, 'x');
    const std::string thousand(1000, 'x');
    const std::string pattern1000 = "x{1000}";
    CheckMatchCases({
        {"*a", 0, "*a", true}, // nothing to quantify: a literal
        {"a|*", 0, "*", true},
        {"(*)", 0, "*", true},
        {"a**", 0, "aa*", true}, // one quantifier per atom, the second '*' is a literal
        {"a**", 0, "*", true},
        {"a**", 0, "aa", false},
        {"a?*", 0, "a*", true},
        {"x{3}?", 0, "xxx", true}, // exact counts swallow a following '?' or '+'
        {"x{3}?", 0, "xx", false},
        {"x{3}?", 0, "xxx?", false},
        {"x{3}+", 0, "xxx", true},
        {"x{3}??", 0, "xxx?", true}, // only one of them
        {"x{2,1}", 0, "xx", true},   // max below min becomes min
        {"x{2,1}", 0, "x", false},
        {"x{2,1}", 0, "xxx", false},
        {pattern1000, 0, hundred, true}, // a fourth digit is not read, and is not ','
        {pattern1000, 0, thousand, false},
        {"a{x}b", 0, "b", true}, // no number: {0}, the atom is dropped
        {"a{x}b", 0, "ab", false},
        {"ab{x}c", 0, "ac", true}, // a brace after a run takes only its last character
        {"a{0}b", 0, "b", true},
        {"a{,5}b", 0, "b", true},
        {"a{,5}b", 0, "ab", false},
        {"{,5}", 0, "{,5}", true},      // at the start nothing is quantified: all literal
        {"a{ 2 , 3 }", 0, "aaa", true}, // whitespace around the numbers is skipped
        {"a{ 2 , 3 }", 0, "a", false},
        {"a{2,}", 0, "aaaaaaa", true},
        {"a{2,x}", 0, "aaaaa", true}, // no number after the comma: unbounded
        {"a{2", 0, "aa", true},       // an unterminated brace runs to the end
        {"a{2", 0, "a{2", false},
        {"ab{2}", 0, "abb", true}, // the quantifier takes the last character of a run
        {"ab{2}", 0, "abab", false},
        {"a*??", 0, "aa?", true},
        {"a+?b", 0, "aaab", true},
        {"a{1,3}", 0, "aaaa", false},
        {"a{001}", 0, "a", true},
        {"a{2}{3}", 0, "aa{3}", true}, // a second brace quantifier is literal text
        {"a}", 0, "a}", true},
        {"}", 0, "}", true},
    });
}

TEST(Parser, CharacterClasses) {
    CheckMatchCases({
        {"[]", 0, "]", false}, // an empty class matches nothing
        {"[]]", 0, "]", false},
        {"[^]", 0, "a", true}, // an empty negated class matches any character
        {"[^]", 0, "\n", true},
        {"[^]", 0, "\xff", true},
        {"[^]", 0, "", false},
        {"[a-]", 0, "a", true},
        {"[a-]", 0, "-", true},
        {"[-a]", 0, "-", true},
        {"[a-c-e]", 0, "b", true},
        {"[a-c-e]", 0, "-", true},
        {"[a-c-e]", 0, "e", true},
        {"[a-c-e]", 0, "d", false},
        {"[z-a]", 0, "a", false}, // a reversed range contains nothing
        {"[z-a]", 0, "z", false},
        {"[[:alpha:]_]", 0, "Q", true},
        {"[[:alpha:]_]", 0, "_", true},
        {"[[:alpha:]_]", 0, "1", false},
        {"[[:alpha:]_]", 0, ":", false},
        {"[:alpha:]", 0, "a", true}, // a POSIX class on its own
        {"[:alpha:]", 0, ":", false},
        {"[:^alpha:]", 0, "1", true},
        {"[:^alpha:]", 0, "a", false},
        {R"([\d-z])", 0, "5", true}, // a class escape cannot start a range
        {R"([\d-z])", 0, "-", true},
        {R"([\d-z])", 0, "z", true},
        {R"([\d-z])", 0, "y", false},
        {R"([\w.])", 0, ".", true},
        {R"([\w.])", 0, "-", false},
        {R"([^\d])", 0, "a", true},
        {R"([^\d])", 0, "7", false},
        {"[^a]", 0, "\n", true},
        {"[^a]", 0, "a", false},
        {"[a^]", 0, "^", true},            // '^' is only special right after '['
        {R"([\x01-\xff])", 0, "a", false}, // 1 .. -1 as signed bytes: empty
        {R"([\x01-\xff])", 0, "\xff", false},
        {R"([\x80-\xff])", 0, "\x80", true}, // -128 .. -1: the upper half
        {R"([\x80-\xff])", 0, "\xc3", true},
        {R"([\x80-\xff])", 0, "\x7f", false},
        {R"([\x00-\x7f])", 0, "a", true},
        {R"([\x00-\x7f])", 0, "\0"sv, true},
        {R"([\x00-\x7f])", 0, "\x80", false},
        {R"([a\]])", 0, "]", true},
        {R"([\b])", 0, "\b", true}, // backspace inside a class
        {R"([\b])", 0, "b", false},
        {R"([\Gb])", 0, "b", true}, // '\G' inside a class is dropped
        {R"([\Gb])", 0, "G", false},
        {R"([\Gb])", 0, "\\", false},
        {"[.]", 0, ".", true}, // metacharacters are literal inside a class
        {"[.]", 0, "a", false},
        {"[(|$*+?{}]", 0, "|", true},
        {"[(|$*+?{}]", 0, "}", true},
        {"[(|$*+?{}]", 0, "a", false},
        {"[abc", 0, "c", true},
        {"[abc", 0, "[", false},
        {"[a[b]", 0, "[", true},  // '[' without ':' is literal inside a class
        {"[a[:b]", 0, "a", true}, // '[:' inside a class opens a POSIX name, here unknown
        {"[a[:b]", 0, "b", false},
        {"[a[:b]", 0, ":", false},
        {"[[:alpha:]", 0, "q", true},
        {R"([\A\Z])", 0, "Z", true}, // other meta escapes stand for their letter in a class
        {R"([\A\Z])", 0, "\\", false},
        {R"([a-\d])", 0, "-", true}, // a class escape cannot end a range either
        {R"([a-\d])", 0, "7", true},
        {R"([a-\d])", 0, "b", false},
        {R"([\x{41}-\x{43}])", 0, "B", true},
        {R"([\x{41}-\x{43}])", 0, "D", false},
        {R"([\Q]\E])", 0, "]", true}, // quoted inside a class: a plain ']'
        {"[a\\", 0, "\\", true},      // a trailing backslash inside an open class
    });
}

TEST(Parser, QuoteModeAndCaseConversion) {
    CheckMatchCases({
        {R"(\Q.*\E)", 0, ".*", true},
        {R"(\Q.*\E+)", 0, ".**", true}, // the quantifier after \E takes the last quoted character
        {R"(\Q.*\E+)", 0, ".*.*", false},
        {R"(\Qa\E*)", 0, "aaa", true},
        {R"(\Uab\E)", 0, "AB", true},
        {R"(\Uab\E)", 0, "ab", false},
        {R"(\Uab\Ecd)", 0, "ABcd", true},
        {R"(\LAB\E)", 0, "ab", true},
        {R"(\Q(a)", 0, "(a", true}, // an unterminated \Q quotes to the end
        {R"(\Q(a)", 0, "a", false},
        {R"(\U\Lab)", 0, R"(\LAB)", true}, // inside quote mode a backslash is just a character
        {R"(x\E\Ey)", 0, "xy", true},      // \E outside quote mode is dropped
        {R"(\Qa\E\Qb\E)", 0, "ab", true},
        {R"(\Q\E)", 0, "", true},
        {R"(\Q[a]\E)", 0, "[a]", true},
        {R"(\Q(?#x)\E)", 0, "(?#x)", true},   // no comment inside quote mode
        {R"(\Uab\E\Qcd\E)", 0, "ABcd", true}, // \E also ends the conversion
    });
}

TEST(Parser, CommentsAreRemoved) {
    CheckMatchCases({
        {"a(?#comment)b", 0, "ab", true},
        {"a(?#comment)b", 0, "a(?#comment)b", false},
        {"a(?#unterminated", 0, "a", true}, // runs to the end of the pattern
        {"a(?#unterminated", 0, "a(", false},
        {"(?#x)*", 0, "*", true}, // after a comment there is still nothing to quantify
        {"a(?#x)*", 0, "aaa", true},
        {"x(?#a(b)c)y", 0, "xc", true}, // a comment ends at the first ')'; the next ')' ends all
        {"x(?#a(b)c)y", 0, "xy", false},
        {"[a(?#x)b]", 0, "b", true}, // also inside a class
        {"[a(?#x)b]", 0, "(", false},
    });
}

TEST(Parser, MalformedPatternsStillCompile) {
    CheckSpanCases({
        {"abc)def", 0, "abc", "0,3"}, // an unbalanced ')' ends compilation
        {"abc)def", 0, "abc)def", "nomatch"},
        {"a|b)c", 0, "b", "0,1"},
        {"a|b)c", 0, "b)c", "nomatch"},
        {")", 0, "", "0,0"},
        {"(abc", 0, "abc", "0,3 0,3"}, // a missing ')' runs to the end
        {"(a(b", 0, "ab", "0,2 0,2 1,2"},
        {"[ab", 0, "b", "0,1"},
        {"(?", 0, "", "0,0"},
        {"(?<", 0, "", "0,0 0,0"},
        {"\\k<", 0, "", "nomatch"}, // a back-reference to a name nobody carries
        {"", 0, "", "0,0"},         // the empty pattern text matches the empty subject
        {"", 0, "a", "nomatch"},
    });
}

TEST(Parser, AlternationAndSequenceStructure) {
    CheckSpanCases({
        {"ab|cd", 0, "ab", "0,2"},
        {"ab|cd", 0, "ad", "nomatch"},
        {"a|", 0, "", "0,0"},
        {"|a", 0, "a", "0,1"},
        {"a||b", 0, "", "0,0"},
        {"(a|b)(c|d)", 0, "bc", "0,2 0,1 1,2"},
        {"a(b|c)d|e", 0, "e", "0,1 -"},
        {"a(b|c)d|e", 0, "acd", "0,3 1,2"},
    });
}

} // namespace
