#include "platform/OdbcConnection.h"

#include <sql.h>
#include <sqlext.h>

#include <cctype>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/DatabaseError.h"
#include "platform/OdbcDiagnostics.h"
#include "platform/OdbcHandle.h"
#include "platform/OdbcStatement.h"

namespace {

// The store uses a dozen statement texts; past this many, a text is prepared for one use only, so a caller that
// builds texts freely cannot grow the cache without bound.
constexpr std::size_t kMaxCachedStatements = 64;

DatabaseError notOpen() { return DatabaseError("08003", 0, "The database connection is not open."); }

DatabaseError transactionLostError() {
    return DatabaseError("40000", 0,
                         "The database ended the transaction on its own after an earlier error; nothing more runs in "
                         "it, and none of it is committed.");
}

// The statements of a write transaction that differ from one engine to another, all in this one place.
struct EngineForms {
    // Starts a transaction that holds the write lock from its start. Null where the engine has no such statement:
    // the driver's own transaction is used then.
    const char* beginWrite;
    const char* commit;
    const char* rollback;
    // A statement that fails inside an open transaction and, outside one, succeeds and starts an empty one that
    // holds no lock: whether it runs tells whether the engine still holds the transaction. Null where there is
    // none; a lost transaction then goes unnoticed until its commit.
    const char* outsideTransactionOnly;
};

// SQLite: "begin" waits for no lock (a deferred transaction takes its locks as its statements run), so a write
// batch asks for "begin immediate". Auto-commit stays on in the driver, which then neither starts a transaction
// of its own before each statement nor believes in one the engine has ended.
constexpr EngineForms kSqliteForms{"begin immediate", "commit", "rollback", "begin"};
// Any other engine: the driver's transaction, with locks as the engine takes them.
constexpr EngineForms kOtherForms{nullptr, nullptr, nullptr, nullptr};

const EngineForms& formsFor(SQLHDBC dbc) {
    SQLCHAR name[128] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_DBMS_NAME, name, sizeof name, &length))) return kOtherForms;
    std::string engine(reinterpret_cast<const char*>(name));
    for (char& c : engine) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return engine.rfind("sqlite", 0) == 0 ? kSqliteForms : kOtherForms;
}

// Runs `sql` on a statement handle of its own, outside the cache and the lost-transaction guard: for ending or
// probing a transaction. True when it ran.
bool runDirect(SQLHDBC dbc, const char* sql) noexcept {
    try {
        OdbcHandle statement(SQL_HANDLE_STMT, dbc);
        std::string text = sql;
        return SQL_SUCCEEDED(
            SQLExecDirect(statement.get(), reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size())));
    } catch (const DatabaseError&) {
        return false;
    }
}

} // namespace

struct OdbcConnection::Impl {
    OdbcHandle environment;
    OdbcHandle connection;
    bool connected = false;
    std::unordered_map<std::string, std::unique_ptr<OdbcStatement>> cache;
    // Statements handed out while their cached twin was busy; freed on release.
    std::vector<std::unique_ptr<OdbcStatement>> loose;
    // The isolation to give back to the connection when the open transaction ends, if that one asked for another.
    std::optional<SQLUINTEGER> isolationToRestore;
    const EngineForms* forms = &kOtherForms;
    // The open transaction was started with the engine's own statement (forms->beginWrite), not by the driver.
    bool engineTransaction = false;

    void restoreIsolation() noexcept {
        if (!isolationToRestore) return;
        SQLSetConnectAttr(connection.get(), SQL_ATTR_TXN_ISOLATION,
                          reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(*isolationToRestore)), SQL_IS_UINTEGER);
        isolationToRestore.reset();
    }
};

OdbcConnection::OdbcConnection() : m_impl(std::make_unique<Impl>()) {}

OdbcConnection::~OdbcConnection() { close(); }

void OdbcConnection::open(const std::string& connectionString) {
    close();
    if (connectionString.size() > 32767) throw DatabaseError("HY090", 0, "The connection string is too long.");
    Impl& impl = *m_impl;
    impl.environment = OdbcHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    SQLRETURN rc = SQLSetEnvAttr(impl.environment.get(), SQL_ATTR_ODBC_VERSION,
                                 reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    checkOdbc(rc, SQL_HANDLE_ENV, impl.environment.get(), "setting the ODBC version");
    impl.connection = OdbcHandle(SQL_HANDLE_DBC, impl.environment.get());
    std::string text = connectionString;
    SQLSMALLINT outLength = 0;
    rc = SQLDriverConnect(impl.connection.get(), nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                          static_cast<SQLSMALLINT>(text.size()), nullptr, 0, &outLength, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        try {
            throwOdbcError(SQL_HANDLE_DBC, impl.connection.get(), "connecting to the database");
        } catch (...) {
            impl.connection.reset();
            impl.environment.reset();
            throw;
        }
    }
    impl.connected = true;
    impl.forms = &formsFor(impl.connection.get());
}

bool OdbcConnection::isOpen() const noexcept { return m_impl->connected; }

void OdbcConnection::close() noexcept {
    Impl& impl = *m_impl;
    impl.loose.clear();
    impl.cache.clear();
    if (impl.connected) {
        if (m_inTransaction) rollback();
        SQLDisconnect(impl.connection.get());
        impl.connected = false;
    }
    impl.connection.reset();
    impl.environment.reset();
}

void OdbcConnection::execute(const std::string& sql, std::initializer_list<SqlParameter> params) {
    execute(sql, std::span<const SqlParameter>(params.begin(), params.size()));
}

void OdbcConnection::execute(const std::string& sql, std::span<const SqlParameter> params) {
    OdbcStatement& statement = acquire(sql);
    try {
        statement.execute(params);
    } catch (...) {
        release(statement);
        statementFailed();
        throw;
    }
    release(statement);
}

OdbcStatement& OdbcConnection::acquire(const std::string& sql) {
    Impl& impl = *m_impl;
    if (!impl.connected) throw notOpen();
    if (m_lost) throw transactionLostError();
    auto found = impl.cache.find(sql);
    if (found != impl.cache.end() && !found->second->inUse) {
        found->second->inUse = true;
        return *found->second;
    }
    auto statement = std::make_unique<OdbcStatement>(impl.connection.get(), sql);
    statement->inUse = true;
    OdbcStatement& result = *statement;
    if (found == impl.cache.end() && impl.cache.size() < kMaxCachedStatements)
        impl.cache.emplace(sql, std::move(statement));
    else
        impl.loose.push_back(std::move(statement));
    return result;
}

void OdbcConnection::release(OdbcStatement& statement) noexcept {
    statement.closeCursor();
    statement.inUse = false;
    auto& loose = m_impl->loose;
    for (auto it = loose.begin(); it != loose.end(); ++it) {
        if (it->get() == &statement) {
            loose.erase(it);
            return;
        }
    }
}

void OdbcConnection::beginTransaction(TransactionIsolation isolation, TransactionAccess access) {
    Impl& impl = *m_impl;
    if (!impl.connected) throw notOpen();
    if (m_inTransaction) throw DatabaseError("25000", 0, "A transaction is already open on this connection.");
    if (access == TransactionAccess::kWrite && impl.forms->beginWrite) {
        // SQLite runs every transaction as if alone (one writer, readers on a snapshot), so it is serializable
        // whatever the isolation asked for. A failed begin leaves no transaction.
        execute(impl.forms->beginWrite);
        impl.engineTransaction = true;
        m_inTransaction = true;
        m_lost = false;
        return;
    }
    SQLHDBC dbc = impl.connection.get();
    if (isolation == TransactionIsolation::kSerializable) {
        // The level can only change between transactions, so it is set here and given back when this one ends.
        SQLUINTEGER current = 0;
        SQLRETURN rc = SQLGetConnectAttr(dbc, SQL_ATTR_TXN_ISOLATION, &current, SQL_IS_UINTEGER, nullptr);
        checkOdbc(rc, SQL_HANDLE_DBC, dbc, "reading the transaction isolation");
        if (current != SQL_TXN_SERIALIZABLE) {
            rc = SQLSetConnectAttr(dbc, SQL_ATTR_TXN_ISOLATION, reinterpret_cast<SQLPOINTER>(SQL_TXN_SERIALIZABLE),
                                   SQL_IS_UINTEGER);
            checkOdbc(rc, SQL_HANDLE_DBC, dbc, "asking for serializable transactions");
            impl.isolationToRestore = current;
        }
    }
    SQLRETURN rc = SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                                     SQL_IS_UINTEGER);
    if (!SQL_SUCCEEDED(rc)) {
        try {
            throwOdbcError(SQL_HANDLE_DBC, dbc, "starting a transaction");
        } catch (...) {
            impl.restoreIsolation();
            throw;
        }
    }
    m_inTransaction = true;
}

void OdbcConnection::commit() {
    Impl& impl = *m_impl;
    if (!impl.connected) throw notOpen();
    if (!m_inTransaction) return;
    if (m_lost) throw transactionLostError();
    if (impl.engineTransaction) {
        // A failed commit leaves the transaction open (SQLite: busy) or ended by the engine (lost); either way
        // nothing of it is committed, and rollback() ends it.
        execute(impl.forms->commit);
        impl.engineTransaction = false;
        m_inTransaction = false;
        return;
    }
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, impl.connection.get(), SQL_COMMIT);
    checkOdbc(rc, SQL_HANDLE_DBC, impl.connection.get(), "committing a transaction");
    m_inTransaction = false;
    rc = SQLSetConnectAttr(impl.connection.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                           SQL_IS_UINTEGER);
    impl.restoreIsolation();
    checkOdbc(rc, SQL_HANDLE_DBC, impl.connection.get(), "ending a transaction");
}

void OdbcConnection::rollback() noexcept {
    Impl& impl = *m_impl;
    if (!impl.connected || !m_inTransaction) return;
    SQLHDBC dbc = impl.connection.get();
    if (impl.engineTransaction) {
        // Fails harmlessly where the engine holds no transaction any more.
        runDirect(dbc, impl.forms->rollback);
        impl.engineTransaction = false;
        m_inTransaction = false;
        m_lost = false;
        return;
    }
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK))) {
        // The engine may have ended the transaction on its own: SQLite rolls back the whole transaction on a full
        // disk, some I/O errors or a trigger's RAISE(ROLLBACK). Its driver keeps believing in the transaction and
        // fails every rollback and commit from then on, and it starts no new transaction, so every later
        // "transaction" on this connection would run in auto-commit mode, statement by statement. Giving the
        // engine a transaction to end lets the driver's rollback through and puts the two back in step. Where the
        // rollback failed for another reason, this changes nothing: "begin" fails, or starts what is then ended.
        try {
            OdbcHandle statement(SQL_HANDLE_STMT, dbc);
            SQLCHAR begin[] = "begin";
            if (SQL_SUCCEEDED(SQLExecDirect(statement.get(), begin, SQL_NTS)))
                SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
        } catch (const DatabaseError&) {
            // No statement handle: nothing more to try.
        }
    }
    SQLSetConnectAttr(impl.connection.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                      SQL_IS_UINTEGER);
    impl.restoreIsolation();
    m_inTransaction = false;
}

void OdbcConnection::statementFailed() noexcept {
    Impl& impl = *m_impl;
    if (!impl.connected || !m_inTransaction || m_lost || !impl.engineTransaction || !impl.forms->outsideTransactionOnly)
        return;
    SQLHDBC dbc = impl.connection.get();
    if (runDirect(dbc, impl.forms->outsideTransactionOnly)) {
        // The engine held no transaction: it had ended ours. The probe's own empty one goes at once.
        runDirect(dbc, impl.forms->rollback);
        m_lost = true;
    }
}
