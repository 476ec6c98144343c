// Tested by tests/textfiles/FilterWorkerTest.cpp and tests/gui/FilterDialogTest.cpp.
#include "textfiles/FilterWorker.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <exception>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "store/AddressStore.h"
#include "textfiles/LineReader.h"
#include "textfiles/OutputFile.h"
#include "workers/NoticeTarget.h"

std::atomic<int> g_bFilterIdle{1};
std::atomic<int> g_bFilterArgTaken{0};

namespace {

// A piece of lines checked together: a few hundred lines, or fewer when they are long.
constexpr std::size_t kPieceLines = 500;
constexpr std::size_t kPieceBytes = 1 << 20;
// The dialog shows the line at hand every few tens of milliseconds; handing it each of the many thousand lines a
// second, and waiting for it each time, cost the run several times its own work.
constexpr std::chrono::milliseconds kStatusInterval{20};

// Ends the run: the done notice, unless the run was stopped, and the idle flag in every case.
int finish(NoticeTarget& target, std::stop_token stop, FilterOutcome outcome, std::string text,
           std::int64_t linesWritten = 0) {
    if (!stop.stop_requested()) {
        WorkerNotice done;
        done.nKind = NK_DONE;
        done.nValue = outcome;
        done.nLastPage = static_cast<std::int32_t>(std::min<std::int64_t>(linesWritten, INT32_MAX));
        done.strText = std::move(text);
        target.send(done, stop);
    }
    g_bFilterIdle.store(1);
    return 0;
}

} // namespace

bool sameFile(const std::string& first, const std::string& second) {
    struct stat a;
    struct stat b;
    if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int FilterWorkerThread(const FilterJob* job, std::stop_token stop) {
    g_bFilterIdle.store(0);
    const std::string outputPath = job->strOutputPath;
    const std::string inputPath = job->strInputPath;
    const RowId groupId = job->nGroupId;
    AddressStore* const checkedStore = job->store;
    const std::shared_ptr<NoticeTarget> target = job->target;
    g_bFilterArgTaken.store(1);
    g_bFilterArgTaken.notify_all();

    // Deleting the output before reading the input would destroy the input when both are one file.
    if (sameFile(inputPath, outputPath)) return finish(*target, stop, kFilterSameFile, outputPath);
    ::unlink(outputPath.c_str());
    OutputFile output;
    if (!output.create(outputPath)) return finish(*target, stop, kFilterOutputFailed, outputPath);
    LineReader input(inputPath);
    if (!input.isOpen()) return finish(*target, stop, kFilterInputUnreadable, inputPath);

    // The lines are checked a piece at a time, each piece from one read of the book: a check that runs on its own
    // begins and ends a read of its own, which costs more than the check. Each line is still checked, written and
    // reported in turn, and a stop takes effect before the next line.
    AddressStore& store = *checkedStore;
    std::string firstCheckFailure;
    std::vector<std::string> piece;
    std::string line;
    std::vector<int> present;
    std::int64_t linesWritten = 0;
    WorkerNotice notice;
    notice.nKind = NK_ITEM;
    std::chrono::steady_clock::time_point lastShown; // the first line shows at once
    bool lastLineShown = true;
    while (!stop.stop_requested()) {
        piece.clear();
        std::size_t bytes = 0;
        while (piece.size() < kPieceLines && bytes < kPieceBytes && input.next(line)) {
            bytes += line.size();
            piece.push_back(std::move(line));
        }
        if (piece.empty()) break;
        try {
            store.addressesExist(groupId, piece, present);
        } catch (const std::exception& error) {
            // The piece's lines count as present: nothing is written for them. The user hears of it once, at the end.
            present.assign(piece.size(), 1);
            if (firstCheckFailure.empty()) firstCheckFailure = error.what();
        }
        for (std::size_t i = 0; i < piece.size() && !stop.stop_requested(); ++i) {
            if (present[i] == 0) {
                output.write(piece[i]);
                output.write("\r\n");
                ++linesWritten;
            }
            notice.strText = std::move(piece[i]);
            const auto now = std::chrono::steady_clock::now();
            lastLineShown = now - lastShown >= kStatusInterval;
            if (lastLineShown) {
                target->send(notice, stop);
                lastShown = now;
            }
        }
    }
    // The status ends on the file's last line.
    if (!lastLineShown && !stop.stop_requested()) target->send(notice, stop);
    const bool written = output.close();
    if (stop.stop_requested()) return finish(*target, stop, kFilterCompleted, {});
    if (!written) return finish(*target, stop, kFilterOutputFailed, outputPath);
    if (input.failed()) return finish(*target, stop, kFilterInputUnreadable, inputPath);
    if (input.changedSinceOpen(inputPath)) return finish(*target, stop, kFilterInputChanged, inputPath);
    if (!firstCheckFailure.empty()) return finish(*target, stop, kFilterCheckFailed, firstCheckFailure, linesWritten);
    return finish(*target, stop, kFilterCompleted, {}, linesWritten);
}
