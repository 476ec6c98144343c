// What the duplicate filter is measured against: grep -Fvxf, the lines of a file that are not lines of another.
#pragma once

#include <cstddef>
#include <string>

struct GrepRun {
    double seconds = 0;
    int exitStatus = -1;
};

// Writes to `output` the lines of `input` that are not lines of `excluded`, with grep in the C locale, and times it.
GrepRun runGrepFvxf(const std::string& excluded, const std::string& input, const std::string& output);

// The number of lines of a file.
std::size_t countLines(const std::string& path);
