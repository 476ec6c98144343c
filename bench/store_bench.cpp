// Throughput of the address store through the real ODBC driver on real database files: the per-line duplicate
// check and insert that import runs, in single statements and in committed batches, from an empty table and from
// a table of a million addresses; duplicate checks against that table; and loading a 100,000-address group.
// Durability is what the build's connection string gives (WAL, synchronous NORMAL).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <list>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/OdbcConnection.h"
#include "store/AddressStore.h"
#include "store/DatabaseFile.h"
#include "tools/CreateDatabase.h"

namespace {

namespace fs = std::filesystem;

constexpr int kLines = 100'000;
constexpr int kBigTableRows = 1'000'000;
constexpr int kBigTableGroups = 10; // groups 2..11, 100,000 addresses each
constexpr int kBatch = 1'000;

class BenchFolder {
public:
    BenchFolder() {
        std::string pattern = (fs::temp_directory_path() / "corvane-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
        m_path = pattern;
    }
    ~BenchFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

void createEmpty(const std::string& folder) {
    std::string error;
    if (createDatabase(folder, builtInSchema(), error) != CreateDatabaseResult::kCreated)
        throw std::runtime_error("cannot create a database: " + error);
}

// One database with a million addresses in other groups, made once per run; each benchmark that writes works on a
// copy of it.
const std::string& bigTableFolder() {
    static BenchFolder folder;
    static bool made = false;
    if (!made) {
        createEmpty(folder.path());
        OdbcConnection connection;
        connection.open(*ConnectionStringFor(DatabaseFilePath(folder.path())));
        connection.execute("insert into AddressList(group_id, email, name) "
                           "with recursive n(i) as (select 0 union all select i + 1 from n where i < ?) "
                           "select 2 + i % ?, 'user' || i || '@example.com', 'Name ' || i from n",
                           {kBigTableRows - 1, kBigTableGroups});
        connection.close(); // the last connection folds the log into the file, so a plain copy is complete
        made = true;
    }
    return folder.path();
}

void copyBigTable(const std::string& to) {
    fs::copy_file(DatabaseFilePath(bigTableFolder()), DatabaseFilePath(to));
}

std::vector<std::string> importLines() {
    std::vector<std::string> lines;
    lines.reserve(kLines);
    for (int i = 0; i < kLines; ++i) lines.push_back("new" + std::to_string(i) + "@example.org");
    return lines;
}

void openOrFail(AddressStore& store, const std::string& folder) {
    if (!store.OpenDatabase(folder)) throw std::runtime_error("cannot open " + folder);
    store.SetErrorReporter([](const std::string& text) { throw std::runtime_error(text); });
}

// Import's inner loop: check each line against the group, insert it when new. range(0): 0 each insert its own
// statement, 1 batches of kBatch lines in one transaction; range(1): 0 empty table, 1 a million rows in other groups.
void BM_CheckedInsert(benchmark::State& state) {
    const bool batched = state.range(0) != 0;
    const bool bigTable = state.range(1) != 0;
    const std::vector<std::string> lines = importLines();
    for (auto _ : state) {
        state.PauseTiming();
        BenchFolder folder;
        if (bigTable)
            copyBigTable(folder.path());
        else
            createEmpty(folder.path());
        AddressStore store;
        openOrFail(store, folder.path());
        state.ResumeTiming();

        int inserted = 0;
        for (int start = 0; start < kLines; start += batched ? kBatch : kLines) {
            const int end = batched ? std::min(start + kBatch, kLines) : kLines;
            if (batched) {
                StoreTransaction transaction = store.BeginTransaction();
                for (int i = start; i < end; ++i)
                    if (store.AddressExists(1, lines[i]) == 0) inserted += store.InsertAddress(1, lines[i], "") == 0;
                transaction.Commit();
            } else {
                for (int i = start; i < end; ++i)
                    if (store.AddressExists(1, lines[i]) == 0) inserted += store.InsertAddress(1, lines[i], "") == 0;
            }
        }
        state.PauseTiming();
        if (inserted != kLines) state.SkipWithError("not every line was inserted");
        store.CloseDatabase();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_CheckedInsert)
    ->ArgNames({"batched", "million"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The duplicate filter's inner loop against a million-row table: alternately a line the group holds and one it
// does not.
void BM_AddressExistsMillion(benchmark::State& state) {
    AddressStore store;
    openOrFail(store, bigTableFolder());
    std::vector<std::string> probes;
    for (int i = 0; i < 1000; ++i) {
        probes.push_back("user" + std::to_string(i * kBigTableGroups) + "@example.com"); // in group 2
        probes.push_back("absent" + std::to_string(i) + "@example.com");
    }
    std::size_t next = 0;
    int found = 0;
    for (auto _ : state) {
        found += store.AddressExists(2, probes[next]);
        next = (next + 1) % probes.size();
    }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddressExistsMillion)->UseRealTime();

// The group loader: one group of 100,000 addresses out of a million-row table.
void BM_LoadGroupAddresses100k(benchmark::State& state) {
    AddressStore store;
    openOrFail(store, bigTableFolder());
    std::list<AddressRecord> addresses;
    for (auto _ : state) {
        if (store.LoadGroupAddresses(2, addresses) != 0) state.SkipWithError("no rows");
        benchmark::DoNotOptimize(addresses.size());
    }
    state.counters["rows"] = static_cast<double>(addresses.size());
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(addresses.size()));
}
BENCHMARK(BM_LoadGroupAddresses100k)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
