// A compiled regular expression: the compiler from pattern text to a tree of matching elements, which the
// pattern owns, and the whole-text match. See MatchState.h for the bounds on nesting and work.
#pragma once

#include "regex/Buffer.h"
#include "regex/GroupSpans.h"

class ElxInterface;
class CListElxT;
class CBracketElxT;
class CBackrefElxT;
class CDelegateElxT;
class CConditionElxT;
class CMatchStateT;

// One token of the lexer. The end of the pattern is the token (0, meta 1). Two tokens are equal when their
// characters and meta flags are.
struct PatternToken {
    char m_ch = 0;
    int m_nMeta = 0; // 1: metacharacter or meta escape
    int m_nPos = 0;  // offset of its first pattern character
    int m_nLen = 0;  // pattern characters it covers

    bool IsMeta(char ch) const { return m_nMeta && m_ch == ch; }
    bool IsEnd() const { return IsMeta(0); }
    bool operator==(const PatternToken& other) const { return m_ch == other.m_ch && m_nMeta == other.m_nMeta; }
};

// Elements shared by every place in a tree that uses them, created on first use.
enum StockKind : int {
    kStockEmpty = 0,
    kStockAny = 1,
    kStockAnyButLf = 2,
    kStockWord = 3,
    kStockNotWord = 4,
    kStockSpace = 5,
    kStockNotSpace = 6,
    kStockDigit = 7,
    kStockNotDigit = 8,
    kStockBackward = 8, // added to kinds 1-8 for their backward forms
    kStockCount = 17,
};

class CPatternT {
public:
    // Compile flags (bits of one int).
    static constexpr int DotAll = 1;       // '.' also matches LF
    static constexpr int MultiLine = 2;    // '^' and '$' match at line starts and ends
    static constexpr int Global = 4;       // '\G' matches where matching began
    static constexpr int IgnoreCase = 8;   // literals, back-references and classes ignore case
    static constexpr int RightToLeft = 16; // the whole pattern matches backwards from the end
    static constexpr int Extended = 32;    // whitespace and '#' comments in the pattern are dropped

    CPatternT();
    CPatternT(const char* pPattern, int nFlags);
    ~CPatternT();
    CPatternT(const CPatternT&) = delete;
    CPatternT& operator=(const CPatternT&) = delete;

    // Compiles a NUL-terminated pattern, or nLength bytes of one; a null pointer leaves the pattern empty.
    // No pattern is rejected: every malformed construct compiles to some tree. The text needs to live only
    // during the call. \throws std::bad_alloc when memory runs out (the pattern is then left empty).
    void Compile(const char* pPattern, int nFlags);
    void Compile(const char* pPattern, int nLength, int nFlags);
    // Deletes the tree; an empty pattern matches nothing.
    void Clear();

    // Matches the pattern against the whole subject (only a match covering all of it counts). The result
    // is empty when there is no match. Several threads may match one compiled pattern at once, each with
    // its own match state; a caller's state lets its storage be reused. \throws std::bad_alloc.
    CGroupSpansT MatchWhole(const char* pSubject) const;
    CGroupSpansT MatchWhole(const char* pSubject, int nLength, CMatchStateT* pState = nullptr) const;

    bool IsEmpty() const { return m_pRoot == nullptr; }
    int Flags() const { return m_nFlags; }
    int HighestGroup() const { return m_nMaxGroup; }

private:
    // Lexer
    void Advance();
    bool LexOne(PatternToken& token);
    bool LexEscape(PatternToken& token);

    // Parser levels and special parsers
    const ElxInterface* ParseAlternation(int nFlags);
    const ElxInterface* ParseSequence(int& nFlags);
    const ElxInterface* ParseQuantified(int& nFlags);
    const ElxInterface* ParseAtom(int& nFlags);
    const ElxInterface* ParseClass(int nFlags);
    const ElxInterface* ParseAnchor(int nFlags);
    const ElxInterface* ParseBackReference(int nFlags);
    const ElxInterface* ParseGroup(int& nFlags);
    const ElxInterface* ParseNamedGroup(int nFlags);
    const ElxInterface* ParseRecursion();
    const ElxInterface* ParseConditional(int& nFlags);
    bool AtSequenceEnd() const;
    // The characters of the tokens up to the end of the pattern or a token with the character stop.
    void CollectUntil(char stop, bool bMetaOnly, CBufferT<char>& text);
    // Stops compiling a pattern nested too deep: the lexer jumps to the end and the pattern ends up empty.
    void AbandonCompile();

    // End of compilation: numbering of named groups, resolution of recursions and named references.
    void FinishCompile();
    const CBracketElxT* OpeningMark(int nGroupEntry) const;

    template <class E, class... Args> E* Make(Args&&... args);
    const ElxInterface* Stock(int nKind);

    const ElxInterface* m_pRoot = nullptr;
    int m_nFlags = 0;
    int m_nMaxGroup = 0;                        // highest group number
    int m_nNextNamed = 0;                       // named groups seen so far
    int m_nGroupCount = 0;                      // entries of the group list once compilation ends
    CBufferT<ElxInterface*> m_elements;         // owns every element of the tree
    CBufferT<const ElxInterface*> m_groups;     // 0: root; n: plain group n; then the named groups
    CBufferT<const CBracketElxT*> m_groupMarks; // opening mark of each group list entry
    CBufferT<CDelegateElxT*> m_recursions;
    CBufferT<CListElxT*> m_namedGroups;
    CBufferT<CBracketElxT*> m_namedOpenMarks; // the opening and closing marks of each named group
    CBufferT<CBracketElxT*> m_namedCloseMarks;
    CBufferT<CBackrefElxT*> m_namedBackrefs;
    CBufferT<CConditionElxT*> m_namedConditions;
    CBufferRefT<char> m_pattern; // valid only during a compile call
    PatternToken m_prev, m_cur, m_next, m_newest;
    int m_nLexPos = 0;
    int m_nClassDepth = 0;
    int m_nQuoteMode = 0;
    int (*m_pQuoteConvert)(int) = nullptr;
    int m_nNesting = 0; // groups open while parsing
    bool m_bTooDeep = false;
    const ElxInterface* m_stock[kStockCount] = {};
};
