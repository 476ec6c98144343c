// The export of a whole group: the bytes of each format and encoding, pages that line up, and a failed or stopped
// run that leaves no file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "lists/GroupExport.h"
#include "support/FileBytes.h"
#include "support/StoreFixture.h"

namespace {

std::vector<std::string> folderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class GroupExportTest : public StoreFixture {
protected:
    // A group whose names need every kind of CSV quoting, one in GBK, between rows of another group.
    RowId quotingGroup() {
        const RowId other = addGroup("other");
        const RowId group = addGroup("people");
        store.InsertAddress(group, "plain@example.com", "Plain");
        store.InsertAddress(other, "elsewhere@example.com", "Other");
        store.InsertAddress(group, "comma@example.com", "Zhang, San");
        store.InsertAddress(group, "quote@example.com", "Li \"Lee\" Si");
        store.InsertAddress(group, "break@example.com", "two\r\nlines");
        store.InsertAddress(group, "gbk@example.com", "\xCD\xF5\xCE\xE5"); // 王五
        store.InsertAddress(group, "none@example.com", "");
        return group;
    }

    std::string path = folder.path() + "/out.csv";
};

constexpr char kRowsCsv[] = "plain@example.com,Plain\r\n"
                            "comma@example.com,\"Zhang, San\"\r\n"
                            "quote@example.com,\"Li \"\"Lee\"\" Si\"\r\n"
                            "break@example.com,\"two\r\nlines\"\r\n";

TEST_F(GroupExportTest, WritesCsvInUtf8WithByteOrderMarkOrInGbkAsStoredInPagesThatLineUp) {
    const RowId group = quotingGroup();
    GroupExportOptions options{ExportFormat::kCsv, ExportEncoding::kUtf8, 2};
    GroupExportProgress progress;
    GroupExportResult result = exportGroup(store, group, path, options, &progress);
    ASSERT_TRUE(result.written) << result.failure;
    EXPECT_EQ(result.rows, 6u);
    EXPECT_EQ(progress.total.load(), 6u);
    EXPECT_EQ(result.unconvertible, 0u);
    EXPECT_EQ(readFileBytes(path), std::string("\xEF\xBB\xBF") + "email,name\r\n" + kRowsCsv +
                                       "gbk@example.com,\xE7\x8E\x8B\xE4\xBA\x94\r\n" + "none@example.com,\r\n");

    options.encoding = ExportEncoding::kGbk;
    result = exportGroup(store, group, path, options);
    ASSERT_TRUE(result.written) << result.failure;
    EXPECT_EQ(readFileBytes(path), std::string("email,name\r\n") + kRowsCsv + "gbk@example.com,\xCD\xF5\xCE\xE5\r\n" +
                                       "none@example.com,\r\n");

    options.format = ExportFormat::kText;
    result = exportGroup(store, group, path, options);
    ASSERT_TRUE(result.written);
    EXPECT_EQ(readFileBytes(path),
              "plain@example.com\r\ncomma@example.com\r\nquote@example.com\r\nbreak@example.com\r\n"
              "gbk@example.com\r\nnone@example.com\r\n");
    for (const std::string& name : folderNames(folder.path()))
        EXPECT_EQ(name.find(".part"), std::string::npos) << name;
}

// A name the book holds in bytes that are not GBK (an old row; a file book keeps any bytes) is written with U+FFFD in
// place of the bad byte, and counted; the rows after it are written.
TEST_F(GroupExportTest, CountsANameThatIsNotGbkAndGoesOn) {
    if (OnPostgreSql()) GTEST_SKIP() << "a server book holds only well-formed GBK";
    const RowId group = addGroup("old");
    store.InsertAddress(group, "bad@example.com",
                        "A\xFF"
                        "B");
    store.InsertAddress(group, "next@example.com", "\xD5\xC5\xC8\xFD"); // 张三
    const GroupExportResult result =
        exportGroup(store, group, path, GroupExportOptions{ExportFormat::kCsv, ExportEncoding::kUtf8});
    ASSERT_TRUE(result.written);
    EXPECT_EQ(result.unconvertible, 1u);
    EXPECT_EQ(readFileBytes(path), "\xEF\xBB\xBF"
                                   "email,name\r\nbad@example.com,A\xEF\xBF\xBD"
                                   "B\r\n"
                                   "next@example.com,\xE5\xBC\xA0\xE4\xB8\x89\r\n");
}

// A disk that fills part way (a file size limit here) and a stop both leave the file that was there as it was, and
// nothing beside it; a descriptor that cannot be written says so.
TEST_F(GroupExportTest, AFailedWriteOrAStopLeavesNoFile) {
    const RowId group = addGroup("big");
    for (int i = 0; i < 300; ++i)
        store.InsertAddress(group, "user" + std::to_string(i) + "@example.com", "Name " + std::to_string(i));
    std::ofstream(path, std::ios::binary) << "before";
    const GroupExportOptions options{ExportFormat::kCsv, ExportEncoding::kUtf8, 50};

    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 2000;
    ::setrlimit(RLIMIT_FSIZE, &limited);
    GroupExportResult result = exportGroup(store, group, path, options);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_FALSE(result.written);
    EXPECT_FALSE(result.failure.empty());
    EXPECT_EQ(readFileBytes(path), "before");

    std::stop_source stop;
    stop.request_stop();
    result = exportGroup(store, group, path, options, nullptr, stop.get_token());
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.written);
    EXPECT_EQ(readFileBytes(path), "before");
    for (const std::string& name : folderNames(folder.path()))
        EXPECT_EQ(name.find(".part"), std::string::npos) << name;

    EXPECT_FALSE(exportGroup(store, group, folder.path() + "/missing/out.csv", options).written);
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    result = exportGroupTo(store, group, full, options);
    ::close(full);
    EXPECT_FALSE(result.written);
    EXPECT_FALSE(result.failure.empty());
}

} // namespace
