// One ODBC connection to a database: opened from a connection string, runs statements with bound parameters,
// and keeps each statement text prepared for the next time it is used.
// Not thread-safe: whoever shares a connection between threads serialises its use.
#pragma once

#include <initializer_list>
#include <memory>
#include <span>
#include <string>

#include "platform/SqlParameter.h"

class OdbcStatement;

// How far a transaction is kept apart from the transactions of other connections.
enum class TransactionIsolation {
    // What the driver gives by default.
    kDefault,
    // As if the transactions ran one after the other. Asked for by work that must not mix with the same work of
    // another program: an engine that cannot keep two such transactions apart fails one of them instead.
    kSerializable,
};

class OdbcConnection {
public:
    OdbcConnection();
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    // Connects with `connectionString` without prompting. An open connection is closed first.
    // \throws DatabaseError when the driver manager or the driver refuses.
    void open(const std::string& connectionString);
    bool isOpen() const noexcept;
    // Rolls back what a transaction left uncommitted and disconnects. Never throws.
    void close() noexcept;

    // Runs a statement that returns no rows, with `params` bound to its "?" in order.
    // \throws DatabaseError, also when the connection is not open.
    void execute(const std::string& sql, std::initializer_list<SqlParameter> params = {});
    void execute(const std::string& sql, std::span<const SqlParameter> params);

    // Auto-commit is on unless a transaction is open; see Transaction. The isolation asked for holds for that
    // transaction only; the connection's own comes back when it ends.
    // \throws DatabaseError, also when the driver cannot give the isolation asked for.
    void beginTransaction(TransactionIsolation isolation = TransactionIsolation::kDefault);
    void commit();
    void rollback() noexcept;
    bool inTransaction() const noexcept { return m_inTransaction; }

    // For OdbcRecordSet: a prepared statement for `sql`, marked in use until handed back with release().
    // Kept for reuse when the text is seen again. \throws DatabaseError
    OdbcStatement& acquire(const std::string& sql);
    void release(OdbcStatement& statement) noexcept;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    bool m_inTransaction = false;
};
