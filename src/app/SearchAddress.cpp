// Tested by tests/gui/SearchPanelTest.cpp.
#include "app/SearchAddress.h"

#include "Config.h"

std::string googleSearchAddress(const std::string& text) {
    std::string address = kGoogleSearch;
    address += "/search?";
    if (!text.empty()) address += "q=" + text + "&";
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
    return address + "/s?wd=" + text + "&tn=" + kBaiduPartner + "&bar=";
}

std::string vendorPage(const char* path) {
    return std::string(kVendorSite) + path;
}
