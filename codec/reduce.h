// Reduction of 24-bit pictures to 8 bits: the popularity quantiser used for "256 Color BMP"
// saves and 256-colour displays, and the ordered dither onto the 216-colour cube used by the
// thumbnail grid.
#pragma once
#include "codec/dib.h"

// A new 8-bit picture with its own palette of at most 256 entries. Returns an empty image when
// the input stands as it is: not a plain 24-bit picture (compressed, another depth), or memory
// is short ("Memory cannot be allocated." is shown then), or its rows are missing.
DibImage ReduceTo256(const DibImage& dib);

// Quantiser internals, exposed for tests.
inline int FineCellOf(uint8_t blue, uint8_t green, uint8_t red) {
    return ((blue >> 4) << 9) | ((green >> 3) << 4) | (red >> 4);
}
inline int CoarseRegionOf(int cell) {
    int b4 = cell >> 9, g5 = (cell >> 4) & 31, r4 = cell & 15;
    return ((b4 >> 2) << 4) | ((g5 >> 3) << 2) | (r4 >> 2);
}

// A new 8-bit picture on the 216-colour cube (entries 216..255 black) by an 8x8 ordered
// dither; an empty image when the input is not a plain 24-bit picture with all its rows.
DibImage CubeDither(const DibImage& dib);
// One channel value quantised to a multiple of 51 with threshold t.
int CubeQuantize(int v, int t);
