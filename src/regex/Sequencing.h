// The stepping-back walk that sequences and fixed repetitions share: run items forward; when one fails,
// ask the items before it for their next way of matching, nearest first, and go forward again from there.
#pragma once

#include "regex/ElxInterface.h"

// Runs items k..n-1 from the current position. itemAt(i) gives item i in running order.
template <class ItemAt> int RunForward(CMatchStateT& state, int k, int n, ItemAt itemAt) {
    while (k < n) {
        if (itemAt(k)->Match(state)) {
            ++k;
            continue;
        }
        for (;;) {
            if (k == 0) return 0;
            --k;
            if (itemAt(k)->Backtrack(state)) {
                ++k;
                break;
            }
        }
    }
    return 1;
}

// Asks the items from the last one backwards for their next way of matching, then runs forward again.
template <class ItemAt> int BacktrackThenRunForward(CMatchStateT& state, int n, ItemAt itemAt) {
    int k = n;
    for (;;) {
        if (k == 0) return 0;
        --k;
        if (itemAt(k)->Backtrack(state)) return RunForward(state, k + 1, n, itemAt);
    }
}
