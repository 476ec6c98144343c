// A file written from scratch, bytes as given, through a buffer: the export's and the filter's output.
#pragma once

#include <string>
#include <string_view>

class OutputFile {
public:
    OutputFile() = default;
    // Closes the file if it is still open (a failure then goes unreported: call Close() to know).
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates `path` empty, replacing a file that is there. False when it cannot be created.
    bool Create(const std::string& path);
    // Appends `bytes`. False once any write has failed; later writes are then dropped.
    bool Write(std::string_view bytes);
    // Writes what is buffered and closes. False when anything could not be written, or the file was never created.
    bool Close();

private:
    bool flush();

    int m_fd = -1;
    std::string m_buffer;
    bool m_failed = false;
};
