// corvane-cli: the address book from scripts and the terminal. See toolUsage() in HelpTexts.cpp.
#include <clocale>
#include <cstddef>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "Config.h"
#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/HelpTexts.h"
#include "platform/DatabaseError.h"
#include "platform/OdbcConnection.h"
#include "store/AddressStore.h"
#include "store/DatabaseFile.h"

namespace {

// The folder whose Corvane.bin the window's launcher opens.
std::string defaultBookFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return std::string(data) + "/Corvane";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/share/Corvane";
}

struct BookChoice {
    std::string folder;
    std::string dataSource;
};

// Opens the book chosen; never creates one. False (said on `err`) when it cannot be opened.
bool openBook(AddressStore& store, const BookChoice& choice, std::ostream& err) {
    // The store says why an open failed; a command-line tool says it once, on standard error.
    store.setErrorReporter([](const std::string&) {});
    bool opened = false;
    if (!choice.dataSource.empty()) {
        if (!isDataSourceDefined(choice.dataSource)) {
            err << "corvane-cli: no ODBC data source " << choice.dataSource << " is defined\n";
            return false;
        }
        opened = store.openDataSource(choice.dataSource);
    } else if (choice.folder.empty() && sharedBookDefined()) {
        opened = store.openDataSource(kDataSourceName);
    } else {
        const std::string folder = choice.folder.empty() ? defaultBookFolder() : choice.folder;
        if (::access(databaseFilePath(folder).c_str(), F_OK) != 0) {
            err << "corvane-cli: there is no book " << databaseFilePath(folder) << " (corvane-create-db makes one)\n";
            return false;
        }
        opened = store.openBookFile(folder);
    }
    if (!opened)
        err << "corvane-cli: cannot open the book " << store.bookDescription() << ": " << store.openFailure() << '\n';
    return opened;
}

int dispatch(CliContext& context, const std::string& command, const Words& words) {
    if (command == "groups") return runGroups(context, words);
    if (command == "group") return runGroup(context, words);
    if (command == "import") return runImport(context, words);
    if (command == "export") return runExport(context, words);
    if (command == "filter") return runFilter(context, words);
    if (command == "find") return runFind(context, words);
    if (command == "remove") return runRemove(context, words);
    if (command == "union" || command == "intersect" || command == "minus") return runCombine(context, command, words);
    if (command == "merge") return runMerge(context, words);
    throw UsageError("unknown command " + command);
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::vector<std::string> words(argv + 1, argv + argc);
    BookChoice choice;
    bool json = false;
    std::size_t next = 0;
    try {
        // The tool's own options come before the command.
        for (; next < words.size() && words[next].rfind("--", 0) == 0; ++next) {
            const std::string& word = words[next];
            if (word == "--help") {
                std::cout << toolUsage();
                return ExitStatus::kDone;
            } else if (word == "--version") {
                std::cout << "corvane-cli " << CORVANE_VERSION << '\n';
                return ExitStatus::kDone;
            } else if (word == "--json") {
                json = true;
            } else if ((word == "--book" || word == "--dsn") && next + 1 < words.size()) {
                (word == "--book" ? choice.folder : choice.dataSource) = words[++next];
            } else {
                throw UsageError("unknown option " + word);
            }
        }
        if (!choice.folder.empty() && !choice.dataSource.empty()) throw UsageError("--book or --dsn, not both");
        if (next == words.size()) throw UsageError("which command?");
        const std::string command = words[next];
        const Words rest(words.begin() + static_cast<std::ptrdiff_t>(next) + 1, words.end());
        if (commandUsage(command).empty()) throw UsageError("unknown command " + command);
        for (const std::string& word : rest)
            if (word == "--help") {
                std::cout << commandUsage(command);
                return ExitStatus::kDone;
            }
        if (command == "check") return runCheck(std::cout, json, rest);

        AddressStore store;
        if (!openBook(store, choice, std::cerr)) return ExitStatus::kNoBook;
        CliContext context(store, json, std::cout, std::cerr);
        return dispatch(context, command, rest);
    } catch (const UsageError& error) {
        std::cerr << "corvane-cli: " << error.what() << "\n(corvane-cli --help tells more)\n";
        return ExitStatus::kUsage;
    } catch (const FileError& error) {
        std::cerr << "corvane-cli: " << error.what() << '\n';
        return ExitStatus::kFileError;
    } catch (const DatabaseError& error) {
        std::cerr << "corvane-cli: " << error.what() << '\n';
        return ExitStatus::kDatabaseError;
    }
}
