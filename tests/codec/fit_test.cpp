#include <gtest/gtest.h>

#include "base/files.h"
#include "codec/bmp_file.h"
#include "codec/camera_fit.h"
#include "codec/jpeg_codec.h"
#include "codec_test_support.h"

namespace {

class FitTest : public CodecTest {
protected:
    // A noisy picture: its JPEG length moves clearly with the quality.
    DibImage Noisy(int w, int h) {
        std::string p = TempPath(".bmp");
        WriteBytes(p, MakeBmp24(w, h, [](int x, int y) {
                       uint32_t v = static_cast<uint32_t>(x * 2654435761u ^ y * 40503u);
                       v ^= v >> 13;
                       v *= 0x5bd1e995u;
                       return Rgb{uint8_t(v), uint8_t(v >> 8), uint8_t((x + y) & 255)};
                   }));
        return LoadBmpFile(p);
    }
};

TEST(SizeClass, Boundaries) {
    EXPECT_EQ(SizeClassOfLength(0), 255);
    EXPECT_EQ(SizeClassOfLength(1), 0);
    EXPECT_EQ(SizeClassOfLength(21504), 0);
    EXPECT_EQ(SizeClassOfLength(21505), 1);
    EXPECT_EQ(SizeClassOfLength(64512), 1);
    EXPECT_EQ(SizeClassOfLength(64513), 2);
    EXPECT_EQ(SizeClassOfLength(131072), 2);
    EXPECT_EQ(SizeClassOfLength(131073), 3);
    EXPECT_EQ(SizeClassOfLength(262144), 3);
    EXPECT_EQ(SizeClassOfLength(262145), 255);
}

TEST(NextFit, ClassOneWindowAndSteps) {
    int s = 0;
    EXPECT_EQ(NextFitQualityForLength(60000, 1, 80, &s, 0), 0);
    s = 0;
    EXPECT_EQ(NextFitQualityForLength(40000, 1, 80, &s, 0), 90);  // distance 16320, up
    EXPECT_EQ(s, 10);
    EXPECT_EQ(NextFitQualityForLength(40000, 1, 90, &s, 0), 100);   // +10 may repeat
    EXPECT_EQ(NextFitQualityForLength(40000, 1, 100, &s, 0), 100);  // capped
    s = 0;
    EXPECT_EQ(NextFitQualityForLength(51200, 1, 80, &s, 0), 82);  // the window's low end is out
    // Above the class: down; distance 8193 after a step of 2 gives 1.
    EXPECT_EQ(NextFitQualityForLength(64513, 1, 80, &s, 0), 79);
    EXPECT_EQ(s, -1);
}

TEST(NextFit, MinusTenIsFollowedBySmallerSteps) {
    int s = 0;
    EXPECT_EQ(NextFitQualityForLength(100000, 1, 80, &s, 0), 70);
    EXPECT_EQ(s, -10);
    EXPECT_EQ(NextFitQualityForLength(100000, 1, 70, &s, 0), 65);
    EXPECT_EQ(s, -5);
    EXPECT_EQ(NextFitQualityForLength(100000, 1, 65, &s, 0), 63);
    EXPECT_EQ(s, -2);
    EXPECT_EQ(NextFitQualityForLength(100000, 1, 63, &s, 0), 62);
    EXPECT_EQ(s, -1);
    EXPECT_EQ(NextFitQualityForLength(100000, 1, 62, &s, 0), 52);  // s = -1 is none of them
}

TEST(NextFit, NearDistanceAfterTwoPausesOnce) {
    int s = 2;
    EXPECT_EQ(NextFitQualityForLength(51200, 1, 80, &s, 0), 80);  // step 0 after a 2
    EXPECT_EQ(s, 0);
    EXPECT_EQ(NextFitQualityForLength(51200, 1, 80, &s, 0), 82);
    EXPECT_EQ(s, 2);
}

TEST(NextFit, ClassZeroAndPreviousLength) {
    int s = 0;
    EXPECT_EQ(NextFitQualityForLength(21503, 0, 55, &s, 0), 0);
    EXPECT_EQ(NextFitQualityForLength(21504, 0, 55, &s, 0), 53);  // exactly the limit falls
    s = 0;
    EXPECT_EQ(NextFitQualityForLength(200000, 0, 5, &s, 0), -5);  // not capped
    s = 0;
    // Grew past the previous length but still inside the class: accepted.
    EXPECT_EQ(NextFitQualityForLength(30000, 1, 80, &s, 25000), 0);
    EXPECT_NE(NextFitQualityForLength(30000, 1, 80, &s, 35000), 0);
    EXPECT_EQ(NextFitQualityForLength(0, 1, 80, &s, 0), 0);
}

TEST_F(FitTest, MissingFileIsClassTwoFiftyFiveAndMeterFormFails) {
    std::string jpg = TempPath(".jpg");
    EXPECT_EQ(SizeClassOfFile(jpg), 255);
    MeterState meter{10, 100};
    EXPECT_EQ(CompressForCamera(Noisy(16, 16), jpg, &meter, 1), 0);
    EXPECT_EQ(FileLength(jpg), -1);
}

TEST_F(FitTest, OwnDialogFormFitsAndFillsTheMeter) {
    std::string jpg = TempPath(".jpg");
    ASSERT_EQ(CompressForCamera(Noisy(160, 120), jpg, nullptr, 0), 1);
    EXPECT_LT(FileLength(jpg), 21504);
    ASSERT_GE(view.texts.size(), 2u);
    EXPECT_EQ(view.texts[0],
              std::make_pair(int(kFieldTitle), std::string("Now Compressing image.")));
    EXPECT_EQ(view.texts[1].second, "File Name: " + jpg.substr(jpg.find_last_of("/\\") + 1));
    EXPECT_EQ(view.ranges, std::vector<uint32_t>{100});
    EXPECT_EQ(view.positions.back(), 100u);
    EXPECT_GE(clock.now - 1000, 1000u);  // the full-meter pause ran on the fake clock
    JpegHeaderInfo info;
    ASSERT_EQ(ReadJpegHeaderInfo(jpg, &info), 1);
    EXPECT_EQ(SamplingText(info), "4x1,1x1,1x1");
}

TEST_F(FitTest, MeterFormTakesClassFromFileAndContinuesTheMeter) {
    std::string jpg = TempPath(".jpg");
    WriteBytes(jpg, std::vector<uint8_t>(30000, 1));  // class 1
    MeterState meter{20, 60};
    ASSERT_EQ(CompressForCamera(Noisy(320, 240), jpg, &meter, 3), 1);
    int64_t len = FileLength(jpg);
    EXPECT_EQ(meter.pos, 60u);
    for (uint32_t p : view.positions) {
        EXPECT_GE(p, 20u);
        EXPECT_LE(p, 60u);
    }
    // Either it fits class 1's window or the passes ran out; both leave a JPEG.
    EXPECT_GT(len, 0);
    EXPECT_TRUE(view.ranges.empty());
}

TEST_F(FitTest, StopsAfterTenAdjustments) {
    // A tiny picture never reaches class 3's window: 11 encodes, then the last file stands.
    std::string jpg = TempPath(".jpg");
    ASSERT_EQ(CompressForCamera(Noisy(16, 16), jpg, nullptr, 3), 1);
    // One meter reset per pass plus the final full meter.
    int resets = 0;
    for (uint32_t p : view.positions)
        if (p == 0) ++resets;
    EXPECT_GE(resets, 1);
    EXPECT_GT(FileLength(jpg), 0);
    // Passes fill half of what is left: the positions before the end stay below 100.
    for (size_t i = 0; i + 1 < view.positions.size(); ++i) EXPECT_LT(view.positions[i], 100u);
}

TEST_F(FitTest, SinglePassAndSilentForms) {
    std::string jpg = TempPath(".jpg");
    ASSERT_EQ(CompressForCameraSinglePass(Noisy(64, 48), jpg, nullptr, 2), 1);
    JpegHeaderInfo info;
    ASSERT_EQ(ReadJpegHeaderInfo(jpg, &info), 1);
    EXPECT_EQ(SamplingText(info), "2x1,1x1,1x1");
    EXPECT_EQ(CompressForCameraSilent(jpg, 0), 1);
    EXPECT_LT(FileLength(jpg), 21504);
    ASSERT_EQ(ReadJpegHeaderInfo(jpg, &info), 1);
    EXPECT_EQ(SamplingText(info), "4x1,1x1,1x1");
    EXPECT_EQ(CompressForCameraSilent(TempPath(".missing"), 1), 0);
}

TEST_F(FitTest, CopyJpegFile) {
    std::vector<uint8_t> data(5000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    std::string a = TempPath(".jpg"), b = TempPath(".jpg");
    WriteBytes(a, data);
    ASSERT_EQ(CopyJpegFile(a, b), 1);
    EXPECT_EQ(ReadBytes(b), data);
    ASSERT_EQ(CopyJpegFile(a, a), 1);
    EXPECT_EQ(ReadBytes(a), data);
    EXPECT_EQ(CopyJpegFile(TempPath(".missing"), b), 0);
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0], "File cannot be opened.");
    WriteBytes(a, {});
    ASSERT_EQ(CopyJpegFile(a, b), 1);
    EXPECT_TRUE(ReadBytes(b).empty());
}

TEST_F(FitTest, FullMeterPauseEndsAtQuit) {
    pump.quit = true;
    uint32_t start = clock.now;
    PumpFor(1000);
    EXPECT_EQ(clock.now, start);
    EXPECT_EQ(pump.calls, 1);
    pump.quit = false;
    pump.pending = 3;
    PumpFor(1000);
    EXPECT_GE(clock.now - start, 1000u);
    EXPECT_EQ(pump.pending, 0);
}

}  // namespace
