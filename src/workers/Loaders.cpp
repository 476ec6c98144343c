// The group loader and the page loader. Tested by tests/workers/LoaderTest.cpp.
#include "workers/Loaders.h"

#include <chrono>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <vector>

#include "store/AddressStore.h"
#include "store/GroupCache.h"
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

void sendRows(const std::vector<AddressRecord>& rows, NoticeTarget& target, std::stop_token stop) {
    WorkerNotice notice;
    notice.nKind = NK_ITEM;
    for (const AddressRecord& record : rows) {
        if (stop.stop_requested()) return;
        notice.nValue = record.id;
        notice.strText = record.email;
        notice.strName = record.name;
        target.Send(notice, stop);
        if (!SleepUnlessStopped(kRowPacing, stop)) return;
    }
}

} // namespace

int GroupLoaderThread(const char* argument, NoticeTarget& target, std::stop_token stop) {
    g_bArgTaken.store(0);
    const int groupId = std::atoi(argument);

    std::size_t count = 0;
    std::vector<AddressRecord> firstPage;
    {
        auto cache = GroupCache.lock();
        cache->clear();
        try {
            AddressStore::instance().LoadGroupAddresses(groupId, cache.list());
        } catch (const std::exception& error) {
            // A read that fails is a group without rows; the window must go on either way.
            cache->clear();
            std::cerr << "Corvane: cannot read group " << groupId << ": " << error.what() << '\n';
        }
        count = cache->size();
        firstPage = copyPage(cache.list(), 0);
    }
    signalArgumentTaken();

    WorkerNotice notice;
    notice.nKind = NK_TOTAL;
    notice.nValue = static_cast<std::int32_t>(count);
    notice.nLastPage = count == 0 ? 0 : static_cast<std::int32_t>((count - 1) / PAGE_SIZE);
    if (stop.stop_requested()) return 0;
    target.Send(notice, stop);
    sendRows(firstPage, target, stop);
    return 0;
}

int PageLoaderThread(const char* argument, NoticeTarget& target, std::stop_token stop) {
    g_bArgTaken.store(0);
    const int page = std::atoi(argument);
    signalArgumentTaken();

    // A negative page index delivers nothing, like one past the end.
    if (page < 0) return 0;
    std::vector<AddressRecord> rows;
    {
        auto cache = GroupCache.lock();
        if (cache->empty()) return 0;
        rows = copyPage(cache.list(), static_cast<std::size_t>(page) * PAGE_SIZE);
    }
    sendRows(rows, target, stop);
    return 0;
}
