// Sequences and alternatives. Tested by tests/regex/SequenceRepeatTest.cpp.
#include "regex/SequenceElements.h"

#include "regex/MatchState.h"
#include "regex/Sequencing.h"

int CListElxT::Match(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (!guard.Enter()) return 0;
    return RunForward(state, 0, m_items.Size(), [this](int k) { return ItemAt(k); });
}

int CListElxT::Backtrack(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (!guard.Enter()) return 0;
    return BacktrackThenRunForward(state, m_items.Size(), [this](int k) { return ItemAt(k); });
}

int CAlternativeElxT::Match(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (!guard.Enter()) return 0;
    if (m_branches.Size() == 0) return 1;
    for (int i = 0; i < m_branches.Size(); ++i) {
        if (m_branches[i]->Match(state)) {
            state.Push(i);
            return 1;
        }
    }
    return 0;
}

int CAlternativeElxT::Backtrack(CMatchStateT& state) const {
    CDepthGuard guard(state);
    if (!guard.Enter() || m_branches.Size() == 0) return 0;
    int i = m_branches.Size();
    state.Pop(i);
    if (i < 0 || i >= m_branches.Size()) return 0;
    if (m_branches[i]->Backtrack(state)) {
        state.Push(i);
        return 1;
    }
    for (int j = i + 1; j < m_branches.Size(); ++j) {
        if (m_branches[j]->Match(state)) {
            state.Push(j);
            return 1;
        }
    }
    return 0;
}
