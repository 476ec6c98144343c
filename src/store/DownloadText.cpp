#include "store/DownloadText.h"

#include <cctype>

#include "Config.h"

bool isWebPage(const std::string& contentType, const std::string& body) {
    std::string type;
    for (char c : contentType.substr(0, contentType.find(';')))
        if (!std::isspace(static_cast<unsigned char>(c)))
            type += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (type == "text/html" || type == "application/xhtml+xml") return true;
    // Record files hold plain text; a page starts with "<!DOCTYPE", "<html" or "<?xml", after blanks or a BOM.
    std::size_t at = body.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (at < body.size() && std::isspace(static_cast<unsigned char>(body[at])))
        ++at;
    return at < body.size() && body[at] == '<';
}

HttpGetOptions defaultDownloadOptions() {
    HttpGetOptions options;
    options.connectTimeout = std::chrono::milliseconds(kDownloadConnectTimeoutMs);
    options.totalTimeout = std::chrono::milliseconds(kDownloadTotalTimeoutMs);
    options.maxBytes = static_cast<std::size_t>(kDownloadMaxBytes);
    options.userAgent = kUserAgent;
    return options;
}

int DownloadText(const std::string& url, std::string& body, const HttpGetOptions& options, std::string* contentType) {
    body.clear();
    HttpGetResult result = httpGet(url, options);
    if (contentType) *contentType = result.contentType;
    if (!result.ok) return -1;
    // The file is read line by line and the lines are joined: only "\n" and a "\r" just before it go.
    const std::string& raw = result.body;
    body.reserve(raw.size());
    std::size_t start = 0;
    while (start < raw.size()) {
        std::size_t end = raw.find('\n', start);
        std::size_t next = end == std::string::npos ? raw.size() : end + 1;
        std::size_t lineEnd = end == std::string::npos ? raw.size() : end;
        if (end != std::string::npos && lineEnd > start && raw[lineEnd - 1] == '\r') --lineEnd;
        body.append(raw, start, lineEnd - start);
        start = next;
    }
    return 1;
}
