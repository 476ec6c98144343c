// A blocking HTTP GET with bounded waiting: how Corvane fetches a file from a server.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

struct HttpGetOptions {
    // Waiting for the server to accept the connection, and for the whole exchange. A silent server ends in a
    // failure after these, never in a wait without end.
    std::chrono::milliseconds connectTimeout{10'000};
    std::chrono::milliseconds totalTimeout{60'000};
    // A body longer than this fails the request instead of filling memory.
    std::size_t maxBytes = 16 * 1024 * 1024;
    std::string userAgent;
};

struct HttpGetResult {
    // True only for a complete body that came with a success status (2xx).
    bool ok = false;
    long status = 0;         // 0 when no answer came
    std::string body;        // as received, byte for byte; may be partial when !ok
    std::string contentType; // the Content-Type the server named, or empty
    std::string error;
};

// Fetches `url` (http or https only), following up to five redirects. Never throws.
HttpGetResult httpGet(const std::string& url, const HttpGetOptions& options);
