// The rows that a removal took out of the book, kept in a file as they go: CSV in UTF-8 with a byte-order mark (so
// that spreadsheets read the Chinese names), one row a line: group, e-mail, name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct RemovedRow {
    std::string groupName; // CP936 bytes, as the book holds them
    std::string email;
    std::string name;
};

class RemovedRowsFile {
public:
    RemovedRowsFile() = default;
    ~RemovedRowsFile();
    RemovedRowsFile(const RemovedRowsFile&) = delete;
    RemovedRowsFile& operator=(const RemovedRowsFile&) = delete;

    // Creates `path` (replacing a file that is there) with its heading line, on the disk before it returns.
    bool create(const std::string& path);
    // Appends the rows and waits until they are on the disk: a batch of deletes is committed only after its rows
    // are safe here, so a crash never loses a removed row.
    bool append(const std::vector<RemovedRow>& rows);
    // Takes the rows of the last append out again (their batch was not committed).
    bool undoLastAppend();
    bool close();
    // The system's error number of the first failure, 0 when there was none.
    int error() const { return m_error; }

private:
    bool fail();
    bool writeSynced(std::string_view bytes);

    int m_fd = -1;
    std::uint64_t m_size = 0;
    std::uint64_t m_sizeBeforeAppend = 0;
    int m_error = 0;
};

// CP936 bytes as UTF-8; a byte that starts no valid character becomes U+FFFD.
std::string utf8FromCp936(const std::string& text);
