// The rows of one query, read forward one at a time with their fields looked up by column name.
// Opening runs the query and stands on the first row, or past the end when there is none, so an empty result
// shows at once. Close it (or let it go) before its connection closes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SqlParameter.h"

class OdbcConnection;
class OdbcStatement;

class OdbcRecordSet {
public:
    explicit OdbcRecordSet(OdbcConnection& connection) : m_connection(connection) {}
    ~OdbcRecordSet() { close(); }
    OdbcRecordSet(const OdbcRecordSet&) = delete;
    OdbcRecordSet& operator=(const OdbcRecordSet&) = delete;

    // What the caller will read of the rows.
    enum class Reading {
        // Fields by name, found in this run's own result even when another program rebuilt a table with its
        // columns in another order since the text was last prepared: each open checks the description against
        // a fresh preparation of the text, and runs the query again when the tables have changed.
        kFields,
        // Only whether there are rows (isEof, moveNext). Saves the check, which would cost a quick query that
        // runs once per line of a file (the duplicate filter's) more than the query itself; reading a field is
        // then an error.
        kRowsOnly,
        // Only the first column of each row, as text (firstColumnText), for a statement whose first column the
        // caller names itself: saves the check of kFields, as kRowsOnly does.
        kFirstColumn,
    };

    // Runs `sql` with `params` bound to its "?" in order. \throws DatabaseError
    void open(const std::string& sql, std::initializer_list<SqlParameter> params = {},
              Reading reading = Reading::kFields);
    void open(const std::string& sql, std::span<const SqlParameter> params, Reading reading = Reading::kFields);
    bool isOpen() const noexcept { return m_statement != nullptr; }
    // True when there is no current row: the result was empty, or moveNext() went past the last row.
    bool isEof() const noexcept { return m_eof; }
    // \throws DatabaseError; the record set is closed then.
    void moveNext();
    void close() noexcept;

    // A field of the current row by column name (case-insensitive; "t.col" also answers to "col").
    // NULL reads as an empty text or 0. An integer column reads as text in decimal; a text column as an integer
    // when it holds one. A text keeps every byte that was stored, an embedded NUL included.
    // \throws DatabaseError for an unknown column, no current row, or a record set opened for kRowsOnly;
    // integer() also for a text that is not an integer.
    std::string text(std::string_view column);
    // The first column of the current row as text (kFirstColumn); NULL reads as an empty text.
    // \throws DatabaseError for no current row or another reading.
    std::string firstColumnText();
    // Integers are read at the engine's full width: SQLite's row ids run past 32 bits.
    std::int64_t integer(std::string_view column);
    bool isNull(std::string_view column);

private:
    struct Field {
        bool isNull = true;
        bool isInteger = false;
        std::int64_t integer = 0;
        std::string text;
    };

    const Field& field(std::string_view column);
    void loadRow();

    OdbcConnection& m_connection;
    OdbcStatement* m_statement = nullptr;
    bool m_eof = true;
    bool m_rowsOnly = false;
    bool m_firstColumn = false;
    // The whole current row, read on the first field access: ODBC drivers need not allow reading the columns
    // of a row in any order, but callers look fields up in whatever order suits them.
    bool m_rowLoaded = false;
    std::vector<Field> m_row;
};
