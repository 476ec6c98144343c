// Tested by tests/cli/CliTest.cpp.
#include "cli/Output.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <ostream>

#include "platform/TextConverter.h"

namespace {

// Terminal columns that `text` (in the terminal's encoding) takes.
std::size_t columnsOf(const std::string& text) {
    std::mbstate_t state{};
    std::size_t columns = 0;
    const char* next = text.data();
    const char* end = text.data() + text.size();
    while (next < end) {
        wchar_t character = 0;
        const std::size_t length = std::mbrtowc(&character, next, static_cast<std::size_t>(end - next), &state);
        if (length == 0 || length > static_cast<std::size_t>(end - next)) {
            // Not a character of the locale: a byte is a column.
            ++columns;
            ++next;
            state = {};
            continue;
        }
        const int width = ::wcwidth(character);
        columns += width < 0 ? 1 : static_cast<std::size_t>(width);
        next += length;
    }
    return columns;
}

} // namespace

TextTable::TextTable(std::vector<std::string> headings) {
    m_rows.push_back(std::move(headings));
}

void TextTable::add(std::vector<std::string> row) {
    m_rows.push_back(std::move(row));
}

void TextTable::print(std::ostream& out) const {
    std::vector<std::size_t> widths;
    for (const auto& row : m_rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], columnsOf(row[i]));
    }
    // A table of name and value pairs has no headings to show.
    const bool headed = std::any_of(m_rows.front().begin(), m_rows.front().end(),
                                    [](const std::string& heading) { return !heading.empty(); });
    for (std::size_t r = headed ? 0 : 1; r < m_rows.size(); ++r) {
        const auto& row = m_rows[r];
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line += std::string(widths[i] - columnsOf(row[i]) + 2, ' ');
        }
        out << line << '\n';
    }
}

JsonObject& JsonObject::text(std::string_view member, std::string_view value) {
    name(member);
    m_members += jsonString(value);
    return *this;
}

JsonObject& JsonObject::number(std::string_view member, std::int64_t value) {
    name(member);
    m_members += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::boolean(std::string_view member, bool value) {
    name(member);
    m_members += value ? "true" : "false";
    return *this;
}

void JsonObject::name(std::string_view member) {
    if (!m_members.empty()) m_members += ',';
    m_members += jsonString(member) + ':';
}

std::string jsonString(std::string_view text) {
    std::string result = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            result += "\\\"";
            break;
        case '\\':
            result += "\\\\";
            break;
        case '\n':
            result += "\\n";
            break;
        case '\r':
            result += "\\r";
            break;
        case '\t':
            result += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
                result += escaped;
            } else {
                result += c;
            }
        }
    }
    return result + "\"";
}

std::string utf8OrReplaced(std::string_view text) {
    static thread_local TextConverter utf8("UTF-8", "UTF-8");
    std::string result;
    utf8.convertReplacing(text, result, "\xEF\xBF\xBD");
    return result;
}
