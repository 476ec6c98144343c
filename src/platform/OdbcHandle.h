// Sole owner of one ODBC handle (environment, connection or statement): frees it when it goes.
// Internal to the platform layer.
#pragma once

#include <sql.h>

#include <utility>

class OdbcHandle {
public:
    OdbcHandle() = default;
    // Allocates a handle of `type` under `parent`; throws DatabaseError when the manager refuses.
    OdbcHandle(SQLSMALLINT type, SQLHANDLE parent);
    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;
    OdbcHandle(OdbcHandle&& other) noexcept : m_type(other.m_type), m_handle(std::exchange(other.m_handle, nullptr)) {}
    OdbcHandle& operator=(OdbcHandle&& other) noexcept;
    ~OdbcHandle() { reset(); }

    SQLHANDLE get() const noexcept { return m_handle; }
    SQLSMALLINT type() const noexcept { return m_type; }
    explicit operator bool() const noexcept { return m_handle != SQL_NULL_HANDLE; }

    // Frees the handle now. A connection handle must be disconnected first.
    void reset() noexcept;

private:
    SQLSMALLINT m_type = 0;
    SQLHANDLE m_handle = SQL_NULL_HANDLE;
};
