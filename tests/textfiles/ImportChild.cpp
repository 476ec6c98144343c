// A program of its own for the import tests: a test can kill it part way, or let it run out of disk, as the system
// would do to the real program, and it is a second program writing to the same book.
//
//   import FOLDER FILE GROUP LINES [MAXBYTES]
//       Imports FILE into group GROUP of the book in FOLDER, in batches of LINES lines (with no time limit). With
//       MAXBYTES, no file of this process may grow past that many bytes, as on a disk that fills: writes past it
//       fail (EFBIG) instead of raising SIGXFSZ. Prints one line "opened lines stored stopped reports" (reports:
//       the errors the store reported through its reporter), then the failure text, and exits 0.
//   write FOLDER COUNT PREFIX
//       Prints "ready", then inserts COUNT addresses "PREFIX<i>@example.com" into group 9, each in a statement of
//       its own, as another program would. Exits 0 when every insert went through, 1 otherwise.
//   hold FOLDER MS
//       Takes the book's write lock with an insert of "held@example.com" into group 9, prints "holding", keeps the
//       lock MS milliseconds, then commits and exits 0.
//   filter FOLDER GROUP INPUT OUTPUT
//       Runs the duplicate filter's worker over INPUT against group GROUP, as the filter dialog starts it, and exits
//       with its outcome: a test measures what the run cost in memory.
//
// FOLDER is the start directory: the book is its Corvane.bin, or the data source Corvane where one is defined, as
// for the program. Exits 3 when the book does not open, 2 on wrong arguments.
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "platform/DatabaseError.h"
#include "platform/OdbcConnection.h"
#include "platform/Transaction.h"
#include "store/AddressStore.h"
#include "store/DatabaseFile.h"
#include "textfiles/AddressImport.h"
#include "textfiles/FilterWorker.h"
#include "workers/NoticeTarget.h"

namespace {

int usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s import FOLDER FILE GROUP LINES [MAXBYTES] | write FOLDER COUNT PREFIX | "
                 "hold FOLDER MS | filter FOLDER GROUP INPUT OUTPUT\n",
                 program);
    return 2;
}

int runImport(int argc, char** argv) {
    if (argc != 6 && argc != 7) return usage(argv[0]);
    AddressStore store;
    int reports = 0;
    store.setErrorReporter([&](const std::string& text) {
        ++reports;
        std::fprintf(stderr, "reported: %s\n", text.c_str());
    });
    if (!store.OpenDatabase(argv[2])) return 3;
    if (argc == 7) {
        // As on a full disk: a write past the limit fails with EFBIG, and the process lives on.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = std::strtoull(argv[6], nullptr, 10);
        const rlimit size{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &size) != 0) {
            std::perror("setrlimit");
            return 2;
        }
    }
    ImportBatching batching;
    batching.lines = std::strtoull(argv[5], nullptr, 10);
    batching.time = std::chrono::hours(1);
    const ImportResult result = importAddresses(store, argv[3], std::atoi(argv[4]), batching);
    std::printf("%d %zu %zu %d %d\n%s\n", result.opened ? 1 : 0, result.lines, result.stored, result.stopped ? 1 : 0,
                reports, result.failure.c_str());
    std::fflush(stdout);
    store.closeDatabase();
    return 0;
}

int runWrite(int argc, char** argv) {
    if (argc != 5) return usage(argv[0]);
    OdbcConnection connection;
    try {
        connection.open(*bookConnectionString(argv[2]));
    } catch (const DatabaseError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 3;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    const int count = std::atoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        const std::string email = argv[4] + std::to_string(i) + "@example.com";
        try {
            connection.execute("insert into AddressList(group_id, email, name) values(9, ?, '')", {email});
        } catch (const DatabaseError& error) {
            std::fprintf(stderr, "%s\n", error.what());
            return 1;
        }
    }
    return 0;
}

class NoWindow final : public NoticeTarget {
public:
    bool send(const WorkerNotice& notice, std::stop_token) override {
        if (notice.nKind == NK_DONE) outcome = static_cast<int>(notice.nValue);
        return true;
    }
    int outcome = -1;
};

int runFilter(int argc, char** argv) {
    if (argc != 6) return usage(argv[0]);
    if (!AddressStore::instance().OpenDatabase(argv[2])) return 3;
    auto window = std::make_shared<NoWindow>();
    FilterJob job{&AddressStore::instance(), std::atoll(argv[3]), argv[4], argv[5], window};
    FilterWorkerThread(&job, {});
    AddressStore::instance().closeDatabase();
    return window->outcome;
}

int runHold(int argc, char** argv) {
    if (argc != 4) return usage(argv[0]);
    OdbcConnection connection;
    try {
        connection.open(*bookConnectionString(argv[2]));
        Transaction transaction(connection, TransactionIsolation::kDefault, TransactionAccess::kWrite);
        connection.execute("insert into AddressList(group_id, email, name) values(9, 'held@example.com', '')");
        std::printf("holding\n");
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[3])));
        transaction.commit();
    } catch (const DatabaseError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage(argv[0]);
    const std::string mode = argv[1];
    if (mode == "import") return runImport(argc, argv);
    if (mode == "write") return runWrite(argc, argv);
    if (mode == "hold") return runHold(argc, argv);
    if (mode == "filter") return runFilter(argc, argv);
    return usage(argv[0]);
}
