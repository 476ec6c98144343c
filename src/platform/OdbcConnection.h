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

// What a transaction is for, so that it can take the database's locks when it begins rather than part way.
enum class TransactionAccess {
    // Locks come as the statements need them: a transaction that reads first and writes later upgrades its read
    // to a write then.
    kDefault,
    // The transaction writes: it takes the database's write lock as it begins, waiting for another writer up to the
    // driver's busy time-out. A transaction that has read a snapshot and only then asks to write fails where
    // another program wrote meanwhile (SQLite in WAL mode fails every such write after the whole busy time-out,
    // and cannot recover inside the transaction); one that holds the write lock from its start never has to ask.
    // Where the engine can tell, the connection also notices when the engine ends such a transaction on its own
    // (see transactionLost()).
    kWrite,
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
    // \throws DatabaseError, also when the driver cannot give the isolation asked for, or (kWrite) when the write
    // lock could not be had within the busy time-out.
    void beginTransaction(TransactionIsolation isolation = TransactionIsolation::kDefault,
                          TransactionAccess access = TransactionAccess::kDefault);
    // \throws DatabaseError; the transaction is then still open (or lost), and rollback() ends it.
    void commit();
    void rollback() noexcept;
    bool inTransaction() const noexcept { return m_inTransaction; }
    // Whether the engine ended the open transaction on its own after a failed statement (SQLite does so on a full
    // disk, an I/O error, or a trigger's RAISE(ROLLBACK)): nothing of it will be committed. Until rollback(), every
    // statement on the connection is refused (SQLSTATE 40000) rather than run on its own in auto-commit mode, and
    // commit() fails. Known for kWrite transactions on engines that can tell (see the .cpp); false otherwise.
    bool transactionLost() const noexcept { return m_lost; }

    // Called after a statement of this connection failed (OdbcRecordSet does so too): inside a kWrite transaction,
    // asks the engine whether the transaction still stands, and marks it lost when not. Never throws.
    void statementFailed() noexcept;

    // For OdbcRecordSet: a prepared statement for `sql`, marked in use until handed back with release().
    // Kept for reuse when the text is seen again. \throws DatabaseError
    OdbcStatement& acquire(const std::string& sql);
    void release(OdbcStatement& statement) noexcept;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    bool m_inTransaction = false;
    bool m_lost = false;
};
