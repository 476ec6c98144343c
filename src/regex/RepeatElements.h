// Repetitions: exact counts, greedy, lazy and possessive ranges.
// A greedy or lazy repetition revisits only its last iteration when backtracking, and an iteration that
// consumes nothing is not counted; both keep a repeated empty match from looping.
#pragma once

#include "regex/ElxInterface.h"

class CRangeElxT;

// Exactly count iterations of the child; also the fixed part (min iterations) of the ranged forms.
// Pushes nothing of its own.
class CRepeatElxT : public ElxInterface {
public:
    CRepeatElxT(const ElxInterface* pChild, int nCount) : m_pChild(pChild), m_nCount(nCount) {}
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;

protected:
    int MatchFixed(CMatchStateT& state) const;
    int BacktrackFixed(CMatchStateT& state) const;

    const ElxInterface* m_pChild;
    int m_nCount;
};

// Min to max iterations, as many as possible first. Pushes the number of extra iterations on top of the
// children's entries.
class CGreedyElxT : public CRepeatElxT {
public:
    CGreedyElxT(const ElxInterface* pChild, int nMin, int nMax);
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;

protected:
    void Extend(CMatchStateT& state) const;
    int Shrink(CMatchStateT& state) const;

    int m_nExtra;
    // The child when it is a one-character class: its iterations are then run in a plain loop, with the
    // same result as calling it once per character.
    const CRangeElxT* m_pClass;
};

// Min to max iterations, as few as possible first. Per extra iteration it pushes the child's entries and
// the iteration's start position; the iteration count lies on top.
class CReluctantElxT final : public CRepeatElxT {
public:
    CReluctantElxT(const ElxInterface* pChild, int nMin, int nMax) : CRepeatElxT(pChild, nMin), m_nExtra(nMax - nMin) {}
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;

private:
    int Lengthen(CMatchStateT& state) const;

    int m_nExtra;
};

// As greedy, but gives nothing back: the inner backtracking state is discarded, and it pushes only its
// start position and the capture stack size, to undo itself.
class CPossessiveElxT final : public CGreedyElxT {
public:
    using CGreedyElxT::CGreedyElxT;
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;
};
