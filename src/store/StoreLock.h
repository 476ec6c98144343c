// The store's lock: recursive, so that a thread holding a batch (AddressStore::beginTransaction) can call the
// store's operations, and first come, first served. A plain mutex lets the thread that lets go take it straight
// back: an import that commits batch after batch would then keep the window's thread and the loaders waiting for
// the whole file, where each of them should get its turn between two batches.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class StoreLock {
public:
    StoreLock() = default;
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    // Waits behind every thread that asked before; at once when the calling thread holds the lock already.
    void lock() {
        const std::thread::id me = std::this_thread::get_id();
        std::unique_lock guard(m_mutex);
        if (m_depth > 0 && m_owner == me) {
            ++m_depth;
            return;
        }
        const std::uint64_t ticket = m_next++;
        m_turn.wait(guard, [&] { return m_depth == 0 && m_serving == ticket; });
        m_owner = me;
        m_depth = 1;
    }

    void unlock() {
        std::unique_lock guard(m_mutex);
        if (--m_depth > 0) return;
        m_owner = std::thread::id();
        ++m_serving;
        const bool waiting = m_serving != m_next;
        guard.unlock();
        // Every waiter wakes and the one whose ticket is served goes on; a few threads at most ever wait here.
        if (waiting) m_turn.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_turn;
    std::thread::id m_owner;
    unsigned m_depth = 0;        // how often the owner holds it
    std::uint64_t m_next = 0;    // the ticket the next thread to ask gets
    std::uint64_t m_serving = 0; // the ticket whose turn it is
};
