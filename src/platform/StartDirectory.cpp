#include "platform/StartDirectory.h"

#include <cstdlib>
#include <memory>

#include <unistd.h>

namespace {

std::string& captured() {
    static std::string directory = "/";
    return directory;
}

} // namespace

void captureStartDirectory() {
    // No fixed buffer: a deep working directory is as good a home for the book as any other.
    std::unique_ptr<char, decltype(&std::free)> current(getcwd(nullptr, 0), &std::free);
    captured() = current ? std::string(current.get()) : std::string("/");
}

const std::string& startDirectory() {
    return captured();
}

std::string startDirectoryFile(const std::string& fileName) {
    const std::string& directory = startDirectory();
    if (!directory.empty() && directory.back() == '/') return directory + fileName;
    return directory + "/" + fileName;
}
