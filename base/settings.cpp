// Numbers in the settings; see settings.h.
#include "base/settings.h"

#include <cstdint>

int ParseSettingNumber(const std::string& text, int def) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    const size_t digits = i;
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    int64_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        if (value > limit) return def;
        ++i;
    }
    if (i == digits) return def;
    return static_cast<int>(negative ? -value : value);
}

int ReadSettingNumber(SettingsStore& store, const std::string& key, int def, bool* present) {
    std::string text;
    const bool found = store.Get(key, &text);
    if (present) *present = found;
    return found ? ParseSettingNumber(text, def) : def;
}
