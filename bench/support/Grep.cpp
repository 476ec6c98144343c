#include "support/Grep.h"

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

GrepRun runGrepFvxf(const std::string& excluded, const std::string& input, const std::string& output) {
    const std::string command = "LC_ALL=C grep -Fvxf '" + excluded + "' '" + input + "' > '" + output + "'";
    const auto began = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    GrepRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::size_t countLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::size_t lines = 0;
    for (std::string line; std::getline(in, line);)
        ++lines;
    return lines;
}
