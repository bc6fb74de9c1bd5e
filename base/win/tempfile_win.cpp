// Windows: the system's own temporary-file calls, so the names are the ones Windows users see.
#include <windows.h>

#include "base/tempfile.h"

std::string TempFolder() {
    char dir[MAX_PATH + 1];
    DWORD n = GetTempPathA(MAX_PATH, dir);
    if (n == 0 || n > MAX_PATH) return std::string();
    return std::string(dir, n);
}

bool MakeTempFileName(std::string* name) {
    name->clear();
    std::string dir = TempFolder();
    if (dir.empty()) return false;
    char buf[MAX_PATH];
    if (GetTempFileNameA(dir.c_str(), "ZEK", 0, buf) == 0) return false;
    *name = buf;
    return true;
}

void DeleteTempFile(std::string* name) {
    if (!name->empty()) DeleteFileA(name->c_str());
    name->clear();
}
