#include <windows.h>

#include <cerrno>

#include "base/files.h"
#include "base/path.h"
#include "base/pending_file.h"

namespace {

// The errno value nearest to a system error code, so that one record of the reason serves
// both platforms.
int ErrnoOf(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_DIRECTORY:  // what GetTempFileName says of a folder that is not there
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return EACCES;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BUFFER_OVERFLOW:
            return ENAMETOOLONG;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        default:
            return EIO;
    }
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    char fa[MAX_PATH], fb[MAX_PATH];
    DWORD na = GetFullPathNameA(a.c_str(), MAX_PATH, fa, nullptr);
    DWORD nb = GetFullPathNameA(b.c_str(), MAX_PATH, fb, nullptr);
    if (na == 0 || na >= MAX_PATH || nb == 0 || nb >= MAX_PATH) return false;
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, fa, -1, fb, -1) == CSTR_EQUAL;
}

bool ResolveWriteTarget(const std::string& target, std::string* resolved) {
    *resolved = target;
    return true;
}

bool IsSpecialFile(const std::string&) {
    return false;
}

std::FILE* CreateStandInFor(const std::string&, std::string* name) {
    name->clear();
    errno = ENOENT;
    return nullptr;
}

std::FILE* OpenSpecialForWriting(const std::string&) {
    errno = ENOENT;
    return nullptr;
}

std::FILE* OpenRegularFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

std::FILE* CreateFileBeside(const std::string& target, std::string* name) {
    name->clear();
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            errno = EISDIR;
            return nullptr;
        }
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            errno = EACCES;
            return nullptr;
        }
    }
    std::string folder = PathFolder(target);
    if (folder.empty()) folder = ".";
    // The system's own temporary names, made in the target's folder.
    char buf[MAX_PATH];
    if (GetTempFileNameA(folder.c_str(), "ZEK", 0, buf) == 0) {
        errno = ErrnoOf(GetLastError());
        return nullptr;
    }
    std::FILE* f = std::fopen(buf, "wb");
    if (!f) {
        const int error = errno;
        DeleteFileA(buf);
        errno = error;
        return nullptr;
    }
    *name = buf;
    return f;
}

bool ReplaceFileWith(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    errno = ErrnoOf(GetLastError());
    return false;
}

bool RemoveFile(const std::string& path) {
    if (DeleteFileA(path.c_str())) return true;
    errno = ErrnoOf(GetLastError());
    return false;
}
