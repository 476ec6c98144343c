// Tested by tests/textfiles/LineReaderTest.cpp.
#include "textfiles/OutputFile.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::size_t kBufferSize = 1 << 16;

} // namespace

OutputFile::~OutputFile() {
    close();
}

bool OutputFile::create(const std::string& path, Existing existing) {
    close();
    m_failed = false;
    m_error = 0;
    m_fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (existing == Existing::kRefuse ? O_EXCL : O_TRUNC), 0666);
    if (m_fd < 0) m_error = errno;
    m_buffer.clear();
    m_buffer.reserve(kBufferSize);
    // A file that was never made was not written either: close() must not say all went well.
    m_failed = m_fd < 0;
    return m_fd >= 0;
}

bool OutputFile::write(std::string_view bytes) {
    if (m_fd < 0 || m_failed) return false;
    if (m_buffer.size() + bytes.size() > kBufferSize && !flush()) return false;
    if (bytes.size() >= kBufferSize) {
        m_buffer.assign(bytes);
        return flush();
    }
    m_buffer.append(bytes);
    return true;
}

bool OutputFile::flush() {
    std::size_t done = 0;
    while (done < m_buffer.size()) {
        const ssize_t wrote = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            if (m_error == 0) m_error = wrote < 0 ? errno : ENOSPC;
            m_failed = true;
            m_buffer.clear();
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    m_buffer.clear();
    return true;
}

bool OutputFile::close(Sync sync) {
    if (m_fd < 0) return !m_failed;
    const bool flushed = m_failed ? false : flush();
    // A full disk can show only here, on file systems that accept a write before they find room for it.
    bool synced = true;
    if (flushed && sync == Sync::kToDisk && ::fsync(m_fd) != 0) {
        synced = false;
        if (m_error == 0) m_error = errno;
    }
    const bool closed = ::close(m_fd) == 0;
    if (!closed && m_error == 0) m_error = errno;
    m_fd = -1;
    return flushed && synced && closed && !m_failed;
}
