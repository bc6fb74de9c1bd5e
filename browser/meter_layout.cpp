#include "browser/meter_layout.h"

#include <cstdio>

MeterLayout ComputeMeterLayout(uint32_t range, uint32_t pos, int width) {
    if (range == 0) {
        range = 100;
        pos = 0;
    }
    if (pos > range) pos = range;
    if (width < 0) width = 0;
    MeterLayout m;
    m.percent = static_cast<int>(static_cast<uint64_t>(pos) * 100u / range);
    m.split = static_cast<int>(static_cast<uint64_t>(width) * pos / range);
    return m;
}

std::string MeterText(const MeterLayout& layout) {
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", layout.percent);
    return text;
}
