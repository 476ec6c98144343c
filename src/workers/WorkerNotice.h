// What a worker thread tells a window: one record per notice, and the kinds of notice there are.
#pragma once

#include <cstdint>
#include <string>

// Kind codes of WorkerNotice::nKind. 2 and 4 are not used; a window ignores any code it does not know.
enum NoticeKind : std::int32_t {
    NK_ITEM = 1,    // one row: an address of the page on show, or a line the filter has just read
    NK_DONE = 3,    // the filter has finished its run
    NK_TICK = 5,    // twenty seconds have passed: show another keyword
    NK_REFRESH = 6, // the daily refresh of keywords and links is due
    NK_TOTAL = 7,   // a group has been loaded: its address count and last page index
    NK_FAILED = 8,  // a loader's read failed (strText: the database's text); the group shows as empty
};

// The notice channels by which workers reach a window: the main window, and the duplicate filter dialog.
inline constexpr unsigned WM_WORKER_NOTICE = 0x1401;
inline constexpr unsigned WM_FILTER_NOTICE = 0x1402;

struct WorkerNotice {
    std::int32_t nKind = 0;
    std::int64_t nValue = 0;    // address id (NK_ITEM from a loader; ids are 64-bit) or address count (NK_TOTAL)
    std::int32_t nLastPage = 0; // index of the group's last page (NK_TOTAL)
    std::string strText;        // e-mail text, or the line just read by the filter
    std::string strName;        // the address's name (NK_ITEM from a loader)
    std::string strExtra;       // never filled, never read
};
