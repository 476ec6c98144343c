// The public face of a compiled pattern: compiling, clearing, the stock elements and the whole-text match.
// Tested by tests/regex/DriverTest.cpp.
#include "regex/PatternInternal.h"

#include <climits>
#include <cstring>

CPatternT::CPatternT() {
    Clear();
}

CPatternT::CPatternT(const char* pPattern, int nFlags) : CPatternT() {
    Compile(pPattern, nFlags);
}

CPatternT::~CPatternT() {
    Clear();
}

void CPatternT::Compile(const char* pPattern, int nFlags) {
    size_t nLength = pPattern ? std::strlen(pPattern) : 0;
    Compile(pPattern, nLength > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(nLength), nFlags);
}

void CPatternT::Compile(const char* pPattern, int nLength, int nFlags) {
    Clear();
    if (!pPattern) return;
    m_pattern = CBufferRefT<char>(pPattern, nLength < 0 ? 0 : nLength);
    m_nFlags = nFlags;
    m_nLexPos = m_nClassDepth = m_nMaxGroup = m_nNextNamed = m_nQuoteMode = 0;
    m_pQuoteConvert = nullptr;
    m_nNesting = 0;
    m_bTooDeep = false;
    m_prev = m_cur = m_next = m_newest = PatternToken{};
    try {
        Advance();
        Advance();
        Advance();
        m_pRoot = ParseAlternation(nFlags);
        FinishCompile();
    } catch (...) {
        m_pattern = CBufferRefT<char>();
        Clear();
        throw;
    }
    m_pattern = CBufferRefT<char>();
    if (m_bTooDeep) Clear();
}

void CPatternT::Clear() {
    for (int i = 0; i < m_elements.Size(); ++i)
        delete m_elements[i];
    m_elements.Truncate(0);
    m_pRoot = nullptr;
    m_nMaxGroup = 0;
    m_nNextNamed = 0;
    m_nGroupCount = 0;
    // These lists point into the tree just deleted.
    m_groups.Truncate(0);
    m_groupMarks.Truncate(0);
    m_recursions.Truncate(0);
    m_namedGroups.Truncate(0);
    m_namedOpenMarks.Truncate(0);
    m_namedCloseMarks.Truncate(0);
    m_namedBackrefs.Truncate(0);
    m_namedConditions.Truncate(0);
    for (const ElxInterface*& pStock : m_stock)
        pStock = nullptr;
}

const ElxInterface* CPatternT::Stock(int nKind) {
    if (nKind < 0 || nKind >= kStockCount) nKind = kStockEmpty;
    if (m_stock[nKind]) return m_stock[nKind];
    if (nKind == kStockEmpty) return m_stock[nKind] = Make<CEmptyElxT>();

    const int bBackward = nKind > kStockBackward ? 1 : 0;
    const int nBase = bBackward ? nKind - kStockBackward : nKind;
    const int bPositive = nBase == kStockWord || nBase == kStockSpace || nBase == kStockDigit;
    CRangeElxT* pRange = Make<CRangeElxT>(bBackward, bPositive);
    switch (nBase) {
    case kStockAnyButLf:
        pRange->AddChar('\n');
        break;
    case kStockWord:
    case kStockNotWord:
        pRange->AddRange('A', 'Z');
        pRange->AddRange('a', 'z');
        pRange->AddRange('0', '9');
        pRange->AddChar('_');
        break;
    case kStockSpace:
    case kStockNotSpace:
        pRange->AddChar(' ');
        pRange->AddChar('\t');
        pRange->AddChar('\r');
        pRange->AddChar('\n');
        if (bBackward) { // only the backward forms know FF and VT
            pRange->AddChar('\f');
            pRange->AddChar('\v');
        }
        break;
    case kStockDigit:
    case kStockNotDigit:
        pRange->AddRange('0', '9');
        break;
    default:
        break; // any character: a negative class with nothing in it
    }
    pRange->Seal();
    return m_stock[nKind] = pRange;
}

CGroupSpansT CPatternT::MatchWhole(const char* pSubject) const {
    size_t nLength = pSubject ? std::strlen(pSubject) : 0;
    if (nLength > static_cast<size_t>(INT_MAX)) return CGroupSpansT();
    return MatchWhole(pSubject, static_cast<int>(nLength), nullptr);
}

CGroupSpansT CPatternT::MatchWhole(const char* pSubject, int nLength, CMatchStateT* pState) const {
    CGroupSpansT result;
    if (!m_pRoot || nLength < 0 || (!pSubject && nLength > 0)) return result;
    CMatchStateT localState;
    CMatchStateT& state = pState ? *pState : localState;
    state.Reset(pSubject ? pSubject : "", nLength);

    const bool bBackward = (m_nFlags & RightToLeft) != 0;
    state.m_nBeginPos = state.m_nCurrentPos = bBackward ? nLength : 0;
    const int nTarget = bBackward ? 0 : nLength;
    state.m_captureIndex.EnsureIndex(m_nMaxGroup, -1);
    state.m_captureIndex[0] = 0;
    state.m_captures.Push(0);
    state.m_captures.Push(state.m_nBeginPos);
    state.m_captures.Push(-1);
    state.m_captures.Push(-1);

    if (!m_pRoot->Match(state)) return result;
    // Only a match that covers the whole subject counts: keep asking the tree for its next way of
    // matching. Two empty results in a row at the start mean the tree can offer nothing else.
    while (state.m_nCurrentPos != nTarget) {
        if (state.Abandoned() || !m_pRoot->Backtrack(state)) return result;
        if (state.m_nLastPos == state.m_nBeginPos && state.m_nBeginPos == state.m_nCurrentPos) return result;
        state.m_nLastPos = state.m_nCurrentPos;
    }
    if (state.Abandoned()) return result;
    const int nWhole = state.FindRecord(0);
    if (nWhole >= 0) state.m_captures[nWhole + kRecEnd] = state.m_nCurrentPos;

    const int h = m_nMaxGroup;
    result.EnsureIndex(2 * h + 3, -1);
    result[0] = 1;
    result[1] = h;
    for (int g = 0; g <= h; ++g) {
        const int k = state.FindRecord(g);
        if (k < 0) continue;
        const int s = state.m_captures[k + kRecStart];
        const int e = state.m_captures[k + kRecEnd];
        if (e < 0) continue; // opened but never closed: it captured nothing
        result[2 + 2 * g] = s < e ? s : e;
        result[3 + 2 * g] = s < e ? e : s;
    }
    return result;
}
