// Replacing the keyword or link table with the records of a server file, whole or not at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class OdbcConnection;
struct HttpGetOptions;

// One record of a server file, ready to be stored: a keyword (`first`), or a link's site (`first`) and url.
struct RefreshRow {
    std::int32_t id = 0;
    std::string first;
    std::string second;
};

// Turns the records of a server file into rows: trimmed, numbered by position, links cut at their first "##".
// A link record without "##" gives no row but still uses up its number. Empties each of `pieces` as it goes.
std::vector<RefreshRow> refreshRows(std::vector<std::string>& pieces, bool links);

// The records of a server file, fetched and cut into rows, or why there are none.
struct DownloadedRecords {
    enum class Result {
        kRows,
        kDownloadFailed, // no whole file came
        kNotARecordFile, // a web page, or a body without one valid record (a captive portal, a proxy)
    };
    Result result = Result::kDownloadFailed;
    std::vector<RefreshRow> rows;
};

// Fetches the link file (`links`) or the keyword file at `url` and cuts it into rows (see refreshRows).
DownloadedRecords downloadRecords(const std::string& url, const HttpGetOptions& options, bool links);

// Whether `rows` hold at least one record worth storing: a keyword that is not blank, or a link with an address.
bool holdsValidRecord(const std::vector<RefreshRow>& rows, bool links);

struct RowReplacement {
    bool replaced = false;             // the table holds `rows` now (less any refused rows)
    std::vector<std::string> toReport; // the reasons of single rows refused (left out), or why nothing changed
};

// Replaces the Links table (`links`) or the SearchKey table with `rows`, whole or not at all.
RowReplacement replaceRows(OdbcConnection& connection, bool links, const std::vector<RefreshRow>& rows);
