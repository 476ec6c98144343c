// The export: e-mail texts written one a line, each followed by CR LF, bytes as they are.
#pragma once

#include <string>
#include <vector>

// Writes `emails` to `path`, replacing whatever the file held, whole or not at all: a failure (a full disk, a folder
// that cannot be written) leaves the file that was there as it was, and no part of the export. Returns 0 when the
// file was written, else the system's error number.
int exportAddresses(const std::string& path, const std::vector<std::string>& emails);
