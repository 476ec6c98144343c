// Tested by tests/cli/CliTest.cpp.
#include <filesystem>
#include <ostream>

#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/GroupLookup.h"
#include "cli/ImportSummary.h"
#include "cli/Progress.h"
#include "cli/SpooledInput.h"
#include "textfiles/AddressImport.h"

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
    printImportSummary(context, file, group, result.stopped,
                       {{"lines", "lines read", result.lines},
                        {"stored", "stored", result.stored},
                        {"alreadyInGroup", "already in the group", result.alreadyInGroup},
                        {"repeatedInFile", "repeated in the file", result.repeatedInFile},
                        {"invalid", "invalid", result.invalid},
                        {"tooLong", "too long", result.tooLong},
                        {"keptLines", "", result.keptLines}},
                       result.failure);
    if (result.stopped && !context.json)
        context.out << "the batches up to line " << result.keptLines
                    << " are stored; running the same import again stores the rest\n";
    if (result.stopped) {
        context.err << "corvane-cli: " << result.failure << '\n';
        return result.fileFailed ? ExitStatus::kFileError : ExitStatus::kDatabaseError;
    }
    if (!result.failure.empty()) context.err << "corvane-cli: some checks failed: " << result.failure << '\n';
    return result.invalid + result.tooLong > 0 ? ExitStatus::kRefusedLines : ExitStatus::kDone;
}
