// Group marks, back-references, recursion and conditionals.
// Tested by tests/regex/CaptureTest.cpp and tests/regex/GroupTest.cpp.
#include "regex/GroupElements.h"

#include "regex/CharTraits.h"
#include "regex/MatchState.h"

int CBracketElxT::Match(CMatchStateT& state) const {
    if (!state.Step() || m_nNumber < 0) return 0;
    const int n = m_nNumber;
    CBufferT<int>& captures = state.m_captures;
    if (!m_bClosing) {
        state.m_captureIndex.EnsureIndex(n, -1);
        int k = state.FindRecord(n);
        if (k >= 0 && captures[k + kRecEnd] == -1) {
            --captures[k + kRecNesting]; // re-entered by recursion while open
        } else {
            state.m_captureIndex[n] = captures.Size();
            captures.Push(n);
            captures.Push(state.m_nCurrentPos);
            captures.Push(-1);
            captures.Push(0);
        }
        return 1;
    }
    int k = state.FindRecord(n);
    if (k >= 0) {
        if (captures[k + kRecNesting] >= 0) {
            captures[k + kRecEnd] = state.m_nCurrentPos;
            captures[k + kRecNesting] = state.m_nCloseCount++;
        } else {
            ++captures[k + kRecNesting];
        }
    }
    return 1;
}

int CBracketElxT::Backtrack(CMatchStateT& state) const {
    const int n = m_nNumber;
    int k = state.FindRecord(n);
    if (k < 0) return 0;
    CBufferT<int>& captures = state.m_captures;
    if (m_bClosing) {
        if (captures[k + kRecEnd] >= 0) {
            captures[k + kRecEnd] = -1;
            captures[k + kRecNesting] = 0;
        } else {
            --captures[k + kRecNesting];
        }
    } else if (captures[k + kRecNesting] >= 0) {
        // Its record is the top one: everything matched after this mark has been undone already.
        captures.Truncate(k);
        state.m_captureIndex[n] = state.FindRecord(n, captures.Size());
    } else {
        ++captures[k + kRecNesting];
    }
    return 0;
}

int CBackrefElxT::Match(CMatchStateT& state) const {
    if (!state.Step()) return 0;
    int k = state.FindRecord(m_nNumber);
    if (k < 0) return 0; // a group that has not taken part matches nothing, not even the empty string
    int nStart = state.m_captures[k + kRecStart];
    int nEnd = state.m_captures[k + kRecEnd];
    if (nEnd == -1) nEnd = state.m_nCurrentPos; // still open
    const int lo = nStart < nEnd ? nStart : nEnd;
    const int n = (nStart < nEnd ? nEnd : nStart) - lo;
    const int nPos = state.m_nCurrentPos;
    int nAt;
    if (m_bBackward) {
        if (nPos < n) return 0;
        nAt = nPos - n;
    } else {
        if (nPos > state.m_nSubjectLength - n) return 0;
        nAt = nPos;
    }
    CBufferRefT<char> captured(state.m_pSubject + lo, n);
    const char* pAt = state.m_pSubject + nAt;
    if ((m_bIgnoreCase ? captured.CompareNoCase(pAt) : captured.Compare(pAt)) != 0) return 0;
    state.Push(nPos);
    state.m_nCurrentPos = m_bBackward ? nPos - n : nPos + n;
    return 1;
}

int CBackrefElxT::Backtrack(CMatchStateT& state) const {
    state.Pop(state.m_nCurrentPos);
    return 0;
}

int CDelegateElxT::Match(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (!guard.Enter()) return 0;
    return m_pTarget ? m_pTarget->Match(state) : 1;
}

int CDelegateElxT::Backtrack(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (!guard.Enter()) return 0;
    return m_pTarget ? m_pTarget->Backtrack(state) : 0;
}

namespace {

// After the chosen branch has matched (m) or not: keep what undoing needs, or drop the captures made since.
int Conclude(CMatchStateT& state, int m, int nCaptureSize, int r) {
    if (m) {
        state.Push(nCaptureSize);
        state.Push(r);
    } else {
        state.m_captures.Truncate(nCaptureSize);
    }
    return m;
}

} // namespace

int CConditionElxT::Match(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (!guard.Enter()) return 0;
    const int p = state.m_nCurrentPos;
    const int b = state.m_stack.Size();
    const int c = state.m_captures.Size();
    int r;
    if (m_nNumber < 0) {
        r = m_pCondition ? m_pCondition->Match(state) : 1;
        state.m_stack.Truncate(b);
        state.m_nCurrentPos = p;
    } else {
        r = state.FindRecord(m_nNumber) >= 0;
    }
    const ElxInterface* pBranch = r ? m_pYes : m_pNo;
    return Conclude(state, pBranch ? pBranch->Match(state) : 1, c, r);
}

int CConditionElxT::Backtrack(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (!guard.Enter()) return 0;
    int r = 0;
    int c = state.m_captures.Size();
    state.Pop(r);
    state.Pop(c);
    const ElxInterface* pBranch = r ? m_pYes : m_pNo;
    return Conclude(state, pBranch ? pBranch->Backtrack(state) : 0, c, r);
}
