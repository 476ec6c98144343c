#include "tools/CreateDatabase.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "SchemaSql.h"
#include "platform/DatabaseError.h"
#include "platform/OdbcConnection.h"
#include "platform/OdbcRecordSet.h"
#include "platform/Transaction.h"
#include "store/DatabaseFile.h"

namespace {

std::vector<std::string> statementsOf(const std::string& schemaSql) {
    std::string code;
    std::size_t start = 0;
    while (start < schemaSql.size()) {
        std::size_t end = schemaSql.find('\n', start);
        if (end == std::string::npos) end = schemaSql.size();
        std::string line = schemaSql.substr(start, end - start);
        const std::size_t comment = line.find("--");
        if (comment != std::string::npos) line.erase(comment);
        code += line;
        code += '\n';
        start = end + 1;
    }
    std::vector<std::string> statements;
    start = 0;
    while (start <= code.size()) {
        std::size_t end = code.find(';', start);
        if (end == std::string::npos) end = code.size();
        std::string statement = code.substr(start, end - start);
        if (statement.find_first_not_of(" \t\r\n") != std::string::npos) statements.push_back(statement);
        start = end + 1;
    }
    return statements;
}

void removeDatabaseFiles(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        std::remove((path + suffix).c_str());
}

} // namespace

const std::string& builtInSchema() {
    static const std::string schema = kSchemaSql;
    return schema;
}

const std::string& builtInSchemaFor(DatabaseEngine engine) {
    static const std::string postgreSql = kPostgreSqlSchemaSql;
    return engine == DatabaseEngine::kPostgreSql ? postgreSql : builtInSchema();
}

namespace {

// The book's tables: a database that holds any of them is a book already (or part of one).
constexpr const char* kBookTables[] = {"AddressCata", "AddressList", "SearchKey", "Links"};

// The first of the book's tables that the connection's database holds, or an empty text. A query that names a
// missing table fails; outside a transaction that costs nothing else.
std::string firstBookTable(OdbcConnection& connection) {
    for (const char* table : kBookTables) {
        try {
            OdbcRecordSet records(connection);
            records.open(std::string("select 1 from ") + table + " where 1 = 0", {}, OdbcRecordSet::Reading::kRowsOnly);
            return table;
        } catch (const DatabaseError&) {
            // Not there (or not readable, which the creation will then say).
        }
    }
    return {};
}

} // namespace

CreateDatabaseResult createDatabaseOnDataSource(const std::string& dataSource, const std::string& schemaSql,
                                                std::string& error) {
    if (dataSource.empty() || dataSource.find_first_of(";{}=") != std::string::npos) {
        error = "the name cannot stand in a connection string: " + dataSource;
        return CreateDatabaseResult::kFailed;
    }
    try {
        OdbcConnection connection;
        try {
            connection.open(dataSourceConnectionString(dataSource));
        } catch (const DatabaseError& failure) {
            error = failure.what();
            return CreateDatabaseResult::kCannotReach;
        }
        if (connection.engine() == DatabaseEngine::kPostgreSql) {
            OdbcRecordSet encoding(connection);
            encoding.open("select current_setting('server_encoding') as value");
            const std::string name = encoding.text("value");
            encoding.close();
            if (name != "UTF8") {
                error = "the database's encoding is " + name +
                        ", not UTF8: create it with \"create database NAME encoding 'UTF8' template template0\"";
                return CreateDatabaseResult::kNotUtf8;
            }
        }
        const std::string existing = firstBookTable(connection);
        if (!existing.empty()) {
            error = "the database already holds the table " + existing;
            return CreateDatabaseResult::kAlreadyExists;
        }
        const std::string& schema = schemaSql.empty() ? builtInSchemaFor(connection.engine()) : schemaSql;
        Transaction transaction(connection);
        for (const std::string& statement : statementsOf(schema))
            connection.execute(statement);
        transaction.commit();
    } catch (const DatabaseError& failure) {
        // Another program that created the same tables meanwhile got there first (PostgreSQL: 42P07).
        if (failure.sqlState() == "42P07") {
            error = failure.what();
            return CreateDatabaseResult::kAlreadyExists;
        }
        error = failure.what();
        return CreateDatabaseResult::kFailed;
    }
    return CreateDatabaseResult::kCreated;
}

CreateDatabaseResult createDatabase(const std::string& folder, const std::string& schemaSql, std::string& error) {
    const std::string path = databaseFilePath(folder);
    // The book is made under a name of its own and linked into place only when whole: a creation cut off part way
    // (a killed first run) leaves no Corvane.bin that holds no book.
    const std::string draft = folder + "/.Corvane.bin.new-" + std::to_string(::getpid());
    const std::optional<std::string> connectionString = connectionStringFor(draft);
    if (!connectionString) {
        error = "the folder's name cannot stand in a connection string: " + folder;
        return CreateDatabaseResult::kFailed;
    }
    if (::access(path.c_str(), F_OK) == 0) return CreateDatabaseResult::kAlreadyExists;
    removeDatabaseFiles(draft); // a draft of an earlier run of this process id
    // An empty file is a valid empty database to the driver, which never creates one itself.
    const int fd = ::open(draft.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot create a file in " + folder + ": " + std::strerror(errno);
        return CreateDatabaseResult::kCannotReach;
    }
    ::close(fd);

    try {
        OdbcConnection connection;
        connection.open(*connectionString);
        Transaction transaction(connection);
        for (const std::string& statement : statementsOf(schemaSql))
            connection.execute(statement);
        transaction.commit();
        // Closing the last connection writes the log back into the file and removes it, so the file alone is the
        // book when it moves into place.
        connection.close();
    } catch (const DatabaseError& failure) {
        error = failure.what();
        removeDatabaseFiles(draft);
        return CreateDatabaseResult::kFailed;
    }
    // link() never replaces: against another process creating the book at the same moment, one of them wins.
    const bool linked = ::link(draft.c_str(), path.c_str()) == 0;
    const int linkError = errno;
    removeDatabaseFiles(draft);
    if (linked) return CreateDatabaseResult::kCreated;
    if (linkError == EEXIST) return CreateDatabaseResult::kAlreadyExists;
    error = "cannot create " + path + ": " + std::strerror(linkError);
    return CreateDatabaseResult::kFailed;
}
