// A scope that runs a connection's statements as one unit: commit() makes them last; leaving the scope without it
// rolls them back.
#pragma once

class OdbcConnection;

class Transaction {
public:
    // Turns auto-commit off. \throws DatabaseError, also when a transaction is already open on the connection.
    explicit Transaction(OdbcConnection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Makes the statements since the start last and turns auto-commit back on. \throws DatabaseError
    void commit();
    bool committed() const noexcept { return m_done; }

private:
    OdbcConnection& m_connection;
    bool m_done = false;
};
