// Tested by tests/cli/CliTest.cpp.
#include <ostream>

#include <unistd.h>

#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/GroupLookup.h"
#include "cli/Output.h"
#include "cli/Progress.h"
#include "lists/GroupExport.h"

int runExport(CliContext& context, const Words& words) {
    const CommandLine line(words, {{"--csv"}, {"--encoding"}, 1, 2});
    const GroupRecord group = findGroup(context, line.positional()[0]);
    const std::string path = line.positional().size() > 1 ? line.positional()[1] : "-";
    GroupExportOptions options;
    options.format = line.has("--csv") ? ExportFormat::kCsv : ExportFormat::kText;
    const std::string encoding = line.option("--encoding").value_or("gbk");
    if (encoding == "utf-8" || encoding == "utf8")
        options.encoding = ExportEncoding::kUtf8;
    else if (encoding != "gbk")
        throw UsageError("--encoding: utf-8 or gbk, not " + encoding);
    const bool toStandardOutput = path == "-";
    if (toStandardOutput && context.json) throw UsageError("--json reports on a file; name one to export to");

    GroupExportProgress progress;
    GroupExportResult result;
    runShowingProgress(
        context,
        [&] {
            context.out.flush();
            result = toStandardOutput ? exportGroupTo(context.store, group.id, STDOUT_FILENO, options, &progress)
                                      : exportGroup(context.store, group.id, path, options, &progress);
        },
        [&] {
            return "wrote " + std::to_string(progress.written.load()) + " of " + std::to_string(progress.total.load());
        });
    if (!result.written) {
        context.err << "corvane-cli: the export was not written: " << result.failure << '\n';
        return result.databaseFailed ? ExitStatus::kDatabaseError : ExitStatus::kFileError;
    }
    if (context.json)
        context.out << JsonObject()
                           .text("result", "exported")
                           .number("group", group.id)
                           .text("file", path)
                           .number("rows", static_cast<std::int64_t>(result.rows))
                           .number("unconvertible", static_cast<std::int64_t>(result.unconvertible))
                           .str()
                    << '\n';
    else if (!toStandardOutput)
        context.out << "exported " << result.rows << " rows of group " << group.id << " to " << path << '\n';
    return ExitStatus::kDone;
}
