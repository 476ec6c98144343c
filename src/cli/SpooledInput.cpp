// Tested by tests/cli/CliTest.cpp.
#include "cli/SpooledInput.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <unistd.h>

#include "cli/CommandLine.h"

SpooledInput::SpooledInput(const std::string& path) : m_path(path) {
    if (path != "-") return;
    const char* folder = std::getenv("TMPDIR");
    std::string name = std::string(folder && *folder ? folder : "/tmp") + "/corvane-cli-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        throw FileError("cannot make a temporary file for standard input: " + std::string(std::strerror(errno)));
    m_path = name;
    m_temporary = true;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer.data(), buffer.size());
        if (got == 0) break;
        if (got < 0 && errno == EINTR) continue;
        bool written = got > 0;
        for (ssize_t done = 0; written && done < got;) {
            const ssize_t put = ::write(fd, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            written = put > 0;
            done += put > 0 ? put : 0;
        }
        if (!written) {
            const int error = errno;
            ::close(fd);
            ::unlink(m_path.c_str());
            throw FileError("cannot copy standard input: " + std::string(std::strerror(error)));
        }
    }
    ::close(fd);
}

SpooledInput::~SpooledInput() {
    if (m_temporary) ::unlink(m_path.c_str());
}
