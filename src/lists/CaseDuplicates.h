// The addresses of a group that differ only in ASCII letter case ("Foo@QQ.com" and "foo@qq.com" reach one
// mailbox, so a list holding both mails one person twice), and the deletion of all but the first stored of each.
#pragma once

#include <atomic>
#include <cstdint>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "store/RowId.h"

class AddressStore;

struct StoredAddress {
    RowId id = 0;
    std::string email;

    bool operator==(const StoredAddress&) const = default;
};

// Addresses of one group that are one address letter case aside: the first stored (lowest id) is kept.
struct CaseDuplicateSet {
    StoredAddress kept;
    std::vector<StoredAddress> extra; // by id
};

struct CaseDuplicatesScan {
    std::vector<CaseDuplicateSet> sets; // by the id of the row kept
    std::int64_t extra = 0;             // rows that a deletion would remove
    bool cancelled = false;
    std::string failure; // the database's text; no sets then
};

// The sets of group `groupId`. The book narrows them down with lower() (one statement, no progress); the program
// then sorts the candidates by foldAsciiLetters (lists/FoldedMatch.h). A stop asked meanwhile ends the run with no
// sets.
CaseDuplicatesScan findCaseDuplicates(AddressStore& store, RowId groupId, std::stop_token stop = {});

struct CaseDuplicatesProgress {
    std::atomic<std::int64_t> deleted{0};
    std::atomic<std::int64_t> total{0}; // rows to delete
};

struct CaseDuplicatesDeletion {
    std::int64_t deleted = 0; // rows deleted (committed)
    std::int64_t skipped = 0; // rows left: their set changed since the scan (its kept row gone or changed)
    bool cancelled = false;   // stopped on request, after the batches committed so far
    std::string failure;      // the database's text: the batches before stay deleted
};

// Deletes the extra rows of `sets`, a few thousand to a transaction. A row is deleted only while it and the row
// kept in its set are still in the group with the texts the scan saw: another program's change in between never
// costs an address its last row.
CaseDuplicatesDeletion deleteCaseDuplicates(AddressStore& store, RowId groupId,
                                            const std::vector<CaseDuplicateSet>& sets,
                                            CaseDuplicatesProgress* progress = nullptr, std::stop_token stop = {});
