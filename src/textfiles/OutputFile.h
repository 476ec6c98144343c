// A file written from scratch, bytes as given, through a buffer: the export's and the filter's output.
#pragma once

#include <string>
#include <string_view>

class OutputFile {
public:
    OutputFile() = default;
    // Closes the file if it is still open (a failure then goes unreported: call close() to know).
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // What Create does with a file that is there already.
    enum class Existing { kReplace, kRefuse };
    // Creates `path` empty, replacing a file that is there (or failing, kRefuse). False when it cannot be created.
    bool create(const std::string& path, Existing existing = Existing::kReplace);
    // Appends `bytes`. False once any write has failed; later writes are then dropped.
    bool write(std::string_view bytes);
    // Whether close() waits until the bytes are on the disk.
    enum class Sync { kNo, kToDisk };
    // Writes what is buffered and closes. False when anything could not be written, or the file was never created.
    bool close(Sync sync = Sync::kNo);
    // The system's error number of the first failure (creating, writing, closing), 0 when there was none.
    int error() const { return m_error; }

private:
    bool flush();

    int m_fd = -1;
    std::string m_buffer;
    bool m_failed = false;
    int m_error = 0;
};
