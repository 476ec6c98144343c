#include "textfiles/TextFileName.h"

#include <sys/stat.h>

std::string withTxtExtension(const std::string& path) {
    if (path.find(".txt") != std::string::npos) return path;
    return path + ".txt";
}

bool pathExists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}
