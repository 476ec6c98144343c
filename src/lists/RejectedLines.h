// The lines of a list that an import refused, kept as CSV beside the reason for each (line number, reason,
// original line), in the list's own encoding, so that they can be put right in the program that wrote the list.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "lists/ListFileFormat.h"
#include "textfiles/ReplacementFile.h"

class TextConverter;

class RejectedLines {
public:
    // Nothing is written when `path` is empty. The file appears, whole, at finish().
    RejectedLines(const std::string& path, ListEncoding encoding);
    ~RejectedLines();
    RejectedLines(const RejectedLines&) = delete;
    RejectedLines& operator=(const RejectedLines&) = delete;

    // Holds a refused line until keep(); `reason` in UTF-8.
    void add(std::size_t line, std::string_view reason, std::string_view original);
    // The lines held go into the file (their batch was committed).
    void keep();
    // The lines held go (their batch was rolled back).
    void drop();
    // Puts the file in place. False, with the system's error number in error(), when it could not be written.
    bool finish();
    int error() const { return m_file.error(); }

private:
    bool m_active;
    ReplacementFile m_file;
    std::unique_ptr<TextConverter> m_toGbk;
    std::string m_held;
    std::string m_reason;
    bool m_failed = false;
};

// Copies the file `from` to `to`, replacing it whole or not at all. 0, or the system's error number.
int copyFileWhole(const std::string& from, const std::string& to);
