// One group from two: the union, intersection or difference of groups A and B, written into a new group or a text
// file, and the merge of A into B. The work runs in the database, a range of ids at a time, so that a run over a
// million rows can show its progress, stop when asked, and let other programs at the book between two ranges.
#pragma once

#include <atomic>
#include <cstdint>
#include <stop_token>
#include <string>

#include "store/RowId.h"

class AddressStore;

enum class GroupOperation {
    kUnion,        // the addresses in A or in B
    kIntersection, // the addresses in both
    kDifference,   // the addresses in A and not in B
};

// What to combine. Two rows hold the same address when their e-mail texts are equal, or, with `ignoreCase`, equal
// once ASCII letters are lowered. The result holds each address once: the row kept is A's first stored (lowest
// id), else B's first stored, with that row's name. Rows come in A's id order, then (union) B's.
struct GroupCombination {
    GroupOperation operation = GroupOperation::kUnion;
    RowId a = 0;
    RowId b = 0;
    bool ignoreCase = false;
};

// How far a run has come, for another thread to show.
struct GroupArithmeticProgress {
    std::atomic<int> percent{0};
    std::atomic<std::int64_t> rows{0}; // rows written to the file, or moved by a merge, so far
};

enum class ArithmeticOutcome {
    kDone,
    kCancelled,       // stopped on request: the book and the file are as they were
    kSameGroups,      // A and B are one group, which a difference or a merge cannot take
    kNoSuchGroup,     // A or B is not (or no longer) a group of the book
    kEmptyName,       // the new group's name is empty or blank
    kNameNotStorable, // the new group's name is not well-formed GBK, or holds a NUL
    kNameTaken,       // a group of that name exists
    kFileFailed,      // the file could not be written (failure: the system's text); nothing was left of it
    kDatabaseFailed,  // the database refused (failure: its text); the book is as it was, unless `failure` says more
};

struct GroupArithmeticResult {
    ArithmeticOutcome outcome = ArithmeticOutcome::kDatabaseFailed;
    std::int64_t rows = 0;    // rows of the new group or lines of the file; merge: rows moved into B
    std::int64_t dropped = 0; // merge: rows of A that B held already, deleted with A
    RowId newGroup = 0;       // the group made, when done
    std::string failure;
};

// Makes group `name` (CP936 bytes) holding the result. The group is made first, under its name followed by
// "（未完成）", filled a range at a time, and given its own name in the last transaction: a stop or a failure
// deletes it again with all its rows, and a program killed part way leaves a group whose name says it is
// unfinished, never a half-made group under the name asked for.
GroupArithmeticResult combineIntoGroup(AddressStore& store, const GroupCombination& combination,
                                       const std::string& name, GroupArithmeticProgress* progress = nullptr,
                                       std::stop_token stop = {});

// Writes the e-mail texts of the result to `path`, one a line, each followed by CR LF, as the export does, whole or
// not at all: a stop or a failure leaves whatever was at `path` as it was.
GroupArithmeticResult combineIntoFile(AddressStore& store, const GroupCombination& combination, const std::string& path,
                                      GroupArithmeticProgress* progress = nullptr, std::stop_token stop = {});

// Moves A's rows into B (ids and names kept), except those whose address B holds already, or that repeat an
// address of A stored before them; those are deleted with group A. The moves go a range at a time, each committed;
// a stop or a failure moves the rows moved so far back into A, so the book is as it was. A program killed part way
// leaves some rows moved and A in place: a second merge finishes the job.
GroupArithmeticResult mergeGroupInto(AddressStore& store, RowId a, RowId b, bool ignoreCase,
                                     GroupArithmeticProgress* progress = nullptr, std::stop_token stop = {});

// Makes the index that the comparisons with `ignoreCase` need, where it is missing: on (group_id, lower(email), email).
// The runs above make it themselves; it takes a few seconds on a book of millions of rows, once.
// \throws DatabaseError
void ensureCaseFoldedIndex(AddressStore& store);
