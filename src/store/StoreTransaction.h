// A batch of store operations run by one thread as one database transaction; see AddressStore::beginTransaction.
#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>

#include "platform/Transaction.h"
#include "store/StoreLock.h"

class AddressStore;

// What becomes of the errors of the writers (InsertAddress, UpdateAddress, ...) run inside a batch.
enum class BatchErrors {
    // Reported one by one through the store's reporter, as outside a batch.
    kReport,
    // Kept by the batch for its owner, who tells the user once (a long run of inserts must not show a message per
    // row). Such a writer returns AddressStore::kNotWritten.
    kKeep,
};

class StoreTransaction {
public:
    StoreTransaction(const StoreTransaction&) = delete;
    StoreTransaction& operator=(const StoreTransaction&) = delete;
    // Rolls back what was not committed, then lets other threads at the store again.
    ~StoreTransaction();

    // Makes the batch last. \throws DatabaseError when it cannot: then nothing of it is committed, including when
    // the batch is broken (isBroken).
    void commit();
    // Whether statements run inside a transaction (false when the connection was not open).
    bool isActive() const noexcept { return m_transaction.has_value(); }
    // Whether the database ended the batch's transaction on its own (a full disk, an I/O error): nothing of it will
    // be committed, every store operation called in it from then on runs nothing (writers return without a word,
    // or kNotWritten; reads throw DatabaseError), and commit() throws.
    bool isBroken() const noexcept;

    // With BatchErrors::kKeep: how many writers failed in this batch, and the text of the latest failure (the
    // driver's).
    std::size_t failures() const noexcept { return m_failures; }
    const std::string& lastFailure() const noexcept { return m_lastFailure; }

private:
    friend class AddressStore;
    StoreTransaction(AddressStore& store, BatchErrors errors);

    bool keepsErrors() const noexcept { return m_errors == BatchErrors::kKeep; }
    void keep(const std::string& failure);

    AddressStore& m_store;
    std::unique_lock<StoreLock> m_lock;
    std::optional<Transaction> m_transaction;
    BatchErrors m_errors;
    std::size_t m_failures = 0;
    std::string m_lastFailure;
};
