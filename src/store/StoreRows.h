// What the store's files share inside the store: reading the rows of a query, and running a read again once a
// lost connection is made again. Not for use outside src/store.
#pragma once

#include <initializer_list>
#include <string>

#include "platform/SqlParameter.h"
#include "store/AddressStore.h"
#include "platform/DatabaseError.h"
#include "store/CMyRecordset.h"

// Query results a loader gives back (see the result codes in the header).
constexpr int kRowsRead = 0;
constexpr int kNotOpenOrNoRows = 1;

// Runs a query and hands each row to `readRow`; the result code of a list loader.
template <class ReadRow>
int loadRows(OdbcConnection& connection, const std::string& sql, std::initializer_list<SqlParameter> params,
             ReadRow readRow) {
    CMyRecordset records(connection);
    records.open(sql, params);
    if (!records.isOpen()) return kRowsRead;
    if (records.isEof()) {
        records.close();
        return kNotOpenOrNoRows;
    }
    while (!records.isEof()) {
        readRow(records);
        records.moveNext();
    }
    records.close();
    return kRowsRead;
}

template <class Read> auto AddressStore::readReconnecting(Read read) -> decltype(read()) {
    try {
        return read();
    } catch (const DatabaseError& error) {
        // Inside a transaction the read belongs to work that went with the connection; it is not run alone.
        if (!noteIfConnectionGone(error) || m_batch || m_connection.inTransaction()) throw;
    }
    restoreConnection();
    return read();
}
