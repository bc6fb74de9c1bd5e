#include "edit_test_support.h"

namespace {

uint8_t* RowTop(DibImage& dib, int y) {
    DibLayout l;
    if (!GetDibLayout(dib, &l)) return nullptr;
    return dib.data() + l.pixel_offset + static_cast<size_t>(l.header.height - 1 - y) * l.stride;
}

const uint8_t* RowTop(const DibImage& dib, int y) {
    DibLayout l;
    if (!GetDibLayout(dib, &l)) return nullptr;
    return dib.data() + l.pixel_offset + static_cast<size_t>(l.header.height - 1 - y) * l.stride;
}

}  // namespace

DibImage MakeRgbDib(int width, int height, const std::function<Bgr(int x, int y)>& fn) {
    DibImage d = NewDib(width, height, 24, 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = RowTop(d, y);
        for (int x = 0; x < width; ++x) {
            Bgr c = fn(x, y);
            row[x * 3] = c.b;
            row[x * 3 + 1] = c.g;
            row[x * 3 + 2] = c.r;
        }
    }
    return d;
}

DibImage MakeIndexDib(int width, int height, int bits, const std::function<int(int x, int y)>& fn) {
    const uint32_t colors = 1u << bits;
    DibImage d = NewDib(width, height, bits, colors);
    uint8_t* pal = d.data() + kInfoHeaderSize;
    for (uint32_t i = 0; i < colors; ++i) {
        const uint8_t v = static_cast<uint8_t>(i * 255 / (colors - 1));
        pal[i * 4] = v;
        pal[i * 4 + 1] = v;
        pal[i * 4 + 2] = v;
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = RowTop(d, y);
        for (int x = 0; x < width; ++x) {
            const unsigned v = static_cast<unsigned>(fn(x, y)) & (colors - 1);
            if (bits == 8) {
                row[x] = static_cast<uint8_t>(v);
            } else if (bits == 4) {
                row[x / 2] |= static_cast<uint8_t>((x & 1) ? v : v << 4);
            } else {
                row[x / 8] |= static_cast<uint8_t>(v << (7 - x % 8));
            }
        }
    }
    return d;
}

Bgr RgbAt(const DibImage& dib, int x, int y) {
    const uint8_t* row = RowTop(dib, y);
    return {row[x * 3], row[x * 3 + 1], row[x * 3 + 2]};
}

int IndexAt(const DibImage& dib, int x, int y) {
    const uint8_t* row = RowTop(dib, y);
    switch (DibBitCount(dib)) {
        case 1:
            return (row[x / 8] >> (7 - x % 8)) & 1;
        case 4:
            return (x & 1) ? row[x / 2] & 15 : row[x / 2] >> 4;
        default:
            return row[x];
    }
}

std::vector<uint32_t> Pixels(const DibImage& dib) {
    std::vector<uint32_t> out;
    const int w = DibWidth(dib), h = DibHeight(dib);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (DibBitCount(dib) == 24) {
                Bgr c = RgbAt(dib, x, y);
                out.push_back(uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b);
            } else {
                out.push_back(static_cast<uint32_t>(IndexAt(dib, x, y)));
            }
        }
    }
    return out;
}

bool PaddingIsZero(const DibImage& dib) {
    DibLayout l;
    if (!GetDibLayout(dib, &l)) return false;
    const size_t used = (static_cast<size_t>(l.header.width) * l.header.bit_count + 7) / 8;
    for (int y = 0; y < l.header.height; ++y) {
        const uint8_t* row = dib.data() + l.pixel_offset + static_cast<size_t>(y) * l.stride;
        for (size_t i = used; i < l.stride; ++i)
            if (row[i] != 0) return false;
    }
    return true;
}
