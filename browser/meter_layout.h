// The arithmetic of the percentage bar, apart from its painting: the text it shows and where
// the blue part ends.
#pragma once
#include <cstdint>
#include <string>

struct MeterLayout {
    int percent;  // shown as "%d%%"
    int split;    // the blue part covers [0, split) of the width
};

// A range of 0 paints as range 100 at position 0. A position beyond the range is taken as the
// range, so the bar never paints outside the control.
MeterLayout ComputeMeterLayout(uint32_t range, uint32_t pos, int width);
std::string MeterText(const MeterLayout& layout);
