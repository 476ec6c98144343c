// The duplicate filter's worker loop on real files and a real book: which lines it writes, what it tells the
// dialog, and the runs that cannot be done.
#include <sys/resource.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>

#include "store/AddressStore.h"
#include "support/ChildProcess.h"
#include "support/StoreFixture.h"
#include "textfiles/FilterWorker.h"
#include "workers/NoticeTarget.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

using namespace std::string_literals;

class RecordingTarget final : public NoticeTarget {
public:
    bool send(const WorkerNotice& notice, std::stop_token) override {
        std::lock_guard lock(m_mutex);
        m_notices.push_back(notice);
        if (onNotice) onNotice(m_notices.size());
        return true;
    }
    // Called on the worker's thread after each notice, with the number of notices so far.
    std::function<void(std::size_t)> onNotice;
    std::vector<WorkerNotice> notices() {
        std::lock_guard lock(m_mutex);
        return m_notices;
    }

private:
    std::mutex m_mutex;
    std::vector<WorkerNotice> m_notices;
};

// The worker runs against the program's own store, opened here on a fresh book.
class FilterWorkerTest : public StoreFixture {
protected:
    std::string file(const std::string& name, const std::string& bytes) {
        const std::string path = folder.path() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    struct Run {
        std::vector<std::string> items; // the lines reported, in order
        int doneCount = 0;
        std::int64_t written = -1; // the lines the done notice says were written
        std::int32_t outcome = -1;
        std::string doneText;
    };
    Run filter(std::int32_t groupId, const std::string& input, const std::string& output,
               std::function<void(std::size_t)> onNotice = {}) {
        auto target = std::make_shared<RecordingTarget>();
        target->onNotice = std::move(onNotice);
        FilterJob job{&store, groupId, input, output, target};
        g_bFilterArgTaken = 0;
        EXPECT_EQ(FilterWorkerThread(&job, {}), 0);
        EXPECT_EQ(g_bFilterArgTaken.load(), 1);
        EXPECT_EQ(g_bFilterIdle.load(), 1);
        Run run;
        for (const WorkerNotice& notice : target->notices()) {
            if (notice.nKind == NK_ITEM) {
                EXPECT_EQ(run.doneCount, 0) << "a line after the end";
                run.items.push_back(notice.strText);
            } else if (notice.nKind == NK_DONE) {
                ++run.doneCount;
                run.written = notice.nLastPage;
                run.outcome = notice.nValue;
                run.doneText = notice.strText;
            }
        }
        EXPECT_EQ(run.doneCount, 1);
        return run;
    }
};

TEST_F(FilterWorkerTest, WritesExactlyTheLinesNotInTheGroupAsRead) {
    store.InsertAddress(3, "a@example.com", "");
    store.InsertAddress(3, "in group", "");
    store.InsertAddress(4, "b@example.com", ""); // another group does not count
    const std::string bytes = "a@example.com\nb@example.com\r\na@example.com\nb@example.com\n"
                              "\n a@example.com\nin group\nA@example.com\n\0x\nlast"s;
    const std::string input = file("in.txt", bytes);
    const std::string output = folder.path() + "/out.txt";
    file("out.txt", "old output that must go");
    const Run run = filter(3, input, output);
    EXPECT_EQ(run.outcome, kFilterCompleted);
    // The lines shown are lines of the file in its order, written or not, from the first to the last; the empty
    // line and the one with a space are not in the group.
    const std::vector<std::string> lines{"a@example.com",  "b@example.com", "a@example.com", "b@example.com", "",
                                         " a@example.com", "in group",      "A@example.com", "\0x"s,          "last"};
    ASSERT_FALSE(run.items.empty());
    EXPECT_EQ(run.items.front(), lines.front());
    EXPECT_EQ(run.items.back(), lines.back());
    auto next = lines.begin();
    for (const std::string& item : run.items) {
        next = std::find(next, lines.end(), item);
        ASSERT_NE(next, lines.end()) << "shown out of order: " << item;
        ++next;
    }
    EXPECT_EQ(contents(output),
              "b@example.com\r\nb@example.com\r\n\r\n a@example.com\r\nA@example.com\r\n\0x\r\nlast\r\n"s);
    EXPECT_EQ(run.written, 7);
    EXPECT_EQ(contents(input), bytes); // untouched

    // a, b, a with a in the group: b alone.
    EXPECT_EQ(filter(3, file("aba.txt", "a@example.com\nb@example.com\na@example.com\n"), output).outcome,
              kFilterCompleted);
    EXPECT_EQ(contents(output), "b@example.com\r\n");
    // An empty input gives an empty output.
    EXPECT_EQ(filter(3, file("empty.txt", ""), output).items.size(), 0u);
    EXPECT_EQ(contents(output), "");
    EXPECT_TRUE(reported.empty());
}

TEST_F(FilterWorkerTest, RunsThatCannotBeDoneSaySoAndTouchNoInput) {
    const std::string input = file("in.txt", "a@example.com\nb@example.com\n");
    // The output names the input through another name: refused before anything is touched.
    std::filesystem::create_symlink(input, folder.path() + "/link.txt");
    std::filesystem::create_directory(folder.path() + "/dir");
    const std::string inDir = file("dir/x.txt", "x@example.com\n");
    for (const auto& [in, out] :
         std::vector<std::pair<std::string, std::string>>{{input, folder.path() + "/link.txt"},
                                                          {folder.path() + "/link.txt", input},
                                                          {input, input},
                                                          {inDir, folder.path() + "/dir/./x.txt"},
                                                          {inDir, folder.path() + "/dir/../dir/x.txt"}}) {
        SCOPED_TRACE(in + " -> " + out);
        const Run run = filter(3, in, out);
        EXPECT_EQ(run.outcome, kFilterSameFile);
        EXPECT_TRUE(run.items.empty());
    }
    EXPECT_EQ(contents(input), "a@example.com\nb@example.com\n");
    EXPECT_EQ(contents(inDir), "x@example.com\n");

    // An output that cannot be created: said, and nothing read.
    Run run = filter(3, input, folder.path() + "/no/such/folder/out.txt");
    EXPECT_EQ(run.outcome, kFilterOutputFailed);
    EXPECT_EQ(run.doneText, folder.path() + "/no/such/folder/out.txt");
    EXPECT_TRUE(run.items.empty());

    // An input that cannot be opened: said, and the output is left empty.
    const std::string output = file("out.txt", "old");
    run = filter(3, folder.path() + "/missing.txt", output);
    EXPECT_EQ(run.outcome, kFilterInputUnreadable);
    EXPECT_EQ(run.doneText, folder.path() + "/missing.txt");
    EXPECT_EQ(contents(output), "");
    EXPECT_TRUE(reported.empty());
}

TEST_F(FilterWorkerTest, AFailingCheckCountsItsLineAsPresentAndTheRunSaysSoOnce) {
    const std::string input = file("in.txt", "a@example.com\nb@example.com\n");
    const std::string output = folder.path() + "/out.txt";
    sql("drop table AddressList");
    const Run run = filter(3, input, output);
    EXPECT_EQ(run.outcome, kFilterCheckFailed);
    EXPECT_TRUE(containsIgnoringCase(run.doneText, "AddressList")) << run.doneText;
    EXPECT_EQ(run.items, (std::vector<std::string>{"a@example.com", "b@example.com"}));
    EXPECT_EQ(contents(output), "");
    EXPECT_TRUE(reported.empty());
}

// An input cut short, or removed, while the run reads it: the output misses lines, and the run says so at its end.
TEST_F(FilterWorkerTest, AnInputThatChangesDuringTheRunIsSaidToHaveChanged) {
    std::string bytes;
    for (int i = 0; i < 150'000; ++i)
        bytes += "line" + std::to_string(i) + "@example.com\n"; // several reads' worth
    const std::string output = folder.path() + "/out.txt";
    const std::string shrinking = file("shrinking.txt", bytes);
    Run run = filter(3, shrinking, output, [&](std::size_t notices) {
        if (notices == 1) std::filesystem::resize_file(shrinking, 1000);
    });
    EXPECT_EQ(run.outcome, kFilterInputChanged);
    EXPECT_EQ(run.doneText, shrinking);
    EXPECT_LT(run.items.size(), 150'000u);

    const std::string vanishing = file("vanishing.txt", bytes);
    run = filter(3, vanishing, output, [&](std::size_t notices) {
        if (notices == 1) std::filesystem::remove(vanishing);
    });
    EXPECT_EQ(run.outcome, kFilterInputChanged);

    // Lines added at the end while it runs are no loss.
    const std::string growing = file("growing.txt", bytes);
    run = filter(3, growing, output, [&](std::size_t notices) {
        if (notices == 1) std::ofstream(growing, std::ios::app) << "late@example.com\n";
    });
    EXPECT_EQ(run.outcome, kFilterCompleted);
}

// A line of any length costs a small multiple of its length, not one copy per text of a duplicate check.
TEST_F(FilterWorkerTest, ALongLineCostsASmallMultipleOfItsLength) {
    constexpr std::size_t kLine = 24u << 20;
    std::string bytes = "a@example.com\n" + std::string(kLine, 'x') + "\nb@example.com\n";
    const std::string input = file("long.txt", bytes);
    std::string().swap(bytes);
    const std::string output = folder.path() + "/out.txt";
    const pid_t child = startProgram({CORVANE_IMPORT_CHILD, "filter", folder.path(), "3", input, output});
    ASSERT_GT(child, 0);
    int status = 0;
    rusage usage{};
    ASSERT_EQ(wait4(child, &status, 0, &usage), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kFilterCompleted);
    EXPECT_EQ(std::filesystem::file_size(output), kLine + 2 * 15 + 2);
    // The reader's buffer, the line, the driver's copies of it and the output's: well under ten times the line.
    // AddressSanitizer keeps freed blocks aside for a while and pads each one, so a sanitized build gets twice the
    // room; one copy per text of a duplicate check would still be a hundred times the line.
    const std::size_t peakBytes = static_cast<std::size_t>(usage.ru_maxrss) * 1024;
    EXPECT_LT(peakBytes, (kSanitized ? 20 : 10) * kLine)
        << "peak " << (peakBytes >> 20) << " MiB for a line of " << (kLine >> 20) << " MiB";
}

} // namespace
