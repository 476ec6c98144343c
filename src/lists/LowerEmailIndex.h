// The index on the lowered e-mail text, which finds an address whatever its letter case in the time a lookup by
// its exact text takes. Fresh books have it; a book made before it gets it the first time a list tool needs it.
#pragma once

#include <atomic>
#include <string>

class AddressStore;

struct LowerEmailIndex {
    bool made = false;   // this call built it (the book had none)
    std::string failure; // it could not be made (the searches still run, by reading every row); empty otherwise
};

// Makes the index unless the book has it. Building it reads every row once (seconds on a million) under the
// database's write lock: `building` turns true just before, so that a window can say why it waits.
// \throws DatabaseError when no book is open or the check fails.
LowerEmailIndex ensureLowerEmailIndex(AddressStore& store, std::atomic<bool>* building = nullptr);
// The same for the index on the lowered name, which the searches of names equal to or starting with a text use.
LowerEmailIndex ensureLowerNameIndex(AddressStore& store, std::atomic<bool>* building = nullptr);
