// Makes a fresh, empty address book: the database file of a folder, holding the tables of a schema.
#pragma once

#include <string>

#include "platform/OdbcConnection.h"

enum class CreateDatabaseResult {
    kCreated,
    kAlreadyExists, // the file (or, on a data source, one of the book's tables) was there before; it is left as it was
    kCannotReach,   // the folder cannot take a file, or the data source cannot be connected to
    kNotUtf8,       // the data source's database does not keep Unicode text (PostgreSQL)
    kFailed,        // anything else (the schema failed); nothing is left behind
};

// Creates "Corvane.bin" in `folder` and runs the statements of `schemaSql` on it (separated by ";"; "--" starts a
// comment that runs to the end of the line). Never overwrites: an existing file is refused, whatever it holds.
// On kFailed, `error` says why.
CreateDatabaseResult createDatabase(const std::string& folder, const std::string& schemaSql, std::string& error);

// The schema that the build took from res/schema.sql.
const std::string& builtInSchema();

// The schema for `engine`: res/schema-postgresql.sql for PostgreSQL, res/schema.sql otherwise.
const std::string& builtInSchemaFor(DatabaseEngine engine);

// Creates the book's tables in the database of the ODBC data source `dataSource` (a database a team shares on a
// server), with `schemaSql`, or the built-in schema for the data source's engine when `schemaSql` is empty. Refuses
// (kAlreadyExists) a database that holds any of the book's tables already, and leaves it as it was. On PostgreSQL,
// the database must be a UTF-8 one (so that every tool reads the book as Unicode text); another is refused
// (kFailed). All the tables come in one transaction where the engine allows it, so a failure leaves none of them.
// On kFailed, `error` says why.
CreateDatabaseResult createDatabaseOnDataSource(const std::string& dataSource, const std::string& schemaSql,
                                                std::string& error);
