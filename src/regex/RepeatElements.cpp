// Repetitions. Tested by tests/regex/SequenceRepeatTest.cpp and tests/regex/LookaroundTest.cpp.
#include "regex/RepeatElements.h"

#include "regex/LeafElements.h"
#include "regex/MatchState.h"
#include "regex/Sequencing.h"

int CRepeatElxT::MatchFixed(CMatchStateT& state) const {
    return RunForward(state, 0, m_nCount, [this](int) { return m_pChild; });
}

int CRepeatElxT::BacktrackFixed(CMatchStateT& state) const {
    if (m_nCount == 0) return 0;
    return BacktrackThenRunForward(state, m_nCount, [this](int) { return m_pChild; });
}

int CRepeatElxT::Match(CMatchStateT& state) const {
    CDepthGuard guard(state);
    return guard.Enter() ? MatchFixed(state) : 0;
}

int CRepeatElxT::Backtrack(CMatchStateT& state) const {
    CDepthGuard guard(state);
    return guard.Enter() ? BacktrackFixed(state) : 0;
}

CGreedyElxT::CGreedyElxT(const ElxInterface* pChild, int nMin, int nMax)
    : CRepeatElxT(pChild, nMin), m_nExtra(nMax - nMin), m_pClass(dynamic_cast<const CRangeElxT*>(pChild)) {}

void CGreedyElxT::Extend(CMatchStateT& state) const {
    if (m_pClass) {
        const char* s = state.m_pSubject;
        int nPos = state.m_nCurrentPos;
        int i = 0;
        if (m_pClass->IsBackward()) {
            while (i < m_nExtra && nPos > 0 && m_pClass->Accepts(s[nPos - 1]))
                --nPos, ++i;
        } else {
            while (i < m_nExtra && nPos < state.m_nSubjectLength && m_pClass->Accepts(s[nPos]))
                ++nPos, ++i;
        }
        state.m_nCurrentPos = nPos;
        state.AddSteps(i);
        state.Push(i);
        return;
    }
    int p = state.m_nCurrentPos;
    int i = 0;
    while (i < m_nExtra) {
        if (!m_pChild->Match(state)) break;
        // An iteration that consumed nothing looks for an alternative that consumes something; when it
        // has none, its failed Backtrack has already undone it and it is not counted.
        while (state.m_nCurrentPos == p && m_pChild->Backtrack(state)) {
        }
        if (state.m_nCurrentPos == p) break;
        ++i;
        p = state.m_nCurrentPos;
    }
    state.Push(i);
}

int CGreedyElxT::Shrink(CMatchStateT& state) const {
    int i = 0;
    state.Pop(i);
    if (i <= 0) return 0;
    if (m_pClass) {
        state.m_nCurrentPos += m_pClass->IsBackward() ? 1 : -1; // a class has one way of matching
        --i;
    } else if (!m_pChild->Backtrack(state)) {
        --i;
    }
    state.Push(i);
    return 1;
}

int CGreedyElxT::Match(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (!guard.Enter() || !MatchFixed(state)) return 0;
    Extend(state);
    return 1;
}

int CGreedyElxT::Backtrack(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (!guard.Enter()) return 0;
    if (Shrink(state)) return 1;
    if (BacktrackFixed(state)) {
        Extend(state);
        return 1;
    }
    return 0;
}

int CReluctantElxT::Match(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (!guard.Enter() || !MatchFixed(state)) return 0;
    state.Push(0);
    return 1;
}

int CReluctantElxT::Lengthen(CMatchStateT& state) const {
    int s = state.m_nCurrentPos;
    int k = 0;
    state.Pop(k);
    if (k < m_nExtra && m_pChild->Match(state)) {
        while (state.m_nCurrentPos == s && m_pChild->Backtrack(state)) {
        }
        if (state.m_nCurrentPos != s) {
            state.Push(s);
            state.Push(k + 1);
            return 1;
        }
    }
    while (k > 0) {
        state.Pop(s); // where iteration k began
        while (m_pChild->Backtrack(state)) {
            if (state.m_nCurrentPos != s) {
                state.Push(s);
                state.Push(k);
                return 1;
            }
        }
        if (state.Abandoned()) return 0;
        --k;
    }
    return 0;
}

int CReluctantElxT::Backtrack(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (!guard.Enter()) return 0;
    if (Lengthen(state)) return 1;
    if (BacktrackFixed(state)) {
        state.Push(0);
        return 1;
    }
    return 0;
}

int CPossessiveElxT::Match(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (!guard.Enter()) return 0;
    const int p = state.m_nCurrentPos;
    const int b = state.m_stack.Size();
    const int c = state.m_captures.Size();
    if (!MatchFixed(state)) return 0;
    Extend(state);
    state.CommitAtomic(b, p, c);
    return 1;
}

int CPossessiveElxT::Backtrack(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (guard.Enter()) state.UndoAtomic();
    return 0;
}
