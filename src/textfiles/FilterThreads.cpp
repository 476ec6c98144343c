// Tested by tests/gui/FilterDialogTest.cpp.
#include "textfiles/FilterThreads.h"

#include <iostream>
#include <system_error>

#include "textfiles/FilterWorker.h"

FilterThreads g_hFilterThread;

FilterThreads::~FilterThreads() {
    stopAll();
}

bool FilterThreads::start(const FilterJob* job) {
    std::lock_guard lock(m_mutex);
    // Workers that have ended need no place any more; a running one is never waited for here.
    std::erase_if(m_workers, [](Worker& worker) {
        if (!worker.finished->load()) return false;
        worker.thread.join();
        return true;
    });
    auto finished = std::make_shared<std::atomic<bool>>(false);
    try {
        std::jthread thread([job, finished](std::stop_token stop) {
            FilterWorkerThread(job, stop);
            finished->store(true);
        });
        m_workers.push_back({std::move(thread), std::move(finished), job->strOutputPath});
    } catch (const std::system_error& error) {
        std::cerr << "Corvane: cannot start the filter: " << error.what() << '\n';
        return false;
    }
    return true;
}

void FilterThreads::stopLast() {
    Worker last;
    {
        std::lock_guard lock(m_mutex);
        if (m_workers.empty()) return;
        last = std::move(m_workers.back());
        m_workers.pop_back();
    }
    last.thread.request_stop();
    last.thread.join();
}

std::vector<std::string> FilterThreads::runningOutputs() {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> outputs;
    for (const Worker& worker : m_workers)
        if (!worker.finished->load()) outputs.push_back(worker.output);
    return outputs;
}

void FilterThreads::stopAll() {
    std::vector<Worker> all;
    {
        std::lock_guard lock(m_mutex);
        all.swap(m_workers);
    }
    for (Worker& worker : all)
        worker.thread.request_stop();
    for (Worker& worker : all)
        worker.thread.join();
}
