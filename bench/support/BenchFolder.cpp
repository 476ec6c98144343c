#include "support/BenchFolder.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

BenchFolder::BenchFolder(const std::string& purpose, std::string kept) : m_path(std::move(kept)) {
    if (!m_path.empty()) {
        fs::create_directories(m_path);
        m_path = fs::absolute(m_path).string();
        return;
    }
    std::string pattern = (fs::temp_directory_path() / ("corvane-" + purpose + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    m_path = pattern;
    m_remove = true;
}

BenchFolder::~BenchFolder() {
    if (!m_remove) return;
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}
