#include "platform/OdbcConnection.h"

#include <sql.h>
#include <sqlext.h>

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

} // namespace

struct OdbcConnection::Impl {
    OdbcHandle environment;
    OdbcHandle connection;
    bool connected = false;
    std::unordered_map<std::string, std::unique_ptr<OdbcStatement>> cache;
    // Statements handed out while their cached twin was busy; freed on release.
    std::vector<std::unique_ptr<OdbcStatement>> loose;
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
    OdbcStatement& statement = acquire(sql);
    try {
        statement.execute(params);
    } catch (...) {
        release(statement);
        throw;
    }
    release(statement);
}

OdbcStatement& OdbcConnection::acquire(const std::string& sql) {
    Impl& impl = *m_impl;
    if (!impl.connected) throw notOpen();
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

void OdbcConnection::beginTransaction() {
    Impl& impl = *m_impl;
    if (!impl.connected) throw notOpen();
    if (m_inTransaction) throw DatabaseError("25000", 0, "A transaction is already open on this connection.");
    SQLRETURN rc = SQLSetConnectAttr(impl.connection.get(), SQL_ATTR_AUTOCOMMIT,
                                     reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER);
    checkOdbc(rc, SQL_HANDLE_DBC, impl.connection.get(), "starting a transaction");
    m_inTransaction = true;
}

void OdbcConnection::commit() {
    Impl& impl = *m_impl;
    if (!impl.connected) throw notOpen();
    if (!m_inTransaction) return;
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, impl.connection.get(), SQL_COMMIT);
    checkOdbc(rc, SQL_HANDLE_DBC, impl.connection.get(), "committing a transaction");
    m_inTransaction = false;
    rc = SQLSetConnectAttr(impl.connection.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                           SQL_IS_UINTEGER);
    checkOdbc(rc, SQL_HANDLE_DBC, impl.connection.get(), "ending a transaction");
}

void OdbcConnection::rollback() noexcept {
    Impl& impl = *m_impl;
    if (!impl.connected || !m_inTransaction) return;
    SQLEndTran(SQL_HANDLE_DBC, impl.connection.get(), SQL_ROLLBACK);
    SQLSetConnectAttr(impl.connection.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                      SQL_IS_UINTEGER);
    m_inTransaction = false;
}
