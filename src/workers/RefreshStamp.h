// The time stamp of the last refresh of keywords and links: one line of local time, "YYYY-MM-DD hh:mm:ss", kept
// in "Corvane.tmp" in the start directory so that the daily rhythm holds across runs; and the rule that decides
// from it whether a refresh is due.
#pragma once

#include <chrono>
#include <ctime>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>

// What the scheduler needs from the world: the clock, sleeping and the stamp file. Tests put their own in its place
// so that nothing waits and no real file is needed.
class RefreshEnvironment {
public:
    enum class StampRead { kMissing, kCannotOpen, kRead };

    virtual ~RefreshEnvironment() = default;
    // The local time now, to the second.
    virtual std::tm localNow() = 0;
    // Sleeps, or less when a stop is requested; false when it was.
    virtual bool sleep(std::chrono::milliseconds duration, std::stop_token stop) = 0;
    // The stamp's first line, without its line end (empty when the file is empty).
    virtual StampRead readStamp(std::string& firstLine) = 0;
    // Replaces the stamp's content with `text`; false when the file cannot be written.
    virtual bool writeStamp(const std::string& text) = 0;
    // Whether the refresh just carried out stored both tables. Only then is the stamp written, so that a refresh
    // that failed (no server, a captive portal's page) is tried again at the next check rather than a day later.
    virtual bool refreshStored() { return true; }
};

// The real clock and sleep, and the stamp file at `path`. `refreshStored` answers refreshStored() (the window that
// carries out the refresh knows); without it every refresh counts as stored.
class StampFileEnvironment final : public RefreshEnvironment {
public:
    explicit StampFileEnvironment(std::string path, std::function<bool()> refreshStored = {})
        : m_path(std::move(path)), m_refreshStored(std::move(refreshStored)) {}
    std::tm localNow() override;
    bool sleep(std::chrono::milliseconds duration, std::stop_token stop) override;
    StampRead readStamp(std::string& firstLine) override;
    bool writeStamp(const std::string& text) override;
    bool refreshStored() override { return !m_refreshStored || m_refreshStored(); }

private:
    std::string m_path;
    std::function<bool()> m_refreshStored;
};

// "YYYY-MM-DD hh:mm:ss".
std::string formatStamp(const std::tm& local);
// Reads a stamp back: the written form, and the same without seconds or without the time, with "-" or "/"
// between the date's parts; blanks around it are ignored. Nothing for any other text.
std::optional<std::tm> parseStamp(const std::string& text);

// Whether a refresh is due: no stamp, an empty one or one that is not a time are due; a stamp that exists but
// cannot be opened is not (the next check tries again); otherwise due once a whole day has passed since it, and
// never for a stamp in the future.
bool isRefreshDue(RefreshEnvironment& environment);
