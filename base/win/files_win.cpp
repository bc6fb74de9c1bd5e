#include <windows.h>

#include "base/files.h"

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    char fa[MAX_PATH], fb[MAX_PATH];
    DWORD na = GetFullPathNameA(a.c_str(), MAX_PATH, fa, nullptr);
    DWORD nb = GetFullPathNameA(b.c_str(), MAX_PATH, fb, nullptr);
    if (na == 0 || na >= MAX_PATH || nb == 0 || nb >= MAX_PATH) return false;
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, fa, -1, fb, -1) == CSTR_EQUAL;
}
