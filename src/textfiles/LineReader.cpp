// Tested by tests/textfiles/LineReaderTest.cpp.
#include "textfiles/LineReader.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kChunk = 1 << 20;

} // namespace

LineReader::LineReader(const std::string& path) {
    // Without O_NONBLOCK, opening a FIFO that nobody writes to would wait for ever; the check below turns it away.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return;
    }
    // Back to blocking reads: a regular file ignores the flag, but a file system may not.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    m_fd = fd;
    m_sizeAtOpen = static_cast<std::size_t>(info.st_size);
    m_device = static_cast<unsigned long>(info.st_dev);
    m_inode = static_cast<unsigned long>(info.st_ino);
    m_buffer.resize(kChunk);
}

bool LineReader::changedSinceOpen(const std::string& path) const {
    if (m_fd < 0) return false;
    if (m_consumed < m_sizeAtOpen) return true;
    struct stat now;
    if (::stat(path.c_str(), &now) != 0) return true;
    return static_cast<unsigned long>(now.st_dev) != m_device || static_cast<unsigned long>(now.st_ino) != m_inode;
}

LineReader::~LineReader() {
    if (m_fd >= 0) ::close(m_fd);
}

bool LineReader::fill() {
    if (m_eof || m_failed) return false;
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    if (m_end == m_buffer.size()) m_buffer.resize(m_buffer.size() * 2);
    ssize_t got;
    do {
        got = ::read(m_fd, m_buffer.data() + m_end, m_buffer.size() - m_end);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        m_failed = true;
        m_error = errno;
        return false;
    }
    if (got == 0) {
        m_eof = true;
        return false;
    }
    m_end += static_cast<std::size_t>(got);
    return true;
}

bool LineReader::next(std::string& line) {
    if (m_fd < 0) return false;
    std::size_t searched = m_begin;
    for (;;) {
        const void* found = std::memchr(m_buffer.data() + searched, '\n', m_end - searched);
        if (found) {
            const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(found) - m_buffer.data());
            std::size_t stop = at;
            if (stop > m_begin && m_buffer[stop - 1] == '\r') --stop;
            line.assign(m_buffer.data() + m_begin, stop - m_begin);
            m_consumed += at + 1 - m_begin;
            m_begin = at + 1;
            return true;
        }
        const std::size_t offset = m_end - m_begin;
        if (!fill()) break;
        searched = m_begin + offset;
    }
    // After a read error the bytes since the last line end may be only part of a line.
    if (m_failed || m_begin == m_end) return false;
    // The last line, without a line end.
    line.assign(m_buffer.data() + m_begin, m_end - m_begin);
    m_consumed += m_end - m_begin;
    m_begin = m_end;
    return true;
}
