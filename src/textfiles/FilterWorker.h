// The duplicate filter's worker: reads a file of addresses line by line and writes out exactly the lines that are
// not an address of a group, showing the filter dialog the line at hand as it goes (every few tens of milliseconds,
// and the last line at the end).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>

#include "store/RowId.h"

class AddressStore;
class NoticeTarget;

// What the start handler hands to the worker. The worker copies it before it sets g_bFilterArgTaken.
struct FilterJob {
    // The book's store the lines are checked against.
    AddressStore* store = nullptr;
    RowId nGroupId = 0;
    std::string strInputPath;
    std::string strOutputPath;
    // The dialog that started the run: its notices go there and nowhere else, so a worker that outlives its
    // dialog never reaches another one.
    std::shared_ptr<NoticeTarget> target;
};

// 1 while no filter worker runs.
extern std::atomic<int> g_bFilterIdle;
// Set by the worker once it has copied its job.
extern std::atomic<int> g_bFilterArgTaken;

// How a run ended, in the nValue of its NK_DONE notice; strText then names what failed, and nLastPage holds the
// number of lines written.
enum FilterOutcome : std::int32_t {
    kFilterCompleted = 0,       // every line read and checked
    kFilterSameFile = 1,        // the output names the input file itself: nothing was touched (strText: the path)
    kFilterOutputFailed = 2,    // the output could not be created or written (strText: its path)
    kFilterInputUnreadable = 3, // the input could not be opened or read to its end (strText: its path)
    kFilterCheckFailed = 4,     // every line read, but the database failed some checks; those lines count as
                                // present and were not written (strText: the first error's text)
    kFilterInputChanged = 5,    // the input was cut short, removed or replaced during the run: the output misses
                                // its lines from that point (strText: the input's path)
};

// The thread procedure. Ends before its next line when `stop` is requested, without a further notice. Returns 0.
int FilterWorkerThread(const FilterJob* job, std::stop_token stop);

// Whether two paths name the same file (through a link, "." or another name); false when either does not exist.
bool sameFile(const std::string& first, const std::string& second);
