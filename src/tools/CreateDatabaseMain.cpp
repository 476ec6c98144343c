// corvane-create-db FOLDER [SCHEMA_FILE]: creates a fresh, empty address book "Corvane.bin" in FOLDER, with the
// schema built into the tool (res/schema.sql) or the one in SCHEMA_FILE. Refuses to overwrite an existing file.
// Exit status: 0 created, 1 the file already exists, 2 any other failure.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/CreateDatabase.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: " << argv[0] << " FOLDER [SCHEMA_FILE]\n";
        return 2;
    }
    const std::string folder = argv[1];
    std::string schema = builtInSchema();
    if (argc == 3) {
        std::ifstream file(argv[2], std::ios::binary);
        if (!file) {
            std::cerr << "cannot read the schema file " << argv[2] << '\n';
            return 2;
        }
        std::ostringstream text;
        text << file.rdbuf();
        schema = text.str();
    }
    std::string error;
    switch (createDatabase(folder, schema, error)) {
    case CreateDatabaseResult::kCreated:
        std::cout << "created " << folder << "/Corvane.bin\n";
        return 0;
    case CreateDatabaseResult::kAlreadyExists:
        std::cerr << folder << "/Corvane.bin already exists; it was left as it is\n";
        return 1;
    case CreateDatabaseResult::kFailed:
        break;
    }
    std::cerr << "could not create the database: " << error << '\n';
    return 2;
}
