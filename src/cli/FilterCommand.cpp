// Tested by tests/cli/CliTest.cpp.
#include <ostream>

#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/GroupLookup.h"
#include "cli/Output.h"
#include "cli/SpooledInput.h"
#include "textfiles/FilterWorker.h"
#include "workers/NoticeTarget.h"

namespace {

// The worker's notices without a window: the lines it passes are not shown; its end is kept.
class DoneNotice final : public NoticeTarget {
public:
    bool send(const WorkerNotice& notice, std::stop_token) override {
        if (notice.nKind == NK_DONE) done = notice;
        return true;
    }
    WorkerNotice done;
};

} // namespace

int runFilter(CliContext& context, const Words& words) {
    const CommandLine line(words, {{}, {}, 3, 3});
    const GroupRecord group = findGroup(context, line.positional()[0]);
    const std::string& output = line.positional()[2];
    if (output == "-") throw UsageError("filter writes to a file: name it");
    const SpooledInput input(line.positional()[1]);
    auto target = std::make_shared<DoneNotice>();
    const FilterJob job{&context.store, group.id, input.path(), output, target};
    FilterWorkerThread(&job, {});
    const WorkerNotice& done = target->done;
    const auto outcome = static_cast<FilterOutcome>(done.nValue);
    const std::int64_t written = done.nLastPage;
    if (context.json)
        context.out << JsonObject()
                           .text("result", outcome == kFilterCompleted ? "filtered" : "failed")
                           .number("group", group.id)
                           .text("output", output)
                           .number("written", written)
                           .text("failure", done.strText)
                           .str()
                    << '\n';
    switch (outcome) {
    case kFilterCompleted:
        if (!context.json) context.out << "wrote " << written << " lines to " << output << '\n';
        return ExitStatus::kDone;
    case kFilterSameFile:
        context.err << "corvane-cli: the output is the input file itself; nothing was touched\n";
        return ExitStatus::kUsage;
    case kFilterOutputFailed:
        context.err << "corvane-cli: cannot write " << done.strText << '\n';
        return ExitStatus::kFileError;
    case kFilterInputUnreadable:
        context.err << "corvane-cli: cannot read " << line.positional()[1] << '\n';
        return ExitStatus::kFileError;
    case kFilterInputChanged:
        context.err << "corvane-cli: the input changed while it was read; the output misses lines\n";
        return ExitStatus::kFileError;
    case kFilterCheckFailed:
        context.err << "corvane-cli: the book failed some checks; their lines were not written: " << done.strText
                    << '\n';
        return ExitStatus::kDatabaseError;
    }
    return ExitStatus::kDatabaseError;
}
