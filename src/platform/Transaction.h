// A scope that runs a connection's statements as one unit: commit() makes them last; leaving the scope without it
// rolls them back. A Savepoint is the same inside an open transaction, for a part that may be taken back alone.
#pragma once

#include <string>

#include "platform/OdbcConnection.h"

class Transaction {
public:
    // Starts the transaction (see OdbcConnection::beginTransaction). \throws DatabaseError, also when a transaction is
    // already open on the connection, the driver cannot give the isolation asked for, or (kWrite) the write lock
    // could not be had in time.
    explicit Transaction(OdbcConnection& connection, TransactionIsolation isolation = TransactionIsolation::kDefault,
                         TransactionAccess access = TransactionAccess::kDefault);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Makes the statements since the start last and turns auto-commit back on. \throws DatabaseError, also when
    // the engine ended the transaction on its own (OdbcConnection::transactionLost()): nothing was committed then,
    // and leaving the scope rolls back.
    void commit();
    bool committed() const noexcept { return m_done; }

private:
    OdbcConnection& m_connection;
    bool m_done = false;
};

// A named point inside the open transaction (plain SQL "savepoint"). release() keeps what ran since; rollback(),
// or leaving the scope without either, undoes it and leaves the rest of the transaction as it was. After a
// statement failed, some engines (PostgreSQL) refuse every further statement of the transaction until it is
// rolled back to a savepoint; rolling back to one makes the transaction usable again on all of them.
class Savepoint {
public:
    // \throws DatabaseError, also when no transaction is open.
    Savepoint(OdbcConnection& connection, std::string name);
    ~Savepoint();
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;

    // \throws DatabaseError
    void release();
    // \throws DatabaseError: when even this fails, the transaction can no longer be trusted and must be rolled
    // back whole.
    void rollback();

private:
    OdbcConnection& m_connection;
    std::string m_name;
    bool m_done = false;
};
