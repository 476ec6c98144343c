// A prepared ODBC statement: binds parameters, runs, fetches rows and reads column data.
// Internal to the platform layer; OdbcConnection keeps them, OdbcRecordSet reads through them.
#pragma once

#include <sql.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/OdbcHandle.h"
#include "platform/SqlParameter.h"

class OdbcStatement {
public:
    struct Column {
        std::string name;
        bool isInteger = false;
        // Character or binary data of one byte per character, read as bytes (see readText).
        bool isBytes = false;

        bool operator==(const Column&) const = default;
    };

    // Prepares `sql` on the connection `dbc`; throws DatabaseError. `textAsBytes`: character columns are read as
    // bytes (SQL_C_BINARY), which keeps an embedded NUL; false where the driver's pieces of bytes are not to be
    // trusted and a text cannot hold a NUL anyway (psqlODBC: see the engine table of OdbcConnection.cpp).
    OdbcStatement(SQLHDBC dbc, std::string sql, bool textAsBytes = true);

    // Prepares the text again, for a run after the engine refused the old preparation because the tables changed
    // since (PostgreSQL: "cached plan must not change result type"). Throws DatabaseError.
    void prepareAgain();

    const std::string& sql() const noexcept { return m_sql; }

    // Binds `params` to the "?" in order and runs the statement; throws DatabaseError.
    void execute(std::span<const SqlParameter> params);

    // The result's columns, described after each run.
    const std::vector<Column>& columns();

    // Whether this run's result was described from tables as they no longer are; if so the statement has been
    // prepared anew and must be run again. A driver may keep the description it made when the text was prepared,
    // and an engine may prepare from the tables as it last saw them: after another program rebuilt a table with
    // its columns in another order, "select *" would then find the wrong column under a name. A run brings the
    // engine up to date, so a second preparation of the text after it shows the tables as they are now.
    // Throws DatabaseError.
    bool preparedAgainForNewerTables();

    // Moves to the next row; false past the last one. Throws DatabaseError.
    bool fetch();

    // Reads column `index` (0-based) of the current row. Columns must be read in increasing order, each once.
    // Returns false for NULL. A text is taken by the length the driver reports, so it keeps every byte, an
    // embedded NUL included.
    bool readInteger(int index, std::int64_t& value);
    bool readText(int index, std::string& value);

    // Ends the current result so the statement can run again. Never throws.
    void closeCursor() noexcept;

    // Set while a record set reads through this statement, so that a second reader gets a statement of its own.
    bool inUse = false;

private:
    void bind(std::span<const SqlParameter> params);

    SQLHDBC m_dbc;
    std::string m_sql;
    bool m_textAsBytes;
    OdbcHandle m_stmt;
    bool m_described = false;
    std::vector<Column> m_columns;
    // Storage for bound values: ODBC reads them at SQLExecute, so they must stay put until then.
    std::vector<std::int64_t> m_integers;
    std::vector<SQLLEN> m_lengths;
};
