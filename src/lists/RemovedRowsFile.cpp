// Tested by tests/lists/RemoveListedTest.cpp.
#include "lists/RemovedRowsFile.h"

#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// One field, always quoted, its quotes doubled: a name may hold commas, quotes and line ends.
void appendField(std::string& line, const std::string& text) {
    line += '"';
    for (const char c : utf8FromCp936(text)) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

} // namespace

std::string utf8FromCp936(const std::string& text) {
    bool ascii = true;
    for (const char c : text)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return text;
    // A descriptor per thread: it carries the state of a conversion.
    struct Converter {
        iconv_t handle = iconv_open("UTF-8", "GBK");
        ~Converter() {
            if (handle != reinterpret_cast<iconv_t>(-1)) iconv_close(handle);
        }
    };
    thread_local const Converter owner;
    const iconv_t converter = owner.handle;
    if (converter == reinterpret_cast<iconv_t>(-1)) return text;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.reserve(text.size() * 3 / 2 + 4);
    char buffer[256];
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    while (inLeft > 0) {
        char* to = buffer;
        std::size_t toLeft = sizeof buffer;
        const std::size_t done = iconv(converter, &in, &inLeft, &to, &toLeft);
        out.append(buffer, to - buffer);
        if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // A byte that starts no character (or a lead byte at the end): shown as such, the rest still converted.
            out += kReplacement;
            ++in;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

RemovedRowsFile::~RemovedRowsFile() {
    if (m_fd >= 0) ::close(m_fd);
}

bool RemovedRowsFile::fail() {
    if (m_error == 0) m_error = errno ? errno : EIO;
    return false;
}

bool RemovedRowsFile::create(const std::string& path) {
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0) return fail();
    // The heading is the program's own UTF-8 text, not converted.
    return writeSynced("\xEF\xBB\xBF\"组\",\"邮件地址\",\"名字\"\r\n");
}

bool RemovedRowsFile::append(const std::vector<RemovedRow>& rows) {
    if (m_fd < 0 || m_error) return false;
    std::string bytes;
    for (const RemovedRow& row : rows) {
        appendField(bytes, row.groupName);
        bytes += ',';
        appendField(bytes, row.email);
        bytes += ',';
        appendField(bytes, row.name);
        bytes += "\r\n";
    }
    return writeSynced(bytes);
}

bool RemovedRowsFile::writeSynced(std::string_view bytes) {
    m_sizeBeforeAppend = m_size;
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            undoLastAppend();
            return fail();
        }
        written += static_cast<std::size_t>(n);
    }
    m_size += written;
    if (::fdatasync(m_fd) != 0) {
        undoLastAppend();
        return fail();
    }
    return true;
}

bool RemovedRowsFile::undoLastAppend() {
    if (m_fd < 0) return false;
    const int saved = errno;
    const bool cut = ::ftruncate(m_fd, static_cast<off_t>(m_sizeBeforeAppend)) == 0 &&
                     ::lseek(m_fd, static_cast<off_t>(m_sizeBeforeAppend), SEEK_SET) >= 0;
    if (cut) m_size = m_sizeBeforeAppend;
    errno = saved;
    return cut;
}

bool RemovedRowsFile::close() {
    if (m_fd < 0) return m_error == 0;
    const int result = ::close(m_fd);
    m_fd = -1;
    if (result != 0) return fail();
    return m_error == 0;
}
