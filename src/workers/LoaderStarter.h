// Starts the group and page loaders for a window, one at a time: a new request first stops the running loader and
// waits for its end, so no loader ever sees the cache emptied under it and no row of an earlier request reaches
// the window after a later one has started.
#pragma once

#include <cstdint>
#include <memory>
#include <thread>

class AddressBook;
class NoticeTarget;

class LoaderStarter {
public:
    LoaderStarter(AddressBook& book, std::shared_ptr<NoticeTarget> target);
    // Stops the running loader and waits for its end.
    ~LoaderStarter();
    LoaderStarter(const LoaderStarter&) = delete;
    LoaderStarter& operator=(const LoaderStarter&) = delete;

    // Each returns once the new loader has taken its argument (the group loader: once it has read the group's count
    // and first page), or at once when no thread could be started.
    void startGroupLoader(std::int64_t groupId);
    void startPageLoader(int page);

    // Asks the running loader, if any, to stop before its next notice and waits until it has ended. Its notices
    // still waiting for the window are dropped.
    void stop();

private:
    using ThreadProcedure = int (*)(AddressBook&, const char*, NoticeTarget&, std::stop_token);
    void start(ThreadProcedure procedure, std::int64_t number);

    AddressBook& m_book;
    std::shared_ptr<NoticeTarget> m_target;
    std::jthread m_thread;
};
