// The addresses of the group loaded last: refilled by the group loader, walked page by page by the page loader.
// Each user holds its lock for as long as it reads or writes the list, the group's id or the filled flag.
#pragma once

#include <list>
#include <mutex>

#include "store/AddressRecord.h"
#include "store/RowId.h"

class SharedAddressList {
public:
    // The list, reachable only while this object lives, and with the lock held the whole time.
    class Access {
    public:
        std::list<AddressRecord>& list() noexcept { return m_owner->m_list; }
        std::list<AddressRecord>* operator->() noexcept { return &m_owner->m_list; }
        // The group the list belongs to.
        RowId& group() noexcept { return m_owner->m_group; }
        // Whether the list holds that group's rows yet: the group loader leaves the reading of the whole group to the
        // first page loader that needs it.
        bool& filled() noexcept { return m_owner->m_filled; }

    private:
        friend class SharedAddressList;
        explicit Access(SharedAddressList& owner) : m_lock(owner.m_mutex), m_owner(&owner) {}
        std::unique_lock<std::mutex> m_lock;
        SharedAddressList* m_owner;
    };

    [[nodiscard]] Access lock() { return Access(*this); }

private:
    std::mutex m_mutex;
    std::list<AddressRecord> m_list;
    RowId m_group = 0;
    bool m_filled = true;
};
