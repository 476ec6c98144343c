// corvane-create-db FOLDER [SCHEMA_FILE]: creates a fresh, empty address book "Corvane.bin" in FOLDER, with the
// schema built into the tool (res/schema.sql) or the one in SCHEMA_FILE. Refuses to overwrite an existing file.
// corvane-create-db --dsn NAME [SCHEMA_FILE]: creates the book's tables in the database of the ODBC data source
// NAME (a book shared on a database server; the program opens the data source "Corvane"), with the schema for
// its engine (res/schema-postgresql.sql for PostgreSQL) or the one in SCHEMA_FILE. Refuses a database that holds
// any of the book's tables already.
// Exit status: 0 created, 1 the file or the tables already exist, 2 any other failure.
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/CreateDatabase.h"

namespace {

int usage(const char* program) {
    std::cerr << "usage: " << program << " FOLDER [SCHEMA_FILE]\n"
              << "       " << program << " --dsn NAME [SCHEMA_FILE]\n";
    return 2;
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

} // namespace

int main(int argc, char** argv) {
    const bool onDataSource = argc >= 2 && std::strcmp(argv[1], "--dsn") == 0;
    const int first = onDataSource ? 2 : 1; // the folder or the data source's name
    if (argc < first + 1 || argc > first + 2) return usage(argv[0]);
    const std::string target = argv[first];
    const bool schemaGiven = argc == first + 2;
    std::string schema;
    if (schemaGiven && !readSchema(argv[first + 1], schema)) return 2;
    std::string error;
    if (onDataSource) {
        if (schemaGiven && schema.empty()) {
            std::cerr << "the schema file " << argv[first + 1] << " is empty\n";
            return 2;
        }
        switch (createDatabaseOnDataSource(target, schema, error)) {
        case CreateDatabaseResult::kCreated:
            std::cout << "created the address book's tables on the data source " << target << '\n';
            return 0;
        case CreateDatabaseResult::kAlreadyExists:
            std::cerr << "the data source " << target << " holds an address book already (" << error
                      << "); it was left as it is\n";
            return 1;
        case CreateDatabaseResult::kFailed:
            break;
        }
        std::cerr << "could not create the address book on the data source " << target << ": " << error << '\n';
        return 2;
    }
    if (!schemaGiven) schema = builtInSchema();
    switch (createDatabase(target, schema, error)) {
    case CreateDatabaseResult::kCreated:
        std::cout << "created " << target << "/Corvane.bin\n";
        return 0;
    case CreateDatabaseResult::kAlreadyExists:
        std::cerr << target << "/Corvane.bin already exists; it was left as it is\n";
        return 1;
    case CreateDatabaseResult::kFailed:
        break;
    }
    std::cerr << "could not create the database: " << error << '\n';
    return 2;
}
