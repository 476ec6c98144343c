// What every corvane-cli command works with: the open book, the output's form, and the conversions between the
// store's code page and the terminal's encoding (or UTF-8, for JSON).
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "platform/TextConverter.h"

class AddressStore;

class CliContext {
public:
    CliContext(AddressStore& store, bool json, std::ostream& out, std::ostream& err);

    AddressStore& store;
    const bool json;     // --json: one JSON object per run, or JSON lines for lists
    const bool progress; // standard error is a terminal: progress goes there
    std::ostream& out;
    std::ostream& err;

    // A stored text (CP936) for the terminal; bytes that do not convert show as "?".
    std::string shown(std::string_view stored) const;
    // A stored text as UTF-8, for JSON.
    std::string utf8(std::string_view stored) const;
    // A typed text (terminal encoding) as the store keeps it; nothing when the code page cannot hold it.
    std::optional<std::string> storable(std::string_view typed) const;

private:
    // iconv keeps a state while it converts: one converter per direction, used by one thread.
    mutable TextConverter m_toTerminal;
    mutable TextConverter m_toUtf8;
    mutable TextConverter m_toStore;
};

// The encoding of the terminal and of command-line arguments, from the locale (after setlocale(LC_ALL, "")).
std::string localeEncoding();
