// Tested by tests/lists/GroupArithmeticTest.cpp.
#include "lists/GroupArithmetic.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/CodePage936.h"
#include "platform/DatabaseError.h"
#include "platform/OdbcConnection.h"
#include "platform/OdbcRecordSet.h"
#include "store/AddressStore.h"
#include "textfiles/ReplacementFile.h"

namespace {

using Clock = std::chrono::steady_clock;
using Parameters = std::vector<SqlParameter>;

// "（未完成）" in GBK: the mark of a group still being filled.
constexpr char kUnfinished[] = "\xA3\xA8\xCE\xB4\xCD\xEA\xB3\xC9\xA3\xA9";

// Two rows `x` and `y` hold the same address. Each lookup names the group and the e-mail text (or its lowered
// form) of the row it looks for, which is the order of the index on (group_id, email) and of the case-folded one.
std::string sameAddress(const std::string& x, const std::string& y, bool ignoreCase, DatabaseEngine engine) {
    const std::string ex = x + ".email", ey = y + ".email";
    if (!ignoreCase) return ex + " = " + ey;
    std::string same = "lower(" + ex + ") = lower(" + ey + ")";
    // PostgreSQL lowers ASCII letters alone under the column's "C" collation. SQLite lowers byte by byte, and
    // would also lower the second byte of a GBK character where it looks like a capital letter, making two
    // different characters one: there, a text with any byte outside printable ASCII matches only itself. (Every
    // way into the book takes ASCII addresses only; a book written by older tools may hold others.)
    if (engine == DatabaseEngine::kSqlite) same += " and (" + ex + " = " + ey + " or " + ey + " not glob '*[^ -~]*')";
    return same;
}

// One pass over the rows of a group: those that belong in the result.
struct Phase {
    RowId group = 0;      // the rows read
    RowId other = 0;      // the group they are checked against; 0: none
    bool inOther = false; // keep the rows whose address `other` holds (true) or lacks (false)
};

std::vector<Phase> phasesOf(const GroupCombination& combination) {
    switch (combination.operation) {
    case GroupOperation::kUnion:
        return {{combination.a}, {combination.b, combination.a, false}};
    case GroupOperation::kIntersection:
        return {{combination.a, combination.b, true}};
    case GroupOperation::kDifference:
        break;
    }
    return {{combination.a, combination.b, false}};
}

// "from ... where ..." of the rows of `phase` with ids in [lo, hi) that belong in the result: the first stored of
// their address in their group, checked against the other group. Its parameters: see addChosenParameters.
// The rows are found by their ids: "+r.group_id" keeps the engines from reaching for the index on the group, which
// would read the whole group for each range.
std::string chosenRows(const Phase& phase, bool ignoreCase, DatabaseEngine engine) {
    std::string sql = " from AddressList r where +r.group_id = ? and r.id >= ? and r.id < ?"
                      " and not exists (select 1 from AddressList d where d.group_id = ? and " +
                      sameAddress("d", "r", ignoreCase, engine) + " and d.id < r.id)";
    if (phase.other != 0)
        sql += std::string(phase.inOther ? " and" : " and not") +
               " exists (select 1 from AddressList o where o.group_id = ? and " +
               sameAddress("o", "r", ignoreCase, engine) + ")";
    return sql;
}

void addChosenParameters(Parameters& params, const Phase& phase, RowId lo, RowId hi) {
    params.insert(params.end(), {phase.group, lo, hi, phase.group});
    if (phase.other != 0) params.emplace_back(phase.other);
}

// The ids of a group's rows lie in [first, end); empty when it has none.
struct IdSpan {
    RowId first = 0;
    RowId end = 0;
};

IdSpan idSpanOf(OdbcConnection& connection, RowId group) {
    OdbcRecordSet rows(connection);
    rows.open("select min(id) as lo, max(id) as hi from AddressList where group_id = ?", {group});
    if (rows.isEof() || rows.isNull("lo")) return {};
    return {rows.integer("lo"), rows.integer("hi") + 1};
}

// What a run works through: each phase with the ids of its group, read once at the start. Rows added to a group
// after that, past its last id, are not part of the run.
struct Plan {
    DatabaseEngine engine = DatabaseEngine::kOther;
    std::vector<std::pair<Phase, IdSpan>> steps;
    std::int64_t ids = 0;
};

// Checks the groups, makes the case-folded index when needed and reads the spans; nothing (with `result` saying
// why) when the groups are not there. \throws DatabaseError
std::optional<Plan> planFor(AddressStore& store, const std::vector<Phase>& phases, RowId a, RowId b, bool ignoreCase,
                            GroupArithmeticResult& result) {
    if (ignoreCase) ensureCaseFoldedIndex(store);
    return store.withConnection([&](OdbcConnection& connection) -> std::optional<Plan> {
        OdbcRecordSet groups(connection);
        groups.open("select count(*) as n from AddressCata where id = ? or id = ?", {a, b});
        if (groups.integer("n") != (a == b ? 1 : 2)) {
            result.outcome = ArithmeticOutcome::kNoSuchGroup;
            return std::nullopt;
        }
        groups.close();
        Plan plan;
        plan.engine = connection.engine();
        for (const Phase& phase : phases) {
            const IdSpan span = idSpanOf(connection, phase.group);
            plan.steps.emplace_back(phase, span);
            plan.ids += span.end - span.first;
        }
        return plan;
    });
}

// Walks id spans in ranges sized to take about a quarter of a second each: long enough that a statement's own cost
// does not count, short enough that a stop is heard at once and that other programs get the book between two.
class RangeWalk {
public:
    RangeWalk(std::int64_t ids, GroupArithmeticProgress* progress) : m_ids(ids), m_progress(progress) {}

    // Runs step(lo, hi) over the span; false when a stop was asked before its end.
    template <class Step> bool walk(IdSpan span, const std::stop_token& stop, Step step) {
        for (RowId lo = span.first; lo < span.end;) {
            if (stop.stop_requested()) return false;
            const RowId hi = std::min(span.end, lo + m_width);
            const Clock::time_point start = Clock::now();
            step(lo, hi);
            adapt(Clock::now() - start);
            m_done += hi - lo;
            if (m_progress && m_ids > 0) m_progress->percent = static_cast<int>(m_done * 100 / m_ids);
            lo = hi;
        }
        return true;
    }

private:
    void adapt(Clock::duration took) {
        using std::chrono::milliseconds;
        if (took < milliseconds(125))
            m_width = std::min<RowId>(m_width * 2, RowId(1) << 24);
        else if (took > milliseconds(500))
            m_width = std::max<RowId>(m_width / 2, 1024);
    }

    std::int64_t m_ids;
    std::int64_t m_done = 0;
    RowId m_width = 8192;
    GroupArithmeticProgress* m_progress;
};

bool isBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n\v\f") == std::string::npos;
}

// A failed run, or a stopped one, that had to take its work back: what became of that.
void settleUndo(GroupArithmeticResult& result, const std::string& undoFailure) {
    if (undoFailure.empty()) return;
    result.outcome = ArithmeticOutcome::kDatabaseFailed;
    result.failure += (result.failure.empty() ? "" : "; ") + undoFailure;
}

std::string deleteUnfinished(AddressStore& store, RowId group) {
    const AddressStore::GroupDeletion deletion = store.deleteGroupWithAddresses(group);
    if (deletion.deleted || deletion.notOpen)
        return deletion.notOpen ? "the unfinished group was left in the book" : "";
    return "the unfinished group could not be deleted: " + deletion.failure;
}

// Moves the rows with ids ids[from, end) from group `from` to group `to`, a few hundred to a statement, each found
// by its id.
void moveRows(OdbcConnection& connection, const std::vector<RowId>& ids, std::size_t first, std::size_t end, RowId from,
              RowId to) {
    constexpr std::size_t kPerStatement = 500; // under the 999 parameters of older SQLite builds
    for (std::size_t at = first; at < end; at += kPerStatement) {
        const std::size_t count = std::min(kPerStatement, end - at);
        std::string sql = "update AddressList set group_id = ? where +group_id = ? and id in (?";
        Parameters params{to, from, ids[at]};
        for (std::size_t i = 1; i < count; ++i) {
            sql += ", ?";
            params.emplace_back(ids[at + i]);
        }
        connection.execute(sql + ")", params);
    }
}

// Moves the rows `moved` back from group `b` to group `a`, a few thousand to a transaction.
std::string moveBack(AddressStore& store, const std::vector<RowId>& moved, RowId a, RowId b) {
    constexpr std::size_t kPerBatch = 20000;
    try {
        for (std::size_t from = 0; from < moved.size(); from += kPerBatch) {
            StoreTransaction batch = store.beginTransaction(BatchErrors::kKeep);
            store.withConnection([&](OdbcConnection& connection) {
                moveRows(connection, moved, from, std::min(moved.size(), from + kPerBatch), b, a);
            });
            batch.commit();
        }
    } catch (const DatabaseError& error) {
        return std::string("the rows moved could not all be moved back: ") + error.what();
    }
    return {};
}

} // namespace

void ensureCaseFoldedIndex(AddressStore& store) {
    store.withConnection([](OdbcConnection& connection) {
        // The e-mail text last makes the index cover every lookup that ignores case, SQLite's exact match of
        // non-ASCII texts included, so that the engine never prefers a walk through the whole group.
        connection.execute(
            "create index if not exists AddressList_group_folded on AddressList (group_id, lower(email), email)");
    });
}

GroupArithmeticResult combineIntoGroup(AddressStore& store, const GroupCombination& combination,
                                       const std::string& name, GroupArithmeticProgress* progress,
                                       std::stop_token stop) {
    GroupArithmeticResult result;
    if (combination.operation == GroupOperation::kDifference && combination.a == combination.b) {
        result.outcome = ArithmeticOutcome::kSameGroups;
        return result;
    }
    if (isBlank(name)) {
        result.outcome = ArithmeticOutcome::kEmptyName;
        return result;
    }
    if (findMalformedCp936(name) != std::string::npos || name.find('\0') != std::string::npos) {
        result.outcome = ArithmeticOutcome::kNameNotStorable;
        return result;
    }
    RowId group = 0;
    try {
        const std::optional<Plan> plan =
            planFor(store, phasesOf(combination), combination.a, combination.b, combination.ignoreCase, result);
        if (!plan) return result;
        {
            StoreTransaction batch = store.beginTransaction(BatchErrors::kKeep);
            const bool taken = store.withConnection([&](OdbcConnection& connection) {
                OdbcRecordSet rows(connection);
                rows.open("select count(*) as n from AddressCata where name = ?", {name});
                if (rows.integer("n") != 0) return true;
                rows.close();
                const std::string unfinished = name + kUnfinished;
                connection.execute("insert into AddressCata(name) values(?)", {unfinished});
                rows.open("select max(id) as id from AddressCata where name = ?", {unfinished});
                group = rows.integer("id");
                return false;
            });
            if (taken) {
                result.outcome = ArithmeticOutcome::kNameTaken;
                return result;
            }
            batch.commit();
        }
        RangeWalk walk(plan->ids, progress);
        for (const auto& step : plan->steps) {
            // Named, not bound: a lambda cannot capture a structured binding on every compiler of C++20.
            const Phase phase = step.first;
            const IdSpan& span = step.second;
            const std::string sql = "insert into AddressList(group_id, email, name) select ?, r.email, r.name" +
                                    chosenRows(phase, combination.ignoreCase, plan->engine) + " order by r.id";
            const bool whole = walk.walk(span, stop, [&](RowId lo, RowId hi) {
                StoreTransaction batch = store.beginTransaction(BatchErrors::kKeep);
                Parameters params{group};
                addChosenParameters(params, phase, lo, hi);
                store.withConnection([&](OdbcConnection& connection) { connection.execute(sql, params); });
                batch.commit();
            });
            if (!whole) {
                result.outcome = ArithmeticOutcome::kCancelled;
                settleUndo(result, deleteUnfinished(store, group));
                return result;
            }
        }
        StoreTransaction batch = store.beginTransaction(BatchErrors::kKeep);
        store.withConnection([&](OdbcConnection& connection) {
            connection.execute("update AddressCata set name = ? where id = ?", {name, group});
            OdbcRecordSet rows(connection);
            rows.open("select count(*) as n from AddressList where group_id = ?", {group});
            result.rows = rows.integer("n");
        });
        batch.commit();
        result.outcome = ArithmeticOutcome::kDone;
        result.newGroup = group;
        if (progress) progress->rows = result.rows;
    } catch (const DatabaseError& error) {
        result.outcome = ArithmeticOutcome::kDatabaseFailed;
        result.failure = error.what();
        result.rows = 0;
        if (group != 0) settleUndo(result, deleteUnfinished(store, group));
    }
    return result;
}

GroupArithmeticResult combineIntoFile(AddressStore& store, const GroupCombination& combination, const std::string& path,
                                      GroupArithmeticProgress* progress, std::stop_token stop) {
    GroupArithmeticResult result;
    if (combination.operation == GroupOperation::kDifference && combination.a == combination.b) {
        result.outcome = ArithmeticOutcome::kSameGroups;
        return result;
    }
    try {
        const std::optional<Plan> plan =
            planFor(store, phasesOf(combination), combination.a, combination.b, combination.ignoreCase, result);
        if (!plan) return result;
        ReplacementFile file;
        const auto fileFailed = [&] {
            result.outcome = ArithmeticOutcome::kFileFailed;
            result.failure = std::strerror(file.error() != 0 ? file.error() : EIO);
            result.rows = 0;
            return result;
        };
        if (!file.create(path)) return fileFailed();
        RangeWalk walk(plan->ids, progress);
        bool writable = true;
        for (const auto& step : plan->steps) {
            // Named, not bound: a lambda cannot capture a structured binding on every compiler of C++20.
            const Phase phase = step.first;
            const IdSpan& span = step.second;
            const std::string sql =
                "select r.email" + chosenRows(phase, combination.ignoreCase, plan->engine) + " order by r.id";
            const bool whole = walk.walk(span, stop, [&](RowId lo, RowId hi) {
                if (!writable) return;
                Parameters params;
                addChosenParameters(params, phase, lo, hi);
                store.withConnection([&](OdbcConnection& connection) {
                    OdbcRecordSet rows(connection);
                    for (rows.open(sql, params, OdbcRecordSet::Reading::kFirstColumn); !rows.isEof(); rows.moveNext()) {
                        writable = file.write(rows.firstColumnText()) && file.write("\r\n");
                        ++result.rows;
                    }
                });
                if (progress) progress->rows = result.rows;
            });
            if (!writable) return fileFailed();
            if (!whole) {
                result.outcome = ArithmeticOutcome::kCancelled;
                result.rows = 0;
                return result;
            }
        }
        if (!file.commit()) return fileFailed();
        result.outcome = ArithmeticOutcome::kDone;
    } catch (const DatabaseError& error) {
        result.outcome = ArithmeticOutcome::kDatabaseFailed;
        result.failure = error.what();
        result.rows = 0;
    }
    return result;
}

GroupArithmeticResult mergeGroupInto(AddressStore& store, RowId a, RowId b, bool ignoreCase,
                                     GroupArithmeticProgress* progress, std::stop_token stop) {
    GroupArithmeticResult result;
    if (a == b) {
        result.outcome = ArithmeticOutcome::kSameGroups;
        return result;
    }
    const Phase phase{a, b, false};
    std::vector<RowId> moved;
    try {
        const std::optional<Plan> plan = planFor(store, {phase}, a, b, ignoreCase, result);
        if (!plan) return result;
        const std::string chosen = chosenRows(phase, ignoreCase, plan->engine);
        // The ids are read, then those rows moved, under the write lock of one transaction: the rows moved are
        // exactly those read, and a stop can move them back.
        const std::string readIds = "select r.id" + chosen;
        RangeWalk walk(plan->ids, progress);
        const bool whole = walk.walk(plan->steps.front().second, stop, [&](RowId lo, RowId hi) {
            StoreTransaction batch = store.beginTransaction(BatchErrors::kKeep);
            Parameters params;
            addChosenParameters(params, phase, lo, hi);
            std::vector<RowId> ids;
            store.withConnection([&](OdbcConnection& connection) {
                OdbcRecordSet rows(connection);
                for (rows.open(readIds, params, OdbcRecordSet::Reading::kFirstColumn); !rows.isEof(); rows.moveNext())
                    ids.push_back(std::stoll(rows.firstColumnText()));
                rows.close();
                moveRows(connection, ids, 0, ids.size(), a, b);
            });
            batch.commit();
            moved.insert(moved.end(), ids.begin(), ids.end());
            if (progress) progress->rows = static_cast<std::int64_t>(moved.size());
        });
        if (!whole) {
            result.outcome = ArithmeticOutcome::kCancelled;
            settleUndo(result, moveBack(store, moved, a, b));
            return result;
        }
        StoreTransaction batch = store.beginTransaction(BatchErrors::kKeep);
        store.withConnection([&](OdbcConnection& connection) {
            OdbcRecordSet rows(connection);
            rows.open("select count(*) as n from AddressList where group_id = ?", {a});
            result.dropped = rows.integer("n");
            rows.close();
            connection.execute("delete from AddressList where group_id = ?", {a});
            connection.execute("delete from AddressCata where id = ?", {a});
        });
        batch.commit();
        result.outcome = ArithmeticOutcome::kDone;
        result.rows = static_cast<std::int64_t>(moved.size());
    } catch (const DatabaseError& error) {
        result.outcome = ArithmeticOutcome::kDatabaseFailed;
        result.failure = error.what();
        result.dropped = 0;
        settleUndo(result, moveBack(store, moved, a, b));
    }
    return result;
}
