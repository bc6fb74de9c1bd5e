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

#include "base/files.h"
#include "base/pending_file.h"

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
    // Only a regular file is read (a FIFO in its place would hold the program).
    ScopedFile f(OpenFileBinary(path_, "rb"));
    TakeFileFailure();  // a missing file is an empty one
    if (!f) return;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) text.append(buf, n);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines_.push_back(text.substr(start, end - start));
        start = end + 1;
    }
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
    // Written whole under a temporary name first; a link to the file stays a link.
    std::string text;
    for (const std::string& line : lines_) text += line + "\n";
    PendingFile f;
    if (!f.Open(path_) || !WritePieces(&f, text.data(), text.size())) return false;
    const int error = errno;
    if (f.Commit() != CommitResult::kDone) {
        const FileFailure why = TakeFileFailure();
        errno = why.error ? why.error : error;
        return false;
    }
    return true;
}

namespace {
// Makes dir and every missing folder above it (only the user may enter the new ones); false
// with errno when one cannot be made.
bool MakeFolders(const std::string& dir) {
    for (size_t at = 1; at <= dir.size(); ++at) {
        if (at < dir.size() && dir[at] != '/') continue;
        const std::string part = dir.substr(0, at);
        struct stat st;
        if (stat(part.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) {
                errno = ENOTDIR;
                return false;
            }
            continue;
        }
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}
}  // namespace

std::string UserSettingsFile() {
    std::string dir;
    const char* v = std::getenv("VISTREL_CONFIG_DIR");
    const char* x = std::getenv("XDG_CONFIG_HOME");
    if (v && *v) {
        dir = v;
    } else if (x && x[0] == '/') {  // as the base directory rules say, only an absolute path
        dir = std::string(x) + "/vistrel";
    } else {
        const char* home = std::getenv("HOME");
        dir = std::string(home ? home : ".") + "/.config/vistrel";
    }
    // A failure shows when the file is written, with the reason.
    MakeFolders(dir);
    return dir + "/vistrel.ini";
}
