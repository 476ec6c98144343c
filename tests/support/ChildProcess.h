// Starting another program of the tests (a second program on a book, a run whose memory is measured).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Starts `args[0]` with `args`, in this process's environment (so it opens the same test book); its process id, or
// -1 when it could not be started.
pid_t startProgram(std::vector<std::string> args);
