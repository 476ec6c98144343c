// Sequences and alternatives.
#pragma once

#include "regex/Buffer.h"
#include "regex/ElxInterface.h"

// Its items one after the other (last to first when backward); no stack entries of its own.
// An empty list matches the empty string once.
class CListElxT final : public ElxInterface {
public:
    explicit CListElxT(int bBackward) : m_bBackward(bBackward) {}
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;

    void Add(const ElxInterface* pElx) { m_items.Push(pElx); }
    const CBufferT<const ElxInterface*>& Items() const { return m_items; }

private:
    const ElxInterface* ItemAt(int k) const { return m_items[m_bBackward ? m_items.Size() - 1 - k : k]; }

    int m_bBackward;
    CBufferT<const ElxInterface*> m_items;
};

// Its branches in order; pushes the index of the branch that matched.
class CAlternativeElxT final : public ElxInterface {
public:
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;

    void Add(const ElxInterface* pElx) { m_branches.Push(pElx); }

private:
    CBufferT<const ElxInterface*> m_branches;
};
