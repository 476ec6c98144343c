// The PostgreSQL side of the benchmarks: the server that scripts/bench.sh starts (its folder in
// CORVANE_BENCH_PG_SERVER), a fresh book on it, and the data source "Corvane" that points the program at it.
#pragma once

#include <string>

// The server's folder, or null when the run has no server.
const char* benchPgServer();

// Drops and makes database `database` on that server with the book's tables, and writes the data source "Corvane"
// for it into `folder`/odbc.ini, which the program then reads (see useBenchDataSource). \throws std::runtime_error
void createPgBook(const std::string& folder, const std::string& database);

// Makes the program's next open find the PostgreSQL book that `folder`/odbc.ini names (true), or the start
// directory's file (false: an odbc.ini of `folder` that defines no data source).
void useBenchDataSource(const std::string& folder, bool on);
