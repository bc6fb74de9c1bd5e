#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "codec/bmp_file.h"
#include "codec/reduce.h"
#include "codec_test_support.h"

namespace {

class ReduceTest : public CodecTest {
protected:
    DibImage Picture(int w, int h, const PixelFn& fn) {
        std::string p = TempPath(".bmp");
        WriteBytes(p, MakeBmp24(w, h, fn));
        return LoadBmpFile(p);
    }
    static Rgb PixelOf(const DibImage& d, int x, int y) {  // y from the top
        DibLayout l;
        EXPECT_TRUE(GetDibLayout(d, &l));
        const uint8_t* row = d.data() + l.pixel_offset + (l.header.height - 1 - y) * l.stride;
        if (l.header.bit_count == 24) return Rgb{row[x * 3 + 2], row[x * 3 + 1], row[x * 3]};
        const uint8_t* e = d.data() + l.palette_offset + row[x] * 4;
        return Rgb{e[2], e[1], e[0]};
    }
    static int IndexOf(const DibImage& d, int x, int y) {
        DibLayout l;
        EXPECT_TRUE(GetDibLayout(d, &l));
        return d.data()[l.pixel_offset + (l.header.height - 1 - y) * l.stride + x];
    }
    static Rgb Corner(Rgb c) {
        return Rgb{uint8_t(c.r & 0xF0), uint8_t(c.g & 0xF8), uint8_t(c.b & 0xF0)};
    }
};

bool Same(Rgb a, Rgb b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

TEST(Quantiser, CellAndRegionLayout) {
    EXPECT_EQ(FineCellOf(0xFF, 0xFF, 0xFF), 8191);
    EXPECT_EQ(FineCellOf(0x10, 0, 0), 1 << 9);
    EXPECT_EQ(FineCellOf(0, 0x08, 0), 1 << 4);
    EXPECT_EQ(FineCellOf(0, 0, 0x10), 1);
    EXPECT_EQ(CoarseRegionOf(FineCellOf(0xFF, 0xFF, 0xFF)), 63);
    EXPECT_EQ(CoarseRegionOf(FineCellOf(0x40, 0, 0)), 16);
    EXPECT_EQ(CoarseRegionOf(FineCellOf(0, 0x40, 0)), 4);
    EXPECT_EQ(CoarseRegionOf(FineCellOf(0, 0, 0x40)), 1);
}

TEST_F(ReduceTest, SingleColourGivesOneEntry) {
    DibImage d = Picture(9, 5, [](int, int) { return Rgb{77, 130, 201}; });
    DibImage r = ReduceTo256(d);
    ASSERT_TRUE(r);
    EXPECT_EQ(DibBitCount(r), 8);
    EXPECT_EQ(DibColorCount(r), 1u);
    EXPECT_EQ(r.size(), 40u + 4u + DibStride(9, 8) * 5);
    EXPECT_TRUE(Same(PixelOf(r, 4, 2), Corner(Rgb{77, 130, 201})));
}

TEST_F(ReduceTest, FewCellsMapToTheirOwnLowCorners) {
    // 200 distinct cells, each colour off its corner.
    auto fn = [](int x, int y) {
        int i = (x + y * 20) % 200;
        return Rgb{uint8_t((i % 16) * 16 + 5), uint8_t((i / 16) * 8 + 3), uint8_t(0x90 + 7)};
    };
    DibImage r = ReduceTo256(Picture(20, 10, fn));
    ASSERT_TRUE(r);
    EXPECT_EQ(DibColorCount(r), 200u);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_TRUE(Same(PixelOf(r, x, y), Corner(fn(x, y))));
}

TEST_F(ReduceTest, RareRegionStillGetsAnEntry) {
    // 300 frequent cells in one corner of the cube, one pixel of a far colour.
    auto fn = [](int x, int y) {
        if (x == 0 && y == 0) return Rgb{250, 250, 250};
        int i = (x + y * 40) % 300;
        return Rgb{uint8_t((i % 4) * 16), uint8_t(((i / 4) % 8) * 8), uint8_t((i / 32) * 16)};
    };
    DibImage r = ReduceTo256(Picture(40, 30, fn));
    ASSERT_TRUE(r);
    EXPECT_EQ(DibColorCount(r), 256u);
    EXPECT_TRUE(Same(PixelOf(r, 0, 0), Corner(Rgb{250, 250, 250})));
}

TEST_F(ReduceTest, EveryUsedRegionIsRepresentedAndOthersMapToNearest) {
    auto fn = [](int x, int y) {
        return Rgb{uint8_t((x * 7 + y * 3) & 255), uint8_t((x * 13) & 255),
                   uint8_t((y * 11) & 255)};
    };
    const int w = 64, h = 48;
    DibImage r = ReduceTo256(Picture(w, h, fn));
    ASSERT_TRUE(r);
    const uint32_t n = DibColorCount(r);
    ASSERT_EQ(n, 256u);
    std::vector<int> pal_cells;
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t* e = r.data() + 40 + i * 4;
        pal_cells.push_back(FineCellOf(e[0], e[1], e[2]));
    }
    std::set<int> pal_regions, used_regions;
    for (int c : pal_cells) pal_regions.insert(CoarseRegionOf(c));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb c = fn(x, y);
            int cell = FineCellOf(c.b, c.g, c.r);
            used_regions.insert(CoarseRegionOf(cell));
            // The mapped entry is the nearest one, the lowest position on ties.
            int best = -1, best_d = 1 << 30;
            for (uint32_t i = 0; i < n; ++i) {
                int e = pal_cells[i];
                int db = (cell >> 9) - (e >> 9), dg = ((cell >> 4) & 31) - ((e >> 4) & 31),
                    dr = (cell & 15) - (e & 15);
                int d = db * db + dg * dg + dr * dr;
                if (d < best_d) best_d = d, best = static_cast<int>(i);
            }
            ASSERT_EQ(IndexOf(r, x, y), best) << x << "," << y;
        }
    EXPECT_EQ(pal_regions, used_regions);
    // Representatives come first: the first |regions| entries lie in distinct regions.
    std::set<int> first;
    for (size_t i = 0; i < used_regions.size(); ++i) first.insert(CoarseRegionOf(pal_cells[i]));
    EXPECT_EQ(first.size(), used_regions.size());
}

TEST_F(ReduceTest, FrequentCellsOutrankRareOnes) {
    // 400 cells over 16 regions with counts 1..13.
    std::vector<Rgb> pixels;
    std::vector<int> count(8192, 0);
    for (int i = 0; i < 400; ++i) {
        Rgb c{uint8_t((i % 16) * 16), uint8_t(((i / 16) % 32) * 8), 0};
        int n = 1 + (i * 7919) % 13;
        count[FineCellOf(c.b, c.g, c.r)] = n;
        for (int k = 0; k < n; ++k) pixels.push_back(c);
    }
    const int w = static_cast<int>(pixels.size());
    DibImage r = ReduceTo256(Picture(w, 1, [&](int x, int) { return pixels[x]; }));
    ASSERT_TRUE(r);
    ASSERT_EQ(DibColorCount(r), 256u);
    // The representative of each region: its most frequent cell, the lowest cell on ties.
    std::set<int> reps;
    for (int region = 0; region < 64; ++region) {
        int best = -1;
        for (int c = 0; c < 8192; ++c)
            if (count[c] && CoarseRegionOf(c) == region && (best < 0 || count[c] > count[best]))
                best = c;
        if (best >= 0) reps.insert(best);
    }
    std::set<int> selected;
    for (int i = 0; i < 256; ++i) {
        const uint8_t* e = r.data() + 40 + i * 4;
        selected.insert(FineCellOf(e[0], e[1], e[2]));
    }
    for (int c : reps) EXPECT_TRUE(selected.count(c)) << c;
    int lowest_selected = 1 << 30;
    for (int c : selected)
        if (!reps.count(c)) lowest_selected = std::min(lowest_selected, count[c]);
    for (int c = 0; c < 8192; ++c) {
        if (count[c] && !selected.count(c)) {
            EXPECT_LE(count[c], lowest_selected) << c;
        }
    }
}

TEST_F(ReduceTest, CompressedOrPaletteInputIsReturnedUnchanged) {
    DibImage d = Picture(4, 4, TestPattern);
    PutLe32(d.data() + 16, 1);
    EXPECT_FALSE(ReduceTo256(d));
    std::string p = TempPath(".bmp");
    WriteBytes(p, MakePaletteBmp(4, 4, 8, {{1, 2, 3}}, [](int, int) { return 0; }));
    EXPECT_FALSE(ReduceTo256(LoadBmpFile(p)));
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(ReduceTest, KeepsResolutionFields) {
    std::vector<uint8_t> v = MakeBmp24(3, 3, TestPattern);
    PutLe32(v.data() + 38, 2835);
    PutLe32(v.data() + 42, 1000);
    std::string p = TempPath(".bmp");
    WriteBytes(p, v);
    DibImage r = ReduceTo256(LoadBmpFile(p));
    ASSERT_TRUE(r);
    DibHeader h = ReadDibHeader(r);
    EXPECT_EQ(h.x_pels_per_meter, 2835);
    EXPECT_EQ(h.y_pels_per_meter, 1000);
    EXPECT_EQ(h.clr_used, DibColorCount(r));
    EXPECT_EQ(h.clr_important, 0u);
}

TEST(CubeDitherQuantize, Thresholds) {
    EXPECT_EQ(CubeQuantize(0, 0), 0);
    EXPECT_EQ(CubeQuantize(1, 0), 51);
    EXPECT_EQ(CubeQuantize(50, 50), 0);
    EXPECT_EQ(CubeQuantize(51, 0), 51);
    EXPECT_EQ(CubeQuantize(52, 0), 102);
    EXPECT_EQ(CubeQuantize(101, 49), 102);
    EXPECT_EQ(CubeQuantize(101, 50), 51);
    EXPECT_EQ(CubeQuantize(204, 0), 204);
    EXPECT_EQ(CubeQuantize(205, 0), 255);
    EXPECT_EQ(CubeQuantize(254, 51), 204);
    EXPECT_EQ(CubeQuantize(255, 51), 255);
}

TEST_F(ReduceTest, CubeDitherPaletteAndPixels) {
    auto fn = [](int x, int y) {
        if (y == 0) return Rgb{255, 255, 255};
        if (y == 1) return Rgb{0, 0, 0};
        return Rgb{uint8_t(x * 20), uint8_t(y * 30), uint8_t(100)};
    };
    DibImage d = CubeDither(Picture(11, 5, fn));
    ASSERT_TRUE(d);
    DibHeader h = ReadDibHeader(d);
    EXPECT_EQ(h.bit_count, 8);
    EXPECT_EQ(h.clr_used, 0u);
    EXPECT_EQ(d.size(), 40u + 1024u + DibStride(11, 8) * 5);
    const uint8_t* pal = d.data() + 40;
    EXPECT_EQ(pal[(1 * 36 + 2 * 6 + 3) * 4 + 2], 51);   // red
    EXPECT_EQ(pal[(1 * 36 + 2 * 6 + 3) * 4 + 1], 102);  // green
    EXPECT_EQ(pal[(1 * 36 + 2 * 6 + 3) * 4 + 0], 153);  // blue
    for (int i = 216; i < 256; ++i) EXPECT_EQ(GetLe32(pal + i * 4), 0u);
    for (int x = 0; x < 11; ++x) {
        EXPECT_EQ(IndexOf(d, x, 0), 215);
        EXPECT_EQ(IndexOf(d, x, 1), 0);
    }
    // Rows of 8 bits are padded with zeros.
    const uint8_t* rows = d.data() + 40 + 1024;
    EXPECT_EQ(rows[11], 0);
    EXPECT_FALSE(CubeDither(ReduceTo256(Picture(2, 2, TestPattern))));
}

}  // namespace
