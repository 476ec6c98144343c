// Compiles an arbitrary pattern with arbitrary flags and matches it against an arbitrary subject, then
// checks that the result is well formed. Input: one byte of flags, two bytes of pattern length, the
// pattern, then the subject.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "regex/EmailAddress.h"
#include "regex/MatchState.h"
#include "regex/Pattern.h"

namespace {

// The nested form of the e-mail pattern, which must accept exactly what the check accepts.
constexpr const char* kNestedEmailPattern =
    "^([0-9a-zA-Z]([-.\\w]*[0-9a-zA-Z])*@(([0-9a-zA-Z])+([-\\w]*[0-9a-zA-Z])*\\.)+[a-zA-Z]{2,9})$";

void Require(bool bCondition) {
    if (!bCondition) std::abort();
}

void CheckSpans(const CGroupSpansT& result, int nLength, int nHighest) {
    if (!result.Matched()) {
        Require(result.Size() == 0);
        return;
    }
    Require(result.Size() == 2 * nHighest + 4);
    Require(result.HighestGroup() == nHighest);
    Require(result.GroupStart(0) == 0 && result.GroupEnd(0) == nLength);
    for (int g = 1; g <= nHighest; ++g) {
        const int s = result.GroupStart(g), e = result.GroupEnd(g);
        Require((s == -1 && e == -1) || (0 <= s && s <= e && e <= nLength));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    // An input larger than 4 KiB is unlikely to find anything a smaller one would not, and slows fuzzing.
    if (nSize < 3 || nSize > 4096) return 0;
    const int nFlags = pData[0] & 63;
    size_t nPatternLength = (pData[1] | (pData[2] << 8)) % (nSize - 2);
    const char* pPattern = reinterpret_cast<const char*>(pData + 3);
    if (nPatternLength > nSize - 3) nPatternLength = nSize - 3;
    const char* pSubject = pPattern + nPatternLength;
    const int nSubjectLength = static_cast<int>(nSize - 3 - nPatternLength);

    CPatternT pattern;
    pattern.Compile(pPattern, static_cast<int>(nPatternLength), nFlags);

    // A smaller budget than the default keeps each run short; the bounds themselves are what is tested.
    CMatchStateT state(200'000);
    CGroupSpansT result = pattern.MatchWhole(pSubject, nSubjectLength, &state);
    CheckSpans(result, nSubjectLength, pattern.HighestGroup());
    if (!state.Abandoned()) {
        // Reusing a state must give the same answer as a fresh one.
        CMatchStateT again(200'000);
        CGroupSpansT second = pattern.MatchWhole(pSubject, nSubjectLength, &again);
        Require(second.Size() == result.Size());
        for (int i = 0; i < result.Size(); ++i)
            Require(second[i] == result[i]);
    }

    // The import checks lines shorter than 255 bytes; longer ones only slow the nested form down.
    if (nSubjectLength > 256) return 0;
    const std::string subject(pSubject, static_cast<size_t>(nSubjectLength));
    const bool bValid = IsValidEmailAddress(subject);
    static const CPatternT nested(kNestedEmailPattern, 0);
    CMatchStateT nestedState(2'000'000);
    CGroupSpansT nestedResult = nested.MatchWhole(subject.data(), nSubjectLength, &nestedState);
    if (!nestedState.Abandoned()) Require(bValid == (nestedResult.Matched() != 0));
    return 0;
}
