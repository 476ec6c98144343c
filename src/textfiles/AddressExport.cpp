// Tested by tests/gui/TextFilesTest.cpp.
#include "textfiles/AddressExport.h"

#include <cerrno>

#include "textfiles/ReplacementFile.h"

int exportAddresses(const std::string& path, const std::vector<std::string>& emails) {
    ReplacementFile file;
    if (!file.create(path)) return file.error() != 0 ? file.error() : EIO;
    for (const std::string& email : emails) {
        file.write(email);
        file.write("\r\n");
    }
    if (file.commit()) return 0;
    return file.error() != 0 ? file.error() : EIO;
}
