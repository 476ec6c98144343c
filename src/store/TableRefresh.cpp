// Tested by tests/store/RefreshTest.cpp.
#include "store/TableRefresh.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

#include "platform/CodePage936.h"
#include "platform/DatabaseError.h"
#include "platform/Transaction.h"
#include "store/DownloadText.h"
#include "store/SplitText.h"

namespace {

std::string trimmed(const std::string& text) {
    // A white-space byte is never the second half of a double-byte character, so trimming bytes is safe.
    constexpr char kSpace[] = " \t\r\n\v\f";
    std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string::npos) return {};
    std::size_t last = text.find_last_not_of(kSpace);
    return text.substr(first, last - first + 1);
}

// Rows of a refresh per savepoint, and per insert statement. A statement of many rows saves much of the cost of
// a row, which lies in running a statement; a savepoint per batch lets a refused row be found and left out while
// the rest of the transaction stands. A refusal costs the rows of its batch a second insert, so a batch is small
// next to a file. 100 rows of 3 values stay under the 999 parameters that older SQLite builds allow.
constexpr std::size_t kRowsPerSavepoint = 1000;
constexpr std::size_t kRowsPerStatement = 100;

// Errors that are no fault of the row being inserted: the connection, the transaction or the engine failed
// (SQLSTATE classes 08, 40, 53, 57, 58; time-outs, memory, cancellation). Going on would store an incomplete set.
bool failsTheWholeRefresh(const DatabaseError& error) {
    const std::string& state = error.sqlState();
    const std::string type = state.substr(0, 2);
    return type == "08" || type == "40" || type == "53" || type == "57" || type == "58" || state == "HYT00" ||
           state == "HYT01" || state == "HY001" || state == "HY008";
}

// Stores the rows of a refresh inside the open transaction. A row that the database refuses is left out, its
// reason kept for the user, and every other row is stored. Each batch of rows runs under a savepoint: a refusal
// rolls the batch back to it, which keeps the transaction usable on every engine, and the batch is then gone
// through row by row to find the refused row.
class RowWriter {
public:
    RowWriter(OdbcConnection& connection, bool links, const std::vector<RefreshRow>& rows)
        : m_connection(connection), m_links(links), m_rows(rows) {}

    // \throws DatabaseError for a failure that is not a refusal of one row.
    void insertAll() {
        for (std::size_t first = 0; first < m_rows.size(); first += kRowsPerSavepoint)
            insertRange(first, std::min(first + kRowsPerSavepoint, m_rows.size()));
    }

    std::vector<std::string>& refused() { return m_refused; }

private:
    // Each row of [first, last) stored, or refused and left out.
    void insertRange(std::size_t first, std::size_t last) {
        while (first < last && !insertWhole(first, last)) {
            // Some row is refused: row by row up to it. The rollback takes the rows before it too, so they go in
            // again; then the rest of the range.
            Savepoint search(m_connection, "corvane_row_search");
            std::size_t at = first;
            std::optional<DatabaseError> refusal;
            for (; at < last; ++at) {
                try {
                    insert(std::span(&m_rows[at], 1));
                } catch (const DatabaseError& error) {
                    if (failsTheWholeRefresh(error)) throw;
                    refusal = error;
                    break;
                }
            }
            if (at == last) { // refused in a statement of many rows, yet each row alone is taken
                search.release();
                return;
            }
            takeBack(search, *refusal);
            m_refused.push_back(refusal->what());
            insertRange(first, at);
            first = at + 1;
        }
    }

    // Stores all of [first, last), many rows to a statement, or nothing of it when one is refused (false).
    bool insertWhole(std::size_t first, std::size_t last) {
        Savepoint batch(m_connection, "corvane_rows");
        try {
            // The few rows past the last full statement go one by one, so that only two statement texts are
            // ever prepared (the connection keeps a limited number of them).
            for (std::size_t from = first; from < last;) {
                const std::size_t count = last - from >= kRowsPerStatement ? kRowsPerStatement : 1;
                insert(std::span(&m_rows[from], count));
                from += count;
            }
        } catch (const DatabaseError& error) {
            if (failsTheWholeRefresh(error)) throw;
            takeBack(batch, error);
            return false;
        }
        batch.release();
        return true;
    }

    // Rolls back to `savepoint` after `refusal`. Should the savepoint be gone, the engine took the whole
    // transaction back with the failure (SQLite does so on a full disk, for one): the refresh cannot go on, and the
    // failure says why.
    static void takeBack(Savepoint& savepoint, const DatabaseError& refusal) {
        try {
            savepoint.rollback();
        } catch (const DatabaseError&) {
            throw refusal;
        }
    }

    // One statement: "insert into ... values(?, ?), (?, ?), ..." with a row of values for each row.
    void insert(std::span<const RefreshRow> rows) {
        std::string& sql = m_statements[rows.size()];
        if (sql.empty()) {
            sql = m_links ? "insert into Links(id, site, url) values" : "insert into SearchKey(id, keyword) values";
            const char* values = m_links ? "(?, ?, ?)" : "(?, ?)";
            for (std::size_t i = 0; i < rows.size(); ++i)
                sql += i == 0 ? values : std::string(", ") + values;
        }
        m_params.clear();
        for (const RefreshRow& row : rows) {
            m_params.emplace_back(row.id);
            m_params.emplace_back(std::string_view(row.first));
            if (m_links) m_params.emplace_back(std::string_view(row.second));
        }
        m_connection.execute(sql, m_params);
    }

    OdbcConnection& m_connection;
    bool m_links;
    const std::vector<RefreshRow>& m_rows;
    std::vector<std::string> m_refused;
    std::map<std::size_t, std::string> m_statements; // statement texts by number of rows
    std::vector<SqlParameter> m_params;
};

} // namespace

// Turns the records of a server file into rows: trimmed, numbered by position, links cut at their first "##".
// A link record without "##" gives no row but still uses up its number.
std::vector<RefreshRow> refreshRows(std::vector<std::string>& pieces, bool links) {
    std::vector<RefreshRow> rows;
    rows.reserve(pieces.size());
    std::int32_t id = 0;
    for (std::string& piece : pieces) {
        std::string record = trimmed(piece);
        std::string().swap(piece); // the file is held once, not twice
        if (links) {
            const std::size_t at = findCp936(record, "##");
            if (at != std::string::npos) rows.push_back({id, record.substr(0, at), record.substr(at + 2)});
        } else {
            rows.push_back({id, std::move(record), {}});
        }
        ++id;
    }
    return rows;
}

// Replaces a table with `rows` and returns the texts to report; runs under the store's lock.
// The table is replaced whole or not at all: the clearing and every insert commit together, so a program killed
// part way, or a failure that would leave the new set incomplete, leaves the old rows as they were. A row that the
// database refuses is reported and left out, and the others are stored. Serializable, so that two programs
// refreshing one book at once leave one whole set: where the engine cannot run them one after the other, it fails
// one of them, which then runs again (see below). One transaction also makes a large file quick to store, and so
// keeps the store's lock short for the threads that wait on it.
DownloadedRecords downloadRecords(const std::string& url, const HttpGetOptions& options, bool links) {
    DownloadedRecords downloaded;
    std::string body;
    std::string contentType;
    if (DownloadText(url, body, options, &contentType) != 1) return downloaded;
    downloaded.result = DownloadedRecords::Result::kNotARecordFile;
    // A page in place of the file would replace every link, or become the only keyword.
    if (isWebPage(contentType, body)) return downloaded;
    std::vector<std::string> pieces;
    SplitText(body, "||", pieces, 0);
    std::string().swap(body); // the file is held once, not twice
    downloaded.rows = refreshRows(pieces, links);
    if (holdsValidRecord(downloaded.rows, links)) downloaded.result = DownloadedRecords::Result::kRows;
    return downloaded;
}

bool holdsValidRecord(const std::vector<RefreshRow>& rows, bool links) {
    return std::any_of(rows.begin(), rows.end(),
                       [&](const RefreshRow& row) { return links ? !row.second.empty() : !row.first.empty(); });
}

RowReplacement replaceRows(OdbcConnection& connection, bool links, const std::vector<RefreshRow>& rows) {
    // Where the engine cannot run two refreshes one after the other, it fails one of them (PostgreSQL: "could not
    // serialize access", or a deadlock); that one then has nothing of its own in the table, and runs again from
    // the start after the other's commit, so the last refresh's set is the one that stays, as when they come one
    // after the other. A few tries: each failure means another refresh committed meanwhile.
    constexpr int kTries = 5;
    for (int attempt = 1;; ++attempt) {
        RowWriter writer(connection, links, rows);
        const bool ownTransaction = !connection.inTransaction();
        try {
            // Inside a batch that this thread holds open (beginTransaction), the refresh is a part of it that can be
            // taken back alone; otherwise a transaction of its own.
            std::optional<Transaction> transaction;
            std::optional<Savepoint> part;
            if (ownTransaction)
                transaction.emplace(connection, TransactionIsolation::kSerializable);
            else
                part.emplace(connection, "corvane_refresh");
            connection.execute(links ? "delete from Links" : "delete from SearchKey");
            writer.insertAll();
            if (part)
                part->release();
            else
                transaction->commit();
        } catch (const DatabaseError& error) {
            // Rolled back: the table keeps its rows. Refusals of single rows no longer matter; why nothing changed
            // does.
            const bool anotherRefreshWon = error.sqlState() == "40001" || error.sqlState() == "40P01";
            if (ownTransaction && anotherRefreshWon && attempt < kTries) continue;
            return {false, {error.what()}};
        }
        return {true, std::move(writer.refused())};
    }
}
