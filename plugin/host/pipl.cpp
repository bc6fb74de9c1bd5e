#include "plugin/host/pipl.h"

namespace {

constexpr uint32_t kVendor = 0x3842494Du;   // '8BIM'
constexpr uint32_t kKeyKind = 0x6B696E64u;  // 'kind'
constexpr uint32_t kKeyName = 0x6E616D65u;  // 'name'
constexpr uint32_t kKeyVers = 0x76657273u;  // 'vers'
constexpr uint32_t kKeyWx86 = 0x77783836u;  // 'wx86'
constexpr uint32_t kKey8664 = 0x38363634u;  // '8664'
constexpr uint32_t kMaxProperties = 1000;

struct Reader {
    const uint8_t* p;
    size_t size;
    size_t at = 0;
    bool ok = true;
    uint32_t U32() {
        if (!ok || size - at < 4) {
            ok = false;
            return 0;
        }
        uint32_t v = uint32_t(p[at]) | uint32_t(p[at + 1]) << 8 | uint32_t(p[at + 2]) << 16 |
                     uint32_t(p[at + 3]) << 24;
        at += 4;
        return v;
    }
    uint16_t U16() {
        if (!ok || size - at < 2) {
            ok = false;
            return 0;
        }
        uint16_t v = static_cast<uint16_t>(p[at] | p[at + 1] << 8);
        at += 2;
        return v;
    }
};

std::string CString(const uint8_t* p, size_t n) {
    size_t len = 0;
    while (len < n && p[len] != 0) ++len;
    return std::string(reinterpret_cast<const char*>(p), len);
}

}  // namespace

PiplError ParsePipl(const uint8_t* bytes, size_t size, PiplInfo* info) {
    *info = PiplInfo();
    if (!bytes || size < 10) return PiplError::kTooShort;
    Reader r{bytes, size};
    if (r.U16() != 1 || r.U32() != 0) return PiplError::kBadVersion;
    const uint32_t count = r.U32();
    if (!r.ok || count > kMaxProperties) return PiplError::kBadProperty;
    std::string entry64;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t vendor = r.U32();
        const uint32_t key = r.U32();
        r.U32();  // id
        const uint32_t length = r.U32();
        if (!r.ok || length > r.size - r.at) return PiplError::kBadProperty;
        const uint8_t* data = bytes + r.at;
        // The data is padded to a multiple of 4 bytes; the last property may end unpadded.
        const size_t padded = (static_cast<size_t>(length) + 3) & ~size_t{3};
        r.at += padded <= r.size - r.at ? padded : length;
        if (vendor != kVendor) continue;
        if (key == kKeyKind && length >= 4) {
            info->kind = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                         uint32_t(data[3]) << 24;
        } else if (key == kKeyName && length >= 1) {
            const size_t n = data[0] < length ? data[0] : length - 1;
            info->name.assign(reinterpret_cast<const char*>(data + 1), n);
        } else if (key == kKeyVers && length >= 4) {
            info->version = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                            uint32_t(data[3]) << 24;
        } else if (key == kKeyWx86) {
            info->entry = CString(data, length);
        } else if (key == kKey8664) {
            entry64 = CString(data, length);
        }
        ++info->properties;
    }
    if (info->entry.empty()) info->entry = entry64;
    if (info->kind == 0) return PiplError::kNoKind;
    if (info->entry.empty()) return PiplError::kNoEntry;
    return PiplError::kNone;
}

const char* PiplErrorText(PiplError e) {
    switch (e) {
        case PiplError::kNone:
            return "a plug-in property list";
        case PiplError::kTooShort:
            return "its property list (PIPL) is too short";
        case PiplError::kBadVersion:
            return "its property list (PIPL) is of an unknown version";
        case PiplError::kBadProperty:
            return "its property list (PIPL) has a property that runs past its end";
        case PiplError::kNoKind:
            return "its property list (PIPL) names no module kind";
        case PiplError::kNoEntry:
            return "its property list (PIPL) names no entry point for Windows";
    }
    return "";
}
