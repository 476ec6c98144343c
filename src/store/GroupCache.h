// The addresses of the group loaded last: refilled by the group loader, walked page by page by the page loader.
// Each user holds its lock for as long as it reads or writes the list.
#pragma once

#include <list>
#include <mutex>

#include "store/AddressRecord.h"

class SharedAddressList {
public:
    // The list, reachable only while this object lives, and with the lock held the whole time.
    class Access {
    public:
        std::list<AddressRecord>& list() noexcept { return *m_list; }
        std::list<AddressRecord>* operator->() noexcept { return m_list; }

    private:
        friend class SharedAddressList;
        Access(std::mutex& mutex, std::list<AddressRecord>& list) : m_lock(mutex), m_list(&list) {}
        std::unique_lock<std::mutex> m_lock;
        std::list<AddressRecord>* m_list;
    };

    [[nodiscard]] Access lock() { return Access(m_mutex, m_list); }

private:
    std::mutex m_mutex;
    std::list<AddressRecord> m_list;
};

// The process-wide cache: empty at start, then the rows of the group last loaded.
extern SharedAddressList GroupCache;
