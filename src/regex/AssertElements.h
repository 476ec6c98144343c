// Lookaround assertions and atomic groups: their inner backtracking state is discarded once they match.
#pragma once

#include "regex/ElxInterface.h"

// Lookahead or lookbehind (a body compiled backwards): tests the child at the position and consumes
// nothing. Pushes the capture stack size; captures made inside a positive assertion stay visible, those
// inside a negative one are discarded.
class CAssertElxT final : public ElxInterface {
public:
    CAssertElxT(const ElxInterface* pChild, int bPositive) : m_pChild(pChild), m_bPositive(bPositive) {}
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;

private:
    const ElxInterface* m_pChild;
    int m_bPositive;
};

// '(?>...)': the child's first match, never revisited. Pushes its start position and the capture stack size.
class CIndependentElxT final : public ElxInterface {
public:
    explicit CIndependentElxT(const ElxInterface* pChild) : m_pChild(pChild) {}
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;

private:
    const ElxInterface* m_pChild;
};
