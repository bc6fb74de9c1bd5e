#include "codec/dib.h"

#include <cstring>

#include "codec/reduce.h"
#include "base/bytes.h"
#include "base/messages.h"

DibHeader ParseDibHeader(const uint8_t* p, size_t size) {
    ByteReader r(p, size);
    DibHeader h;
    h.size = r.Le32();
    if (h.size == kCoreHeaderSize) {
        h.width = r.Le16();
        h.height = r.Le16();
        h.planes = r.Le16();
        h.bit_count = r.Le16();
    } else {
        h.width = static_cast<int32_t>(r.Le32());
        h.height = static_cast<int32_t>(r.Le32());
        h.planes = r.Le16();
        h.bit_count = r.Le16();
        h.compression = r.Le32();
        h.size_image = r.Le32();
        h.x_pels_per_meter = static_cast<int32_t>(r.Le32());
        h.y_pels_per_meter = static_cast<int32_t>(r.Le32());
        h.clr_used = r.Le32();
        h.clr_important = r.Le32();
    }
    return r.ok() ? h : DibHeader();
}

DibHeader ReadDibHeader(const DibImage& dib) {
    return ParseDibHeader(dib.data(), dib.size());
}

void WriteInfoHeader(uint8_t* p, const DibHeader& h) {
    PutLe32(p, kInfoHeaderSize);
    PutLe32(p + 4, static_cast<uint32_t>(h.width));
    PutLe32(p + 8, static_cast<uint32_t>(h.height));
    PutLe16(p + 12, h.planes);
    PutLe16(p + 14, h.bit_count);
    PutLe32(p + 16, h.compression);
    PutLe32(p + 20, h.size_image);
    PutLe32(p + 24, static_cast<uint32_t>(h.x_pels_per_meter));
    PutLe32(p + 28, static_cast<uint32_t>(h.y_pels_per_meter));
    PutLe32(p + 32, h.clr_used);
    PutLe32(p + 36, h.clr_important);
}

DibHeader InfoHeaderFor(int32_t width, int32_t height, int bits) {
    DibHeader h;
    h.size = kInfoHeaderSize;
    h.width = width;
    h.height = height;
    h.planes = 1;
    h.bit_count = static_cast<uint16_t>(bits);
    return h;
}

uint32_t ColorCountOf(const DibHeader& h) {
    if (h.size != kCoreHeaderSize && h.clr_used != 0) return h.clr_used;
    switch (h.bit_count) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

uint32_t DibHeaderSize(const DibImage& dib) {
    return ReadDibHeader(dib).size;
}
uint32_t DibColorCount(const DibImage& dib) {
    return ColorCountOf(ReadDibHeader(dib));
}
uint32_t DibPaletteSize(const DibImage& dib) {
    DibHeader h = ReadDibHeader(dib);
    return ColorCountOf(h) * (h.size == kCoreHeaderSize ? 3u : 4u);
}
int DibBitCount(const DibImage& dib) {
    return ReadDibHeader(dib).bit_count;
}
int DibCompression(const DibImage& dib) {
    DibHeader h = ReadDibHeader(dib);
    if (h.size == kCoreHeaderSize) return kCompressionCoreHeader;
    return static_cast<int>(h.compression);
}
int32_t DibWidth(const DibImage& dib) {
    return ReadDibHeader(dib).width;
}
int32_t DibHeight(const DibImage& dib) {
    return ReadDibHeader(dib).height;
}
size_t DibPixelOffset(const DibImage& dib) {
    return static_cast<size_t>(DibHeaderSize(dib)) + DibPaletteSize(dib);
}

uint64_t DibStride(int64_t width, int bits) {
    if (width <= 0 || bits <= 0) return 0;
    return ((static_cast<uint64_t>(width) * static_cast<uint64_t>(bits) + 31) / 32) * 4;
}

bool DibSizeAllowed(int64_t width, int64_t height, int bits) {
    if (width < 1 || width > kMaxDibSide || height < 1 || height > kMaxDibSide) return false;
    return DibStride(width, bits) * static_cast<uint64_t>(height) <= kMaxPixelBytes;
}

bool GetDibLayout(const DibImage& dib, DibLayout* out) {
    DibLayout l;
    l.header = ReadDibHeader(dib);
    const DibHeader& h = l.header;
    if (h.size == 0) return false;
    int bits = h.bit_count;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (!DibSizeAllowed(h.width, h.height, bits)) return false;
    l.colors = ColorCountOf(h);
    if (bits <= 8 && l.colors > (1u << bits)) return false;
    if (l.colors > 256) return false;
    l.entry_size = h.size == kCoreHeaderSize ? 3 : 4;
    l.palette_offset = h.size == kCoreHeaderSize ? kCoreHeaderSize : kInfoHeaderSize;
    l.pixel_offset = l.palette_offset + l.colors * l.entry_size;
    l.stride = static_cast<size_t>(DibStride(h.width, bits));
    l.pixel_bytes = l.stride * static_cast<size_t>(h.height);
    if (dib.size() < l.pixel_offset) return false;
    uint32_t comp = h.size == kCoreHeaderSize ? 0 : h.compression;
    if (comp == kBiRgb && dib.size() - l.pixel_offset < l.pixel_bytes) return false;
    *out = l;
    return true;
}

DibImage NewDib(int32_t width, int32_t height, int bits, uint32_t colors) {
    DibImage d;
    if (!DibSizeAllowed(width, height, bits) || colors > 256) {
        ShowError(kMsgNoMemory);
        return d;
    }
    size_t stride = static_cast<size_t>(DibStride(width, bits));
    size_t size = kInfoHeaderSize + colors * 4 + stride * static_cast<size_t>(height);
    if (!d.block.Allocate(size)) {
        ShowError(kMsgNoMemory);
        return d;
    }
    WriteInfoHeader(d.data(), InfoHeaderFor(width, height, bits));
    return d;
}

DibImage CopyDib(const DibImage& dib) {
    DibImage d;
    if (!dib) return d;
    if (!d.block.Allocate(dib.size())) {
        ShowError(kMsgNoMemory);
        return d;
    }
    std::memcpy(d.data(), dib.data(), dib.size());
    return d;
}

DibImage ConvertCoreHeader(const DibImage& dib) {
    DibImage d;
    DibHeader h = ReadDibHeader(dib);
    if (h.size != kCoreHeaderSize) {
        ShowError(kMsgUnexpected);
        return d;
    }
    int bits = h.bit_count;
    if ((bits != 1 && bits != 4 && bits != 8 && bits != 24) ||
        !DibSizeAllowed(h.width, h.height, bits)) {
        ShowError(kMsgNoMemory);
        return d;
    }
    uint32_t colors = ColorCountOf(h);
    size_t old_pixels = kCoreHeaderSize + colors * 3;
    if (dib.size() < old_pixels) {
        ShowError(kMsgUnexpected);
        return d;
    }
    // The rows share one layout in both forms; the new block holds exactly the pixel bytes the
    // old one held (a cut-off file stays cut off and is refused where the rows are needed).
    size_t pixel_bytes = dib.size() - old_pixels;
    size_t new_pixels = kInfoHeaderSize + colors * 4;
    if (!d.block.Allocate(new_pixels + pixel_bytes)) {
        ShowError(kMsgNoMemory);
        return d;
    }
    WriteInfoHeader(d.data(), InfoHeaderFor(h.width, h.height, bits));
    const uint8_t* src = dib.data() + kCoreHeaderSize;
    uint8_t* dst = d.data() + kInfoHeaderSize;
    for (uint32_t i = 0; i < colors; ++i) {
        dst[i * 4] = src[i * 3];
        dst[i * 4 + 1] = src[i * 3 + 1];
        dst[i * 4 + 2] = src[i * 3 + 2];
    }
    if (pixel_bytes) std::memcpy(d.data() + new_pixels, dib.data() + old_pixels, pixel_bytes);
    return d;
}

DibImage ExpandTo24(const DibImage& dib) {
    DibImage d;
    DibLayout l;
    if (!GetDibLayout(dib, &l) || l.header.size != kInfoHeaderSize ||
        l.header.compression != kBiRgb || l.header.bit_count > 8) {
        ShowError(kMsgBitmapCreateFailed);
        return d;
    }
    const DibHeader& h = l.header;
    d = NewDib(h.width, h.height, 24, 0);
    if (!d) return d;
    DibHeader n = h;
    n.bit_count = 24;
    n.compression = kBiRgb;
    n.size_image = 0;
    n.clr_used = 0;
    n.clr_important = 0;
    WriteInfoHeader(d.data(), n);

    // Palette as a lookup of three bytes per index; indexes past the palette stay black.
    uint8_t lut[256][3] = {};
    const uint8_t* pal = dib.data() + l.palette_offset;
    for (uint32_t i = 0; i < l.colors; ++i) {
        lut[i][0] = pal[i * 4];
        lut[i][1] = pal[i * 4 + 1];
        lut[i][2] = pal[i * 4 + 2];
    }
    const int bits = h.bit_count;
    const size_t out_stride = static_cast<size_t>(DibStride(h.width, 24));
    const uint8_t* src = dib.data() + l.pixel_offset;
    uint8_t* dst = d.data() + kInfoHeaderSize;
    for (int32_t y = 0; y < h.height; ++y) {
        const uint8_t* s = src + static_cast<size_t>(y) * l.stride;
        uint8_t* o = dst + static_cast<size_t>(y) * out_stride;
        for (int32_t x = 0; x < h.width; ++x) {
            unsigned index;
            if (bits == 8) {
                index = s[x];
            } else if (bits == 4) {
                index = (s[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
            } else {
                index = (s[x >> 3] >> (7 - (x & 7))) & 1;
            }
            o[0] = lut[index][0];
            o[1] = lut[index][1];
            o[2] = lut[index][2];
            o += 3;
        }
    }
    return d;
}

int ConvertForSave(const DibImage& dib, int compression, int bit_count,
                   const DibFromBitmapHook* hook, DibImage* out) {
    out->block.Reset();
    auto from_bitmap = [&](int bits) {
        if (!hook || !hook->read_back) {
            ShowError(kMsgBitmapGetFailed);
            return 0;
        }
        *out = hook->read_back(hook->context, compression, bits);
        return *out ? 1 : 0;
    };
    int bits = DibBitCount(dib);
    int comp = DibCompression(dib);
    if (bits != 8 && bits != 24) return from_bitmap(bit_count);
    if (bits == 8) {
        if (comp == kBiRgb) {
            if (bit_count == 8) return 1;
            *out = ExpandTo24(dib);
            return *out ? 1 : 0;
        }
        if (comp == kCompressionCoreHeader) {
            DibImage plain = ConvertCoreHeader(dib);
            if (!plain) return 0;
            if (bit_count == 8) {
                *out = std::move(plain);
                return 1;
            }
            *out = ExpandTo24(plain);
            return *out ? 1 : 0;
        }
        if (comp == kBiRle8) return from_bitmap(bit_count);
        ShowError(kMsgBitmapCreateFailed);
        return 0;
    }
    // 24 bits.
    if (comp != kBiRgb && comp != kCompressionCoreHeader) {
        ShowError(kMsgBitmapCreateFailed);
        return 0;
    }
    if (bit_count == 24) {
        if (comp == kBiRgb) return 1;
        *out = ConvertCoreHeader(dib);
        return *out ? 1 : 0;
    }
    if (comp == kCompressionCoreHeader) {
        DibImage plain = ConvertCoreHeader(dib);
        if (!plain) return 0;
        *out = ReduceTo256(plain);
        if (!*out) *out = std::move(plain);  // nothing to reduce: keep the converted block
        return DibBitCount(*out) == 8 ? 1 : 0;
    }
    *out = ReduceTo256(dib);
    return *out ? 1 : 0;
}
