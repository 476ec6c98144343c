// Tested by tests/lists/CaseDuplicatesTest.cpp.
#include "lists/CaseDuplicates.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "lists/FoldedMatch.h"
#include "platform/CodePage936.h"
#include "platform/DatabaseError.h"
#include "platform/OdbcConnection.h"
#include "platform/OdbcRecordSet.h"
#include "store/AddressStore.h"

namespace {

using Parameters = std::vector<SqlParameter>;

// Ids to a statement, and rows to a transaction: a transaction of a few thousand rows takes a fraction of a second.
constexpr std::size_t kIdsPerStatement = 200;
constexpr std::size_t kRowsPerBatch = 4000;

// Runs `sql`, which ends in "id in (", for `ids` a statement's worth at a time, with `first` bound before the ids.
// The statements name the group as "+group_id", so that the engine finds the rows by their ids rather than by
// walking the group's index.
template <class Each> void forIdChunks(const std::vector<RowId>& ids, RowId first, const std::string& sql, Each each) {
    for (std::size_t at = 0; at < ids.size(); at += kIdsPerStatement) {
        const std::size_t count = std::min(kIdsPerStatement, ids.size() - at);
        std::string text = sql + "?";
        Parameters params{first, ids[at]};
        for (std::size_t i = 1; i < count; ++i) {
            text += ", ?";
            params.emplace_back(ids[at + i]);
        }
        each(text + ")", params);
    }
}

} // namespace

CaseDuplicatesScan findCaseDuplicates(AddressStore& store, RowId groupId, std::stop_token stop) {
    CaseDuplicatesScan scan;
    std::vector<StoredAddress> candidates;
    try {
        // lower() makes one text of every set (and, on SQLite, which lowers byte by byte, sometimes of two GBK
        // texts that are not one set): the candidates hold every set, and foldAsciiLetters sorts out the true ones.
        store.withConnection([&](OdbcConnection& connection) {
            OdbcRecordSet rows(connection);
            rows.open("select id, email from AddressList where group_id = ? and lower(email) in "
                      "(select lower(email) from AddressList where group_id = ? group by lower(email) "
                      "having count(*) > 1) order by id",
                      {groupId, groupId});
            for (; !rows.isEof() && !stop.stop_requested(); rows.moveNext())
                candidates.push_back({rows.integer("id"), rows.text("email")});
        });
    } catch (const DatabaseError& error) {
        scan.failure = error.what();
        return scan;
    }
    if (stop.stop_requested()) {
        scan.cancelled = true;
        return scan;
    }
    std::unordered_map<std::string, std::size_t> setOf;
    std::vector<CaseDuplicateSet> all;
    for (StoredAddress& candidate : candidates) {
        const auto [at, added] = setOf.try_emplace(foldAsciiLetters(candidate.email), all.size());
        if (added)
            all.push_back({std::move(candidate), {}});
        else
            all[at->second].extra.push_back(std::move(candidate));
    }
    for (CaseDuplicateSet& set : all) {
        if (set.extra.empty()) continue;
        scan.extra += static_cast<std::int64_t>(set.extra.size());
        scan.sets.push_back(std::move(set));
    }
    return scan;
}

CaseDuplicatesDeletion deleteCaseDuplicates(AddressStore& store, RowId groupId,
                                            const std::vector<CaseDuplicateSet>& sets, CaseDuplicatesProgress* progress,
                                            std::stop_token stop) {
    CaseDuplicatesDeletion deletion;
    if (progress) {
        std::int64_t total = 0;
        for (const CaseDuplicateSet& set : sets)
            total += static_cast<std::int64_t>(set.extra.size());
        progress->total = total;
    }
    try {
        for (std::size_t first = 0; first < sets.size();) {
            if (stop.stop_requested()) {
                deletion.cancelled = true;
                break;
            }
            std::size_t end = first;
            std::vector<RowId> seen;
            for (std::size_t rows = 0; end < sets.size() && rows < kRowsPerBatch; ++end) {
                seen.push_back(sets[end].kept.id);
                for (const StoredAddress& extra : sets[end].extra)
                    seen.push_back(extra.id);
                rows += sets[end].extra.size() + 1;
            }
            StoreTransaction batch = store.beginTransaction(BatchErrors::kKeep);
            std::int64_t deleted = 0;
            std::int64_t skipped = 0;
            store.withConnection([&](OdbcConnection& connection) {
                // Under the batch's write lock: what is read now is what the delete finds.
                std::unordered_map<RowId, std::string> now;
                forIdChunks(seen, groupId, "select id, email from AddressList where +group_id = ? and id in (",
                            [&](const std::string& sql, const Parameters& params) {
                                OdbcRecordSet rows(connection);
                                for (rows.open(sql, params); !rows.isEof(); rows.moveNext())
                                    now.emplace(rows.integer("id"), rows.text("email"));
                            });
                const auto unchanged = [&](const StoredAddress& address) {
                    const auto found = now.find(address.id);
                    return found != now.end() && found->second == address.email;
                };
                std::vector<RowId> doomed;
                for (std::size_t s = first; s < end; ++s) {
                    const bool keptStands = unchanged(sets[s].kept);
                    for (const StoredAddress& extra : sets[s].extra) {
                        if (keptStands && unchanged(extra))
                            doomed.push_back(extra.id);
                        else
                            ++skipped;
                    }
                }
                forIdChunks(doomed, groupId, "delete from AddressList where +group_id = ? and id in (",
                            [&](const std::string& sql, const Parameters& params) { connection.execute(sql, params); });
                deleted = static_cast<std::int64_t>(doomed.size());
            });
            batch.commit();
            deletion.deleted += deleted;
            deletion.skipped += skipped;
            if (progress) progress->deleted = deletion.deleted;
            first = end;
        }
    } catch (const DatabaseError& error) {
        deletion.failure = error.what();
    }
    return deletion;
}
