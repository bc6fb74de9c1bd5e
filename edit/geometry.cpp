// The geometry operations address pixels through the checked row layout of codec/dib.h: every
// source row exists (GetDibLayout refuses a cut-off block), and every new picture is sized by
// the picture limits before anything is allocated, so no index below can leave its block.
#include "edit/geometry.h"

#include <cmath>
#include <cstring>

const char* const kBitsNotSupportedText = "This image is correspond to bits per pixel.";
const char* const kInvalidNewSizeText =
    "Invalid new size value input.\nPlease input again.\n  (Selected Size)   min : 32, max : 1920";

namespace {

bool SupportedLayout(const DibImage& dib, DibLayout* l) {
    if (!GetDibLayout(dib, l)) return false;
    if (l->header.size != kInfoHeaderSize || l->header.compression != kBiRgb) return false;
    const int bits = l->header.bit_count;
    return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

// A new block for width x height with the source's header (resolution, colour counts) and
// palette; silent and empty when the size is beyond the limits or memory is short.
DibImage NewPictureLike(const DibImage& src, const DibLayout& l, int32_t width, int32_t height,
                        DibLayout* out) {
    DibImage d;
    const int bits = l.header.bit_count;
    if (!DibSizeAllowed(width, height, bits)) return d;
    const size_t stride = static_cast<size_t>(DibStride(width, bits));
    const size_t palette = static_cast<size_t>(l.colors) * 4;
    if (!d.block.Allocate(kInfoHeaderSize + palette + stride * static_cast<size_t>(height)))
        return d;
    DibHeader h = l.header;
    h.width = width;
    h.height = height;
    h.size_image = 0;
    WriteInfoHeader(d.data(), h);
    if (palette) std::memcpy(d.data() + kInfoHeaderSize, src.data() + l.palette_offset, palette);
    if (!GetDibLayout(d, out)) d.block.Reset();
    return d;
}

// The palette index of pixel x in a row of 1, 4 or 8 bits.
inline unsigned GetIndex(const uint8_t* row, int64_t x, int bits) {
    switch (bits) {
        case 1:
            return (row[x >> 3] >> (7 - (x & 7))) & 1u;
        case 4:
            return (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4;
        default:
            return row[x];
    }
}

inline void SetIndex(uint8_t* row, int64_t x, int bits, unsigned v) {
    switch (bits) {
        case 1: {
            const int shift = 7 - static_cast<int>(x & 7);
            row[x >> 3] =
                static_cast<uint8_t>((row[x >> 3] & ~(1u << shift)) | ((v & 1u) << shift));
            break;
        }
        case 4:
            if (x & 1)
                row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0u) | (v & 0x0Fu));
            else
                row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0Fu) | ((v & 0x0Fu) << 4));
            break;
        default:
            row[x] = static_cast<uint8_t>(v);
    }
}

// Copies pixel (sx of a source row) to (dx of a destination row).
inline void CopyPixel(const uint8_t* srow, int64_t sx, uint8_t* drow, int64_t dx, int bits) {
    if (bits == 24) {
        std::memcpy(drow + dx * 3, srow + sx * 3, 3);
    } else {
        SetIndex(drow, dx, bits, GetIndex(srow, sx, bits));
    }
}

}  // namespace

bool GeometryDepthSupported(const DibImage& dib) {
    DibHeader h = ReadDibHeader(dib);
    if (h.compression != kBiRgb) return false;
    return h.bit_count == 1 || h.bit_count == 4 || h.bit_count == 8 || h.bit_count == 24;
}

DibImage RotateDib(const DibImage& dib, bool right) {
    DibLayout s;
    if (!SupportedLayout(dib, &s)) return DibImage();
    const int32_t w = s.header.width, h = s.header.height;
    const int bits = s.header.bit_count;
    DibLayout d;
    DibImage out = NewPictureLike(dib, s, h, w, &d);
    if (!out) return out;
    const uint8_t* src = dib.data() + s.pixel_offset;
    uint8_t* dst = out.data() + d.pixel_offset;
    // New row i (bottom-up) holds old column w-1-i (right turn) or i (left turn); new column j
    // holds old row j (right) or h-1-j (left).
    for (int32_t i = 0; i < w; ++i) {
        uint8_t* drow = dst + static_cast<size_t>(i) * d.stride;
        const int64_t sx = right ? w - 1 - i : i;
        for (int32_t j = 0; j < h; ++j) {
            const int64_t sy = right ? j : h - 1 - j;
            CopyPixel(src + static_cast<size_t>(sy) * s.stride, sx, drow, j, bits);
        }
    }
    return out;
}

int NextRotation(int rotation, bool right) {
    if (right) {
        rotation += 90;
        if (rotation > 360) rotation -= 360;
    } else {
        rotation -= 90;
        if (rotation <= 0) rotation += 360;
    }
    return rotation;
}

DibImage ResizeDib(const DibImage& dib, int32_t nw, int32_t nh) {
    DibLayout s;
    if (!SupportedLayout(dib, &s) || nw <= 0 || nh <= 0) return DibImage();
    const int32_t w = s.header.width, h = s.header.height;
    const int bits = s.header.bit_count;
    DibLayout d;
    DibImage out = NewPictureLike(dib, s, nw, nh, &d);
    if (!out) return out;
    const uint8_t* src = dib.data() + s.pixel_offset;
    uint8_t* dst = out.data() + d.pixel_offset;
    if (bits != 24) {
        for (int32_t i = 0; i < nh; ++i) {
            const int64_t sy = static_cast<int64_t>(i) * h / nh;
            const uint8_t* srow = src + static_cast<size_t>(sy) * s.stride;
            uint8_t* drow = dst + static_cast<size_t>(i) * d.stride;
            for (int32_t j = 0; j < nw; ++j)
                CopyPixel(srow, static_cast<int64_t>(j) * w / nw, drow, j, bits);
        }
        return out;
    }
    for (int32_t i = 0; i < nh; ++i) {
        const double y = static_cast<double>(i) * h / nh;
        const int32_t fy = static_cast<int32_t>(y);
        const double dy = y - fy;
        const int32_t fy1 = fy + 1 < h ? fy + 1 : fy;
        const uint8_t* row0 = src + static_cast<size_t>(fy) * s.stride;
        const uint8_t* row1 = src + static_cast<size_t>(fy1) * s.stride;
        uint8_t* drow = dst + static_cast<size_t>(i) * d.stride;
        for (int32_t j = 0; j < nw; ++j) {
            const double x = static_cast<double>(j) * w / nw;
            const int32_t fx = static_cast<int32_t>(x);
            const double dx = x - fx;
            const int32_t fx1 = fx + 1 < w ? fx + 1 : fx;
            for (int c = 0; c < 3; ++c) {
                const double p00 = row0[fx * 3 + c], p10 = row0[fx1 * 3 + c];
                const double p01 = row1[fx * 3 + c], p11 = row1[fx1 * 3 + c];
                const double v =
                    ((1 - dx) * p00 + dx * p10) * (1 - dy) + dy * ((1 - dx) * p01 + dx * p11);
                drow[j * 3 + c] = static_cast<uint8_t>(v);
            }
        }
    }
    return out;
}

NewSizeCheck CheckNewSize(const std::string& width_text, const std::string& height_text, int* width,
                          int* height) {
    // The dialog reads at most 50 characters of each field.
    const std::string wt = width_text.substr(0, 50), ht = height_text.substr(0, 50);
    auto digits = [](const std::string& t) {
        for (char c : t)
            if (c < '0' || c > '9') return false;
        return true;
    };
    if (!digits(wt) || !digits(ht)) return NewSizeCheck::kInvalid;
    if (wt.empty() || ht.empty()) return NewSizeCheck::kEmpty;
    // Read as unsigned numbers; a long run of digits stays far above the limit instead of
    // wrapping round into it.
    auto value = [](const std::string& t) {
        uint64_t v = 0;
        for (char c : t) {
            v = v * 10 + static_cast<uint64_t>(c - '0');
            if (v > 1000000) return v;
        }
        return v;
    };
    const uint64_t w = value(wt), h = value(ht);
    if (w < kMinNewSide || w > kMaxNewSide || h < kMinNewSide || h > kMaxNewSide)
        return NewSizeCheck::kInvalid;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return NewSizeCheck::kOk;
}

bool CutOutRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t width, int32_t height,
                int zoom, PixelRect* rect) {
    if (width <= 0 || height <= 0 || !IsZoomStep(zoom)) return false;
    auto clamp = [](int32_t v, int32_t hi) { return v < 0 ? 0 : v > hi ? hi : v; };
    x0 = clamp(x0, width);
    x1 = clamp(x1, width);
    y0 = clamp(y0, height);
    y1 = clamp(y1, height);
    const int32_t left = x0 < x1 ? x0 : x1, right = x0 < x1 ? x1 : x0;
    const int32_t top = y0 < y1 ? y0 : y1, bottom = y0 < y1 ? y1 : y0;
    // Whole display pixels: s is a power of two, so every product and quotient is exact.
    const double s = zoom / 4.0;
    auto to_display = [s](int32_t v) { return std::trunc(s * v); };
    auto back = [s](double v) { return static_cast<int32_t>(std::trunc(v / s)); };
    PixelRect r;
    r.left = back(to_display(left));
    r.top = back(to_display(top));
    r.width =
        to_display(right - left) == to_display(width) ? width : back(to_display(right - left));
    r.height =
        to_display(bottom - top) == to_display(height) ? height : back(to_display(bottom - top));
    if (r.left + r.width > width) r.width = width - r.left;
    if (r.top + r.height > height) r.height = height - r.top;
    if (r.width <= 0 || r.height <= 0) return false;
    *rect = r;
    return true;
}

DibImage CutOutDib(const DibImage& dib, const PixelRect& r) {
    DibLayout s;
    if (!SupportedLayout(dib, &s)) return DibImage();
    const int32_t w = s.header.width, h = s.header.height;
    if (r.left < 0 || r.top < 0 || r.width <= 0 || r.height <= 0 || r.left > w - r.width ||
        r.top > h - r.height)
        return DibImage();
    const int bits = s.header.bit_count;
    DibLayout d;
    DibImage out = NewPictureLike(dib, s, r.width, r.height, &d);
    if (!out) return out;
    const uint8_t* src = dib.data() + s.pixel_offset;
    uint8_t* dst = out.data() + d.pixel_offset;
    // Rows are stored bottom-up: the rectangle's rows are old rows h-top-height .. h-top-1.
    const int32_t first = h - r.top - r.height;
    for (int32_t k = 0; k < r.height; ++k) {
        const uint8_t* srow = src + static_cast<size_t>(first + k) * s.stride;
        uint8_t* drow = dst + static_cast<size_t>(k) * d.stride;
        if (bits == 24 || bits == 8) {
            const size_t bpp = bits / 8;
            std::memcpy(drow, srow + static_cast<size_t>(r.left) * bpp,
                        static_cast<size_t>(r.width) * bpp);
        } else {
            for (int32_t j = 0; j < r.width; ++j) CopyPixel(srow, r.left + j, drow, j, bits);
        }
    }
    return out;
}

int ZoomForCommand(int command) {
    switch (command) {
        case IDM_ZOOM25:
            return 1;
        case IDM_ZOOM50:
            return 2;
        case IDM_ZOOM100:
            return 4;
        case IDM_ZOOM200:
            return 8;
        case IDM_ZOOM400:
            return 16;
        default:
            return 0;
    }
}

int CommandForZoom(int zoom) {
    for (int c = IDM_ZOOM25; c <= IDM_ZOOM400; ++c)
        if (ZoomForCommand(c) == zoom) return c;
    return 0;
}

bool IsZoomStep(int zoom) {
    return CommandForZoom(zoom) != 0;
}

int ZoomPercent(int zoom) {
    return zoom * 100 / 4;
}

int64_t ZoomedSide(int64_t side, int zoom) {
    return side * zoom / 4;
}

int InitialZoom(int64_t width, int64_t height, int64_t cw, int64_t ch) {
    if (cw <= 0 || ch <= 0) return 1;
    if (width <= cw && height <= ch) return 4;
    const double rw = static_cast<double>(width) / cw, rh = static_cast<double>(height) / ch;
    const double r = rw > rh ? rw : rh;
    return r > 2 ? 1 : 2;
}
