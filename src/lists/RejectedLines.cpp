// Tested by tests/lists/NamedImportTest.cpp.
#include "lists/RejectedLines.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#include "platform/TextConverter.h"

namespace {

void appendQuoted(std::string& out, std::string_view field) {
    out += '"';
    for (const char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

RejectedLines::RejectedLines(const std::string& path, ListEncoding encoding) : m_active(!path.empty()) {
    if (!m_active) return;
    if (encoding == ListEncoding::kGb18030) m_toGbk = std::make_unique<TextConverter>("GB18030", "UTF-8");
    if (!m_file.create(path)) {
        m_failed = true;
        return;
    }
    // A UTF-8 file gets the mark that spreadsheets need to read it as UTF-8.
    constexpr std::string_view kHeader = "行号,原因,原行\r\n";
    std::string header;
    if (!m_toGbk)
        header = std::string("\xEF\xBB\xBF").append(kHeader);
    else
        m_toGbk->convert(kHeader, header);
    if (!m_file.write(header)) m_failed = true;
}

RejectedLines::~RejectedLines() = default;

void RejectedLines::add(std::size_t line, std::string_view reason, std::string_view original) {
    if (!m_active) return;
    m_held += std::to_string(line);
    m_held += ',';
    if (m_toGbk && m_toGbk->convert(reason, m_reason))
        appendQuoted(m_held, m_reason);
    else
        appendQuoted(m_held, reason);
    m_held += ',';
    appendQuoted(m_held, original);
    m_held += "\r\n";
}

void RejectedLines::keep() {
    if (!m_active || m_failed) return m_held.clear();
    if (!m_file.write(m_held)) m_failed = true;
    m_held.clear();
}

void RejectedLines::drop() {
    m_held.clear();
}

bool RejectedLines::finish() {
    if (!m_active) return true;
    if (m_failed) return false;
    return m_file.commit();
}

int copyFileWhole(const std::string& from, const std::string& to) {
    const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    ReplacementFile file;
    if (!file.create(to)) {
        ::close(fd);
        return file.error() != 0 ? file.error() : EIO;
    }
    std::string buffer(256 * 1024, '\0');
    int error = 0;
    for (;;) {
        const ssize_t done = ::read(fd, buffer.data(), buffer.size());
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) error = errno;
        if (done <= 0) break;
        if (!file.write(std::string_view(buffer.data(), static_cast<std::size_t>(done)))) break;
    }
    ::close(fd);
    if (error != 0) return error;
    if (!file.commit()) return file.error() != 0 ? file.error() : EIO;
    return 0;
}
