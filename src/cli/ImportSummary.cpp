// Tested by tests/cli/CliTest.cpp.
#include "cli/ImportSummary.h"

#include <ostream>

#include "cli/CliContext.h"
#include "cli/Output.h"

void printImportSummary(CliContext& context, const std::string& file, const GroupRecord& group, bool stopped,
                        const std::vector<ImportCount>& counts, const std::string& failure) {
    if (context.json) {
        JsonObject summary;
        summary.text("result", stopped ? "stopped" : "imported").text("file", file).number("group", group.id);
        for (const ImportCount& count : counts)
            summary.number(count.member, static_cast<std::int64_t>(count.value));
        context.out << summary.text("failure", failure).str() << '\n';
        return;
    }
    context.out << (stopped ? "stopped: " : "imported: ") << file << " into group " << group.id << "  "
                << context.shown(group.name) << '\n';
    TextTable table({"", ""});
    for (const ImportCount& count : counts)
        if (*count.label) table.add({count.label, std::to_string(count.value)});
    table.print(context.out);
}
