// The GDI side of the codec, run under Wine: palettes, drawing, reading bitmaps back.
#include <windows.h>

#include <gtest/gtest.h>

#include "codec/bmp_file.h"
#include "codec/win/dib_win.h"
#include "codec_test_support.h"

namespace {

class GdiTest : public CodecTest {
protected:
    DibImage Load(const std::vector<uint8_t>& bytes) {
        std::string p = TempPath(".bmp");
        WriteBytes(p, bytes);
        return LoadBmpFile(p);
    }
};

// A memory device context with a 24-bit top-down section to draw into.
struct Canvas {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    uint8_t* bits = nullptr;
    int width, height, stride;
    Canvas(int w, int h) : width(w), height(h), stride(((w * 24 + 31) / 32) * 4) {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        void* p = nullptr;
        bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<uint8_t*>(p);
        old = SelectObject(dc, bitmap);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Rgb At(int x, int y) const {
        GdiFlush();
        const uint8_t* p = bits + y * stride + x * 3;
        return Rgb{p[2], p[1], p[0]};
    }
};

TEST_F(GdiTest, PaletteFromPictureColours) {
    std::vector<Rgb> pal = {{255, 0, 0}, {0, 128, 0}, {1, 2, 3}};
    DibImage d = Load(MakePaletteBmp(4, 4, 8, pal, [](int x, int) { return x % 3; }));
    ScopedPalette p = MakeDibPalette(d);
    ASSERT_TRUE(p);
    PALETTEENTRY e[4] = {};
    ASSERT_EQ(GetPaletteEntries(p.get(), 0, 4, e), 3u);
    EXPECT_EQ(e[0].peRed, 255);
    EXPECT_EQ(e[1].peGreen, 128);
    EXPECT_EQ(e[2].peBlue, 3);
    EXPECT_EQ(e[2].peFlags, 0);
    EXPECT_FALSE(MakeDibPalette(Load(MakeBmp24(2, 2, TestPattern))));
}

TEST_F(GdiTest, DrawDibCopiesPixels) {
    DibImage d = Load(MakeBmp24(8, 4, TestPattern));
    Canvas c(8, 4);
    RECT r{0, 0, 8, 4};
    ASSERT_TRUE(DrawDib(c.dc, d, r, r));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            Rgb want = TestPattern(x, y), got = c.At(x, y);
            ASSERT_EQ(got.r, want.r) << x << "," << y;
            ASSERT_EQ(got.g, want.g);
            ASSERT_EQ(got.b, want.b);
        }
    std::vector<uint8_t> cut = MakeBmp24(8, 4, TestPattern);
    cut.resize(cut.size() - 10);
    EXPECT_FALSE(DrawDib(c.dc, Load(cut), r, r));
}

TEST_F(GdiTest, DrawDibUsesPaletteColours) {
    std::vector<Rgb> pal = {{10, 20, 30}, {200, 100, 50}};
    DibImage d = Load(MakePaletteBmp(4, 2, 8, pal, [](int x, int) { return x & 1; }));
    Canvas c(4, 2);
    RECT r{0, 0, 4, 2};
    ASSERT_TRUE(DrawDib(c.dc, d, r, r));
    EXPECT_EQ(c.At(1, 0).r, 200);
    EXPECT_EQ(c.At(0, 1).b, 30);
}

TEST_F(GdiTest, DibFromBitmapReadsBack) {
    DibImage d = Load(MakeBmp24(6, 3, TestPattern));
    HDC screen = GetDC(nullptr);
    ScopedBitmap bm(CreateDIBitmap(screen, reinterpret_cast<BITMAPINFOHEADER*>(d.data()), CBM_INIT,
                                   d.data() + 40, reinterpret_cast<BITMAPINFO*>(d.data()),
                                   DIB_RGB_COLORS));
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(bm);
    DibImage back = DibFromBitmap(bm.get(), nullptr, BI_RGB, 24);
    ASSERT_TRUE(back);
    EXPECT_EQ(DibWidth(back), 6);
    EXPECT_EQ(DibHeight(back), 3);
    EXPECT_EQ(DibBitCount(back), 24);
    DibLayout l;
    ASSERT_TRUE(GetDibLayout(back, &l));
    EXPECT_EQ(0, memcmp(back.data() + l.pixel_offset, d.data() + 40, l.pixel_bytes));
    DibImage own = DibFromBitmap(bm.get(), nullptr, BI_RGB, 0);
    ASSERT_TRUE(own);
    EXPECT_EQ(DibBitCount(own), 24);  // the screen's depth, rounded up to 24
    EXPECT_FALSE(DibFromBitmap(nullptr, nullptr, BI_RGB, 24));
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0], "It failed in the getting bitmap.");
}

TEST_F(GdiTest, RunLengthPictureConvertsThroughTheDisplay) {
    std::vector<uint8_t> v =
        MakePaletteBmp(4, 2, 8, {{0, 0, 0}, {255, 0, 0}}, [](int, int) { return 0; });
    size_t off = GetLe32(v.data() + 10);
    v.resize(off);
    const uint8_t rle[] = {4, 1, 0, 0, 4, 0, 0, 1};  // bottom row red, top row black
    v.insert(v.end(), rle, rle + sizeof rle);
    PutLe32(v.data() + 30, 1);
    PutLe32(v.data() + 34, sizeof rle);
    DibImage d = Load(v);
    ASSERT_TRUE(d);
    HDC screen = GetDC(nullptr);
    ScopedBitmap bm(CreateDIBitmap(screen, reinterpret_cast<BITMAPINFOHEADER*>(d.data()), CBM_INIT,
                                   d.data() + DibPixelOffset(d),
                                   reinterpret_cast<BITMAPINFO*>(d.data()), DIB_RGB_COLORS));
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(bm);
    ScopedPalette pal = MakeDibPalette(d);
    DibImage out;
    ASSERT_EQ(ConvertForSave(d, bm.get(), pal.get(), BI_RGB, 24, &out), 1);
    ASSERT_TRUE(out);
    EXPECT_EQ(DibBitCount(out), 24);
    EXPECT_EQ(DibCompression(out), 0);
    const uint8_t* bottom = out.data() + DibPixelOffset(out);
    EXPECT_EQ(bottom[2], 255);
    EXPECT_EQ(bottom[0], 0);
    const uint8_t* top = bottom + DibStride(4, 24);
    EXPECT_EQ(top[2], 0);
}

TEST(DisplayCapability, Mapping) {
    EXPECT_EQ(ColorCapabilityFrom(false, 8), 0);
    EXPECT_EQ(ColorCapabilityFrom(true, 1), 2);
    EXPECT_EQ(ColorCapabilityFrom(true, 2), 16);
    EXPECT_EQ(ColorCapabilityFrom(true, 4), 16);
    EXPECT_EQ(ColorCapabilityFrom(true, 5), 256);
    EXPECT_EQ(ColorCapabilityFrom(true, 8), 256);
    EXPECT_EQ(ColorCapabilityFrom(true, 16), 0);
}

TEST_F(GdiTest, TrueColourDisplayDrawsTheInput) {
    HDC screen = GetDC(nullptr);
    bool palette_device = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
    int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(DisplayColorCapability(), ColorCapabilityFrom(palette_device, bits));
    DibImage d = Load(MakeBmp24(4, 4, TestPattern));
    DibImage r = ReduceForDisplay(nullptr, d);
    EXPECT_EQ(static_cast<bool>(r), DisplayColorCapability() == 256);
}

}  // namespace
