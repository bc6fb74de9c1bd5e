// Quarter turns, resampling, cut-out and zoom steps on pictures made here.
#include <gtest/gtest.h>

#include "codec_test_support.h"
#include "edit/geometry.h"
#include "edit_test_support.h"

namespace {

class GeometryTest : public CodecTest {};

Bgr Distinct(int x, int y) {
    return {static_cast<uint8_t>(x * 7 + y), static_cast<uint8_t>(y * 11 + 3),
            static_cast<uint8_t>(x * 13 + y * 5 + 1)};
}

DibImage Picture(int bits, int w, int h) {
    if (bits == 24) return MakeRgbDib(w, h, Distinct);
    return MakeIndexDib(w, h, bits, [](int x, int y) { return x * 3 + y * 5 + 1; });
}

TEST_F(GeometryTest, FourTurnsEitherWayGiveThePictureBackAtEveryDepth) {
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        DibImage start = Picture(bits, 13, 6);  // odd width: every row has padding
        for (bool right : {true, false}) {
            DibImage p = CopyDib(start);
            for (int i = 0; i < 4; ++i) {
                p = RotateDib(p, right);
                ASSERT_TRUE(p);
                EXPECT_TRUE(PaddingIsZero(p));
                EXPECT_EQ(DibBitCount(p), bits);
            }
            EXPECT_EQ(Pixels(p), Pixels(start));
            EXPECT_EQ(p.size(), start.size());
        }
    }
}

TEST_F(GeometryTest, TurnsPutKnownPixelsWhereTheyBelong) {
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        DibImage p = Picture(bits, 3, 2);
        DibImage r = RotateDib(p, true);
        DibImage l = RotateDib(p, false);
        ASSERT_EQ(DibWidth(r), 2);
        ASSERT_EQ(DibHeight(r), 3);
        const std::vector<uint32_t> old = Pixels(p), rp = Pixels(r), lp = Pixels(l);
        // Clockwise: new (x, y) = old (y, h-1-x); the old top-left ends at the new top-right.
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 2; ++x) {
                EXPECT_EQ(rp[y * 2 + x], old[(1 - x) * 3 + y]);
                EXPECT_EQ(lp[y * 2 + x], old[x * 3 + (2 - y)]);
            }
        EXPECT_EQ(rp[0 * 2 + 1], old[0]);
        EXPECT_EQ(lp[2 * 2 + 0], old[0]);
        // A right turn and a left turn undo each other.
        EXPECT_EQ(Pixels(RotateDib(r, false)), old);
    }
}

TEST_F(GeometryTest, TurnsKeepPaletteAndResolution) {
    DibImage p = Picture(8, 5, 3);
    DibHeader h = ReadDibHeader(p);
    h.x_pels_per_meter = 2835;
    h.y_pels_per_meter = 1000;
    WriteInfoHeader(p.data(), h);
    DibImage r = RotateDib(p, true);
    DibHeader rh = ReadDibHeader(r);
    EXPECT_EQ(rh.x_pels_per_meter, 2835);
    EXPECT_EQ(rh.y_pels_per_meter, 1000);
    EXPECT_EQ(DibColorCount(r), 256u);
    EXPECT_EQ(0, std::memcmp(r.data() + 40, p.data() + 40, 1024));
}

TEST_F(GeometryTest, OtherDepthsAndCutOffBlocksAreRefusedSilently) {
    DibImage p = NewDib(4, 4, 32, 0);
    EXPECT_FALSE(GeometryDepthSupported(p));
    EXPECT_FALSE(RotateDib(p, true));
    EXPECT_FALSE(ResizeDib(p, 8, 8));
    DibImage q = Picture(24, 8, 8);
    EXPECT_TRUE(GeometryDepthSupported(q));
    DibImage cut;
    cut.block.Allocate(q.size() - 10);
    std::memcpy(cut.data(), q.data(), cut.size());
    EXPECT_FALSE(RotateDib(cut, false));
    EXPECT_FALSE(ResizeDib(cut, 16, 16));
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(GeometryTest, RotationAngle) {
    int a = 0;
    for (int i = 0; i < 4; ++i) a = NextRotation(a, true);
    EXPECT_EQ(a, 360);
    EXPECT_EQ(NextRotation(0, false), 270);
    EXPECT_EQ(NextRotation(90, false), 360);
    EXPECT_EQ(NextRotation(360, true), 90);
    EXPECT_EQ(NextRotation(270, true), 360);
}

TEST_F(GeometryTest, ResizeToTheSameSizeIsExact) {
    for (int bits : {1, 4, 8, 24}) {
        DibImage p = Picture(bits, 37, 21);
        DibImage r = ResizeDib(p, 37, 21);
        ASSERT_TRUE(r);
        EXPECT_EQ(Pixels(r), Pixels(p)) << bits;
    }
}

TEST_F(GeometryTest, BilinearValuesAndCorners) {
    // Rows bottom-up: bottom row blue 0 and 100, top row 200 and 40.
    DibImage p = MakeRgbDib(2, 2, [](int x, int y) {
        const uint8_t v[2][2] = {{200, 40}, {0, 100}};  // [top-down y][x]
        return Bgr{v[y][x], 0, 0};
    });
    DibImage r = ResizeDib(p, 4, 4);
    ASSERT_TRUE(r);
    EXPECT_TRUE(PaddingIsZero(r));
    // New bottom row (top-down y = 3): x = j / 2 over the bottom source row, the last column
    // using its own left neighbour as the right one.
    EXPECT_EQ(RgbAt(r, 0, 3).b, 0);
    EXPECT_EQ(RgbAt(r, 1, 3).b, 50);
    EXPECT_EQ(RgbAt(r, 2, 3).b, 100);
    EXPECT_EQ(RgbAt(r, 3, 3).b, 100);
    // Bottom-up row 1: y = 0.5 between the rows.
    EXPECT_EQ(RgbAt(r, 0, 2).b, 100);  // 0.5 * 0 + 0.5 * 200
    EXPECT_EQ(RgbAt(r, 1, 2).b, 85);   // 0.5 * 50 + 0.5 * 120
    EXPECT_EQ(RgbAt(r, 2, 2).b, 70);
    // The upper rows take the top row for their upper neighbours.
    EXPECT_EQ(RgbAt(r, 0, 0).b, 200);
    EXPECT_EQ(RgbAt(r, 3, 0).b, 40);
    EXPECT_EQ(RgbAt(r, 1, 1).b, 120);
    // Truncation: a third of the way.
    DibImage t = MakeRgbDib(2, 1, [](int x, int) {
        return Bgr{0, static_cast<uint8_t>(x * 10), 0};
    });
    DibImage t3 = ResizeDib(t, 3, 1);
    EXPECT_EQ(RgbAt(t3, 1, 0).g, 6);  // 2/3 * 10 = 6.67 -> 6
}

TEST_F(GeometryTest, NearestNeighbourOnPalettePictures) {
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        DibImage p = Picture(bits, 5, 3);
        DibImage r = ResizeDib(p, 11, 7);
        ASSERT_TRUE(r);
        EXPECT_EQ(DibBitCount(r), bits);
        EXPECT_EQ(DibColorCount(r), 1u << bits);
        EXPECT_TRUE(PaddingIsZero(r));
        // Rows are counted bottom-up: bottom-up row i takes bottom-up row i * 3 / 7.
        for (int i = 0; i < 7; ++i)
            for (int j = 0; j < 11; ++j)
                EXPECT_EQ(IndexAt(r, j, 6 - i), IndexAt(p, j * 5 / 11, 2 - i * 3 / 7));
    }
}

TEST_F(GeometryTest, ResizeBeyondThePictureLimitsFailsWithoutAllocating) {
    DibImage p = Picture(24, 4, 4);
    EXPECT_FALSE(ResizeDib(p, 40000, 4));
    EXPECT_FALSE(ResizeDib(p, 30000, 30000));
    EXPECT_FALSE(ResizeDib(p, 0, 4));
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(GeometryTest, SizeDialogChecks) {
    int w = 0, h = 0;
    EXPECT_EQ(CheckNewSize("32", "1920", &w, &h), NewSizeCheck::kOk);
    EXPECT_EQ(w, 32);
    EXPECT_EQ(h, 1920);
    EXPECT_EQ(CheckNewSize("31", "100", &w, &h), NewSizeCheck::kInvalid);
    EXPECT_EQ(CheckNewSize("100", "1921", &w, &h), NewSizeCheck::kInvalid);
    EXPECT_EQ(CheckNewSize("1o0", "100", &w, &h), NewSizeCheck::kInvalid);
    EXPECT_EQ(CheckNewSize("100", "-50", &w, &h), NewSizeCheck::kInvalid);
    EXPECT_EQ(CheckNewSize("100", " 50", &w, &h), NewSizeCheck::kInvalid);
    EXPECT_EQ(CheckNewSize("", "100", &w, &h), NewSizeCheck::kEmpty);
    EXPECT_EQ(CheckNewSize("100", "", &w, &h), NewSizeCheck::kEmpty);
    EXPECT_EQ(CheckNewSize("x", "", &w, &h), NewSizeCheck::kInvalid);
    // A number that would wrap round a 32-bit reading into the range stays refused.
    EXPECT_EQ(CheckNewSize("4294967396", "100", &w, &h), NewSizeCheck::kInvalid);
    EXPECT_EQ(CheckNewSize("000640", "480", &w, &h), NewSizeCheck::kOk);
    EXPECT_EQ(w, 640);
}

TEST_F(GeometryTest, CutOutRoundsToDisplayPixelsAtEachZoom) {
    PixelRect r;
    // 100 %: as selected, either direction.
    ASSERT_TRUE(CutOutRect(10, 5, 3, 20, 64, 48, 4, &r));
    EXPECT_EQ(r.left, 3);
    EXPECT_EQ(r.top, 5);
    EXPECT_EQ(r.width, 7);
    EXPECT_EQ(r.height, 15);
    // 25 %: four picture pixels to a display pixel.
    ASSERT_TRUE(CutOutRect(5, 9, 18, 23, 64, 48, 1, &r));
    EXPECT_EQ(r.left, 4);     // trunc(1.25) / 0.25
    EXPECT_EQ(r.top, 8);      // trunc(2.25) / 0.25
    EXPECT_EQ(r.width, 12);   // trunc(3.25) / 0.25
    EXPECT_EQ(r.height, 12);  // trunc(3.5) / 0.25
    // 50 %.
    ASSERT_TRUE(CutOutRect(3, 3, 10, 8, 64, 48, 2, &r));
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.top, 2);
    EXPECT_EQ(r.width, 6);
    EXPECT_EQ(r.height, 4);
    // 200 % and 400 %: every picture pixel is whole.
    for (int zoom : {8, 16}) {
        ASSERT_TRUE(CutOutRect(7, 2, 30, 40, 64, 48, zoom, &r));
        EXPECT_EQ(r.left, 7);
        EXPECT_EQ(r.width, 23);
        EXPECT_EQ(r.height, 38);
    }
    // The whole width stays whole at 25 % although it is not a multiple of four.
    ASSERT_TRUE(CutOutRect(1, 0, 70, 10, 66, 48, 1, &r));
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.width, 66);
    // Corners beyond the picture are clamped.
    ASSERT_TRUE(CutOutRect(-5, -5, 100, 100, 64, 48, 4, &r));
    EXPECT_EQ(r.width, 64);
    EXPECT_EQ(r.height, 48);
    // Narrower than one display pixel: nothing to cut.
    EXPECT_FALSE(CutOutRect(8, 8, 11, 20, 64, 48, 1, &r));
    EXPECT_FALSE(CutOutRect(8, 8, 8, 20, 64, 48, 4, &r));
}

TEST_F(GeometryTest, CutOutCopiesTheRectangleAtEveryDepth) {
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        DibImage p = Picture(bits, 20, 12);
        PixelRect a, b;
        ASSERT_TRUE(CutOutRect(3, 2, 14, 9, 20, 12, 4, &a));
        ASSERT_TRUE(CutOutRect(14, 9, 3, 2, 20, 12, 4, &b));
        DibImage c = CutOutDib(p, a);
        DibImage c2 = CutOutDib(p, b);
        ASSERT_TRUE(c);
        EXPECT_EQ(Pixels(c), Pixels(c2));
        EXPECT_EQ(DibWidth(c), 11);
        EXPECT_EQ(DibHeight(c), 7);
        EXPECT_TRUE(PaddingIsZero(c));
        const std::vector<uint32_t> all = Pixels(p), part = Pixels(c);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 11; ++x) EXPECT_EQ(part[y * 11 + x], all[(y + 2) * 20 + x + 3]);
    }
    DibImage p = Picture(24, 20, 12);
    EXPECT_FALSE(CutOutDib(p, PixelRect{15, 0, 6, 4}));
    EXPECT_FALSE(CutOutDib(p, PixelRect{0, 0, 0, 4}));
}

TEST_F(GeometryTest, ZoomSteps) {
    EXPECT_EQ(ZoomForCommand(171), 1);
    EXPECT_EQ(ZoomForCommand(175), 16);
    EXPECT_EQ(ZoomForCommand(176), 0);
    for (int c = 171; c <= 175; ++c) EXPECT_EQ(CommandForZoom(ZoomForCommand(c)), c);
    EXPECT_EQ(ZoomPercent(1), 25);
    EXPECT_EQ(ZoomPercent(16), 400);
    EXPECT_EQ(ZoomedSide(641, 2), 320);
    EXPECT_FALSE(IsZoomStep(3));
    EXPECT_EQ(InitialZoom(640, 480, 600, 400), 2);
    EXPECT_EQ(InitialZoom(1600, 1200, 600, 400), 1);
    EXPECT_EQ(InitialZoom(320, 240, 600, 400), 4);
    EXPECT_EQ(InitialZoom(1200, 400, 600, 400), 2);  // ratio exactly 2
}

}  // namespace
