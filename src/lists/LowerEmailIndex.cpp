// Tested by tests/lists/BookSearchTest.cpp.
#include "lists/LowerEmailIndex.h"

#include "lists/SearchForms.h"
#include "platform/DatabaseError.h"
#include "platform/OdbcRecordSet.h"
#include "store/AddressStore.h"

namespace {

LowerEmailIndex ensureIndex(AddressStore& store, const SearchForms& forms, const char* existsSql, const char* createSql,
                            std::atomic<bool>* building) {
    if (!existsSql) return {};
    const auto exists = [&] {
        return store.withConnection([&](OdbcConnection& connection) {
            OdbcRecordSet rows(connection);
            rows.open(existsSql, {}, OdbcRecordSet::Reading::kRowsOnly);
            return !rows.isEof();
        });
    };
    if (exists()) return {};
    if (building) building->store(true);
    LowerEmailIndex result;
    try {
        // Under the write lock, as every batch: no other program's batch runs half before and half after it, and
        // "if not exists" lets two programs that both found it missing make it once.
        StoreTransaction batch = store.beginTransaction(BatchErrors::kKeep);
        store.withConnection([&](OdbcConnection& connection) {
            connection.execute(createSql);
            if (forms.afterIndexMade) connection.execute(forms.afterIndexMade);
        });
        batch.commit();
        result.made = true;
    } catch (const DatabaseError& error) {
        result.failure = error.message();
    }
    if (building) building->store(false);
    return result;
}

} // namespace

LowerEmailIndex ensureLowerEmailIndex(AddressStore& store, std::atomic<bool>* building) {
    const SearchForms& forms = searchFormsOf(store);
    return ensureIndex(store, forms, forms.lowerEmailIndexExists, forms.createLowerEmailIndex, building);
}

LowerEmailIndex ensureLowerNameIndex(AddressStore& store, std::atomic<bool>* building) {
    const SearchForms& forms = searchFormsOf(store);
    return ensureIndex(store, forms, forms.lowerNameIndexExists, forms.createLowerNameIndex, building);
}
