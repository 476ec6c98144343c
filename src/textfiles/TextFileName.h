// The name rule of the import and export choosers: a path that does not contain ".txt" anywhere (letter case
// counts, folders included) gets ".txt" appended.
#pragma once

#include <string>

std::string withTxtExtension(const std::string& path);

// Whether `path` names an existing file (or anything else that exists there).
bool pathExists(const std::string& path);
