// Tested by tests/lists/NamedImportTest.cpp.
#include "lists/ListEntry.h"

#include "lists/ListFileFormat.h"
#include "lists/ListFileReader.h"
#include "regex/EmailAddress.h"

namespace {

// A name as the book keeps it: on one line, without control characters (a NUL would not even reach a server).
std::string cleanName(std::string_view text) {
    std::string name(trimBlanks(text));
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = ' ';
    }
    return name;
}

// "\"Zhang San\"" -> "Zhang San", with doubled or backslashed quotes inside as one.
std::string unquoted(std::string_view text) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return std::string(text);
    std::string out;
    text = text.substr(1, text.size() - 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((text[i] == '"' || text[i] == '\\') && i + 1 < text.size() && text[i + 1] == '"') ++i;
        out += text[i];
    }
    return out;
}

bool isAddress(std::string_view text) {
    return !text.empty() && text.size() <= 254 && IsValidEmailAddress(text);
}

} // namespace

ListEntry splitMailbox(std::string_view text) {
    text = trimBlanks(text);
    ListEntry entry;
    const std::size_t open = text.rfind('<');
    if (!text.empty() && text.back() == '>' && open != std::string_view::npos) {
        entry.address = trimBlanks(text.substr(open + 1, text.size() - open - 2));
        entry.name = cleanName(unquoted(trimBlanks(text.substr(0, open))));
        return entry;
    }
    const std::size_t firstGap = text.find_first_of(" \t");
    if (firstGap != std::string_view::npos) {
        const std::string_view first = text.substr(0, firstGap);
        if (isAddress(first)) {
            entry.address = first;
            entry.name = cleanName(unquoted(trimBlanks(text.substr(firstGap))));
            return entry;
        }
        const std::size_t lastGap = text.find_last_of(" \t");
        const std::string_view last = text.substr(lastGap + 1);
        if (isAddress(last)) {
            entry.address = last;
            entry.name = cleanName(unquoted(trimBlanks(text.substr(0, lastGap))));
            return entry;
        }
    }
    entry.address = text;
    return entry;
}

ListEntry listEntryOf(const ListRecord& record, const ListFileFormat& format) {
    const std::vector<std::string>& fields = record.fields;
    if (format.delimiter == ListDelimiter::kBlanks || fields.size() == 1) {
        if (format.delimiter == ListDelimiter::kBlanks && fields.size() == 2)
            return ListEntry{std::string(trimBlanks(fields[0])), cleanName(fields[1])};
        return fields.empty() ? ListEntry{} : splitMailbox(fields[0]);
    }
    ListEntry entry;
    if (format.emailColumn >= 0 && static_cast<std::size_t>(format.emailColumn) < fields.size()) {
        const std::string_view text = trimBlanks(fields[static_cast<std::size_t>(format.emailColumn)]);
        // Some programs write the address column as a mailbox, "Name <addr>".
        if (!text.empty() && text.back() == '>')
            entry = splitMailbox(text);
        else
            entry.address = text;
    }
    if (format.nameColumn >= 0 && format.nameColumn != format.emailColumn &&
        static_cast<std::size_t>(format.nameColumn) < fields.size()) {
        std::string name = cleanName(fields[static_cast<std::size_t>(format.nameColumn)]);
        if (!name.empty()) entry.name = std::move(name);
    }
    return entry;
}
