// The list tools' file work on a book of 1,000,000 addresses through the real ODBC driver (SQLite):
// - the export of a whole group of 1,000,000 addresses, as text, as CSV in GBK and as CSV in UTF-8 (names in
//   Chinese, so every row is converted), against a target of 500,000 rows a second;
// - the import of a 1,000,000-line CSV with names (UTF-8 with a byte-order mark, a header, some quoted names, a fifth
//   of the addresses already in the group) into that group, against a target of 50,000 lines a second; once as it
//   is, once ignoring letter case (the group's addresses read first).
// Prints rows or lines per second; a plain program, since one run takes many seconds.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "lists/GroupExport.h"
#include "lists/ListFileFormat.h"
#include "lists/NamedImport.h"
#include "store/AddressStore.h"
#include "support/BenchBook.h"
#include "support/BenchFolder.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRows = 1'000'000;
constexpr RowId kGroup = 1;
constexpr double kExportTarget = 500'000;
constexpr double kImportTarget = 50'000;

double seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

void exportOnce(AddressStore& store, const std::string& folder, const char* what, ExportFormat format,
                ExportEncoding encoding) {
    const std::string path = folder + "/export.out";
    const auto start = Clock::now();
    const GroupExportResult result = exportGroup(store, kGroup, path, GroupExportOptions{format, encoding});
    const double rate = static_cast<double>(result.rows) / seconds(Clock::now() - start);
    std::printf("export %-12s %8zu rows %10.0f rows/s (target %.0f) %s, %.1f MB\n", what, result.rows, rate,
                kExportTarget, rate >= kExportTarget ? "met" : "MISSED",
                static_cast<double>(std::filesystem::file_size(path)) / 1e6);
    if (!result.written) std::printf("  failed: %s\n", result.failure.c_str());
}

void importOnce(const std::string& bookFolder, const std::string& listPath, bool ignoreCase) {
    const std::string copy = copyBook(bookFolder, bookFolder + (ignoreCase ? "/ci" : "/cs"));
    AddressStore store;
    if (!store.OpenDatabase(copy)) throw std::runtime_error("cannot open the copy");
    NamedImportOptions options;
    options.format = detectListFormat(listPath).format;
    options.ignoreCase = ignoreCase;
    options.rejectedPath = copy + "/rejected.csv";
    const auto start = Clock::now();
    const NamedImportResult result = importNamedList(store, listPath, kGroup, options);
    const double rate = static_cast<double>(result.records) / seconds(Clock::now() - start);
    std::printf("import %-12s %8zu lines %9.0f lines/s (target %.0f) %s: %zu new, %zu present, %zu invalid\n",
                ignoreCase ? "ignore case" : "exact", result.records, rate, kImportTarget,
                rate >= kImportTarget ? "met" : "MISSED", result.stored, result.alreadyInGroup, result.invalid);
    if (!result.failure.empty()) std::printf("  failed: %s\n", result.failure.c_str());
    store.closeDatabase();
}

} // namespace

int main() {
    BenchFolder folder("lists-io");
    std::printf("building a book of %d addresses in one group...\n", kRows);
    buildBook(folder.path(), kRows, std::to_string(kGroup), "cast(x'D5C5C8FD' as text) || ' ' || i");
    {
        AddressStore store;
        if (!store.OpenDatabase(folder.path())) return 1;
        exportOnce(store, folder.path(), "text", ExportFormat::kText, ExportEncoding::kGbk);
        exportOnce(store, folder.path(), "csv gbk", ExportFormat::kCsv, ExportEncoding::kGbk);
        exportOnce(store, folder.path(), "csv utf-8", ExportFormat::kCsv, ExportEncoding::kUtf8);
        store.closeDatabase();
    }
    const std::string listPath = folder.path() + "/list.csv";
    {
        std::ofstream list(listPath, std::ios::binary);
        list << "\xEF\xBB\xBF"
                "E-mail,姓名,备注\r\n";
        for (int i = 0; i < kRows; ++i) {
            // Every fifth address is in the group already; every tenth name needs quotes.
            const std::string address =
                i % 5 == 0 ? "user" + std::to_string(i) + "@example.com" : "new" + std::to_string(i) + "@example.com";
            list << address << (i % 10 == 1 ? ",\"王, 五 " : ",王五 ") << i << (i % 10 == 1 ? "\"" : "") << ",note\r\n";
        }
    }
    importOnce(folder.path(), listPath, false);
    importOnce(folder.path(), listPath, true);
    return 0;
}
