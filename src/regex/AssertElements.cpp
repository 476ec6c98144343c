// Lookaround and atomic groups. Tested by tests/regex/LookaroundTest.cpp.
#include "regex/AssertElements.h"

#include "regex/MatchState.h"

int CAssertElxT::Match(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (!guard.Enter()) return 0;
    const int p = state.m_nCurrentPos;
    const int b = state.m_stack.Size();
    const int c = state.m_captures.Size();
    const int r = (m_pChild->Match(state) != 0) == static_cast<bool>(m_bPositive);
    state.m_stack.Truncate(b);
    state.m_nCurrentPos = p;
    if (r)
        state.Push(c);
    else
        state.m_captures.Truncate(c);
    return r;
}

int CAssertElxT::Backtrack(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (!guard.Enter()) return 0;
    int c = state.m_captures.Size();
    state.Pop(c);
    state.m_captures.Truncate(c);
    return 0;
}

int CIndependentElxT::Match(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (!guard.Enter()) return 0;
    const int p = state.m_nCurrentPos;
    const int b = state.m_stack.Size();
    const int c = state.m_captures.Size();
    if (!m_pChild->Match(state)) return 0;
    state.CommitAtomic(b, p, c);
    return 1;
}

int CIndependentElxT::Backtrack(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (guard.Enter()) state.UndoAtomic();
    return 0;
}
