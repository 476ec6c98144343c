#include "platform/OdbcDiagnostics.h"

#include <sqlext.h>

#include <string>

#include "platform/DatabaseError.h"

void throwOdbcError(SQLSMALLINT handleType, SQLHANDLE handle, std::string_view context) {
    std::string sqlState = "HY000";
    long nativeCode = 0;
    std::string message;
    if (handle != SQL_NULL_HANDLE) {
        // A failure can leave several records (e.g. a driver error and the manager's own); keep them all.
        for (SQLSMALLINT record = 1; record <= 16; ++record) {
            SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
            SQLINTEGER native = 0;
            SQLCHAR text[SQL_MAX_MESSAGE_LENGTH * 2] = {};
            SQLSMALLINT textLength = 0;
            SQLRETURN rc = SQLGetDiagRec(handleType, handle, record, state, &native, text,
                                         static_cast<SQLSMALLINT>(sizeof text), &textLength);
            if (!SQL_SUCCEEDED(rc)) break;
            if (record == 1) {
                sqlState = reinterpret_cast<const char*>(state);
                nativeCode = native;
            } else {
                message += '\n';
            }
            message += reinterpret_cast<const char*>(text);
        }
    }
    if (message.empty()) message = std::string(context) + " failed";
    throw DatabaseError(sqlState, nativeCode, message);
}
