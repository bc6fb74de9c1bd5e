#include "base/path.h"

#include <cctype>

#include "base/dir.h"

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

bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

namespace {
// Whether the last byte of text is the second byte of a double-byte character.
bool LastByteIsTrail(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
            if (i + 1 == text.size() - 1) return true;
            i += 2;
        } else {
            ++i;
        }
    }
    return false;
}
}  // namespace

std::string FolderWithSeparator(const std::string& folder) {
    if (!folder.empty()) {
        const char last = folder.back();
        if (last == '/') return folder;
        if (last == '\\' && !LastByteIsTrail(folder)) return folder;
    }
    return folder + PathSeparator();
}

std::vector<std::string> FilesOfOpenResult(const char* buffer, size_t size) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < size && buffer[i] != '\0') {
        size_t end = i;
        while (end < size && buffer[end] != '\0') ++end;
        parts.emplace_back(buffer + i, end - i);
        i = end + 1;
    }
    if (parts.size() <= 1) return parts;
    std::vector<std::string> files;
    const std::string folder = FolderWithSeparator(parts[0]);
    for (size_t k = 1; k < parts.size(); ++k) files.push_back(folder + parts[k]);
    return files;
}
