// corvane-cli as a nightly job runs it, on a book of 1,000,000 addresses: the import of 1,000,000 new lines, the
// export of a group of 1,000,000 rows, and the filter of 1,000,000 lines against a group of 100,000 beside
// grep -Fvxf on the same files in the same run. Each is the real binary in a process of its own; prints figures
// against the targets. A plain program, since one run takes many seconds.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include "support/BenchBook.h"
#include "support/BenchFolder.h"
#include "support/Grep.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBookRows = 1'000'000;
constexpr int kLines = 1'000'000;

// Runs corvane-cli with `args`, its standard output to `output`; seconds taken, or a negative number on failure.
double timeCli(std::vector<std::string> args, const std::string& output = "/dev/null") {
    args.insert(args.begin(), CORVANE_CLI);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const auto began = Clock::now();
    pid_t pid = -1;
    const int started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    const bool ok = WIFEXITED(status) && WEXITSTATUS(status) <= 1;
    if (!ok) std::fprintf(stderr, "cli_bench: %s %s failed (status %d)\n", args[3].c_str(), args[4].c_str(), status);
    return ok ? seconds : -seconds;
}

void report(const char* what, double seconds, double items, double target) {
    const double rate = items / seconds;
    std::printf("  %-44s %7.2f s  %9.0f /s   target >= %.0f: %s\n", what, seconds, rate, target,
                rate >= target ? "met" : "MISSED");
}

} // namespace

int main() {
    const BenchFolder work("clibench");
    const std::string& folder = work.path();
    // Group 1: every tenth address (100,000); group 2: all the others (900,000); group 3 is filled by the import.
    buildBook(folder, kBookRows, "case when i % 10 = 0 then 1 else 2 end", "'n' || i");
    const std::string input = folder + "/signups.txt";
    const std::string groupList = folder + "/group.txt";
    {
        std::ofstream signups(input, std::ios::binary);
        std::ofstream group(groupList, std::ios::binary);
        for (int i = 0; i < kLines; ++i) {
            // Every tenth line is already in group 1; the rest are new to the book.
            const std::string line =
                i % 10 == 0 ? "user" + std::to_string(i) + "@example.com" : "new" + std::to_string(i) + "@example.com";
            signups << line << '\n';
            if (i % 10 == 0) group << line << '\n';
        }
    }
    const std::vector<std::string> book{"--book", folder};
    auto with = [&](std::vector<std::string> args) {
        args.insert(args.begin(), book.begin(), book.end());
        return args;
    };
    // The book's rows name groups 1 and 2; the groups themselves come first, then the one the import fills (3).
    for (const char* name : {"tenth", "others", "signups"})
        if (timeCli(with({"group", "add", name})) < 0) return 1;

    std::printf("corvane-cli on a book of %d addresses\n", kBookRows);
    const double imported = timeCli(with({"import", "signups", input}));
    report("import 1,000,000 new lines", imported, kLines, 50'000);
    const double exported = timeCli(with({"export", "signups", folder + "/out.txt"}));
    report("export a group of 1,000,000 rows", exported, kLines, 500'000);
    const double filtered = timeCli(with({"filter", "1", input, folder + "/filtered.txt"}));
    const GrepRun grep = runGrepFvxf(groupList, input, folder + "/grep.txt");
    report("filter 1,000,000 lines, group of 100,000", filtered, kLines, 50'000);
    std::printf("  grep -Fvxf on the same files                 %7.2f s   filter / grep: %.1f x (target <= 3)\n",
                grep.seconds, filtered / grep.seconds);
    std::printf("  lines kept: filter %zu, grep %zu\n", countLines(folder + "/filtered.txt"),
                countLines(folder + "/grep.txt"));
    return imported > 0 && filtered > 0 ? 0 : 1;
}
