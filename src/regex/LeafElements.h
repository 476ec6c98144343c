// Leaf elements: they match a fixed piece of text, one character of a class, or a position, and push
// nothing on the backtrack stack. Backward elements look at the text before the position and move left.
#pragma once

#include "regex/Buffer.h"
#include "regex/ElxInterface.h"

// Matches the empty string once.
class CEmptyElxT final : public ElxInterface {
public:
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;
};

// '\G' under the Global flag: matches the empty string where matching began.
class CGlobalElxT final : public ElxInterface {
public:
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;
};

// A literal text, compared byte for byte (or with both bytes upper-cased under ignore case).
class CStringElxT final : public ElxInterface {
public:
    CStringElxT(const CBufferRefT<char>& text, int bBackward, int bIgnoreCase);
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;

    const CBufferT<char>& Text() const { return m_text; }

private:
    CBufferT<char> m_text;
    int m_bBackward;
    int m_bIgnoreCase;
};

// One character of a class: ranges lo-hi and single characters compared as signed bytes, and nested
// classes ('\d', '[:alpha:]', ...). A negative class matches any one character that is not in it.
// The compiler fills the lists and then calls Seal, which tabulates membership for all 256 bytes.
class CRangeElxT final : public ElxInterface {
public:
    CRangeElxT(int bBackward, int bPositive);
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;

    void AddRange(char lo, char hi);
    void AddChar(char c);
    void AddNested(const ElxInterface* pElx);
    // Closes the ranges and single characters under case (nested classes are left as they are).
    void CloseUnderCase();
    void Seal();

    // Whether c is in the class, before the class's sign is applied.
    bool Contains(char c) const { return m_table[static_cast<unsigned char>(c)]; }
    // Whether the element matches c.
    bool Accepts(char c) const { return m_table[static_cast<unsigned char>(c)] == static_cast<bool>(m_bPositive); }
    int IsBackward() const { return m_bBackward; }

private:
    bool InListsOrNested(char c) const;
    bool InLists(char c) const;

    int m_bBackward;
    int m_bPositive;
    CBufferT<char> m_ranges; // lo, hi pairs
    CBufferT<char> m_chars;
    CBufferT<const ElxInterface*> m_nested;
    bool m_table[256] = {};
};

// A POSIX class such as '[:alpha:]' or '[:^digit:]'. An unknown name gives a class that never matches.
class CPosixElxT final : public ElxInterface {
public:
    CPosixElxT(const CBufferRefT<char>& text, int bBackward);
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;

private:
    int (*m_pTest)(int) = nullptr;
    int m_bBackward;
    int m_bPositive = 1;
};

enum BoundaryKind : int {
    kTextStart = 0,
    kTextEnd = 1,
    kTextEndOrFinalBreak = 2,
    kLineStart = 3,
    kLineEnd = 4,
    kWordBoundary = 7,
};

// A position test: text or line start and end, or a word boundary; consumes nothing.
class CBoundaryElxT final : public ElxInterface {
public:
    CBoundaryElxT(BoundaryKind kind, int bPositive) : m_kind(kind), m_bPositive(bPositive) {}
    int Match(CMatchStateT& state) const override;
    int Backtrack(CMatchStateT& state) const override;

private:
    BoundaryKind m_kind;
    int m_bPositive;
};
