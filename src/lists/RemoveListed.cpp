// Tested by tests/lists/RemoveListedTest.cpp.
#include "lists/RemoveListed.h"

#include <algorithm>
#include <optional>
#include <span>
#include <unordered_map>
#include <unordered_set>

#include "lists/FoldedMatch.h"
#include "lists/LowerEmailIndex.h"
#include "lists/RemovedRowsFile.h"
#include "lists/SearchForms.h"
#include "platform/DatabaseError.h"
#include "platform/OdbcRecordSet.h"
#include "platform/Transaction.h"
#include "store/AddressStore.h"
#include "store/GroupRecord.h"

namespace {

// Texts per statement: a hundred stay under the 999 parameters that older SQLite builds allow. A piece that comes
// short is filled up with empty texts (no address is empty), so that one statement text serves every piece.
constexpr std::size_t kPerStatement = 100;
// Pieces looked up in one read of the book while counting.
constexpr std::size_t kPiecesPerRead = 20;

struct Row {
    RowId id = 0;
    RowId groupId = 0;
    std::string email;
    std::string name;
};

std::string inList(std::size_t count) {
    std::string sql = "(?";
    for (std::size_t i = 1; i < count; ++i)
        sql += ",?";
    return sql + ")";
}

class Lookup {
public:
    Lookup(const SearchForms& forms, const RemoveListedOptions& options) : m_forms(forms), m_options(options) {
        // "+group_id" keeps the planner off the index on (group_id, email): through it, SQLite would read a whole
        // group (or every group) for each statement, rather than look each text up in the index on lower(email).
        m_sql = "select id, group_id, email, name from AddressList where lower(email) in " + inList(kPerStatement) +
                (options.group ? " and +group_id = ?" : " and +group_id in (select id from AddressCata)");
    }

    // The rows that hold one of `addresses` (at most kPerStatement), appended to `rows`.
    void rowsOf(OdbcConnection& connection, std::span<const std::string> addresses, std::vector<Row>& rows) {
        std::vector<std::string> folded;
        folded.reserve(addresses.size());
        for (const std::string& address : addresses)
            folded.push_back(m_forms.fold(address));
        std::vector<SqlParameter> params;
        for (std::size_t i = 0; i < kPerStatement; ++i)
            params.emplace_back(i < folded.size() ? std::string_view(folded[i]) : std::string_view());
        if (m_options.group) params.emplace_back(*m_options.group);
        // The statement finds every letter case; the comparison asked for is made here.
        const std::unordered_set<std::string_view> wanted(addresses.begin(), addresses.end());
        OdbcRecordSet records(connection);
        records.open(m_sql, params);
        for (; !records.isEof(); records.moveNext()) {
            std::string email = records.text("email");
            if (!wanted.count(m_options.ignoreCase ? foldAsciiLetters(email) : email)) continue;
            rows.push_back(
                {records.integer("id"), records.integer("group_id"), std::move(email), records.text("name")});
        }
    }

    // The listed address a row holds.
    std::string keyOf(const Row& row) const { return m_options.ignoreCase ? foldAsciiLetters(row.email) : row.email; }

private:
    const SearchForms& m_forms;
    const RemoveListedOptions& m_options;
    std::string m_sql;
};

void deleteRows(OdbcConnection& connection, const std::vector<Row>& rows) {
    static const std::string sql = "delete from AddressList where id in " + inList(kPerStatement);
    std::vector<SqlParameter> params;
    for (std::size_t from = 0; from < rows.size(); from += kPerStatement) {
        params.clear();
        const std::size_t count = std::min(kPerStatement, rows.size() - from);
        // Filled up with the piece's first id again: no id that could be another row's.
        for (std::size_t i = 0; i < kPerStatement; ++i)
            params.emplace_back(rows[from + (i < count ? i : 0)].id);
        connection.execute(sql, params);
    }
}

} // namespace

ListedCount countListed(AddressStore& store, const std::vector<std::string>& addresses,
                        const RemoveListedOptions& options, RemoveListedProgress* progress, std::stop_token stop) {
    ListedCount count;
    try {
        ensureLowerEmailIndex(store, progress ? &progress->buildingIndex : nullptr);
        Lookup lookup(searchFormsOf(store), options);
        std::unordered_set<std::string> present;
        std::unordered_set<RowId> groups;
        std::vector<Row> rows;
        const std::size_t perRead = kPerStatement * kPiecesPerRead;
        for (std::size_t from = 0; from < addresses.size(); from += perRead) {
            if (stop.stop_requested()) {
                count.cancelled = true;
                break;
            }
            const std::size_t end = std::min(from + perRead, addresses.size());
            rows.clear();
            store.withConnection([&](OdbcConnection& connection) {
                // One read of the book for the pieces: the engine takes its locks and checks its files once.
                std::optional<Transaction> read;
                if (!connection.inTransaction()) read.emplace(connection);
                for (std::size_t piece = from; piece < end; piece += kPerStatement)
                    lookup.rowsOf(connection, std::span(addresses).subspan(piece, std::min(kPerStatement, end - piece)),
                                  rows);
                if (read) read->commit();
            });
            for (const Row& row : rows) {
                present.insert(lookup.keyOf(row));
                groups.insert(row.groupId);
            }
            count.rows += rows.size();
            if (progress) progress->checked.store(end);
        }
        count.present = present.size();
        count.groups = groups.size();
    } catch (const DatabaseError& error) {
        count.failure = error.message();
    }
    return count;
}

ListedRemoval removeListed(AddressStore& store, const std::vector<std::string>& addresses,
                           const RemoveListedOptions& options, const std::string& savePath,
                           RemoveListedProgress* progress, std::stop_token stop) {
    ListedRemoval removal;
    RemovedRowsFile saved;
    if (!savePath.empty() && !saved.create(savePath)) {
        removal.stopped = true;
        removal.fileError = saved.error();
        return removal;
    }
    try {
        ensureLowerEmailIndex(store, progress ? &progress->buildingIndex : nullptr);
        Lookup lookup(searchFormsOf(store), options);
        std::unordered_map<RowId, std::string> groupNames;
        if (!savePath.empty()) {
            std::vector<GroupRecord> groups;
            store.LoadGroups(groups);
            for (GroupRecord& group : groups)
                groupNames.emplace(group.id, std::move(group.name));
        }
        const std::size_t perBatch = std::max<std::size_t>(options.addressesPerBatch, 1);
        std::vector<Row> rows;
        for (std::size_t from = 0; from < addresses.size(); from += perBatch) {
            if (stop.stop_requested()) {
                removal.cancelled = true;
                break;
            }
            const std::size_t end = std::min(from + perBatch, addresses.size());
            rows.clear();
            StoreTransaction batch = store.beginTransaction(BatchErrors::kKeep);
            store.withConnection([&](OdbcConnection& connection) {
                for (std::size_t piece = from; piece < end; piece += kPerStatement)
                    lookup.rowsOf(connection, std::span(addresses).subspan(piece, std::min(kPerStatement, end - piece)),
                                  rows);
            });
            bool savedRows = false;
            if (!savePath.empty() && !rows.empty()) {
                std::vector<RemovedRow> removed;
                removed.reserve(rows.size());
                for (const Row& row : rows)
                    removed.push_back({groupNames[row.groupId], row.email, row.name});
                if (!saved.append(removed)) {
                    removal.stopped = true;
                    removal.fileError = saved.error();
                    break; // the batch is undone as it goes
                }
                savedRows = true;
            }
            try {
                store.withConnection([&](OdbcConnection& connection) { deleteRows(connection, rows); });
                // A stop asked for while the batch ran undoes it, as the import does.
                if (stop.stop_requested()) {
                    if (savedRows) saved.undoLastAppend();
                    removal.cancelled = true;
                    break;
                }
                batch.commit();
            } catch (const DatabaseError&) {
                if (savedRows) saved.undoLastAppend();
                throw;
            }
            removal.removed += rows.size();
            if (progress) {
                progress->checked.store(end);
                progress->removed.store(removal.removed);
            }
        }
    } catch (const DatabaseError& error) {
        removal.stopped = true;
        removal.failure = error.message();
    }
    if (!savePath.empty() && !saved.close() && removal.fileError == 0) {
        removal.stopped = true;
        removal.fileError = saved.error();
    }
    return removal;
}
