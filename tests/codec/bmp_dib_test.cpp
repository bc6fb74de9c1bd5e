#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "codec/bmp_file.h"
#include "codec/dib.h"
#include "codec_test_support.h"

namespace {

class BmpTest : public CodecTest {
protected:
    std::string Write(const std::vector<uint8_t>& bytes) {
        std::string p = TempPath(".bmp");
        WriteBytes(p, bytes);
        return p;
    }
    DibImage LoadBytes(const std::vector<uint8_t>& bytes) { return LoadBmpFile(Write(bytes)); }
    // Loads bytes expecting failure with one box.
    void ExpectRefused(const std::vector<uint8_t>& bytes, const char* message) {
        prompts.boxes.clear();
        DibImage d = LoadBytes(bytes);
        EXPECT_FALSE(d);
        ASSERT_EQ(prompts.boxes.size(), 1u);
        EXPECT_EQ(prompts.boxes[0], message);
    }
    // A header-only file that claims width x height at bits per pixel.
    static std::vector<uint8_t> Claim(int32_t width, int32_t height, int bits) {
        std::vector<uint8_t> v = MakeBmp24(1, 1, TestPattern);
        PutLe32(&v[18], static_cast<uint32_t>(width));
        PutLe32(&v[22], static_cast<uint32_t>(height));
        PutLe16(&v[28], bits);
        return v;
    }
};

const char kNoMemory[] = "Memory cannot be allocated.";
const char kBadBmp[] = "This BMP file cannot be allocated.";

TEST_F(BmpTest, TrueColourRoundTripKeepsEveryByte) {
    std::vector<uint8_t> file = MakeBmp24(13, 7, TestPattern);
    DibImage d = LoadBytes(file);
    ASSERT_TRUE(d);
    EXPECT_EQ(d.size(), file.size() - 14);
    EXPECT_EQ(0, std::memcmp(d.data(), file.data() + 14, d.size()));
    EXPECT_EQ(DibWidth(d), 13);
    EXPECT_EQ(DibHeight(d), 7);
    EXPECT_EQ(DibBitCount(d), 24);
    EXPECT_EQ(DibColorCount(d), 0u);
    EXPECT_EQ(DibPixelOffset(d), 40u);
    std::string out = TempPath(".bmp");
    ASSERT_EQ(SaveBmpFile(out, d), 1);
    EXPECT_EQ(ReadBytes(out), file);
    EXPECT_TRUE(prompts.boxes.empty());
    // The wait cursor always comes back to the arrow.
    EXPECT_EQ(prompts.hourglass, prompts.arrow);
}

TEST_F(BmpTest, SaveWritesFileHeaderFromBlock) {
    std::vector<Rgb> pal = {{1, 2, 3}, {4, 5, 6}};
    DibImage d = LoadBytes(MakePaletteBmp(3, 2, 8, pal, [](int x, int) { return x & 1; }));
    ASSERT_TRUE(d);
    std::string out = TempPath(".bmp");
    ASSERT_EQ(SaveBmpFile(out, d), 1);
    std::vector<uint8_t> f = ReadBytes(out);
    ASSERT_GE(f.size(), 14u);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(GetLe32(f.data() + 2), d.size() + 14);
    EXPECT_EQ(GetLe32(f.data() + 6), 0u);
    EXPECT_EQ(GetLe32(f.data() + 10), 14u + 40u + 2u * 4u);
}

TEST_F(BmpTest, RefusesWrongTypeShortAndEmptyFiles) {
    std::vector<uint8_t> v = MakeBmp24(2, 2, TestPattern);
    v[1] = 'A';
    ExpectRefused(v, kBadBmp);
    ExpectRefused(std::vector<uint8_t>(v.begin(), v.begin() + 13), kBadBmp);
    ExpectRefused({}, kBadBmp);
    prompts.boxes.clear();
    EXPECT_FALSE(LoadBmpFile(TempPath(".missing")));
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0], "File cannot be opened.");
}

TEST_F(BmpTest, SideLimitsAtNAndNPlusOne) {
    // The files are tiny: the limits are checked against the header, before allocating.
    EXPECT_TRUE(LoadBytes(Claim(32767, 1, 24)));
    ExpectRefused(Claim(32768, 1, 24), kNoMemory);
    EXPECT_TRUE(LoadBytes(Claim(1, 32767, 24)));
    ExpectRefused(Claim(1, 32768, 24), kNoMemory);
    ExpectRefused(Claim(0, 5, 24), kNoMemory);
    ExpectRefused(Claim(5, 0, 24), kNoMemory);
    ExpectRefused(Claim(-5, 5, 24), kNoMemory);
    ExpectRefused(Claim(5, -32768, 24), kNoMemory);
    ExpectRefused(Claim(5, INT32_MIN, 24), kNoMemory);
    // A top-down file must hold every row to be turned over: this one holds one of five.
    ExpectRefused(Claim(5, -5, 24), "Failed to read the file.");
}

TEST_F(BmpTest, TopDownFilesLoadBottomUp) {
    std::vector<uint8_t> colour = MakeBmp24(5, 3, TestPattern);
    std::vector<Rgb> pal = {{10, 20, 30}, {200, 100, 50}, {0, 0, 255}};
    std::vector<uint8_t> indexed =
        MakePaletteBmp(7, 4, 8, pal, [](int x, int y) { return (x + 2 * y) % 3; });
    for (const std::vector<uint8_t>* v : {&colour, &indexed}) {
        DibImage want = LoadBytes(*v);
        ASSERT_TRUE(want);
        std::vector<uint8_t> top_down = TopDownBmp(*v);
        ASSERT_NE(top_down, *v);
        DibImage got = LoadBytes(top_down);
        ASSERT_TRUE(got);
        EXPECT_GT(DibHeight(got), 0);
        ASSERT_EQ(got.size(), want.size());
        EXPECT_EQ(0, std::memcmp(got.data(), want.data(), want.size()));
        // Bytes after the last row are not rows: left out.
        top_down.insert(top_down.end(), {1, 2, 3});
        DibImage trailing = LoadBytes(top_down);
        ASSERT_EQ(trailing.size(), want.size());
        EXPECT_EQ(0, std::memcmp(trailing.data(), want.data(), want.size()));
    }
    std::vector<uint8_t> rle = TopDownBmp(indexed);
    PutLe32(&rle[30], 1);
    ExpectRefused(rle, kBadBmp);  // run-length data is bottom-up only
}

TEST_F(BmpTest, PixelBudgetAtNAndNPlusOne) {
    // 32767 pixels of 24 bits make a stride of 98304 bytes; 2730 rows fit in 256 MiB.
    ASSERT_EQ(DibStride(32767, 24), 98304u);
    ASSERT_LE(98304ull * 2730, kMaxPixelBytes);
    ASSERT_GT(98304ull * 2731, kMaxPixelBytes);
    DibImage d = LoadBytes(Claim(32767, 2730, 24));
    EXPECT_TRUE(d);
    EXPECT_LT(d.size(), 100u);  // the block holds what the file holds
    ExpectRefused(Claim(32767, 2731, 24), kNoMemory);
}

TEST_F(BmpTest, RefusesHeaderFieldsOutOfRange) {
    std::vector<uint8_t> base = MakeBmp24(4, 4, TestPattern);
    auto with = [&](size_t at, uint32_t x, bool wide) {
        std::vector<uint8_t> v = base;
        if (wide)
            PutLe32(&v[at], x);
        else
            PutLe16(&v[at], x);
        return v;
    };
    ExpectRefused(with(14, 20, true), kBadBmp);          // header size
    ExpectRefused(with(14, 200, true), kBadBmp);         // header size
    ExpectRefused(with(26, 2, false), kBadBmp);          // planes
    ExpectRefused(with(28, 7, false), kBadBmp);          // bit count
    ExpectRefused(with(30, 3, true), kBadBmp);           // bit fields
    ExpectRefused(with(30, 1, true), kBadBmp);           // run-length on 24 bits
    ExpectRefused(with(46, 257, true), kBadBmp);         // palette count
    ExpectRefused(with(10, 40, true), kBadBmp);          // data inside the header
    ExpectRefused(with(10, 0x7FFFFFFF, true), kBadBmp);  // data beyond the file
    std::vector<uint8_t> v8 =
        MakePaletteBmp(4, 4, 4, {{0, 0, 0}, {9, 9, 9}}, [](int, int) { return 1; });
    PutLe32(&v8[46], 17);  // 17 colours for 4 bits
    ExpectRefused(v8, kBadBmp);
}

TEST_F(BmpTest, CoreHeaderIsConvertedAtOnce) {
    std::vector<Rgb> pal(256);
    for (int i = 0; i < 256; ++i) pal[i] = Rgb{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)};
    auto idx = [](int x, int y) { return (x * 37 + y * 11) & 255; };
    std::vector<uint8_t> core = MakePaletteBmp(5, 3, 8, pal, idx, true);
    DibImage d = LoadBytes(core);
    ASSERT_TRUE(d);
    EXPECT_EQ(DibHeaderSize(d), 40u);
    EXPECT_EQ(DibCompression(d), 0);
    EXPECT_EQ(DibWidth(d), 5);
    EXPECT_EQ(DibHeight(d), 3);
    EXPECT_EQ(DibBitCount(d), 8);
    EXPECT_EQ(DibColorCount(d), 256u);
    ASSERT_EQ(d.size(), 40u + 1024u + 8u * 3u);
    for (int i = 0; i < 256; ++i) {
        const uint8_t* e = d.data() + 40 + i * 4;
        EXPECT_EQ(e[0], pal[i].b);
        EXPECT_EQ(e[1], pal[i].g);
        EXPECT_EQ(e[2], pal[i].r);
        EXPECT_EQ(e[3], 0);
    }
    std::vector<uint8_t> plain = MakePaletteBmp(5, 3, 8, pal, idx, false);
    EXPECT_EQ(0, std::memcmp(d.data() + 40 + 1024, plain.data() + 14 + 40 + 1024, 24));
}

TEST_F(BmpTest, LaterHeaderVersionsAreCutToFortyBytes) {
    std::vector<uint8_t> v = MakeBmp24(3, 3, TestPattern);
    // Grow the header to 124 bytes (fields after the first 40 left zero).
    v.insert(v.begin() + 54, 84, 0);
    PutLe32(&v[14], 124);
    PutLe32(&v[10], 14 + 124);
    DibImage d = LoadBytes(v);
    ASSERT_TRUE(d);
    EXPECT_EQ(DibHeaderSize(d), 40u);
    EXPECT_EQ(d.size(), 40u + 12u * 3u);
}

TEST_F(BmpTest, FourBitPictureExpandsWithNibbleOrder) {
    std::vector<Rgb> pal(16);
    for (int i = 0; i < 16; ++i) pal[i] = Rgb{uint8_t(i * 16), uint8_t(i), uint8_t(255 - i)};
    auto idx = [](int x, int y) { return (x + 3 * y) & 15; };
    DibImage d = LoadBytes(MakePaletteBmp(7, 3, 4, pal, idx));
    ASSERT_TRUE(d);
    DibImage e = ExpandTo24(d);
    ASSERT_TRUE(e);
    EXPECT_EQ(DibBitCount(e), 24);
    EXPECT_EQ(DibColorCount(e), 0u);
    size_t stride = DibStride(7, 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x) {
            const uint8_t* p = e.data() + 40 + (2 - y) * stride + x * 3;
            Rgb c = pal[idx(x, y)];
            ASSERT_EQ(p[2], c.r) << x << "," << y;
            ASSERT_EQ(p[1], c.g);
            ASSERT_EQ(p[0], c.b);
        }
}

TEST_F(BmpTest, ExpandGivesBlackForIndexesPastThePalette) {
    std::vector<Rgb> pal = {{10, 20, 30}, {40, 50, 60}};
    DibImage d = LoadBytes(MakePaletteBmp(4, 1, 8, pal, [](int x, int) { return x * 60; }));
    ASSERT_TRUE(d);
    DibImage e = ExpandTo24(d);
    ASSERT_TRUE(e);
    const uint8_t* p = e.data() + 40;
    EXPECT_EQ(p[0], 30);  // index 0
    EXPECT_EQ(p[2], 10);
    for (int i = 3; i < 12; ++i) EXPECT_EQ(p[i], 0) << i;  // indexes 60, 120, 180
}

TEST_F(BmpTest, ExpandKeepsHeaderFieldsAndClearsTheRest) {
    std::vector<uint8_t> v =
        MakePaletteBmp(3, 2, 8, {{1, 1, 1}, {2, 2, 2}}, [](int x, int) { return x & 1; });
    PutLe32(&v[38], 3779);  // pixels per metre
    PutLe32(&v[42], 2834);
    PutLe32(&v[50], 2);  // colours important
    DibImage e = ExpandTo24(LoadBytes(v));
    ASSERT_TRUE(e);
    DibHeader h = ReadDibHeader(e);
    EXPECT_EQ(h.x_pels_per_meter, 3779);
    EXPECT_EQ(h.y_pels_per_meter, 2834);
    EXPECT_EQ(h.clr_used, 0u);
    EXPECT_EQ(h.clr_important, 0u);
    EXPECT_EQ(h.size_image, 0u);
    EXPECT_EQ(h.compression, 0u);
    EXPECT_EQ(e.size(), 40u + DibStride(3, 24) * 2);
}

TEST_F(BmpTest, RunLengthPictureLoadsButNeedsTheDisplayToConvert) {
    // Two rows of 4 pixels: "4 x index 1", end of line, "4 x index 0", end of picture.
    std::vector<uint8_t> v =
        MakePaletteBmp(4, 2, 8, {{0, 0, 0}, {255, 0, 0}}, [](int, int) { return 0; });
    size_t off = GetLe32(v.data() + 10);
    v.resize(off);
    const uint8_t rle[] = {4, 1, 0, 0, 4, 0, 0, 1};
    v.insert(v.end(), rle, rle + sizeof rle);
    PutLe32(&v[30], 1);
    DibImage d = LoadBytes(v);
    ASSERT_TRUE(d);
    EXPECT_EQ(DibCompression(d), 1);
    EXPECT_EQ(d.size(), 40u + 8u + sizeof rle);
    prompts.boxes.clear();
    EXPECT_FALSE(ExpandTo24(d));
    DibImage out;
    EXPECT_EQ(ConvertForSave(d, 0, 24, nullptr, &out), 0);
    ASSERT_EQ(prompts.boxes.size(), 2u);
    EXPECT_EQ(prompts.boxes[0], "It failed in the creating the bitmap.");
    EXPECT_EQ(prompts.boxes[1], "It failed in the getting bitmap.");
}

TEST_F(BmpTest, CutOffFileLoadsButRowOperationsRefuseIt) {
    std::vector<uint8_t> v = MakeBmp24(16, 16, TestPattern);
    v.resize(v.size() - 100);
    DibImage d = LoadBytes(v);
    ASSERT_TRUE(d);
    EXPECT_EQ(d.size(), v.size() - 14);
    DibLayout l;
    EXPECT_FALSE(GetDibLayout(d, &l));
    std::vector<uint8_t> p = MakePaletteBmp(16, 16, 8, {{1, 2, 3}}, [](int, int) { return 0; });
    p.resize(p.size() - 1);
    DibImage d8 = LoadBytes(p);
    ASSERT_TRUE(d8);
    prompts.boxes.clear();
    EXPECT_FALSE(ExpandTo24(d8));
    EXPECT_EQ(prompts.boxes.size(), 1u);
}

TEST_F(BmpTest, CutOffCoreFileStaysCutOff) {
    std::vector<Rgb> pal(256);
    std::vector<uint8_t> v = MakePaletteBmp(
        8, 8, 8, pal, [](int, int) { return 3; }, true);
    v.resize(v.size() - 10);
    DibImage d = LoadBytes(v);
    ASSERT_TRUE(d);
    EXPECT_EQ(DibHeaderSize(d), 40u);
    EXPECT_EQ(d.size(), 40u + 1024u + 64u - 10u);
    DibLayout l;
    EXPECT_FALSE(GetDibLayout(d, &l));
}

TEST_F(BmpTest, SaveToUnwritablePlaceFails) {
    DibImage d = LoadBytes(MakeBmp24(2, 2, TestPattern));
    ASSERT_TRUE(d);
    EXPECT_EQ(SaveBmpFile(TempPath("/no/such/folder/x.bmp"), d), 0);
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0], "File cannot be opened.");
}

TEST_F(BmpTest, ConvertForSaveTable) {
    std::vector<Rgb> pal = {{200, 100, 50}, {0, 0, 255}};
    DibImage p8 = LoadBytes(MakePaletteBmp(5, 4, 8, pal, [](int x, int) { return x & 1; }));
    DibImage t24 = LoadBytes(MakeBmp24(5, 4, TestPattern));
    ASSERT_TRUE(p8);
    ASSERT_TRUE(t24);
    DibImage out;
    EXPECT_EQ(ConvertForSave(p8, 0, 8, nullptr, &out), 1);
    EXPECT_FALSE(out);  // the block itself
    EXPECT_EQ(ConvertForSave(p8, 0, 24, nullptr, &out), 1);
    ASSERT_TRUE(out);
    EXPECT_EQ(DibBitCount(out), 24);
    EXPECT_EQ(ConvertForSave(t24, 0, 24, nullptr, &out), 1);
    EXPECT_FALSE(out);
    EXPECT_EQ(ConvertForSave(t24, 0, 8, nullptr, &out), 1);
    ASSERT_TRUE(out);
    EXPECT_EQ(DibBitCount(out), 8);
    EXPECT_LE(DibColorCount(out), 256u);

    // A 4-bit picture goes through the display driver.
    DibImage p4 = LoadBytes(MakePaletteBmp(5, 4, 4, pal, [](int x, int) { return x & 1; }));
    struct Hook {
        static DibImage ReadBack(void* ctx, int compression, int bits) {
            auto* seen = static_cast<std::pair<int, int>*>(ctx);
            *seen = {compression, bits};
            return NewDib(5, 4, bits, 0);
        }
    };
    std::pair<int, int> seen{-1, -1};
    DibFromBitmapHook hook{Hook::ReadBack, &seen};
    EXPECT_EQ(ConvertForSave(p4, 0, 24, &hook, &out), 1);
    EXPECT_EQ(seen, std::make_pair(0, 24));
    EXPECT_EQ(DibBitCount(out), 24);

    // Another compression on 8 bits.
    DibImage odd = CopyDib(p8);
    PutLe32(odd.data() + 16, 2);
    prompts.boxes.clear();
    EXPECT_EQ(ConvertForSave(odd, 0, 24, &hook, &out), 0);
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0], "It failed in the creating the bitmap.");
}

TEST_F(BmpTest, ConvertCoreHeaderBlockDirectly) {
    // A block that still has its core header, as a caller might hold it.
    std::vector<uint8_t> core = MakeBmp24(3, 2, TestPattern);
    const size_t rows = DibStride(3, 24) * 2;
    std::vector<uint8_t> block(12 + rows);
    PutLe32(block.data(), 12);
    PutLe16(block.data() + 4, 3);
    PutLe16(block.data() + 6, 2);
    PutLe16(block.data() + 8, 1);
    PutLe16(block.data() + 10, 24);
    std::copy_n(core.begin() + 54, rows, block.begin() + 12);
    DibImage d;
    ASSERT_TRUE(d.block.Allocate(block.size()));
    std::memcpy(d.data(), block.data(), block.size());
    EXPECT_EQ(DibCompression(d), kCompressionCoreHeader);
    EXPECT_EQ(DibPaletteSize(d), 0u);
    DibImage out;
    ASSERT_EQ(ConvertForSave(d, 0, 24, nullptr, &out), 1);
    ASSERT_TRUE(out);
    EXPECT_EQ(DibHeaderSize(out), 40u);
    EXPECT_EQ(0, std::memcmp(out.data() + 40, core.data() + 54, rows));
}

TEST(DibAccessors, NeverReadPastSmallBlocks) {
    DibImage d;
    EXPECT_EQ(DibHeaderSize(d), 0u);
    EXPECT_EQ(DibWidth(d), 0);
    ASSERT_TRUE(d.block.Allocate(8));
    PutLe32(d.data(), 40);
    EXPECT_EQ(DibBitCount(d), 0);
    DibLayout l;
    EXPECT_FALSE(GetDibLayout(d, &l));
}

TEST(DibAccessors, ColourCountAndPaletteSize) {
    DibHeader h;
    h.size = 40;
    h.bit_count = 8;
    EXPECT_EQ(ColorCountOf(h), 256u);
    h.clr_used = 17;
    EXPECT_EQ(ColorCountOf(h), 17u);
    h.bit_count = 24;
    h.clr_used = 0;
    EXPECT_EQ(ColorCountOf(h), 0u);
    h.size = 12;
    h.bit_count = 4;
    h.clr_used = 3;  // a core header has no such field
    EXPECT_EQ(ColorCountOf(h), 16u);
    EXPECT_EQ(DibStride(5, 8), 8u);
    EXPECT_EQ(DibStride(5, 24), 16u);
    EXPECT_EQ(DibStride(33, 1), 8u);
    EXPECT_EQ(DibStride(3, 4), 4u);
}

}  // namespace
