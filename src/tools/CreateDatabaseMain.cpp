// corvane-create-db: makes a fresh, empty address book, or checks and tidies one. See usage() below.
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/DatabaseError.h"
#include "platform/OdbcConnection.h"
#include "store/DatabaseFile.h"
#include "tools/CreateDatabase.h"
#include "tools/OrphanedAddresses.h"

namespace {

// Exit statuses.
constexpr int kDone = 0;
constexpr int kAlreadyThere = 1;
constexpr int kUsage = 2;
constexpr int kOrphansFound = 3;
constexpr int kCannotReach = 4;
constexpr int kNotUtf8 = 5;
constexpr int kFailed = 6;

int statusOf(CreateDatabaseResult result) {
    switch (result) {
    case CreateDatabaseResult::kCreated:
        return kDone;
    case CreateDatabaseResult::kAlreadyExists:
        return kAlreadyThere;
    case CreateDatabaseResult::kCannotReach:
        return kCannotReach;
    case CreateDatabaseResult::kNotUtf8:
        return kNotUtf8;
    case CreateDatabaseResult::kFailed:
        break;
    }
    return kFailed;
}

void usage(std::ostream& out, const char* program) {
    out << "usage: " << program << " FOLDER [SCHEMA_FILE]\n"
        << "       " << program << " --dsn NAME [SCHEMA_FILE]\n"
        << "       " << program << " --check FOLDER | --check --dsn NAME\n"
        << "       " << program << " --tidy FOLDER | --tidy --dsn NAME\n"
        << "\n"
        << "Creates a fresh, empty address book: Corvane.bin in FOLDER, or the book's tables in the database of the\n"
        << "ODBC data source NAME (a book shared on a server), with the built-in schema or the one in SCHEMA_FILE.\n"
        << "Never overwrites a book.\n"
        << "--check lists the addresses of groups that no longer exist (older versions left them behind when a\n"
        << "group was deleted); --tidy deletes them.\n"
        << "\n"
        << "Exit status:\n"
        << "  0  done (created; nothing to tidy; tidied)\n"
        << "  1  the book is there already; it was left as it is\n"
        << "  2  usage: the arguments are not understood\n"
        << "  3  --check found addresses of deleted groups\n"
        << "  4  the folder cannot take a file, or the data source cannot be reached (not defined, no server)\n"
        << "  5  the data source's database is not UTF-8\n"
        << "  6  any other failure (a schema that fails, a damaged book)\n";
}

bool readSchema(const char* path, std::string& schema) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::cerr << "cannot read the schema file " << path << '\n';
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    schema = text.str();
    return true;
}

// --check and --tidy on the book of a folder or a data source.
int checkBook(bool onDataSource, const std::string& target, bool tidy) {
    std::string connectionString;
    if (onDataSource) {
        connectionString = dataSourceConnectionString(target);
    } else {
        const std::string path = databaseFilePath(target);
        const std::string unusable = unusableBookFileReason(path);
        const std::optional<std::string> fromPath = connectionStringFor(path);
        if (!unusable.empty() || !fromPath) {
            std::cerr << (unusable.empty() ? "the folder's name cannot stand in a connection string: " + target
                                           : unusable)
                      << '\n';
            return kFailed;
        }
        connectionString = *fromPath;
    }
    const std::string book = onDataSource ? "the data source " + target : databaseFilePath(target);
    try {
        OdbcConnection connection;
        try {
            connection.open(connectionString);
        } catch (const DatabaseError& error) {
            std::cerr << "cannot open " << book << ": " << error.what() << '\n';
            return kCannotReach;
        }
        if (tidy) {
            const std::int64_t removed = removeOrphanedAddresses(connection);
            std::cout << "removed " << removed << " addresses of deleted groups from " << book << '\n';
            return kDone;
        }
        const std::vector<OrphanedGroup> groups = findOrphanedAddresses(connection);
        if (groups.empty()) {
            std::cout << book << ": every address belongs to a group\n";
            return kDone;
        }
        std::int64_t total = 0;
        for (const OrphanedGroup& group : groups) {
            std::cout << "group " << group.groupId << " (deleted): " << group.addresses << " addresses\n";
            total += group.addresses;
        }
        std::cout << book << ": " << total << " addresses of " << groups.size()
                  << " deleted groups; --tidy deletes them\n";
        return kOrphansFound;
    } catch (const DatabaseError& error) {
        std::cerr << "cannot " << (tidy ? "tidy " : "check ") << book << ": " << error.what() << '\n';
        return kFailed;
    }
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        usage(std::cout, argv[0]);
        return kDone;
    }
    const bool check = !args.empty() && args[0] == "--check";
    const bool tidy = !args.empty() && args[0] == "--tidy";
    if (check || tidy) args.erase(args.begin());
    const bool onDataSource = !args.empty() && args[0] == "--dsn";
    if (onDataSource) args.erase(args.begin());
    const std::size_t most = check || tidy ? 1 : 2;
    if (args.empty() || args.size() > most || args[0].empty() || args[0][0] == '-') {
        usage(std::cerr, argv[0]);
        return kUsage;
    }
    const std::string target = args[0];
    if (check || tidy) return checkBook(onDataSource, target, tidy);

    const bool schemaGiven = args.size() == 2;
    std::string schema;
    if (schemaGiven && !readSchema(args[1].c_str(), schema)) return kFailed;
    std::string error;
    if (onDataSource) {
        if (schemaGiven && schema.empty()) {
            std::cerr << "the schema file " << args[1] << " is empty\n";
            return kFailed;
        }
        const CreateDatabaseResult result = createDatabaseOnDataSource(target, schema, error);
        if (result == CreateDatabaseResult::kCreated)
            std::cout << "created the address book's tables on the data source " << target << '\n';
        else if (result == CreateDatabaseResult::kAlreadyExists)
            std::cerr << "the data source " << target << " holds an address book already (" << error
                      << "); it was left as it is\n";
        else
            std::cerr << "could not create the address book on the data source " << target << ": " << error << '\n';
        return statusOf(result);
    }
    if (!schemaGiven) schema = builtInSchema();
    const CreateDatabaseResult result = createDatabase(target, schema, error);
    if (result == CreateDatabaseResult::kCreated)
        std::cout << "created " << target << "/Corvane.bin\n";
    else if (result == CreateDatabaseResult::kAlreadyExists)
        std::cerr << target << "/Corvane.bin already exists; it was left as it is\n";
    else
        std::cerr << "could not create the database: " << error << '\n';
    return statusOf(result);
}
