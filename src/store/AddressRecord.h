// One address (a row of AddressList) in memory.
#pragma once

#include <cstdint>
#include <string>

#include "store/RowId.h"

struct AddressRecord {
    RowId id = 0;       // chosen by the database on insert
    RowId group_id = 0; // the id of the group the address belongs to
    std::string email;  // CP936 bytes, compared byte for byte
    std::string name;   // may be empty

    bool operator==(const AddressRecord&) const = default;
};
