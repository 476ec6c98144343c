#include "store/DownloadText.h"

#include "Config.h"

HttpGetOptions DefaultDownloadOptions() {
    HttpGetOptions options;
    options.connectTimeout = std::chrono::milliseconds(kDownloadConnectTimeoutMs);
    options.totalTimeout = std::chrono::milliseconds(kDownloadTotalTimeoutMs);
    options.maxBytes = static_cast<std::size_t>(kDownloadMaxBytes);
    options.userAgent = kUserAgent;
    return options;
}

int DownloadText(const std::string& url, std::string& body, const HttpGetOptions& options) {
    body.clear();
    HttpGetResult result = httpGet(url, options);
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
