// Tested by tests/workers/BrowserLaunchTest.cpp.
#include "platform/BrowserLaunch.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs `argv` in a grandchild of its own session, so that the browser outlives nothing of ours and never becomes
// our zombie. Returns whether the exec succeeded: the grandchild reports a failed exec through a pipe that a
// successful exec closes.
bool spawnDetached(const std::vector<std::string>& command) {
    if (command.empty()) return false;
    std::vector<char*> argv;
    for (const std::string& argument : command)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return false;
    const pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (child == 0) {
        // Only async-signal-safe calls from here: the parent has other threads.
        close(report[0]);
        setsid();
        const pid_t grandchild = fork();
        if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
        // Nothing of ours (the book's files, sockets) is handed on to the browser.
        close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        const int devNull = open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            dup2(devNull, STDIN_FILENO);
            dup2(devNull, STDOUT_FILENO);
        }
        execvp(argv[0], argv.data());
        const int error = errno;
        (void)!write(report[1], &error, sizeof error);
        _exit(127);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    while ((got = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    const bool forked = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return forked && got == 0;
}

std::vector<std::string> splitAtBlanks(const std::string& entry) {
    std::vector<std::string> words;
    std::istringstream stream(entry);
    std::string word;
    while (stream >> word)
        words.push_back(word);
    return words;
}

} // namespace

std::vector<std::vector<std::string>> browserCommands(const std::string& address, const char* browserVariable) {
    std::vector<std::vector<std::string>> commands;
    if (browserVariable) {
        std::string entries = browserVariable;
        std::size_t start = 0;
        while (start <= entries.size()) {
            std::size_t end = entries.find(':', start);
            if (end == std::string::npos) end = entries.size();
            std::vector<std::string> command = splitAtBlanks(entries.substr(start, end - start));
            if (!command.empty()) {
                bool placed = false;
                for (std::string& argument : command) {
                    if (argument == "%s") {
                        argument = address;
                        placed = true;
                    }
                }
                if (!placed) command.push_back(address);
                commands.push_back(std::move(command));
            }
            start = end + 1;
        }
    }
    commands.push_back({"xdg-open", address});
    return commands;
}

bool launchBrowser(const std::string& address) {
    for (const std::vector<std::string>& command : browserCommands(address, std::getenv("BROWSER")))
        if (spawnDetached(command)) return true;
    return false;
}
