// The addresses that a file lists, one a line, as a mail tool hands back its bounces and unsubscribes.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

struct ListedAddresses {
    bool opened = false;     // the file could be opened
    bool readFailed = false; // reading stopped on an error (see error): the list holds the lines read whole
    int error = 0;           // the system's error number when it could not be opened or read
    bool cancelled = false;  // a stop was requested before the end of the file
    std::size_t lines = 0;   // lines read
    std::size_t invalid = 0; // lines, other than empty ones, that hold no valid address
    // Each address once, in the order of the file; lower case (ASCII letters) when read for a comparison that
    // ignores letter case.
    std::vector<std::string> addresses;
};

// Reads `path` line by line (a line of any length; a UTF-8 byte-order mark at the start is no part of the first
// line). Each line is trimmed of spaces, tabs, CR, LF, VT and FF at both ends, as the import trims; a line that
// ends in "Name <address>" form gives the address between the angle brackets. The line's address counts when it is
// 1 to 254 bytes long and a valid e-mail address. `bytesRead`, when given, follows the reading.
ListedAddresses readListedAddresses(const std::string& path, bool ignoreCase,
                                    std::atomic<std::uint64_t>* bytesRead = nullptr, std::stop_token stop = {});
