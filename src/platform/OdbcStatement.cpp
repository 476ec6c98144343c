#include "platform/OdbcStatement.h"

#include <sqlext.h>

#include <algorithm>
#include <array>
#include <limits>
#include <type_traits>
#include <utility>

#include "platform/OdbcDiagnostics.h"

namespace {

// Texts are read in pieces of this size, so a long column needs no buffer sized in advance.
constexpr SQLLEN kChunk = 4096;

bool isIntegerType(SQLSMALLINT type) {
    return type == SQL_INTEGER || type == SQL_SMALLINT || type == SQL_TINYINT || type == SQL_BIGINT || type == SQL_BIT;
}

// Columns whose data is one byte per character (or plain bytes): read as SQL_C_BINARY, which hands over the
// stored bytes unchanged with their length and no terminator of the driver's. Wide-character and other columns
// are read as SQL_C_CHAR, so that the driver converts them.
bool isByteType(SQLSMALLINT type) {
    return type == SQL_CHAR || type == SQL_VARCHAR || type == SQL_LONGVARCHAR || type == SQL_BINARY ||
           type == SQL_VARBINARY || type == SQL_LONGVARBINARY;
}

} // namespace

OdbcStatement::OdbcStatement(SQLHDBC dbc, std::string sql, bool textAsBytes)
    : m_dbc(dbc), m_sql(std::move(sql)), m_textAsBytes(textAsBytes), m_stmt(SQL_HANDLE_STMT, dbc) {
    SQLRETURN rc =
        SQLPrepare(m_stmt.get(), reinterpret_cast<SQLCHAR*>(m_sql.data()), static_cast<SQLINTEGER>(m_sql.size()));
    checkOdbc(rc, SQL_HANDLE_STMT, m_stmt.get(), "preparing a statement");
}

void OdbcStatement::prepareAgain() {
    OdbcStatement fresh(m_dbc, m_sql, m_textAsBytes);
    closeCursor();
    m_stmt = std::move(fresh.m_stmt);
    m_described = false;
}

void OdbcStatement::bind(std::span<const SqlParameter> params) {
    SQLHSTMT stmt = m_stmt.get();
    checkOdbc(SQLFreeStmt(stmt, SQL_RESET_PARAMS), SQL_HANDLE_STMT, stmt, "resetting parameters");
    m_integers.assign(params.size(), 0);
    m_lengths.assign(params.size(), 0);
    SQLUSMALLINT number = 0;
    for (const SqlParameter& param : params) {
        const std::size_t slot = number++;
        SQLRETURN rc;
        if (std::holds_alternative<std::int32_t>(param) || std::holds_alternative<std::int64_t>(param)) {
            m_integers[slot] = std::holds_alternative<std::int32_t>(param) ? std::get<std::int32_t>(param)
                                                                           : std::get<std::int64_t>(param);
            // A value that fits in 32 bits goes as an INTEGER, as the columns are declared (a server then compares
            // like with like); only an id past that range goes as a BIGINT.
            const bool wide = m_integers[slot] < std::numeric_limits<std::int32_t>::min() ||
                              m_integers[slot] > std::numeric_limits<std::int32_t>::max();
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, wide ? SQL_BIGINT : SQL_INTEGER, 0, 0,
                                  &m_integers[slot], 0, nullptr);
        } else {
            std::string_view text = std::get<std::string_view>(param);
            // An empty text still needs a valid address; its length says it is empty, not NULL.
            static char empty[1] = {};
            char* data = text.empty() ? empty : const_cast<char*>(text.data());
            m_lengths[slot] = static_cast<SQLLEN>(text.size());
            // A text holding a NUL goes as bytes. As character data it would be stored whole, but a driver may
            // treat a character value as a C string on the way back (the SQLite driver reports its length up to
            // the first NUL, whatever C type is asked for), and it could never be read back whole; bytes keep
            // their length both ways. Every other text goes as character data, so it is stored and compared
            // exactly as the rows already in the book.
            const bool bytes = text.find('\0') != std::string_view::npos;
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, bytes ? SQL_C_BINARY : SQL_C_CHAR,
                                  bytes ? SQL_VARBINARY : SQL_VARCHAR, std::max<SQLULEN>(text.size(), 1), 0, data,
                                  m_lengths[slot], &m_lengths[slot]);
        }
        checkOdbc(rc, SQL_HANDLE_STMT, stmt, "binding a parameter");
    }
}

void OdbcStatement::execute(std::span<const SqlParameter> params) {
    closeCursor();
    bind(params);
    m_described = false;
    SQLRETURN rc = SQLExecute(m_stmt.get());
    // An update or delete that touched no row answers SQL_NO_DATA: that is success.
    if (rc != SQL_NO_DATA) checkOdbc(rc, SQL_HANDLE_STMT, m_stmt.get(), "running a statement");
}

const std::vector<OdbcStatement::Column>& OdbcStatement::columns() {
    if (m_described) return m_columns;
    SQLHSTMT stmt = m_stmt.get();
    SQLSMALLINT count = 0;
    checkOdbc(SQLNumResultCols(stmt, &count), SQL_HANDLE_STMT, stmt, "counting result columns");
    m_columns.clear();
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
        std::array<SQLCHAR, 256> name{};
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        SQLRETURN rc = SQLDescribeCol(stmt, i, name.data(), static_cast<SQLSMALLINT>(name.size()), &nameLength, &type,
                                      &size, &digits, &nullable);
        checkOdbc(rc, SQL_HANDLE_STMT, stmt, "describing a result column");
        m_columns.push_back(
            {reinterpret_cast<const char*>(name.data()), isIntegerType(type), m_textAsBytes && isByteType(type)});
    }
    m_described = true;
    return m_columns;
}

bool OdbcStatement::preparedAgainForNewerTables() {
    OdbcStatement fresh(m_dbc, m_sql, m_textAsBytes);
    if (fresh.columns() == columns()) return false;
    closeCursor();
    m_stmt = std::move(fresh.m_stmt);
    m_described = false;
    return true;
}

bool OdbcStatement::fetch() {
    SQLRETURN rc = SQLFetch(m_stmt.get());
    if (rc == SQL_NO_DATA) return false;
    checkOdbc(rc, SQL_HANDLE_STMT, m_stmt.get(), "fetching a row");
    return true;
}

bool OdbcStatement::readInteger(int index, std::int64_t& value) {
    SQLBIGINT data = 0;
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(m_stmt.get(), static_cast<SQLUSMALLINT>(index + 1), SQL_C_SBIGINT, &data, 0, &indicator);
    checkOdbc(rc, SQL_HANDLE_STMT, m_stmt.get(), "reading an integer column");
    if (indicator == SQL_NULL_DATA) return false;
    value = data;
    return true;
}

bool OdbcStatement::readText(int index, std::string& value) {
    value.clear();
    const auto& described = columns();
    const bool bytes = static_cast<std::size_t>(index) < described.size() && described[index].isBytes;
    // Bytes fill the whole buffer; character data leaves room for the driver's terminating NUL.
    const SQLLEN room = bytes ? kChunk : kChunk - 1;
    std::array<char, kChunk> chunk;
    for (;;) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(m_stmt.get(), static_cast<SQLUSMALLINT>(index + 1), bytes ? SQL_C_BINARY : SQL_C_CHAR,
                                  chunk.data(), kChunk, &indicator);
        if (rc == SQL_NO_DATA) return true; // every piece was read by the calls before
        checkOdbc(rc, SQL_HANDLE_STMT, m_stmt.get(), "reading a text column");
        if (indicator == SQL_NULL_DATA) return false;
        // The length comes from the indicator, never from looking for a NUL: a text may hold one. A piece that
        // did not fit fills the room; the last piece says its own length.
        const bool truncated = indicator == SQL_NO_TOTAL || indicator > room;
        value.append(chunk.data(), truncated ? static_cast<std::size_t>(room) : static_cast<std::size_t>(indicator));
        if (!truncated) return true;
    }
}

void OdbcStatement::closeCursor() noexcept {
    if (m_stmt) SQLFreeStmt(m_stmt.get(), SQL_CLOSE);
}
