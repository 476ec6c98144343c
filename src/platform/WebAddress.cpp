// Tested by tests/workers/BrowserLaunchTest.cpp.
#include "platform/WebAddress.h"

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

} // namespace

bool isWebAddress(std::string_view address) {
    std::size_t schemeLength = 0;
    if (startsWithNoCase(address, "http://"))
        schemeLength = 7;
    else if (startsWithNoCase(address, "https://"))
        schemeLength = 8;
    else
        return false;
    if (address.size() == schemeLength) return false;
    for (const char c : address) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return false;
    }
    return true;
}
