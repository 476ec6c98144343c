#include "textfiles/TextFileName.h"

#include <sys/stat.h>

std::string WithTxtExtension(const std::string& path) {
    if (path.find(".txt") != std::string::npos) return path;
    return path + ".txt";
}

bool PathExists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}
