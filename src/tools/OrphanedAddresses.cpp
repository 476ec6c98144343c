// Tested by tests/store/GroupTest.cpp.
#include "tools/OrphanedAddresses.h"

#include "platform/OdbcConnection.h"
#include "platform/OdbcRecordSet.h"
#include "platform/Transaction.h"

namespace {

// "not exists" rather than "not in": it reads the group table by its key once per group id, on every engine.
constexpr char kOrphaned[] = "not exists (select 1 from AddressCata c where c.id = AddressList.group_id)";

} // namespace

std::vector<OrphanedGroup> findOrphanedAddresses(OdbcConnection& connection) {
    std::vector<OrphanedGroup> groups;
    OdbcRecordSet records(connection);
    records.open(std::string("select group_id, count(*) as total from AddressList where ") + kOrphaned +
                 " group by group_id order by group_id");
    for (; !records.isEof(); records.moveNext())
        groups.push_back({records.integer("group_id"), records.integer("total")});
    return groups;
}

std::int64_t removeOrphanedAddresses(OdbcConnection& connection) {
    Transaction transaction(connection, TransactionIsolation::kDefault, TransactionAccess::kWrite);
    std::int64_t count = 0;
    for (const OrphanedGroup& group : findOrphanedAddresses(connection))
        count += group.addresses;
    connection.execute(std::string("delete from AddressList where ") + kOrphaned);
    transaction.commit();
    return count;
}
