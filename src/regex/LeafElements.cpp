// Leaf elements: literal text, character classes, POSIX classes and position tests.
// Tested by tests/regex/LeafElementsTest.cpp.
#include "regex/LeafElements.h"

#include "regex/CharTraits.h"
#include "regex/MatchState.h"

namespace {

bool IsWordChar(char c) {
    return IsAlnum(c) || c == '_';
}

// The index of the character a one-character element looks at, or -1 outside the subject.
int ClassIndex(const CMatchStateT& state, int bBackward) {
    int nIndex = bBackward ? state.m_nCurrentPos - 1 : state.m_nCurrentPos;
    return nIndex >= 0 && nIndex < state.m_nSubjectLength ? nIndex : -1;
}

void StepOne(CMatchStateT& state, int bBackward) {
    state.m_nCurrentPos += bBackward ? -1 : 1;
}

} // namespace

int CEmptyElxT::Match(CMatchStateT& state) const {
    return state.Step() ? 1 : 0;
}
int CEmptyElxT::Backtrack(CMatchStateT&) const {
    return 0;
}

int CGlobalElxT::Match(CMatchStateT& state) const {
    return state.Step() && state.m_nCurrentPos == state.m_nBeginPos ? 1 : 0;
}
int CGlobalElxT::Backtrack(CMatchStateT&) const {
    return 0;
}

CStringElxT::CStringElxT(const CBufferRefT<char>& text, int bBackward, int bIgnoreCase)
    : m_text(text.Data(), text.Size()), m_bBackward(bBackward), m_bIgnoreCase(bIgnoreCase) {}

int CStringElxT::Match(CMatchStateT& state) const {
    if (!state.Step()) return 0;
    const int n = m_text.Size();
    int nStart;
    if (m_bBackward) {
        if (state.m_nCurrentPos < n) return 0;
        nStart = state.m_nCurrentPos - n;
    } else {
        if (state.m_nCurrentPos > state.m_nSubjectLength - n) return 0;
        nStart = state.m_nCurrentPos;
    }
    const char* pAt = state.m_pSubject + nStart;
    if ((m_bIgnoreCase ? m_text.CompareNoCase(pAt) : m_text.Compare(pAt)) != 0) return 0;
    state.m_nCurrentPos += m_bBackward ? -n : n;
    return 1;
}

int CStringElxT::Backtrack(CMatchStateT& state) const {
    state.m_nCurrentPos += m_bBackward ? m_text.Size() : -m_text.Size();
    return 0;
}

CRangeElxT::CRangeElxT(int bBackward, int bPositive) : m_bBackward(bBackward), m_bPositive(bPositive) {}

int CRangeElxT::Match(CMatchStateT& state) const {
    if (!state.Step()) return 0;
    int nIndex = ClassIndex(state, m_bBackward);
    if (nIndex < 0) return 0;
    if (!Accepts(state.m_pSubject[nIndex])) return 0;
    StepOne(state, m_bBackward);
    return 1;
}

int CRangeElxT::Backtrack(CMatchStateT& state) const {
    StepOne(state, !m_bBackward);
    return 0;
}

void CRangeElxT::AddRange(char lo, char hi) {
    m_ranges.Push(lo);
    m_ranges.Push(hi);
}
void CRangeElxT::AddChar(char c) {
    m_chars.Push(c);
}
void CRangeElxT::AddNested(const ElxInterface* pElx) {
    m_nested.Push(pElx);
}

bool CRangeElxT::InLists(char c) const {
    for (int i = 0; i + 1 < m_ranges.Size(); i += 2) {
        if (m_ranges[i] <= c && c <= m_ranges[i + 1]) return true;
    }
    for (int i = 0; i < m_chars.Size(); ++i) {
        if (m_chars[i] == c) return true;
    }
    return false;
}

bool CRangeElxT::InListsOrNested(char c) const {
    if (InLists(c)) return true;
    // A nested class decides by the one character alone, so a one-character subject asks it exactly.
    for (int i = 0; i < m_nested.Size(); ++i) {
        CMatchStateT probe;
        probe.Reset(&c, 1);
        probe.m_nCurrentPos = m_bBackward ? 1 : 0;
        if (m_nested[i]->Match(probe)) return true;
    }
    return false;
}

void CRangeElxT::CloseUnderCase() {
    const int nRanges = m_ranges.Size();
    for (int i = 0; i + 1 < nRanges; i += 2) {
        const char lo = m_ranges[i], hi = m_ranges[i + 1];
        if (lo <= 'Z' && hi >= 'A') {
            char l = static_cast<char>(ToLower(lo > 'A' ? lo : 'A'));
            char h = static_cast<char>(ToLower(hi < 'Z' ? hi : 'Z'));
            if (!(lo <= l && h <= hi)) AddRange(l, h);
        }
        if (lo <= 'z' && hi >= 'a') {
            char u = static_cast<char>(ToUpper(lo > 'a' ? lo : 'a'));
            char v = static_cast<char>(ToUpper(hi < 'z' ? hi : 'z'));
            if (!(lo <= u && v <= hi)) AddRange(u, v);
        }
    }
    // Which bytes the lists hold so far, kept up to date as characters are added: asking the lists each
    // time would make a long class take time quadratic in its length.
    bool bHeld[256];
    for (int b = 0; b < 256; ++b)
        bHeld[b] = InLists(static_cast<char>(b));
    const int nChars = m_chars.Size();
    for (int i = 0; i < nChars; ++i) {
        const char c = m_chars[i];
        const int other = IsUpper(c) ? ToLower(c) : IsLower(c) ? ToUpper(c) : -1;
        if (other < 0 || bHeld[other]) continue;
        AddChar(static_cast<char>(other));
        bHeld[other] = true;
    }
}

void CRangeElxT::Seal() {
    for (int b = 0; b < 256; ++b)
        m_table[b] = InListsOrNested(static_cast<char>(b));
}

namespace {

int PosixBlank(int c) {
    return c == ' ' || c == '\t';
}

struct PosixName {
    const char* pName;
    int nCompare; // characters compared
    int (*pTest)(int);
};

constexpr PosixName kPosixNames[] = {
    {"alnum:", 6, IsAlnum},    {"alpha:", 6, IsAlpha}, {"ascii:", 6, IsAscii}, {"cntrl:", 6, IsCntrl},
    {"digit:", 6, IsDigit},    {"graph:", 6, IsGraph}, {"lower:", 6, IsLower}, {"print:", 6, IsPrint},
    {"punct:", 6, IsPunct},    {"space:", 6, IsSpace}, {"upper:", 6, IsUpper}, {"xdigit:", 7, IsXDigit},
    {"blank:", 6, PosixBlank},
};

} // namespace

CPosixElxT::CPosixElxT(const CBufferRefT<char>& text, int bBackward) : m_bBackward(bBackward) {
    int nAt = 1; // past the leading ':'
    if (text.At(nAt) == '^') {
        m_bPositive = 0;
        ++nAt;
    }
    for (const PosixName& name : kPosixNames) {
        bool bSame = true;
        for (int i = 0; i < name.nCompare && bSame; ++i)
            bSame = text.At(nAt + i) == name.pName[i];
        if (bSame) {
            m_pTest = name.pTest;
            break;
        }
    }
}

int CPosixElxT::Match(CMatchStateT& state) const {
    if (!state.Step() || !m_pTest) return 0;
    int nIndex = ClassIndex(state, m_bBackward);
    if (nIndex < 0) return 0;
    if ((m_pTest(state.m_pSubject[nIndex]) != 0) != static_cast<bool>(m_bPositive)) return 0;
    StepOne(state, m_bBackward);
    return 1;
}

int CPosixElxT::Backtrack(CMatchStateT& state) const {
    StepOne(state, !m_bBackward);
    return 0;
}

int CBoundaryElxT::Match(CMatchStateT& state) const {
    if (!state.Step()) return 0;
    const int nPos = state.m_nCurrentPos;
    const int nLength = state.m_nSubjectLength;
    const char* s = state.m_pSubject;
    const char prev = nPos > 0 && nPos <= nLength ? s[nPos - 1] : 0;
    const char next = nPos >= 0 && nPos < nLength ? s[nPos] : 0;
    bool bResult = false;
    switch (m_kind) {
    case kTextStart:
        bResult = nPos <= 0;
        break;
    case kTextEnd:
        bResult = nPos >= nLength;
        break;
    case kTextEndOrFinalBreak:
        bResult = nPos >= nLength || (nLength >= 1 && s[nLength - 1] == '\n' && nPos == nLength - 1) ||
                  (nLength >= 2 && s[nLength - 2] == '\r' && s[nLength - 1] == '\n' && nPos == nLength - 2);
        break;
    case kLineStart:
        bResult = nPos <= 0 || prev == '\n' || (prev == '\r' && next != '\n');
        break;
    case kLineEnd:
        bResult = nPos >= nLength || next == '\r' || (next == '\n' && prev != '\r');
        break;
    case kWordBoundary:
        bResult = IsWordChar(prev) != IsWordChar(next);
        break;
    }
    return bResult == static_cast<bool>(m_bPositive) ? 1 : 0;
}

int CBoundaryElxT::Backtrack(CMatchStateT&) const {
    return 0;
}
