// End to end: vistrel-cli's editing commands on files made here, BMP and JPEG in and out.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "base/dir.h"
#include "base/files.h"
#include "base/path.h"
#include "codec/bmp_file.h"
#include "codec/camera_segments.h"
#include "codec/jpeg_codec.h"
#include "codec_test_support.h"
#include "edit/adjust.h"
#include "edit/geometry.h"
#include "edit_test_support.h"
#include "support/run_command.h"

extern "C" {
#include <jpeglib.h>
}

namespace {

class EditCliTest : public CodecTest {
protected:
    CommandRun Run(const std::string& args) {
        const char* dir = std::getenv("VISTREL_BIN_DIR");
        return RunCommandLine(std::string(dir ? dir : ".") + "/vistrel-cli " + args + " 2>&1");
    }
    std::string File(const std::vector<uint8_t>& bytes, const char* ext) {
        std::string p = TempPath(ext);
        WriteBytes(p, bytes);
        return p;
    }
    std::string Bmp24(int w, int h) {
        return File(MakeBmp24(w, h,
                              [](int x, int y) {
                                  return Rgb{static_cast<uint8_t>(x * 5),
                                             static_cast<uint8_t>(y * 3),
                                             static_cast<uint8_t>(x * y)};
                              }),
                    ".bmp");
    }
};

TEST_F(EditCliTest, RotationsOfABmp) {
    const std::string in = Bmp24(13, 7);
    const std::string r = TempPath(".bmp"), back = TempPath(".bmp");
    CommandRun run = Run("rotate right " + in + " " + r);
    ASSERT_EQ(run.status, 0) << run.out;
    DibImage src = LoadBmpFile(in), turned = LoadBmpFile(r);
    ASSERT_TRUE(turned);
    EXPECT_EQ(DibWidth(turned), 7);
    EXPECT_EQ(DibHeight(turned), 13);
    EXPECT_EQ(Pixels(turned), Pixels(RotateDib(src, true)));
    run = Run("rotate left " + r + " " + back);
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(ReadBytes(back), ReadBytes(in));
}

TEST_F(EditCliTest, JpegOutputKeepsTheCameraSegmentsOfAJpegInput) {
    JpegSpec spec;
    spec.width = 64;
    spec.height = 48;
    spec.jfif = false;
    spec.markers.push_back({JPEG_APP0, CameraApp0Data(false, 64, 48, 990100800u)});
    const std::string in = File(MakeJpeg(spec), ".jpg");
    const std::string out = TempPath(".jpg");
    CommandRun run = Run("rotate left " + in + " " + out);
    ASSERT_EQ(run.status, 0) << run.out;
    JpegHeaderInfo info;
    ASSERT_TRUE(ReadJpegHeaderInfo(out, &info));
    EXPECT_EQ(info.width, 48);
    EXPECT_EQ(info.height, 64);
    EXPECT_EQ(SamplingText(info), "2x1,1x1,1x1");
    KeptSegments kept;
    ASSERT_TRUE(KeepCameraSegments(out, &kept));
    ASSERT_EQ(kept.count, 1);
    EXPECT_EQ(kept.recorded_width, 48u);  // the pair follows the quarter turn
    EXPECT_EQ(kept.recorded_height, 64u);
    EXPECT_EQ(ThumbnailDate(out).year, ThumbnailDate(in).year);
    // To BMP and back to JPEG: a BMP input has no segments to keep.
    const std::string bmp = TempPath(".bmp"), jpg = TempPath(".jpg");
    ASSERT_EQ(Run("cut 0 0 32 16 " + in + " " + bmp).status, 0);
    ASSERT_EQ(Run("cut 0 0 16 16 " + bmp + " " + jpg).status, 0);
    KeptSegments none;
    ASSERT_TRUE(KeepCameraSegments(jpg, &none));
    EXPECT_EQ(none.recorded_width, 0u);
}

TEST_F(EditCliTest, ResizeMatchesTheLibraryAndRefusesTheDialogsBadSizes) {
    const std::string in = Bmp24(40, 33);
    const std::string out = TempPath(".bmp");
    CommandRun run = Run("resize 64 50 " + in + " " + out);
    ASSERT_EQ(run.status, 0) << run.out;
    DibImage got = LoadBmpFile(out);
    EXPECT_EQ(Pixels(got), Pixels(ResizeDib(LoadBmpFile(in), 64, 50)));
    for (const char* bad : {"31 40", "40 1921", "4o 40"}) {
        const std::string none = TempPath(".bmp");
        run = Run(std::string("resize ") + bad + " " + in + " " + none);
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_NE(run.out.find("Invalid new size value input."), std::string::npos) << run.out;
        EXPECT_FALSE(FileExists(none));
    }
}

TEST_F(EditCliTest, CutOutOfAPalettePicture) {
    std::vector<Rgb> palette;
    for (int i = 0; i < 16; ++i) palette.push_back(Rgb{uint8_t(i * 16), uint8_t(i), 0});
    const std::string in = File(
        MakePaletteBmp(21, 9, 4, palette, [](int x, int y) { return (x + 2 * y) % 16; }), ".bmp");
    const std::string out = TempPath(".bmp");
    CommandRun run = Run("cut 3 2 11 5 " + in + " " + out);
    ASSERT_EQ(run.status, 0) << run.out;
    DibImage src = LoadBmpFile(in), cut = LoadBmpFile(out);
    ASSERT_EQ(DibWidth(cut), 11);
    ASSERT_EQ(DibHeight(cut), 5);
    EXPECT_EQ(DibBitCount(cut), 4);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 11; ++x) EXPECT_EQ(IndexAt(cut, x, y), IndexAt(src, x + 3, y + 2));
    run = Run("cut 30 2 5 5 " + in + " " + TempPath(".bmp"));
    EXPECT_EQ(run.status, 1);
}

TEST_F(EditCliTest, AdjustAutomaticPrintsItsValuesAndNeutralKeepsThePicture) {
    const std::string grey = File(MakeBmp24(100, 100,
                                            [](int, int) {
                                                return Rgb{128, 128, 128};
                                            }),
                                  ".bmp");
    const std::string out = TempPath(".bmp");
    CommandRun run = Run("adjust --auto " + grey + " " + out);
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find(grey + ": brightness=0 contrast=50 saturation=30 sharpness=12"),
              std::string::npos)
        << run.out;
    const std::string in = Bmp24(30, 20), same = TempPath(".bmp");
    run = Run("adjust " + in + " " + same);
    ASSERT_EQ(run.status, 0) << run.out;
    DibImage a = LoadBmpFile(in), b = LoadBmpFile(same);
    const std::vector<uint32_t> pa = Pixels(a), pb = Pixels(b);
    ASSERT_EQ(pa.size(), pb.size());
    for (size_t i = 0; i < pa.size(); ++i)
        for (int shift : {0, 8, 16})
            EXPECT_LE(std::abs(int((pa[i] >> shift) & 255) - int((pb[i] >> shift) & 255)), 2);
    // The values given are the dialog's.
    const std::string brighter = TempPath(".bmp");
    run = Run("adjust --brightness 50 --sharpness 20 --saturation -10 --contrast 5 " + in + " " +
              brighter);
    ASSERT_EQ(run.status, 0) << run.out;
    AdjustState s;
    ResetAdjustState(&s);
    ASSERT_TRUE(AnalysePicture(&s, MakeAdjustPreview(a)));
    ComputeManual(&s, 50, 5, -10, 20);
    EXPECT_EQ(Pixels(LoadBmpFile(brighter)), Pixels(ApplyAdjustment(s.params, a)));
    EXPECT_EQ(Run("adjust --brightness 101 " + in + " " + TempPath(".bmp")).status, 2);
    EXPECT_EQ(Run("adjust --sharpness -1 " + in + " " + TempPath(".bmp")).status, 2);
}

TEST_F(EditCliTest, BatchIntoAFolderGoesOnPastAFailure) {
    const std::string dir = NewFolder();
    std::vector<Rgb> palette(256, Rgb{1, 2, 3});
    const std::string eight =
        File(MakePaletteBmp(8, 8, 8, palette, [](int x, int) { return x; }), ".bmp");
    const std::string a = Bmp24(10, 10), b = Bmp24(12, 6);
    CommandRun run = Run("adjust --auto " + a + " " + eight + " " + b + " --dir " + dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("vistrel-cli: This image is not full color. (" + eight + ")"),
              std::string::npos)
        << run.out;
    const std::vector<std::string> names = FilesIn(dir);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(DibWidth(LoadBmpFile(dir + PathFileName(b))), 12);
    // The palette picture turns; without --dir exactly two files are wanted.
    run = Run("rotate right " + eight + " " + a + " --dir " + dir);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(Run("rotate right " + a + " " + b + " " + eight).status, 2);
    EXPECT_EQ(Run("rotate right " + a + " out.png").status, 2);
}

TEST_F(EditCliTest, ResizeTakesGeometriesAndKeepsTheAspectForOneSide) {
    const std::string in = Bmp24(100, 80);
    const struct {
        const char* size;
        int status;
        int width, height;  // of the output when status is 0
    } cases[] = {
        {"50%", 0, 50, 40},    {"320x", 0, 320, 256}, {"x240", 0, 300, 240}, {"64x50", 0, 64, 50},
        {"64X50", 0, 64, 50},  {"64 50", 0, 64, 50},  {"40%", 0, 40, 32},    {"x33", 0, 41, 33},
        {"10%", 1, 0, 0},      {"2000x", 1, 0, 0},    {"x2400", 1, 0, 0},    {"1921x40", 2, 0, 0},
        {"x", 2, 0, 0},        {"0x50", 2, 0, 0},     {"-50%", 2, 0, 0},     {"50", 2, 0, 0},
        {"50x50x50", 2, 0, 0}, {"%", 2, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string out = TempPath(".bmp");
        CommandRun run = Run(std::string("resize ") + c.size + " " + in + " " + out);
        EXPECT_EQ(run.status, c.status) << run.out;
        if (c.status != 0) {
            EXPECT_FALSE(FileExists(out));
            EXPECT_NE(run.out.find("Invalid new size value input."), std::string::npos) << run.out;
            // A size that depends on the picture is refused naming it.
            if (c.status == 1) {
                EXPECT_NE(run.out.find(in), std::string::npos) << run.out;
            }
            continue;
        }
        DibImage got = LoadBmpFile(out);
        EXPECT_EQ(DibWidth(got), c.width);
        EXPECT_EQ(DibHeight(got), c.height);
        EXPECT_EQ(Pixels(got), Pixels(ResizeDib(LoadBmpFile(in), c.width, c.height)));
    }
}

TEST_F(EditCliTest, BatchMakesItsFolderAndGoesOnPastFilesOfAnotherKind) {
    const std::string parent = NewFolder();
    const std::string dir = parent + "adjusted";
    const std::string a = Bmp24(80, 80), b = Bmp24(120, 64);
    const std::string txt = File({'t', 'x', 't'}, ".txt");
    CommandRun run = Run("adjust --auto " + a + " " + txt + " " + b + " --dir " + dir);
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find(txt + ": not a .bmp, .jpg or .jpeg file"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("1 of 3 files were not done"), std::string::npos) << run.out;
    EXPECT_EQ(FilesIn(dir + "/"), (std::vector<std::string>{PathFileName(a), PathFileName(b)}));
    run = Run("resize 50% " + a + " " + b + " --dir " + dir + "/half");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(DibWidth(LoadBmpFile(dir + "/half/" + PathFileName(b))), 60);
    // A folder that cannot be made: said, with the reason, and nothing done.
    run = Run("resize 50% " + a + " --dir " + parent + "no/such");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("cannot make the folder " + parent + "no/such (" + parent +
                           "no/such: No such file or directory)"),
              std::string::npos)
        << run.out;
    for (const std::string& n : FilesIn(dir + "/half/")) std::remove((dir + "/half/" + n).c_str());
    rmdir((dir + "/half").c_str());
    for (const std::string& n : FilesIn(dir + "/")) std::remove((dir + "/" + n).c_str());
    rmdir(dir.c_str());
}

TEST_F(EditCliTest, FailedWritesNameTheFileAndTheReason) {
    const std::string in = Bmp24(200, 160);
    const std::string folder = NewFolder();
    // A JPEG into a link to the full device: the link's name and the system's reason.
    const std::string full = folder + "full.jpg";
    ASSERT_EQ(symlink("/dev/full", full.c_str()), 0);
    CommandRun run = Run("resize 50% " + in + " " + full);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("(" + full + ": No space left on device)"), std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("files were not done"), std::string::npos) << "one file, no summary";
    // A BMP that outgrows the limit on the file size.
    const std::string big = folder + "big.bmp";
    run = RunCommandLine(std::string("trap '' XFSZ; ulimit -f 2; ") +
                         (std::getenv("VISTREL_BIN_DIR") ? std::getenv("VISTREL_BIN_DIR") : ".") +
                         "/vistrel-cli adjust --brightness 10 " + in + " " + big + " 2>&1");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("(" + big + ": File too large)"), std::string::npos) << run.out;
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{});
    std::remove(full.c_str());
}

}  // namespace
