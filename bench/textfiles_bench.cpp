// The text files against a book of 1,000,000 addresses through the real ODBC driver:
// - the import of a 100,000-line file (70% valid addresses, a fifth of them already in the group) in batches, with
//   the longest time another thread calling the store meanwhile had to wait, and the same file line by line in
//   auto-commit mode (as the import ran before batches), for scale;
// - the duplicate filter's worker loop alone (FilterWorkerThread, with a window that takes each notice at once) over
//   1,000,000 lines against a group of 100,000, the same loop asking its checks 500 lines at a time
//   (AddressStore::addressesExist), and grep -Fvxf on the same files in the same run.
// Prints lines per second; a plain program, since one run takes many seconds. Durability is what the build's
// connection string gives (WAL, synchronous NORMAL).
// With CORVANE_BENCH_PG_SERVER naming the folder of a server that scripts/pg-server.sh started (scripts/bench.sh
// starts one), the import and the filter run again on the same book on that PostgreSQL server, over the loopback.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/OdbcConnection.h"
#include "platform/OdbcRecordSet.h"
#include "regex/EmailAddress.h"
#include "store/AddressStore.h"
#include "store/DatabaseFile.h"
#include "textfiles/AddressImport.h"
#include "textfiles/FilterWorker.h"
#include "textfiles/LineReader.h"
#include "textfiles/OutputFile.h"
#include "support/BenchBook.h"
#include "support/BenchFolder.h"
#include "support/BenchPgBook.h"
#include "support/Grep.h"
#include "tools/CreateDatabase.h"
#include "workers/NoticeTarget.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kBookRows = 1'000'000;
constexpr int kGroups = 10; // groups 2..11, 100,000 addresses each: address i is in group 2 + i % 10
constexpr int kGroup = 2;   // the group imported into and filtered against
constexpr int kImportLines = 100'000;
constexpr int kFilterLines = 1'000'000;
constexpr double kImportTarget = 50'000;
// On a server each line's duplicate check is a round trip (about 0.1 ms over this machine's loopback).
constexpr double kServerImportTarget = 10'000;

double seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

std::string bookAddress(int i) {
    return "user" + std::to_string(i) + "@example.com";
}

// Where a benchmark's book is: `open(name)` gives the start directory of a fresh copy of the million-address book
// (SQLite: a copy of the file; PostgreSQL: the one database, less what an earlier run imported).
struct Book {
    const char* engine;
    double importTarget; // lines a second
    std::function<std::string(const std::string& name)> open;
};

// The million-address book on the PostgreSQL server, in a database of this run, the data source Corvane for it
// in work/odbc.ini.
void buildPgBook(const std::string& work) {
    createPgBook(work, "corvane_textbench");
    OdbcConnection connection;
    connection.open(dataSourceConnectionString("Corvane"));
    connection.execute("insert into AddressList(group_id, email, name) select 2 + i % " + std::to_string(kGroups) +
                       ", 'user' || i || '@example.com', 'Name ' || i from generate_series(0, " +
                       std::to_string(kBookRows - 1) + ") as i");
    connection.execute("vacuum analyze AddressList");
}

// 70% valid addresses, a fifth of which the group holds already; 30% lines that are no address. Shuffled, with
// the spaces and CR LF of a file from another program on some lines. Returns the number of new addresses.
int writeImportFile(const std::string& path) {
    std::vector<std::string> lines;
    const int valid = kImportLines * 7 / 10;
    const int present = valid / 5;
    for (int i = 0; i < present; ++i)
        lines.push_back(bookAddress(i * kGroups)); // in group 2
    for (int i = present; i < valid; ++i)
        lines.push_back("new" + std::to_string(i) + "@example.org");
    for (int i = valid; i < kImportLines; ++i)
        lines.push_back(i % 2 ? "no address " + std::to_string(i) : "broken" + std::to_string(i) + "@");
    std::mt19937 random(7);
    std::shuffle(lines.begin(), lines.end(), random);
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = 0; i < lines.size(); ++i)
        out << (i % 3 == 0 ? " " + lines[i] + "\t\r\n" : lines[i] + "\n");
    return valid - present;
}

// The duplicate filter's input: the group's 100,000 addresses among 900,000 others, and the group's own list for
// grep. Lines end in LF alone: grep would take a CR as part of the line, and then find none of the group's.
void writeFilterFiles(const std::string& input, const std::string& groupList) {
    std::ofstream in(input, std::ios::binary);
    std::ofstream group(groupList, std::ios::binary);
    for (int i = 0; i < kFilterLines; ++i) {
        in << bookAddress(i) << "\n";
        if (i % kGroups == kGroup - 2) group << bookAddress(i) << '\n';
    }
}

void openOrFail(AddressStore& store, const std::string& folder) {
    store.setErrorReporter([](const std::string& text) {
        std::fprintf(stderr, "textfiles_bench: database error: %s\n", text.c_str());
        std::exit(1);
    });
    if (!store.OpenDatabase(folder)) throw std::runtime_error("cannot open " + folder);
}

void benchImport(const Book& book, const std::string& work) {
    const std::string file = work + "/import.txt";
    const int fresh = writeImportFile(file);

    AddressStore store;
    openOrFail(store, book.open("batched"));
    std::atomic<bool> importing{true};
    Clock::duration longestWait{};
    std::thread other([&] {
        while (importing) {
            const auto start = Clock::now();
            store.IsOpen();
            longestWait = std::max(longestWait, Clock::now() - start);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const auto began = Clock::now();
    const ImportResult result = importAddresses(store, file, kGroup);
    const double batched = seconds(Clock::now() - began);
    importing = false;
    other.join();
    store.closeDatabase();
    if (result.stored != static_cast<std::size_t>(fresh) || result.stopped)
        throw std::runtime_error("the import stored " + std::to_string(result.stored) + " of " + std::to_string(fresh) +
                                 ": " + result.failure);

    // As the import ran before: each line checked and stored on its own, in auto-commit mode.
    openOrFail(store, book.open("single"));
    const auto singleBegan = Clock::now();
    {
        std::ifstream in(file, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            const std::size_t first = line.find_first_not_of(" \t\r\n\v\f");
            if (first == std::string::npos) continue;
            const std::string address = line.substr(first, line.find_last_not_of(" \t\r\n\v\f") - first + 1);
            if (address.size() > 254 || !IsValidEmailAddress(address)) continue;
            if (store.AddressExists(kGroup, address) == 0) store.InsertAddress(kGroup, address, "");
        }
    }
    const double single = seconds(Clock::now() - singleBegan);
    store.closeDatabase();

    const double rate = kImportLines / batched;
    std::printf("Import (%s): %d lines (70%% valid, a fifth of those already in the group) into a group of %d in a "
                "book of %d\n",
                book.engine, kImportLines, kBookRows / kGroups, kBookRows);
    std::printf("  in batches           %7.2f s  %9.0f lines/s   target >= %.0f: %s\n", batched, rate,
                book.importTarget, rate >= book.importTarget ? "met" : "MISSED");
    std::printf("  longest wait of another thread meanwhile: %.1f ms\n",
                std::chrono::duration<double, std::milli>(longestWait).count());
    std::printf("  line by line         %7.2f s  %9.0f lines/s   (each statement on its own, as before)\n", single,
                kImportLines / single);
}

class AtOnce final : public NoticeTarget {
public:
    bool send(const WorkerNotice&, std::stop_token) override { return true; }
};

void benchFilter(const Book& book, const std::string& work) {
    const std::string input = work + "/input.txt";
    const std::string groupList = work + "/group.txt";
    const std::string output = work + "/output.txt";
    const std::string grepOutput = work + "/grep.txt";
    writeFilterFiles(input, groupList);
    openOrFail(AddressStore::instance(), book.open("filter"));

    FilterJob job{&AddressStore::instance(), kGroup, input, output, std::make_shared<AtOnce>()};
    const auto began = Clock::now();
    FilterWorkerThread(&job, {});
    const double worker = seconds(Clock::now() - began);

    // The same loop with the checks asked 500 lines at a time through addressesExist, each line still reported.
    const std::string piecesOutput = work + "/pieces.txt";
    const auto piecesBegan = Clock::now();
    {
        AtOnce target;
        LineReader reader(input);
        OutputFile out;
        out.create(piecesOutput);
        std::vector<std::string> lines(500);
        std::vector<int> present;
        WorkerNotice notice;
        notice.nKind = NK_ITEM;
        for (bool more = true; more;) {
            std::size_t count = 0;
            while (count < lines.size() && reader.next(lines[count]))
                ++count;
            more = count == lines.size();
            AddressStore::instance().addressesExist(kGroup, std::span(lines.data(), count), present);
            for (std::size_t i = 0; i < count; ++i) {
                if (present[i] == 0) {
                    out.write(lines[i]);
                    out.write("\r\n");
                }
                notice.strText = lines[i];
                target.send(notice, {});
            }
        }
        out.close();
    }
    const double pieces = seconds(Clock::now() - piecesBegan);
    AddressStore::instance().closeDatabase();

    const GrepRun grepRun = runGrepFvxf(groupList, input, grepOutput);
    const double grep = grepRun.seconds;

    std::printf("FilterWorkerLoop (%s): %d lines against a group of %d in a book of %d\n", book.engine, kFilterLines,
                kBookRows / kGroups, kBookRows);
    std::printf("  worker loop          %7.2f s  %9.0f lines/s   %zu lines kept\n", worker, kFilterLines / worker,
                countLines(output));
    std::printf("  checks 500 at a time %7.2f s  %9.0f lines/s   %zu lines kept (addressesExist alone)\n", pieces,
                kFilterLines / pieces, countLines(piecesOutput));
    std::printf("  grep -Fvxf           %7.2f s  %9.0f lines/s   %zu lines kept (exit %d)\n", grep, kFilterLines / grep,
                countLines(grepOutput), grepRun.exitStatus);
    std::printf("  worker / grep time   %7.1f x   (checks 500 at a time / grep: %.1f x)\n", worker / grep,
                pieces / grep);
}

} // namespace

int main() {
    try {
        const BenchFolder folder("textbench");
        const std::string& work = folder.path();
        const std::string bookFolder = work + "/book";
        fs::create_directory(bookFolder);
        useBenchDataSource(work, false);
        buildBook(bookFolder, kBookRows, "2 + i % " + std::to_string(kGroups), "'Name ' || i");
        const Book sqlite{"SQLite", kImportTarget, [&](const std::string& name) {
                              useBenchDataSource(work, false);
                              return name == "filter" ? bookFolder : copyBook(bookFolder, work + "/" + name);
                          }};
        benchImport(sqlite, work);
        benchFilter(sqlite, work);
        if (benchPgServer()) {
            buildPgBook(work);
            const Book pg{"PostgreSQL", kServerImportTarget, [&](const std::string&) {
                              useBenchDataSource(work, true);
                              OdbcConnection connection;
                              connection.open(dataSourceConnectionString("Corvane"));
                              connection.execute("delete from AddressList where id > " + std::to_string(kBookRows));
                              return work;
                          }};
            benchImport(pg, work);
            benchFilter(pg, work);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "textfiles_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
