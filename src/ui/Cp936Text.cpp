// Conversion between CP936 bytes and Qt's Unicode strings with glibc's iconv.
// Tested by tests/gui/BuilderTest.cpp and tests/gui/AddressPanelTest.cpp.
#include "ui/Cp936Text.h"

#include <cerrno>
#include <stdexcept>

#include <iconv.h>

#include <QByteArray>

namespace {

// One iconv conversion descriptor, closed with its owner. Each thread keeps its own, since a descriptor carries
// state between calls.
class Converter {
public:
    Converter(const char* to, const char* from) : m_handle(iconv_open(to, from)) {
        if (m_handle == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
    }
    ~Converter() { iconv_close(m_handle); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `input`. On a sequence it cannot convert it stops there and returns false, with `input` advanced to
    // that sequence; `output` holds everything converted before it.
    bool convert(std::string_view& input, std::string& output) {
        iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
        char buffer[4096];
        while (!input.empty()) {
            char* in = const_cast<char*>(input.data());
            std::size_t inLeft = input.size();
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = iconv(m_handle, &in, &inLeft, &out, &outLeft);
            const int error = errno;
            output.append(buffer, out);
            input.remove_prefix(input.size() - inLeft);
            if (result == static_cast<std::size_t>(-1) && error != E2BIG) return false;
        }
        // Flush whatever shift state the converter holds (none for these encodings, but it costs nothing).
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        iconv(m_handle, nullptr, nullptr, &out, &outLeft);
        output.append(buffer, out);
        return true;
    }

private:
    iconv_t m_handle;
};

Converter& decoder() {
    thread_local Converter converter("UTF-8", "CP936");
    return converter;
}

Converter& encoder() {
    thread_local Converter converter("CP936", "UTF-8");
    return converter;
}

} // namespace

QString fromCp936(std::string_view bytes) {
    std::string utf8;
    utf8.reserve(bytes.size() * 3 / 2);
    while (!decoder().convert(bytes, utf8)) {
        // An invalid or cut-off character: show one replacement mark for its first byte and go on after it.
        utf8 += "\xEF\xBF\xBD";
        bytes.remove_prefix(1);
    }
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::optional<std::string> toCp936(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::string_view input(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    std::string bytes;
    if (!encoder().convert(input, bytes)) return std::nullopt;
    return bytes;
}

std::string cp936(const QString& text) {
    if (std::optional<std::string> bytes = toCp936(text)) return *bytes;
    QString safe;
    for (const QChar character : text)
        safe += toCp936(QString(character)) ? character : QLatin1Char('?');
    return toCp936(safe).value_or(std::string());
}
