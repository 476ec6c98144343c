// Tested by tests/lists/NamedImportTest.cpp.
#include "lists/ListFileReader.h"

#include <csv.h>

#include <string_view>
#include <utility>

#include "lists/ListEntry.h"
#include "platform/TextConverter.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Only the space pads a field: a tab may be the delimiter, and the import trims fields itself.
int isPadding(unsigned char c) {
    return c == ' ' ? 1 : 0;
}

} // namespace

// libcsv's parser, handing out the fields of one record at a time.
struct ListFileReader::Parser {
    explicit Parser(char delimiter) : m_delimiter(delimiter) { reset(); }
    ~Parser() { csv_free(&m_parser); }
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // A fresh parser, for a record after one whose quote never closed.
    void reset() {
        if (m_initialised) csv_free(&m_parser);
        csv_init(&m_parser, 0);
        csv_set_delim(&m_parser, static_cast<unsigned char>(m_delimiter));
        csv_set_space_func(&m_parser, isPadding);
        m_initialised = true;
        fields.clear();
        rowEnded = false;
    }

    // Parses one line and its line end; whether the record ended with it.
    bool feed(std::string& line) {
        line += '\n';
        csv_parse(&m_parser, line.data(), line.size(), onField, onRow, this);
        line.pop_back();
        return rowEnded;
    }

    static void onField(void* text, std::size_t size, void* self) {
        static_cast<Parser*>(self)->fields.emplace_back(static_cast<const char*>(text), text ? size : 0);
    }
    static void onRow(int, void* self) { static_cast<Parser*>(self)->rowEnded = true; }

    std::vector<std::string> fields;
    bool rowEnded = false;

private:
    char m_delimiter;
    csv_parser m_parser{};
    bool m_initialised = false;
};

ListFileReader::ListFileReader(const std::string& path, ListEncoding encoding, ListDelimiter delimiter)
    : m_lines(path), m_encoding(encoding), m_delimiter(delimiter) {
    if (encoding == ListEncoding::kGb18030) m_toUtf8 = std::make_unique<TextConverter>("UTF-8", "GB18030");
    if (delimiter != ListDelimiter::kBlanks) m_parser = std::make_unique<Parser>(delimiterCharacter(delimiter));
}

ListFileReader::~ListFileReader() = default;

bool ListFileReader::nextLine(Line& line) {
    if (!m_replay.empty()) {
        line = std::move(m_replay.back());
        m_replay.pop_back();
        return true;
    }
    if (!m_lines.next(line.bytes)) return false;
    line.number = ++m_lineNumber;
    if (line.number == 1 && m_encoding == ListEncoding::kUtf8 && line.bytes.starts_with(kByteOrderMark))
        line.bytes.erase(0, kByteOrderMark.size());
    if (line.bytes.size() > kLongestRecord) {
        // Never parsed or decoded: it is refused as too long whole.
        line.decoded.clear();
        line.decodable = true;
    } else if (m_toUtf8) {
        line.decodable = m_toUtf8->convertReplacing(line.bytes, line.decoded, kReplacementCharacter);
    } else {
        line.decodable = isWellFormedUtf8(line.bytes);
        line.decoded = line.bytes;
    }
    return true;
}

bool ListFileReader::next(ListRecord& record) {
    record.fields.clear();
    record.original.clear();
    record.problem = ListRecord::Problem::kNone;
    if (m_delimiter != ListDelimiter::kBlanks) return fromCsv(record);
    Line line;
    while (nextLine(line)) {
        if (trimBlanks(line.bytes).empty()) {
            ++m_blankLines;
            continue;
        }
        return fromBlanks(line, record);
    }
    return false;
}

bool ListFileReader::fromBlanks(const Line& line, ListRecord& record) {
    record.line = line.number;
    record.original = line.bytes;
    if (line.bytes.size() > kLongestRecord) {
        record.problem = ListRecord::Problem::kTooLong;
        return true;
    }
    if (!line.decodable) record.problem = ListRecord::Problem::kUndecodable;
    ListEntry entry = splitMailbox(line.decoded);
    record.fields = {std::move(entry.address), std::move(entry.name)};
    return true;
}

bool ListFileReader::fromCsv(ListRecord& record) {
    std::vector<Line> pending;
    std::size_t bytes = 0;
    Line line;
    auto giveUp = [&] {
        // The quote opened on the first line never closed: that line alone is the record, and the lines after it
        // are read again as records of their own.
        record.line = pending.front().number;
        record.original = pending.front().bytes;
        record.problem = ListRecord::Problem::kUnclosedQuote;
        for (std::size_t i = pending.size(); i-- > 1;)
            m_replay.push_back(std::move(pending[i]));
        m_parser->reset();
        return true;
    };
    while (nextLine(line)) {
        if (pending.empty()) {
            if (trimBlanks(line.bytes).empty()) {
                ++m_blankLines;
                continue;
            }
            if (line.bytes.size() > kLongestRecord) {
                record.line = line.number;
                record.original = std::move(line.bytes);
                record.problem = ListRecord::Problem::kTooLong;
                return true;
            }
        }
        bytes += line.bytes.size() + 1;
        const bool ended = m_parser->feed(line.decoded);
        pending.push_back(std::move(line));
        line = Line();
        if (ended) {
            record.line = pending.front().number;
            for (std::size_t i = 0; i < pending.size(); ++i) {
                if (i > 0) record.original += '\n';
                record.original += pending[i].bytes;
                if (!pending[i].decodable) record.problem = ListRecord::Problem::kUndecodable;
            }
            record.fields = std::move(m_parser->fields);
            m_parser->fields.clear();
            m_parser->rowEnded = false;
            return true;
        }
        if (bytes > kLongestRecord || pending.size() >= kMostLinesPerRecord) return giveUp();
    }
    if (pending.empty()) return false;
    return giveUp();
}
