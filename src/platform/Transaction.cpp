#include "platform/Transaction.h"

#include "platform/OdbcConnection.h"

Transaction::Transaction(OdbcConnection& connection) : m_connection(connection) { m_connection.beginTransaction(); }

Transaction::~Transaction() {
    if (!m_done) m_connection.rollback();
}

void Transaction::commit() {
    if (m_done) return;
    m_connection.commit();
    m_done = true;
}
