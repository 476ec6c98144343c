// The whole bytes of a file, read or written as they are: what the tests compare a program's files with.
#pragma once

#include <string>

// The file's bytes; empty when it cannot be read.
std::string readFileBytes(const std::string& path);
// Makes `path` hold exactly `bytes`.
void writeFileBytes(const std::string& path, const std::string& bytes);
