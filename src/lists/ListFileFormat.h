// How a list file from a spreadsheet or another program is written: its encoding, what separates its fields, whether
// it starts with a header, and which columns hold the addresses and the names; told from the file's first part.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

enum class ListEncoding {
    kUtf8,    // with or without a byte-order mark
    kGb18030, // GBK and its superset GB18030: what Excel and WPS write on a Chinese desktop
};

enum class ListDelimiter {
    kComma,
    kSemicolon,
    kTab,
    kPipe,
    kBlanks, // runs of spaces and tabs; a line is then one address with or without a name ("Name <addr>" too)
};

struct ListFileFormat {
    ListEncoding encoding = ListEncoding::kUtf8;
    ListDelimiter delimiter = ListDelimiter::kComma;
    bool header = false;     // the first record names the columns and holds no address
    int emailColumn = 0;     // from 0
    int nameColumn = -1;     // from 0; -1: no names (a record of one field may still carry one, "Name <addr>")
    std::size_t columns = 0; // the most fields a record of the file's first part has
    std::vector<std::string> headerNames; // the header's fields (UTF-8), when there is one
};

struct ListFormatDetection {
    bool opened = false;
    std::string failure;      // why the file cannot be read as a list (a UTF-16 file, not a text), else empty
    std::string detectorSaid; // the character set that uchardet names for the file's first part, if any
    ListFileFormat format;
};

// Looks at the first part of `path` and tells everything of its format.
ListFormatDetection detectListFormat(const std::string& path);
// With `format`'s encoding and delimiter as given (by the user), tells the rest again: header and columns.
void detectListColumns(const std::string& path, ListFileFormat& format);

// The delimiter's character; 0 for kBlanks.
char delimiterCharacter(ListDelimiter delimiter);
