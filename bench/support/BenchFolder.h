// A folder for one benchmark run: a fresh one under the temporary folder, removed at the end, or a folder the caller
// names and keeps.
#pragma once

#include <string>

class BenchFolder {
public:
    // `kept` empty: a fresh temporary folder named after `purpose`, removed by the destructor. Otherwise that
    // folder, made if missing and kept.
    explicit BenchFolder(const std::string& purpose = "bench", std::string kept = {});
    ~BenchFolder();
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    bool m_remove = false;
};
