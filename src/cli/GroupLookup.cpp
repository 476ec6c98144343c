// Tested by tests/cli/CliTest.cpp.
#include "cli/GroupLookup.h"

#include <charconv>
#include <vector>

#include "cli/CliContext.h"
#include "cli/CommandLine.h"
#include "platform/DatabaseError.h"
#include "store/AddressStore.h"

GroupRecord findGroup(CliContext& context, const std::string& word) {
    std::vector<GroupRecord> groups;
    if (context.store.LoadGroups(groups) != 0) throw DatabaseError("HY000", 0, "the groups could not be read");
    RowId id = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), id);
    if (error == std::errc() && end == word.data() + word.size())
        for (const GroupRecord& group : groups)
            if (group.id == id) return group;
    const std::optional<std::string> name = context.storable(word);
    std::vector<GroupRecord> named;
    if (name)
        for (const GroupRecord& group : groups)
            if (group.name == *name) named.push_back(group);
    if (named.size() == 1) return named.front();
    if (named.empty()) throw UsageError("no group " + word);
    std::string ids;
    for (const GroupRecord& group : named)
        ids += " " + std::to_string(group.id);
    throw UsageError("several groups are named " + word + "; name one by its id:" + ids);
}
