// The statements of the list tools' searches that differ from one engine to another: the index on the lowered
// e-mail text, a test for a text inside another, and how each engine's lower() folds the program's bytes.
#pragma once

#include <string>
#include <string_view>

#include "platform/OdbcConnection.h"

struct SearchForms {
    // A row when the index on lower(email) exists. Null: the engine cannot tell, and no index is made.
    const char* lowerEmailIndexExists = nullptr;
    const char* createLowerEmailIndex = nullptr;
    // The same for the index on the lowered name (lowerName below), which finds a name equal to or starting with a
    // text without reading every row.
    const char* lowerNameIndexExists = nullptr;
    const char* createLowerNameIndex = nullptr;
    // Run after the index was made, so that the planner knows how few rows a lowered text selects (without it a
    // list of a hundred texts looks like half the table). Null: none.
    const char* afterIndexMade = nullptr;
    // Where the lowered name column is compared: the name's own collation may fold more than ASCII.
    const char* lowerName = "lower(name)";
    // The position (from 1) of the second text in the first, 0 when it is not there: "%1" and "%2" stand for them.
    const char* position = "position(%2 in %1)";
    // lower() folds bytes, also the second bytes of double-byte characters (SQLite); otherwise characters.
    bool lowerFoldsBytes = false;

    // `text` folded as this engine's lower() folds it, so that it compares with lower(column).
    std::string fold(std::string_view text) const;
    // The SQL for the position of "?" in `column` (an expression).
    std::string positionOf(const std::string& column) const;
};

const SearchForms& searchFormsFor(DatabaseEngine engine);

class AddressStore;
// The forms of the engine of `store`'s book. \throws DatabaseError when no book is open.
const SearchForms& searchFormsOf(AddressStore& store);
