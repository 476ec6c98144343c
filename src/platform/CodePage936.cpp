#include "platform/CodePage936.h"

std::size_t findCp936(std::string_view text, std::string_view needle, std::size_t from) {
    if (needle.empty()) return std::string_view::npos;
    std::size_t i = from;
    while (i < text.size()) {
        if (text.compare(i, needle.size(), needle) == 0) return i;
        // A lead byte at the very end has no second half: it is a character of its own.
        i += isCp936LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    }
    return std::string_view::npos;
}

std::size_t findMalformedCp936(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            ++i;
            continue;
        }
        if (!isCp936LeadByte(byte) || i + 1 == text.size()) return i;
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return i;
        i += 2;
    }
    return std::string_view::npos;
}
