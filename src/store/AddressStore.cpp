#include "store/AddressStore.h"

#include <algorithm>
#include <iostream>
#include <optional>
#include <unordered_set>
#include <span>
#include <utility>

#include "Config.h"
#include "platform/CodePage936.h"
#include "platform/DatabaseError.h"
#include "platform/Transaction.h"
#include "store/AddressBook.h"
#include "store/CMyRecordset.h"
#include "store/DatabaseFile.h"
#include "store/StoreRows.h"
#include "store/DownloadText.h"

namespace {

void readAddress(CMyRecordset& row, AddressRecord& address) {
    address.id = row.integer("id");
    address.group_id = row.integer("group_id");
    address.email = row.text("email");
    address.name = row.text("name");
}

} // namespace

AddressStore::AddressStore() : m_updateServer(kUpdateServer), m_downloadOptions(defaultDownloadOptions()) {}

AddressStore::~AddressStore() = default;

AddressStore& AddressStore::instance() {
    return AddressBook::program().store();
}

void AddressStore::setErrorReporter(ErrorReporter reporter) {
    std::lock_guard lock(m_mutex);
    m_reporter = std::move(reporter);
}

void AddressStore::setUpdateServer(std::string baseAddress) {
    std::lock_guard lock(m_mutex);
    m_updateServer = std::move(baseAddress);
}

void AddressStore::setDownloadOptions(HttpGetOptions options) {
    std::lock_guard lock(m_mutex);
    m_downloadOptions = std::move(options);
}

void AddressStore::report(const std::vector<std::string>& failures) {
    if (failures.empty()) return;
    ErrorReporter reporter;
    {
        std::lock_guard lock(m_mutex);
        reporter = m_reporter;
    }
    for (const std::string& text : failures) {
        if (reporter)
            reporter(text);
        else
            std::cerr << text << '\n';
    }
}

int AddressStore::runWrite(const std::string& sql, std::initializer_list<SqlParameter> params) {
    std::vector<std::string> failures;
    int result = 0;
    {
        std::lock_guard lock(m_mutex);
        try {
            restoreConnection();
        } catch (const DatabaseError& error) {
            failures.push_back(error.what());
        }
        if (failures.empty()) {
            if (!m_connection.isOpen()) return 1;
            if (batchBroken()) return m_batch->keepsErrors() ? kNotWritten : 0;
            result = settleWrite(executeWrite(sql, params), failures);
        } else {
            result = 1;
        }
    }
    report(failures);
    return result;
}

int AddressStore::settleWrite(std::string failure, std::vector<std::string>& toReport) {
    if (failure.empty()) return 0;
    if (m_batch && m_batch->keepsErrors()) {
        m_batch->keep(failure);
        return kNotWritten;
    }
    toReport.push_back(std::move(failure));
    return 0;
}

bool AddressStore::batchBroken() const {
    // The failure that broke the batch has been reported or kept already; the statements after it would only
    // fail one by one for the same reason.
    return m_batch && m_batch->isBroken();
}

std::string AddressStore::executeWrite(const std::string& sql, std::initializer_list<SqlParameter> params) {
    try {
        m_connection.execute(sql, params);
        return {};
    } catch (const DatabaseError& error) {
        noteIfConnectionGone(error);
        return error.what();
    }
}

StoreTransaction AddressStore::beginTransaction(BatchErrors errors) {
    return StoreTransaction(*this, errors);
}

// Groups -------------------------------------------------------------------------------------------------------

// Lists come in the order of their ids, the order in which the rows were made (groups) or stood in the server's file
// (keywords, links). SQLite reads its tables in that order anyway; other engines keep no order of their own (an
// updated row moves on PostgreSQL), so it is asked for.
int AddressStore::LoadGroups(std::vector<GroupRecord>& groups) {
    std::lock_guard lock(m_mutex);
    restoreConnection();
    if (!m_connection.isOpen()) return 1;
    return readReconnecting([&] {
        groups.clear();
        return loadRows(m_connection, "select id, name from AddressCata order by id", {}, [&](CMyRecordset& row) {
            GroupRecord group;
            group.name = row.text("name");
            group.id = row.integer("id");
            groups.push_back(std::move(group));
        });
    });
}

int AddressStore::AddGroup(const std::string& name) {
    return runWrite("insert into AddressCata(name) values(?)", {name});
}

int AddressStore::RenameGroup(RowId id, const std::string& name) {
    return runWrite("update AddressCata set name = ? where id = ?", {name, id});
}

int AddressStore::DeleteGroup(RowId id) {
    const GroupDeletion deletion = deleteGroupWithAddresses(id);
    if (deletion.notOpen) return 1;
    if (!deletion.failure.empty()) report({deletion.failure});
    return 0;
}

AddressStore::GroupDeletion AddressStore::deleteGroupWithAddresses(RowId id) {
    GroupDeletion result;
    std::lock_guard lock(m_mutex);
    try {
        restoreConnection();
        if (!m_connection.isOpen()) {
            result.notOpen = true;
            return result;
        }
        if (batchBroken()) throw DatabaseError("40000", 0, "The batch in progress has failed; nothing was deleted.");
        std::int64_t count = 0;
        loadRows(m_connection, "select count(*) as total from AddressList where group_id = ?", {id},
                 [&](CMyRecordset& row) { count = row.integer("total"); });
        // Inside a batch the deletes go with it; alone they take the write lock for themselves.
        std::optional<Transaction> transaction;
        if (!m_connection.inTransaction())
            transaction.emplace(m_connection, TransactionIsolation::kDefault, TransactionAccess::kWrite);
        m_connection.execute("delete from AddressList where group_id = ?", {id});
        m_connection.execute("delete from AddressCata where id = ?", {id});
        if (transaction) transaction->commit();
        result.deleted = true;
        result.addresses = count;
    } catch (const DatabaseError& error) {
        noteIfConnectionGone(error);
        result.failure = error.what();
    }
    return result;
}

// Addresses ----------------------------------------------------------------------------------------------------

int AddressStore::addressExistsLocked(RowId groupId, const std::string& email, const RowId* exceptId) {
    if (!m_connection.isOpen()) return 1;
    // A text that the database cannot hold (a NUL, or bytes that are not GBK, where the book is kept as Unicode) is
    // in no row; asking would only fail.
    if (!m_connection.canStore(email)) return 0;
    CMyRecordset records(m_connection);
    // Only whether a row comes counts, so the prepared statement is reused: the filter and the import run this
    // once per line. Asking for no column and one row at most lets the engine answer from the index on
    // (group_id, email) alone, without reading the row itself from the table.
    if (exceptId)
        records.open("select 1 from AddressList where group_id = ? and email = ? and id <> ? limit 1",
                     {groupId, email, *exceptId}, CMyRecordset::Reading::kRowsOnly);
    else
        records.open("select 1 from AddressList where group_id = ? and email = ? limit 1", {groupId, email},
                     CMyRecordset::Reading::kRowsOnly);
    if (!records.isOpen()) return 1;
    const bool none = records.isEof();
    records.close();
    return none ? 0 : 1;
}

int AddressStore::AddressExists(RowId groupId, const std::string& email) {
    std::lock_guard lock(m_mutex);
    restoreConnection();
    return readReconnecting([&] { return addressExistsLocked(groupId, email, nullptr); });
}

int AddressStore::AddressExistsExcept(RowId groupId, const std::string& email, RowId id) {
    std::lock_guard lock(m_mutex);
    restoreConnection();
    return readReconnecting([&] { return addressExistsLocked(groupId, email, &id); });
}

namespace {

// Texts per statement of addressesExist: a statement answers for many texts at once, so that a long run of checks
// costs a statement (a round trip to a server) per hundred texts rather than per text. 101 parameters stay under
// the 999 that older SQLite builds allow. A piece that comes short is filled up with empty texts, so that only one
// statement text is ever prepared; never with copies of a real text, which the driver would copy each time (a
// 200 MB line would then cost 20 GB).
constexpr std::size_t kChecksPerStatement = 100;

// The texts that the group holds, each looked up on its own in the index on (group_id, email), as a check of one
// text is. Not "email in (...)": a planner that believes the group small (PostgreSQL, for a group its statistics do
// not know yet, such as one an import is filling) reads the whole group once per statement to compare each row
// with the list, which costs the group's size every hundred texts. The subquery with its "limit 1" is never turned
// into a join, so every engine runs it once per text, from the index.
const std::string& addressesExistStatement() {
    static const std::string text = [] {
        std::string sql = "select v.column1 from (values (?)";
        for (std::size_t i = 1; i < kChecksPerStatement; ++i)
            sql += ", (?)";
        return sql + ") as v where (select 1 from AddressList a where a.group_id = ? and a.email = v.column1 "
                     "limit 1) is not null";
    }();
    return text;
}

} // namespace

void AddressStore::addressesExist(RowId groupId, std::span<const std::string> emails, std::vector<int>& results) {
    std::lock_guard lock(m_mutex);
    results.assign(emails.size(), 1);
    restoreConnection();
    if (!m_connection.isOpen() || emails.empty()) return;
    try {
        readReconnecting([&] {
            // One read transaction: the engine takes its locks and checks its files once for all the texts. It only
            // reads, so it keeps no other program from writing meanwhile.
            std::optional<Transaction> read;
            if (!m_connection.inTransaction()) read.emplace(m_connection);
            // A text that the database cannot hold is in no row (see addressExistsLocked); the others are asked.
            std::vector<std::size_t> asked;
            asked.reserve(emails.size());
            for (std::size_t i = 0; i < emails.size(); ++i) {
                if (m_connection.canStore(emails[i]))
                    asked.push_back(i);
                else
                    results[i] = 0;
            }
            std::unordered_set<std::string> found;
            std::vector<SqlParameter> params;
            params.reserve(1 + kChecksPerStatement);
            for (std::size_t from = 0; from < asked.size(); from += kChecksPerStatement) {
                const std::size_t count = std::min(kChecksPerStatement, asked.size() - from);
                params.clear();
                for (std::size_t k = 0; k < kChecksPerStatement; ++k)
                    params.emplace_back(k < count ? std::string_view(emails[asked[from + k]]) : std::string_view());
                params.emplace_back(groupId);
                found.clear();
                CMyRecordset records(m_connection);
                // One column, the statement's own: read without the check of a fresh preparation.
                records.open(addressesExistStatement(), params, CMyRecordset::Reading::kFirstColumn);
                for (; !records.isEof(); records.moveNext())
                    found.insert(records.firstColumnText());
                records.close();
                for (std::size_t k = 0; k < count; ++k) {
                    const std::size_t at = asked[from + k];
                    results[at] = found.count(emails[at]) != 0 ? 1 : 0;
                }
            }
            if (read) read->commit();
        });
    } catch (const DatabaseError&) {
        results.assign(emails.size(), 1);
        throw;
    }
}

namespace {

// Rows per insert statement of insertAddresses: 100 rows of 3 values stay under the 999 parameters that older
// SQLite builds allow. The few rows past the last full statement go one by one, so that only two statement texts
// are ever prepared.
constexpr std::size_t kRowsPerInsert = 100;
constexpr char kInsertAddress[] = "insert into AddressList(group_id, email, name) values(?, ?, ?)";

// The insert of `rows` rows, for 1, 10 or 100: a remainder goes in tens, then one by one, so that a few statement
// texts serve every count.
std::string insertAddressesStatement(std::size_t rows) {
    std::string sql = kInsertAddress;
    for (std::size_t i = 1; i < rows; ++i)
        sql += ", (?, ?, ?)";
    return sql;
}

const std::string& insertStatementFor(std::size_t rows) {
    static const std::string hundred = insertAddressesStatement(kRowsPerInsert);
    static const std::string ten = insertAddressesStatement(kRowsPerInsert / 10);
    static const std::string one = insertAddressesStatement(1);
    return rows == kRowsPerInsert ? hundred : rows == kRowsPerInsert / 10 ? ten : one;
}

} // namespace

int AddressStore::InsertAddress(RowId groupId, const std::string& email, const std::string& name) {
    return runWrite(kInsertAddress, {groupId, email, name});
}

AddressStore::AddResult AddressStore::addAddressIfAbsent(RowId groupId, const std::string& email,
                                                         const std::string& name) {
    AddResult result;
    std::lock_guard lock(m_mutex);
    try {
        restoreConnection();
        if (!m_connection.isOpen()) {
            result.outcome = AddOutcome::kNotOpen;
            return result;
        }
        if (batchBroken()) throw DatabaseError("40000", 0, "The batch in progress has failed; nothing was written.");
        // A lock held for one check and one insert costs milliseconds; inside a batch the batch holds it.
        std::optional<Transaction> transaction;
        if (!m_connection.inTransaction())
            transaction.emplace(m_connection, TransactionIsolation::kDefault, TransactionAccess::kWrite);
        if (addressExistsLocked(groupId, email, nullptr) != 0) {
            result.outcome = AddOutcome::kAlreadyInGroup;
            return result;
        }
        m_connection.execute(kInsertAddress, {groupId, email, name});
        if (transaction) transaction->commit();
        result.outcome = AddOutcome::kAdded;
    } catch (const DatabaseError& error) {
        noteIfConnectionGone(error);
        result.outcome = AddOutcome::kFailed;
        result.failure = error.what();
    }
    return result;
}

// Inserts `count` rows, row i being rowAt(i) = {e-mail, name}, many to a statement.
template <class RowAt>
AddressStore::InsertOutcome AddressStore::insertRows(RowId groupId, std::size_t count, RowAt rowAt) {
    std::vector<std::string> failures;
    InsertOutcome outcome = InsertOutcome::kInserted;
    {
        std::lock_guard lock(m_mutex);
        if (!m_connection.isOpen()) return InsertOutcome::kNotOpen;
        if (batchBroken()) return m_batch->keepsErrors() ? InsertOutcome::kKept : InsertOutcome::kReported;
        std::string failure;
        try {
            std::vector<SqlParameter> params;
            params.reserve(3 * kRowsPerInsert);
            for (std::size_t from = 0; from < count;) {
                const std::size_t left = count - from;
                const std::size_t rows = left >= kRowsPerInsert        ? kRowsPerInsert
                                         : left >= kRowsPerInsert / 10 ? kRowsPerInsert / 10
                                                                       : 1;
                params.clear();
                for (std::size_t i = from; i < from + rows; ++i) {
                    const auto [email, name] = rowAt(i);
                    params.emplace_back(groupId);
                    params.emplace_back(email);
                    params.emplace_back(name);
                }
                m_connection.execute(insertStatementFor(rows), params);
                from += rows;
            }
        } catch (const DatabaseError& error) {
            noteIfConnectionGone(error);
            failure = error.what();
        }
        if (!failure.empty())
            outcome = settleWrite(std::move(failure), failures) == kNotWritten ? InsertOutcome::kKept
                                                                               : InsertOutcome::kReported;
    }
    report(failures);
    return outcome;
}

AddressStore::InsertOutcome AddressStore::insertAddresses(RowId groupId, std::span<const std::string> emails,
                                                          const std::string& name) {
    return insertRows(groupId, emails.size(),
                      [&](std::size_t i) { return std::pair<std::string_view, std::string_view>(emails[i], name); });
}

AddressStore::InsertOutcome AddressStore::insertNamedAddresses(RowId groupId, std::span<const NamedAddress> rows) {
    return insertRows(groupId, rows.size(), [&](std::size_t i) {
        return std::pair<std::string_view, std::string_view>(rows[i].email, rows[i].name);
    });
}

int AddressStore::UpdateAddress(RowId id, RowId groupId, const std::string& email, const std::string& name) {
    std::vector<std::string> failures;
    int result = 0;
    {
        std::lock_guard lock(m_mutex);
        try {
            restoreConnection();
        } catch (const DatabaseError& error) {
            failures.push_back(error.what());
        }
        if (!failures.empty() || !m_connection.isOpen()) {
            result = 1;
        } else if (batchBroken()) {
            result = 2;
        } else {
            result = updateLocked(id, groupId, email, name, failures);
        }
    }
    report(failures);
    return result;
}

int AddressStore::updateLocked(RowId id, RowId groupId, const std::string& email, const std::string& name,
                               std::vector<std::string>& failures) {
    // Check and write under the store's lock and the database's write lock, so that neither another thread nor
    // another program can slip the same e-mail text in between. Inside a batch, the batch holds both.
    std::optional<Transaction> transaction;
    try {
        if (!m_connection.inTransaction())
            transaction.emplace(m_connection, TransactionIsolation::kDefault, TransactionAccess::kWrite);
        if (addressExistsLocked(groupId, email, &id) != 0) return 2;
    } catch (const DatabaseError& error) {
        // Without an answer to the check nothing may be written; the caller treats 2 as a refusal.
        noteIfConnectionGone(error);
        settleWrite(error.what(), failures);
        return 2;
    }
    const int result = settleWrite(executeWrite("update AddressList set group_id = ?, email = ?, name = ? where id = ?",
                                                {groupId, email, name, id}),
                                   failures);
    if (!transaction) return result;
    try {
        transaction->commit();
    } catch (const DatabaseError& error) {
        noteIfConnectionGone(error);
        settleWrite(error.what(), failures);
        return 2;
    }
    return result;
}

int AddressStore::DeleteAddress(RowId id) {
    return runWrite("delete from AddressList where id = ?", {id});
}

int AddressStore::LoadGroupAddresses(RowId groupId, std::list<AddressRecord>& addresses) {
    std::lock_guard lock(m_mutex);
    restoreConnection();
    if (!m_connection.isOpen()) return 1;
    return readReconnecting([&] {
        addresses.clear();
        return loadRows(m_connection,
                        "select id, group_id, email, name from AddressList where group_id = ? order by email, id",
                        {groupId}, [&](CMyRecordset& row) { readAddress(row, addresses.emplace_back()); });
    });
}

int AddressStore::loadGroupAddressPage(RowId groupId, std::int32_t offset, std::int32_t limit,
                                       std::vector<AddressRecord>& addresses) {
    std::lock_guard lock(m_mutex);
    restoreConnection();
    if (!m_connection.isOpen()) return 1;
    return readReconnecting([&] {
        addresses.clear();
        return loadRows(m_connection,
                        "select id, group_id, email, name from AddressList where group_id = ? order by email, id "
                        "limit ? offset ?",
                        {groupId, limit, offset},
                        [&](CMyRecordset& row) { readAddress(row, addresses.emplace_back()); });
    });
}

std::optional<std::int32_t> AddressStore::countGroupAddresses(RowId groupId) {
    std::lock_guard lock(m_mutex);
    restoreConnection();
    if (!m_connection.isOpen()) return std::nullopt;
    return readReconnecting([&] {
        std::int32_t count = 0;
        loadRows(m_connection, "select count(*) as total from AddressList where group_id = ?", {groupId},
                 [&](CMyRecordset& row) { count = static_cast<std::int32_t>(row.integer("total")); });
        return std::optional<std::int32_t>(count);
    });
}

std::optional<AddressStore::AddressPlace> AddressStore::addressPlace(RowId addressId) {
    std::lock_guard lock(m_mutex);
    restoreConnection();
    if (!m_connection.isOpen()) return std::nullopt;
    return readReconnecting([&] {
        // The rows before it in the order of the group's pages: by e-mail text, then by id. One read, so that the
        // row and its place agree.
        std::optional<AddressPlace> place;
        loadRows(m_connection,
                 "select a.group_id as group_id, (select count(*) from AddressList b where b.group_id = a.group_id "
                 "and (b.email < a.email or (b.email = a.email and b.id < a.id))) as position "
                 "from AddressList a where a.id = ?",
                 {addressId}, [&](CMyRecordset& row) {
                     place = AddressPlace{row.integer("group_id"), row.integer("position")};
                 });
        return place;
    });
}
