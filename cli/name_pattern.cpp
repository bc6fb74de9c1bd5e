#include "cli/name_pattern.h"

#include <cstdio>
#include <ctime>

bool CheckNamePattern(const std::string& pattern, std::string* error) {
    if (pattern.find('/') != std::string::npos) {
        *error =
            "--filename makes a name inside the folder, without '/' (use --dir for the folder)";
        return false;
    }
    if (pattern.empty() || pattern == "." || pattern == "..") {
        *error = "--filename '" + pattern + "' is no file name";
        return false;
    }
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') continue;
        const char c = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (std::string("nNYmdHMS%").find(c) == std::string::npos || c == '\0') {
            *error = "--filename: '%" + std::string(c ? 1 : 0, c) +
                     "' is not one of %n %N %Y %m %d %H %M %S %%";
            return false;
        }
        ++i;
    }
    return true;
}

std::string ExpandNamePattern(const std::string& pattern, const NameFields& f) {
    std::tm tm{};
    bool dated = false;
    if (f.seconds != 0) {
        const std::time_t t = static_cast<std::time_t>(f.seconds);
        dated = localtime_r(&t, &tm) != nullptr;
    }
    std::string out;
    char buf[16];
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 >= pattern.size()) {
            out += pattern[i];
            continue;
        }
        const char c = pattern[++i];
        switch (c) {
            case 'n':
                std::snprintf(buf, sizeof buf, "%d", f.image);
                break;
            case 'N':
                std::snprintf(buf, sizeof buf, "%04d", f.dsc_number);
                break;
            case 'Y':
                std::snprintf(buf, sizeof buf, "%04d", dated ? tm.tm_year + 1900 : 0);
                break;
            case 'm':
                std::snprintf(buf, sizeof buf, "%02d", dated ? tm.tm_mon + 1 : 0);
                break;
            case 'd':
                std::snprintf(buf, sizeof buf, "%02d", dated ? tm.tm_mday : 0);
                break;
            case 'H':
                std::snprintf(buf, sizeof buf, "%02d", dated ? tm.tm_hour : 0);
                break;
            case 'M':
                std::snprintf(buf, sizeof buf, "%02d", dated ? tm.tm_min : 0);
                break;
            case 'S':
                std::snprintf(buf, sizeof buf, "%02d", dated ? tm.tm_sec : 0);
                break;
            default:
                buf[0] = c;
                buf[1] = '\0';
                break;
        }
        out += buf;
    }
    return out;
}
