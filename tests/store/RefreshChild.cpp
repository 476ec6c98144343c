// A program of its own for the refresh tests, so that a test can kill a refresh part way as the system would kill
// the program, or run two at once: opens the book in the folder given (or the data source Corvane, as the program
// does), refreshes the keywords from the update server given, and exits 0; 3 when the book does not open, 4 when the
// refresh reported a failure.
#include <cstdio>
#include <string>

#include "store/AddressStore.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FOLDER SERVER\n", argv[0]);
        return 2;
    }
    AddressStore store;
    bool failed = false;
    store.setErrorReporter([&](const std::string& text) {
        std::fprintf(stderr, "%s\n", text.c_str());
        failed = true;
    });
    store.setUpdateServer(argv[2]);
    if (!store.OpenDatabase(argv[1])) return 3;
    store.RefreshSearchKeys();
    store.closeDatabase();
    return failed ? 4 : 0;
}
