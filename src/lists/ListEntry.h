// The address and the name that one record of a list file gives, by its columns or, for a record of one field, by
// the forms a mail program writes: "Name <addr>", "\"Name\" <addr>", "addr Name" or "Name addr".
#pragma once

#include <string>
#include <string_view>

#include "textfiles/AddressLine.h"

struct ListFileFormat;
struct ListRecord;

struct ListEntry {
    std::string address; // trimmed of blanks; UTF-8 as read
    std::string name;    // trimmed, line breaks and tabs as spaces; UTF-8 as read
};

// The entry of one field written as a mailbox. A text that holds no such form is all address.
ListEntry splitMailbox(std::string_view text);
// The entry of `record` under the columns of `format`.
ListEntry listEntryOf(const ListRecord& record, const ListFileFormat& format);
