// Tested by tests/workers/LoaderTest.cpp.
#include "workers/LoaderStarter.h"

#include <array>
#include <cstdio>
#include <iostream>
#include <system_error>
#include <utility>

#include "workers/Loaders.h"
#include "workers/NoticeTarget.h"

LoaderStarter::LoaderStarter(AddressBook& book, std::shared_ptr<NoticeTarget> target)
    : m_book(book), m_target(std::move(target)) {}

LoaderStarter::~LoaderStarter() {
    stop();
}

void LoaderStarter::stop() {
    if (!m_thread.joinable()) return;
    m_thread.request_stop();
    m_thread.join();
}

void LoaderStarter::startGroupLoader(std::int64_t groupId) {
    start(&GroupLoaderThread, groupId);
}

void LoaderStarter::startPageLoader(int page) {
    start(&PageLoaderThread, page);
}

void LoaderStarter::start(ThreadProcedure procedure, std::int64_t number) {
    stop();
    // The argument travels as decimal text; the loader reads it before it sets the flag, after which it is freed.
    auto argument = std::make_unique<std::array<char, 256>>();
    std::snprintf(argument->data(), argument->size(), "%lld", static_cast<long long>(number));
    g_bArgTaken.store(0);
    try {
        m_thread = std::jthread([procedure, &book = m_book, text = argument->data(),
                                 target = m_target](std::stop_token stop) { procedure(book, text, *target, stop); });

    } catch (const std::system_error& error) {
        std::cerr << "Corvane: cannot start a loader thread: " << error.what() << '\n';
        return;
    }
    while (g_bArgTaken.load() == 0)
        g_bArgTaken.wait(0);
}
