// The group tools on a book of 1,100,000 addresses through the real ODBC driver: group A of 1,000,000 and group B
// of 100,000, of which half are addresses of A (a quarter in other letter case) and half are not. Times each
// operation into a new group and into a file, with and without ignoring case, the merge both ways, and the scan
// and deletion of addresses that differ only in letter case, against the target of a few seconds each.
// A plain program: one run takes a minute or more. With CORVANE_BENCH_PG_SERVER naming the folder of a server that
// scripts/pg-server.sh started, every figure is taken again on a book on that PostgreSQL server.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>

#include "lists/CaseDuplicates.h"
#include "lists/GroupArithmetic.h"
#include "platform/OdbcConnection.h"
#include "platform/OdbcRecordSet.h"
#include "store/AddressStore.h"
#include "store/DatabaseFile.h"
#include "support/BenchBook.h"
#include "support/BenchFolder.h"
#include "support/BenchPgBook.h"
#include "tools/CreateDatabase.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kA = 1'000'000;
constexpr int kB = 100'000;
constexpr RowId kGroupA = 1;
constexpr RowId kGroupB = 2;
constexpr double kTargetSeconds = 5.0;

double seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// Row i (from 0) of B, whose id is kA + i + 1: even rows repeat an address of A, every other odd row in capitals;
// the rest are B's own. A's rows are 'user<i>@example.com'.
const std::string kShapeB = "update AddressList set email = case when (id - " + std::to_string(kA + 1) +
                            ") % 2 = 0 then 'user' || ((id - " + std::to_string(kA + 1) +
                            ") * 5) || '@example.com' when (id - " + std::to_string(kA + 1) +
                            ") % 4 = 1 then 'USER' || ((id - " + std::to_string(kA + 1) +
                            ") * 5) || '@EXAMPLE.COM' else 'own' || id || '@example.org' end where group_id = 2";
const char kGroups[] = "insert into AddressCata(id, name) values (1, 'A'), (2, 'B')";

// Rows given their ids leave PostgreSQL's identity where it was: new rows must come after them.
const char kRestartIds[] = "alter table AddressCata alter column id restart with 100; "
                           "alter table AddressList alter column id restart with 2000000";

void buildPgBook(const std::string& work) {
    createPgBook(work, "corvane_groupbench");
    OdbcConnection connection;
    connection.open(dataSourceConnectionString("Corvane"));
    connection.execute("insert into AddressList(group_id, email, name) select case when i < " + std::to_string(kA) +
                       " then 1 else 2 end, 'user' || i || '@example.com', 'Name ' || i from generate_series(0, " +
                       std::to_string(kA + kB - 1) + ") as i");
    connection.execute(kShapeB);
    connection.execute(kGroups);
    connection.execute(kRestartIds);
    connection.execute("vacuum analyze AddressList");
}

void openOrFail(AddressStore& store, const std::string& folder) {
    store.setErrorReporter([](const std::string& text) {
        std::fprintf(stderr, "group_arithmetic_bench: database error: %s\n", text.c_str());
        std::exit(1);
    });
    if (!store.OpenDatabase(folder)) throw std::runtime_error("cannot open " + folder);
}

void line(const char* what, double took, std::int64_t rows) {
    std::printf("  %-44s %7.2f s  %9lld rows   target <= %.0f s: %s\n", what, took, static_cast<long long>(rows),
                kTargetSeconds, took <= kTargetSeconds ? "met" : "MISSED");
}

void check(const GroupArithmeticResult& result, const char* what) {
    if (result.outcome != ArithmeticOutcome::kDone)
        throw std::runtime_error(std::string(what) + " failed: " + result.failure);
}

// `open()` gives the start directory of the book as built (SQLite: a fresh copy; PostgreSQL: the one database,
// less the groups an earlier step made).
void benchBook(const char* engine, const std::string& work, const std::function<std::string()>& open) {
    std::printf("%s: group A of %d, group B of %d (half of them in A, a quarter of those in other letter case)\n",
                engine, kA, kB);
    AddressStore store;
    openOrFail(store, open());
    const struct {
        GroupOperation operation;
        const char* name;
    } operations[] = {{GroupOperation::kUnion, "A \xE2\x88\xAA B"},
                      {GroupOperation::kIntersection, "A \xE2\x88\xA9 B"},
                      {GroupOperation::kDifference, "A \xE2\x88\x92 B"}};
    auto began = Clock::now();
    ensureCaseFoldedIndex(store);
    line("case-folded index, made once", seconds(Clock::now() - began), kA + kB);
    int made = 0;
    for (const bool ignoreCase : {false, true}) {
        for (const auto& [operation, name] : operations) {
            const GroupCombination combination{operation, kGroupA, kGroupB, ignoreCase};
            began = Clock::now();
            const GroupArithmeticResult group = combineIntoGroup(store, combination, "result" + std::to_string(++made));
            const double intoGroup = seconds(Clock::now() - began);
            check(group, name);
            line((std::string(name) + (ignoreCase ? ", ignoring case" : "") + ", into a new group").c_str(), intoGroup,
                 group.rows);
            store.deleteGroupWithAddresses(group.newGroup);
            began = Clock::now();
            const GroupArithmeticResult file = combineIntoFile(store, combination, work + "/out.txt");
            const double intoFile = seconds(Clock::now() - began);
            check(file, name);
            line((std::string(name) + (ignoreCase ? ", ignoring case" : "") + ", into a file").c_str(), intoFile,
                 file.rows);
        }
    }
    began = Clock::now();
    CaseDuplicatesScan scan = findCaseDuplicates(store, kGroupA);
    line("case duplicates of A, scan", seconds(Clock::now() - began), static_cast<std::int64_t>(scan.sets.size()));
    store.closeDatabase();

    for (const bool bIntoA : {true, false}) {
        openOrFail(store, open());
        began = Clock::now();
        const GroupArithmeticResult merged =
            bIntoA ? mergeGroupInto(store, kGroupB, kGroupA, true) : mergeGroupInto(store, kGroupA, kGroupB, true);
        check(merged, "merge");
        line(bIntoA ? "merge B into A, ignoring case" : "merge A into B, ignoring case", seconds(Clock::now() - began),
             merged.rows);
        if (bIntoA) {
            began = Clock::now();
            scan = findCaseDuplicates(store, kGroupA);
            line("case duplicates of A after merging B in, scan", seconds(Clock::now() - began), scan.extra);
        }
        store.closeDatabase();
    }
    // B's own rows in capitals beside the lower-case ones: 25,000 sets to delete from.
    openOrFail(store, open());
    store.withConnection([](OdbcConnection& connection) {
        connection.execute("insert into AddressList(group_id, email, name) select 2, upper(email), name from "
                           "AddressList where group_id = 2 and email like 'own%'");
    });
    began = Clock::now();
    scan = findCaseDuplicates(store, kGroupB);
    line("case duplicates of B, scan", seconds(Clock::now() - began), scan.extra);
    began = Clock::now();
    const CaseDuplicatesDeletion deletion = deleteCaseDuplicates(store, kGroupB, scan.sets);
    line("case duplicates of B, deletion", seconds(Clock::now() - began), deletion.deleted);
    if (!deletion.failure.empty() || deletion.deleted != scan.extra)
        throw std::runtime_error("the deletion failed: " + deletion.failure);
}

} // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as it comes, also into a file
    try {
        const BenchFolder folder("groupbench");
        const std::string& work = folder.path();
        const std::string bookFolder = work + "/book";
        std::filesystem::create_directory(bookFolder);
        useBenchDataSource(work, false);
        buildBook(bookFolder, kA + kB, "case when i < " + std::to_string(kA) + " then 1 else 2 end", "'Name ' || i");
        {
            OdbcConnection connection;
            connection.open(*connectionStringFor(databaseFilePath(bookFolder)));
            connection.execute(kShapeB);
            connection.execute(kGroups);
        }
        int copies = 0;
        benchBook("SQLite", work, [&] {
            useBenchDataSource(work, false);
            const std::string copy = work + "/copy" + std::to_string(++copies);
            return copyBook(bookFolder, copy);
        });
        if (benchPgServer()) {
            buildPgBook(work);
            benchBook("PostgreSQL", work, [&] {
                useBenchDataSource(work, true);
                OdbcConnection connection;
                connection.open(dataSourceConnectionString("Corvane"));
                // Back to the book as built: the merges moved rows between A and B and deleted one of them.
                connection.execute("delete from AddressList");
                connection.execute("delete from AddressCata");
                connection.execute("insert into AddressList(id, group_id, email, name) select i + 1, case when i < " +
                                   std::to_string(kA) +
                                   " then 1 else 2 end, 'user' || i || '@example.com', "
                                   "'Name ' || i from generate_series(0, " +
                                   std::to_string(kA + kB - 1) + ") as i");
                connection.execute(kShapeB);
                connection.execute(kGroups);
                connection.execute(kRestartIds);
                connection.execute("vacuum analyze AddressList");
                return work;
            });
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "group_arithmetic_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
