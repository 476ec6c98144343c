// Fetches a text file from a server as one text with its line ends taken out.
#pragma once

#include <string>

#include "platform/HttpGet.h"

// The limits used when the caller gives none: those of the build's configuration.
HttpGetOptions defaultDownloadOptions();

// Fetches `url` and sets `body` to its lines, each without its line end (LF or CR LF), joined with nothing between
// them. Returns 1 when the whole body came with a success status; -1 on any failure (no connection, time-out,
// a status other than 2xx, a body past the size limit), `body` then holding nothing useful. `contentType`, when
// given, is set to the type the server named for the body.
int DownloadText(const std::string& url, std::string& body, const HttpGetOptions& options = defaultDownloadOptions(),
                 std::string* contentType = nullptr);

// Whether a downloaded body is a web page rather than a record file: the type the server named is HTML, or the
// body starts with markup. A captive portal or a proxy answers so, with a success status, in place of the file.
bool isWebPage(const std::string& contentType, const std::string& body);
