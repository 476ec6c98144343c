// Makes a fresh, empty address book: the database file of a folder, holding the tables of a schema.
#pragma once

#include <string>

enum class CreateDatabaseResult {
    kCreated,
    kAlreadyExists, // the file was there before; it is left exactly as it was
    kFailed,        // nothing is left behind
};

// Creates "Corvane.bin" in `folder` and runs the statements of `schemaSql` on it (separated by ";"; "--" starts a
// comment that runs to the end of the line). Never overwrites: an existing file is refused, whatever it holds.
// On kFailed, `error` says why.
CreateDatabaseResult createDatabase(const std::string& folder, const std::string& schemaSql, std::string& error);

// The schema that the build took from res/schema.sql.
const std::string& builtInSchema();
