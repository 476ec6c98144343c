// The double-byte rule of code page 936 (GBK): a lead byte 0x81-0xFE and the byte after it form one character,
// and that second byte can look like ASCII ("|", "@", "\\" ...). Searches must step over whole characters.
#pragma once

#include <cstddef>
#include <string_view>

inline bool isCp936LeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

// Position of the first `needle` in `text` at or after `from` that starts on a character boundary, or npos.
// `from` must itself be on a character boundary. An empty needle is never found.
std::size_t findCp936(std::string_view text, std::string_view needle, std::size_t from = 0);

// Position of the first byte of `text` that does not begin a well-formed GBK character, or npos when every byte
// does: an ASCII byte (0x00-0x7F) alone, or a lead byte followed by a trail byte (0x40-0x7E or 0x80-0xFE). A lead
// byte at the end, a lead byte before a byte that cannot follow it, and the bytes 0x80 and 0xFF are not. (Being
// well formed does not make a character assigned: some well-formed pairs name no character at all.)
std::size_t findMalformedCp936(std::string_view text);
