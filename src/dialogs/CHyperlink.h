// The address of a hyperlink, and opening it in the user's browser.
#pragma once

#include <string>

class CHyperlink {
public:
    CHyperlink() = default;
    explicit CHyperlink(std::string url) : m_strUrl(std::move(url)) {}
    virtual ~CHyperlink() = default;

    CHyperlink& operator=(const std::string& url) {
        m_strUrl = url;
        return *this;
    }

    // Opens the address in the browser: false when there is none or no browser could be started.
    virtual bool Navigate();

    std::string m_strUrl; // CP936 bytes; empty when none has been given
};
