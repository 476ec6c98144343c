// The group parser (capturing, named and non-capturing groups, inline options, lookaround, atomic groups,
// conditionals, recursion) and the end of compilation, which numbers named groups and resolves names.
// Tested by tests/regex/GroupTest.cpp.
#include "regex/PatternInternal.h"

#include <string>
#include <unordered_map>

namespace {

// Keeps count of the groups open while parsing.
class NestingLevel {
public:
    explicit NestingLevel(int& nNesting) : m_nNesting(nNesting) { ++m_nNesting; }
    ~NestingLevel() { --m_nNesting; }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;

private:
    int& m_nNesting;
};

int InlineOptionBit(char c) {
    switch (c) {
    case 'g':
    case 'G':
        return CPatternT::Global;
    case 'i':
    case 'I':
        return CPatternT::IgnoreCase;
    case 'm':
    case 'M':
        return CPatternT::MultiLine;
    case 's':
    case 'S':
        return CPatternT::DotAll;
    default:
        return 0;
    }
}

std::string UpperCased(const CBufferRefT<char>& name) {
    std::string text(name.Data(), static_cast<size_t>(name.Size()));
    for (char& c : text)
        c = static_cast<char>(ToUpper(c));
    return text;
}

// Group names compare ignoring case, and a name means the first named group that carries it. The index maps
// each upper-cased name to the first opening mark with that name, so that a pattern with many named groups
// does not take quadratic time to resolve.
class NameIndex {
public:
    explicit NameIndex(const CBufferT<CBracketElxT*>& marks) : m_marks(marks) {
        for (int i = 0; i < marks.Size(); ++i) {
            if (marks[i]) m_first.emplace(UpperCased(marks[i]->m_name), i);
        }
    }
    // The number the first mark of that name carries now, or -3 when no named group carries the name.
    int Lookup(const CBufferRefT<char>& name) const {
        auto found = m_first.find(UpperCased(name));
        return found == m_first.end() ? -3 : m_marks[found->second]->m_nNumber;
    }

private:
    const CBufferT<CBracketElxT*>& m_marks;
    std::unordered_map<std::string, int> m_first;
};

} // namespace

void CPatternT::AbandonCompile() {
    m_bTooDeep = true;
    m_nQuoteMode = 0;
    m_nLexPos = m_pattern.Size();
    m_cur = m_next = m_newest = PatternToken{0, 1, m_nLexPos, 0};
}

// Current is meta '('.
const ElxInterface* CPatternT::ParseGroup(int& nFlags) {
    if (m_nNesting >= kMaxGroupNesting) {
        AbandonCompile();
        return Stock(kStockEmpty);
    }
    NestingLevel level(m_nNesting);
    Advance();
    const int bBackward = nFlags & RightToLeft;
    if (!m_cur.IsMeta('?')) {
        const int n = ++m_nMaxGroup;
        CListElxT* pGroup = Make<CListElxT>(bBackward);
        CBracketElxT* pOpen = Make<CBracketElxT>(n, bBackward);
        pGroup->Add(pOpen);
        pGroup->Add(ParseAlternation(nFlags));
        pGroup->Add(Make<CBracketElxT>(n, !bBackward));
        m_groups.EnsureIndex(n, 0);
        m_groups[n] = pGroup;
        m_groupMarks.EnsureIndex(n, 0);
        m_groupMarks[n] = pOpen;
        Advance(); // ')'
        return pGroup;
    }
    Advance();
    const ElxInterface* pResult = nullptr;
    const char ch = m_cur.m_ch;
    if (ch == '=' || ch == '!') {
        Advance();
        pResult = Make<CAssertElxT>(ParseAlternation(nFlags & ~RightToLeft), ch == '=' ? 1 : 0);
    } else if (ch == '<' && (m_next.m_ch == '=' || m_next.m_ch == '!')) {
        const int bPositive = m_next.m_ch == '=' ? 1 : 0;
        Advance();
        Advance();
        pResult = Make<CAssertElxT>(ParseAlternation(nFlags | RightToLeft), bPositive);
    } else if (ch == '<' || ch == '\'' || ch == 'P') {
        pResult = ParseNamedGroup(nFlags);
    } else if (ch == '>') {
        Advance();
        pResult = Make<CIndependentElxT>(ParseAlternation(nFlags));
    } else if (ch == '(') {
        pResult = ParseConditional(nFlags);
    } else if (ch == 'R') {
        pResult = ParseRecursion();
    } else {
        while (!m_cur.IsEnd() && IsSpace(m_cur.m_ch))
            Advance();
        if (IsDigit(m_cur.m_ch)) { // '(?1)'
            CBufferT<char> text;
            CollectUntil(')', false, text);
            int nNumber = 0;
            int nPos = 0;
            ReadNumber(text, nPos, nNumber);
            CDelegateElxT* pDelegate = Make<CDelegateElxT>(nNumber);
            m_recursions.Push(pDelegate);
            pResult = pDelegate;
        } else {
            int nOptions = nFlags;
            bool bNegate = false;
            while (!m_cur.IsEnd() && m_cur.m_ch != ':' && m_cur.m_ch != ')' && !m_cur.IsMeta('(')) {
                if (m_cur.m_ch == '-')
                    bNegate = true;
                else if (bNegate)
                    nOptions &= ~InlineOptionBit(m_cur.m_ch);
                else
                    nOptions |= InlineOptionBit(m_cur.m_ch);
                Advance();
            }
            if (m_cur.m_ch != ':' && !m_cur.IsMeta('(')) { // '(?i)': for the rest of the enclosing sequence
                nFlags = nOptions;
                pResult = Stock(kStockEmpty);
            } else { // '(?:...)', '(?i-m:...)'
                if (m_cur.m_ch == ':') Advance();
                pResult = ParseAlternation(nOptions);
            }
        }
    }
    Advance(); // ')'
    return pResult;
}

// '(?<name>...)', '(?'name'...)', '(?P<name>...)'. Its number is given when compilation ends, unless the
// name is a number.
const ElxInterface* CPatternT::ParseNamedGroup(int nFlags) {
    if (m_cur.m_ch == 'P') Advance();
    const char terminator = m_cur.m_ch == '\'' ? '\'' : '>';
    const int nIndex = m_nNextNamed++;
    const int bBackward = nFlags & RightToLeft;
    CListElxT* pGroup = Make<CListElxT>(bBackward);
    CBracketElxT* pOpen = Make<CBracketElxT>(-1, bBackward);
    CBracketElxT* pClose = Make<CBracketElxT>(-1, !bBackward);
    Advance();
    CollectUntil(terminator, false, pOpen->m_name);
    Advance();
    int nNumber = 0;
    if (ReadWholeNumber(pOpen->m_name, nNumber)) {
        pOpen->m_nNumber = pClose->m_nNumber = nNumber;
        pOpen->m_name.Truncate(0);
    }
    pGroup->Add(pOpen);
    pGroup->Add(ParseAlternation(nFlags));
    pGroup->Add(pClose);
    m_namedGroups.EnsureIndex(nIndex, 0);
    m_namedGroups[nIndex] = pGroup;
    m_namedOpenMarks.EnsureIndex(nIndex, 0);
    m_namedOpenMarks[nIndex] = pOpen;
    m_namedCloseMarks.EnsureIndex(nIndex, 0);
    m_namedCloseMarks[nIndex] = pClose;
    return pGroup;
}

// '(?R)', '(?R2)', '(?R<name>)', '(?R'name')'; current is 'R'.
const ElxInterface* CPatternT::ParseRecursion() {
    Advance();
    while (!m_cur.IsEnd() && IsSpace(m_cur.m_ch))
        Advance();
    CDelegateElxT* pDelegate;
    if (m_cur.m_ch == '<' || m_cur.m_ch == '\'') {
        const char terminator = m_cur.m_ch == '<' ? '>' : '\'';
        pDelegate = Make<CDelegateElxT>(-3);
        Advance();
        CollectUntil(terminator, false, pDelegate->m_name);
        Advance();
        int nNumber = 0;
        if (ReadWholeNumber(pDelegate->m_name, nNumber)) {
            pDelegate->m_nNumber = nNumber;
            pDelegate->m_name.Truncate(0);
        }
    } else {
        CBufferT<char> text;
        CollectUntil(')', false, text);
        int nNumber = 0;
        int nPos = 0;
        ReadNumber(text, nPos, nNumber);
        pDelegate = Make<CDelegateElxT>(nNumber);
    }
    m_recursions.Push(pDelegate);
    return pDelegate;
}

// '(?(1)yes|no)', '(?(name)yes|no)', '(?(?=x)yes|no)'; current is the inner '('. A condition that is not a
// group number or a known name tests whether its text, compiled as a lookahead, follows.
const ElxInterface* CPatternT::ParseConditional(int& nFlags) {
    CConditionElxT* pCondition = Make<CConditionElxT>();
    if (m_next.IsMeta('?')) {
        pCondition->m_pCondition = ParseGroup(nFlags);
    } else {
        Advance();
        const int nStart = m_cur.m_nPos;
        pCondition->m_pCondition = Make<CAssertElxT>(ParseAlternation(nFlags), 1);
        const int nEnd = m_cur.m_nPos;
        pCondition->m_name.Append(m_pattern.Data() + nStart, nEnd > nStart ? nEnd - nStart : 0, 0);
        int nNumber = 0;
        if (ReadWholeNumber(pCondition->m_name, nNumber)) {
            pCondition->m_nNumber = nNumber;
            pCondition->m_pCondition = nullptr;
        } else {
            m_namedConditions.Push(pCondition);
        }
        Advance(); // ')'
    }
    int nYesFlags = nFlags;
    pCondition->m_pYes = ParseSequence(nYesFlags);
    if (m_cur.m_ch == '|') {
        Advance();
        pCondition->m_pNo = ParseAlternation(nFlags);
    }
    return pCondition;
}

const CBracketElxT* CPatternT::OpeningMark(int nGroupEntry) const {
    return nGroupEntry > 0 && nGroupEntry < m_groupMarks.Size() ? m_groupMarks[nGroupEntry] : nullptr;
}

void CPatternT::FinishCompile() {
    const NameIndex names(m_namedOpenMarks);
    m_groups.EnsureIndex(0, 0);
    m_groups[0] = m_pRoot;
    m_nGroupCount = m_groups.Size();
    m_groupMarks.EnsureIndex(m_nGroupCount - 1, 0);

    // Named groups follow the plain ones, numbered in order of first appearance; a name shared by several
    // groups gives them one number.
    for (int i = 0; i < m_namedGroups.Size(); ++i) {
        CBracketElxT* pOpen = m_namedOpenMarks[i];
        m_groups.Push(m_namedGroups[i]);
        m_groupMarks.Push(pOpen);
        ++m_nGroupCount;
        if (!pOpen || pOpen->m_nNumber > 0) continue;
        const int nFound = names.Lookup(pOpen->m_name);
        pOpen->m_nNumber = nFound < 0 ? ++m_nMaxGroup : nFound;
        m_namedCloseMarks[i]->m_nNumber = pOpen->m_nNumber;
    }
    for (int i = 1; i < m_nGroupCount; ++i) {
        const CBracketElxT* pMark = OpeningMark(i);
        if (pMark && pMark->m_nNumber > m_nMaxGroup) m_nMaxGroup = pMark->m_nNumber;
    }

    for (int i = 0; i < m_recursions.Size(); ++i) {
        CDelegateElxT* pDelegate = m_recursions[i];
        if (pDelegate->m_nNumber == -3) pDelegate->m_nNumber = names.Lookup(pDelegate->m_name);
        const int n = pDelegate->m_nNumber;
        if (n < 0 || n > m_nMaxGroup) continue; // unresolved: matches the empty string once
        if (n == 0) {
            pDelegate->m_pTarget = m_pRoot;
            continue;
        }
        for (int k = 1; k < m_nGroupCount; ++k) {
            const CBracketElxT* pMark = OpeningMark(k);
            if (pMark && pMark->m_nNumber == n) {
                pDelegate->m_pTarget = m_groups[k];
                break;
            }
        }
    }
    for (int i = 0; i < m_namedBackrefs.Size(); ++i) {
        m_namedBackrefs[i]->m_nNumber = names.Lookup(m_namedBackrefs[i]->m_name);
    }
    for (int i = 0; i < m_namedConditions.Size(); ++i) {
        const int nFound = names.Lookup(m_namedConditions[i]->m_name);
        if (nFound >= 0) {
            m_namedConditions[i]->m_nNumber = nFound;
            m_namedConditions[i]->m_pCondition = nullptr;
        }
    }
}
