#include "store/StoreTransaction.h"

#include "platform/DatabaseError.h"
#include "platform/OdbcConnection.h"
#include "store/AddressStore.h"

StoreTransaction::StoreTransaction(AddressStore& store, BatchErrors errors)
    : m_store(store), m_lock(store.m_mutex), m_errors(errors) {
    // A batch writes: it holds the database's write lock from its start, so that it never has to turn a read into
    // a write part way, which fails where another program wrote in between.
    try {
        // A connection found gone is made again first: a batch is the start of new work, not a repeat.
        store.restoreConnection();
        if (store.m_connection.isOpen())
            m_transaction.emplace(store.m_connection, TransactionIsolation::kDefault, TransactionAccess::kWrite);
    } catch (const DatabaseError& error) {
        store.noteIfConnectionGone(error);
        throw;
    }
    store.m_batch = this;
}

StoreTransaction::~StoreTransaction() {
    m_store.m_batch = nullptr;
    m_transaction.reset(); // rolls back unless committed
}

void StoreTransaction::commit() {
    if (!m_transaction) return;
    try {
        m_transaction->commit();
    } catch (const DatabaseError& error) {
        // Whether it committed is unknown when the connection went: the owner reports it and repeats nothing.
        m_store.noteIfConnectionGone(error);
        throw;
    }
}

bool StoreTransaction::isBroken() const noexcept {
    return m_transaction && !m_transaction->committed() && m_store.m_connection.transactionLost();
}

void StoreTransaction::keep(const std::string& failure) {
    ++m_failures;
    m_lastFailure = failure;
}
