// The filter workers of the process. A run may outlive the dialog that started it (closed with its button or
// Escape), so the threads belong to the process: the one started last can be stopped by its dialog, and all are
// stopped and waited for before the program ends.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct FilterJob;

class FilterThreads {
public:
    FilterThreads() = default;
    ~FilterThreads();
    FilterThreads(const FilterThreads&) = delete;
    FilterThreads& operator=(const FilterThreads&) = delete;

    // Starts FilterWorkerThread on `job` (which must live until the worker has copied it). False when no thread
    // could be started.
    bool start(const FilterJob* job);
    // Asks the worker started last to stop before its next line, and waits for its end.
    void stopLast();
    // Stops every worker and waits for them all.
    void stopAll();
    // The output files of the runs still going: stopped now, each would be left incomplete.
    std::vector<std::string> runningOutputs();

private:
    struct Worker {
        std::jthread thread;
        std::shared_ptr<std::atomic<bool>> finished;
        std::string output;
    };

    std::mutex m_mutex;
    std::vector<Worker> m_workers; // the one started last at the end
};

// The filter workers of the process.
extern FilterThreads g_hFilterThread;
