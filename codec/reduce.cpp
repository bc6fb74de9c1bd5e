// The quantiser works on 13-bit cells (4 bits blue, 5 green, 4 red). It first gives each of
// the 64 coarse regions of the cube that the picture uses one entry (its most frequent cell),
// then fills up to 256 entries by popularity, and maps every other cell to the nearest entry.
// Two passes over the pixels; the nearest-entry search runs per cell, never per pixel.
#include "codec/reduce.h"

#include <cstring>
#include <memory>
#include <new>

#include "base/messages.h"

namespace {
constexpr int kCells = 8192;
constexpr uint16_t kNone = 0xFFFF;

bool PlainTrueColour(const DibImage& dib, DibLayout* l) {
    DibHeader h = ReadDibHeader(dib);
    if (h.size != kInfoHeaderSize || h.compression != kBiRgb || h.bit_count != 24) return false;
    return GetDibLayout(dib, l);
}
}  // namespace

DibImage ReduceTo256(const DibImage& dib) {
    DibImage out;
    DibHeader head = ReadDibHeader(dib);
    if (head.size != kInfoHeaderSize || head.compression != kBiRgb || head.bit_count != 24)
        return out;
    DibLayout l;
    if (!GetDibLayout(dib, &l)) {
        ShowError(kMsgUnexpected);
        return out;
    }
    std::unique_ptr<uint16_t[]> count(new (std::nothrow) uint16_t[kCells]());
    std::unique_ptr<uint16_t[]> list(new (std::nothrow) uint16_t[kCells]);
    if (!count || !list) {
        ShowError(kMsgNoMemory);
        return out;
    }
    const DibHeader& h = l.header;
    const uint8_t* pixels = dib.data() + l.pixel_offset;

    // 1. Histogram, counters saturating at 0xFFFF.
    for (int32_t y = 0; y < h.height; ++y) {
        const uint8_t* p = pixels + static_cast<size_t>(y) * l.stride;
        for (int32_t x = 0; x < h.width; ++x, p += 3) {
            uint16_t& c = count[FineCellOf(p[0], p[1], p[2])];
            if (c != 0xFFFF) ++c;
        }
    }
    // 2. Non-empty cells in ascending order.
    int cells = 0;
    for (int i = 0; i < kCells; ++i)
        if (count[i]) list[cells++] = static_cast<uint16_t>(i);

    // 3. One representative per coarse region: its most frequent cell, the earlier on ties.
    uint16_t rep[64];
    for (auto& r : rep) r = kNone;
    for (int i = 0; i < cells; ++i) {
        int region = CoarseRegionOf(list[i]);
        if (rep[region] == kNone || count[list[rep[region]]] < count[list[i]])
            rep[region] = static_cast<uint16_t>(i);
    }
    for (uint16_t r : rep)
        if (r != kNone) count[list[r]] = 0xFFFF;

    // 4. Ranking: representatives first, then the most frequent cells.
    const int used = cells < 256 ? cells : 256;
    for (int i = 0; i < used; ++i) {
        for (int j = i + 1; j < cells; ++j) {
            if (count[list[j]] > count[list[i]]) {
                uint16_t t = list[i];
                list[i] = list[j];
                list[j] = t;
            }
        }
    }

    // 5. The histogram becomes the cell-to-index map.
    for (int i = 0; i < used; ++i) count[list[i]] = static_cast<uint16_t>(i);
    for (int j = used; j < cells; ++j) {
        int c = list[j];
        int b = c >> 9, g = (c >> 4) & 31, r = c & 15;
        int best = 0;
        int best_d = 1 << 30;
        for (int i = 0; i < used; ++i) {
            int e = list[i];
            int db = b - (e >> 9), dg = g - ((e >> 4) & 31), dr = r - (e & 15);
            int d = db * db + dg * dg + dr * dr;
            if (d < best_d) {
                best_d = d;
                best = i;
            }
        }
        count[c] = static_cast<uint16_t>(best);
    }

    // 6. The new picture.
    out = NewDib(h.width, h.height, 8, static_cast<uint32_t>(used));
    if (!out) return out;
    DibHeader n = h;
    n.bit_count = 8;
    n.compression = kBiRgb;
    n.size_image = 0;
    n.clr_used = static_cast<uint32_t>(used);
    n.clr_important = 0;
    WriteInfoHeader(out.data(), n);
    uint8_t* pal = out.data() + kInfoHeaderSize;
    for (int i = 0; i < used; ++i) {
        int c = list[i];
        pal[i * 4] = static_cast<uint8_t>((c >> 9) * 16);
        pal[i * 4 + 1] = static_cast<uint8_t>(((c >> 4) & 31) * 8);
        pal[i * 4 + 2] = static_cast<uint8_t>((c & 15) * 16);
    }
    const size_t out_stride = static_cast<size_t>(DibStride(h.width, 8));
    uint8_t* rows = pal + used * 4;
    for (int32_t y = 0; y < h.height; ++y) {
        const uint8_t* p = pixels + static_cast<size_t>(y) * l.stride;
        uint8_t* o = rows + static_cast<size_t>(y) * out_stride;
        for (int32_t x = 0; x < h.width; ++x, p += 3)
            o[x] = static_cast<uint8_t>(count[FineCellOf(p[0], p[1], p[2])]);
    }
    return out;
}

namespace {
const uint8_t kThreshold[8][8] = {
    {0, 25, 6, 32, 1, 27, 8, 34},   {38, 12, 45, 19, 40, 14, 46, 21},
    {9, 35, 3, 29, 11, 37, 4, 30},  {48, 22, 42, 16, 50, 24, 43, 17},
    {2, 28, 8, 34, 0, 26, 7, 33},   {41, 15, 47, 21, 39, 13, 46, 20},
    {12, 38, 5, 31, 10, 36, 4, 29}, {51, 25, 44, 18, 49, 23, 42, 17},
};
}  // namespace

int CubeQuantize(int v, int t) {
    if (v <= 50) return t < v ? 51 : 0;
    if (v <= 101) return t + 51 < v ? 102 : 51;
    if (v <= 152) return t + 102 < v ? 153 : 102;
    if (v <= 203) return t + 153 < v ? 204 : 153;
    return (v == 255 || t + 204 < v) ? 255 : 204;
}

DibImage CubeDither(const DibImage& dib) {
    DibImage out;
    DibLayout l;
    if (!PlainTrueColour(dib, &l)) return out;
    const DibHeader& h = l.header;
    out = NewDib(h.width, h.height, 8, 256);
    if (!out) return out;
    uint8_t* pal = out.data() + kInfoHeaderSize;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) {
                uint8_t* e = pal + (r * 36 + g * 6 + b) * 4;
                e[0] = static_cast<uint8_t>(51 * b);
                e[1] = static_cast<uint8_t>(51 * g);
                e[2] = static_cast<uint8_t>(51 * r);
            }
    const uint8_t* pixels = dib.data() + l.pixel_offset;
    const size_t out_stride = static_cast<size_t>(DibStride(h.width, 8));
    uint8_t* rows = pal + 256 * 4;
    for (int32_t y = 0; y < h.height; ++y) {
        const uint8_t* p = pixels + static_cast<size_t>(y) * l.stride;
        uint8_t* o = rows + static_cast<size_t>(y) * out_stride;
        const uint8_t* m = kThreshold[y & 7];
        for (int32_t x = 0; x < h.width; ++x, p += 3) {
            int t = m[x & 7];
            int b = CubeQuantize(p[0], t), g = CubeQuantize(p[1], t), r = CubeQuantize(p[2], t);
            o[x] = static_cast<uint8_t>((r * 36 + g * 6 + b) / 51);
        }
    }
    return out;
}
