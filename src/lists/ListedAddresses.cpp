// Tested by tests/lists/RemoveListedTest.cpp.
#include "lists/ListedAddresses.h"

#include <cerrno>
#include <string_view>
#include <unordered_set>

#include "lists/FoldedMatch.h"
#include "textfiles/AddressLine.h"
#include "textfiles/LineReader.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// "Name <address>": the address between the last "<" and the closing ">".
std::string_view addressOf(std::string_view line) {
    if (line.empty() || line.back() != '>') return line;
    const std::size_t open = line.rfind('<');
    if (open == std::string_view::npos) return line;
    return trimBlanks(line.substr(open + 1, line.size() - open - 2));
}

} // namespace

ListedAddresses readListedAddresses(const std::string& path, bool ignoreCase, std::atomic<std::uint64_t>* bytesRead,
                                    std::stop_token stop) {
    ListedAddresses listed;
    LineReader reader(path);
    if (!reader.isOpen()) {
        listed.error = errno;
        return listed;
    }
    listed.opened = true;
    std::unordered_set<std::string> seen;
    std::string line;
    while (reader.next(line)) {
        std::string_view text = line;
        if (listed.lines == 0 && text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
            text.remove_prefix(kByteOrderMark.size());
        ++listed.lines;
        text = trimBlanks(text);
        if (text.empty()) continue;
        const std::string_view address = addressOf(text);
        if (!isStorableAddress(address)) {
            ++listed.invalid;
            continue;
        }
        std::string key = ignoreCase ? foldAsciiLetters(address) : std::string(address);
        if (seen.insert(key).second) listed.addresses.push_back(std::move(key));
        if (listed.lines % 4096 == 0) {
            if (bytesRead) bytesRead->store(reader.position());
            if (stop.stop_requested()) {
                listed.cancelled = true;
                return listed;
            }
        }
    }
    if (bytesRead) bytesRead->store(reader.position());
    listed.readFailed = reader.failed();
    listed.error = reader.error();
    return listed;
}
