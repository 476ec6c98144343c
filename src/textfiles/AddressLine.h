// How every reader of address files takes a line (the import, the list tools, the address editor, the command
// line): trimmed of blanks at both ends, and an address when it is 1 to 254 bytes long and the e-mail check takes it.
#pragma once

#include <cstddef>
#include <string_view>

// The longest address stored: what a mail system accepts (RFC 5321's path of 256 less the angle brackets).
inline constexpr std::size_t kLongestAddress = 254;

// `text` without spaces, tabs, CR, LF, VT and FF at either end.
std::string_view trimBlanks(std::string_view text);
// Whether `text`, as it stands (trim it first), is an address that the import would store.
bool isStorableAddress(std::string_view text);
