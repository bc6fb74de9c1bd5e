// Fault specs: one small text syntax shared by the command line of vistrel-camsim and the
// in-process API, so that a failing scenario can be replayed by hand with the same words.
#include <cstdlib>
#include <vector>

#include "sim/sim_camera.h"

namespace {

// A decimal number, or hex after 0x; the whole text must be the number.
bool ParseNumber(const std::string& s, long max, long* out) {
    if (s.empty() || s.size() > 10) return false;
    int base = 10;
    size_t start = 0;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        start = 2;
    }
    long v = 0;
    for (size_t i = start; i < s.size(); ++i) {
        const char c = s[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        v = v * base + digit;
        if (v > max) return false;
    }
    *out = v;
    return true;
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = s.find(sep, start);
        parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

}  // namespace

bool ParseSimFault(const std::string& spec, SimFault* fault, bool* is_speed, uint8_t* speed_code) {
    *is_speed = false;
    std::string body = spec;
    int remaining = -1;
    const size_t star = spec.find('*');
    if (star != std::string::npos) {
        long n = 0;
        if (!ParseNumber(spec.substr(star + 1), 1000000, &n) || n < 1) return false;
        remaining = static_cast<int>(n);
        body = spec.substr(0, star);
    }
    const std::vector<std::string> p = Split(body, ':');
    const std::string& kind = p[0];
    SimFault f;
    f.remaining = remaining;
    long cmd = -1, arg = -1;
    if (kind == "emptylast") {
        if (p.size() != 1) return false;
        f.kind = SimFaultKind::kEmptyLast;
        *fault = f;
        return true;
    }
    if (kind == "speed") {
        long code = 0;
        if (p.size() != 2 || !ParseNumber(p[1], 255, &code) ||
            SimBaudOfCode(static_cast<uint8_t>(code)) == 0)
            return false;
        *is_speed = true;
        *speed_code = static_cast<uint8_t>(code);
        return true;
    }
    if (p.size() < 2 || !ParseNumber(p[1], 255, &cmd)) return false;
    if (kind == "noise") {
        if (p.size() != 3 || !ParseNumber(p[2], 4096, &arg) || arg < 1) return false;
        f.kind = SimFaultKind::kNoise;
    } else if (kind == "status") {
        if (p.size() != 3 || !ParseNumber(p[2], 255, &arg)) return false;
        f.kind = SimFaultKind::kStatus;
    } else if (kind == "corrupt") {
        if (p.size() > 3 || (p.size() == 3 && !ParseNumber(p[2], 4096, &arg))) return false;
        f.kind = SimFaultKind::kCorrupt;
    } else if (p.size() != 2) {
        return false;
    } else if (kind == "drop") {
        f.kind = SimFaultKind::kDrop;
    } else if (kind == "checksum") {
        f.kind = SimFaultKind::kChecksum;
    } else if (kind == "noreply") {
        f.kind = SimFaultKind::kNoReply;
    } else if (kind == "unplug") {
        f.kind = SimFaultKind::kUnplug;
    } else {
        return false;
    }
    f.command = static_cast<int>(cmd);
    f.arg = static_cast<int>(arg);
    *fault = f;
    return true;
}
