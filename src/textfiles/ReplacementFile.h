// A file written under a name of its own beside its destination and put in the destination's place only when it is
// whole: until then a file already at the destination stays as it was, and a failure leaves nothing behind.
#pragma once

#include <string>
#include <string_view>

#include "textfiles/OutputFile.h"

class ReplacementFile {
public:
    ReplacementFile() = default;
    // Removes the file being written unless commit() put it in place.
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Starts a new file in the folder of `destination`. False when it cannot be made there (see error()).
    bool create(const std::string& destination);
    // Appends `bytes`; false once anything could not be written.
    bool write(std::string_view bytes);
    // Writes out, syncs and puts the file in place of the destination. False, with nothing changed at the
    // destination and no file left beside it, when any of it failed.
    bool commit();
    // The system's error number of the first failure, 0 when there was none.
    int error() const { return m_error; }

private:
    void discard();

    OutputFile m_file;
    std::string m_destination;
    std::string m_temporary;
    int m_error = 0;
};
