// Tested by tests/lists/BookSearchTest.cpp.
#include "lists/LowerEmailIndex.h"

#include "lists/SearchForms.h"
#include "platform/DatabaseError.h"
#include "platform/OdbcRecordSet.h"
#include "store/AddressStore.h"

LowerEmailIndex ensureLowerEmailIndex(AddressStore& store, std::atomic<bool>* building) {
    const SearchForms& forms = searchFormsOf(store);
    if (!forms.lowerEmailIndexExists) return {};
    const auto exists = [&] {
        return store.withConnection([&](OdbcConnection& connection) {
            OdbcRecordSet rows(connection);
            rows.open(forms.lowerEmailIndexExists, {}, OdbcRecordSet::Reading::kRowsOnly);
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
            connection.execute(forms.createLowerEmailIndex);
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
