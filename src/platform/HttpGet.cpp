#include "platform/HttpGet.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace {

// libcurl's global set-up is not thread-safe; do it once, before the first transfer from any thread.
void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Sink {
    std::string* body;
    std::size_t maxBytes;
    bool overflow = false;
};

std::size_t collect(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const std::size_t bytes = size * count;
    if (sink->body->size() + bytes > sink->maxBytes) {
        sink->overflow = true;
        return 0; // makes libcurl stop with a write error
    }
    sink->body->append(data, bytes);
    return bytes;
}

struct CurlDeleter {
    void operator()(CURL* curl) const noexcept { curl_easy_cleanup(curl); }
};

} // namespace

HttpGetResult httpGet(const std::string& url, const HttpGetOptions& options) {
    HttpGetResult result;
    initCurlOnce();
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        result.error = "cannot start an HTTP transfer";
        return result;
    }
    CURL* h = curl.get();
    Sink sink{&result.body, options.maxBytes};
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeout.count()));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(options.totalTimeout.count()));
    // Time-outs through signals would not be safe with several threads.
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    if (!options.userAgent.empty()) curl_easy_setopt(h, CURLOPT_USERAGENT, options.userAgent.c_str());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);

    CURLcode code = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.status);
    const char* contentType = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK && contentType)
        result.contentType = contentType;
    if (sink.overflow) {
        result.error = "the answer is longer than " + std::to_string(options.maxBytes) + " bytes";
    } else if (code != CURLE_OK) {
        result.error = errorText[0] ? errorText : curl_easy_strerror(code);
    } else if (result.status < 200 || result.status > 299) {
        // An error page is not the file that was asked for.
        result.error = "the server answered with status " + std::to_string(result.status);
    } else {
        result.ok = true;
    }
    return result;
}
