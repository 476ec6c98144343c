// Addresses whose group no longer exists: older versions deleted a group's row alone and left its addresses in the
// book, where no list reaches them. Finding them, and removing them, for corvane-create-db --check and --tidy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/RowId.h"

class OdbcConnection;

struct OrphanedGroup {
    RowId groupId = 0;          // the id of the group that is gone
    std::int64_t addresses = 0; // how many addresses still name it
};

// The ids of the missing groups that addresses still name, in order, with their counts. \throws DatabaseError
std::vector<OrphanedGroup> findOrphanedAddresses(OdbcConnection& connection);

// Deletes every address whose group is gone, in one transaction under the book's write lock; how many went.
// \throws DatabaseError (nothing is deleted then)
std::int64_t removeOrphanedAddresses(OdbcConnection& connection);
