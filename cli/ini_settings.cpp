#include "cli/ini_settings.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// bit/s <-> the program's form of the "baudrate" value.
const char* const kSpeedForms[][2] = {
    {"9600", "9600"}, {"19200", "192"}, {"38400", "384"}, {"57600", "576"}, {"115200", "1152"}};

}  // namespace

bool RunSettings::Get(const std::string& key, std::string* value) {
    return run_.Get(key, value) || file_->Get(key, value);
}

bool RunSettings::Set(const std::string& key, const std::string& value) {
    return run_.Set(key, value);
}

const char* const kConfigKeys[3] = {"com", "baudrate", "dir"};

bool IsConfigKey(const std::string& key) {
    for (const char* k : kConfigKeys)
        if (key == k) return true;
    return false;
}

bool ConfigValueToStore(const std::string& key, const std::string& value, std::string* stored,
                        std::string* error) {
    if (key == "com") {
        if (value.size() == 4 && SameKey(value.substr(0, 3), "com") && value[3] >= '1' &&
            value[3] <= '4') {
            *stored = "COM" + value.substr(3);
            return true;
        }
        *error = "com takes COM1, COM2, COM3 or COM4, not '" + value + "'";
        return false;
    }
    if (key == "baudrate") {
        for (const auto& f : kSpeedForms) {
            if (value == f[0]) {
                *stored = f[1];
                return true;
            }
        }
        *error = "baudrate takes 9600, 19200, 38400, 57600 or 115200, not '" + value + "'";
        return false;
    }
    if (key == "dir") {
        char resolved[PATH_MAX];
        struct stat st;
        if (value.empty() || !realpath(value.c_str(), resolved) || stat(resolved, &st) != 0) {
            *error = "dir: " + (value.empty() ? std::string("an empty name") : value) + ": " +
                     std::strerror(value.empty() ? ENOENT : errno);
            return false;
        }
        if (!S_ISDIR(st.st_mode)) {
            *error = "dir: " + value + ": " + std::strerror(ENOTDIR);
            return false;
        }
        *stored = resolved;
        return true;
    }
    *error = "no setting '" + key + "'; the settings are com, baudrate and dir";
    return false;
}

std::string ConfigValueToShow(const std::string& key, const std::string& stored) {
    if (key == "baudrate")
        for (const auto& f : kSpeedForms)
            if (stored == f[1]) return f[0];
    return stored;
}

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
