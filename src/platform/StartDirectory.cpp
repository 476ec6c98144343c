#include "platform/StartDirectory.h"

#include <cstdlib>
#include <memory>

#include <unistd.h>

namespace {

std::string& startDirectory() {
    static std::string directory = "/";
    return directory;
}

} // namespace

void CaptureStartDirectory() {
    // No fixed buffer: a deep working directory is as good a home for the book as any other.
    std::unique_ptr<char, decltype(&std::free)> current(getcwd(nullptr, 0), &std::free);
    startDirectory() = current ? std::string(current.get()) : std::string("/");
}

const std::string& StartDirectory() {
    return startDirectory();
}

std::string StartDirectoryFile(const std::string& fileName) {
    const std::string& directory = startDirectory();
    if (!directory.empty() && directory.back() == '/') return directory + fileName;
    return directory + "/" + fileName;
}
