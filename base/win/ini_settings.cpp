#include "base/win/ini_settings.h"

#include <windows.h>

#include <vector>

namespace {

// Whether the section names the key (the profile functions compare names without case).
bool HasKey(const std::string& path, const std::string& section, const std::string& key) {
    std::vector<char> names(4096);
    for (;;) {
        DWORD n = GetPrivateProfileStringA(section.c_str(), nullptr, "", names.data(),
                                           static_cast<DWORD>(names.size()), path.c_str());
        if (n + 2 < names.size() || names.size() >= (1u << 20)) break;
        names.resize(names.size() * 4);
    }
    for (const char* p = names.data(); *p; p += lstrlenA(p) + 1) {
        if (lstrcmpiA(p, key.c_str()) == 0) return true;
    }
    return false;
}

}  // namespace

bool IniSettings::Get(const std::string& key, std::string* value) {
    if (path.empty() || !HasKey(path, section, key)) return false;
    std::vector<char> text(1024);
    for (;;) {
        DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", text.data(),
                                           static_cast<DWORD>(text.size()), path.c_str());
        if (n + 1 < text.size() || text.size() >= (1u << 20)) {
            value->assign(text.data(), n);
            return true;
        }
        text.resize(text.size() * 4);
    }
}

bool IniSettings::Set(const std::string& key, const std::string& value) {
    if (path.empty()) return false;
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) !=
           0;
}
