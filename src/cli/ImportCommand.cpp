// Tested by tests/cli/CliTest.cpp.
#include <filesystem>
#include <ostream>

#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/GroupLookup.h"
#include "cli/Output.h"
#include "cli/Progress.h"
#include "cli/SpooledInput.h"
#include "textfiles/AddressImport.h"

namespace {

void printSummary(CliContext& context, const std::string& file, const GroupRecord& group, const ImportResult& result) {
    if (context.json) {
        context.out << JsonObject()
                           .text("result", result.stopped ? "stopped" : "imported")
                           .text("file", file)
                           .number("group", group.id)
                           .number("lines", static_cast<std::int64_t>(result.lines))
                           .number("stored", static_cast<std::int64_t>(result.stored))
                           .number("alreadyInGroup", static_cast<std::int64_t>(result.alreadyInGroup))
                           .number("repeatedInFile", static_cast<std::int64_t>(result.repeatedInFile))
                           .number("invalid", static_cast<std::int64_t>(result.invalid))
                           .number("tooLong", static_cast<std::int64_t>(result.tooLong))
                           .number("keptLines", static_cast<std::int64_t>(result.keptLines))
                           .text("failure", result.failure)
                           .str()
                    << '\n';
        return;
    }
    TextTable table({"", ""});
    table.add({"lines read", std::to_string(result.lines)});
    table.add({"stored", std::to_string(result.stored)});
    table.add({"already in the group", std::to_string(result.alreadyInGroup)});
    table.add({"repeated in the file", std::to_string(result.repeatedInFile)});
    table.add({"invalid", std::to_string(result.invalid)});
    table.add({"too long", std::to_string(result.tooLong)});
    context.out << (result.stopped ? "stopped: " : "imported: ") << file << " into group " << group.id << "  "
                << context.shown(group.name) << '\n';
    table.print(context.out);
    if (result.stopped)
        context.out << "the batches up to line " << result.keptLines
                    << " are stored; running the same import again stores the rest\n";
}

} // namespace

int runImport(CliContext& context, const Words& words) {
    const CommandLine line(words, {{"--names", "--ignore-case"}, {"--encoding", "--delimiter", "--rejected"}, 2, 2});
    if (line.has("--names")) return runNamedImport(context, line);
    if (line.has("--ignore-case") || line.option("--encoding") || line.option("--delimiter") ||
        line.option("--rejected"))
        throw UsageError("--ignore-case, --encoding, --delimiter and --rejected go with --names");
    const GroupRecord group = findGroup(context, line.positional()[0]);
    const std::string& file = line.positional()[1];
    const SpooledInput input(file);
    ImportProgress progress;
    ImportResult result;
    runShowingProgress(
        context, [&] { result = importAddresses(context.store, input.path(), group.id, {}, &progress); },
        [&] {
            return "read " + std::to_string(progress.lines.load()) + " lines, stored " +
                   std::to_string(progress.stored.load());
        });
    if (!result.opened) {
        context.err << "corvane-cli: cannot read " << file << '\n';
        return ExitStatus::kFileError;
    }
    printSummary(context, file, group, result);
    if (result.stopped) {
        context.err << "corvane-cli: " << result.failure << '\n';
        return result.fileFailed ? ExitStatus::kFileError : ExitStatus::kDatabaseError;
    }
    if (!result.failure.empty()) context.err << "corvane-cli: some checks failed: " << result.failure << '\n';
    return result.invalid + result.tooLong > 0 ? ExitStatus::kRefusedLines : ExitStatus::kDone;
}
