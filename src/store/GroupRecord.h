// One address group (a row of AddressCata) in memory.
#pragma once

#include <cstdint>
#include <string>

#include "store/RowId.h"

struct GroupRecord {
    RowId id = 0;     // chosen by the database when the group was added
    std::string name; // as the user typed it (CP936 bytes); names need not be unique

    bool operator==(const GroupRecord&) const = default;
};
