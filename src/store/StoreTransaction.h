// A batch of store operations run by one thread as one database transaction; see AddressStore::BeginTransaction.
#pragma once

#include <mutex>
#include <optional>

#include "platform/Transaction.h"

class OdbcConnection;

class StoreTransaction {
public:
    StoreTransaction(std::recursive_mutex& mutex, OdbcConnection& connection);
    StoreTransaction(const StoreTransaction&) = delete;
    StoreTransaction& operator=(const StoreTransaction&) = delete;
    // Rolls back what was not committed, then lets other threads at the store again.
    ~StoreTransaction() = default;

    // \throws DatabaseError
    void Commit();
    // Whether statements run inside a transaction (false when the connection was not open).
    bool IsActive() const noexcept { return m_transaction.has_value(); }

private:
    std::unique_lock<std::recursive_mutex> m_lock;
    std::optional<Transaction> m_transaction;
};
