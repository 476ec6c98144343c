// The id of a row as the database gives it. SQLite's row ids are 64-bit and a book that has seen many imports and
// deletes can pass 2^31; every id is read and carried at that width, so no row is ever out of reach.
#pragma once

#include <cstdint>

using RowId = std::int64_t;
