// Tested by tests/cli/CliTest.cpp.
#include "cli/Progress.h"

#include <atomic>
#include <chrono>
#include <ostream>
#include <thread>

#include "cli/CliContext.h"

void runShowingProgress(CliContext& context, const std::function<void()>& work,
                        const std::function<std::string()>& describe) {
    if (!context.progress) return work();
    std::atomic<bool> done{false};
    std::jthread worker([&] {
        work();
        done.store(true);
    });
    bool shown = false;
    auto last = std::chrono::steady_clock::now();
    while (!done.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (std::chrono::steady_clock::now() - last < std::chrono::milliseconds(250)) continue;
        last = std::chrono::steady_clock::now();
        context.err << '\r' << describe() << "\033[K" << std::flush;
        shown = true;
    }
    worker.join();
    if (shown) context.err << "\r\033[K" << std::flush;
}
