// Tested by tests/cli/CliTest.cpp.
#include "cli/CliContext.h"

#include <ostream>

#include <unistd.h>

namespace {

constexpr const char* kStoreEncoding = "CP936";

// Byte by byte where the whole does not convert: what does convert still shows.
std::string convertLeniently(const TextCodec& codec, std::string_view text) {
    if (std::optional<std::string> whole = codec.convert(text)) return *whole;
    std::string result;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t width = static_cast<unsigned char>(text[i]) >= 0x81 && i + 1 < text.size() ? 2 : 1;
        const std::optional<std::string> piece = codec.convert(text.substr(i, width));
        result += piece ? *piece : "?";
        i += width;
    }
    return result;
}

} // namespace

CliContext::CliContext(AddressStore& book, bool asJson, std::ostream& output, std::ostream& errors)
    : store(book), json(asJson), progress(::isatty(STDERR_FILENO) == 1), out(output), err(errors),
      m_toTerminal(kStoreEncoding, localeEncoding()), m_toUtf8(kStoreEncoding, "UTF-8"),
      m_toStore(localeEncoding(), kStoreEncoding) {}

std::string CliContext::shown(std::string_view stored) const {
    return convertLeniently(m_toTerminal, stored);
}

std::string CliContext::utf8(std::string_view stored) const {
    return convertLeniently(m_toUtf8, stored);
}

std::optional<std::string> CliContext::storable(std::string_view typed) const {
    return m_toStore.convert(typed);
}
