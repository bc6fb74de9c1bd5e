// The adjustment on pictures whose analysis is known: black and white points, the automatic
// values, the tone table, the processing and the slider rules.
#include <gtest/gtest.h>

#include <cstdlib>

#include "codec_test_support.h"
#include "edit/adjust.h"
#include "edit_test_support.h"

namespace {

class AdjustTest : public CodecTest {};

Bgr Grey(int v) {
    const uint8_t g = static_cast<uint8_t>(v);
    return {g, g, g};
}

AdjustState Analysed(const DibImage& picture) {
    AdjustState s;
    ResetAdjustState(&s);
    DibImage preview = MakeAdjustPreview(picture);
    EXPECT_TRUE(preview);
    EXPECT_TRUE(AnalysePicture(&s, preview));
    return s;
}

TEST_F(AdjustTest, NeutralSettingsKeepThePicture) {
    std::srand(7);
    DibImage p = MakeRgbDib(37, 23, [](int x, int y) {
        if (y < 3) return Grey(x * 7);  // greys come back exactly
        return Bgr{static_cast<uint8_t>(std::rand()), static_cast<uint8_t>(std::rand()),
                   static_cast<uint8_t>(std::rand())};
    });
    AdjustState s = Analysed(p);
    ComputeManual(&s, 0, 0, 0, 0);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(s.params.tone[i], i);
    DibImage out = ApplyAdjustment(s.params, p);
    ASSERT_TRUE(out);
    ASSERT_EQ(out.size(), p.size());
    EXPECT_EQ(0, std::memcmp(out.data(), p.data(), 40));
    EXPECT_TRUE(PaddingIsZero(out));
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            const Bgr a = RgbAt(p, x, y), b = RgbAt(out, x, y);
            if (y < 3) {
                EXPECT_EQ(a, b) << x;
            } else {
                // Only the rounding of the colour-space round trip.
                EXPECT_LE(std::abs(a.r - b.r), 2);
                EXPECT_LE(std::abs(a.g - b.g), 2);
                EXPECT_LE(std::abs(a.b - b.b), 2);
            }
        }
}

TEST_F(AdjustTest, ToneTableIsMonotonicOverTheWholeRange) {
    for (int low : {1, 20, 50})
        for (int high : {205, 230, 254}) {
            AdjustState s;
            ResetAdjustState(&s);
            s.analysed = true;
            s.low = low;
            s.high = high;
            for (int b = -100; b <= 100; b += 5)
                for (int c = -100; c <= 100; c += 5) {
                    ComputeManual(&s, b, c, 0, 0);
                    for (int i = 1; i < 256; ++i)
                        ASSERT_GE(s.params.tone[i], s.params.tone[i - 1])
                            << low << " " << high << " " << b << " " << c << " " << i;
                }
        }
    uint8_t t[256];
    BuildToneTable(0, 1, 1, t);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(t[i], i);
    // Brightness 2 doubles the shadows and meets the middle piece at 32.
    BuildToneTable(0, 1, 2, t);
    EXPECT_EQ(t[10], 20);
    EXPECT_EQ(t[32], 64);
    EXPECT_EQ(t[100], 132);
    EXPECT_EQ(t[128], 160);
    EXPECT_EQ(t[255], 255);  // 0.75 * 255 + 64 = 255.25
}

TEST_F(AdjustTest, PointsAreLimitedAndAUniformPictureGetsContrast50) {
    DibImage p = MakeRgbDib(100, 100, [](int, int) { return Grey(128); });
    AdjustState s = Analysed(p);
    EXPECT_EQ(s.low, 50);
    EXPECT_EQ(s.high, 205);
    ASSERT_TRUE(ComputeAutomatic(&s));
    EXPECT_EQ(s.values.contrast, 50);
    EXPECT_EQ(s.values.brightness, 0);
    EXPECT_EQ(s.values.saturation, 30);  // 255 / 155 capped at 1.3
    EXPECT_EQ(s.values.sharpness, 12);   // no edges
    // The automatic contrast gives the same points back by hand.
    AdjustParams automatic = s.params;
    ComputeManual(&s, 0, s.values.contrast, 0, 0);
    EXPECT_EQ(s.params.lo, 50);
    EXPECT_DOUBLE_EQ(s.params.k, automatic.k);
}

TEST_F(AdjustTest, PointsFromTheHistogram) {
    // 3 % of the pixels at level 20, 3 % at 240, the rest at 128.
    DibImage p = MakeRgbDib(100, 100, [](int x, int y) {
        const int i = y * 100 + x;
        return Grey(i < 300 ? 20 : i < 600 ? 240 : 128);
    });
    AdjustState s = Analysed(p);
    EXPECT_EQ(s.low, 20);
    EXPECT_EQ(s.high, 240);
    ASSERT_TRUE(ComputeAutomatic(&s));
    EXPECT_EQ(s.values.contrast, 20);
}

TEST_F(AdjustTest, AutomaticBrightnessFromTheDarkBands) {
    // Points 50 and 205: the bands are 56.1..68.2 (dark) and 68.2..80.4 (middle).
    auto picture = [](int dark, int mid) {
        return MakeRgbDib(100, 100, [=](int, int y) {
            return Grey(y < dark ? 60 : y < dark + mid ? 75 : 128);
        });
    };
    AdjustState s = Analysed(picture(60, 20));
    ASSERT_TRUE(ComputeAutomatic(&s));
    EXPECT_EQ(s.values.brightness, 50);  // 3 -> (3 - 1) * 25
    EXPECT_DOUBLE_EQ(s.params.t, 3);
    s = Analysed(picture(30, 20));
    ASSERT_TRUE(ComputeAutomatic(&s));
    EXPECT_EQ(s.values.brightness, 12);  // 1.5
    s = Analysed(picture(20, 60));
    ASSERT_TRUE(ComputeAutomatic(&s));
    EXPECT_EQ(s.values.brightness, 0);
    s = Analysed(picture(20, 20));
    ASSERT_TRUE(ComputeAutomatic(&s));
    EXPECT_EQ(s.values.brightness, 0);
}

TEST_F(AdjustTest, AutomaticSharpnessCountsEdges) {
    // 100 isolated bright pixels away from the border in a plain picture.
    DibImage p = MakeRgbDib(
        100, 100, [](int x, int y) { return Grey(x % 10 == 5 && y % 10 == 5 ? 250 : 100); });
    AdjustState s = Analysed(p);
    ASSERT_TRUE(ComputeAutomatic(&s));
    EXPECT_EQ(s.values.sharpness, 8);  // 0.12 - 4 * 100 / 10000
    DibImage checker =
        MakeRgbDib(100, 100, [](int x, int y) { return Grey((x + y) % 2 ? 255 : 0); });
    s = Analysed(checker);
    ASSERT_TRUE(ComputeAutomatic(&s));
    EXPECT_EQ(s.values.sharpness, 0);
    EXPECT_DOUBLE_EQ(s.params.eta, 0);
}

TEST_F(AdjustTest, AutomaticSaturationFromTheMeanChroma) {
    // 10 % black-ish, 10 % white-ish, 10 % a slightly red colour (Cr 6, Cb -2), the rest grey.
    DibImage p = MakeRgbDib(100, 100, [](int, int y) {
        return y < 10 ? Grey(1) : y < 20 ? Grey(254) : y < 30 ? Bgr{128, 128, 140} : Grey(128);
    });
    AdjustState s = Analysed(p);
    EXPECT_EQ(s.low, 1);
    EXPECT_EQ(s.high, 254);
    ASSERT_TRUE(ComputeAutomatic(&s));
    // m = 0.1 * sqrt(40); a = 1 + 0.06 m; sigma = 255 / 253 * a = 1.046
    EXPECT_EQ(s.values.saturation, 4);
    EXPECT_NEAR(s.params.sigma, 1.04615, 1e-4);
    EXPECT_EQ(s.values.contrast, 1);
}

TEST_F(AdjustTest, AutomaticValuesStayInTheirRanges) {
    std::srand(11);
    for (int n = 0; n < 20; ++n) {
        const int base = std::rand() % 256, spread = std::rand() % 256;
        DibImage p = MakeRgbDib(60 + n * 13, 40 + n * 7, [=](int, int) {
            return Bgr{static_cast<uint8_t>(base + std::rand() % (spread + 1)),
                       static_cast<uint8_t>(base + std::rand() % (spread + 1)),
                       static_cast<uint8_t>(std::rand() % 256)};
        });
        AdjustState s = Analysed(p);
        ASSERT_TRUE(ComputeAutomatic(&s));
        EXPECT_GE(s.values.brightness, 0);
        EXPECT_LE(s.values.brightness, 50);
        EXPECT_GE(s.values.sharpness, 0);
        EXPECT_LE(s.values.sharpness, 12);
        EXPECT_GE(s.values.saturation, 0);
        EXPECT_LE(s.values.saturation, 30);
        EXPECT_LE(s.values.contrast, 50);
    }
}

TEST_F(AdjustTest, SharpeningAndItsDeadZone) {
    auto cross = [](int centre, int top) {
        return MakeRgbDib(3, 3, [=](int x, int y) {
            return Grey(x == 1 && y == 1 ? centre : x == 1 && y == 0 ? top : 100);
        });
    };
    AdjustState s;
    ResetAdjustState(&s);
    ComputeManual(&s, 0, 0, 0, 50);
    DibImage out = ApplyAdjustment(s.params, cross(120, 100));
    EXPECT_EQ(RgbAt(out, 1, 1), Grey(160));  // 120 + 0.5 * 80
    EXPECT_EQ(RgbAt(out, 0, 0), Grey(100));  // the border is not sharpened
    ComputeManual(&s, 0, 0, 0, 100);
    out = ApplyAdjustment(s.params, cross(100, 99));
    EXPECT_EQ(RgbAt(out, 1, 1), Grey(100));  // L = 1 lies in the dead zone
    out = ApplyAdjustment(s.params, cross(100, 97));
    EXPECT_EQ(RgbAt(out, 1, 1), Grey(103));
}

TEST_F(AdjustTest, SaturationScalesTheColourDifferences) {
    DibImage p = MakeRgbDib(2, 2, [](int, int) { return Bgr{128, 128, 140}; });
    AdjustState s;
    ResetAdjustState(&s);
    ComputeManual(&s, 0, 0, 100, 0);
    EXPECT_DOUBLE_EQ(s.params.sigma, 2);
    DibImage out = ApplyAdjustment(s.params, p);
    EXPECT_EQ(RgbAt(out, 0, 0), (Bgr{125, 125, 149}));
    ComputeManual(&s, 0, 0, -100, 0);
    out = ApplyAdjustment(s.params, p);
    EXPECT_EQ(RgbAt(out, 1, 1), Grey(132));
}

TEST_F(AdjustTest, ManualValuesAreLimitedToTheirRanges) {
    AdjustState s;
    ResetAdjustState(&s);
    ComputeManual(&s, 300, -300, 101, -5);
    EXPECT_EQ(s.values.brightness, 100);
    EXPECT_EQ(s.values.contrast, -100);
    EXPECT_EQ(s.values.saturation, 100);
    EXPECT_EQ(s.values.sharpness, 0);
}

TEST_F(AdjustTest, OnlyFullColourPictures) {
    DibImage p = MakeIndexDib(8, 8, 8, [](int x, int) { return x; });
    EXPECT_FALSE(MakeAdjustPreview(p));
    AdjustState s;
    ResetAdjustState(&s);
    EXPECT_FALSE(AnalysePicture(&s, p));
    EXPECT_FALSE(ComputeAutomatic(&s));
    EXPECT_FALSE(ApplyAdjustment(s.params, p));
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(AdjustTest, PreviewDecimation) {
    EXPECT_EQ(PreviewStep(79, 50), 1);
    EXPECT_EQ(PreviewStep(236, 10), 1);
    EXPECT_EQ(PreviewStep(237, 10), 2);
    EXPECT_EQ(PreviewStep(1080, 1920), 12);
    DibImage p = MakeRgbDib(500, 301, [](int x, int y) {
        return Bgr{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 7};
    });
    DibImage v = MakeAdjustPreview(p);  // step 3
    ASSERT_EQ(DibWidth(v), 167);
    ASSERT_EQ(DibHeight(v), 101);
    EXPECT_TRUE(PaddingIsZero(v));
    // Rows are counted from the bottom: bottom-up row i is the picture's bottom-up row 3 i.
    for (int i = 0; i < 101; ++i)
        for (int j = 0; j < 167; j += 17)
            EXPECT_EQ(RgbAt(v, j, 100 - i), RgbAt(p, 3 * j, 300 - 3 * i));
}

TEST_F(AdjustTest, SliderRules) {
    EXPECT_EQ(SliderValueAfter(0, kSliderLineRight, 0, -100, 100), 1);
    EXPECT_EQ(SliderValueAfter(-100, kSliderLineLeft, 0, -100, 100), -100);
    EXPECT_EQ(SliderValueAfter(90, kSliderPageRight, 0, -100, 100), 100);
    EXPECT_EQ(SliderValueAfter(10, kSliderPageLeft, 0, 0, 100), 0);
    EXPECT_EQ(SliderValueAfter(10, kSliderPageLeft, 0, -100, 100), -10);
    EXPECT_EQ(SliderValueAfter(0, kSliderThumbTrack, 0xFFB5u, -100, 100), -75);
    EXPECT_EQ(SliderValueAfter(0, kSliderThumbPosition, 0x10032u, 0, 100), 50);
    EXPECT_EQ(SliderValueAfter(0, kSliderThumbPosition, 0xFFB5u, 0, 100), 100);
    EXPECT_EQ(SliderValueAfter(33, 8, 0, -100, 100), 33);  // end of a drag
}

TEST_F(AdjustTest, PreviewPlacement) {
    PreviewPlace r = PlacePreview(160, 90, 200, 200);
    EXPECT_EQ(r.width, 160);  // smaller than the frame: its own size
    EXPECT_EQ(r.height, 90);
    EXPECT_EQ(r.x, 20);
    EXPECT_EQ(r.y, 55);
    r = PlacePreview(236, 100, 200, 200);
    EXPECT_EQ(r.width, 190);
    EXPECT_EQ(r.height, 80);
    EXPECT_EQ(r.x, 5);
    EXPECT_EQ(r.y, 60);
    r = PlacePreview(100, 236, 200, 150);
    EXPECT_EQ(r.height, 140);
    EXPECT_EQ(r.width, 80);
}

}  // namespace
