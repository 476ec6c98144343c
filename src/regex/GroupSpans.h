// The result of a whole-text match: offsets of every group's span in the subject.
#pragma once

#include "regex/Buffer.h"

// Empty when the match failed. Otherwise 2h + 4 ints for highest group number h: 1 (matched), h, then
// start and end of each group 0..h (start <= end, also for right-to-left matches); -1 and -1 for a group
// that did not take part.
class CGroupSpansT : public CBufferT<int> {
public:
    int Matched() const { return At(0, 0); }
    int HighestGroup() const { return At(1, 0); }
    int GroupStart(int nGroup) const { return HasGroup(nGroup) ? At(2 + 2 * nGroup, -1) : -1; }
    int GroupEnd(int nGroup) const { return HasGroup(nGroup) ? At(3 + 2 * nGroup, -1) : -1; }

private:
    bool HasGroup(int nGroup) const { return nGroup >= 0 && nGroup <= HighestGroup(); }
};
