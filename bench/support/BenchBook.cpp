#include "support/BenchBook.h"

#include <filesystem>
#include <stdexcept>

#include "platform/OdbcConnection.h"
#include "store/DatabaseFile.h"
#include "tools/CreateDatabase.h"

void createBook(const std::string& folder) {
    std::string error;
    if (createDatabase(folder, builtInSchema(), error) != CreateDatabaseResult::kCreated)
        throw std::runtime_error("cannot create the book: " + error);
}

void buildBook(const std::string& folder, int rows, const std::string& groupOf, const std::string& nameOf) {
    createBook(folder);
    const auto connectionString = connectionStringFor(databaseFilePath(folder));
    if (!connectionString) throw std::runtime_error("the folder cannot stand in a connection string: " + folder);
    OdbcConnection connection;
    connection.open(*connectionString);
    connection.execute("insert into AddressList(group_id, email, name) "
                       "with recursive n(i) as (select 0 union all select i + 1 from n where i < ?) "
                       "select " +
                           groupOf + ", 'user' || i || '@example.com', " + nameOf + " from n",
                       {rows - 1});
    connection.close(); // the last connection folds the log into the file
}

std::string copyBook(const std::string& from, const std::string& to) {
    std::filesystem::create_directories(to);
    std::filesystem::copy_file(databaseFilePath(from), databaseFilePath(to));
    return to;
}
