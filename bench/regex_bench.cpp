// Whole-string matching speed of the engine beside PCRE2 (interpreter and JIT) and std::regex: the e-mail
// check over a realistic corpus, adversarial lines, and a few general patterns.
#define PCRE2_CODE_UNIT_WIDTH 8

#include <benchmark/benchmark.h>
#include <pcre2.h>

#include <cstdlib>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "EmailCorpus.h"
#include "support/Pcre2Pattern.h"
#include "regex/EmailAddress.h"
#include "regex/MatchState.h"
#include "regex/Pattern.h"

namespace {

// The nested form that the program's definition of an address starts from, and a formulation that
// accepts the same strings without nested repetition.
constexpr const char* kNestedEmail =
    "^([0-9a-zA-Z]([-.\\w]*[0-9a-zA-Z])*@(([0-9a-zA-Z])+([-\\w]*[0-9a-zA-Z])*\\.)+[a-zA-Z]{2,9})$";
constexpr const char* kFlatEmail =
    "^([0-9a-zA-Z]([-.\\w]*[0-9a-zA-Z])?@([0-9a-zA-Z]([-\\w]*[0-9a-zA-Z])?\\.)+[a-zA-Z]{2,9})$";

const std::vector<std::string>& Corpus() {
    static const std::vector<std::string> corpus = bench::MakeEmailCorpus(1'000'000);
    return corpus;
}

// PCRE2 compiled for a whole-string match, run by its interpreter or its JIT.
class Pcre2Matcher {
public:
    Pcre2Matcher(const char* pattern, bool jit) : m_pattern(pattern, 0, jit) {
        if (!m_pattern.compiled()) std::abort();
    }
    bool Match(const std::string& subject) { return m_pattern.match(subject) > 0; }
    long long GaveUp() const { return m_pattern.gaveUp(); }

private:
    Pcre2Pattern m_pattern;
};

class CorvaneMatcher {
public:
    explicit CorvaneMatcher(const char* pPattern) : m_pattern(pPattern, 0) {}
    bool Match(const std::string& subject) {
        return m_pattern.MatchWhole(subject.data(), static_cast<int>(subject.size()), &m_state).Matched() != 0;
    }
    long long GaveUp() const { return 0; }

private:
    CPatternT m_pattern;
    CMatchStateT m_state;
};

class StdRegexMatcher {
public:
    explicit StdRegexMatcher(const char* pPattern) : m_regex(pPattern) {}
    bool Match(const std::string& subject) { return std::regex_match(subject, m_regex); }
    long long GaveUp() const { return 0; }

private:
    std::regex m_regex;
};

// Runs one line per iteration, cycling through the corpus, and reports the share of lines accepted.
template <class Check> void RunCorpus(benchmark::State& state, Check check) {
    const std::vector<std::string>& corpus = Corpus();
    size_t i = 0;
    long long nAccepted = 0;
    for (auto _ : state) {
        nAccepted += check(corpus[i]) ? 1 : 0;
        if (++i == corpus.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["accepted%"] = 100.0 * static_cast<double>(nAccepted) / static_cast<double>(state.iterations());
}

void BM_Corpus_IsValidEmailAddress(benchmark::State& state) {
    RunCorpus(state, [](const std::string& line) { return IsValidEmailAddress(line); });
}

template <class Matcher> void RunCorpusWith(benchmark::State& state, Matcher& matcher) {
    RunCorpus(state, [&](const std::string& line) { return matcher.Match(line); });
    state.counters["gave_up%"] =
        100.0 * static_cast<double>(matcher.GaveUp()) / static_cast<double>(state.iterations());
}

void BM_Corpus_Pcre2Interp_Flat(benchmark::State& state) {
    Pcre2Matcher matcher(kFlatEmail, false);
    RunCorpusWith(state, matcher);
}
void BM_Corpus_Pcre2Jit_Flat(benchmark::State& state) {
    Pcre2Matcher matcher(kFlatEmail, true);
    RunCorpusWith(state, matcher);
}
void BM_Corpus_Pcre2Interp_Nested(benchmark::State& state) {
    Pcre2Matcher matcher(kNestedEmail, false);
    RunCorpusWith(state, matcher);
}
void BM_Corpus_Pcre2Jit_Nested(benchmark::State& state) {
    Pcre2Matcher matcher(kNestedEmail, true);
    RunCorpusWith(state, matcher);
}
void BM_Corpus_StdRegex_Flat(benchmark::State& state) {
    StdRegexMatcher matcher(kFlatEmail);
    RunCorpusWith(state, matcher);
}
// std::regex backtracks exponentially on the nested form and does not finish on this corpus; it runs only
// when CORVANE_BENCH_STD_REGEX_NESTED is set.
void BM_Corpus_StdRegex_Nested(benchmark::State& state) {
    StdRegexMatcher matcher(kNestedEmail);
    RunCorpusWith(state, matcher);
}
// The engine on the nested form, for comparison with the check's flat form.
void BM_Corpus_Corvane_Nested(benchmark::State& state) {
    CorvaneMatcher matcher(kNestedEmail);
    RunCorpusWith(state, matcher);
}

BENCHMARK(BM_Corpus_IsValidEmailAddress);
BENCHMARK(BM_Corpus_Pcre2Interp_Flat);
BENCHMARK(BM_Corpus_Pcre2Jit_Flat);
BENCHMARK(BM_Corpus_Pcre2Interp_Nested);
BENCHMARK(BM_Corpus_Pcre2Jit_Nested);
BENCHMARK(BM_Corpus_StdRegex_Flat);
BENCHMARK(BM_Corpus_Corvane_Nested);

// Adversarial lines: each is a line of the given length that cannot be an address but keeps a naive
// backtracking matcher busy trying.
enum AdversarialKind { kAlnumRun, kRunThenAt, kDottedRun, kAtThenRun, kShortFinalLabel, kKindCount };
const char* const kAdversarialNames[] = {"alnum_run", "run_then_at", "dotted_run", "at_then_run", "short_final_label"};

std::string Adversarial(int nKind, int nLength) {
    std::string line;
    switch (nKind) {
    case kAlnumRun: // letters and digits without an at sign: the nested local part has exponentially many splits
        for (int i = 0; i < nLength; ++i)
            line += "a1b2c3d4e5"[i % 10];
        break;
    case kRunThenAt: // 'aaaa…a@': a local part and nothing after the at sign
        line.assign(static_cast<size_t>(nLength - 1), 'a');
        line += '@';
        break;
    case kDottedRun: // 'a.a.a.…': dots everywhere but no at sign
        for (int i = 0; i < nLength; ++i)
            line += i % 2 ? '.' : 'a';
        break;
    case kAtThenRun: // 'a@aaaa…': a domain without a dot: the nested label has exponentially many splits
        line = "a@" + std::string(static_cast<size_t>(nLength - 2), 'a');
        break;
    default: // 'a@a.a.a.…a': every label valid but the final one is a single letter
        line = "a@";
        while (static_cast<int>(line.size()) < nLength - 1)
            line += "a.";
        line += 'a';
        break;
    }
    return line;
}

template <class Check> void RunAdversarial(benchmark::State& state, Check check) {
    const std::string line = Adversarial(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    bool bAccepted = false;
    for (auto _ : state)
        bAccepted = check(line);
    state.SetLabel(std::string(kAdversarialNames[state.range(0)]) + (bAccepted ? " accepted" : ""));
}

void BM_Adversarial_IsValidEmailAddress(benchmark::State& state) {
    RunAdversarial(state, [](const std::string& line) { return IsValidEmailAddress(line); });
}
void BM_Adversarial_Pcre2Interp_Flat(benchmark::State& state) {
    Pcre2Matcher matcher(kFlatEmail, false);
    RunAdversarial(state, [&](const std::string& line) { return matcher.Match(line); });
}
void BM_Adversarial_Pcre2Jit_Flat(benchmark::State& state) {
    Pcre2Matcher matcher(kFlatEmail, true);
    RunAdversarial(state, [&](const std::string& line) { return matcher.Match(line); });
}
void BM_Adversarial_Pcre2Interp_Nested(benchmark::State& state) {
    Pcre2Matcher matcher(kNestedEmail, false);
    RunAdversarial(state, [&](const std::string& line) { return matcher.Match(line); });
}
void BM_Adversarial_Pcre2Jit_Nested(benchmark::State& state) {
    Pcre2Matcher matcher(kNestedEmail, true);
    RunAdversarial(state, [&](const std::string& line) { return matcher.Match(line); });
}
void BM_Adversarial_StdRegex_Flat(benchmark::State& state) {
    StdRegexMatcher matcher(kFlatEmail);
    RunAdversarial(state, [&](const std::string& line) { return matcher.Match(line); });
}

void AdversarialArgs(benchmark::internal::Benchmark* pBench) {
    for (int nKind = 0; nKind < kKindCount; ++nKind)
        for (int nLength : {20, 30, 100, 254})
            pBench->Args({nKind, nLength});
}

BENCHMARK(BM_Adversarial_IsValidEmailAddress)->Apply(AdversarialArgs);
BENCHMARK(BM_Adversarial_Pcre2Interp_Flat)->Apply(AdversarialArgs);
BENCHMARK(BM_Adversarial_Pcre2Jit_Flat)->Apply(AdversarialArgs);
BENCHMARK(BM_Adversarial_Pcre2Interp_Nested)->Apply(AdversarialArgs);
BENCHMARK(BM_Adversarial_Pcre2Jit_Nested)->Apply(AdversarialArgs);
BENCHMARK(BM_Adversarial_StdRegex_Flat)->Apply(AdversarialArgs);

// General patterns: each exercises a different part of a matcher on subjects that it accepts or nearly does.
struct GeneralCase {
    const char* pName;
    const char* pPattern;
    bool bStdRegex; // std::regex (ECMAScript) has no possessive repetition and no lookbehind
    std::vector<std::string> subjects;
};

const std::vector<GeneralCase>& GeneralCases() {
    static const std::vector<GeneralCase> cases = {
        // Alternation of keywords and classes: an HTTP request line.
        {"alternation",
         "(?:GET|POST|PUT|DELETE|HEAD) /[-a-z0-9/_.]*(?:\\?[a-z]+=[a-z0-9]*)? HTTP/1\\.[01]",
         true,
         {"GET /index.html HTTP/1.1", "POST /api/v2/users?id=42 HTTP/1.0", "DELETE /a/b/c/d/e/f/g/h HTTP/1.1",
          "PATCH /index.html HTTP/1.1"}},
        // Lazy repetition and a back-reference: a tag with the same closing name.
        {"lazy_backref",
         "<([a-z]+)[^>]*>.*?</\\1>",
         true,
         {"<b class=\"x\">bold text here</b>", "<div><span>nested</span> and more text</div>",
          "<p>an unterminated paragraph of text that never closes</q>"}},
        // Possessive repetition: a quoted string with escapes, never backtracking into the run.
        {"possessive",
         "\"(?:[^\"\\\\]++|\\\\.)*+\"",
         false,
         {"\"a plain quoted string\"", "\"with \\\"escaped\\\" quotes and \\\\ backslashes\"",
          "\"an unterminated string that goes on and on and on without its closing quote"}},
        // Lookahead: a password with a digit, a lower-case and an upper-case letter.
        {"lookahead",
         "(?=.*\\d)(?=.*[a-z])(?=.*[A-Z])[\\w!@#$%^&*]{8,64}",
         true,
         {"Passw0rdIsLongEnough", "alllowercaseandnodigits", "Sh0rt", "MiXeD123withSymbols!@#"}},
        // Lookbehind: a price that follows a currency sign.
        {"lookbehind",
         "[A-Z]{3} [0-9]+(?<=[0-9]{2})\\.[0-9]{2}",
         false,
         {"USD 1999.00", "CNY 88.50", "EUR 5.00", "GBP 123456789.99"}},
        // Counted repetition of a group with alternatives inside: an IPv4 address.
        {"counted_group",
         "(?:(?:25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])\\.){3}(?:25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])",
         true,
         {"192.168.1.254", "10.0.0.1", "256.1.1.1", "1.2.3"}},
    };
    return cases;
}

template <class Matcher> void RunGeneral(benchmark::State& state, Matcher& matcher) {
    const GeneralCase& c = GeneralCases()[static_cast<size_t>(state.range(0))];
    long long nAccepted = 0;
    size_t nBytes = 0;
    for (auto _ : state) {
        for (const std::string& subject : c.subjects) {
            nAccepted += matcher.Match(subject) ? 1 : 0;
            nBytes += subject.size();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(nBytes));
    state.SetLabel(c.pName);
    state.counters["accepted"] = static_cast<double>(nAccepted) / static_cast<double>(state.iterations());
}

void BM_General_Corvane(benchmark::State& state) {
    CorvaneMatcher matcher(GeneralCases()[static_cast<size_t>(state.range(0))].pPattern);
    RunGeneral(state, matcher);
}
void BM_General_Pcre2Interp(benchmark::State& state) {
    Pcre2Matcher matcher(GeneralCases()[static_cast<size_t>(state.range(0))].pPattern, false);
    RunGeneral(state, matcher);
}
void BM_General_Pcre2Jit(benchmark::State& state) {
    Pcre2Matcher matcher(GeneralCases()[static_cast<size_t>(state.range(0))].pPattern, true);
    RunGeneral(state, matcher);
}
void BM_General_StdRegex(benchmark::State& state) {
    const GeneralCase& c = GeneralCases()[static_cast<size_t>(state.range(0))];
    if (!c.bStdRegex) {
        state.SkipWithError("not supported by std::regex");
        for (auto _ : state) {
        }
        return;
    }
    StdRegexMatcher matcher(c.pPattern);
    RunGeneral(state, matcher);
}

void GeneralArgs(benchmark::internal::Benchmark* pBench) {
    for (size_t i = 0; i < GeneralCases().size(); ++i)
        pBench->Arg(static_cast<int64_t>(i));
}

BENCHMARK(BM_General_Corvane)->Apply(GeneralArgs);
BENCHMARK(BM_General_Pcre2Interp)->Apply(GeneralArgs);
BENCHMARK(BM_General_Pcre2Jit)->Apply(GeneralArgs);
BENCHMARK(BM_General_StdRegex)->Apply(GeneralArgs);

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("CORVANE_BENCH_STD_REGEX_NESTED")) BENCHMARK(BM_Corpus_StdRegex_Nested);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
