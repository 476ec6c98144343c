#include "store/DatabaseFile.h"

#include <string_view>

#include "Config.h"
#include "platform/OdbcConnection.h"

std::string DatabaseFilePath(const std::string& startDirectory) { return startDirectory + "/" + kDatabaseFileName; }

std::optional<std::string> ConnectionStringFor(const std::string& path) {
    if (path.find_first_of(";{}") != std::string::npos || path.find('\0') != std::string::npos) return std::nullopt;
    const std::string_view pattern = kConnectionStringTemplate;
    const std::size_t at = pattern.find("%s");
    if (at == std::string_view::npos) return std::string(pattern);
    std::string connectionString(pattern.substr(0, at));
    connectionString += path;
    connectionString += pattern.substr(at + 2);
    return connectionString;
}

bool SharedBookDefined() { return IsDataSourceDefined(kDataSourceName); }

std::string DataSourceConnectionString(const std::string& name) { return "DSN=" + name; }

std::optional<std::string> BookConnectionString(const std::string& startDirectory) {
    // Looked up at each open, so that a data source added or removed while the program runs counts at its next open.
    if (SharedBookDefined()) return DataSourceConnectionString(kDataSourceName);
    return ConnectionStringFor(DatabaseFilePath(startDirectory));
}
