#include "support/TestBook.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "platform/DatabaseError.h"
#include "platform/OdbcConnection.h"
#include "store/DatabaseFile.h"
#include "tools/CreateDatabase.h"

namespace {

std::map<std::string, std::string> readServerDescription() {
    const char* folder = std::getenv("CORVANE_TEST_PG_SERVER");
    if (!folder || !*folder) throw std::runtime_error("CORVANE_TEST_PG_SERVER names no server folder");
    const std::string path = std::string(folder) + "/server.env";
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("the PostgreSQL test server did not start: there is no " + path +
                                 " (see the output of the test pg_server_start)");
    std::map<std::string, std::string> values;
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t at = line.find('=');
        if (at != std::string::npos) values[line.substr(0, at)] = line.substr(at + 1);
    }
    return values;
}

const std::map<std::string, std::string>& serverDescription() {
    static const std::map<std::string, std::string> values = readServerDescription();
    return values;
}

// The folder of this process's odbc.ini. One file and one database name for every book of a process: the driver
// manager keeps what it read of the ODBC configuration for a while, by data source and key, whatever file ODBCINI
// names, so a second book under the same name in another file could be reached at the first one's database.
std::string iniFolder() {
    const std::string folder =
        (std::filesystem::temp_directory_path() / ("corvane-dsn-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(folder);
    return folder;
}

} // namespace

TestEngine CurrentTestEngine() {
    const char* server = std::getenv("CORVANE_TEST_PG_SERVER");
    return server && *server ? TestEngine::kPostgreSql : TestEngine::kSqlite;
}

std::string TestBook::serverAddress() const {
    return serverValue("PGHOST") + ":" + serverValue("PGPORT") + "/" + m_database;
}

std::string TestBook::serverValue(const std::string& name) {
    const auto& values = serverDescription();
    const auto found = values.find(name);
    if (found == values.end()) throw std::runtime_error("the test server's description has no " + name);
    return found->second;
}

std::string TestBook::serverConnectionString(const std::string& database) {
    return "Driver=PostgreSQL ANSI;Servername=" + serverValue("PGHOST") + ";Port=" + serverValue("PGPORT") +
           ";Database=" + database + ";Username=" + serverValue("PGUSER") + ";Password=" + serverValue("PGPASSWORD");
}

TestBook::TestBook(const std::string& folder, bool withTables) : m_folder(folder) {
    m_iniFolder = iniFolder();
    const std::string ini = m_iniFolder + "/odbc.ini";
    if (!OnPostgreSql()) {
        std::ofstream(ini) << "";
        ::setenv("ODBCINI", ini.c_str(), 1);
        if (!withTables) return;
        std::string error;
        if (createDatabase(folder, builtInSchema(), error) != CreateDatabaseResult::kCreated)
            throw std::runtime_error("cannot create the test database: " + error);
        return;
    }
    m_database = "corvane_t" + std::to_string(::getpid());
    {
        OdbcConnection server;
        server.open(serverConnectionString());
        server.execute("drop database if exists " + m_database);
        // A UTF-8 database as a team's would be; copied from the empty template0 so that no other session's use of
        // a template can hold it up.
        server.execute("create database " + m_database + " encoding 'UTF8' template template0");
    }
    std::ofstream(ini) << "[Corvane]\n"
                       << "Driver = PostgreSQL ANSI\n"
                       << "Servername = " << serverValue("PGHOST") << "\n"
                       << "Port = " << serverValue("PGPORT") << "\n"
                       << "Database = " << m_database << "\n"
                       << "Username = " << serverValue("PGUSER") << "\n"
                       << "Password = " << serverValue("PGPASSWORD") << "\n"
                       << "ConnSettings = SET client_encoding TO 'GBK'\n";
    ::setenv("ODBCINI", ini.c_str(), 1);
    if (!withTables) return;
    std::string error;
    if (createDatabaseOnDataSource("Corvane", "", error) != CreateDatabaseResult::kCreated)
        throw std::runtime_error("cannot create the test database's tables: " + error);
}

TestBook::~TestBook() {
    if (!m_database.empty()) {
        try {
            OdbcConnection server;
            server.open(serverConnectionString());
            server.execute("drop database if exists " + m_database + " with (force)");
        } catch (const DatabaseError&) {
            // Left for the server's removal at the end of the run.
        }
    }
    ::unsetenv("ODBCINI");
    std::error_code ignored;
    std::filesystem::remove_all(m_iniFolder, ignored);
}

std::string TestBook::connectionString() const {
    if (OnPostgreSql()) return dataSourceConnectionString("Corvane");
    return *connectionStringFor(databaseFilePath(m_folder));
}
