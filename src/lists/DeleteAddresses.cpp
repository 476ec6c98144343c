// Tested by tests/gui/ListFindTest.cpp.
#include "lists/DeleteAddresses.h"

#include <algorithm>
#include <vector>

#include "platform/DatabaseError.h"
#include "platform/OdbcRecordSet.h"
#include "store/AddressStore.h"

namespace {

// Ids per statement (under the 999 parameters of older SQLite builds) and per batch.
constexpr std::size_t kPerStatement = 100;
constexpr std::size_t kPerBatch = 2000;

std::int64_t changes(OdbcConnection& connection, std::span<const RowId> ids, const std::string& where) {
    std::vector<SqlParameter> params;
    for (std::size_t i = 0; i < kPerStatement; ++i)
        params.emplace_back(ids[i < ids.size() ? i : 0]); // filled up with an id of the piece again
    OdbcRecordSet count(connection);
    count.open("select count(*) as n from AddressList where id in " + where, params);
    const std::int64_t rows = count.integer("n");
    count.close();
    connection.execute("delete from AddressList where id in " + where, params);
    return rows;
}

} // namespace

AddressDeletion deleteAddresses(AddressStore& store, std::span<const RowId> ids) {
    static const std::string where = [] {
        std::string list = "(?";
        for (std::size_t i = 1; i < kPerStatement; ++i)
            list += ",?";
        return list + ")";
    }();
    AddressDeletion deletion;
    try {
        for (std::size_t from = 0; from < ids.size(); from += kPerBatch) {
            const std::span<const RowId> batchIds = ids.subspan(from, std::min(kPerBatch, ids.size() - from));
            StoreTransaction batch = store.beginTransaction(BatchErrors::kKeep);
            std::int64_t rows = 0;
            store.withConnection([&](OdbcConnection& connection) {
                for (std::size_t piece = 0; piece < batchIds.size(); piece += kPerStatement)
                    rows += changes(connection,
                                    batchIds.subspan(piece, std::min(kPerStatement, batchIds.size() - piece)), where);
            });
            batch.commit();
            deletion.deleted += static_cast<std::size_t>(rows);
        }
    } catch (const DatabaseError& error) {
        deletion.failure = error.message();
    }
    return deletion;
}
