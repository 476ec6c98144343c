#include "store/DatabaseFile.h"

#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

#include "Config.h"
#include "platform/OdbcConnection.h"

std::string databaseFilePath(const std::string& startDirectory) {
    return startDirectory + "/" + kDatabaseFileName;
}

std::string unusableBookFileReason(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    if (info.st_size == 0)
        return "The address book " + path +
               " is an empty file, not a database (an interrupted first run leaves one). Remove it and start "
               "Corvane again, or restore the book from a backup.";
    // The mode bits as well as access(): an administrator may write any file, but the driver would still make its
    // files beside the book with the book's own read-only mode.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0)
        return "The address book " + path +
               " is read-only. Give its owner write permission (chmod u+w) and start Corvane again.";
    return {};
}

std::optional<std::string> connectionStringFor(const std::string& path) {
    if (path.find_first_of(";{}") != std::string::npos || path.find('\0') != std::string::npos) return std::nullopt;
    const std::string_view pattern = kConnectionStringTemplate;
    const std::size_t at = pattern.find("%s");
    if (at == std::string_view::npos) return std::string(pattern);
    std::string connectionString(pattern.substr(0, at));
    connectionString += path;
    connectionString += pattern.substr(at + 2);
    return connectionString;
}

bool sharedBookDefined() {
    return isDataSourceDefined(kDataSourceName);
}

std::string dataSourceConnectionString(const std::string& name) {
    return "DSN=" + name;
}

std::optional<std::string> bookConnectionString(const std::string& startDirectory) {
    // Looked up at each open, so that a data source added or removed while the program runs counts at its next open.
    if (sharedBookDefined()) return dataSourceConnectionString(kDataSourceName);
    return connectionStringFor(databaseFilePath(startDirectory));
}
