// The book a test works on, on the engine that the test run asks for: PostgreSQL when CORVANE_TEST_PG_SERVER names
// the folder of the throw-away server that scripts/pg-server.sh started (ctest sets it for the second run of each
// store test), SQLite otherwise.
#pragma once

#include <string>

enum class TestEngine { kSqlite, kPostgreSql };

// The engine of this test run. A PostgreSQL run without a server fails the test that asks, with the reason.
TestEngine CurrentTestEngine();
inline bool OnPostgreSql() {
    return CurrentTestEngine() == TestEngine::kPostgreSql;
}

// A fresh book of its own for one test, as a program started in `folder` opens it (AddressStore::OpenDatabase):
// on SQLite the file "Corvane.bin" of `folder`, made by the project's tool; on PostgreSQL a fresh database on the
// test server with the tool's tables, and the data source "Corvane" for it in an odbc.ini of the book's own, which
// ODBCINI names while the book lives (so child processes started meanwhile open it too). The database goes with
// the book. On SQLite, ODBCINI names an empty file, so that no data source of the machine's stands in the way.
class TestBook {
public:
    // `withTables`: false leaves the database (PostgreSQL) without tables; on SQLite no file is made then.
    explicit TestBook(const std::string& folder, bool withTables = true);
    ~TestBook();
    TestBook(const TestBook&) = delete;
    TestBook& operator=(const TestBook&) = delete;

    // A connection string for a second connection to the same book, as another program would open it.
    std::string connectionString() const;
    // PostgreSQL: the database's name.
    const std::string& databaseName() const { return m_database; }
    // PostgreSQL: where the data source points, "host:port/database".
    std::string serverAddress() const;

    // PostgreSQL: a connection string for the test server's maintenance database, for making and dropping
    // databases, and the values of the server's description (server.env): PGHOST, PGPORT, PGUSER, PGPASSWORD.
    static std::string serverConnectionString(const std::string& database = "postgres");
    static std::string serverValue(const std::string& name);

private:
    std::string m_folder;
    std::string m_iniFolder;
    std::string m_database;
};
