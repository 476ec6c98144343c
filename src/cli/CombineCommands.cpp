// Tested by tests/cli/CliTest.cpp.
#include <ostream>

#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/GroupLookup.h"
#include "cli/Output.h"
#include "cli/Progress.h"
#include "lists/GroupArithmetic.h"

namespace {

int statusOf(CliContext& context, const GroupArithmeticResult& result) {
    switch (result.outcome) {
    case ArithmeticOutcome::kDone:
        return ExitStatus::kDone;
    case ArithmeticOutcome::kSameGroups:
        context.err << "corvane-cli: A and B are one group\n";
        return ExitStatus::kUsage;
    case ArithmeticOutcome::kNoSuchGroup:
        context.err << "corvane-cli: the group is gone\n";
        return ExitStatus::kUsage;
    case ArithmeticOutcome::kEmptyName:
    case ArithmeticOutcome::kNameNotStorable:
        context.err << "corvane-cli: the new group's name is empty or cannot be stored\n";
        return ExitStatus::kUsage;
    case ArithmeticOutcome::kNameTaken:
        context.err << "corvane-cli: a group of that name exists\n";
        return ExitStatus::kUsage;
    case ArithmeticOutcome::kFileFailed:
        context.err << "corvane-cli: the file was not written: " << result.failure << '\n';
        return ExitStatus::kFileError;
    case ArithmeticOutcome::kCancelled:
    case ArithmeticOutcome::kDatabaseFailed:
        break;
    }
    context.err << "corvane-cli: " << result.failure << '\n';
    return ExitStatus::kDatabaseError;
}

void report(CliContext& context, const char* what, const GroupArithmeticResult& result) {
    if (context.json)
        context.out << JsonObject()
                           .text("result", result.outcome == ArithmeticOutcome::kDone ? what : "failed")
                           .number("rows", result.rows)
                           .number("dropped", result.dropped)
                           .number("newGroup", result.newGroup)
                           .str()
                    << '\n';
    else if (result.outcome == ArithmeticOutcome::kDone)
        context.out << what << ": " << result.rows << " rows"
                    << (result.newGroup != 0 ? ", group " + std::to_string(result.newGroup) : std::string()) << '\n';
}

} // namespace

int runCombine(CliContext& context, const std::string& command, const Words& words) {
    const CommandLine line(words, {{"--ignore-case"}, {"--into", "--out"}, 2, 2});
    const std::optional<std::string> into = line.option("--into");
    const std::optional<std::string> out = line.option("--out");
    if (into.has_value() == out.has_value()) throw UsageError("--into NEW or --out FILE: one of them");
    GroupCombination combination;
    combination.operation = command == "union"       ? GroupOperation::kUnion
                            : command == "intersect" ? GroupOperation::kIntersection
                                                     : GroupOperation::kDifference;
    combination.a = findGroup(context, line.positional()[0]).id;
    combination.b = findGroup(context, line.positional()[1]).id;
    combination.ignoreCase = line.has("--ignore-case");
    std::string name;
    if (into) {
        const std::optional<std::string> stored = context.storable(*into);
        if (!stored) throw UsageError("the name " + *into + " holds characters that GBK cannot hold");
        name = *stored;
    }
    GroupArithmeticProgress progress;
    GroupArithmeticResult result;
    runShowingProgress(
        context,
        [&] {
            result = into ? combineIntoGroup(context.store, combination, name, &progress)
                          : combineIntoFile(context.store, combination, *out, &progress);
        },
        [&] { return std::to_string(progress.percent.load()) + "%"; });
    report(context, command.c_str(), result);
    return statusOf(context, result);
}

int runMerge(CliContext& context, const Words& words) {
    const CommandLine line(words, {{"--ignore-case"}, {}, 2, 2});
    const RowId a = findGroup(context, line.positional()[0]).id;
    const RowId b = findGroup(context, line.positional()[1]).id;
    GroupArithmeticProgress progress;
    GroupArithmeticResult result;
    runShowingProgress(
        context, [&] { result = mergeGroupInto(context.store, a, b, line.has("--ignore-case"), &progress); },
        [&] { return std::to_string(progress.percent.load()) + "%"; });
    report(context, "merged", result);
    return statusOf(context, result);
}
