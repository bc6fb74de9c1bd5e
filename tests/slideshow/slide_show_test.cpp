// The slide show's settings, placement and order.
#include "slideshow/slide_show.h"

#include <gtest/gtest.h>

#include <vector>

#include "base/settings.h"

namespace {

void ExpectRect(const SlideRect& r, int x, int y, int width, int height) {
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.width, width);
    EXPECT_EQ(r.height, height);
}

TEST(SlidePlacementTest, LandscapeOnAnSvgaScreen) {
    ExpectRect(SlidePlacement(800, 600, 640, 480, kSlideFit), 0, 0, 800, 600);
    ExpectRect(SlidePlacement(800, 600, 640, 480, kSlideOriginal), 80, 60, 640, 480);
}

TEST(SlidePlacementTest, PortraitTakesTheHeightInBothModes) {
    ExpectRect(SlidePlacement(800, 600, 480, 640, kSlideFit), 175, 0, 450, 600);
    ExpectRect(SlidePlacement(800, 600, 480, 640, kSlideOriginal), 175, 0, 450, 600);
}

TEST(SlidePlacementTest, WideAndLargePictures) {
    // A panorama takes the width and is centred down.
    ExpectRect(SlidePlacement(800, 600, 1000, 200, kSlideFit), 0, 220, 800, 160);
    // Square on a landscape screen: width first is too tall, so the height wins.
    ExpectRect(SlidePlacement(800, 600, 300, 300, kSlideFit), 100, 0, 600, 600);
    ExpectRect(SlidePlacement(800, 600, 300, 300, kSlideOriginal), 250, 150, 300, 300);
    // Original size of a picture larger than the screen is fitted.
    ExpectRect(SlidePlacement(800, 600, 1600, 1200, kSlideOriginal), 0, 0, 800, 600);
    ExpectRect(SlidePlacement(800, 600, 900, 100, kSlideOriginal), 0, 256, 800, 88);
    ExpectRect(SlidePlacement(800, 600, 0, 100, kSlideFit), 0, 0, 0, 0);
}

// A picture whose pixel in column x of display row y (from the top) is (x, y, x + y + 1), or
// the index 10 * y + x with a grey palette for 8 bits.
DibImage Numbered(int w, int h, int bits) {
    DibImage d = NewDib(w, h, bits, bits == 8 ? 256 : 0);
    DibLayout l;
    EXPECT_TRUE(GetDibLayout(d, &l));
    uint8_t* pal = d.data() + l.palette_offset;
    for (uint32_t i = 0; i < l.colors; ++i) pal[4 * i] = pal[4 * i + 1] = pal[4 * i + 2] = i;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = d.data() + l.pixel_offset + (h - 1 - y) * l.stride;
        for (int x = 0; x < w; ++x) {
            if (bits == 8) {
                row[x] = static_cast<uint8_t>(10 * y + x);
            } else {
                row[3 * x] = static_cast<uint8_t>(x);
                row[3 * x + 1] = static_cast<uint8_t>(y);
                row[3 * x + 2] = static_cast<uint8_t>(x + y + 1);
            }
        }
    }
    return d;
}

// The pixel of a bottom-up picture at column x of display row y: {b, g, r} or {index}.
std::vector<int> PixelAt(const DibImage& d, int x, int y) {
    DibLayout l;
    EXPECT_TRUE(GetDibLayout(d, &l));
    const int h = l.header.height;
    const uint8_t* p = d.data() + l.pixel_offset + (h - 1 - y) * l.stride;
    if (l.header.bit_count == 8) return {p[x]};
    return {p[3 * x], p[3 * x + 1], p[3 * x + 2]};
}

TEST(SlideShrinkTest, EachPixelOfThePlaceTakesTheSourcePixelUnderItsCentre) {
    {
        // 8 x 6 into 4 x 3: columns 1, 3, 5, 7 and rows 1, 3, 5 of the source.
        const DibImage colour = ShrinkSlidePicture(Numbered(8, 6, 24), 4, 3);
        ASSERT_TRUE(colour);
        EXPECT_EQ(DibWidth(colour), 4);
        EXPECT_EQ(DibHeight(colour), 3);
        EXPECT_EQ(DibBitCount(colour), 24);
        EXPECT_EQ(PixelAt(colour, 0, 0), (std::vector<int>{1, 1, 3}));
        EXPECT_EQ(PixelAt(colour, 3, 0), (std::vector<int>{7, 1, 9}));
        EXPECT_EQ(PixelAt(colour, 1, 2), (std::vector<int>{3, 5, 9}));
        EXPECT_EQ(PixelAt(colour, 3, 2), (std::vector<int>{7, 5, 13}));
        // 9 x 7 into 4 x 2: columns 1, 3, 5, 7 ((2x + 1) x 9 / 8) and rows 1, 5.
        const DibImage odd = ShrinkSlidePicture(Numbered(9, 7, 24), 4, 2);
        ASSERT_TRUE(odd);
        EXPECT_EQ(PixelAt(odd, 2, 0), (std::vector<int>{5, 1, 7}));
        EXPECT_EQ(PixelAt(odd, 3, 1), (std::vector<int>{7, 5, 13}));
        // A palette picture keeps its palette.
        const DibImage indexed = ShrinkSlidePicture(Numbered(8, 6, 8), 2, 2);
        ASSERT_TRUE(indexed);
        EXPECT_EQ(DibBitCount(indexed), 8);
        EXPECT_EQ(DibColorCount(indexed), 256u);
        EXPECT_EQ(PixelAt(indexed, 0, 0), (std::vector<int>{10 * 1 + 2}));
        EXPECT_EQ(PixelAt(indexed, 1, 1), (std::vector<int>{10 * 4 + 6}));
        DibLayout l;
        ASSERT_TRUE(GetDibLayout(indexed, &l));
        EXPECT_EQ(indexed.data()[l.palette_offset + 4 * 200], 200);
    }
}

TEST(SlideShrinkTest, OnlyShrinksWhatItCanCopy) {
    const DibImage picture = Numbered(8, 6, 24);
    EXPECT_FALSE(ShrinkSlidePicture(picture, 8, 6));  // the same size: drawn as it is
    EXPECT_FALSE(ShrinkSlidePicture(picture, 9, 3));  // wider than the picture
    EXPECT_FALSE(ShrinkSlidePicture(picture, 4, 0));
    EXPECT_FALSE(ShrinkSlidePicture(NewDib(8, 6, 32, 0), 4, 3));
    EXPECT_FALSE(ShrinkSlidePicture(NewDib(8, 6, 4, 16), 4, 3));
    EXPECT_FALSE(ShrinkSlidePicture(DibImage(), 4, 3));
}

TEST(SlideSettingsTest, TheShowAndTheDialogReadDifferently) {
    MemorySettings store;
    store.values = {{"Size", "5"}, {"Speed", "12"}, {"Type", "1"}};
    SlideSettings show = ReadShowSettings(store);
    EXPECT_EQ(show.size, kSlideOriginal);
    EXPECT_EQ(show.speed, 0);
    EXPECT_EQ(SlideIntervalMs(show.speed), 10000u);
    EXPECT_EQ(show.type, kSlideRandom);
    SlideSettings dialog = ReadOptionsSettings(store);
    EXPECT_EQ(dialog.size, kSlideFit);
    EXPECT_EQ(dialog.speed, 5);
    EXPECT_EQ(dialog.type, kSlideRandom);

    store.values = {{"Speed", "-1"}, {"Type", "2"}};
    EXPECT_EQ(ReadShowSettings(store).speed, 0);
    EXPECT_EQ(ReadOptionsSettings(store).speed, 5);
    EXPECT_EQ(ReadShowSettings(store).type, kSlideStandard);
    EXPECT_EQ(ReadOptionsSettings(store).type, kSlideStandard);

    MemorySettings empty;
    show = ReadShowSettings(empty);
    dialog = ReadOptionsSettings(empty);
    EXPECT_EQ(show.size, kSlideFit);
    EXPECT_EQ(dialog.size, kSlideFit);
    EXPECT_EQ(show.speed, 0);
    EXPECT_EQ(dialog.speed, 0);

    store.values = {{"Size", "1"}, {"Speed", "7"}};
    EXPECT_EQ(ReadShowSettings(store).size, kSlideOriginal);
    EXPECT_EQ(ReadOptionsSettings(store).size, kSlideOriginal);
    EXPECT_EQ(ReadShowSettings(store).speed, 7);
    EXPECT_EQ(ReadOptionsSettings(store).speed, 7);
}

TEST(SlideSettingsTest, IntervalAndWrite) {
    EXPECT_EQ(SlideIntervalMs(0), 10000u);
    EXPECT_EQ(SlideIntervalMs(5), 5000u);
    EXPECT_EQ(SlideIntervalMs(10), 0u);
    MemorySettings store;
    SlideSettings s;
    s.size = kSlideOriginal;
    s.speed = 3;
    s.type = kSlideRandom;
    WriteSlideSettings(store, s);
    EXPECT_EQ(store.values["Size"], "1");
    EXPECT_EQ(store.values["Speed"], "3");
    EXPECT_EQ(store.values["Type"], "1");
    SlideSettings back = ReadShowSettings(store);
    EXPECT_EQ(back.size, s.size);
    EXPECT_EQ(back.speed, s.speed);
    EXPECT_EQ(back.type, s.type);
}

TEST(SlideOrderTest, AlbumOrderWrapsBothWays) {
    SlideOrder order;
    SlideRandom random;
    ASSERT_EQ(StartSlideOrder(&order, 3, kSlideStandard, 12345), 1);
    EXPECT_EQ(order.current, 0);
    EXPECT_EQ(PreviousSlide(&order, 0, &random), 2);
    EXPECT_EQ(NextSlide(&order, 0, &random), 0);
    EXPECT_EQ(NextSlide(&order, 0, &random), 1);
    EXPECT_EQ(NextSlide(&order, 0, &random), 2);
    EXPECT_EQ(NextSlide(&order, 0, &random), 0);
    // A single entry stays where it is.
    ASSERT_EQ(StartSlideOrder(&order, 1, kSlideStandard, 0), 1);
    EXPECT_EQ(PreviousSlide(&order, 0, &random), 0);
    EXPECT_EQ(NextSlide(&order, 0, &random), 0);
    EXPECT_EQ(StartSlideOrder(&order, 0, kSlideStandard, 0), 0);
    EXPECT_EQ(StartSlideOrder(&order, 70000, kSlideRandom, 0), 0);
}

// Runs a random show of count entries for the given number of steps.
std::vector<int> RandomRun(int count, uint32_t seed, int steps) {
    SlideOrder order;
    SlideRandom random;
    SeedSlideRandom(&random, seed);
    std::vector<int> shown;
    uint32_t tick = 1000 + seed;
    if (!StartSlideOrder(&order, count, kSlideRandom, tick)) return shown;
    shown.push_back(order.current);
    for (int i = 0; i < steps; ++i) {
        tick += 37;
        shown.push_back(NextSlide(&order, tick, &random));
    }
    return shown;
}

TEST(SlideOrderTest, RandomOrderShowsEveryEntryOncePerCycle) {
    for (uint32_t seed = 1; seed <= 50; ++seed) {
        std::vector<int> run = RandomRun(4, seed, 4 * 6 - 1);
        ASSERT_EQ(run.size(), 24u);
        EXPECT_EQ(run[0], static_cast<int>((1000 + seed) % 4));
        for (size_t cycle = 0; cycle < 6; ++cycle) {
            std::vector<int> seen(4, 0);
            for (size_t i = 0; i < 4; ++i) {
                int entry = run[cycle * 4 + i];
                ASSERT_GE(entry, 0);
                ASSERT_LT(entry, 4);
                ++seen[entry];
                if (i > 0) {
                    EXPECT_NE(entry, run[cycle * 4 + i - 1]) << "seed " << seed;
                }
            }
            for (int n : seen) EXPECT_EQ(n, 1) << "seed " << seed << " cycle " << cycle;
            if (cycle > 0) {
                EXPECT_EQ(run[cycle * 4], 0) << "seed " << seed;
            }
        }
    }
}

TEST(SlideOrderTest, RandomOrderIsRepeatableWithASeed) {
    EXPECT_EQ(RandomRun(7, 99, 40), RandomRun(7, 99, 40));
    bool differs = false;
    for (uint32_t seed = 2; seed < 10 && !differs; ++seed)
        differs = RandomRun(7, 1, 40) != RandomRun(7, seed, 40);
    EXPECT_TRUE(differs);
}

TEST(SlideOrderTest, RandomOrderWithOneEntryDoesNotSpin) {
    std::vector<int> run = RandomRun(1, 3, 5);
    EXPECT_EQ(run, std::vector<int>(6, 0));
    SlideOrder order;
    SlideRandom random;
    ASSERT_EQ(StartSlideOrder(&order, 2, kSlideRandom, 1), 1);
    EXPECT_EQ(order.current, 1);
    // Previous in random order is another random pick; with two entries it alternates.
    EXPECT_EQ(PreviousSlide(&order, 0, &random), 0);
}

}  // namespace
