// The one error type of the database layer: what the ODBC driver said about a failed call
// (SQLSTATE, the driver's native code and its message text).
#pragma once

#include <stdexcept>
#include <string>

class DatabaseError : public std::runtime_error {
public:
    DatabaseError(std::string sqlState, long nativeCode, std::string message);

    // Five-character SQLSTATE, e.g. "23000"; "HY000" when the driver gave none.
    const std::string& sqlState() const noexcept { return m_sqlState; }
    long nativeCode() const noexcept { return m_nativeCode; }
    // The driver's own text, unchanged. what() adds the SQLSTATE and native code to it.
    const std::string& message() const noexcept { return m_message; }

private:
    std::string m_sqlState;
    long m_nativeCode;
    std::string m_message;
};
