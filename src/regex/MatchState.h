// The match state: all that changes while a compiled pattern is matched, so that one compiled pattern can
// serve any number of matches at once. Also the engine's bounds on nesting, recursion and work.
#pragma once

#include "regex/Buffer.h"

// Bounds that keep every pattern and subject from overflowing the stack or running for ever. The engine
// reports no errors: past each bound the result is simply "no match", reached quickly.
// - kMaxGroupNesting: the compiler follows at most this many groups nested inside one another. A deeper
//   pattern (say 100,000 '(') compiles to the empty pattern, which never matches. Classes cannot nest
//   beyond one POSIX class inside a bracket, so they need no bound of their own.
// - kMaxCallDepth: a match may nest at most this many calls of composite elements (sequences,
//   alternatives, repetitions, lookaround, recursion). Without recursion the depth follows the tree, which
//   the nesting bound keeps well below this; recursion such as '(?R)' at the start of a pattern, or
//   '(a|(?R))*', reaches it and the match ends as failed.
// - kDefaultStepLimit: one match may call element operations at most this many times (the work budget
//   that mature backtracking engines call a match limit); exponential backtracking ends there as failed.
// - kMaxStackInts: the backtrack and capture stacks together may hold at most this many ints.
constexpr int kMaxGroupNesting = 250;
constexpr int kMaxCallDepth = 5000;
constexpr long long kDefaultStepLimit = 10'000'000;
constexpr int kMaxStackInts = 16 * 1024 * 1024;

class CMatchStateT {
public:
    CMatchStateT() = default;
    explicit CMatchStateT(long long nStepLimit) : m_nStepLimit(nStepLimit) {}

    // Prepares the state for a match of the subject: stacks emptied, positions, counters and the work
    // budget reset. The capacity of the stacks is kept, so a state can be reused cheaply.
    void Reset(const char* pSubject, int nLength);

    // Counts one element operation against the budget. False once the match has been abandoned at one of
    // the bounds; every element then fails at once without touching the stacks.
    bool Step() { return ++m_nSteps <= m_nStepLimit; }
    // Counts n operations done in one go (a repetition of one character runs without calling its child).
    void AddSteps(long long n) { m_nSteps += n; }
    bool Abandoned() const { return m_nSteps > m_nStepLimit; }
    void Abandon() { m_nSteps = m_nStepLimit + 1; }
    long long Steps() const { return m_nSteps; }

    // Pops into out only when the stack holds something (an empty stack leaves out unchanged).
    void Pop(int& out) { m_stack.Pop(out); }
    void Push(int value) { m_stack.Push(value); }

    // An atomic match (possessive repetition, atomic group) discards the backtracking state of its inner
    // elements and leaves only its start position and the capture stack size, from which it is undone.
    void CommitAtomic(int nStackSize, int nStartPos, int nCaptureSize) {
        m_stack.Truncate(nStackSize);
        Push(nStartPos);
        Push(nCaptureSize);
    }
    void UndoAtomic() {
        int nCaptureSize = m_captures.Size();
        int nStartPos = m_nCurrentPos;
        Pop(nCaptureSize);
        Pop(nStartPos);
        m_captures.Truncate(nCaptureSize);
        m_nCurrentPos = nStartPos;
    }

    // The offset in the capture stack of the latest record of group n that is still on the stack, or -1.
    // The capture index is only a hint: after a lookaround, atomic group or possessive repetition has
    // truncated the capture stack, it can point at a removed record or past the top.
    int FindRecord(int n, int nStart) const;
    int FindRecord(int n) const { return n >= 0 && n < m_captureIndex.Size() ? FindRecord(n, m_captureIndex[n]) : -1; }

    CBufferT<int> m_stack;        // backtrack stack
    CBufferT<int> m_captures;     // records of four ints: group, start, end (-1 while open), nesting
    CBufferT<int> m_captureIndex; // per group number: offset of its latest record, or -1
    int m_nCurrentPos = 0;
    int m_nBeginPos = 0;
    int m_nLastPos = -1;
    int m_nCloseCount = 0;
    const char* m_pSubject = nullptr;
    int m_nSubjectLength = 0;
    int m_nDepth = 0; // composite calls currently nested

private:
    long long m_nSteps = 0;
    long long m_nStepLimit = kDefaultStepLimit;
};

// Record layout in the capture stack.
enum : int { kRecGroup = 0, kRecStart = 1, kRecEnd = 2, kRecNesting = 3, kRecSize = 4 };

// Holds one level of composite nesting for the duration of an element operation.
class CDepthGuard {
public:
    explicit CDepthGuard(CMatchStateT& state) : m_state(state) { ++m_state.m_nDepth; }
    ~CDepthGuard() { --m_state.m_nDepth; }
    CDepthGuard(const CDepthGuard&) = delete;
    CDepthGuard& operator=(const CDepthGuard&) = delete;

    // False when the operation must fail at once: the match is abandoned, nests too deep or has filled
    // its stacks. Only composite elements push, so the stacks need checking only here.
    bool Enter() {
        if (!m_state.Step()) return false;
        if (m_state.m_nDepth > kMaxCallDepth || m_state.m_stack.Size() + m_state.m_captures.Size() > kMaxStackInts) {
            m_state.Abandon();
            return false;
        }
        return true;
    }

private:
    CMatchStateT& m_state;
};
