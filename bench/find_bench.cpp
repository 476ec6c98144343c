// 查找 and 按文件删除 on a book of 1,000,000 addresses (10 groups of 100,000) through the real ODBC driver:
// - the first search of a book made before the index on lower(email), which builds it;
// - exact, prefix and contains searches of e-mail texts (and of names too), the time to the first rows handed out
//   and to the end, the median of several runs;
// - a prefix that a tenth of the book starts with, as the window asks it (the first 10,000 rows shown);
// - the removal of the 100,000 addresses a file lists, from every group, letter case aside: the count, then the
//   deletes in batches.
// Prints the figures beside the targets; a plain program, since one run takes many seconds.
// With CORVANE_BENCH_PG_SERVER naming the folder of a server that scripts/pg-server.sh started, everything runs
// again on a book on that PostgreSQL server, over the loopback.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "lists/BookSearch.h"
#include "lists/ListedAddresses.h"
#include "lists/LowerEmailIndex.h"
#include "lists/RemoveListed.h"
#include "platform/OdbcConnection.h"
#include "platform/OdbcRecordSet.h"
#include "store/AddressStore.h"
#include "store/DatabaseFile.h"
#include "support/BenchBook.h"
#include "support/BenchFolder.h"
#include "support/BenchPgBook.h"
#include "support/Stats.h"
#include "tools/CreateDatabase.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRows = 1'000'000;
constexpr int kGroups = 10;
constexpr int kListed = 100'000;
constexpr int kRuns = 9;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Statements for a book through a connection of its own.
void run(const std::string& connectionString, std::initializer_list<std::string> statements) {
    OdbcConnection connection;
    connection.open(connectionString);
    for (const std::string& statement : statements)
        connection.execute(statement);
}

std::string groupsInsert() {
    std::string sql = "insert into AddressCata(id, name) values ";
    for (int g = 0; g < kGroups; ++g)
        sql += (g ? ", (" : "(") + std::to_string(2 + g) + ", 'group " + std::to_string(2 + g) + "')";
    return sql;
}

// --- The PostgreSQL book --------------------------------------------------------------------------------------------
// Makes the PostgreSQL book with the million rows, and names it in an odbc.ini of `folder`; returns the folder a
// store opens it from.
std::string pgBook(const std::string& folder) {
    createPgBook(folder, "corvane_findbench");
    run(dataSourceConnectionString("Corvane"),
        {groupsInsert(),
         "insert into AddressList(group_id, email, name) select 2 + i % " + std::to_string(kGroups) +
             ", 'user' || i || '@example.com', 'Name ' || i from generate_series(0, " + std::to_string(kRows - 1) +
             ") as i",
         "vacuum analyze AddressList"});
    return folder;
}

std::string sqliteBook(const std::string& folder) {
    ::setenv("ODBCINI", (folder + "/none.ini").c_str(), 1);
    std::ofstream(folder + "/none.ini") << "";
    buildBook(folder, kRows, "2 + i % " + std::to_string(kGroups), "'Name ' || i");
    run(*connectionStringFor(databaseFilePath(folder)), {groupsInsert()});
    return folder;
}

// --- Measurements
// -----------------------------------------------------------------------------------------------------
struct Timing {
    double first = 0; // ms to the first rows handed out
    double total = 0;
    std::size_t found = 0;
};

Timing timeSearch(AddressStore& store, const std::string& text, TextMatch match, bool names, std::size_t limit) {
    Timing timing;
    const Clock::time_point start = Clock::now();
    bool first = true;
    const BookSearchResult result = searchBook(store, text, {match, names, limit}, [&](std::vector<FoundAddress>&) {
        if (first) timing.first = msSince(start);
        first = false;
    });
    timing.total = msSince(start);
    if (first) timing.first = timing.total;
    if (!result.failure.empty()) throw std::runtime_error(result.failure);
    timing.found = result.found;
    return timing;
}

void searches(AddressStore& store, const char* engine) {
    struct Case {
        const char* what;
        std::string text;
        TextMatch match;
        bool names;
        std::size_t limit;
        double target; // ms, for the whole search
    };
    const Case cases[] = {
        {"exact, e-mail", "USER123456@example.com", TextMatch::kEquals, false, 10'000, 50},
        {"exact, e-mail and name", "user123456@example.com", TextMatch::kEquals, true, 10'000, 50},
        {"prefix, e-mail", "User12345", TextMatch::kStartsWith, false, 10'000, 50},
        {"prefix, e-mail and name", "user12345", TextMatch::kStartsWith, true, 10'000, 50},
        {"prefix, a tenth of the book", "user1", TextMatch::kStartsWith, false, 10'000, 1000},
        {"contains, e-mail", "ER99999", TextMatch::kContains, false, 10'000, 1000},
        {"contains, e-mail and name", "er99999", TextMatch::kContains, true, 10'000, 1000},
        {"contains, every row", "@example", TextMatch::kContains, true, 10'000, 1000},
    };
    for (const Case& c : cases) {
        std::vector<double> firsts, totals;
        std::size_t found = 0;
        for (int i = 0; i < kRuns; ++i) {
            const Timing timing = timeSearch(store, c.text, c.match, c.names, c.limit);
            firsts.push_back(timing.first);
            totals.push_back(timing.total);
            found = timing.found;
        }
        const Stats first = stats(firsts);
        const Stats total = stats(totals);
        std::printf("%-10s %-30s found %7zu  first rows %8.1f ms  whole %8.1f ms (max %8.1f)  target %5.0f ms: %s\n",
                    engine, c.what, found, first.median, total.median, total.max, c.target,
                    total.median <= c.target ? "met" : "MISSED");
    }
}

void removal(AddressStore& store, const std::string& folder, const char* engine) {
    // Every tenth address of the book, in upper case, and as many that it does not hold.
    const std::string path = folder + "/listed.txt";
    {
        std::ofstream out(path);
        for (int i = 0; i < kListed; ++i)
            out << (i % 2 ? "USER" + std::to_string(i * 10) + "@EXAMPLE.COM" : "nobody" + std::to_string(i) + "@x.org")
                << "\n";
    }
    Clock::time_point start = Clock::now();
    const ListedAddresses listed = readListedAddresses(path, true);
    const double read = msSince(start);
    const RemoveListedOptions options{.ignoreCase = true};
    start = Clock::now();
    const ListedCount count = countListed(store, listed.addresses, options);
    const double counted = msSince(start);
    start = Clock::now();
    const ListedRemoval removed = removeListed(store, listed.addresses, options);
    const double deleted = msSince(start);
    if (!count.failure.empty() || !removed.failure.empty()) throw std::runtime_error(count.failure + removed.failure);
    std::printf("%-10s removal of %d listed addresses: read %.0f ms, count %.0f ms (%zu present, %zu rows), "
                "delete %.0f ms (%zu rows); target: seconds\n",
                engine, kListed, read, counted, count.present, count.rows, deleted, removed.removed);
}

void bench(const std::string& folder, const char* engine) {
    AddressStore store;
    store.setErrorReporter([](const std::string& text) { throw std::runtime_error(text); });
    if (!store.OpenDatabase(folder)) throw std::runtime_error("cannot open the book in " + folder);
    // A book made before the index: its first search builds it.
    store.withConnection([](OdbcConnection& c) { c.execute("drop index AddressList_lower_email"); });
    const Clock::time_point start = Clock::now();
    const Timing first = timeSearch(store, "user5@example.com", TextMatch::kEquals, false, 10'000);
    std::printf("%-10s first search of a book without the index (builds it): %.0f ms, found %zu\n", engine,
                msSince(start), first.found);
    searches(store, engine);
    removal(store, folder, engine);
}

} // namespace

int main() {
    try {
        {
            BenchFolder folder("find_bench");
            std::printf("building a book of %d addresses (SQLite)...\n", kRows);
            bench(sqliteBook(folder.path()), "SQLite");
        }
        if (benchPgServer()) {
            BenchFolder folder("find_bench_pg");
            std::printf("building a book of %d addresses (PostgreSQL)...\n", kRows);
            bench(pgBook(folder.path()), "PostgreSQL");
        } else {
            std::printf("PostgreSQL: skipped (set CORVANE_BENCH_PG_SERVER)\n");
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "find_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
