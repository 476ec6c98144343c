// Where the database file lives and how it is reached: the start directory's "Corvane.bin", through the build's
// connection string.
#pragma once

#include <optional>
#include <string>

// The database file of `startDirectory`. The "/" goes in even after a directory that ends in one.
std::string DatabaseFilePath(const std::string& startDirectory);

// The build's connection string for the file at `path`, or nothing when the path cannot stand in a connection
// string: a ";" or a brace would end the file name early and start options of its own.
std::optional<std::string> ConnectionStringFor(const std::string& path);
