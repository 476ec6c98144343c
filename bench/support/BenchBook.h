// Books of a million addresses for the benchmarks, made fast with one recursive insert.
#pragma once

#include <string>

// Makes a fresh, empty book (Corvane.bin) in `folder`. \throws std::runtime_error
void createBook(const std::string& folder);

// Makes a fresh book (Corvane.bin) in `folder` and adds `rows` addresses: row i (from 0) is 'user<i>@example.com'
// in the group that the SQL expression `groupOf` gives for i, named as `nameOf` gives (both on the column "i").
// The log is folded into the file before it returns, so a plain copy of Corvane.bin is a complete book.
// \throws std::runtime_error, DatabaseError
void buildBook(const std::string& folder, int rows, const std::string& groupOf, const std::string& nameOf);

// A copy of the book of `from` in `to` (made if missing); returns `to`.
std::string copyBook(const std::string& from, const std::string& to);
