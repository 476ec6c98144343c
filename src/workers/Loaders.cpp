// The group loader and the page loader. Tested by tests/workers/LoaderTest.cpp.
#include "workers/Loaders.h"

#include <chrono>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "store/AddressBook.h"
#include "workers/InterruptibleSleep.h"
#include "workers/NoticeTarget.h"

std::atomic<int> g_bArgTaken{0};

namespace {

// The pause after each row keeps the window responsive while a page arrives.
constexpr std::chrono::milliseconds kRowPacing{3};

void signalArgumentTaken() {
    g_bArgTaken.store(1);
    g_bArgTaken.notify_all();
}

// The records at positions [from, from + PAGE_SIZE) of the cache, copied out so that no lock is held while the
// rows are sent.
std::vector<AddressRecord> copyPage(const std::list<AddressRecord>& cache, std::size_t from) {
    std::vector<AddressRecord> page;
    std::size_t counter = 0;
    for (const AddressRecord& record : cache) {
        if (counter >= from + PAGE_SIZE) break;
        if (counter >= from) page.push_back(record);
        ++counter;
    }
    return page;
}

// Tells the window once that a load failed, with the database's text. False when the window is gone or stopping.
bool sendFailure(const std::string& failure, NoticeTarget& target, std::stop_token stop) {
    if (stop.stop_requested()) return false;
    WorkerNotice notice;
    notice.nKind = NK_FAILED;
    notice.strText = failure;
    return target.send(notice, stop);
}

void sendRows(const std::vector<AddressRecord>& rows, NoticeTarget& target, std::stop_token stop) {
    WorkerNotice notice;
    notice.nKind = NK_ITEM;
    for (const AddressRecord& record : rows) {
        if (stop.stop_requested()) return;
        notice.nValue = record.id;
        notice.strText = record.email;
        notice.strName = record.name;
        target.send(notice, stop);
        if (!sleepUnlessStopped(kRowPacing, stop)) return;
    }
}

} // namespace

int GroupLoaderThread(AddressBook& book, const char* argument, NoticeTarget& target, std::stop_token stop) {
    g_bArgTaken.store(0);
    const RowId groupId = std::strtoll(argument, nullptr, 10);

    // Only the count and the first page are read before the window may go on: a group of any size shows its first
    // row at once. The whole group is read into the cache when a page loader first needs it.
    std::int32_t count = 0;
    std::vector<AddressRecord> firstPage;
    std::string failure;
    {
        auto cache = book.groupCache().lock();
        cache->clear();
        cache.group() = groupId;
        cache.filled() = false;
        try {
            AddressStore& store = book.store();
            count = store.countGroupAddresses(groupId).value_or(0);
            if (count > 0) store.loadGroupAddressPage(groupId, 0, PAGE_SIZE, firstPage);
        } catch (const std::exception& error) {
            // A read that fails is a group without rows; the window must go on either way, and says why.
            count = 0;
            firstPage.clear();
            cache.filled() = true;
            failure = error.what();
        }
    }
    signalArgumentTaken();
    if (!failure.empty() && !sendFailure(failure, target, stop)) return 0;

    WorkerNotice notice;
    notice.nKind = NK_TOTAL;
    notice.nValue = count;
    notice.nLastPage = count == 0 ? 0 : (count - 1) / PAGE_SIZE;
    if (stop.stop_requested()) return 0;
    target.send(notice, stop);
    sendRows(firstPage, target, stop);
    return 0;
}

int PageLoaderThread(AddressBook& book, const char* argument, NoticeTarget& target, std::stop_token stop) {
    g_bArgTaken.store(0);
    const int page = std::atoi(argument);
    signalArgumentTaken();

    // A negative page index delivers nothing, like one past the end.
    if (page < 0) return 0;
    std::vector<AddressRecord> rows;
    std::string failure;
    {
        auto cache = book.groupCache().lock();
        if (!cache.filled()) {
            cache.filled() = true;
            try {
                book.store().LoadGroupAddresses(cache.group(), cache.list());
            } catch (const std::exception& error) {
                cache->clear();
                failure = error.what();
            }
        }
        if (!cache->empty()) rows = copyPage(cache.list(), static_cast<std::size_t>(page) * PAGE_SIZE);
    }
    if (!failure.empty()) sendFailure(failure, target, stop);
    sendRows(rows, target, stop);
    return 0;
}
