// Tested by tests/textfiles/ImportTest.cpp.
#include "textfiles/AddressLine.h"

#include <string>

#include "regex/EmailAddress.h"

std::string_view trimBlanks(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\n\v\f\r";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool isStorableAddress(std::string_view text) {
    return !text.empty() && text.size() <= kLongestAddress && IsValidEmailAddress(std::string(text));
}
