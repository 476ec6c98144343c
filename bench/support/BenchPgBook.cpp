#include "support/BenchPgBook.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>

#include "platform/OdbcConnection.h"
#include "tools/CreateDatabase.h"

namespace {

// The server's description, as scripts/pg-server.sh writes it: PGHOST, PGPORT, PGUSER, PGPASSWORD.
std::map<std::string, std::string> serverValues() {
    std::map<std::string, std::string> values;
    std::ifstream in(std::string(benchPgServer()) + "/server.env");
    for (std::string line; std::getline(in, line);)
        if (const std::size_t at = line.find('='); at != std::string::npos)
            values[line.substr(0, at)] = line.substr(at + 1);
    if (values.empty()) throw std::runtime_error("no PostgreSQL server in " + std::string(benchPgServer()));
    return values;
}

} // namespace

const char* benchPgServer() {
    const char* folder = std::getenv("CORVANE_BENCH_PG_SERVER");
    return folder && *folder ? folder : nullptr;
}

void createPgBook(const std::string& folder, const std::string& database) {
    auto values = serverValues();
    {
        OdbcConnection admin;
        admin.open("Driver=PostgreSQL ANSI;Servername=" + values["PGHOST"] + ";Port=" + values["PGPORT"] +
                   ";Database=postgres;Username=" + values["PGUSER"] + ";Password=" + values["PGPASSWORD"]);
        admin.execute("drop database if exists " + database + " with (force)");
        admin.execute("create database " + database + " encoding 'UTF8' template template0");
    }
    std::ofstream(folder + "/odbc.ini") << "[Corvane]\nDriver = PostgreSQL ANSI\nServername = " << values["PGHOST"]
                                        << "\nPort = " << values["PGPORT"] << "\nDatabase = " << database
                                        << "\nUsername = " << values["PGUSER"]
                                        << "\nPassword = " << values["PGPASSWORD"]
                                        << "\nConnSettings = SET client_encoding TO 'GBK'\n";
    useBenchDataSource(folder, true);
    std::string error;
    if (createDatabaseOnDataSource("Corvane", "", error) != CreateDatabaseResult::kCreated)
        throw std::runtime_error("cannot create the PostgreSQL book: " + error);
}

void useBenchDataSource(const std::string& folder, bool on) {
    const std::string ini = folder + (on ? "/odbc.ini" : "/none.ini");
    if (!on) std::ofstream(ini, std::ios::app).flush(); // present, and defining nothing
    ::setenv("ODBCINI", ini.c_str(), 1);
}
