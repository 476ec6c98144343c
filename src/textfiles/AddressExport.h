// The export: e-mail texts written one a line, each followed by CR LF, bytes as they are.
#pragma once

#include <string>
#include <vector>

// Writes `emails` to `path`, replacing whatever the file held. False when the file cannot be created or written;
// what was written before a failure stays.
bool ExportAddresses(const std::string& path, const std::vector<std::string>& emails);
