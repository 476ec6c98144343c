// Replacing the keyword or link table with the records of a server file, whole or not at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class OdbcConnection;

// One record of a server file, ready to be stored: a keyword (`first`), or a link's site (`first`) and url.
struct RefreshRow {
    std::int32_t id = 0;
    std::string first;
    std::string second;
};

// Turns the records of a server file into rows: trimmed, numbered by position, links cut at their first "##".
// A link record without "##" gives no row but still uses up its number. Empties each of `pieces` as it goes.
std::vector<RefreshRow> refreshRows(std::vector<std::string>& pieces, bool links);

// Whether `rows` hold at least one record worth storing: a keyword that is not blank, or a link with an address.
bool holdsValidRecord(const std::vector<RefreshRow>& rows, bool links);

struct RowReplacement {
    bool replaced = false;             // the table holds `rows` now (less any refused rows)
    std::vector<std::string> toReport; // the reasons of single rows refused (left out), or why nothing changed
};

// Replaces the Links table (`links`) or the SearchKey table with `rows`, whole or not at all.
RowReplacement replaceRows(OdbcConnection& connection, bool links, const std::vector<RefreshRow>& rows);
