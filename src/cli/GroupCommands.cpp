// Tested by tests/cli/CliTest.cpp.
#include <map>
#include <ostream>
#include <vector>

#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/GroupLookup.h"
#include "cli/Output.h"
#include "platform/DatabaseError.h"
#include "platform/OdbcRecordSet.h"
#include "store/AddressStore.h"

namespace {

// The number of addresses of every group, from one read.
std::map<RowId, std::int64_t> addressCounts(AddressStore& store) {
    return store.withConnection([](OdbcConnection& connection) {
        std::map<RowId, std::int64_t> counts;
        OdbcRecordSet rows(connection);
        rows.open("select group_id, count(*) as addresses from AddressList group by group_id");
        for (; !rows.isEof(); rows.moveNext())
            counts[rows.integer("group_id")] = rows.integer("addresses");
        return counts;
    });
}

// The stored form of a new name: not empty, and one the code page can hold.
std::string storableName(CliContext& context, const std::string& typed) {
    if (typed.empty()) throw UsageError("a group's name cannot be empty");
    const std::optional<std::string> name = context.storable(typed);
    if (!name) throw UsageError("the name " + typed + " holds characters that the book's code page (GBK) cannot hold");
    return *name;
}

void printGroup(CliContext& context, const GroupRecord& group, std::int64_t addresses, const char* what) {
    if (context.json)
        context.out << JsonObject()
                           .text("result", what)
                           .number("id", group.id)
                           .text("name", context.utf8(group.name))
                           .number("addresses", addresses)
                           .str()
                    << '\n';
    else
        context.out << what << ": " << group.id << "  " << context.shown(group.name) << '\n';
}

// The group added last with this name: names need not be unique, and the new one has the highest id.
GroupRecord newestNamed(AddressStore& store, const std::string& name) {
    std::vector<GroupRecord> groups;
    store.LoadGroups(groups);
    GroupRecord found;
    for (const GroupRecord& group : groups)
        if (group.name == name && group.id > found.id) found = group;
    return found;
}

} // namespace

int runGroups(CliContext& context, const Words& words) {
    const CommandLine line(words, {{"--names"}, {}, 0, 0});
    std::vector<GroupRecord> groups;
    if (context.store.LoadGroups(groups) != 0) throw DatabaseError("HY000", 0, "the groups could not be read");
    // One name a line and nothing else: what the shell's completion offers.
    if (line.has("--names")) {
        for (const GroupRecord& group : groups)
            context.out << context.shown(group.name) << '\n';
        return ExitStatus::kDone;
    }
    const std::map<RowId, std::int64_t> counts = addressCounts(context.store);
    const auto countOf = [&](RowId id) {
        const auto found = counts.find(id);
        return found == counts.end() ? std::int64_t(0) : found->second;
    };
    if (context.json) {
        for (const GroupRecord& group : groups)
            context.out << JsonObject()
                               .number("id", group.id)
                               .text("name", context.utf8(group.name))
                               .number("addresses", countOf(group.id))
                               .str()
                        << '\n';
        return ExitStatus::kDone;
    }
    TextTable table({"ID", "NAME", "ADDRESSES"});
    for (const GroupRecord& group : groups)
        table.add({std::to_string(group.id), context.shown(group.name), std::to_string(countOf(group.id))});
    table.print(context.out);
    return ExitStatus::kDone;
}

int runGroup(CliContext& context, const Words& words) {
    if (words.empty()) throw UsageError("group: add, rename or delete?");
    const std::string action = words.front();
    const Words rest(words.begin() + 1, words.end());
    if (action == "add") {
        const CommandLine line(rest, {{}, {}, 1, 1});
        const std::string name = storableName(context, line.positional()[0]);
        if (context.store.AddGroup(name) != 0) throw DatabaseError("HY000", 0, "the group could not be added");
        printGroup(context, newestNamed(context.store, name), 0, "added");
        return ExitStatus::kDone;
    }
    if (action == "rename") {
        const CommandLine line(rest, {{}, {}, 2, 2});
        GroupRecord group = findGroup(context, line.positional()[0]);
        const std::string name = storableName(context, line.positional()[1]);
        if (context.store.RenameGroup(group.id, name) != 0)
            throw DatabaseError("HY000", 0, "the group could not be renamed");
        group.name = name;
        printGroup(context, group, context.store.countGroupAddresses(group.id).value_or(0), "renamed");
        return ExitStatus::kDone;
    }
    if (action == "delete") {
        const CommandLine line(rest, {{"--yes"}, {}, 1, 1});
        const GroupRecord group = findGroup(context, line.positional()[0]);
        const std::int64_t addresses = context.store.countGroupAddresses(group.id).value_or(0);
        // Its addresses go with it: that is said first, as the window asks first.
        if (addresses > 0 && !line.has("--yes"))
            throw UsageError("group " + std::to_string(group.id) + " holds " + std::to_string(addresses) +
                             " addresses, which would be deleted with it; add --yes to delete them too");
        const AddressStore::GroupDeletion deletion = context.store.deleteGroupWithAddresses(group.id);
        if (!deletion.deleted) throw DatabaseError("HY000", 0, "the group was not deleted: " + deletion.failure);
        printGroup(context, group, deletion.addresses, "deleted");
        return ExitStatus::kDone;
    }
    throw UsageError("group: unknown action " + action + " (add, rename or delete)");
}
