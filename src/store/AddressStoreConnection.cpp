// The address store's connection: opening the book and refusing one that cannot be used, closing it, and making
// a connection that a statement found gone again. Tested by tests/store/GroupTest.cpp and
// tests/store/ConcurrencyTest.cpp.
#include "store/AddressStore.h"

#include <optional>

#include "Config.h"
#include "platform/DatabaseError.h"
#include "store/CMyRecordset.h"
#include "store/DatabaseFile.h"

namespace {

// What the store's statements need of the book: every table with the columns they name (res/schema.sql). Each
// query compiles against the schema and starts a read, yet its condition holds for no row, so no row is touched
// however large the book. Plain SQL, so it holds on any ODBC database. Reads only: a write, even one that changes
// nothing, takes the write lock, so it would wait behind another program's write transaction (and fail the open
// when that outlasts the driver's time-out).
constexpr const char* kSchemaChecks[] = {
    "select id, name from AddressCata where 1 = 0",
    "select id, group_id, email, name from AddressList where 1 = 0",
    "select id, keyword from SearchKey where 1 = 0",
    "select id, site, url from Links where 1 = 0",
};

// The driver's text for the first thing that makes the book unusable, or an empty text when the book will do.
// The driver connects to a file that is not a database, a damaged one or one without our tables, and only the
// first statement finds out; the same goes for a book whose folder cannot take its journal (in WAL mode even a
// read needs the -wal and -shm files beside the book). Better to find out here than at the window's first read.
std::string unusableBookReason(OdbcConnection& connection) {
    try {
        for (const char* query : kSchemaChecks) {
            CMyRecordset records(connection);
            records.open(query, {}, CMyRecordset::Reading::kRowsOnly);
            records.close();
        }
    } catch (const DatabaseError& error) {
        return error.what();
    }
    return {};
}

// Whether `error` says that the connection itself is gone (a server that restarted or ended the session, a network
// that dropped), rather than that one statement failed: SQLSTATE class 08, or PostgreSQL's shutdown codes.
bool connectionGone(const DatabaseError& error) {
    const std::string& state = error.sqlState();
    return state.rfind("08", 0) == 0 || state == "57P01" || state == "57P02" || state == "57P03";
}

} // namespace

bool AddressStore::noteIfConnectionGone(const DatabaseError& error) {
    // Drivers differ in the state they give (psqlODBC: the general HY000), so the driver is asked as well.
    if (m_connectionString.empty() || !(connectionGone(error) || m_connection.isDead())) return false;
    m_connectionGone = true;
    return true;
}

void AddressStore::restoreConnection() {
    // A batch holds the old connection's transaction; the connection is made again once it has ended.
    if (!m_connectionGone || m_batch) return;
    try {
        m_connection.open(m_connectionString);
    } catch (const DatabaseError& error) {
        throw DatabaseError(error.sqlState(), error.nativeCode(),
                            "The connection to the address book was lost and could not be made again: " +
                                error.message());
    }
    m_connectionGone = false;
}

// Connection ---------------------------------------------------------------------------------------------------

namespace {

// The data source's name, and the server it points to when its entry names one: a user who is told that the book
// cannot be opened needs to know which machine to look at.
std::string dataSourceDescription(const std::string& name) {
    const std::string server = dataSourceServer(name);
    return server.empty() ? name : name + " (" + server + ")";
}

} // namespace

bool AddressStore::OpenDatabase(const std::string& startDirectory) {
    return sharedBookDefined() ? openDataSource(kDataSourceName) : openBookFile(startDirectory);
}

bool AddressStore::openBookFile(const std::string& folder) {
    const std::string path = databaseFilePath(folder);
    return openBook(path, unusableBookFileReason(path), connectionStringFor(path));
}

bool AddressStore::openDataSource(const std::string& name) {
    return openBook(dataSourceDescription(name), {}, dataSourceConnectionString(name));
}

bool AddressStore::openBook(const std::string& description, std::string failure,
                            const std::optional<std::string>& connectionString) {
    {
        std::lock_guard lock(m_mutex);
        m_connection.close();
        m_connectionString.clear();
        m_connectionGone = false;
        m_openFailure.clear();
        m_bookDescription = description;
        if (failure.empty()) {
            if (!connectionString) {
                m_openFailure = "The book's path cannot stand in a connection string (it holds \";\" or a brace).";
                return false;
            }
            try {
                m_connection.open(*connectionString);
            } catch (const DatabaseError& error) {
                // A refused connection is a failed open; the caller says so to the user, with the driver's words.
                m_openFailure = error.what();
                return false;
            }
            if (!m_connection.isOpen()) return false;
            failure = unusableBookReason(m_connection);
        }
        if (failure.empty()) {
            m_connectionString = *connectionString;
            return true;
        }
        // Left open, the connection would only fail later, at whatever the window happens to do first.
        m_connection.close();
        m_openFailure = failure;
    }
    // The driver's own words say what is wrong with the file; the caller then says that the open failed.
    report({failure});
    return false;
}

void AddressStore::closeDatabase() {
    std::lock_guard lock(m_mutex);
    m_connection.close();
    m_connectionString.clear();
    m_connectionGone = false;
}

bool AddressStore::IsOpen() {
    std::lock_guard lock(m_mutex);
    return m_connection.isOpen();
}
