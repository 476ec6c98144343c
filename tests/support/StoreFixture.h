// A store on a fresh book of its own (on the engine of the test run, see TestBook), with every reported error
// recorded, and a second connection to the same book for setting up rows the store's operations cannot make
// (explicit ids, broken tables, tables that refuse rows).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/OdbcConnection.h"
#include "store/AddressStore.h"
#include "support/TempFolder.h"
#include "support/TestBook.h"

class StoreFixture : public ::testing::Test {
protected:
    StoreFixture();
    ~StoreFixture() override;

    // Adds a group through the store; its id (the highest of the groups of that name).
    RowId addGroup(const std::string& name);
    // Runs a statement on the side connection.
    void sql(const std::string& statement, std::initializer_list<SqlParameter> params = {});
    // The first column of the first row of a query on the side connection, as an integer.
    std::int64_t scalar(const std::string& query, std::initializer_list<SqlParameter> params = {});
    // Every text of column `column` of a query on the side connection.
    std::vector<std::string> texts(const std::string& query, const std::string& column);

    // Statements whose form differs from one engine to another, for setting a book up.
    // Makes `table` refuse the insert of each row for which `condition` holds (SQL on "new.<column>"), with
    // `message`: the statement is refused and the transaction goes on. `endsTransaction`: the failure ends the
    // whole transaction instead, as a full disk does (SQLite: the engine rolls it back; PostgreSQL: the error is
    // the server's "disk full", which fails a whole refresh).
    void refuseInserts(const std::string& name, const std::string& table, const std::string& condition,
                       const std::string& message, bool endsTransaction = false);
    // Makes `table` refuse every delete, with `message`.
    void refuseDeletes(const std::string& name, const std::string& table, const std::string& message);
    void dropRefusal(const std::string& name, const std::string& table);
    // The next id the database gives a new row of `table`.
    void setNextId(const std::string& table, std::int32_t id);
    // Whether the book's storage is sound (SQLite's integrity check; a server keeps its own).
    bool bookIsSound();

    TempFolder folder;
    TestBook book{folder.path()};
    AddressStore store;
    std::vector<std::string> reported;

private:
    OdbcConnection& side();
    std::unique_ptr<OdbcConnection> m_side;
};

// Whether `text` holds `part`, letter case aside (engines differ in the case of the names they quote).
bool containsIgnoringCase(const std::string& text, const std::string& part);
