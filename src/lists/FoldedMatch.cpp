// Tested by tests/lists/BookSearchTest.cpp.
#include "lists/FoldedMatch.h"

#include "platform/CodePage936.h"

namespace {

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string foldAsciiBytes(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        c = lowerAscii(c);
    return folded;
}

std::string foldAsciiLetters(std::string_view text) {
    std::string folded(text);
    for (std::size_t i = 0; i < folded.size(); ++i) {
        if (isCp936LeadByte(static_cast<unsigned char>(folded[i])))
            ++i; // the second byte belongs to the character, whatever it looks like
        else
            folded[i] = lowerAscii(folded[i]);
    }
    return folded;
}

bool matchesFolded(std::string_view folded, std::string_view needle, TextMatch match) {
    if (needle.empty()) return false;
    switch (match) {
    case TextMatch::kEquals:
        return folded == needle;
    case TextMatch::kStartsWith:
        // A text that starts with the needle's bytes starts with its characters: both begin on a boundary.
        return folded.substr(0, needle.size()) == needle;
    case TextMatch::kContains:
        return findCp936(folded, needle) != std::string_view::npos;
    }
    return false;
}
