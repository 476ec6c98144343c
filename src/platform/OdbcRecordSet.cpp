#include "platform/OdbcRecordSet.h"

#include <charconv>
#include <limits>

#include "platform/DatabaseError.h"
#include "platform/OdbcConnection.h"
#include "platform/OdbcStatement.h"

namespace {

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool matchesColumn(std::string_view described, std::string_view wanted) {
    if (sameName(described, wanted)) return true;
    std::size_t dot = described.rfind('.');
    return dot != std::string_view::npos && sameName(described.substr(dot + 1), wanted);
}

} // namespace

void OdbcRecordSet::open(const std::string& sql, std::initializer_list<SqlParameter> params, Reading reading) {
    open(sql, std::span<const SqlParameter>(params.begin(), params.size()), reading);
}

void OdbcRecordSet::open(const std::string& sql, std::span<const SqlParameter> values, Reading reading) {
    close();
    // A text the database cannot hold is refused before it is sent: a query that fails on the server would cost
    // some engines the rest of the transaction.
    m_connection.refuseUnstorable(values);
    OdbcStatement& statement = m_connection.acquire(sql);
    m_statement = &statement;
    m_rowsOnly = reading != Reading::kFields;
    m_firstColumn = reading == Reading::kFirstColumn;
    try {
        try {
            statement.execute(values);
        } catch (const DatabaseError& error) {
            // PostgreSQL keeps the statement prepared on the server, and refuses to run it once another program
            // rebuilt a table so that its result's columns changed. Prepared again, it runs (outside a transaction:
            // inside one, the failure already cost the transaction).
            if (error.sqlState() != "0A000" || m_connection.inTransaction()) throw;
            statement.prepareAgain();
            statement.execute(values);
        }
        m_eof = !statement.fetch();
        // Fields are found by name in this run's own result. When the tables changed since the text was last
        // prepared (another program rebuilt one with its columns in another order), the description may be of the
        // old ones: the query then runs again, prepared anew.
        if (!m_rowsOnly && statement.preparedAgainForNewerTables()) {
            statement.execute(values);
            m_eof = !statement.fetch();
        }
        m_row.assign(m_rowsOnly ? 0 : statement.columns().size(), Field{});
        m_rowLoaded = false;
    } catch (...) {
        close();
        m_connection.statementFailed();
        throw;
    }
}

void OdbcRecordSet::moveNext() {
    if (!m_statement || m_eof) return;
    m_rowLoaded = false;
    try {
        m_eof = !m_statement->fetch();
    } catch (...) {
        // The cursor goes first: the engine is asked about the transaction with no statement of ours running.
        close();
        m_connection.statementFailed();
        throw;
    }
}

void OdbcRecordSet::close() noexcept {
    if (m_statement) {
        m_connection.release(*m_statement);
        m_statement = nullptr;
    }
    m_eof = true;
    m_rowLoaded = false;
}

void OdbcRecordSet::loadRow() {
    const auto& columns = m_statement->columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        Field& f = m_row[i];
        f.isInteger = columns[i].isInteger;
        f.integer = 0;
        f.text.clear();
        int index = static_cast<int>(i);
        f.isNull = f.isInteger ? !m_statement->readInteger(index, f.integer) : !m_statement->readText(index, f.text);
    }
    m_rowLoaded = true;
}

const OdbcRecordSet::Field& OdbcRecordSet::field(std::string_view column) {
    if (!m_statement || m_eof)
        throw DatabaseError("24000", 0, "No current row to read the column " + std::string(column) + " from.");
    if (m_rowsOnly)
        throw DatabaseError("HY010", 0,
                            "The query was opened to see whether rows come, not to read the column " +
                                std::string(column) + ".");
    const auto& columns = m_statement->columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (matchesColumn(columns[i].name, column)) {
            if (!m_rowLoaded) loadRow();
            return m_row[i];
        }
    }
    throw DatabaseError("42S22", 0, "The result has no column " + std::string(column) + ".");
}

std::string OdbcRecordSet::text(std::string_view column) {
    const Field& f = field(column);
    if (f.isNull) return {};
    return f.isInteger ? std::to_string(f.integer) : f.text;
}

std::int64_t OdbcRecordSet::integer(std::string_view column) {
    const Field& f = field(column);
    if (f.isNull) return 0;
    std::int64_t value = f.integer;
    if (!f.isInteger) {
        const char* begin = f.text.data();
        const char* end = begin + f.text.size();
        auto [ptr, ec] = std::from_chars(begin, end, value);
        if (ec != std::errc() || ptr != end)
            throw DatabaseError("22018", 0, "The column " + std::string(column) + " does not hold an integer.");
    }
    return value;
}

bool OdbcRecordSet::isNull(std::string_view column) {
    return field(column).isNull;
}

std::string OdbcRecordSet::firstColumnText() {
    if (!m_statement || m_eof) throw DatabaseError("24000", 0, "No current row to read the first column from.");
    if (!m_firstColumn) throw DatabaseError("HY010", 0, "The query was not opened to read its first column alone.");
    std::string value;
    try {
        m_statement->readText(0, value);
    } catch (...) {
        close();
        m_connection.statementFailed();
        throw;
    }
    return value;
}
