#include "store/StoreTransaction.h"

#include "platform/OdbcConnection.h"

StoreTransaction::StoreTransaction(std::recursive_mutex& mutex, OdbcConnection& connection) : m_lock(mutex) {
    if (connection.isOpen()) m_transaction.emplace(connection);
}

void StoreTransaction::Commit() {
    if (m_transaction) m_transaction->commit();
}
