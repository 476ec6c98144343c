// Tested by tests/cli/CliTest.cpp.
#include "cli/CliContext.h"

#include <ostream>

#include <langinfo.h>
#include <unistd.h>

namespace {

constexpr const char* kStoreEncoding = "CP936";

} // namespace

std::string localeEncoding() {
    // The C locale's ASCII would refuse every Chinese name; a terminal that has not set a locale is taken to be
    // UTF-8, as the desktops are.
    const char* codeset = nl_langinfo(CODESET);
    const std::string name = codeset ? codeset : "";
    if (name.empty() || name == "ANSI_X3.4-1968" || name == "ASCII") return "UTF-8";
    return name;
}

CliContext::CliContext(AddressStore& book, bool asJson, std::ostream& output, std::ostream& errors)
    : store(book), json(asJson), progress(::isatty(STDERR_FILENO) == 1), out(output), err(errors),
      m_toTerminal(localeEncoding().c_str(), kStoreEncoding), m_toUtf8("UTF-8", kStoreEncoding),
      m_toStore(kStoreEncoding, localeEncoding().c_str()) {}

std::string CliContext::shown(std::string_view stored) const {
    std::string text;
    m_toTerminal.convertReplacing(stored, text, "?");
    return text;
}

std::string CliContext::utf8(std::string_view stored) const {
    std::string text;
    m_toUtf8.convertReplacing(stored, text, "\xEF\xBF\xBD");
    return text;
}

std::optional<std::string> CliContext::storable(std::string_view typed) const {
    std::string text;
    if (!m_toStore.convert(typed, text)) return std::nullopt;
    return text;
}
