// Tested by tests/cli/CliTest.cpp.
#include "platform/TextCodec.h"

#include <cctype>
#include <cerrno>
#include <stdexcept>

#include <iconv.h>
#include <langinfo.h>

namespace {

// iconv's names are compared without case and punctuation: "utf8" and "UTF-8" are one encoding.
std::string canonical(const std::string& name) {
    std::string result;
    for (char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)))
            result += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result == "GBK" ? "CP936" : result;
}

} // namespace

TextCodec::TextCodec(const std::string& from, const std::string& to) : m_identity(canonical(from) == canonical(to)) {
    iconv_t handle = iconv_open(to.c_str(), from.c_str());
    if (handle == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("unknown character encoding: " + from + " or " + to);
    m_handle = handle;
}

TextCodec::~TextCodec() {
    iconv_close(static_cast<iconv_t>(m_handle));
}

std::optional<std::string> TextCodec::convert(std::string_view text) const {
    if (m_identity) return std::string(text);
    auto handle = static_cast<iconv_t>(m_handle);
    iconv(handle, nullptr, nullptr, nullptr, nullptr); // a fresh state for each text
    std::string result;
    result.resize(text.size() * 2 + 16);
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    std::size_t written = 0;
    for (;;) {
        char* out = result.data() + written;
        std::size_t outLeft = result.size() - written;
        const std::size_t done = iconv(handle, &in, &inLeft, &out, &outLeft);
        written = result.size() - outLeft;
        if (done != static_cast<std::size_t>(-1)) break;
        if (errno != E2BIG) return std::nullopt; // a byte sequence that `from` does not have, or `to` cannot write
        result.resize(result.size() * 2);
    }
    result.resize(written);
    return result;
}

std::string localeEncoding() {
    // The C locale's ASCII would refuse every Chinese name; a terminal that has not set a locale is taken to be
    // UTF-8, as the desktops are.
    const char* codeset = nl_langinfo(CODESET);
    const std::string name = codeset ? codeset : "";
    if (name.empty() || name == "ANSI_X3.4-1968" || canonical(name) == "ASCII") return "UTF-8";
    return name;
}
