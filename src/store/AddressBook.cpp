#include "store/AddressBook.h"

AddressBook& AddressBook::program() {
    static AddressBook book;
    return book;
}

SharedAddressList& GroupCache = AddressBook::program().groupCache();
