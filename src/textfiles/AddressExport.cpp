// Tested by tests/gui/TextFilesTest.cpp.
#include "textfiles/AddressExport.h"

#include <cerrno>

#include "textfiles/ReplacementFile.h"

int ExportAddresses(const std::string& path, const std::vector<std::string>& emails) {
    ReplacementFile file;
    if (!file.Create(path)) return file.error() != 0 ? file.error() : EIO;
    for (const std::string& email : emails) {
        file.Write(email);
        file.Write("\r\n");
    }
    if (file.Commit()) return 0;
    return file.error() != 0 ? file.error() : EIO;
}
