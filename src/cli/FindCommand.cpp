// Tested by tests/cli/CliTest.cpp.
#include <ostream>
#include <vector>

#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Output.h"
#include "lists/BookSearch.h"

int runFind(CliContext& context, const Words& words) {
    const CommandLine line(words, {{"--exact", "--prefix", "--contains"}, {}, 1, 1});
    if (line.has("--exact") + line.has("--prefix") + line.has("--contains") > 1)
        throw UsageError("--exact, --prefix or --contains: one of them");
    const std::optional<std::string> text = context.storable(line.positional()[0]);
    if (!text) throw UsageError("the text holds characters that the book's code page (GBK) cannot hold");
    BookSearchOptions options;
    options.match = line.has("--exact")    ? TextMatch::kEquals
                    : line.has("--prefix") ? TextMatch::kStartsWith
                                           : TextMatch::kContains;
    // For people the rows go out as a table once all are found; for scripts each as it comes.
    TextTable table({"GROUP", "ID", "EMAIL", "NAME"});
    const BookSearchResult result = searchBook(context.store, *text, options, [&](std::vector<FoundAddress>& found) {
        for (const FoundAddress& address : found) {
            if (context.json)
                context.out << JsonObject()
                                   .number("group", address.groupId)
                                   .text("groupName", context.utf8(address.groupName))
                                   .number("id", address.addressId)
                                   .text("email", context.utf8(address.email))
                                   .text("name", context.utf8(address.name))
                                   .str()
                            << '\n';
            else
                table.add({context.shown(address.groupName), std::to_string(address.addressId),
                           context.shown(address.email), context.shown(address.name)});
        }
    });
    if (!result.failure.empty()) {
        context.err << "corvane-cli: the search failed: " << result.failure << '\n';
        return ExitStatus::kDatabaseError;
    }
    if (!context.json) {
        table.print(context.out);
        context.out << result.found << " found\n";
    }
    return ExitStatus::kDone;
}
