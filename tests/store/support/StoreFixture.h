// A store on a fresh database of its own, with every reported error recorded, and a second connection to the same
// file for setting up rows the store's operations cannot make (explicit ids, broken tables).
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

class StoreFixture : public ::testing::Test {
protected:
    StoreFixture();
    ~StoreFixture() override;

    // Runs a statement on the side connection.
    void sql(const std::string& statement, std::initializer_list<SqlParameter> params = {});
    // The first column of the first row of a query on the side connection, as an integer.
    std::int64_t scalar(const std::string& query, std::initializer_list<SqlParameter> params = {});
    // Every text of column `column` of a query on the side connection.
    std::vector<std::string> texts(const std::string& query, const std::string& column);

    TempFolder folder;
    AddressStore store;
    std::vector<std::string> reported;

private:
    OdbcConnection& side();
    std::unique_ptr<OdbcConnection> m_side;
};
