// Turns a failed ODBC call into a DatabaseError carrying the driver's diagnostics. Internal to the platform layer.
#pragma once

#include <sql.h>

#include <string_view>

// Throws a DatabaseError built from the diagnostic records of `handle`; `context` stands in for the message when
// the driver left none.
[[noreturn]] void throwOdbcError(SQLSMALLINT handleType, SQLHANDLE handle, std::string_view context);

inline void checkOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, std::string_view context) {
    if (!SQL_SUCCEEDED(rc)) throwOdbcError(handleType, handle, context);
}
