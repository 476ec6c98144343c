// The duplicate filter through its real dialog on the offscreen platform (unless QT_QPA_PLATFORM names another):
// 1,000,000 input lines checked against a group of 100,000 in a book of 1,000,000 addresses, a check per line
// and the status line moving as it goes, as the user runs it; and grep -Fvxf on the same files in the same run, for
// scale. Prints lines per second; a plain program, since one run takes many seconds.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "dialogs/CDlgFilter.h"
#include "platform/OdbcConnection.h"
#include "platform/StartDirectory.h"
#include "store/AddressStore.h"
#include "store/DatabaseFile.h"
#include "support/BenchBook.h"
#include "support/BenchFolder.h"
#include "support/Grep.h"
#include "tools/CreateDatabase.h"
#include "ui/UserPrompts.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kBookRows = 1'000'000;
constexpr int kGroupEvery = 10; // group 1 holds every tenth address: 100,000
constexpr int kInputLines = 1'000'000;
constexpr double kTargetLinesPerSecond = 50'000;

// No message box may block a measured run; one that shows is a failure.
class FailingPrompts final : public UserPrompts {
public:
    PromptAnswer showMessage(QWidget*, const QString& text, const QString&, PromptIcon, PromptButtons) override {
        std::fprintf(stderr, "filter_dialog_bench: message box: %s\n", qPrintable(text));
        std::exit(1);
    }
    bool openInBrowser(const std::string&) override { return false; }
    std::optional<std::string> chooseFile(QWidget*, const FileChooser&) override { return std::nullopt; }
};

// The input: user0 ... user999999, so one line in ten is in the group and is dropped; and the group's own list
// for grep.
void writeFiles(const std::string& input, const std::string& groupList) {
    std::ofstream in(input, std::ios::binary);
    std::ofstream group(groupList, std::ios::binary);
    for (int i = 0; i < kInputLines; ++i) {
        const std::string line = "user" + std::to_string(i) + "@example.com";
        in << line << '\n'; // grep's line ends must match the group list's
        if (i % kGroupEvery == 0) group << line << '\n';
    }
}

double seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    installPrompts(std::make_unique<FailingPrompts>());

    const BenchFolder work("filterbench");
    const std::string& folder = work.path();
    const std::string input = folder + "/input.txt";
    const std::string groupList = folder + "/group.txt";
    const std::string output = folder + "/output.txt";
    const std::string grepOutput = folder + "/grep.txt";
    // Group 1 holds every tenth address: 100,000 of the million.
    buildBook(folder, kBookRows, "case when i % " + std::to_string(kGroupEvery) + " = 0 then 1 else 2 + i % 7 end",
              "''");
    writeFiles(input, groupList);
    if (!AddressStore::instance().OpenDatabase(folder)) return 1;
    captureStartDirectory();

    // Through the dialog: a real click on the start button, then the event loop until it is enabled again.
    CDlgFilter dialog(AddressStore::instance());
    dialog.m_nGroupId = 1;
    dialog.m_strGroupName = "big";
    dialog.m_strInputPath = input;
    dialog.m_strOutputPath = output;
    dialog.Create();
    if (!QTest::qWaitForWindowExposed(&dialog)) return 1;
    auto* start = dialog.findChild<QPushButton*>(QStringLiteral("1007"));
    const auto began = Clock::now();
    QTest::mouseClick(start, Qt::LeftButton);
    while (!start->isEnabled())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double dialogSeconds = seconds(Clock::now() - began);
    const auto kept = fs::file_size(output);

    const GrepRun grep = runGrepFvxf(groupList, input, grepOutput);
    const double grepSeconds = grep.seconds;

    const double rate = kInputLines / dialogSeconds;
    std::printf("FilterThroughDialog: %d lines against a group of %d in a book of %d\n", kInputLines,
                kBookRows / kGroupEvery, kBookRows);
    std::printf("  through the dialog   %7.2f s  %9.0f lines/s   target >= %.0f: %s\n", dialogSeconds, rate,
                kTargetLinesPerSecond, rate >= kTargetLinesPerSecond ? "met" : "MISSED");
    std::printf("  grep -Fvxf           %7.2f s  %9.0f lines/s   (exit %d)\n", grepSeconds, kInputLines / grepSeconds,
                grep.exitStatus);
    std::printf("  dialog / grep time   %7.1f x\n", dialogSeconds / grepSeconds);
    std::printf("  lines kept: dialog %zu, grep %zu (output %llu bytes); status line shows \"%s\"\n",
                countLines(output), countLines(grepOutput), static_cast<unsigned long long>(kept),
                qPrintable(dialog.findChild<QLineEdit*>(QStringLiteral("1008"))->text()));
    dialog.close();
    AddressStore::instance().closeDatabase();
    installPrompts(nullptr);
    return 0;
}
