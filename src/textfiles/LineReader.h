// Reads a text file line by line the way the program's files are read: a line ends at LF, a CR just before the LF
// is part of the line end, and the line end is not part of the line. Every other byte is kept as it is (NUL, CP936
// double bytes, a lone CR). Memory stays bounded by the longest line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class LineReader {
public:
    // Opens `path` for reading; see isOpen(). Only a regular file opens (through a symbolic link too): a pipe, a
    // device or a folder could hang the open, never end, or never end a line.
    explicit LineReader(const std::string& path);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // The next line into `line`; false at the end of the file or on a read error (see failed()). A last line without
    // a line end is still a line; a file that ends with a line end has no empty line after it. After a read error
    // the bytes read since the last line end are not handed out: they may be only part of a line.
    bool next(std::string& line);
    // Whether reading stopped on an error rather than at the end, and the system's error number then.
    bool failed() const { return m_failed; }
    int error() const { return m_error; }
    // Bytes consumed so far, line ends included; the file's size when it was opened.
    std::size_t position() const { return m_consumed; }
    std::size_t sizeAtOpen() const { return m_sizeAtOpen; }
    // Whether the file was cut short or replaced while it was read: fewer bytes were read than it held when it was
    // opened, or `path` no longer names the file that was opened. A run over it then missed lines.
    bool changedSinceOpen(const std::string& path) const;

private:
    bool fill();

    int m_fd = -1;
    std::size_t m_sizeAtOpen = 0;
    unsigned long m_device = 0;
    unsigned long m_inode = 0;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0; // unread bytes are m_buffer[m_begin, m_end)
    std::size_t m_end = 0;
    std::size_t m_consumed = 0;
    bool m_eof = false;
    bool m_failed = false;
    int m_error = 0;
};
