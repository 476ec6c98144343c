// The import as the window runs it, on the offscreen platform (unless QT_QPA_PLATFORM names another): 2,000,000
// new addresses into a group of a book of 1,000,000, through the worker and its progress dialog. A timer on the
// window's thread ticks every 5 ms meanwhile; the longest gap between two ticks is the longest time the window
// could not have answered a user. Prints lines per second and that gap; a plain program, since one run takes
// many seconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include "app/ImportInBackground.h"
#include "store/AddressStore.h"
#include "support/BenchBook.h"
#include "support/BenchFolder.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBookRows = 1'000'000;
constexpr int kImportLines = 2'000'000;
constexpr std::chrono::milliseconds kTick{5};
constexpr double kLongestGapTargetMs = 100;

double milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);

    const BenchFolder work("importbench");
    const std::string& folder = work.path();
    buildBook(folder, kBookRows, "1 + i % 10", "''");
    const std::string input = folder + "/input.txt";
    {
        std::ofstream out(input, std::ios::binary);
        for (int i = 0; i < kImportLines; ++i)
            out << "new" << i << "@example.com\r\n";
    }
    AddressStore store;
    if (!store.OpenDatabase(folder)) return 1;

    QWidget window;
    window.resize(800, 600);
    window.show();
    Clock::time_point lastTick = Clock::now();
    Clock::duration longestGap{};
    bool dialogShown = false;
    QTimer ticker;
    ticker.setInterval(kTick);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
        dialogShown = dialogShown || qobject_cast<QDialog*>(QApplication::activeModalWidget()) != nullptr;
    });
    ticker.start();
    application.processEvents();

    const Clock::time_point began = Clock::now();
    lastTick = began;
    const ImportResult result = importInBackground(&window, store, input, 11);
    const double seconds = milliseconds(Clock::now() - began) / 1000;
    ticker.stop();

    const double gapMs = milliseconds(longestGap);
    std::printf("ImportThroughWindow: %d new lines into a book of %d\n", kImportLines, kBookRows);
    std::printf("  import            %7.2f s  %9.0f lines/s  stored %zu%s\n", seconds, kImportLines / seconds,
                result.stored, result.failure.empty() ? "" : ("  failure: " + result.failure).c_str());
    std::printf("  progress dialog   %s\n", dialogShown ? "shown" : "NOT SHOWN");
    std::printf("  longest gap between the window's 5 ms ticks  %6.1f ms   target < %.0f: %s\n", gapMs,
                kLongestGapTargetMs, gapMs < kLongestGapTargetMs ? "met" : "MISSED");
    store.closeDatabase();
    return result.stored == static_cast<std::size_t>(kImportLines) ? 0 : 1;
}
