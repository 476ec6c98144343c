// Deleting addresses picked one by one (the rows 查找 found), wherever their groups are.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "store/RowId.h"

class AddressStore;

struct AddressDeletion {
    std::size_t deleted = 0; // rows deleted (committed); an id that names no row deletes nothing
    std::string failure;     // the database's text when it stopped; the batches before it stay
};

// Deletes the addresses with the ids `ids`, in batches of a few thousand under the database's write lock, each
// committed whole.
AddressDeletion deleteAddresses(AddressStore& store, std::span<const RowId> ids);
