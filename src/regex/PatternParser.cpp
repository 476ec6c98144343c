// The recursive-descent parser: alternation, sequence, quantified atom and atom, and the special parsers
// for classes, anchors and back-references. The group parser is in GroupParser.cpp.
// Tested by tests/regex/CompilerTest.cpp.
#include "regex/PatternInternal.h"

#include <climits>

namespace {

constexpr int kUnbounded = INT_MAX;

bool IsClassShorthand(char c) {
    return c == '.' || c == 'w' || c == 'W' || c == 's' || c == 'S' || c == 'd' || c == 'D';
}

bool IsQuantifierStart(const PatternToken& token) {
    return token.IsMeta('{') || token.IsMeta('?') || token.IsMeta('*') || token.IsMeta('+');
}

} // namespace

bool CPatternT::AtSequenceEnd() const {
    return m_cur.IsEnd() || m_cur.IsMeta('|') || m_cur.IsMeta(')');
}

void CPatternT::CollectUntil(char stop, bool bMetaOnly, CBufferT<char>& text) {
    while (!m_cur.IsEnd() && !(m_cur.m_ch == stop && (m_cur.m_nMeta || !bMetaOnly))) {
        text.Push(m_cur.m_ch);
        Advance();
    }
}

// Branches share one copy of the flags, so an inline option in one branch holds for those after it.
const ElxInterface* CPatternT::ParseAlternation(int nFlags) {
    if (m_cur.IsEnd()) return Stock(kStockEmpty);
    const ElxInterface* pFirst = ParseSequence(nFlags);
    if (!m_cur.IsMeta('|')) return pFirst;
    CAlternativeElxT* pAlternative = Make<CAlternativeElxT>();
    pAlternative->Add(pFirst);
    while (m_cur.IsMeta('|')) {
        Advance();
        pAlternative->Add(ParseSequence(nFlags));
    }
    return pAlternative;
}

// The flags are the caller's: an inline option changes them for the rest of the sequence.
const ElxInterface* CPatternT::ParseSequence(int& nFlags) {
    if (AtSequenceEnd()) return Stock(kStockEmpty);
    const ElxInterface* pFirst = ParseQuantified(nFlags);
    if (AtSequenceEnd()) return pFirst;
    CListElxT* pList = Make<CListElxT>(nFlags & RightToLeft);
    pList->Add(pFirst);
    while (!AtSequenceEnd())
        pList->Add(ParseQuantified(nFlags));
    return pList;
}

const ElxInterface* CPatternT::ParseQuantified(int& nFlags) {
    const ElxInterface* pAtom = ParseAtom(nFlags);
    if (!m_cur.m_nMeta) return pAtom;
    int nMin = 0;
    int nMax = 0;
    switch (m_cur.m_ch) {
    case '*':
        nMin = 0, nMax = kUnbounded;
        break;
    case '+':
        nMin = 1, nMax = kUnbounded;
        break;
    case '?':
        nMin = 0, nMax = 1;
        break;
    case '{': {
        Advance();
        CBufferT<char> bounds;
        CollectUntil('}', true, bounds);
        // Without a leading number the form counts as {0}; a missing upper bound after ',' is unbounded.
        int nPos = 0;
        if (ReadNumber(bounds, nPos, nMin)) {
            nMax = nMin;
            if (bounds.At(nPos) == ',') {
                ++nPos;
                if (!ReadNumber(bounds, nPos, nMax)) nMax = kUnbounded;
            }
        }
        if (nMax < nMin) nMax = nMin;
        break;
    }
    default:
        return pAtom;
    }
    Advance(); // the quantifier character, or the closing '}'
    if (nMax == 0) return Stock(kStockEmpty);
    if (nMin == nMax) {
        if (m_cur.IsMeta('?') || m_cur.IsMeta('+')) Advance();
        return Make<CRepeatElxT>(pAtom, nMin);
    }
    if (m_cur.IsMeta('?')) {
        Advance();
        return Make<CReluctantElxT>(pAtom, nMin, nMax);
    }
    if (m_cur.IsMeta('+')) {
        Advance();
        return Make<CPossessiveElxT>(pAtom, nMin, nMax);
    }
    return Make<CGreedyElxT>(pAtom, nMin, nMax);
}

// Gathers a run of literal characters, or dispatches to a special parser. A literal followed by a
// quantifier stands alone, so that the quantifier applies to that one character.
const ElxInterface* CPatternT::ParseAtom(int& nFlags) {
    CBufferT<char> text;
    while (!m_cur.IsEnd()) {
        if (!m_cur.m_nMeta) {
            if (IsQuantifierStart(m_next)) {
                if (text.Size() == 0) {
                    text.Push(m_cur.m_ch);
                    Advance();
                }
                break;
            }
            text.Push(m_cur.m_ch);
            Advance();
            continue;
        }
        if (m_cur.m_ch == ')' || m_cur.m_ch == '|' || text.Size() > 0) break;
        switch (m_cur.m_ch) {
        case '(':
            return ParseGroup(nFlags);
        case '[':
        case '.':
        case 'w':
        case 'W':
        case 's':
        case 'S':
        case 'd':
        case 'D':
            return ParseClass(nFlags);
        case '^':
        case '$':
        case 'A':
        case 'Z':
        case 'z':
        case 'b':
        case 'B':
        case 'G':
            return ParseAnchor(nFlags);
        case '\\':
        case 'k':
        case 'g':
            return ParseBackReference(nFlags);
        default:
            // A quantifier with nothing to quantify, or any other stray metacharacter, is a literal.
            text.Push(m_cur.m_ch);
            Advance();
            break;
        }
    }
    if (text.Size() == 0) return Stock(kStockEmpty);
    return Make<CStringElxT>(text, nFlags & RightToLeft, nFlags & IgnoreCase);
}

const ElxInterface* CPatternT::ParseClass(int nFlags) {
    const PatternToken token = m_cur;
    Advance();
    const int bBackward = nFlags & RightToLeft;
    const int nBackward = bBackward ? kStockBackward : 0;
    switch (token.m_ch) {
    case '.':
        return Stock(((nFlags & DotAll) ? kStockAny : kStockAnyButLf) + nBackward);
    case 'w':
        return Stock(kStockWord + nBackward);
    case 'W':
        return Stock(kStockNotWord + nBackward);
    case 's':
        return Stock(kStockSpace + nBackward);
    case 'S':
        return Stock(kStockNotSpace + nBackward);
    case 'd':
        return Stock(kStockDigit + nBackward);
    case 'D':
        return Stock(kStockNotDigit + nBackward);
    default:
        break;
    }
    if (m_cur.IsMeta(':')) { // '[:alpha:]'
        CBufferT<char> text;
        CollectUntil(']', true, text);
        Advance();
        return Make<CPosixElxT>(text, bBackward);
    }
    const bool bNegative = m_cur.IsMeta('^');
    if (bNegative) Advance();
    CRangeElxT* pRange = Make<CRangeElxT>(bBackward, bNegative ? 0 : 1);
    while (!m_cur.IsEnd() && !m_cur.IsMeta(']')) {
        if (m_cur.m_nMeta && (IsClassShorthand(m_cur.m_ch) || (m_cur.m_ch == '[' && m_next.IsMeta(':')))) {
            pRange->AddNested(ParseClass(nFlags));
        } else if (m_next.IsMeta('-') && !m_newest.m_nMeta) {
            pRange->AddRange(m_cur.m_ch, m_newest.m_ch);
            Advance();
            Advance();
            Advance();
        } else {
            pRange->AddChar(m_cur.m_ch);
            Advance();
        }
    }
    Advance(); // ']'
    if (nFlags & IgnoreCase) pRange->CloseUnderCase();
    pRange->Seal();
    return pRange;
}

const ElxInterface* CPatternT::ParseAnchor(int nFlags) {
    const char ch = m_cur.m_ch;
    Advance();
    const bool bMultiLine = (nFlags & MultiLine) != 0;
    switch (ch) {
    case '^':
        return Make<CBoundaryElxT>(bMultiLine ? kLineStart : kTextStart, 1);
    case '$':
        return Make<CBoundaryElxT>(bMultiLine ? kLineEnd : kTextEnd, 1);
    case 'A':
        return Make<CBoundaryElxT>(kTextStart, 1);
    case 'Z':
        return Make<CBoundaryElxT>(kTextEndOrFinalBreak, 1);
    case 'z':
        return Make<CBoundaryElxT>(kTextEnd, 1);
    case 'b':
        return Make<CBoundaryElxT>(kWordBoundary, 1);
    case 'B':
        return Make<CBoundaryElxT>(kWordBoundary, 0);
    default:
        break; // 'G'
    }
    if (nFlags & Global) return Make<CGlobalElxT>();
    return Stock(kStockEmpty);
}

// '\1' to '\999', '\k<name>', '\k'name'', '\g<name>', '\k2'; '\k' alone refers to group 0.
const ElxInterface* CPatternT::ParseBackReference(int nFlags) {
    Advance();
    const int bBackward = nFlags & RightToLeft;
    const int bIgnoreCase = nFlags & IgnoreCase;
    if (m_cur.m_ch == '<' || m_cur.m_ch == '\'') {
        const char terminator = m_cur.m_ch == '<' ? '>' : '\'';
        CBackrefElxT* pRef = Make<CBackrefElxT>(-1, bBackward, bIgnoreCase);
        Advance();
        CollectUntil(terminator, false, pRef->m_name);
        Advance();
        int nNumber = 0;
        if (ReadWholeNumber(pRef->m_name, nNumber)) {
            pRef->m_nNumber = nNumber;
            pRef->m_name.Truncate(0);
        } else {
            m_namedBackrefs.Push(pRef);
        }
        return pRef;
    }
    int nNumber = 0;
    for (int nDigits = 0; nDigits < 3 && IsDigit(m_cur.m_ch); ++nDigits) {
        nNumber = nNumber * 10 + (m_cur.m_ch - '0');
        Advance();
    }
    return Make<CBackrefElxT>(nNumber, bBackward, bIgnoreCase);
}
