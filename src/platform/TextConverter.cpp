// Tested by tests/lists/GroupExportTest.cpp, tests/lists/NamedImportTest.cpp.
#include "platform/TextConverter.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <iconv.h>

namespace {

iconv_t handleOf(void* handle) {
    return static_cast<iconv_t>(handle);
}

} // namespace

bool isAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

TextConverter::TextConverter(const char* to, const char* from) {
    const iconv_t handle = iconv_open(to, from);
    if (handle == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("No conversion from ") + from + " to " + to + ": " + std::strerror(errno));
    m_handle = handle;
}

TextConverter::~TextConverter() {
    iconv_close(handleOf(m_handle));
}

std::size_t TextConverter::convertSome(std::string_view in, std::string& out, bool& failed) {
    failed = false;
    char* source = const_cast<char*>(in.data());
    std::size_t sourceLeft = in.size();
    while (sourceLeft > 0) {
        // Every character of these encodings takes at most four bytes in the target.
        const std::size_t room = 4 * sourceLeft + 16;
        const std::size_t used = out.size();
        out.resize(used + room);
        char* target = out.data() + used;
        std::size_t targetLeft = room;
        const std::size_t result = iconv(handleOf(m_handle), &source, &sourceLeft, &target, &targetLeft);
        out.resize(used + (room - targetLeft));
        if (result != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) continue;
        failed = true; // EILSEQ: not convertible; EINVAL: cut short at the end
        break;
    }
    return in.size() - sourceLeft;
}

bool TextConverter::convert(std::string_view text, std::string& out) {
    out.clear();
    if (isAscii(text)) {
        out.assign(text);
        return true;
    }
    iconv(handleOf(m_handle), nullptr, nullptr, nullptr, nullptr); // a fresh shift state for each text
    bool failed = false;
    convertSome(text, out, failed);
    return !failed;
}

bool TextConverter::convertReplacing(std::string_view text, std::string& out, std::string_view replacement) {
    out.clear();
    if (isAscii(text)) {
        out.assign(text);
        return true;
    }
    iconv(handleOf(m_handle), nullptr, nullptr, nullptr, nullptr);
    bool whole = true;
    while (!text.empty()) {
        bool failed = false;
        text.remove_prefix(convertSome(text, out, failed));
        if (!failed) break;
        // The sequence at fault goes as one byte; the next byte may start a good one.
        whole = false;
        out += replacement;
        text.remove_prefix(1);
        iconv(handleOf(m_handle), nullptr, nullptr, nullptr, nullptr);
    }
    return whole;
}

bool isWellFormedUtf8(std::string_view text, bool mayBeCut) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;  // overlong
            if (lead == 0xED) high = 0x9F; // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if (i + k >= size) return mayBeCut;
            const unsigned char next = bytes[i + k];
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
        }
        i += length;
    }
    return true;
}
