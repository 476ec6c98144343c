// A conversion of texts from one character encoding to another through iconv, e.g. the book's GBK to UTF-8 for a
// file, or a file's GB18030 to UTF-8 for parsing.
#pragma once

#include <string>
#include <string_view>

class TextConverter {
public:
    // Encoding names as iconv knows them ("CP936", "UTF-8", "GB18030"). \throws std::runtime_error when iconv
    // cannot convert between the two.
    TextConverter(const char* to, const char* from);
    ~TextConverter();
    TextConverter(const TextConverter&) = delete;
    TextConverter& operator=(const TextConverter&) = delete;

    // `text` converted, into `out` (replaced). False, with `out` unspecified, when `text` is not well formed in the
    // source encoding or holds a character the target cannot hold. Texts of ASCII alone are copied as they are:
    // every encoding used here keeps ASCII unchanged.
    bool convert(std::string_view text, std::string& out);
    // As convert(), but a byte sequence that cannot be converted becomes `replacement` and the rest goes on. False
    // when anything was replaced.
    bool convertReplacing(std::string_view text, std::string& out, std::string_view replacement);

private:
    // Converts from `in` on until the end or the first sequence that fails; the bytes of `in` that it consumed.
    std::size_t convertSome(std::string_view in, std::string& out, bool& failed);

    void* m_handle;
};

// Whether every byte of `text` is ASCII.
bool isAscii(std::string_view text);
// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates). With `mayBeCut`, a character cut short at
// the very end counts as well formed: the text is the first part of a file.
bool isWellFormedUtf8(std::string_view text, bool mayBeCut = false);
