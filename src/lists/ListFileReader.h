// Reads the records of a list file: fields split by libcsv (quoted fields with doubled quotes and line breaks, as
// RFC 4180 writes them) or by runs of blanks, converted to UTF-8, each with the line where it starts and its bytes
// as the file holds them.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "lists/ListFileFormat.h"
#include "textfiles/LineReader.h"

class TextConverter;

struct ListRecord {
    enum class Problem {
        kNone,
        kUndecodable,   // bytes that the file's encoding does not allow
        kUnclosedQuote, // a quoted field that does not end within the record's limits: the line alone is given
        kTooLong,       // a line longer than a record may be
    };
    std::size_t line = 0;            // where it starts, from 1
    std::vector<std::string> fields; // UTF-8, quotes removed
    std::string original;            // the record's bytes in the file, its lines joined by LF
    Problem problem = Problem::kNone;
};

class ListFileReader {
public:
    // Bytes and lines a record may span: a quote that never closes is given up after them.
    static constexpr std::size_t kLongestRecord = 64 * 1024;
    static constexpr std::size_t kMostLinesPerRecord = 100;

    ListFileReader(const std::string& path, ListEncoding encoding, ListDelimiter delimiter);
    ~ListFileReader();
    ListFileReader(const ListFileReader&) = delete;
    ListFileReader& operator=(const ListFileReader&) = delete;

    bool isOpen() const { return m_lines.isOpen(); }
    // The next record; false at the end of the file or on a read error (failed()). Blank lines are skipped.
    bool next(ListRecord& record);
    bool failed() const { return m_lines.failed(); }
    int error() const { return m_lines.error(); }
    std::size_t position() const { return m_lines.position(); }
    std::size_t sizeAtOpen() const { return m_lines.sizeAtOpen(); }
    std::size_t blankLines() const { return m_blankLines; }

private:
    struct Line {
        std::size_t number = 0;
        std::string bytes;   // as in the file
        std::string decoded; // UTF-8
        bool decodable = true;
    };
    struct Parser;

    bool nextLine(Line& line);
    bool fromBlanks(const Line& line, ListRecord& record);
    bool fromCsv(ListRecord& record);

    LineReader m_lines;
    ListEncoding m_encoding;
    ListDelimiter m_delimiter;
    std::unique_ptr<TextConverter> m_toUtf8;
    std::unique_ptr<Parser> m_parser;
    std::vector<Line> m_replay; // lines read again after a quote that did not close (in reverse order)
    std::size_t m_lineNumber = 0;
    std::size_t m_blankLines = 0;
    std::string m_buffer;
};
