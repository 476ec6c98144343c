// The abstract matching element. A compiled pattern is a tree of elements; each can make a first attempt
// at the current position of a match state and, after a success, look for its next way of matching.
#pragma once

class CMatchStateT;

// The contract every element keeps:
// - Match makes the first attempt. Success returns 1 with the position moved and what the element and its
//   children need for backtracking pushed on the backtrack stack. Failure returns 0 and leaves position,
//   backtrack stack and capture stack as they were.
// - Backtrack is called only right after a successful Match or Backtrack of the same element, with the
//   stacks as that call left them. It finds the next way of matching from the same start (1), or undoes
//   everything the earlier successful calls did and returns 0.
// - Composite elements backtrack their children in the reverse order of their successful matches, so the
//   backtrack stack is strictly last-in first-out.
// Once a match is abandoned at one of the engine's bounds, every operation returns 0 at once.
class ElxInterface {
public:
    virtual int Match(CMatchStateT& state) const = 0;
    virtual int Backtrack(CMatchStateT& state) const = 0;
    virtual ~ElxInterface() = default;

protected:
    ElxInterface() = default;
    ElxInterface(const ElxInterface&) = delete;
    ElxInterface& operator=(const ElxInterface&) = delete;
};
