// Standard input as a file: the import and the filter read regular files only (a pipe could block a read of the
// book's batches for ever), so what comes on standard input is first copied to a temporary file.
#pragma once

#include <string>

class SpooledInput {
public:
    // `path` itself, or for "-" a temporary copy of standard input. \throws FileError when the copy fails.
    explicit SpooledInput(const std::string& path);
    ~SpooledInput();
    SpooledInput(const SpooledInput&) = delete;
    SpooledInput& operator=(const SpooledInput&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    bool m_temporary = false;
};
