// The e-mail address check. Tested by tests/regex/EmailAddressTest.cpp.
#include "regex/EmailAddress.h"

#include <climits>

#include "regex/MatchState.h"
#include "regex/Pattern.h"

namespace {

// The addresses are those of the classic form
//   ^([0-9a-zA-Z]([-.\w]*[0-9a-zA-Z])*@(([0-9a-zA-Z])+([-\w]*[0-9a-zA-Z])*\.)+[a-zA-Z]{2,9})$
// whose nested repetitions make a backtracking match slow on long runs of letters and digits that cannot
// lead to a match. This form accepts exactly the same strings and never backtracks into a part: the local
// part cannot hold '@' and a label cannot hold '.', so each runs possessively up to its separator, and a
// lookbehind checks that it ends with a letter or digit. A match takes time linear in the line's length.
// Group 1 still spans the whole address.
constexpr const char* kEmailAddressPattern =
    "^([0-9a-zA-Z][-.\\w]*+(?<=[0-9a-zA-Z])@(?:[0-9a-zA-Z][-\\w]*+(?<=[0-9a-zA-Z])\\.)+[a-zA-Z]{2,9})$";

} // namespace

const CPatternT EmailAddressPattern(kEmailAddressPattern, 0);

bool IsValidEmailAddress(std::string_view text) {
    // The whole text is checked, an embedded NUL included (it is not part of any address).
    if (text.size() > static_cast<size_t>(INT_MAX)) return false;
    thread_local CMatchStateT state; // reused so that a check allocates nothing once warmed up
    CGroupSpansT result = EmailAddressPattern.MatchWhole(text.data(), static_cast<int>(text.size()), &state);
    return result.Matched() != 0;
}
