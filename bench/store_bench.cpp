// Throughput of the address store through the real ODBC driver on real database files: the per-line duplicate
// check and insert that import runs, in single statements and in committed batches, from an empty table and from
// a table of a million addresses; duplicate checks against that table; loading a 100,000-address group; and the
// keyword and link refresh of a server file at the download's size limit, with the longest time another thread
// had to wait for the store meanwhile. Durability is what the build's connection string gives (WAL, synchronous
// NORMAL).
// With CORVANE_BENCH_PG_SERVER naming the folder of a server that scripts/pg-server.sh started (scripts/bench.sh
// starts one), each benchmark runs again on a book on that PostgreSQL server through psqlODBC (engine:1), over the
// loopback: one database for the whole run, its tables emptied or filled as each benchmark needs. The server runs
// with PostgreSQL's own settings: a commit waits until its log is on the disk.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <list>
#include <span>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Config.h"
#include "platform/OdbcConnection.h"
#include "platform/OdbcRecordSet.h"
#include "store/AddressStore.h"
#include "store/DatabaseFile.h"
#include "support/BenchBook.h"
#include "support/BenchFolder.h"
#include "support/BenchPgBook.h"
#include "tools/CreateDatabase.h"

namespace {

namespace fs = std::filesystem;

constexpr int kLines = 100'000;
constexpr int kBigTableRows = 1'000'000;
constexpr int kBigTableGroups = 10; // groups 2..11, 100,000 addresses each
constexpr int kBatch = 1'000;

// One database with a million addresses in other groups, made once per run; each benchmark that writes works on a
// copy of it.
const std::string& bigTableFolder() {
    static BenchFolder folder;
    static bool made = false;
    if (!made) {
        buildBook(folder.path(), kBigTableRows, "2 + i % " + std::to_string(kBigTableGroups), "'Name ' || i");
        made = true;
    }
    return folder.path();
}

void copyBigTable(const std::string& to) {
    copyBook(bigTableFolder(), to);
}

std::vector<std::string> importLines() {
    std::vector<std::string> lines;
    lines.reserve(kLines);
    for (int i = 0; i < kLines; ++i)
        lines.push_back("new" + std::to_string(i) + "@example.org");
    return lines;
}

// --- The PostgreSQL book ------------------------------------------------------------------------------------------
enum Engine { kSqlite = 0, kPostgreSql = 1 };

// The folder whose odbc.ini ODBCINI names: the data source Corvane for the PostgreSQL book, or none (SQLite).
const BenchFolder& iniFolder() {
    static BenchFolder folder;
    return folder;
}

// Makes the program's next open find the PostgreSQL book (true) or the start directory's file (false).
void useDataSource(bool on) {
    useBenchDataSource(iniFolder().path(), on);
}

// The run's database on the server, with the book's tables, made on first use.
void pgBook() {
    static bool made = false;
    if (made) return;
    createPgBook(iniFolder().path(), "corvane_bench");
    made = true;
}

// Runs statements on a connection of their own to the PostgreSQL book.
void pgRun(std::initializer_list<std::string> statements) {
    pgBook();
    useDataSource(true);
    OdbcConnection connection;
    connection.open(dataSourceConnectionString("Corvane"));
    for (const std::string& statement : statements)
        connection.execute(statement);
}

std::int64_t pgCount(const std::string& query) {
    OdbcConnection connection;
    connection.open(dataSourceConnectionString("Corvane"));
    OdbcRecordSet records(connection);
    records.open(query);
    return records.integer("n");
}

// The PostgreSQL book with a million addresses in groups 2..11 (made again when a benchmark before emptied it), or
// with none (`million` false). Group 1 is always empty.
void pgBookWith(bool million) {
    pgBook();
    useDataSource(true);
    if (!million) {
        pgRun({"truncate AddressList"});
        return;
    }
    // The rows an earlier run imported go, and so do their dead versions: each run inserts the same texts again,
    // and a check would otherwise step over every earlier run's dead index entries for them.
    pgRun({"delete from AddressList where group_id = 1", "vacuum AddressList"});
    if (pgCount("select count(*) as n from AddressList") != kBigTableRows) {
        pgRun({"truncate AddressList",
               "insert into AddressList(group_id, email, name) select 2 + i % " + std::to_string(kBigTableGroups) +
                   ", 'user' || i || '@example.com', 'Name ' || i from generate_series(0, " +
                   std::to_string(kBigTableRows - 1) + ") as i",
               "vacuum analyze AddressList"});
    }
}

void openOrFail(AddressStore& store, const std::string& folder) {
    if (!store.OpenDatabase(folder)) throw std::runtime_error("cannot open " + folder);
    store.setErrorReporter([](const std::string& text) { throw std::runtime_error(text); });
}

// Opens `store` on the million-row book of the engine that range(0) names; false (the benchmark skipped) when that
// engine is PostgreSQL and no server was started.
bool openMillionBook(benchmark::State& state, AddressStore& store) {
    const bool pg = state.range(0) == kPostgreSql;
    if (pg && !benchPgServer()) {
        state.SkipWithError("no PostgreSQL server (CORVANE_BENCH_PG_SERVER)");
        return false;
    }
    if (pg)
        pgBookWith(true);
    else
        useDataSource(false);
    openOrFail(store, pg ? iniFolder().path() : bigTableFolder());
    return true;
}

// Import's inner loop: check each line against the group, insert it when new. range(0): 0 each insert its own
// statement, 1 batches of kBatch lines in one transaction, 2 the same batches with the new rows inserted a hundred
// to a statement (as the import does), 3 the same with the checks asked 500 at a time (addressesExist); range(1):
// 0 empty table, 1 a million rows in other groups; range(2): engine.
void BM_CheckedInsert(benchmark::State& state) {
    const bool batched = state.range(0) != 0;
    const bool manyToAStatement = state.range(0) == 2;
    const bool checksInPieces = state.range(0) == 3;
    const bool bigTable = state.range(1) != 0;
    const bool pg = state.range(2) == kPostgreSql;
    if (pg && !benchPgServer()) return state.SkipWithError("no PostgreSQL server (CORVANE_BENCH_PG_SERVER)");
    const std::vector<std::string> lines = importLines();
    for (auto _ : state) {
        state.PauseTiming();
        BenchFolder folder;
        if (pg) {
            pgBookWith(bigTable);
        } else {
            useDataSource(false);
            if (bigTable)
                copyBigTable(folder.path());
            else
                createBook(folder.path());
        }
        AddressStore store;
        openOrFail(store, folder.path());
        state.ResumeTiming();

        int inserted = 0;
        for (int start = 0; start < kLines; start += batched ? kBatch : kLines) {
            const int end = batched ? std::min(start + kBatch, kLines) : kLines;
            if (checksInPieces) {
                // Checks 500 at a time (addressesExist), the new rows a hundred to a statement: one round trip for
                // many lines, where the import asks one per line.
                StoreTransaction transaction = store.beginTransaction();
                std::vector<int> present;
                std::vector<std::string> pending;
                for (int piece = start; piece < end; piece += 500) {
                    const int pieceEnd = std::min(piece + 500, end);
                    store.addressesExist(1, std::span(lines).subspan(piece, pieceEnd - piece), present);
                    for (int i = piece; i < pieceEnd; ++i) {
                        if (present[i - piece] == 0) pending.push_back(lines[i]);
                        if (pending.size() == 100 || (i + 1 == end && !pending.empty())) {
                            if (store.insertAddresses(1, pending, "") == AddressStore::InsertOutcome::kInserted)
                                inserted += static_cast<int>(pending.size());
                            pending.clear();
                        }
                    }
                }
                transaction.commit();
            } else if (manyToAStatement) {
                // As the import does: each line checked, the new ones inserted a hundred to a statement.
                StoreTransaction transaction = store.beginTransaction();
                std::vector<std::string> pending;
                for (int i = start; i < end; ++i) {
                    if (store.AddressExists(1, lines[i]) == 0) pending.push_back(lines[i]);
                    if (pending.size() == 100 || (i + 1 == end && !pending.empty())) {
                        if (store.insertAddresses(1, pending, "") == AddressStore::InsertOutcome::kInserted)
                            inserted += static_cast<int>(pending.size());
                        pending.clear();
                    }
                }
                transaction.commit();
            } else if (batched) {
                StoreTransaction transaction = store.beginTransaction();
                for (int i = start; i < end; ++i)
                    if (store.AddressExists(1, lines[i]) == 0) inserted += store.InsertAddress(1, lines[i], "") == 0;
                transaction.commit();
            } else {
                for (int i = start; i < end; ++i)
                    if (store.AddressExists(1, lines[i]) == 0) inserted += store.InsertAddress(1, lines[i], "") == 0;
            }
        }
        state.PauseTiming();
        if (inserted != kLines) state.SkipWithError("not every line was inserted");
        store.closeDatabase();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_CheckedInsert)
    ->ArgNames({"batched", "million", "engine"})
    ->Args({0, 0, kSqlite})
    ->Args({1, 0, kSqlite})
    ->Args({2, 0, kSqlite})
    ->Args({3, 0, kSqlite})
    ->Args({0, 1, kSqlite})
    ->Args({1, 1, kSqlite})
    ->Args({2, 1, kSqlite})
    ->Args({3, 1, kSqlite})
    ->Args({0, 0, kPostgreSql})
    ->Args({1, 0, kPostgreSql})
    ->Args({2, 0, kPostgreSql})
    ->Args({3, 0, kPostgreSql})
    ->Args({0, 1, kPostgreSql})
    ->Args({1, 1, kPostgreSql})
    ->Args({2, 1, kPostgreSql})
    ->Args({3, 1, kPostgreSql})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One 增加: the check and the insert of one address under the book's write lock, in a book of a million addresses;
// range(1) 1: while another connection imports batches of 5,000 lines into another group as fast as it can, as a
// second desk would. Reports the mean time of an add and the longest one (max_ms).
void BM_AddBesideAnImport(benchmark::State& state) {
    const bool pg = state.range(0) == kPostgreSql;
    const bool importing = state.range(1) != 0;
    if (pg && !benchPgServer()) {
        state.SkipWithError("no PostgreSQL server (CORVANE_BENCH_PG_SERVER)");
        return;
    }
    BenchFolder folder;
    if (pg) {
        pgBookWith(true);
        pgRun({"delete from AddressList where group_id in (1, 12)"});
    } else {
        useDataSource(false);
        copyBigTable(folder.path());
    }
    AddressStore store;
    openOrFail(store, pg ? iniFolder().path() : folder.path());

    std::atomic<bool> stop{false};
    std::atomic<long> imported{0};
    std::thread importer;
    if (importing) {
        importer = std::thread([&] {
            AddressStore other;
            openOrFail(other, pg ? iniFolder().path() : folder.path());
            std::vector<std::string> lines(5'000);
            std::vector<int> present;
            for (long batch = 0; !stop; ++batch) {
                for (std::size_t i = 0; i < lines.size(); ++i)
                    lines[i] = "import" + std::to_string(batch) + "-" + std::to_string(i) + "@example.com";
                StoreTransaction transaction = other.beginTransaction();
                other.addressesExist(12, lines, present);
                other.insertAddresses(12, lines, "");
                transaction.commit();
                imported += static_cast<long>(lines.size());
            }
        });
        while (imported == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    double longest = 0;
    long next = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const AddressStore::AddResult result = store.addAddressIfAbsent(1, "desk" + std::to_string(next++) + "@x", "");
        longest = std::max(longest,
                           std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (result.outcome != AddressStore::AddOutcome::kAdded) {
            state.SkipWithError(result.failure.c_str());
            break;
        }
    }
    stop = true;
    if (importer.joinable()) importer.join();
    state.counters["max_ms"] = longest;
    state.counters["imported_lines"] = static_cast<double>(imported.load());
    store.closeDatabase();
}
BENCHMARK(BM_AddBesideAnImport)
    ->ArgNames({"engine", "importing"})
    ->ArgsProduct({{kSqlite, kPostgreSql}, {0, 1}})
    ->Iterations(300)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The duplicate filter's inner loop against a million-row table: alternately a line the group holds and one it
// does not.
void BM_AddressExistsMillion(benchmark::State& state) {
    AddressStore store;
    if (!openMillionBook(state, store)) return;
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
BENCHMARK(BM_AddressExistsMillion)->ArgName("engine")->Arg(kSqlite)->Arg(kPostgreSql)->UseRealTime();

// The duplicate filter's checks against a million-row table: the same probes, asked 500 at a time as the filter
// does (addressesExist). Items are single checks.
void BM_AddressesExistMillion(benchmark::State& state) {
    AddressStore store;
    if (!openMillionBook(state, store)) return;
    std::vector<std::string> probes;
    for (int i = 0; i < 250; ++i) {
        probes.push_back("user" + std::to_string(i * kBigTableGroups) + "@example.com"); // in group 2
        probes.push_back("absent" + std::to_string(i) + "@example.com");
    }
    std::vector<int> results;
    std::int64_t found = 0;
    for (auto _ : state) {
        store.addressesExist(2, probes, results);
        found += std::count(results.begin(), results.end(), 1);
    }
    if (found != state.iterations() * 250) state.SkipWithError("wrong answers");
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(probes.size()));
}
BENCHMARK(BM_AddressesExistMillion)->ArgName("engine")->Arg(kSqlite)->Arg(kPostgreSql)->UseRealTime();

// The group loader: one group of 100,000 addresses out of a million-row table.
void BM_LoadGroupAddresses100k(benchmark::State& state) {
    AddressStore store;
    if (!openMillionBook(state, store)) return;
    std::list<AddressRecord> addresses;
    for (auto _ : state) {
        if (store.LoadGroupAddresses(2, addresses) != 0) state.SkipWithError("no rows");
        benchmark::DoNotOptimize(addresses.size());
    }
    state.counters["rows"] = static_cast<double>(addresses.size());
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(addresses.size()));
}
BENCHMARK(BM_LoadGroupAddresses100k)
    ->ArgName("engine")
    ->Arg(kSqlite)
    ->Arg(kPostgreSql)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Serves one body to every GET on 127.0.0.1, so a refresh's download costs what the loopback costs.
class OneFileServer {
public:
    explicit OneFileServer(std::string body) : m_body(std::move(body)) {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_listener, 4) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot listen on 127.0.0.1");
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~OneFileServer() {
        m_stop = true;
        m_thread.join();
        ::close(m_listener);
    }
    OneFileServer(const OneFileServer&) = delete;
    OneFileServer& operator=(const OneFileServer&) = delete;
    std::string baseAddress() const { return "http://127.0.0.1:" + std::to_string(m_port); }

private:
    void run() {
        while (!m_stop) {
            pollfd waiting{m_listener, POLLIN, 0};
            if (::poll(&waiting, 1, 50) <= 0) continue;
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                request.append(buffer, static_cast<std::size_t>(n));
            }
            const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(m_body.size()) +
                                       "\r\nConnection: close\r\n\r\n" + m_body;
            for (std::size_t sent = 0; sent < answer.size();) {
                const ssize_t n = ::send(client, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += static_cast<std::size_t>(n);
            }
            ::close(client);
        }
    }

    std::string m_body;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A server file as large as a download may be, made of records as small as the kind allows: "kw0000001" for
// keywords, "s1##http://s1.example/" for links.
std::string fileAtSizeLimit(bool links, std::int64_t& records) {
    std::string body;
    records = 0;
    for (;;) {
        const std::string n = std::to_string(records);
        const std::string record = (links ? "s" + n + "##http://s" + n + ".example/" : "kw" + n) + "||";
        if (body.size() + record.size() > static_cast<std::size_t>(kDownloadMaxBytes)) break;
        body += record;
        ++records;
    }
    return body;
}

// RefreshSearchKeys (range(0) = 0) or RefreshLinks (1) on a book whose table holds a previous file's records,
// from a file at the size limit. "longest_wait_ms": the longest that another thread, calling the store without
// pause meanwhile (as the group loader and the filter worker do), waited for one call.
void BM_RefreshAtSizeLimit(benchmark::State& state) {
    const bool links = state.range(0) != 0;
    const bool pg = state.range(1) == kPostgreSql;
    if (pg && !benchPgServer()) return state.SkipWithError("no PostgreSQL server (CORVANE_BENCH_PG_SERVER)");
    std::int64_t records = 0;
    OneFileServer server(fileAtSizeLimit(links, records));
    double longestWaitMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        BenchFolder folder;
        if (pg) {
            pgBook();
            pgRun({links ? "delete from Links" : "delete from SearchKey"});
        } else {
            useDataSource(false);
            createBook(folder.path());
        }
        {
            OdbcConnection connection;
            connection.open(*bookConnectionString(folder.path()));
            for (int i = 0; i < 100; ++i)
                connection.execute(links ? "insert into Links(id, site, url) values(?, 'old', 'old')"
                                         : "insert into SearchKey(id, keyword) values(?, 'old')",
                                   {i});
        }
        AddressStore store;
        openOrFail(store, folder.path());
        store.setUpdateServer(server.baseAddress());
        std::atomic<bool> done{false};
        std::chrono::steady_clock::duration longest{};
        std::thread other([&] {
            while (!done) {
                const auto start = std::chrono::steady_clock::now();
                benchmark::DoNotOptimize(store.IsOpen());
                longest = std::max(longest, std::chrono::steady_clock::now() - start);
            }
        });
        state.ResumeTiming();

        if (links)
            store.RefreshLinks();
        else
            store.RefreshSearchKeys();

        state.PauseTiming();
        done = true;
        other.join();
        longestWaitMs = std::max(longestWaitMs, std::chrono::duration<double, std::milli>(longest).count());
        std::vector<LinkRecord> linkRows;
        std::vector<std::string> keywordRows;
        const std::size_t stored = links ? (store.LoadLinks(linkRows), linkRows.size())
                                         : (store.LoadSearchKeys(keywordRows), keywordRows.size());
        if (stored != static_cast<std::size_t>(records)) state.SkipWithError("the table does not hold the new file");
        store.closeDatabase();
        state.ResumeTiming();
    }
    state.counters["records"] = static_cast<double>(records);
    state.counters["longest_wait_ms"] = longestWaitMs;
    state.SetItemsProcessed(state.iterations() * records);
}
BENCHMARK(BM_RefreshAtSizeLimit)
    ->ArgNames({"links", "engine"})
    ->Args({0, kSqlite})
    ->Args({1, kSqlite})
    ->Args({0, kPostgreSql})
    ->Args({1, kPostgreSql})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
