// A second program on a test's book, for the tests in which two programs use one book as two desks or a backup
// script would: opens the book of FOLDER as the program does (the data source Corvane when ODBCINI defines it) and
// does one thing. Exit status: 0 done, 2 usage, 3 the book does not open, 4 a store operation failed.
//   book_child add FOLDER SYNC COUNT PREFIX   adds PREFIX<r>@x to group 1 for each round r, checked and added as
//                                             增加 does
//   book_child edit FOLDER SYNC COUNT PREFIX  moves the address PREFIX<r>@x of group 2 to same<r>@x of group 1, as
//                                             编辑 does, for each round r
// SYNC is a file that holds a process-shared barrier (made by the test): each round starts when both programs
// have reached it, so their checks and writes meet at the same instant.
//   book_child group FOLDER NAME            adds the group NAME, then quits
//   book_child churn FOLDER STOP            opens, reads and closes the book again and again until STOP exists,
//                                           as a backup script or a second viewer would
#include <pthread.h>
#include <sys/mman.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <map>
#include <string>

#include "store/AddressStore.h"

namespace {

bool exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

pthread_barrier_t* openBarrier(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR);
    if (fd < 0) return nullptr;
    void* shared = ::mmap(nullptr, sizeof(pthread_barrier_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    return shared == MAP_FAILED ? nullptr : static_cast<pthread_barrier_t*>(shared);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s add|edit|group|churn FOLDER ...\n", argv[0]);
        return 2;
    }
    const std::string command = argv[1];
    const std::string folder = argv[2];
    if (command == "churn") {
        for (int rounds = 0; !exists(argv[3]); ++rounds) {
            AddressStore store;
            if (!store.OpenDatabase(folder)) return 3;
            std::vector<GroupRecord> groups;
            store.LoadGroups(groups);
            store.closeDatabase();
        }
        return 0;
    }
    AddressStore store;
    bool failed = false;
    store.setErrorReporter([&](const std::string& text) {
        std::fprintf(stderr, "%s\n", text.c_str());
        failed = true;
    });
    if (!store.OpenDatabase(folder)) return 3;
    if (command == "group") {
        const int result = store.AddGroup(argv[3]);
        store.closeDatabase();
        return result == 0 && !failed ? 0 : 4;
    }
    if (argc != 6) return 2;
    pthread_barrier_t* barrier = openBarrier(argv[3]);
    if (!barrier) return 2;
    const int count = std::atoi(argv[4]);
    const std::string prefix = argv[5];
    if (command == "add") {
        for (int i = 0; i < count; ++i) {
            pthread_barrier_wait(barrier);
            const AddressStore::AddResult result = store.addAddressIfAbsent(1, prefix + std::to_string(i) + "@x", "");
            if (result.outcome == AddressStore::AddOutcome::kFailed) {
                std::fprintf(stderr, "%s\n", result.failure.c_str());
                return 4;
            }
        }
    } else if (command == "edit") {
        std::list<AddressRecord> mine;
        store.LoadGroupAddresses(2, mine);
        std::map<std::string, RowId> ids;
        for (const AddressRecord& address : mine)
            ids[address.email] = address.id;
        for (int r = 0; r < count; ++r) {
            pthread_barrier_wait(barrier);
            const auto id = ids.find(prefix + std::to_string(r) + "@x");
            if (id == ids.end()) return 4;
            const int result = store.UpdateAddress(id->second, 1, "same" + std::to_string(r) + "@x", prefix);
            if (result != 0 && result != 2) return 4;
        }
    } else {
        return 2;
    }
    store.closeDatabase();
    return failed ? 4 : 0;
}
