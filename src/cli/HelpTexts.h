// corvane-cli's help: the usage of the whole tool and of each subcommand.
#pragma once

#include <string>

// The whole tool's usage, its book options and exit statuses.
const char* toolUsage();
// The usage of subcommand `name`; empty when there is none of that name.
std::string commandUsage(const std::string& name);
