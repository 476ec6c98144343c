// The address book the program works on: the store with its one connection, and the cache of the group loaded last
// with that group's id. The application makes it once and hands it by reference to the main window, its dialogs
// and the workers; a test makes a book of its own.
#pragma once

#include "store/AddressStore.h"
#include "store/GroupCache.h"

class AddressBook {
public:
    AddressBook() = default;
    AddressBook(const AddressBook&) = delete;
    AddressBook& operator=(const AddressBook&) = delete;

    AddressStore& store() noexcept { return m_store; }
    // The addresses of the group loaded last, read a page at a time by the loaders.
    SharedAddressList& groupCache() noexcept { return m_groupCache; }

    // The program's book, the one the application hands to its window. AddressStore::instance() and GroupCache
    // lead to it, so that the process-wide connection and cache still exist for code that is handed no book.
    static AddressBook& program();

private:
    AddressStore m_store;
    SharedAddressList m_groupCache;
};

// The program's group cache (AddressBook::program().groupCache()).
extern SharedAddressList& GroupCache;
