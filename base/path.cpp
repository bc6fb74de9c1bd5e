#include "base/path.h"

#include <cctype>

bool IsPathSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/' || c == ':';
#else
    return c == '/';
#endif
}

namespace {
size_t NameStart(const std::string& path) {
    size_t i = path.size();
    while (i > 0 && !IsPathSeparator(path[i - 1])) --i;
    return i;
}
}  // namespace

std::string PathFileName(const std::string& path) {
    return path.substr(NameStart(path));
}

std::string PathFolder(const std::string& path) {
    return path.substr(0, NameStart(path));
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (IsPathSeparator(folder.back())) return folder + name;
#ifdef _WIN32
    return folder + "\\" + name;
#else
    return folder + "/" + name;
#endif
}

bool HasExtension(const std::string& name, const std::string& ext) {
    if (name.size() < ext.size()) return false;
    size_t off = name.size() - ext.size();
    for (size_t i = 0; i < ext.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(name[off + i])) !=
            std::tolower(static_cast<unsigned char>(ext[i])))
            return false;
    }
    return true;
}
