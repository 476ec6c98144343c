// Letter case for the list tools: only ASCII letters have a case, as for both engines' lower(), and the texts are
// code page 936 bytes, whose second bytes can look like ASCII letters.
#pragma once

#include <string>
#include <string_view>

// How a found text stands to the text searched for.
enum class TextMatch {
    kEquals,
    kStartsWith,
    kContains,
};

// `text` with every byte 'A'-'Z' made lower case, whatever character it belongs to: what SQLite's lower() gives
// for the same bytes.
std::string foldAsciiBytes(std::string_view text);
// `text` with its ASCII letters made lower case, the second bytes of double-byte characters kept: the text's own
// characters, folded as PostgreSQL's lower() folds a text under the "C" collation.
std::string foldAsciiLetters(std::string_view text);

// Whether `folded` (foldAsciiLetters) equals, starts with or contains `needle` (folded the same way), the match
// standing on whole characters. An empty needle matches nothing.
bool matchesFolded(std::string_view folded, std::string_view needle, TextMatch match);
