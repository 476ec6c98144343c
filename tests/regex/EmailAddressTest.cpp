// The e-mail address check: a table of addresses, an independent checker written from the definition of
// the accepted set and compared on every short string over a small alphabet and on many random ones, the
// classic nested pattern compared on the short strings, and the work spent on adversarial lines.
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "RegexTestUtil.h"
#include "regex/EmailAddress.h"

namespace {

using namespace regex_test;
using namespace std::literals;

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsAsciiAlnum(char c) {
    return IsAsciiLetter(c) || (c >= '0' && c <= '9');
}

// A part that begins and ends with a letter or digit, with `extra` characters allowed in between.
bool IsDelimitedPart(std::string_view part, std::string_view extra) {
    if (part.empty() || !IsAsciiAlnum(part.front()) || !IsAsciiAlnum(part.back())) return false;
    for (char c : part)
        if (!IsAsciiAlnum(c) && extra.find(c) == std::string_view::npos) return false;
    return true;
}

// The accepted set, written from its definition: local part '@' (label '.')+ final label.
bool ReferenceIsEmailAddress(std::string_view text) {
    size_t at = text.find('@');
    if (at == std::string_view::npos) return false;
    if (!IsDelimitedPart(text.substr(0, at), "-._")) return false;
    std::string_view domain = text.substr(at + 1);
    size_t lastDot = domain.rfind('.');
    if (lastDot == std::string_view::npos) return false;
    std::string_view finalLabel = domain.substr(lastDot + 1);
    if (finalLabel.size() < 2 || finalLabel.size() > 9) return false;
    for (char c : finalLabel)
        if (!IsAsciiLetter(c)) return false;
    std::string_view labels = domain.substr(0, lastDot);
    for (;;) {
        size_t dot = labels.find('.');
        if (!IsDelimitedPart(labels.substr(0, dot), "-_")) return false; // also rejects a second '@'
        if (dot == std::string_view::npos) return true;
        labels.remove_prefix(dot + 1);
    }
}

TEST(EmailAddress, TableOfAddresses) {
    struct Case {
        std::string_view text;
        bool valid;
    };
    const Case cases[] = {
        {"a@b.cc", true}, // the shortest valid form
        {"1@2.ab", true},
        {"A@B.CD", true},
        {"john.smith@example.com", true},
        {"a-b_c.d@x-y_z.example.org", true},
        {"a..b@c.de", true}, // separators may follow one another inside a part
        {"a--b@c-_-d.de", true},
        {"a@b.c.d.ee", true}, // several labels in a row
        {"x@a1.b2.cc", true},
        {"a@b.abcdefghi", true}, // a final label of nine letters
        {"", false},
        {"a", false},
        {"@", false},
        {"a@", false},
        {"@b.cc", false},
        {"ab.cc", false}, // no at sign
        {"a@bcc", false}, // no dot after the at sign
        {"a@b", false},
        {"a@b.c", false},          // a final label of one letter
        {"a@b.abcdefghij", false}, // or of ten
        {"a@b.c1", false},         // or with a digit
        {"a@b.1c", false},
        {"a@b.c-c", false},
        {"a@b.c_c", false},
        {".a@b.cc", false},
        {"a.@b.cc", false},
        {"-a@b.cc", false},
        {"a-@b.cc", false},
        {"_a@b.cc", false},
        {"a_@b.cc", false},
        {"a@.b.cc", false},
        {"a@b..cc", false}, // an empty label
        {"a@-b.cc", false},
        {"a@b-.cc", false},
        {"a@_b.cc", false},
        {"a@b_.cc", false},
        {"a@b.cc.", false},
        {"a@@b.cc", false},
        {"a@b@c.de", false},
        {"a@b.cc ", false},
        {"a@b.cc\r", false},
        {"a@b.cc\n", false},
        {"a@b.cc\t", false},
        {" a@b.cc", false}, // nothing is trimmed
        {"a b@c.de", false},
        {"a+b@c.de", false},
        {"\xe9@b.cc", false},
        {"a@\xe9.cc", false},
        {"a@b.c\xe9", false},
        {"a\xc3\xa9@b.cc", false},
        {"a@b.cc\0x"sv, false}, // an embedded NUL is part of the text, not its end
        {"a@b.cc\0"sv, false},
        {"a@b\0.cc"sv, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReferenceIsEmailAddress(c.text), c.valid) << "reference checker on " << Show(c.text);
        EXPECT_EQ(IsValidEmailAddress(std::string(c.text)), c.valid) << Show(c.text);
    }
}

// Calls f on every string of length 0..maxLength over the alphabet.
template <class F> void ForEachString(std::string_view alphabet, int maxLength, F f) {
    std::string s;
    std::vector<int> digits;
    for (int length = 0; length <= maxLength; ++length) {
        digits.assign(static_cast<size_t>(length), 0);
        s.assign(static_cast<size_t>(length), alphabet[0]);
        for (;;) {
            f(s);
            int i = length - 1;
            while (i >= 0 && digits[static_cast<size_t>(i)] == static_cast<int>(alphabet.size()) - 1) {
                digits[static_cast<size_t>(i)] = 0;
                s[static_cast<size_t>(i)] = alphabet[0];
                --i;
            }
            if (i < 0) break;
            s[static_cast<size_t>(i)] = alphabet[static_cast<size_t>(++digits[static_cast<size_t>(i)])];
        }
    }
}

struct SweepCount {
    long long strings = 0;
    long long valid = 0;
    int failures = 0;
};

TEST(EmailAddress, AgreesWithReferenceOnAllShortStrings) {
    // Separators and the at sign with one letter and one digit; then a second alphabet with the
    // characters that are never allowed.
    const struct {
        std::string_view alphabet;
        int maxLength;
    } sweeps[] = {{"a1-._@", 7}, {"aZ9@. \xe9\0"sv, 6}};
    for (const auto& sweep : sweeps) {
        SweepCount count;
        ForEachString(sweep.alphabet, sweep.maxLength, [&](const std::string& s) {
            bool expected = ReferenceIsEmailAddress(s);
            ++count.strings;
            count.valid += expected;
            if (IsValidEmailAddress(s) != expected && ++count.failures <= 10)
                ADD_FAILURE() << Show(s) << ": expected " << expected;
        });
        EXPECT_EQ(count.failures, 0);
        EXPECT_GE(count.valid, 10) << "the sweep must reach valid addresses";
    }
}

// Every local part over {a, 1, -, ., _} up to three characters, then every domain over
// {a, Z, 1, -, _, .} from two to five characters: many more valid addresses than the plain sweep.
TEST(EmailAddress, AgreesWithReferenceOnAllShortLocalAndDomainPairs) {
    std::vector<std::string> locals;
    ForEachString("a1-._", 3, [&](const std::string& s) { locals.push_back(s); });
    std::vector<std::string> domains;
    ForEachString("aZ1-_.", 5, [&](const std::string& s) {
        if (s.size() >= 2) domains.push_back(s);
    });
    SweepCount count;
    std::string address;
    for (const std::string& local : locals) {
        for (const std::string& domain : domains) {
            address = local + "@" + domain;
            bool expected = ReferenceIsEmailAddress(address);
            ++count.strings;
            count.valid += expected;
            if (IsValidEmailAddress(address) != expected && ++count.failures <= 10)
                ADD_FAILURE() << Show(address) << ": expected " << expected;
        }
    }
    EXPECT_EQ(count.failures, 0);
    EXPECT_GT(count.valid, 1000);
}

// The classic form of the pattern, run by the backtracking engine itself, accepts the same set.
TEST(EmailAddress, NestedPatternAgreesOnShortStrings) {
    const CPatternT nested(
        R"(^([0-9a-zA-Z]([-.\w]*[0-9a-zA-Z])*@(([0-9a-zA-Z])+([-\w]*[0-9a-zA-Z])*\.)+[a-zA-Z]{2,9})$)", 0);
    CMatchStateT state;
    SweepCount count;
    ForEachString("a1-._@", 7, [&](const std::string& s) {
        bool expected = IsValidEmailAddress(s);
        ++count.strings;
        count.valid += expected;
        bool actual = nested.MatchWhole(s.data(), static_cast<int>(s.size()), &state).Matched() != 0;
        if (actual != expected && ++count.failures <= 10) ADD_FAILURE() << Show(s) << ": expected " << expected;
    });
    EXPECT_EQ(count.failures, 0);
    EXPECT_GE(count.valid, 10);
}

// Realistic addresses, some of them mutated by one to three random edits.
std::string RandomCandidate(std::mt19937& rng) {
    static const char* const kWords[] = {"john", "a", "x1", "mary", "o", "smith", "info", "q9", "Z", "dev"};
    static const char* const kLabels[] = {"example", "mail", "b", "x-y", "a_b", "co", "sub1", "7", "host"};
    static const char kSeparators[] = "._-";
    static const char kMutations[] = "@.-_ aZ9\r\n\t+\xe9\0";
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };

    std::string s = kWords[pick(10)];
    for (int i = pick(3); i > 0; --i)
        s += std::string(1, kSeparators[pick(3)]) + kWords[pick(10)];
    s += '@';
    for (int i = 1 + pick(3); i > 0; --i)
        s += std::string(kLabels[pick(9)]) + '.';
    int tld = 1 + pick(11);
    for (int i = 0; i < tld; ++i)
        s += static_cast<char>((pick(2) ? 'a' : 'A') + pick(26));

    for (int edits = pick(4); edits > 0 && !s.empty(); --edits) {
        size_t where = static_cast<size_t>(pick(static_cast<int>(s.size())));
        char c = kMutations[pick(static_cast<int>(sizeof kMutations))];
        switch (pick(3)) {
        case 0:
            s.insert(where, 1, c);
            break;
        case 1:
            s.erase(where, 1);
            break;
        default:
            s[where] = c;
            break;
        }
    }
    return s;
}

TEST(EmailAddress, AgreesWithReferenceOnRandomCandidates) {
    std::mt19937 rng(20240611);
    int valid = 0;
    int failures = 0;
    for (int i = 0; i < 30000; ++i) {
        std::string s = RandomCandidate(rng);
        bool expected = ReferenceIsEmailAddress(s);
        valid += expected;
        if (IsValidEmailAddress(s) != expected && ++failures <= 10)
            ADD_FAILURE() << Show(s) << ": expected " << expected;
    }
    EXPECT_EQ(failures, 0);
    EXPECT_GT(valid, 5000);
    EXPECT_LT(valid, 25000);
}

// Lines of up to 254 bytes that a naive backtracking match of the nested pattern takes exponential
// time on. The check must decide them with work proportional to their length.
TEST(EmailAddress, AdversarialLinesAreDecidedWithLittleWork) {
    auto run = [](char c, int n) { return std::string(static_cast<size_t>(n), c); };
    auto repeat = [](std::string_view piece, int n) {
        std::string out;
        for (int i = 0; i < n; ++i)
            out += piece;
        return out;
    };
    std::vector<std::string> lines;
    for (int n : {20, 30, 100, 254}) {
        lines.push_back(run('a', n));
        lines.push_back(repeat("a1", n / 2));
        lines.push_back(run('a', n - 1) + "@");
        lines.push_back(repeat("a.", n / 2));
        lines.push_back(repeat("a-", (n - 1) / 2) + "a");
        lines.push_back("a@" + run('a', n - 2));
        lines.push_back("a@" + repeat("a.", (n - 2) / 2));
        lines.push_back("a@" + repeat("a-", (n - 3) / 2) + "a");
        lines.push_back(run('a', n - 6) + "@b.c1!");
        lines.push_back(run('a', (n - 4) / 2) + "@" + run('b', (n - 4) / 2) + ".c");
        lines.push_back("a@" + repeat("b.", (n - 5) / 2) + "cc.");
        lines.push_back(run('a', n - 8) + "@b.cc.d");
        lines.push_back(run('a', n - 7) + "@b.ccc"); // valid
    }
    for (const std::string& line : lines) {
        ASSERT_LE(line.size(), 254u);
        CMatchStateT state;
        bool matched =
            EmailAddressPattern.MatchWhole(line.data(), static_cast<int>(line.size()), &state).Matched() != 0;
        EXPECT_EQ(matched, ReferenceIsEmailAddress(line)) << line;
        EXPECT_EQ(IsValidEmailAddress(line), ReferenceIsEmailAddress(line)) << line;
        EXPECT_FALSE(state.Abandoned()) << line;
        EXPECT_LE(state.Steps(), 20 * static_cast<long long>(line.size()) + 100) << line;
    }
}

} // namespace
