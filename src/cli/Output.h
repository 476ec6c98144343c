// corvane-cli's output: aligned columns for people, JSON for scripts.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

// Rows of columns, printed with each column as wide as its widest cell (a Chinese character takes two columns).
class TextTable {
public:
    explicit TextTable(std::vector<std::string> headings);
    void add(std::vector<std::string> row);
    void print(std::ostream& out) const;

private:
    std::vector<std::vector<std::string>> m_rows; // the headings first
};

// One JSON object, its members added in order. Texts must be UTF-8.
class JsonObject {
public:
    JsonObject& text(std::string_view name, std::string_view value);
    JsonObject& number(std::string_view name, std::int64_t value);
    JsonObject& boolean(std::string_view name, bool value);
    std::string str() const { return "{" + m_members + "}"; }

private:
    void name(std::string_view name);
    std::string m_members;
};

// `text` as a JSON string, quotes included.
std::string jsonString(std::string_view text);

// `text` with every byte sequence that is not UTF-8 replaced by U+FFFD, for JSON of texts of unknown encoding.
std::string utf8OrReplaced(std::string_view text);
