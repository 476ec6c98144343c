// The start directory: the process's current directory when the program started, captured once. The database file
// and the time-stamp file are named from it, and the file choosers start in it.
#pragma once

#include <string>

// Captures the current directory; "/" when it cannot be read.
void captureStartDirectory();
// The captured directory ("/" before the capture).
const std::string& startDirectory();
// `fileName` in the start directory, joined with "/".
std::string startDirectoryFile(const std::string& fileName);
