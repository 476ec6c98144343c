// Finding addresses across every group of the book by their e-mail text or their name, letter case aside (ASCII
// letters only, as everywhere in the program), for the window's 查找 and the command line's "find".
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "lists/FoldedMatch.h"
#include "store/RowId.h"

class AddressStore;

struct FoundAddress {
    RowId groupId = 0;
    std::string groupName;
    RowId addressId = 0;
    std::string email;
    std::string name;
    bool operator==(const FoundAddress&) const = default;
};

struct BookSearchOptions {
    TextMatch match = TextMatch::kContains;
    bool names = true; // names are searched too
    // Addresses handed out at most; the ones past it are counted, not handed out (a list of a million rows helps
    // nobody, and would cost the window its memory).
    std::size_t limit = std::numeric_limits<std::size_t>::max();
};

// How far a search has come, for another thread to show while it runs.
struct BookSearchProgress {
    std::atomic<bool> buildingIndex{false}; // the book is getting its index on lower(email) (seconds, once)
    std::atomic<std::size_t> found{0};
    std::atomic<int> percent{0};
};

struct BookSearchResult {
    std::size_t found = 0;     // addresses that match, also those past the limit
    std::size_t handedOut = 0; // addresses handed to the caller
    bool cancelled = false;    // a stop was requested; found counts what was found until then
    bool indexMade = false;    // this search gave the book its index on lower(email)
    std::string failure;       // the database's text when the search could not go on; empty otherwise
};

// Receives found addresses a few at a time, in the order found; it may move them out of the vector.
using FoundChunk = std::function<void(std::vector<FoundAddress>& found)>;

// Finds the addresses whose e-mail text, or name (options.names), equals, starts with or contains `text`, letter
// case aside, in every group of the book (rows whose group is gone are in none, and are not found). An address
// that matches by both is found once. For kEquals and kStartsWith the e-mail texts are searched first, then the
// names, each through the index on the lowered text, and handed out as soon as a few are found (the first 200
// before the rest); kContains reads the book in stretches of ids. Between two statements other threads get the
// store, and a stop requested through `stop` is seen (also between rows).
// "%" and "_" are characters like any other. An empty text finds nothing. Makes the indexes on lower(email) and
// lower(name) first when the book lacks them (see LowerEmailIndex.h); should that fail, the search goes on
// without them, reading the book.
BookSearchResult searchBook(AddressStore& store, std::string_view text, const BookSearchOptions& options,
                            const FoundChunk& onFound, BookSearchProgress* progress = nullptr,
                            std::stop_token stop = {});
