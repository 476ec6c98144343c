// Capturing group marks, back-references, recursion and conditionals.
#pragma once

#include "regex/Buffer.h"
#include "regex/ElxInterface.h"

// One mark of a capturing group, which is a CListElxT of opening mark, body, closing mark. The opening
// mark pushes a capture record (group, start, end = -1, nesting 0) and the closing one fills in its end.
// A group re-entered by recursion while open counts its nesting instead of pushing a new record.
class CBracketElxT final : public ElxInterface {
public:
    CBracketElxT(int nNumber, int bClosing) : m_nNumber(nNumber), m_bClosing(bClosing) {}
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;

    int m_nNumber; // -1 until named groups are numbered
    int m_bClosing;
    CBufferT<char> m_name; // used while compiling
};

// '\1', '\k<name>': the text the group last captured (nothing when it has not taken part). Pushes the
// position it started from.
class CBackrefElxT final : public ElxInterface {
public:
    CBackrefElxT(int nNumber, int bBackward, int bIgnoreCase)
        : m_nNumber(nNumber), m_bBackward(bBackward), m_bIgnoreCase(bIgnoreCase) {}
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;

    int m_nNumber; // -1, or -3 when its name names no group
    int m_bBackward;
    int m_bIgnoreCase;
    CBufferT<char> m_name;
};

// '(?R)', '(?1)', '(?R<name>)': matches as its target (the whole pattern or a group) does; an unresolved
// recursion matches the empty string once.
class CDelegateElxT final : public ElxInterface {
public:
    explicit CDelegateElxT(int nNumber) : m_nNumber(nNumber) {}
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;

    int m_nNumber; // -3 while it refers to a name
    const ElxInterface* m_pTarget = nullptr;
    CBufferT<char> m_name;
};

// '(?(1)yes|no)', '(?(name)yes|no)', '(?(?=x)yes|no)': the yes branch when the group has taken part (or the
// condition element matches), else the no branch; a missing branch matches the empty string. Pushes the
// capture stack size and which branch was chosen.
class CConditionElxT final : public ElxInterface {
public:
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;

    int m_nNumber = -1;
    CBufferT<char> m_name;
    const ElxInterface* m_pCondition = nullptr;
    const ElxInterface* m_pYes = nullptr;
    const ElxInterface* m_pNo = nullptr;
};
