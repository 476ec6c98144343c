// One ODBC connection to a database: opened from a connection string, runs statements with bound parameters,
// and keeps each statement text prepared for the next time it is used.
// Not thread-safe: whoever shares a connection between threads serialises its use.
#pragma once

#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>

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

// The database engine behind a connection, as far as the statements that differ from one engine to another are
// concerned (see the .cpp: every such difference is in one table there).
enum class DatabaseEngine {
    kSqlite,
    kPostgreSql,
    // Any other engine: plain SQL and the driver's own transactions.
    kOther,
};

// Whether the ODBC configuration that the driver manager reads (the user's and the system's odbc.ini, or the files
// that ODBCINI and ODBCSYSINI name) defines a data source called `name` (letter case aside).
bool isDataSourceDefined(std::string_view name);
// Where data source `name` points, as its odbc.ini entry says: "host:port/database" from the keys that drivers for
// servers use (Servername or Server, Port, Database), with the parts that are missing left out; empty when it
// names no server (a file's data source, say).
std::string dataSourceServer(const std::string& name);

class OdbcConnection {
public:
    OdbcConnection();
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    // Connects with `connectionString` without prompting. An open connection is closed first. Once the engine is
    // known, the connection is made as that engine needs it (see the engine table in the .cpp): for PostgreSQL the
    // driver is asked to leave failed statements to us, and the session's client encoding is GBK, the program's
    // code page, whatever the data source says.
    // \throws DatabaseError when the driver manager or the driver refuses.
    void open(const std::string& connectionString);
    bool isOpen() const noexcept;
    // Whether the driver knows the connection to be gone (the server ended the session, the network dropped): every
    // statement on it then fails, and only a new connection helps. Asks the driver, without a round trip.
    bool isDead() const noexcept;
    // The engine of the open connection (kOther when none is open).
    DatabaseEngine engine() const noexcept;

    // Whether the database can hold `text` byte for byte. SQLite holds any bytes. PostgreSQL stores text as
    // Unicode and converts it from and to the session's GBK, so a text must be well-formed GBK without a NUL byte
    // (and the server refuses the few well-formed pairs that name no character).
    bool canStore(std::string_view text) const noexcept;
    // \throws DatabaseError (SQLSTATE 22021, saying which byte and why) for the first text of `params` that the
    // database cannot hold, before anything is sent. execute() and OdbcRecordSet::open() call it.
    void refuseUnstorable(std::span<const SqlParameter> params) const;
    // Rolls back what a transaction left uncommitted and disconnects. Never throws.
    void close() noexcept;

    // Runs a statement that returns no rows, with `params` bound to its "?" in order. Inside a transaction, a
    // statement that fails is undone alone and the transaction goes on, on every engine (where the engine would
    // otherwise refuse the rest of the transaction, the statement runs under a savepoint of its own).
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
    // disk, an I/O error, or a trigger's RAISE(ROLLBACK); PostgreSQL refuses the rest of a transaction in which a
    // query failed, or which it chose to fail as it could not be kept apart from another): nothing of it will be
    // committed. Until rollback(), every
    // statement on the connection is refused (SQLSTATE 40000) rather than run on its own in auto-commit mode, and
    // commit() fails. Known on SQLite for kWrite transactions and on PostgreSQL for every transaction; false
    // otherwise.
    bool transactionLost() const noexcept { return m_lost; }

    // Called after a statement of this connection failed (OdbcRecordSet does so too): inside a transaction, asks
    // the engine whether the transaction still stands (where it can tell), and marks it lost when not. Never throws.
    void statementFailed() noexcept;

    // Runs a statement that controls the open transaction ("savepoint", "release savepoint", "rollback to
    // savepoint"): as execute(), but never under a savepoint of its own. For Savepoint.
    void executeControl(const std::string& sql);

    // For OdbcRecordSet: a prepared statement for `sql`, marked in use until handed back with release().
    // Kept for reuse when the text is seen again. \throws DatabaseError
    OdbcStatement& acquire(const std::string& sql);
    void release(OdbcStatement& statement) noexcept;

private:
    void runGuarded(const std::string& sql, std::span<const SqlParameter> params);
    void runStatement(const std::string& sql, std::span<const SqlParameter> params, bool probeOnFailure);

    struct Impl;
    std::unique_ptr<Impl> m_impl;
    bool m_inTransaction = false;
    bool m_lost = false;
};
