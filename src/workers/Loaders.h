// The two loaders that fill the main window's address list a page at a time: the group loader reads a group's
// count and first page and sends them; the page loader sends another page of the group from the GroupCache, which
// it fills with the whole group the first time a page of that group is asked for.
#pragma once

#include <atomic>
#include <stop_token>

class AddressBook;
class NoticeTarget;

inline constexpr int PAGE_SIZE = 50;

// Set by a loader once it no longer needs its argument (the group loader: once it has the group's count and first
// page). The starter
// waits for it; a loader sets it before its first notice, so the starter never holds up a notice.
extern std::atomic<int> g_bArgTaken;

// Thread procedures on `book`. `argument` is a decimal number in text: the group id (64-bit), or the page index. Each
// returns 0. A loader asked to stop ends before its next notice; every notice goes to `target`.
int GroupLoaderThread(AddressBook& book, const char* argument, NoticeTarget& target, std::stop_token stop);
int PageLoaderThread(AddressBook& book, const char* argument, NoticeTarget& target, std::stop_token stop);
