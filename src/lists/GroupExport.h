// The export of a whole group to a file: its addresses one a line, or its addresses with their names as CSV, in the
// book's GBK or in UTF-8. The group is read in pages, so memory does not grow with it.
#pragma once

#include <atomic>
#include <cstddef>
#include <stop_token>
#include <string>

#include "store/RowId.h"

class AddressStore;

enum class ExportFormat {
    kText, // e-mail texts one a line, each followed by CR LF, as the plain export writes them
    kCsv,  // a header "email,name", then a row for each address, fields quoted where RFC 4180 needs it, CR LF
};

enum class ExportEncoding {
    kGbk,  // the bytes as the book holds them
    kUtf8, // converted; a CSV starts with a byte-order mark, so that Excel and WPS read it as UTF-8
};

struct GroupExportOptions {
    ExportFormat format = ExportFormat::kText;
    ExportEncoding encoding = ExportEncoding::kGbk;
    std::size_t pageRows = 10'000; // rows read by one statement
};

// How far a run has come, for another thread to show.
struct GroupExportProgress {
    std::atomic<std::size_t> written{0}; // rows written
    std::atomic<std::size_t> total{0};   // the group's size when the run began
};

struct GroupExportResult {
    bool written = false;          // the file is whole (for a descriptor: everything was written)
    bool cancelled = false;        // a stop was requested; no file was left
    std::size_t rows = 0;          // rows written
    std::size_t unconvertible = 0; // rows with a text that is not well-formed GBK, written with U+FFFD in its
                                   // place (UTF-8 only)
    std::string failure;           // why nothing was written, as the system or the database said it
    bool databaseFailed = false;   // the failure was the database's (reading the group), not the file's
};

// Writes group `groupId` of `store` to `path`, replacing what the file held, whole or not at all: on a failure or a
// stop, a file that was there stays as it was and nothing of the export is left. Rows come in the order of their
// ids (the order in which they were added).
GroupExportResult exportGroup(AddressStore& store, RowId groupId, const std::string& path,
                              const GroupExportOptions& options, GroupExportProgress* progress = nullptr,
                              std::stop_token stop = {});
// The same, to an open descriptor (standard output, a pipe): what was written before a failure or a stop stays
// written, and the descriptor stays open.
GroupExportResult exportGroupTo(AddressStore& store, RowId groupId, int descriptor, const GroupExportOptions& options,
                                GroupExportProgress* progress = nullptr, std::stop_token stop = {});
