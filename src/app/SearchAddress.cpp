// Tested by tests/gui/SearchPanelTest.cpp.
#include "app/SearchAddress.h"

#include "Config.h"

namespace {

// The text's bytes as a query value: every byte but the unreserved ones (letters, digits, "-", ".", "_", "~") as
// %XX. The code page's bytes then reach the engine exactly as typed (its ie=GB2312 reads them back), where a
// browser on Linux would take raw bytes for UTF-8 and garble them, and an "&" or "#" would cut the address.
std::string percentEncoded(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size() * 3);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                                byte == '~';
        if (unreserved) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 15];
        }
    }
    return encoded;
}

} // namespace

std::string googleSearchAddress(const std::string& text) {
    std::string address = kGoogleSearch;
    address += "/search?";
    if (!text.empty()) address += "q=" + percentEncoded(text) + "&";
    address += "client=";
    address += kGoogleClient;
    address += "&forid=1&prog=aff&channel=";
    address += kGoogleChannel;
    address += "&ie=GB2312&oe=GB2312&hl=zh-CN";
    return address;
}

std::string baiduSearchAddress(const std::string& text) {
    std::string address = kBaiduSearch;
    if (text.empty()) return address + "/index.php?tn=" + kBaiduPartner;
    return address + "/s?wd=" + percentEncoded(text) + "&tn=" + kBaiduPartner + "&bar=";
}

std::string vendorPage(const char* path) {
    return std::string(kVendorSite) + path;
}
