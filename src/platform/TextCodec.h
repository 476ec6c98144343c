// Converting text from one character encoding to another with iconv: the store's code page 936 meets UTF-8 files
// and the terminal's encoding at the program's edges.
#pragma once

#include <optional>
#include <string>
#include <string_view>

class TextCodec {
public:
    // A converter from encoding `from` to `to` (iconv's names: "CP936", "UTF-8", "GB18030"...). \throws
    // std::runtime_error when iconv knows either name not.
    TextCodec(const std::string& from, const std::string& to);
    ~TextCodec();
    TextCodec(const TextCodec&) = delete;
    TextCodec& operator=(const TextCodec&) = delete;

    // `text` converted whole, or nothing when some of it cannot be read in `from` or written in `to`.
    std::optional<std::string> convert(std::string_view text) const;
    // Whether the two encodings are one: convert() then hands the text back as it is.
    bool isIdentity() const { return m_identity; }

private:
    void* m_handle = nullptr; // iconv_t
    bool m_identity = false;
};

// The encoding of the terminal and of command-line arguments, from the locale (after setlocale(LC_ALL, "")).
std::string localeEncoding();
