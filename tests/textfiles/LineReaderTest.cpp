// The line reader and the output file on real files: line ends, any bytes, lines of any length, read and write
// failures.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/TempFolder.h"
#include "textfiles/LineReader.h"
#include "textfiles/OutputFile.h"

namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

constexpr std::size_t kChunk = 1 << 20; // the reader's read size

class LineReaderTest : public ::testing::Test {
protected:
    std::string file(const std::string& bytes) {
        const std::string path = folder.path() + "/lines" + std::to_string(m_files++) + ".txt";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    Lines read(const std::string& bytes) {
        LineReader reader(file(bytes));
        EXPECT_TRUE(reader.isOpen());
        Lines lines;
        std::string line;
        while (reader.next(line))
            lines.push_back(line);
        EXPECT_FALSE(reader.failed());
        EXPECT_EQ(reader.position(), bytes.size());
        return lines;
    }
    std::string contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    TempFolder folder;

private:
    int m_files = 0;
};

TEST_F(LineReaderTest, LinesEndAtLfOrCrLfAndKeepEveryOtherByte) {
    EXPECT_EQ(read(""), Lines{});
    EXPECT_EQ(read("\n"), Lines{""});
    EXPECT_EQ(read("\r\n"), Lines{""});
    EXPECT_EQ(read("a"), Lines{"a"}); // no final line end
    EXPECT_EQ(read("a\nb\r\n\nc"), (Lines{"a", "b", "", "c"}));
    EXPECT_EQ(read("a\rb\r\r\nc\r"), (Lines{"a\rb\r", "c\r"})); // a CR not before an LF is part of the line
    EXPECT_EQ(read("\n\n"), (Lines{"", ""}));
    EXPECT_EQ(read("\0\n\0a\0\r\n\0"s), (Lines{"\0"s, "\0a\0"s, "\0"s}));
    EXPECT_EQ(read("\xD6\xD0\xCE\xC4\r\n\x81\x0A"), (Lines{"\xD6\xD0\xCE\xC4", "\x81"})); // GBK, a lead byte alone
    EXPECT_EQ(read("\xEF\xBB\xBF"
                   "a\n"),
              Lines{"\xEF\xBB\xBF"
                    "a"}); // a byte-order mark is the import's business
}

TEST_F(LineReaderTest, ABinaryFileIsCutAtEachLfAndNothingElse) {
    std::string bytes;
    for (int round = 0; round < 300; ++round)
        for (int value = 0; value < 256; ++value)
            bytes += static_cast<char>((value * 7 + round) % 256);
    Lines expected;
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n') {
            line += bytes[i];
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        expected.push_back(line);
        line.clear();
    }
    if (!line.empty()) expected.push_back(line);
    EXPECT_EQ(read(bytes), expected);
}

TEST_F(LineReaderTest, LineEndsAtTheEdgesOfAReadAndLinesLongerThanOne) {
    // CR LF split between two reads, and an LF that is the first byte of the second read.
    std::string split(kChunk - 1, 'x');
    split += "\r\nnext";
    EXPECT_EQ(read(split), (Lines{std::string(kChunk - 1, 'x'), "next"}));
    std::string edge(kChunk, 'y');
    edge += "\nz\r";
    EXPECT_EQ(read(edge), (Lines{std::string(kChunk, 'y'), "z\r"}));
    // Lines of several reads each, one with a CR LF across the edge of the grown buffer.
    const std::string long1(3 * kChunk + 17, 'l');
    const std::string long2(2 * kChunk - 1, 'm');
    EXPECT_EQ(read(long1 + "\n" + long2 + "\r\nend\n"), (Lines{long1, long2, "end"}));
}

TEST_F(LineReaderTest, AHundredMegabytesWithoutALineEndIsOneLine) {
    const std::size_t size = 100u << 20;
    const std::string path = folder.path() + "/big.bin";
    {
        std::ofstream out(path, std::ios::binary);
        const std::string block(1 << 20, '\xB0');
        for (std::size_t written = 0; written < size; written += block.size())
            out << block;
    }
    LineReader reader(path);
    std::string line;
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line.size(), size);
    EXPECT_EQ(line.find_first_not_of('\xB0'), std::string::npos);
    EXPECT_FALSE(reader.next(line));
    EXPECT_FALSE(reader.failed());
}

TEST_F(LineReaderTest, OnlyRegularFilesOpenAndAReadErrorHandsOutNoPartLine) {
    EXPECT_FALSE(LineReader(folder.path() + "/missing.txt").isOpen());
    EXPECT_FALSE(LineReader(folder.path()).isOpen()); // a folder
    const std::string fifo = folder.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(LineReader(fifo).isOpen());        // at once, though nobody writes to it
    EXPECT_FALSE(LineReader("/dev/zero").isOpen()); // would never end a line
    // Through a symbolic link, a regular file is read as itself.
    const std::string target = file("linked\n");
    std::filesystem::create_symlink(target, folder.path() + "/link.txt");
    LineReader linked(folder.path() + "/link.txt");
    std::string line;
    ASSERT_TRUE(linked.next(line));
    EXPECT_EQ(line, "linked");

    // A regular file whose reading fails: the memory of this very process, from its unmapped first page.
    if (!std::filesystem::is_regular_file("/proc/self/mem")) GTEST_SKIP() << "no /proc here";
    LineReader failing("/proc/self/mem");
    ASSERT_TRUE(failing.isOpen());
    EXPECT_FALSE(failing.next(line));
    EXPECT_TRUE(failing.failed());
    EXPECT_NE(failing.error(), 0);
    EXPECT_FALSE(failing.next(line));
}

TEST_F(LineReaderTest, OutputFileWritesBytesAsGivenAndSaysWhenItCannot) {
    const std::string path = folder.path() + "/out.txt";
    std::ofstream(path) << "old content that must go";
    {
        OutputFile out;
        ASSERT_TRUE(out.create(path));
        EXPECT_TRUE(out.write("a\0b"s));
        EXPECT_TRUE(out.write("\r\n"));
        const std::string large(300'000, 'q'); // more than the buffer at once
        EXPECT_TRUE(out.write(large));
        EXPECT_TRUE(out.write(""));
        EXPECT_TRUE(out.close());
        EXPECT_FALSE(out.write("after close"));
    }
    EXPECT_EQ(contents(path), "a\0b\r\n"s + std::string(300'000, 'q'));

    OutputFile never;
    EXPECT_FALSE(never.create(folder.path() + "/no/such/folder.txt"));
    EXPECT_FALSE(never.write("x"));
    EXPECT_FALSE(never.close());
    EXPECT_FALSE(OutputFile().create(folder.path())); // a folder

    // A file that cannot grow (as on a full disk): the failure shows at the latest when it is closed.
    OutputFile full;
    ASSERT_TRUE(full.create(folder.path() + "/full.txt"));
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{4096, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool written = full.write(std::string(100'000, 'w'));
    written = full.write("more") && written;
    const bool closed = full.close();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written && closed);
    EXPECT_FALSE(closed);
}

} // namespace
