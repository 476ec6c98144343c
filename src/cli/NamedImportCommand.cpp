// Tested by tests/cli/CliTest.cpp.
#include <ostream>

#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/GroupLookup.h"
#include "cli/ImportSummary.h"
#include "cli/Progress.h"
#include "cli/SpooledInput.h"
#include "lists/ListFileFormat.h"
#include "lists/NamedImport.h"

namespace {

ListEncoding encodingNamed(const std::string& name) {
    if (name == "utf-8" || name == "utf8") return ListEncoding::kUtf8;
    if (name == "gbk" || name == "gb18030") return ListEncoding::kGb18030;
    throw UsageError("--encoding: utf-8 or gbk, not " + name);
}

ListDelimiter delimiterNamed(const std::string& name) {
    if (name == "comma" || name == ",") return ListDelimiter::kComma;
    if (name == "semicolon" || name == ";") return ListDelimiter::kSemicolon;
    if (name == "tab" || name == "\t") return ListDelimiter::kTab;
    if (name == "pipe" || name == "|") return ListDelimiter::kPipe;
    if (name == "blanks" || name == " ") return ListDelimiter::kBlanks;
    throw UsageError("--delimiter: comma, semicolon, tab, pipe or blanks, not " + name);
}

} // namespace

int runNamedImport(CliContext& context, const CommandLine& line) {
    const GroupRecord group = findGroup(context, line.positional()[0]);
    const std::string& file = line.positional()[1];
    const SpooledInput input(file);
    ListFormatDetection detection = detectListFormat(input.path());
    if (!detection.opened) {
        context.err << "corvane-cli: cannot read " << file << '\n';
        return ExitStatus::kFileError;
    }
    if (!detection.failure.empty()) {
        context.err << "corvane-cli: " << file << ": " << detection.failure << '\n';
        return ExitStatus::kFileError;
    }
    NamedImportOptions options;
    options.format = detection.format;
    const std::optional<std::string> encoding = line.option("--encoding");
    const std::optional<std::string> delimiter = line.option("--delimiter");
    if (encoding) options.format.encoding = encodingNamed(*encoding);
    if (delimiter) options.format.delimiter = delimiterNamed(*delimiter);
    // The header and the columns are told again with the encoding and delimiter given.
    if (encoding || delimiter) detectListColumns(input.path(), options.format);
    options.ignoreCase = line.has("--ignore-case");
    options.rejectedPath = line.option("--rejected").value_or("");

    NamedImportProgress progress;
    NamedImportResult result;
    runShowingProgress(
        context, [&] { result = importNamedList(context.store, input.path(), group.id, options, &progress); },
        [&] {
            return "read " + std::to_string(progress.records.load()) + " records, stored " +
                   std::to_string(progress.stored.load());
        });
    printImportSummary(context, file, group, result.stopped,
                       {{"records", "records", result.records},
                        {"stored", "stored", result.stored},
                        {"alreadyInGroup", "already in the group", result.alreadyInGroup},
                        {"repeatedInFile", "repeated in the file", result.repeated},
                        {"invalid", "invalid", result.invalid},
                        {"tooLong", "too long", result.tooLong},
                        {"refused", "refused", result.refused},
                        {"blank", "", result.blank},
                        {"keptLine", "", result.keptLine}},
                       result.failure);
    if (!result.opened) {
        context.err << "corvane-cli: cannot read " << file << '\n';
        return ExitStatus::kFileError;
    }
    if (!result.rejectedWritten) {
        context.err << "corvane-cli: cannot write the refused lines to " << options.rejectedPath << '\n';
        return ExitStatus::kFileError;
    }
    if (result.stopped) {
        context.err << "corvane-cli: " << result.failure << '\n';
        return ExitStatus::kDatabaseError;
    }
    return result.rejected() > 0 ? ExitStatus::kRefusedLines : ExitStatus::kDone;
}
