// The main window against a book of a million addresses, on the offscreen platform (unless QT_QPA_PLATFORM names
// another): how soon the rows of a group of 100,000 show after a real click on it, how soon a fresh process shows
// the window with its groups, and how much memory a process holds once it has shown that group.
//
// Every measurement runs in a fresh process that this program starts from its own file with --child=..., so that
// the book's construction (a million inserts through a side connection) leaves nothing in the measured process:
// no warm SQLite cache, no heap high-water mark. Children report "key value" lines through a pipe.
//
// Options (Google Benchmark's --benchmark_filter and --benchmark_list_tests are understood, others ignored):
//   --book=DIR     use DIR/Corvane.bin, building it first if it is missing, and keep it (for profiling runs)
//   --clicks=N     clicks on the big group (default 20)
//   --starts=N     fresh start-ups (default 7)
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "app/CCorvaneDlg.h"
#include "platform/OdbcConnection.h"
#include "platform/StartDirectory.h"
#include "store/AddressBook.h"
#include "support/BenchFolder.h"
#include "support/Stats.h"
#include "store/DatabaseFile.h"
#include "tools/CreateDatabase.h"
#include "ui/Cp936Text.h"
#include "ui/ReportList.h"
#include "ui/UserPrompts.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock; // CLOCK_MONOTONIC: one time line for the parent and its children

constexpr int kAddresses = 1'000'000;
constexpr int kGroups = 20;
constexpr int kBigGroupId = 8;     // in the middle of the list, as it would be in a real book
constexpr int kBigGroupEvery = 10; // every tenth address is the big group's: 100,000, spread over the table
constexpr int kBigGroupSize = kAddresses / kBigGroupEvery;
constexpr int kPageRows = 50;
constexpr int kGroupListId = 1000;
constexpr int kAddressListId = 1005;

// Targets the figures are held against.
constexpr double kFirstRowTargetMs = 250;
constexpr double kFirstPageTargetMs = 500;
constexpr double kStartupTargetMs = 500;
constexpr double kPeakMemoryTargetMb = 200;

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

double ms(std::int64_t ns) {
    return static_cast<double>(ns) / 1e6;
}

// ---- Options ----------------------------------------------------------------------------------------------------

struct Options {
    std::string child; // empty in the parent
    std::string book;
    int reportFd = -1;
    int clicks = 20;
    int starts = 7;
    std::optional<std::regex> filter;
    bool listOnly = false;
};

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const auto equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const std::string value = equals == std::string::npos ? std::string() : argument.substr(equals + 1);
        if (name == "--child")
            options.child = value;
        else if (name == "--book")
            options.book = value;
        else if (name == "--report-fd")
            options.reportFd = std::stoi(value);
        else if (name == "--clicks")
            options.clicks = std::max(1, std::stoi(value));
        else if (name == "--starts")
            options.starts = std::max(1, std::stoi(value));
        else if (name == "--benchmark_filter" && !value.empty() && value != "all")
            options.filter.emplace(value);
        else if (name == "--benchmark_list_tests" && value != "false")
            options.listOnly = true;
        // Anything else (the other --benchmark_* flags that scripts/bench.sh hands every program) is not ours.
    }
    return options;
}

// ---- The book ---------------------------------------------------------------------------------------------------

// A million addresses in twenty groups: group 8 holds every tenth row, the other nineteen share the rest. The rows
// of the big group are interleaved with the others, as years of imports into several groups would leave them.
void buildBook(const std::string& folder) {
    std::string error;
    if (createDatabase(folder, builtInSchema(), error) != CreateDatabaseResult::kCreated)
        throw std::runtime_error("cannot create the book: " + error);
    const auto connectionString = connectionStringFor(databaseFilePath(folder));
    if (!connectionString) throw std::runtime_error("the folder cannot stand in a connection string: " + folder);
    OdbcConnection connection;
    connection.open(*connectionString);
    connection.beginTransaction();
    for (int id = 1; id <= kGroups; ++id) {
        const std::string name = id == kBigGroupId ? cp936(QStringLiteral("十万客户"))
                                                   : cp936(QStringLiteral("客户组%1").arg(id, 2, 10, QLatin1Char('0')));
        connection.execute("insert into AddressCata(name) values(?)", {name});
    }
    connection.commit();
    const std::string person = cp936(QStringLiteral("客户"));
    // Row i: the big group when i is a multiple of ten, otherwise one of the nineteen others, skipping the big id.
    connection.execute("insert into AddressList(group_id, email, name) "
                       "with recursive n(i) as (select 0 union all select i + 1 from n where i < ?) "
                       "select case when i % ? = 0 then ? "
                       "            else (i / ?) % ? + 1 + ((i / ?) % ? + 1 >= ?) end, "
                       "       'user' || i || '@example.com', ? || i from n",
                       {kAddresses - 1, kBigGroupEvery, kBigGroupId, kBigGroupEvery, kGroups - 1, kBigGroupEvery,
                        kGroups - 1, kBigGroupId, std::string_view(person)});
    connection.close(); // the last connection folds the log into the file
}

// ---- Children ---------------------------------------------------------------------------------------------------

// The child's side of the pipe.
class Report {
public:
    explicit Report(int fd) : m_fd(fd) {}
    void operator()(const std::string& key, double value) const { line(key + " " + std::to_string(value)); }
    void error(const std::string& text) const { line("error " + text); }

private:
    void line(std::string text) const {
        text += '\n';
        const char* data = text.data();
        std::size_t left = text.size();
        while (left > 0) {
            const ssize_t written = ::write(m_fd, data, left);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return;
            data += written;
            left -= static_cast<std::size_t>(written);
        }
    }
    int m_fd;
};

// Any message box in a measured run is a failure (a book that does not open, a read that fails): it is answered
// at once and reported, never left to block.
class ReportingPrompts final : public UserPrompts {
public:
    explicit ReportingPrompts(const Report& report) : m_report(report) {}
    PromptAnswer showMessage(QWidget*, const QString& text, const QString&, PromptIcon,
                             PromptButtons buttons) override {
        m_report.error("message box: " + text.toStdString());
        return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Ok;
    }
    bool openInBrowser(const std::string&) override { return false; }
    std::optional<std::string> chooseFile(QWidget*, const FileChooser&) override { return std::nullopt; }

private:
    Report m_report;
};

// A number from /proc/self/status (kB for the memory lines); -1 when the line is missing.
long statusNumber(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    return -1;
}

// Runs the event loop until `done` holds, checking it after each round of events; false after `timeoutMs`. The
// loop sleeps while nothing happens (a timer wakes it now and then), so the window's thread never spins against
// the loader thread for the two cores.
template <class Predicate> bool spinUntil(Predicate done, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    QTimer wake;
    wake.start(50);
    while (!done()) {
        if (Clock::now() > deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Watches the address list after a click: when a row has first been painted, and when the whole first page has.
// The window repaints the list as soon as it has inserted a row, so a row's first paint is the moment it shows.
// Only paints after the click's handler has emptied the list count, so the page shown before never does.
class ShownRows final : public QObject {
public:
    explicit ShownRows(ReportList* list) : m_list(list) {
        list->viewport()->installEventFilter(this);
        QAbstractItemModel* model = list->model();
        auto emptied = [this] {
            if (m_armed && m_list->topLevelItemCount() == 0) m_cleared = true;
        };
        connect(model, &QAbstractItemModel::modelReset, this, emptied);
        connect(model, &QAbstractItemModel::rowsRemoved, this, emptied);
    }
    void arm() {
        m_armed = true;
        m_cleared = false;
        m_firstRowNs = 0;
        m_fullPageNs = 0;
    }
    bool cleared() const { return m_cleared; }
    std::int64_t firstRowNs() const { return m_firstRowNs; }
    std::int64_t fullPageNs() const { return m_fullPageNs; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (m_armed && m_cleared && event->type() == QEvent::Paint) {
            const int rows = m_list->topLevelItemCount();
            const std::int64_t now = nowNs();
            if (rows >= 1 && m_firstRowNs == 0) m_firstRowNs = now;
            if (rows >= kPageRows && m_fullPageNs == 0) {
                m_fullPageNs = now;
                m_armed = false;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    ReportList* m_list;
    bool m_armed = false;
    bool m_cleared = false;
    std::int64_t m_firstRowNs = 0;
    std::int64_t m_fullPageNs = 0;
};

// Watches the window's first showing: the moment the paint that first shows the group list with its rows, in an
// exposed window, has been completed (a zero timer runs once the paint's whole event is done, flush included).
class FirstShown final : public QObject {
public:
    FirstShown(QWidget* window, ReportList* groups) : m_window(window), m_groups(groups) {
        groups->viewport()->installEventFilter(this);
    }
    std::int64_t shownNs() const { return m_shownNs; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_scheduled && event->type() == QEvent::Paint && m_groups->GetItemCount() > 0) {
            m_scheduled = true;
            QTimer::singleShot(0, this, [this] {
                const QWindow* handle = m_window->windowHandle();
                if (handle && handle->isExposed())
                    m_shownNs = nowNs();
                else
                    m_scheduled = false; // painted before exposure: wait for the paint that shows it
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* m_window;
    ReportList* m_groups;
    bool m_scheduled = false;
    std::int64_t m_shownNs = 0;
};

// The application, timing every paint of one widget while asked to: where a page's time goes.
class TimingApplication final : public QApplication {
public:
    TimingApplication(int& argc, char** argv) : QApplication(argc, argv) {}

    void watch(QObject* widget) { m_watched = widget; }
    void startCounting() {
        m_counting = true;
        m_paints = 0;
        m_paintNs = 0;
    }
    void stopCounting() { m_counting = false; }
    int paints() const { return m_paints; }
    std::int64_t paintNs() const { return m_paintNs; }

    bool notify(QObject* receiver, QEvent* event) override {
        if (!m_counting || receiver != m_watched || event->type() != QEvent::Paint)
            return QApplication::notify(receiver, event);
        const std::int64_t start = nowNs();
        const bool handled = QApplication::notify(receiver, event);
        m_paintNs += nowNs() - start;
        ++m_paints;
        return handled;
    }

private:
    QObject* m_watched = nullptr;
    bool m_counting = false;
    int m_paints = 0;
    std::int64_t m_paintNs = 0;
};

// The offscreen platform's two notes on every start say nothing about the program; anything else goes through.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("This plugin does not support propagateSizeHints")) ||
        text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

// The program's own start: the application's names, the start directory, then the main window, watched from
// before it shows.
struct StartedWindow {
    std::unique_ptr<CCorvaneDlg> window;
    std::unique_ptr<FirstShown> firstShown;
    ReportList* groups = nullptr;
    ReportList* addresses = nullptr;
    std::int64_t builtNs = 0;   // constructed: the templates built, nothing read yet
    std::int64_t createdNs = 0; // Create() returned: book opened, lists filled, show() asked for
};

StartedWindow startWindow(const Options& options, const Report& report) {
    QCoreApplication::setOrganizationName(QStringLiteral("TalvexCorvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Corvane"));
    if (::chdir(options.book.c_str()) != 0) throw std::runtime_error("cannot enter " + options.book);
    captureStartDirectory();
    installPrompts(std::make_unique<ReportingPrompts>(report));
    StartedWindow started;
    started.window = std::make_unique<CCorvaneDlg>(AddressBook::program());
    started.builtNs = nowNs();
    started.groups = started.window->findChild<ReportList*>(QString::number(kGroupListId));
    started.addresses = started.window->findChild<ReportList*>(QString::number(kAddressListId));
    if (!started.groups || !started.addresses) throw std::runtime_error("the window has no group or address list");
    started.firstShown = std::make_unique<FirstShown>(started.window.get(), started.groups);
    started.window->Create();
    started.createdNs = nowNs();
    return started;
}

int bigGroupRow(ReportList* groups) {
    for (int row = 0; row < groups->GetItemCount(); ++row)
        if (groups->GetItemData(row) == kBigGroupId) return row;
    throw std::runtime_error("the big group is not in the group list");
}

// Waits until the process runs no more threads than `threads`: the loader that the last click started has ended,
// whatever it still did after the page (a loader may go on reading once the page has shown). Each click then
// starts from a window at rest, and the peak memory covers all of a load.
void waitForLoaderEnd(long threads) {
    if (!spinUntil([&] { return statusNumber("Threads") <= threads; }, 30'000))
        throw std::runtime_error("a loader thread was still running 30 s after its page had shown");
}

// One real click on the big group's row, and the times until its first row and its whole first page show.
// Reports click_ms (how long the click's handler held the window's thread), first_row_ms and first_page_ms.
void clickBigGroup(StartedWindow& started, ShownRows& shown, TimingApplication& application, const Report& report) {
    QTreeWidgetItem* item = started.groups->topLevelItem(bigGroupRow(started.groups));
    started.groups->scrollToItem(item);
    const QPoint at = started.groups->visualItemRect(item).center();
    QCoreApplication::processEvents(); // nothing of the previous round may be waiting

    shown.arm();
    application.startCounting();
    const std::int64_t clickNs = nowNs();
    QTest::mouseClick(started.groups->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    const std::int64_t returnedNs = nowNs();
    // The click's handler empties the list before it starts the loader; a list not emptied means it did not run.
    if (!shown.cleared()) throw std::runtime_error("the click did not start a load");
    if (!spinUntil([&] { return shown.fullPageNs() != 0; }, 30'000))
        throw std::runtime_error("the first page did not show within 30 s (" +
                                 std::to_string(started.addresses->GetItemCount()) + " rows)");
    application.stopCounting();
    report("click_ms", ms(returnedNs - clickNs));
    report("paints", application.paints());
    report("paint_ms", ms(application.paintNs()));
    report("first_row_ms", ms(shown.firstRowNs() - clickNs));
    report("first_page_ms", ms(shown.fullPageNs() - clickNs));
}

int runChild(int& argc, char** argv, const Options& options) {
    const std::int64_t mainNs = nowNs();
    alarm(300); // a child that hangs must not hold the run for ever
    const Report report(options.reportFd);
    try {
        qInstallMessageHandler(&quietMessages);
        TimingApplication application(argc, argv);
        const std::int64_t applicationNs = nowNs();
        StartedWindow started = startWindow(options, report);
        if (!spinUntil([&] { return started.firstShown->shownNs() != 0; }, 30'000))
            throw std::runtime_error("the window did not show");
        if (started.groups->GetItemCount() != kGroups)
            throw std::runtime_error("the group list holds " + std::to_string(started.groups->GetItemCount()) +
                                     " rows");

        if (options.child == "startup") {
            report("main_ns", static_cast<double>(mainNs));
            report("application_ns", static_cast<double>(applicationNs));
            report("built_ns", static_cast<double>(started.builtNs));
            report("created_ns", static_cast<double>(started.createdNs));
            report("shown_ns", static_cast<double>(started.firstShown->shownNs()));
        } else if (options.child == "click" || options.child == "memory") {
            report("shown_hwm_kb", static_cast<double>(statusNumber("VmHWM")));
            ShownRows shown(started.addresses);
            application.watch(started.addresses->viewport());
            const long threads = statusNumber("Threads");
            const int clicks = options.child == "memory" ? 1 : options.clicks;
            for (int i = 0; i < clicks; ++i) {
                clickBigGroup(started, shown, application, report);
                waitForLoaderEnd(threads);
            }
            if (options.child == "memory") {
                // The whole group comes into memory with the first turn of the page: measure with it there.
                auto* next = started.window->findChild<QWidget*>(QStringLiteral("1020"));
                if (!next) throw std::runtime_error("no next-page button");
                const std::string before = started.addresses->GetItemText(0, 0);
                QTest::mouseClick(next, Qt::LeftButton);
                if (!spinUntil(
                        [&] {
                            return started.addresses->GetItemCount() == kPageRows &&
                                   started.addresses->GetItemText(0, 0) != before;
                        },
                        30'000))
                    throw std::runtime_error("the second page did not show");
                waitForLoaderEnd(threads);
            }
            report("hwm_kb", static_cast<double>(statusNumber("VmHWM")));
            report("rss_kb", static_cast<double>(statusNumber("VmRSS")));
        } else {
            throw std::runtime_error("unknown child " + options.child);
        }
        started.firstShown.reset();
        started.window.reset();
        installPrompts(nullptr);
    } catch (const std::exception& error) {
        report.error(error.what());
        return 1;
    }
    return 0;
}

// ---- The parent -------------------------------------------------------------------------------------------------

struct ChildRun {
    std::int64_t forkNs = 0;
    std::map<std::string, std::vector<double>> values;
};

// Starts this program again as a child of the given kind and collects its report. The time is taken just before
// the fork, so a start-up figure covers the fork, the exec, the dynamic loading and everything after.
ChildRun runChildProcess(const std::string& self, const std::string& kind, const Options& options) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe");
    constexpr int kChildFd = 3;
    std::vector<std::string> arguments = {self, "--child=" + kind, "--book=" + options.book,
                                          "--report-fd=" + std::to_string(kChildFd),
                                          "--clicks=" + std::to_string(options.clicks)};
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    ChildRun run;
    std::fflush(nullptr);
    run.forkNs = nowNs();
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("cannot fork");
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec. dup2 clears close-on-exec on the copy.
        if (::dup2(fds[1], kChildFd) < 0) _exit(126);
        ::execv(self.c_str(), argv.data());
        _exit(127);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }

    std::istringstream lines(text);
    std::string line;
    std::string errors;
    while (std::getline(lines, line)) {
        const auto space = line.find(' ');
        if (space == std::string::npos) continue;
        const std::string key = line.substr(0, space);
        if (key == "error") {
            errors += "\n  " + line.substr(space + 1);
            continue;
        }
        run.values[key].push_back(std::strtod(line.c_str() + space + 1, nullptr));
    }
    if (!errors.empty() || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the " + kind + " child failed (status " + std::to_string(status) + ")" + errors);
    return run;
}

const char* verdict(double value, double target) {
    return value < target ? "met" : "MISSED";
}

void printLine(const char* what, const Stats& s, double target, const char* unit) {
    std::printf("  %-44s median %8.1f  min %8.1f  max %8.1f %s", what, s.median, s.min, s.max, unit);
    if (target > 0) std::printf("   target < %.0f %s: %s", target, unit, verdict(s.median, target));
    std::printf("\n");
}

// Milliseconds between two of a run's time stamps (the fork's when `from` is null).
double between(const ChildRun& run, const char* from, const char* to) {
    const double start = from ? run.values.at(from).at(0) : static_cast<double>(run.forkNs);
    return (run.values.at(to).at(0) - start) / 1e6;
}

void measureFirstPage(const std::string& self, const Options& options) {
    const ChildRun run = runChildProcess(self, "click", options);
    const std::vector<double>& click = run.values.at("click_ms");
    const std::vector<double>& firstRow = run.values.at("first_row_ms");
    const std::vector<double>& firstPage = run.values.at("first_page_ms");
    std::printf("GuiFirstPage: %zu clicks on the group of %d addresses, one process\n", firstRow.size(), kBigGroupSize);
    printLine("click handler (window thread held), ms", stats(click), 0, "ms");
    printLine("click to first row shown, ms", stats(firstRow), kFirstRowTargetMs, "ms");
    printLine("click to whole first page (50 rows), ms", stats(firstPage), kFirstPageTargetMs, "ms");
    const Stats paints = stats(run.values.at("paints"));
    const Stats paintMs = stats(run.values.at("paint_ms"));
    std::printf(
        "  address list painted %.0f times a page (median), %.1f ms of painting a page (median, %.2f ms a row)\n",
        paints.median, paintMs.median, paintMs.median / kPageRows);
    std::printf("  first click of the process: handler %.1f ms, first row %.1f ms, page %.1f ms\n", click.front(),
                firstRow.front(), firstPage.front());
    std::printf("  max against targets: first row %s, page %s\n", verdict(stats(firstRow).max, kFirstRowTargetMs),
                verdict(stats(firstPage).max, kFirstPageTargetMs));
}

void measureStartup(const std::string& self, const Options& options) {
    std::vector<double> total, toMain, application, built, created, shown;
    for (int i = 0; i < options.starts; ++i) {
        const ChildRun run = runChildProcess(self, "startup", options);
        total.push_back(between(run, nullptr, "shown_ns"));
        toMain.push_back(between(run, nullptr, "main_ns"));
        application.push_back(between(run, "main_ns", "application_ns"));
        built.push_back(between(run, "application_ns", "built_ns"));
        created.push_back(between(run, "built_ns", "created_ns"));
        shown.push_back(between(run, "created_ns", "shown_ns"));
    }
    std::printf("GuiStartup: %d fresh processes, from the fork to the window exposed with its %d groups painted\n",
                options.starts, kGroups);
    printLine("start-up, ms", stats(total), kStartupTargetMs, "ms");
    printLine("  fork, exec, dynamic loading to main(), ms", stats(toMain), 0, "ms");
    printLine("  QApplication (platform plugin), ms", stats(application), 0, "ms");
    printLine("  window built from its template, ms", stats(built), 0, "ms");
    printLine("  book opened, lists filled, show(), ms", stats(created), 0, "ms");
    printLine("  to exposed and painted, ms", stats(shown), 0, "ms");
    std::printf("  first start-up of the run: %.1f ms\n", total.front());
}

void measurePeakMemory(const std::string& self, const Options& options) {
    const ChildRun run = runChildProcess(self, "memory", options);
    const double shown = run.values.at("shown_hwm_kb").at(0) / 1024;
    const double peak = run.values.at("hwm_kb").at(0) / 1024;
    const double rss = run.values.at("rss_kb").at(0) / 1024;
    std::printf("GuiPeakMemory: one process, window started, then the group of %d loaded, its first and second pages"
                " shown\n",
                kBigGroupSize);
    std::printf("  VmHWM with the window shown             %8.1f MB\n", shown);
    std::printf("  VmHWM with the whole group in memory    %8.1f MB   target < %.0f MB: %s\n", peak,
                kPeakMemoryTargetMb, verdict(peak, kPeakMemoryTargetMb));
    std::printf("  VmRSS then                              %8.1f MB\n", rss);
}

int runParent(Options options) {
    struct Measurement {
        const char* name;
        void (*run)(const std::string&, const Options&);
    };
    const Measurement measurements[] = {
        {"GuiStartup", &measureStartup},
        {"GuiFirstPage", &measureFirstPage},
        {"GuiPeakMemory", &measurePeakMemory},
    };
    std::vector<const Measurement*> chosen;
    for (const Measurement& m : measurements)
        if (!options.filter || std::regex_search(m.name, *options.filter)) chosen.push_back(&m);
    if (options.listOnly) {
        for (const Measurement* m : chosen)
            std::printf("%s\n", m->name);
        return 0;
    }
    if (chosen.empty()) return 0;

    const std::string self = fs::read_symlink("/proc/self/exe").string();
    BenchFolder folder("guibench", options.book);
    options.book = folder.path();
    if (!fs::exists(databaseFilePath(folder.path()))) {
        const auto start = Clock::now();
        buildBook(folder.path());
        std::printf("gui_bench: built a book of %d addresses in %d groups (one of %d) in %.1f s\n", kAddresses, kGroups,
                    kBigGroupSize, std::chrono::duration<double>(Clock::now() - start).count());
    }
    // Figures mean little without the machine's state: other work on the cores shows in the load average.
    std::string load;
    std::getline(std::ifstream("/proc/loadavg"), load);
    std::printf("gui_bench: book %s, platform %s, %ld cores online, load average %s\n",
                databaseFilePath(folder.path()).c_str(), std::getenv("QT_QPA_PLATFORM"), sysconf(_SC_NPROCESSORS_ONLN),
                load.substr(0, load.find(' ', load.find(' ', load.find(' ') + 1) + 1)).c_str());
    std::fflush(stdout);
    for (const Measurement* m : chosen) {
        m->run(self, options);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // No display is needed: the offscreen platform draws into memory, which is what a benchmark wants.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    try {
        const Options options = parseOptions(argc, argv);
        if (!options.child.empty()) return runChild(argc, argv, options);
        return runParent(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "gui_bench: %s\n", error.what());
        return 1;
    }
}
