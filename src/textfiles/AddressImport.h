// The import: the valid e-mail addresses of a text file that a group does not hold yet become addresses of that
// group, with an empty name.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>

#include "store/RowId.h"

class AddressStore;

struct ImportResult {
    bool opened = false;    // the file could be opened
    std::size_t lines = 0;  // lines read; when the run stopped, how far it had read (new rows go in many to a
                            // statement, so the line at fault can lie a little before)
    std::size_t stored = 0; // addresses stored (committed)
    // What became of the other lines read (blank lines aside): not an address (too long, or refused by the e-mail
    // check), an address the group held already (also one that an earlier batch of this run stored), and an
    // address that the file had given before within the same batch.
    std::size_t tooLong = 0;
    std::size_t invalid = 0;
    std::size_t alreadyInGroup = 0;
    std::size_t repeatedInFile = 0;
    bool stopped = false;      // the run stopped before the end of the file (see failure)
    bool cancelled = false;    // the run was asked to stop, and did at the end of the last batch it committed
    bool fileFailed = false;   // it stopped because the file could not be read to its end
    std::size_t keptLines = 0; // lines whose batches were committed: the book holds what the file's first
                               // keptLines lines gave, and running again stores exactly the rest
    std::string failure;       // empty, or the database's text of what went wrong, to be shown once
};

// How the import cuts the file into batches, each committed whole or not at all. A batch ends after so many lines
// or so much time, whichever comes first: a program killed part way loses at most the batch in progress, and the
// other threads of the program, which wait for the store while a batch runs, get their turn between two batches.
struct ImportBatching {
    std::size_t lines = 5000;
    std::chrono::milliseconds time{250};
};

// How far a run has come, for another thread to show while it runs.
struct ImportProgress {
    std::atomic<std::size_t> lines{0};      // lines read
    std::atomic<std::size_t> stored{0};     // addresses committed
    std::atomic<std::uint64_t> bytes{0};    // bytes read, line ends included
    std::atomic<std::uint64_t> fileSize{0}; // the file's size when it was opened
};

// Reads `path` line by line; each line is trimmed of spaces, tabs, CR, LF, VT and FF at both ends, and kept when it
// is 1 to 254 bytes long, a valid e-mail address and not yet an address of group `groupId`; it is then stored
// under that group with an empty name. A UTF-8 byte-order mark at the very start of the file is not part of the
// first line. The rows come in the order of the file's lines; an address found twice in the file is stored once.
//
// failures, each told once per run through `failure` (never through the store's reporter):
// - a duplicate check that fails: the line counts as present (nothing stored for it), and the run goes on;
// - an insert that fails, the database ending a batch's transaction on its own (a full disk, an I/O error), a batch
//   that cannot start (another program held the book for longer than the time-out) or cannot commit: the run
//   stops (`stopped`). The batch in progress is rolled back whole; every batch before it stays, so the rows stored
//   are those of the file's lines up to a point. Running the same import again then stores exactly the lines
//   still missing;
// - the file cannot be read to its end: the run stops after storing the lines read whole.
//
// `progress`, when given, is kept up to date as the run goes. A stop requested through `stop` ends the run before
// its next line: the batch in progress is rolled back and `cancelled` set; the batches committed before it stay.
ImportResult importAddresses(AddressStore& store, const std::string& path, RowId groupId,
                             const ImportBatching& batching = {}, ImportProgress* progress = nullptr,
                             std::stop_token stop = {});
