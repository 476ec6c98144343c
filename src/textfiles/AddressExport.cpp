// Tested by tests/gui/TextFilesTest.cpp.
#include "textfiles/AddressExport.h"

#include "textfiles/OutputFile.h"

bool ExportAddresses(const std::string& path, const std::vector<std::string>& emails) {
    OutputFile file;
    if (!file.Create(path)) return false;
    for (const std::string& email : emails) {
        file.Write(email);
        file.Write("\r\n");
    }
    return file.Close();
}
