// The import of lists with names on real files and real books: what is detected, what each record becomes, the
// refused lines with their reasons, and a stop that keeps whole batches.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>

#include "lists/ListFileFormat.h"
#include "lists/ListFileReader.h"
#include "lists/NamedImport.h"
#include "platform/OdbcRecordSet.h"
#include "regex/EmailAddress.h"
#include "support/FileBytes.h"
#include "support/StoreFixture.h"

namespace {

class NamedImportTest : public StoreFixture {
protected:
    // "email=name" for each row of the group, in the order of their ids.
    std::vector<std::string> rows(RowId group) {
        std::vector<std::string> result;
        OdbcConnection side;
        side.open(book.connectionString());
        OdbcRecordSet records(side);
        records.open("select email, name from AddressList where group_id = ? order by id", {group});
        for (; !records.isEof(); records.moveNext())
            result.push_back(records.text("email") + "=" + records.text("name"));
        return result;
    }

    NamedImportResult import(const std::string& path, RowId group, bool ignoreCase = false) {
        const ListFormatDetection detection = detectListFormat(path);
        EXPECT_TRUE(detection.opened && detection.failure.empty()) << detection.failure;
        NamedImportOptions options;
        options.format = detection.format;
        options.ignoreCase = ignoreCase;
        options.rejectedPath = rejected;
        return importNamedList(store, path, group, options);
    }

    std::string path = folder.path() + "/list.csv";
    std::string rejected = folder.path() + "/rejected.csv";
};

// What Excel writes as "CSV UTF-8": a byte-order mark, a header, quoted fields with doubled quotes, commas and line
// breaks inside, CR LF; with blank and broken rows, repeats and an address the group holds already.
TEST_F(NamedImportTest, ImportsAUtf8CsvWithHeaderAndQuotesAndSaysWhatBecameOfEachLine) {
    const RowId group = addGroup("clients");
    store.InsertAddress(group, "EXISTING@example.com", "old");
    writeFileBytes(path, "\xEF\xBB\xBF"
                         "Note,E-mail,姓名\r\n"                                      // 1
                         "x,zhang@example.com,\"Zhang, San\"\r\n"                    // 2
                         "\"two\r\nlines\",li@example.com,\"Li \"\"Lee\"\" Si\"\r\n" // 3-4
                         "\r\n"                                                      // 5
                         ",wang@example.com,王五\r\n"                                // 6
                         "y,not-an-address,Nobody\r\n"                               // 7
                         "z,Zhang@Example.COM,赵六\r\n"                              // 8: a repeat, letter case aside
                         ",smile@example.com,\xF0\x9F\x98\x80\r\n"                   // 9: no GBK form
                         ",existing@example.com,Again\r\n"                           // 10: present, letter case aside
                         ",zhang@example.com,dup\r\n"                                // 11: a repeat
                         ",,\r\n"                                                    // 12: blank
                         ",bad\xFF@example.com,x\r\n"                                // 13: not UTF-8
                         ",\"open@example.com,Open\r\n"                              // 14: a quote that never closes
                         ",last@example.com,Last\r\n");                              // 15
    const ListFormatDetection detection = detectListFormat(path);
    EXPECT_EQ(detection.format.encoding, ListEncoding::kUtf8);
    EXPECT_EQ(detection.format.delimiter, ListDelimiter::kComma);
    EXPECT_TRUE(detection.format.header);
    EXPECT_EQ(detection.format.emailColumn, 1);
    EXPECT_EQ(detection.format.nameColumn, 2);

    const NamedImportResult result = import(path, group, true);
    EXPECT_TRUE(result.failure.empty()) << result.failure;
    EXPECT_EQ(result.stored, 4u);
    EXPECT_EQ(result.alreadyInGroup, 1u);
    EXPECT_EQ(result.repeated, 2u);
    EXPECT_EQ(result.invalid, 2u);
    EXPECT_EQ(result.refused, 2u);
    EXPECT_EQ(result.blank, 1u);
    EXPECT_EQ(rows(group), (std::vector<std::string>{"EXISTING@example.com=old", "zhang@example.com=Zhang, San",
                                                     "li@example.com=Li \"Lee\" Si",
                                                     "wang@example.com=\xCD\xF5\xCE\xE5", "last@example.com=Last"}));
    EXPECT_EQ(readFileBytes(rejected), "\xEF\xBB\xBF"
                                       "行号,原因,原行\r\n"
                                       "7,\"Email地址无效\",\"y,not-an-address,Nobody\"\r\n"
                                       "9,\"姓名含有GBK无法表示的字符\",\",smile@example.com,\xF0\x9F\x98\x80\"\r\n"
                                       "13,\"不是有效的UTF-8文字\",\",bad\xFF@example.com,x\"\r\n"
                                       "14,\"引号没有闭合\",\",\"\"open@example.com,Open\"\r\n");

    // Without ignoring letter case, the two that differ only in case are new addresses.
    const RowId second = addGroup("second");
    store.InsertAddress(second, "EXISTING@example.com", "old");
    const NamedImportResult exact = import(path, second, false);
    EXPECT_EQ(exact.stored, 6u);
    EXPECT_EQ(exact.repeated, 1u);
    EXPECT_EQ(exact.alreadyInGroup, 0u);
}

// What Excel and WPS write on a Chinese desktop: GBK, without a header; a "|" delimiter that is also the second
// byte of some GBK characters; and a single column of mailboxes, "Name <addr>" and "addr Name".
TEST_F(NamedImportTest, ReadsGbkFilesWithAnyDelimiterAndMailboxLines) {
    const RowId group = addGroup("gbk");
    writeFileBytes(path, "\x83|\xD5\xC5|a@example.com\r\n"      // 億张
                         "\xC0\xEE\xCB\xC4|b@example.com\r\n"   // 李四
                         "\xCD\xF5\xCE\xE5|c@example.com\r\n"); // 王五
    ListFormatDetection detection = detectListFormat(path);
    EXPECT_EQ(detection.format.encoding, ListEncoding::kGb18030);
    EXPECT_EQ(detection.format.delimiter, ListDelimiter::kPipe);
    EXPECT_FALSE(detection.format.header);
    EXPECT_EQ(detection.format.emailColumn, 1);
    EXPECT_EQ(detection.format.nameColumn, 0);
    NamedImportResult result = import(path, group);
    EXPECT_EQ(result.stored, 3u);
    EXPECT_EQ(rows(group), (std::vector<std::string>{"a@example.com=\x83|\xD5\xC5", "b@example.com=\xC0\xEE\xCB\xC4",
                                                     "c@example.com=\xCD\xF5\xCE\xE5"}));

    const RowId mailboxes = addGroup("mailboxes");
    writeFileBytes(path, "\xD5\xC5\xC8\xFD <zs@example.com>\n" // 张三 <...>
                         "\"Li, Si\" <ls@example.com>\n"
                         "ww@example.com  Wang Wu\n"
                         "\xD5\xD4\xC1\xF9 zl@example.com\n" // 赵六 addr
                         "no address here\n");
    detection = detectListFormat(path);
    EXPECT_EQ(detection.format.encoding, ListEncoding::kGb18030);
    EXPECT_EQ(detection.format.delimiter, ListDelimiter::kBlanks);
    result = import(path, mailboxes);
    EXPECT_EQ(result.stored, 4u);
    EXPECT_EQ(result.invalid, 1u);
    EXPECT_EQ(rows(mailboxes), (std::vector<std::string>{"zs@example.com=\xD5\xC5\xC8\xFD", "ls@example.com=Li, Si",
                                                         "ww@example.com=Wang Wu", "zl@example.com=\xD5\xD4\xC1\xF9"}));
    // The refused line is written in the list's own encoding.
    EXPECT_EQ(readFileBytes(rejected), "\xD0\xD0\xBA\xC5,\xD4\xAD\xD2\xF2,\xD4\xAD\xD0\xD0\r\n"
                                       "5,\"Email\xB5\xD8\xD6\xB7\xCE\xDE\xD0\xA7\",\"no address here\"\r\n");
}

// Bytes of any kind, with quotes that never close, NULs, lone CRs and a line far longer than a record may be, in
// every delimiter and encoding: the import ends, stores only valid addresses, and every record is counted once.
TEST_F(NamedImportTest, BadInputEndsWithEveryRecordCounted) {
    const RowId group = addGroup("noise");
    std::mt19937 random(7);
    std::string bytes;
    const std::string pieces[] = {"\"",   ",",        ";",
                                  "|",    "\t",       " ",
                                  "\n",   "\r",       std::string(1, '\0'),
                                  "\xFF", "\xD5\xC5", "a@example.com",
                                  "<",    ">",        "\xF0\x9F\x98\x80"};
    for (int i = 0; i < 40000; ++i)
        bytes += pieces[random() % std::size(pieces)];
    bytes += "\n" + std::string(ListFileReader::kLongestRecord + 10, 'x') + "\nend@example.com,End\n";
    writeFileBytes(path, bytes);
    for (const ListEncoding encoding : {ListEncoding::kUtf8, ListEncoding::kGb18030})
        for (const ListDelimiter delimiter : {ListDelimiter::kComma, ListDelimiter::kSemicolon, ListDelimiter::kTab,
                                              ListDelimiter::kPipe, ListDelimiter::kBlanks}) {
            NamedImportOptions options;
            options.format.encoding = encoding;
            options.format.delimiter = delimiter;
            options.format.nameColumn = 1;
            const NamedImportResult result = importNamedList(store, path, group, options);
            EXPECT_TRUE(result.failure.empty()) << result.failure;
            EXPECT_EQ(result.records,
                      result.stored + result.alreadyInGroup + result.repeated + result.rejected() + result.blank);
            EXPECT_GE(result.tooLong, 1u);
        }
    const std::vector<std::string> stored = texts("select email from AddressList", "email");
    for (const std::string& address : stored)
        EXPECT_TRUE(IsValidEmailAddress(address)) << address;
    EXPECT_NE(std::find(stored.begin(), stored.end(), "end@example.com"), stored.end());
}

// A stop keeps the batches committed before it, whole: the book holds exactly the file's first lines, as many as
// the batches held, and the counts say so.
TEST_F(NamedImportTest, AStopKeepsWholeBatches) {
    const RowId group = addGroup("big");
    std::string text = "email;name\n";
    for (int i = 0; i < 20000; ++i)
        text += "u" + std::to_string(i) + "@example.com;Name " + std::to_string(i) + "\n";
    writeFileBytes(path, text);
    NamedImportOptions options;
    options.format = detectListFormat(path).format;
    EXPECT_EQ(options.format.delimiter, ListDelimiter::kSemicolon);
    options.batching.lines = 1000;
    options.batching.time = std::chrono::hours(1);
    NamedImportProgress progress;
    std::stop_source stop;
    std::atomic<bool> done{false};
    std::jthread stopper([&] {
        while (progress.stored.load() < 3000 && !done.load())
            std::this_thread::yield();
        stop.request_stop();
    });
    const NamedImportResult result = importNamedList(store, path, group, options, &progress, stop.get_token());
    done.store(true);
    stopper.join();
    EXPECT_TRUE(result.cancelled);
    EXPECT_GE(result.stored, 3000u);
    EXPECT_LT(result.stored, 20000u);
    EXPECT_EQ(result.keptLine % 1000, 0u); // the header is one of the first batch's lines
    EXPECT_EQ(result.records, result.stored);
    EXPECT_EQ(result.keptLine, result.stored + 1);
    const std::vector<std::string> stored = rows(group);
    ASSERT_EQ(stored.size(), result.stored);
    EXPECT_EQ(stored.back(),
              "u" + std::to_string(result.stored - 1) + "@example.com=Name " + std::to_string(result.stored - 1));
}

} // namespace
