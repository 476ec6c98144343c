// The group that a command-line word names: a group's id, or its name.
#pragma once

#include <string>

#include "store/GroupRecord.h"

class CliContext;

// The group whose id is `word` (when it is a number that names one), else the one named `word` (in the terminal's
// encoding). \throws UsageError when no group or several groups answer to it; DatabaseError
GroupRecord findGroup(CliContext& context, const std::string& word);
