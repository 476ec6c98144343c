// Removing the addresses that a file lists (ListedAddresses) from one group or from every group: first what the
// book holds of them, then, once the user agrees, the removal in batches.
#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "store/RowId.h"

class AddressStore;

struct RemoveListedOptions {
    std::optional<RowId> group; // the group to remove from; nothing: every group
    // Addresses compare letter case aside (ASCII letters): the listed addresses must then be folded
    // (readListedAddresses with ignoreCase).
    bool ignoreCase = false;
    // Listed addresses per batch of the removal, each batch committed whole or not at all.
    std::size_t addressesPerBatch = 2000;
};

// How far a count or a removal has come, for another thread to show while it runs.
struct RemoveListedProgress {
    std::atomic<bool> buildingIndex{false}; // the book is getting its index on lower(email) (seconds, once)
    std::atomic<std::size_t> checked{0};    // listed addresses looked up
    std::atomic<std::size_t> removed{0};    // rows removed and committed
};

// What the book holds of the listed addresses.
struct ListedCount {
    std::size_t present = 0; // listed addresses that stand in at least one group (of those asked)
    std::size_t groups = 0;  // groups that hold one or more of them
    std::size_t rows = 0;    // rows that the removal would take
    bool cancelled = false;
    std::string failure; // the database's text when the count could not be made; empty otherwise
};

// Counts, for pieces of a hundred addresses a statement through the index on lower(email) (made first when the
// book has none), the rows that hold a listed address, in the group asked for or in any group. Only reads.
ListedCount countListed(AddressStore& store, const std::vector<std::string>& addresses,
                        const RemoveListedOptions& options, RemoveListedProgress* progress = nullptr,
                        std::stop_token stop = {});

struct ListedRemoval {
    std::size_t removed = 0; // rows removed (committed)
    bool cancelled = false;  // a stop was requested: the batch in progress was undone, the ones before it stay
    bool stopped = false;    // a failure ended the run (see failure); the batches before it stay
    std::string failure;     // the database's text when it failed; empty otherwise
    int fileError = 0;       // the system's error number when the saved-rows file could not be written
};

// Removes the rows that hold a listed address, as countListed finds them, in batches of
// options.addressesPerBatch addresses under the database's write lock, each committed whole. With `savePath`, the
// rows of each batch are written there first (see RemovedRowsFile; the file is made anew) and the batch is
// committed only once they are on the disk: a file that cannot be written stops the run with the batch undone.
ListedRemoval removeListed(AddressStore& store, const std::vector<std::string>& addresses,
                           const RemoveListedOptions& options, const std::string& savePath = {},
                           RemoveListedProgress* progress = nullptr, std::stop_token stop = {});
