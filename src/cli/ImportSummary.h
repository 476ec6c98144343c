// What an import of corvane-cli says at its end, for people or as JSON: the file, the group and what became of
// the lines.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "store/GroupRecord.h"

class CliContext;

struct ImportCount {
    const char* member; // its JSON member
    const char* label;  // its row for people; empty: JSON only
    std::size_t value;
};

void printImportSummary(CliContext& context, const std::string& file, const GroupRecord& group, bool stopped,
                        const std::vector<ImportCount>& counts, const std::string& failure);
