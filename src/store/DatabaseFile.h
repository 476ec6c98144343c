// Where the address book lives and how it is reached: by default the start directory's "Corvane.bin" through the
// build's connection string; when the ODBC configuration defines the data source "Corvane" (a book that a team
// shares on a database server), that data source instead.
#pragma once

#include <optional>
#include <string>

// The database file of `startDirectory`. The "/" goes in even after a directory that ends in one.
std::string databaseFilePath(const std::string& startDirectory);

// Why the book file at `path` must not be opened, or an empty text when it may be (or is not there: the driver,
// which never creates it, then fails the open):
// - it is empty: an interrupted first run left it; opening it would turn it into a database of no tables;
// - it has no write permission: the driver would open it read-only and leave its shared-memory file beside it
//   read-only too, which keeps the book read-only after the permission is mended.
std::string unusableBookFileReason(const std::string& path);

// The build's connection string for the file at `path`, or nothing when the path cannot stand in a connection
// string: a ";" or a brace would end the file name early and start options of its own.
std::optional<std::string> connectionStringFor(const std::string& path);

// Whether the ODBC configuration defines the shared book's data source (kDataSourceName, "Corvane").
bool sharedBookDefined();

// The connection string of a data source.
std::string dataSourceConnectionString(const std::string& name);

// The connection string of the book that a program started in `startDirectory` opens: the shared book's data
// source when it is defined (the start directory then plays no part), else the file of the start directory (or
// nothing, see connectionStringFor).
std::optional<std::string> bookConnectionString(const std::string& startDirectory);
