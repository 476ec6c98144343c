#include "platform/Transaction.h"

#include <utility>

#include "platform/DatabaseError.h"

Transaction::Transaction(OdbcConnection& connection, TransactionIsolation isolation, TransactionAccess access)
    : m_connection(connection) {
    m_connection.beginTransaction(isolation, access);
}

Transaction::~Transaction() {
    if (!m_done) m_connection.rollback();
}

void Transaction::commit() {
    if (m_done) return;
    m_connection.commit();
    m_done = true;
}

Savepoint::Savepoint(OdbcConnection& connection, std::string name) : m_connection(connection), m_name(std::move(name)) {
    // Outside a transaction a savepoint would open one of the engine's own behind the driver's back.
    if (!m_connection.inTransaction())
        throw DatabaseError("25000", 0, "A savepoint needs an open transaction on this connection.");
    m_connection.executeControl("savepoint " + m_name);
}

Savepoint::~Savepoint() {
    if (m_done) return;
    try {
        rollback();
    } catch (const DatabaseError&) {
        // Only reached while an error is already on its way out; the transaction's own rollback follows.
    }
}

void Savepoint::release() {
    if (m_done) return;
    m_done = true;
    m_connection.executeControl("release savepoint " + m_name);
}

void Savepoint::rollback() {
    if (m_done) return;
    m_done = true;
    // Rolling back to a savepoint keeps it open on most engines; releasing it ends it.
    m_connection.executeControl("rollback to savepoint " + m_name);
    m_connection.executeControl("release savepoint " + m_name);
}
