// The import: the valid e-mail addresses of a text file that a group does not hold yet become addresses of that
// group, with an empty name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class AddressStore;

struct ImportResult {
    bool opened = false;    // the file could be opened
    std::size_t lines = 0;  // lines read
    std::size_t stored = 0; // addresses stored (committed)
    bool stopped = false;   // the run stopped before the end of the file (see failure)
    std::string failure;    // empty, or the database's text of what went wrong, to be shown once
};

// Reads `path` line by line; each line is trimmed of spaces, tabs, CR, LF, VT and FF at both ends, and kept when it
// is 1 to 254 bytes long, a valid e-mail address and not yet an address of group `groupId`; it is then stored
// under that group with an empty name. A UTF-8 byte-order mark at the very start of the file is not part of the
// first line.
ImportResult ImportAddresses(AddressStore& store, const std::string& path, std::int32_t groupId);
