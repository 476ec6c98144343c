// Tested by tests/cli/CliTest.cpp.
#include <cstring>
#include <ostream>

#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/GroupLookup.h"
#include "cli/Output.h"
#include "cli/Progress.h"
#include "cli/SpooledInput.h"
#include "lists/ListedAddresses.h"
#include "lists/RemoveListed.h"

int runRemove(CliContext& context, const Words& words) {
    const CommandLine line(words, {{"--all", "--ignore-case"}, {"--group"}, 1, 1});
    const std::optional<std::string> groupWord = line.option("--group");
    if (groupWord.has_value() == line.has("--all")) throw UsageError("--group GROUP or --all: one of them");
    RemoveListedOptions options;
    options.ignoreCase = line.has("--ignore-case");
    if (groupWord) options.group = findGroup(context, *groupWord).id;
    const std::string& file = line.positional()[0];
    const SpooledInput input(file);
    const ListedAddresses listed = readListedAddresses(input.path(), options.ignoreCase);
    if (!listed.opened || listed.readFailed) {
        context.err << "corvane-cli: cannot read " << file << ": " << std::strerror(listed.error) << '\n';
        return ExitStatus::kFileError;
    }
    RemoveListedProgress progress;
    ListedRemoval removal;
    runShowingProgress(
        context, [&] { removal = removeListed(context.store, listed.addresses, options, {}, &progress); },
        [&] { return "removed " + std::to_string(progress.removed.load()); });
    if (context.json)
        context.out << JsonObject()
                           .text("result", removal.stopped ? "stopped" : "removed")
                           .number("listed", static_cast<std::int64_t>(listed.addresses.size()))
                           .number("invalid", static_cast<std::int64_t>(listed.invalid))
                           .number("removed", static_cast<std::int64_t>(removal.removed))
                           .text("failure", removal.failure)
                           .str()
                    << '\n';
    else
        context.out << "removed " << removal.removed << " rows of the " << listed.addresses.size()
                    << " addresses listed (" << listed.invalid << " lines held no address)\n";
    if (removal.stopped) {
        context.err << "corvane-cli: " << removal.failure << '\n';
        return ExitStatus::kDatabaseError;
    }
    return listed.invalid > 0 ? ExitStatus::kRefusedLines : ExitStatus::kDone;
}
