#include "platform/OdbcConnection.h"

#include <sql.h>
#include <odbcinst.h>
#include <sqlext.h>

#include <cctype>
#include <cstdio>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/CodePage936.h"
#include "platform/DatabaseError.h"
#include "platform/EngineForms.h"
#include "platform/OdbcDiagnostics.h"
#include "platform/OdbcHandle.h"
#include "platform/OdbcStatement.h"

namespace {

// The store uses a dozen statement texts; past this many, a text is prepared for one use only, so a caller that
// builds texts freely cannot grow the cache without bound.
constexpr std::size_t kMaxCachedStatements = 64;

DatabaseError notOpen() {
    return DatabaseError("08003", 0, "The database connection is not open.");
}

DatabaseError transactionLostError() {
    return DatabaseError("40000", 0,
                         "The database ended the transaction on its own after an earlier error; nothing more runs in "
                         "it, and none of it is committed.");
}

const EngineForms& formsFor(SQLHDBC dbc) {
    SQLCHAR name[128] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_DBMS_NAME, name, sizeof name, &length))) return otherEngineForms();
    return engineFormsFor(reinterpret_cast<const char*>(name));
}

// Why the engine cannot hold `text` under `rule`, or an empty text when it can.
std::string unstorableReason(TextRule rule, std::string_view text) {
    if (rule == TextRule::kAnyBytes) return {};
    const std::size_t nul = text.find('\0');
    const std::size_t malformed = findMalformedCp936(text);
    if (nul == std::string_view::npos && malformed == std::string_view::npos) return {};
    char hex[8];
    if (malformed != std::string_view::npos && (nul == std::string_view::npos || malformed < nul)) {
        std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(text[malformed]));
        return "This database cannot store the text: it is not valid GBK (code page 936) text at byte " +
               std::to_string(malformed + 1) + " (" + hex + "). Nothing was written.";
    }
    return "This database cannot store the text: it holds a NUL byte (byte " + std::to_string(nul + 1) +
           "). Nothing was written.";
}

// Runs `sql` on a statement handle of its own, outside the cache and the lost-transaction guard: for ending or
// probing a transaction. True when it ran.
bool runDirect(SQLHDBC dbc, const char* sql) noexcept {
    try {
        OdbcHandle statement(SQL_HANDLE_STMT, dbc);
        std::string text = sql;
        return SQL_SUCCEEDED(SQLExecDirect(statement.get(), reinterpret_cast<SQLCHAR*>(text.data()),
                                           static_cast<SQLINTEGER>(text.size())));
    } catch (const DatabaseError&) {
        return false;
    }
}

// As runDirect, for the statements that set a new session up. \throws DatabaseError
void runDirectOrThrow(SQLHDBC dbc, const char* sql) {
    OdbcHandle statement(SQL_HANDLE_STMT, dbc);
    std::string text = sql;
    SQLRETURN rc =
        SQLExecDirect(statement.get(), reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
    if (rc != SQL_NO_DATA) checkOdbc(rc, SQL_HANDLE_STMT, statement.get(), "setting up the session");
}

} // namespace

bool isDataSourceDefined(std::string_view name) {
    auto lower = [](std::string_view text) {
        std::string result(text);
        for (char& c : result)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return result;
    };
    const std::string wanted = lower(name);
    try {
        OdbcHandle environment(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
        if (!SQL_SUCCEEDED(
                SQLSetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)))
            return false;
        SQLCHAR found[SQL_MAX_DSN_LENGTH + 64] = {};
        SQLCHAR description[512] = {};
        SQLSMALLINT foundLength = 0, descriptionLength = 0;
        for (SQLUSMALLINT direction = SQL_FETCH_FIRST;; direction = SQL_FETCH_NEXT) {
            const SQLRETURN rc = SQLDataSources(environment.get(), direction, found, sizeof found, &foundLength,
                                                description, sizeof description, &descriptionLength);
            if (!SQL_SUCCEEDED(rc)) return false;
            if (lower(reinterpret_cast<const char*>(found)) == wanted) return true;
        }
    } catch (const DatabaseError&) {
        return false;
    }
}

struct OdbcConnection::Impl {
    OdbcHandle environment;
    OdbcHandle connection;
    bool connected = false;
    std::unordered_map<std::string, std::unique_ptr<OdbcStatement>> cache;
    // Statements handed out while their cached twin was busy; freed on release.
    std::vector<std::unique_ptr<OdbcStatement>> loose;
    // The isolation to give back to the connection when the open transaction ends, if that one asked for another.
    std::optional<SQLUINTEGER> isolationToRestore;
    const EngineForms* forms = &otherEngineForms();
    // The open transaction was started with the engine's own statement (forms->beginWrite), not by the driver.
    bool engineTransaction = false;

    // Connects with `text`; on failure throws the driver's error and leaves no handle.
    void connect(std::string text) {
        environment = OdbcHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
        SQLRETURN rc =
            SQLSetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        checkOdbc(rc, SQL_HANDLE_ENV, environment.get(), "setting the ODBC version");
        connection = OdbcHandle(SQL_HANDLE_DBC, environment.get());
        SQLSMALLINT outLength = 0;
        rc = SQLDriverConnect(connection.get(), nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                              static_cast<SQLSMALLINT>(text.size()), nullptr, 0, &outLength, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) {
            try {
                throwOdbcError(SQL_HANDLE_DBC, connection.get(), "connecting to the database");
            } catch (...) {
                connection.reset();
                environment.reset();
                throw;
            }
        }
        connected = true;
    }

    void disconnect() noexcept {
        loose.clear();
        cache.clear();
        if (connected) SQLDisconnect(connection.get());
        connected = false;
        connection.reset();
        environment.reset();
    }

    void restoreIsolation() noexcept {
        if (!isolationToRestore) return;
        SQLSetConnectAttr(connection.get(), SQL_ATTR_TXN_ISOLATION,
                          reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(*isolationToRestore)), SQL_IS_UINTEGER);
        isolationToRestore.reset();
    }
};

OdbcConnection::OdbcConnection() : m_impl(std::make_unique<Impl>()) {}

OdbcConnection::~OdbcConnection() {
    close();
}

void OdbcConnection::open(const std::string& connectionString) {
    close();
    if (connectionString.size() > 32000) throw DatabaseError("HY090", 0, "The connection string is too long.");
    Impl& impl = *m_impl;
    impl.connect(connectionString);
    impl.forms = &formsFor(impl.connection.get());
    if (impl.forms->connectOptions) {
        // Options of the engine's driver can only be given as the connection is made.
        impl.disconnect();
        std::string text = connectionString;
        if (!text.empty() && text.back() != ';') text += ';';
        impl.connect(text + impl.forms->connectOptions);
    }
    try {
        for (const char* statement : impl.forms->sessionSetup)
            runDirectOrThrow(impl.connection.get(), statement);
    } catch (...) {
        impl.disconnect();
        impl.forms = &otherEngineForms();
        throw;
    }
}

bool OdbcConnection::isOpen() const noexcept {
    return m_impl->connected;
}

bool OdbcConnection::isDead() const noexcept {
    if (!m_impl->connected) return false;
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN rc =
        SQLGetConnectAttr(m_impl->connection.get(), SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr);
    return SQL_SUCCEEDED(rc) && dead == SQL_CD_TRUE;
}

DatabaseEngine OdbcConnection::engine() const noexcept {
    return m_impl->connected ? m_impl->forms->engine : DatabaseEngine::kOther;
}

bool OdbcConnection::canStore(std::string_view text) const noexcept {
    return unstorableReason(m_impl->forms->texts, text).empty();
}

void OdbcConnection::refuseUnstorable(std::span<const SqlParameter> params) const {
    const TextRule rule = m_impl->forms->texts;
    if (rule == TextRule::kAnyBytes) return;
    for (const SqlParameter& param : params) {
        const auto* text = std::get_if<std::string_view>(&param);
        if (!text) continue;
        std::string reason = unstorableReason(rule, *text);
        if (!reason.empty()) throw DatabaseError("22021", 0, std::move(reason));
    }
}

void OdbcConnection::close() noexcept {
    Impl& impl = *m_impl;
    impl.loose.clear();
    impl.cache.clear();
    if (impl.connected && m_inTransaction) rollback();
    impl.disconnect();
    impl.forms = &otherEngineForms();
    m_inTransaction = false;
    m_lost = false;
}

void OdbcConnection::execute(const std::string& sql, std::initializer_list<SqlParameter> params) {
    execute(sql, std::span<const SqlParameter>(params.begin(), params.size()));
}

void OdbcConnection::execute(const std::string& sql, std::span<const SqlParameter> params) {
    Impl& impl = *m_impl;
    if (impl.connected && !m_lost) refuseUnstorable(params);
    if (m_inTransaction && impl.forms->guardWrites)
        runGuarded(sql, params);
    else
        runStatement(sql, params, true);
}

void OdbcConnection::executeControl(const std::string& sql) {
    runStatement(sql, {}, true);
}

void OdbcConnection::runGuarded(const std::string& sql, std::span<const SqlParameter> params) {
    constexpr char kSavepoint[] = "savepoint corvane_statement";
    constexpr char kRelease[] = "release savepoint corvane_statement";
    constexpr char kRollback[] = "rollback to savepoint corvane_statement";
    runStatement(kSavepoint, {}, true);
    try {
        runStatement(sql, params, false);
    } catch (const DatabaseError&) {
        // The statement alone is undone and the transaction goes on. Should even that fail, the probe that follows
        // marks the transaction lost.
        SQLHDBC dbc = m_impl->connection.get();
        if (runDirect(dbc, kRollback)) runDirect(dbc, kRelease);
        statementFailed();
        throw;
    }
    runStatement(kRelease, {}, true);
}

void OdbcConnection::runStatement(const std::string& sql, std::span<const SqlParameter> params, bool probeOnFailure) {
    OdbcStatement& statement = acquire(sql);
    try {
        statement.execute(params);
    } catch (...) {
        release(statement);
        if (probeOnFailure) statementFailed();
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
    auto statement = std::make_unique<OdbcStatement>(impl.connection.get(), sql, impl.forms->textAsBytes);
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
    SQLRETURN rc =
        SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER);
    if (!SQL_SUCCEEDED(rc)) {
        try {
            throwOdbcError(SQL_HANDLE_DBC, dbc, "starting a transaction");
        } catch (...) {
            impl.restoreIsolation();
            throw;
        }
    }
    m_inTransaction = true;
    m_lost = false;
    if (access == TransactionAccess::kWrite && impl.forms->takeWriteLock) {
        // Waits for another program's write batch up to the session's lock time-out. A failed begin leaves no
        // transaction.
        try {
            runStatement(impl.forms->takeWriteLock, {}, false);
        } catch (...) {
            rollback();
            throw;
        }
    }
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
    m_lost = false;
}

void OdbcConnection::statementFailed() noexcept {
    Impl& impl = *m_impl;
    if (!impl.connected || !m_inTransaction || m_lost) return;
    SQLHDBC dbc = impl.connection.get();
    if (impl.engineTransaction && impl.forms->outsideTransactionOnly) {
        if (runDirect(dbc, impl.forms->outsideTransactionOnly)) {
            // The engine held no transaction: it had ended ours. The probe's own empty one goes at once.
            runDirect(dbc, impl.forms->rollback);
            m_lost = true;
        }
    } else if (!impl.engineTransaction && impl.forms->failsInAnAbortedTransaction) {
        // The engine refuses everything but a rollback in a transaction in which a statement failed unguarded.
        if (!runDirect(dbc, impl.forms->failsInAnAbortedTransaction)) m_lost = true;
    }
}

std::string dataSourceServer(const std::string& name) {
    const auto entry = [&name](const char* key) {
        char value[256] = {};
        const int length = SQLGetPrivateProfileString(name.c_str(), key, "", value, sizeof value, "odbc.ini");
        return length > 0 ? std::string(value, static_cast<std::size_t>(length)) : std::string();
    };
    std::string server = entry("Servername");
    if (server.empty()) server = entry("Server");
    if (server.empty()) return {};
    const std::string port = entry("Port");
    const std::string database = entry("Database");
    if (!port.empty()) server += ":" + port;
    if (!database.empty()) server += "/" + database;
    return server;
}
