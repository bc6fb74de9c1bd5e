#include "codec/win/dib_win.h"

#include <cstring>
#include <memory>
#include <new>

#include "base/platform.h"
#include "codec/reduce.h"
#include "base/messages.h"

ScopedPalette MakeDibPalette(const DibImage& dib) {
    DibHeader h = ReadDibHeader(dib);
    uint32_t colors = ColorCountOf(h);
    if (colors == 0 || h.size == 0) return ScopedPalette();
    if (colors > 256) colors = 256;
    const size_t entry = h.size == kCoreHeaderSize ? 3 : 4;
    const size_t pal_offset = h.size == kCoreHeaderSize ? kCoreHeaderSize : kInfoHeaderSize;
    if (dib.size() < pal_offset + colors * entry) return ScopedPalette();
    size_t bytes = sizeof(LOGPALETTE) + colors * sizeof(PALETTEENTRY);
    std::unique_ptr<uint8_t[]> mem(new (std::nothrow) uint8_t[bytes]());
    if (!mem) {
        ShowError(kMsgNoMemory);
        return ScopedPalette();
    }
    LOGPALETTE* lp = reinterpret_cast<LOGPALETTE*>(mem.get());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(colors);
    const uint8_t* pal = dib.data() + pal_offset;
    for (uint32_t i = 0; i < colors; ++i) {
        lp->palPalEntry[i].peRed = pal[i * entry + 2];
        lp->palPalEntry[i].peGreen = pal[i * entry + 1];
        lp->palPalEntry[i].peBlue = pal[i * entry];
        lp->palPalEntry[i].peFlags = 0;
    }
    return ScopedPalette(CreatePalette(lp));
}

bool DrawDib(HDC dc, const DibImage& dib, const RECT& dst, const RECT& src) {
    DibLayout l;
    if (!GetDibLayout(dib, &l) || l.header.size != kInfoHeaderSize) return false;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, dst.left, dst.top, dst.right - dst.left, dst.bottom - dst.top, src.left,
                  src.top, src.right - src.left, src.bottom - src.top, dib.data() + l.pixel_offset,
                  reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, SRCCOPY);
    return true;
}

namespace {
DibImage ReadBack(void* context, int compression, int bit_count);
struct BitmapPair {
    HBITMAP bitmap;
    HPALETTE palette;
};
}  // namespace

DibImage DibFromBitmap(HBITMAP bitmap, HPALETTE palette, int compression, int bit_count) {
    DibImage out;
    BITMAP bm;
    if (!bitmap || !GetObject(bitmap, sizeof bm, &bm)) {
        ShowError(kMsgBitmapGetFailed);
        return out;
    }
    int bits = bit_count ? bit_count : bm.bmPlanes * bm.bmBitsPixel;
    bits = bits <= 1 ? 1 : bits <= 4 ? 4 : bits <= 8 ? 8 : 24;
    if (!DibSizeAllowed(bm.bmWidth, bm.bmHeight, bits)) {
        ShowError(kMsgNoMemory);
        return out;
    }
    const uint32_t colors = bits <= 8 ? (1u << bits) : 0;
    // Header and a full palette first; the driver fills in the rest.
    ByteBlock head;
    if (!head.Allocate(kInfoHeaderSize + colors * 4)) {
        ShowError(kMsgNoMemory);
        return out;
    }
    DibHeader h = InfoHeaderFor(bm.bmWidth, bm.bmHeight, bits);
    h.compression = static_cast<uint32_t>(compression);
    WriteInfoHeader(head.data(), h);

    ScopedWindowDC screen(nullptr);
    ScopedSelectPalette selected(screen.dc(), palette, FALSE);
    if (palette) RealizePalette(screen.dc());
    BITMAPINFO* bi = reinterpret_cast<BITMAPINFO*>(head.data());
    if (!GetDIBits(screen.dc(), bitmap, 0, static_cast<UINT>(bm.bmHeight), nullptr, bi,
                   DIB_RGB_COLORS)) {
        ShowError(kMsgBitmapCreateFailed);
        return out;
    }
    DibHeader filled = ParseDibHeader(head.data(), head.size());
    uint64_t image = filled.size_image;
    if (image == 0 || compression == BI_RGB)
        image = DibStride(bm.bmWidth, bits) * static_cast<uint64_t>(bm.bmHeight);
    if (image > kMaxPixelBytes) {
        ShowError(kMsgNoMemory);
        return out;
    }
    const size_t pal_bytes = colors * 4;
    if (!out.block.Allocate(kInfoHeaderSize + pal_bytes + static_cast<size_t>(image))) {
        ShowError(kMsgNoMemory);
        return out;
    }
    std::memcpy(out.data(), head.data(), kInfoHeaderSize + pal_bytes);
    bi = reinterpret_cast<BITMAPINFO*>(out.data());
    bi->bmiHeader.biSizeImage = static_cast<DWORD>(image);
    if (!GetDIBits(screen.dc(), bitmap, 0, static_cast<UINT>(bm.bmHeight),
                   out.data() + kInfoHeaderSize + pal_bytes, bi, DIB_RGB_COLORS)) {
        out.block.Reset();
        ShowError(kMsgBitmapCreateFailed);
        return out;
    }
    // Our blocks always carry the whole palette the header promises.
    bi->bmiHeader.biClrUsed = colors;
    return out;
}

namespace {
DibImage ReadBack(void* context, int compression, int bit_count) {
    BitmapPair* p = static_cast<BitmapPair*>(context);
    return DibFromBitmap(p->bitmap, p->palette, compression, bit_count);
}
}  // namespace

int ConvertForSave(const DibImage& dib, HBITMAP bitmap, HPALETTE palette, int compression,
                   int bit_count, DibImage* out) {
    BitmapPair pair{bitmap, palette};
    DibFromBitmapHook hook{ReadBack, &pair};
    return ConvertForSave(dib, compression, bit_count, &hook, out);
}

int ColorCapabilityFrom(bool palette_device, int bits) {
    if (!palette_device) return 0;
    if (bits <= 1) return 2;
    if (bits <= 4) return 16;
    if (bits <= 8) return 256;
    return 0;
}

int DisplayColorCapability() {
    static int capability = -1;
    if (capability < 0) {
        ScopedWindowDC screen(nullptr);
        bool palette_device = (GetDeviceCaps(screen.dc(), RASTERCAPS) & RC_PALETTE) != 0;
        capability = ColorCapabilityFrom(palette_device, GetDeviceCaps(screen.dc(), BITSPIXEL));
    }
    return capability;
}

DibImage ReduceForDisplay(HWND, const DibImage& dib) {
    if (DibBitCount(dib) != 24 || DisplayColorCapability() != 256) return DibImage();
    Plat().prompts->SetCursor(CursorKind::kHourglass);
    DibImage reduced = ReduceTo256(dib);
    Plat().prompts->SetCursor(CursorKind::kArrow);
    return reduced;
}
