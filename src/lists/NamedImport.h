// The import of a list with names: the records of a list file (see ListFileReader) become addresses of a group, each
// with its name, in batches; with a count of what became of every record.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>

#include "lists/ListFileFormat.h"
#include "store/RowId.h"
#include "textfiles/AddressImport.h"

class AddressStore;

struct NamedImportOptions {
    ListFileFormat format;    // as detectListFormat told it, or as the user set it
    bool ignoreCase = false;  // an address the group holds in other letter case is present; repeats in the file
                              // are compared ignoring ASCII case too
    std::string rejectedPath; // where the refused records go (see RejectedLines); empty: nowhere
    ImportBatching batching;  // as the plain import cuts its batches
};

// Every count is of the batches committed: the book holds what the file's records up to `keptLine` gave.
struct NamedImportResult {
    bool opened = false;
    std::size_t records = 0;        // records read, the header not counted
    std::size_t stored = 0;         // new addresses stored
    std::size_t alreadyInGroup = 0; // the group held them before
    std::size_t repeated = 0;       // an earlier record of the file had the same address
    std::size_t invalid = 0;        // no valid e-mail address (also a quote that never closed)
    std::size_t tooLong = 0;        // an address longer than 254 bytes, or a line longer than a record may be
    std::size_t refused = 0;        // a valid address with a name the book cannot keep, or bytes the encoding
                                    // does not allow
    std::size_t blank = 0;          // records without any text
    bool stopped = false;           // ended before the end of the file (see failure)
    bool cancelled = false;         // a stop was requested: the batch in progress was rolled back
    std::size_t keptLine = 0;       // the last line of the last batch committed
    std::string failure;            // what went wrong, to be told once
    bool rejectedWritten = true;    // the refused records' file is whole (or none was asked for)

    std::size_t rejected() const { return invalid + tooLong + refused; }
};

struct NamedImportProgress {
    std::atomic<std::size_t> records{0};
    std::atomic<std::size_t> stored{0};
    std::atomic<std::uint64_t> bytes{0};
    std::atomic<std::uint64_t> fileSize{0};
};

// The longest name the import stores, in GBK bytes. The book's column has no limit; a longer "name" is a record
// that was cut wrongly (a quote that closes far too late), not a person's name.
inline constexpr std::size_t kLongestName = 1024;

// Imports `path` into group `groupId`. Addresses are trimmed of blanks and checked as the plain import checks them
// (1 to 254 bytes, IsValidEmailAddress); names are converted to the book's GBK, and one that GBK cannot hold is
// refused with its record. Batches are committed whole (see ImportBatching); a failure or a stop rolls back the
// batch in progress and keeps the ones before. The refused records go to `options.rejectedPath`.
NamedImportResult importNamedList(AddressStore& store, const std::string& path, RowId groupId,
                                  const NamedImportOptions& options, NamedImportProgress* progress = nullptr,
                                  std::stop_token stop = {});
