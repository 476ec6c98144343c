// Tested by tests/lists/NamedImportTest.cpp.
#include "lists/ListFileFormat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <uchardet.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>

#include "lists/ListEntry.h"
#include "lists/ListFileReader.h"
#include "platform/TextConverter.h"
#include "regex/EmailAddress.h"

namespace {

constexpr std::size_t kSampleBytes = 64 * 1024;
constexpr std::size_t kSampleLines = 20;   // lines that decide the delimiter
constexpr std::size_t kSampleRecords = 50; // records that decide the header and the columns

struct Sample {
    std::string bytes;
    bool whole = false; // the sample is the whole file
    int error = 0;
};

// The first part of `path`. Only a regular file is read: a pipe or a device could hang the read or never end.
Sample readSample(const std::string& path) {
    Sample sample;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        sample.error = errno;
        return sample;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        sample.error = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return sample;
    }
    sample.bytes.resize(kSampleBytes);
    std::size_t got = 0;
    while (got < kSampleBytes) {
        const ssize_t done = ::read(fd, sample.bytes.data() + got, kSampleBytes - got);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) {
            sample.error = errno;
            break;
        }
        if (done == 0) {
            sample.whole = true;
            break;
        }
        got += static_cast<std::size_t>(done);
    }
    sample.bytes.resize(got);
    ::close(fd);
    return sample;
}

std::string detectorGuess(const std::string& bytes) {
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(uchardet_new(),
                                                                                            uchardet_delete);
    if (!detector) return {};
    if (uchardet_handle_data(detector.get(), bytes.data(), bytes.size()) != 0) return {};
    uchardet_data_end(detector.get());
    const char* charset = uchardet_get_charset(detector.get());
    return charset ? charset : "";
}

// The sample's first lines, decoded, blank ones left out; a last line cut by the sample's end too.
std::vector<std::string> firstLines(const Sample& sample, ListEncoding encoding) {
    std::vector<std::string> lines;
    std::string_view rest = sample.bytes;
    if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
    TextConverter toUtf8("UTF-8", encoding == ListEncoding::kGb18030 ? "GB18030" : "UTF-8");
    while (!rest.empty() && lines.size() < kSampleLines) {
        const std::size_t end = rest.find('\n');
        if (end == std::string_view::npos && !sample.whole) break;
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (trimBlanks(line).empty()) continue;
        std::string decoded;
        toUtf8.convertReplacing(line, decoded, "?");
        lines.push_back(std::move(decoded));
    }
    return lines;
}

// How often `delimiter` stands outside quotes in `line`.
std::size_t countOutsideQuotes(std::string_view line, char delimiter) {
    std::size_t count = 0;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == delimiter && !quoted)
            ++count;
    }
    return count;
}

// The delimiter that stands the same number of times (at least once) in the most lines; blanks when none does and
// the lines hold blanks between words; a comma (one field a line) else.
ListDelimiter detectDelimiter(const std::vector<std::string>& lines) {
    constexpr std::array candidates{ListDelimiter::kComma, ListDelimiter::kTab, ListDelimiter::kSemicolon,
                                    ListDelimiter::kPipe};
    ListDelimiter best = ListDelimiter::kComma;
    std::size_t bestScore = 0;
    for (const ListDelimiter candidate : candidates) {
        std::map<std::size_t, std::size_t> linesByCount;
        for (const std::string& line : lines) {
            const std::size_t count = countOutsideQuotes(line, delimiterCharacter(candidate));
            if (count > 0) ++linesByCount[count];
        }
        std::size_t score = 0;
        for (const auto& [count, many] : linesByCount)
            score = std::max(score, many);
        if (score > bestScore) {
            best = candidate;
            bestScore = score;
        }
    }
    if (bestScore * 2 >= lines.size() && bestScore > 0) return best;
    std::size_t withBlanks = 0;
    for (const std::string& line : lines)
        if (trimBlanks(line).find_first_of(" \t") != std::string_view::npos) ++withBlanks;
    return withBlanks * 2 > lines.size() ? ListDelimiter::kBlanks : best;
}

bool holdsAddress(const ListRecord& record, const ListFileFormat& format) {
    const ListEntry entry = listEntryOf(record, format);
    return !entry.address.empty() && entry.address.size() <= 254 && IsValidEmailAddress(entry.address);
}

std::string normalisedHeader(std::string_view text) {
    std::string out;
    for (const char c : trimBlanks(text))
        if (c != ' ' && c != '_' && c != '-') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The column whose header names the people, or -1.
int nameColumnByHeader(const std::vector<std::string>& names, int emailColumn) {
    static const char* const kNames[] = {"name",        "姓名",     "名称",        "名字",   "昵称",
                                         "fullname",    "全名",     "displayname", "联系人", "称呼",
                                         "nickname",    "nick",     "username",    "用户名", "contact",
                                         "contactname", "客户名称", "客户",        "收件人", "显示名称"};
    for (const char* wanted : kNames)
        for (std::size_t i = 0; i < names.size(); ++i)
            if (static_cast<int>(i) != emailColumn && normalisedHeader(names[i]) == wanted) return static_cast<int>(i);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string name = normalisedHeader(names[i]);
        if (static_cast<int>(i) != emailColumn &&
            (name.find("name") != std::string::npos || name.find("姓名") != std::string::npos))
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

char delimiterCharacter(ListDelimiter delimiter) {
    switch (delimiter) {
    case ListDelimiter::kComma:
        return ',';
    case ListDelimiter::kSemicolon:
        return ';';
    case ListDelimiter::kTab:
        return '\t';
    case ListDelimiter::kPipe:
        return '|';
    case ListDelimiter::kBlanks:
        return 0;
    }
    return ',';
}

void detectListColumns(const std::string& path, ListFileFormat& format) {
    std::vector<ListRecord> records;
    ListFileReader reader(path, format.encoding, format.delimiter);
    for (ListRecord record; records.size() < kSampleRecords && reader.next(record);)
        records.push_back(std::move(record));
    format.header = false;
    format.headerNames.clear();
    format.columns = 0;
    for (const ListRecord& record : records)
        format.columns = std::max(format.columns, record.fields.size());
    if (format.delimiter == ListDelimiter::kBlanks) {
        format.emailColumn = 0;
        format.nameColumn = 1;
    } else {
        // The column where most records hold a valid address; the first record may be a header.
        std::size_t bestCount = 0;
        format.emailColumn = 0;
        for (std::size_t column = 0; column < format.columns; ++column) {
            ListFileFormat trial = format;
            trial.emailColumn = static_cast<int>(column);
            trial.nameColumn = -1;
            std::size_t count = 0;
            for (std::size_t i = records.size() > 1 ? 1 : 0; i < records.size(); ++i)
                if (holdsAddress(records[i], trial)) ++count;
            if (count > bestCount) {
                bestCount = count;
                format.emailColumn = static_cast<int>(column);
            }
        }
        format.nameColumn = -1;
    }
    if (records.size() > 1 && !holdsAddress(records[0], format)) {
        for (std::size_t i = 1; i < records.size() && !format.header; ++i)
            format.header = holdsAddress(records[i], format);
    }
    if (format.header) format.headerNames = records[0].fields;
    if (format.delimiter == ListDelimiter::kBlanks) return;
    if (format.header)
        format.nameColumn = nameColumnByHeader(format.headerNames, format.emailColumn);
    else if (format.columns == 2)
        format.nameColumn = format.emailColumn == 0 ? 1 : 0;
}

ListFormatDetection detectListFormat(const std::string& path) {
    ListFormatDetection detection;
    const Sample sample = readSample(path);
    if (sample.error != 0 && sample.bytes.empty()) {
        detection.failure = std::strerror(sample.error);
        return detection;
    }
    detection.opened = true;
    const std::string_view bytes = sample.bytes;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        detection.failure = "UTF-16";
        return detection;
    }
    if (static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\0')) * 100 > bytes.size()) {
        detection.failure = "binary";
        return detection;
    }
    detection.detectorSaid = detectorGuess(sample.bytes);
    ListFileFormat& format = detection.format;
    // Valid UTF-8 beyond ASCII is almost never GBK by chance, while the detector, on a few lines, may name a
    // single-byte set for either: the validity check decides, and a text that is not UTF-8 is read as GB18030,
    // which holds GBK, what Chinese desktops write.
    format.encoding = bytes.starts_with("\xEF\xBB\xBF") || isWellFormedUtf8(bytes, !sample.whole)
                          ? ListEncoding::kUtf8
                          : ListEncoding::kGb18030;
    format.delimiter = detectDelimiter(firstLines(sample, format.encoding));
    detectListColumns(path, format);
    return detection;
}
