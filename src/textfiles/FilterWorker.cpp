// Tested by tests/textfiles/FilterWorkerTest.cpp and tests/gui/FilterDialogTest.cpp.
#include "textfiles/FilterWorker.h"

#include <exception>

#include <sys/stat.h>
#include <unistd.h>

#include "store/AddressStore.h"
#include "textfiles/LineReader.h"
#include "textfiles/OutputFile.h"
#include "workers/NoticeTarget.h"

std::atomic<int> g_bFilterIdle{1};
std::atomic<int> g_bFilterArgTaken{0};

namespace {

// Ends the run: the done notice, unless the run was stopped, and the idle flag in every case.
int finish(NoticeTarget& target, std::stop_token stop, FilterOutcome outcome, std::string text) {
    if (!stop.stop_requested()) {
        WorkerNotice done;
        done.nKind = NK_DONE;
        done.nValue = outcome;
        done.strText = std::move(text);
        target.Send(done, stop);
    }
    g_bFilterIdle.store(1);
    return 0;
}

} // namespace

bool SameFile(const std::string& first, const std::string& second) {
    struct stat a;
    struct stat b;
    if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int FilterWorkerThread(const FilterJob* job, std::stop_token stop) {
    g_bFilterIdle.store(0);
    const std::string outputPath = job->strOutputPath;
    const std::string inputPath = job->strInputPath;
    const std::int32_t groupId = job->nGroupId;
    const std::shared_ptr<NoticeTarget> target = job->target;
    g_bFilterArgTaken.store(1);
    g_bFilterArgTaken.notify_all();

    // Deleting the output before reading the input would destroy the input when both are one file.
    if (SameFile(inputPath, outputPath)) return finish(*target, stop, kFilterSameFile, outputPath);
    ::unlink(outputPath.c_str());
    OutputFile output;
    if (!output.Create(outputPath)) return finish(*target, stop, kFilterOutputFailed, outputPath);
    LineReader input(inputPath);
    if (!input.isOpen()) return finish(*target, stop, kFilterInputUnreadable, inputPath);

    AddressStore& store = AddressStore::instance();
    std::string firstCheckFailure;
    WorkerNotice notice;
    notice.nKind = NK_ITEM;
    while (!stop.stop_requested() && input.next(notice.strText)) {
        int present = 1;
        try {
            present = store.AddressExists(groupId, notice.strText);
        } catch (const std::exception& error) {
            // The line counts as present: nothing is written for it. The user hears of it once, at the end.
            if (firstCheckFailure.empty()) firstCheckFailure = error.what();
        }
        if (present == 0) {
            output.Write(notice.strText);
            output.Write("\r\n");
        }
        target->Send(notice, stop);
    }
    const bool written = output.Close();
    if (stop.stop_requested()) return finish(*target, stop, kFilterCompleted, {});
    if (!written) return finish(*target, stop, kFilterOutputFailed, outputPath);
    if (input.failed()) return finish(*target, stop, kFilterInputUnreadable, inputPath);
    if (!firstCheckFailure.empty()) return finish(*target, stop, kFilterCheckFailed, firstCheckFailure);
    return finish(*target, stop, kFilterCompleted, {});
}
