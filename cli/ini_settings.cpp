#include "cli/ini_settings.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

bool IsSection(const std::string& line, std::string* name) {
    std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
    *name = t.substr(1, t.size() - 2);
    return true;
}

bool SameKey(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

IniSettings::IniSettings(std::string path, std::string section)
    : path_(std::move(path)), section_(std::move(section)) {
    std::ifstream f(path_);
    std::string line;
    while (std::getline(f, line)) lines_.push_back(line);
}

int IniSettings::Find(const std::string& key) const {
    bool inside = false;
    std::string name;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (IsSection(lines_[i], &name)) {
            inside = SameKey(name, section_);
            continue;
        }
        if (!inside) continue;
        size_t eq = lines_[i].find('=');
        if (eq != std::string::npos && SameKey(Trim(lines_[i].substr(0, eq)), key)) return int(i);
    }
    return -1;
}

bool IniSettings::Get(const std::string& key, std::string* value) {
    int i = Find(key);
    if (i < 0) return false;
    const std::string& line = lines_[size_t(i)];
    *value = Trim(line.substr(line.find('=') + 1));
    return true;
}

bool IniSettings::Set(const std::string& key, const std::string& value) {
    const std::string entry = key + "=" + value;
    int i = Find(key);
    if (i >= 0) {
        lines_[size_t(i)] = entry;
        return Save();
    }
    std::string name;
    for (size_t j = 0; j < lines_.size(); ++j) {
        if (IsSection(lines_[j], &name) && SameKey(name, section_)) {
            lines_.insert(lines_.begin() + long(j) + 1, entry);
            return Save();
        }
    }
    lines_.push_back("[" + section_ + "]");
    lines_.push_back(entry);
    return Save();
}

bool IniSettings::Save() const {
    const std::string tmp = path_ + ".new";
    {
        std::ofstream f(tmp, std::ios::trunc);
        for (const std::string& line : lines_) f << line << "\n";
        if (!f.flush()) return false;
    }
    return std::rename(tmp.c_str(), path_.c_str()) == 0;
}

std::string UserSettingsFile() {
    std::string dir;
    if (const char* v = std::getenv("VISTREL_CONFIG_DIR")) {
        dir = v;
    } else if (const char* x = std::getenv("XDG_CONFIG_HOME")) {
        dir = std::string(x) + "/vistrel";
    } else {
        const char* home = std::getenv("HOME");
        std::string base = std::string(home ? home : ".") + "/.config";
        mkdir(base.c_str(), 0700);
        dir = base + "/vistrel";
    }
    mkdir(dir.c_str(), 0700);
    return dir + "/vistrel.ini";
}
