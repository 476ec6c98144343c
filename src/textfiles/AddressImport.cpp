// Tested by tests/textfiles/ImportTest.cpp.
#include "textfiles/AddressImport.h"

#include <exception>
#include <string_view>

#include "regex/EmailAddress.h"
#include "store/AddressStore.h"
#include "textfiles/LineReader.h"

namespace {

constexpr std::size_t kLongestAddress = 254;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view trimmed(std::string_view line) {
    constexpr std::string_view kBlank = " \t\n\v\f\r";
    const std::size_t first = line.find_first_not_of(kBlank);
    if (first == std::string_view::npos) return {};
    const std::size_t last = line.find_last_not_of(kBlank);
    return line.substr(first, last - first + 1);
}

} // namespace

ImportResult ImportAddresses(AddressStore& store, const std::string& path, std::int32_t groupId) {
    ImportResult result;
    LineReader reader(path);
    if (!reader.isOpen()) return result;
    result.opened = true;
    std::string line;
    while (reader.next(line)) {
        std::string_view text = line;
        if (result.lines == 0 && text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
            text.remove_prefix(kByteOrderMark.size());
        ++result.lines;
        text = trimmed(text);
        if (text.empty() || text.size() > kLongestAddress) continue;
        const std::string address(text);
        if (!IsValidEmailAddress(address)) continue;
        try {
            if (store.AddressExists(groupId, address) != 0) continue;
        } catch (const std::exception& error) {
            // The line counts as present; the user hears of the first such error once.
            if (result.failure.empty()) result.failure = error.what();
            continue;
        }
        if (store.InsertAddress(groupId, address, "") == 0) ++result.stored;
    }
    return result;
}
