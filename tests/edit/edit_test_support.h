// Pictures made in memory for the editing tests, and their pixels read back top-down.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "codec/dib.h"

struct Bgr {
    uint8_t b, g, r;
    bool operator==(const Bgr& o) const { return b == o.b && g == o.g && r == o.r; }
};

// A 24-bit picture; fn gives the colour of (x, y), y = 0 the top row.
DibImage MakeRgbDib(int width, int height, const std::function<Bgr(int x, int y)>& fn);
// A palette picture of 1, 4 or 8 bits with a grey palette of 2^bits entries; fn gives indexes.
DibImage MakeIndexDib(int width, int height, int bits, const std::function<int(int x, int y)>& fn);

// Pixel (x, y) with y = 0 the top row.
Bgr RgbAt(const DibImage& dib, int x, int y);
int IndexAt(const DibImage& dib, int x, int y);
// Every pixel, top row first: colours packed as 0xRRGGBB or palette indexes.
std::vector<uint32_t> Pixels(const DibImage& dib);
// The padding bytes of every row are zero.
bool PaddingIsZero(const DibImage& dib);
