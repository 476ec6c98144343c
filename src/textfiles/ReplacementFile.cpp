// Tested by tests/gui/TextFilesTest.cpp.
#include "textfiles/ReplacementFile.h"

#include <cerrno>
#include <cstdio>
#include <random>

#include <unistd.h>

ReplacementFile::~ReplacementFile() {
    discard();
}

bool ReplacementFile::create(const std::string& destination) {
    discard();
    m_error = 0;
    m_destination = destination;
    // A hidden name in the same folder, so that the final rename never crosses file systems.
    const std::size_t slash = destination.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : destination.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? destination : destination.substr(slash + 1);
    std::random_device random;
    for (int attempt = 0; attempt < 10; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(random()));
        const std::string candidate = folder + "." + name + suffix + ".part";
        if (m_file.create(candidate, OutputFile::Existing::kRefuse)) {
            m_temporary = candidate;
            return true;
        }
        m_error = m_file.error();
        if (m_error != EEXIST) return false;
    }
    return false;
}

bool ReplacementFile::write(std::string_view bytes) {
    if (m_temporary.empty()) return false;
    if (m_file.write(bytes)) return true;
    if (m_error == 0) m_error = m_file.error();
    return false;
}

bool ReplacementFile::commit() {
    if (m_temporary.empty()) return false;
    const bool written = m_file.close(OutputFile::Sync::kToDisk);
    if (!written) {
        if (m_error == 0) m_error = m_file.error();
        discard();
        return false;
    }
    if (::rename(m_temporary.c_str(), m_destination.c_str()) != 0) {
        m_error = errno;
        discard();
        return false;
    }
    m_temporary.clear();
    return true;
}

void ReplacementFile::discard() {
    if (m_temporary.empty()) return;
    m_file.close();
    ::unlink(m_temporary.c_str());
    m_temporary.clear();
}
