// PCRE2 as the tests and the benchmarks use it for a reference: a pattern compiled for a whole-subject match
// (anchored at both ends, LF the only line end), run by PCRE2's interpreter or its JIT.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

struct pcre2_real_code_8;
struct pcre2_real_match_data_8;

class Pcre2Pattern {
public:
    // `options`: PCRE2 compile options besides the anchoring (PCRE2_CASELESS, ...). `jit`: compile for the JIT and
    // match with it. A pattern PCRE2 cannot compile leaves compiled() false.
    explicit Pcre2Pattern(std::string_view pattern, std::uint32_t options = 0, bool jit = false);
    ~Pcre2Pattern();
    Pcre2Pattern(const Pcre2Pattern&) = delete;
    Pcre2Pattern& operator=(const Pcre2Pattern&) = delete;

    bool compiled() const { return m_code != nullptr; }
    // pcre2_match's answer for the whole subject: the number of the highest group set plus one, or
    // PCRE2_ERROR_NOMATCH, or another (negative) error such as a limit PCRE2 hit.
    int match(std::string_view subject);
    // After a match: where group `group` (0: the whole match) begins and ends, or nothing when it took no part.
    std::optional<std::pair<std::size_t, std::size_t>> group(std::uint32_t group) const;
    // How many capturing groups the pattern has.
    std::uint32_t groupCount() const { return m_groups; }
    // How many matches gave up at one of PCRE2's limits rather than answer.
    long long gaveUp() const { return m_gaveUp; }

private:
    pcre2_real_code_8* m_code = nullptr;
    pcre2_real_match_data_8* m_data = nullptr;
    std::uint32_t m_groups = 0;
    bool m_jit = false;
    int m_lastResult = 0;
    long long m_gaveUp = 0;
};
