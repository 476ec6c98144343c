// Tested by tests/workers/RefreshSchedulerTest.cpp.
#include "workers/RefreshStamp.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "workers/InterruptibleSleep.h"

namespace {

constexpr long long kSecondsPerDay = 24 * 60 * 60;
// A first line longer than this is no stamp of ours, and is not read further.
constexpr std::size_t kLongestStamp = 256;

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar (months 1 to 12; days past a month's end
// count on into the next month).
long long daysFromCivil(long long year, long long month, long long day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// Local wall-clock time as a count of seconds. Both ends of a span are counted this way, so the span is what a
// clock on the wall shows between them, whatever the time zone.
long long wallSeconds(const std::tm& time) {
    return daysFromCivil(time.tm_year + 1900LL, time.tm_mon + 1LL, time.tm_mday) * kSecondsPerDay +
           time.tm_hour * 3600LL + time.tm_min * 60LL + time.tm_sec;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

} // namespace

std::tm StampFileEnvironment::localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

bool StampFileEnvironment::sleep(std::chrono::milliseconds duration, std::stop_token stop) {
    return sleepUnlessStopped(duration, stop);
}

RefreshEnvironment::StampRead StampFileEnvironment::readStamp(std::string& firstLine) {
    firstLine.clear();
    File file(std::fopen(m_path.c_str(), "r"));
    if (!file) return errno == ENOENT ? StampRead::kMissing : StampRead::kCannotOpen;
    int c;
    while ((c = std::fgetc(file.get())) != EOF && c != '\n' && firstLine.size() < kLongestStamp)
        firstLine.push_back(static_cast<char>(c));
    if (!firstLine.empty() && firstLine.back() == '\r') firstLine.pop_back();
    return StampRead::kRead;
}

bool StampFileEnvironment::writeStamp(const std::string& text) {
    File file(std::fopen(m_path.c_str(), "w"));
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    return std::fclose(file.release()) == 0 && written;
}

std::string formatStamp(const std::tm& local) {
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(text, length);
}

std::optional<std::tm> parseStamp(const std::string& text) {
    static const char* const kForms[] = {"%Y-%m-%d %H:%M:%S", "%Y-%m-%d %H:%M", "%Y-%m-%d",
                                         "%Y/%m/%d %H:%M:%S", "%Y/%m/%d %H:%M", "%Y/%m/%d"};
    for (const char* form : kForms) {
        std::tm time{};
        const char* end = strptime(text.c_str(), form, &time);
        if (!end) continue;
        while (*end == ' ' || *end == '\t' || *end == '\r')
            ++end;
        if (*end == '\0' && end == text.c_str() + text.size()) return time;
    }
    return std::nullopt;
}

bool isRefreshDue(RefreshEnvironment& environment) {
    std::string line;
    switch (environment.readStamp(line)) {
    case RefreshEnvironment::StampRead::kMissing:
        return true;
    case RefreshEnvironment::StampRead::kCannotOpen:
        return false;
    case RefreshEnvironment::StampRead::kRead:
        break;
    }
    const std::optional<std::tm> stamp = parseStamp(line);
    if (!stamp) return true;
    // A whole day, rounded to the second: 23:59:59 is not due, 24:00:00 is. A stamp in the future gives a negative
    // span and is never due.
    return wallSeconds(environment.localNow()) - wallSeconds(*stamp) >= kSecondsPerDay;
}
