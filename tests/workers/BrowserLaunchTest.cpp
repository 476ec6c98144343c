// Handing a page to the user's browser: which commands are tried, the address passed byte for byte as one
// argument, a failed start reported, and which sponsor addresses count as web pages.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/stat.h>

#include "platform/BrowserLaunch.h"
#include "platform/WebAddress.h"
#include "support/TempFolder.h"

namespace {

using Commands = std::vector<std::vector<std::string>>;

// Sets an environment variable for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(BrowserLaunch, TriesTheBrowserVariableThenXdgOpen) {
    EXPECT_EQ(browserCommands("u", nullptr), (Commands{{"xdg-open", "u"}}));
    EXPECT_EQ(browserCommands("u", "firefox"), (Commands{{"firefox", "u"}, {"xdg-open", "u"}}));
    EXPECT_EQ(browserCommands("u", "  chromium --new-window %s :: lynx"),
              (Commands{{"chromium", "--new-window", "u"}, {"lynx", "u"}, {"xdg-open", "u"}}));
}

TEST(BrowserLaunch, PassesTheAddressByteForByteAsOneArgument) {
    TempFolder folder;
    const std::string received = folder.path() + "/received";
    const std::string browser = folder.path() + "/browser";
    std::ofstream(browser) << "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > \"" << received << ".tmp\"\nmv \"" << received
                           << ".tmp\" \"" << received << "\"\n";
    chmod(browser.c_str(), 0755);
    ScopedVariable variable("BROWSER", browser);

    const std::string address = "https://www.baidu.com/s?wd=a b&c=\xC5\xF3\xD3\xD1 'x' \"y\" $HOME;&tn=t&bar=";
    ASSERT_TRUE(launchBrowser(address));
    // The browser runs on its own; wait for what it wrote.
    for (int i = 0; i < 500 && !std::filesystem::exists(received); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream file(received, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str(), "1|" + address + "|");
}

TEST(BrowserLaunch, ReportsWhenNoBrowserCanBeStarted) {
    ScopedVariable variable("BROWSER", "/no/such/browser");
    ScopedVariable path("PATH", "/no/such/folder");
    EXPECT_FALSE(launchBrowser("https://example.org/"));
}

TEST(WebAddress, OnlyPlainWebPagesFromTheServer) {
    for (const char* good : {"http://example.org", "https://example.org/a?b=c&d", "HTTPS://EXAMPLE.ORG/",
                             "http://例子.cn/\xC5\xF3", "http://a b"})
        EXPECT_TRUE(isWebAddress(good)) << good;
    for (const char* bad : {"", "http://", "https://", "file:///etc/passwd", "/etc/passwd", "-new-window",
                            "--help http://x", "javascript:alert(1)", "ftp://example.org", "mailto:a@b",
                            " http://example.org", "http://x\ny", "http://x\x01", "http://x\x7F", "httpx://y"})
        EXPECT_FALSE(isWebAddress(bad)) << bad;
    EXPECT_FALSE(isWebAddress(std::string_view("http://a\0b", 10)));
}

} // namespace
