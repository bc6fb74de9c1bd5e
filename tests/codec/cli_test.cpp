// End to end: the codec commands of vistrel-cli on files made here, one table of cases.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/files.h"
#include "codec/camera_segments.h"
#include "codec_test_support.h"

extern "C" {
#include <jpeglib.h>
}

namespace {

class CliTest : public CodecTest {
protected:
    struct Result {
        int code;
        std::string out;
        std::string err;
    };
    Result Run(const std::string& args) { return RunLimited(args, 0); }
    // With file_blocks > 0 the tool may write files of at most that many 512-byte blocks, as
    // on a disk that is full: a longer write fails (the signal it would raise is ignored).
    Result RunLimited(const std::string& args, int file_blocks) {
        const char* dir = std::getenv("VISTREL_BIN_DIR");
        std::string exe = std::string(dir ? dir : ".") + "/vistrel-cli";
        std::string out = TempPath(".out"), err = TempPath(".err");
        std::string run = exe + " " + args;
        if (file_blocks > 0)
            run = "(trap '' XFSZ; ulimit -f " + std::to_string(file_blocks) + "; exec " + run + ")";
        std::string cmd = run + " >" + out + " 2>" + err;
        int status = std::system(cmd.c_str());
        Result r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::vector<uint8_t> o = ReadBytes(out), e = ReadBytes(err);
        r.out.assign(o.begin(), o.end());
        r.err.assign(e.begin(), e.end());
        return r;
    }
    std::string File(const std::vector<uint8_t>& bytes, const char* ext) {
        std::string p = TempPath(ext);
        WriteBytes(p, bytes);
        return p;
    }
};

TEST_F(CliTest, DecodeEncodeReduceExpandRoundTrip) {
    JpegSpec spec;
    spec.width = 48;
    spec.height = 32;
    std::string jpg = File(MakeJpeg(spec), ".jpg");
    std::string bmp = TempPath(".bmp"), jpg2 = TempPath(".jpg"), bmp8 = TempPath(".bmp"),
                bmp24 = TempPath(".bmp");
    Result r = Run("decode " + jpg + " " + bmp);
    ASSERT_EQ(r.code, 0) << r.err;
    r = Run("encode " + bmp + " " + jpg2 + " --quality 60 --sampling 4x1,1x1,1x1");
    ASSERT_EQ(r.code, 0) << r.err;
    r = Run("reduce " + bmp + " " + bmp8);
    ASSERT_EQ(r.code, 0) << r.err;
    r = Run("expand " + bmp8 + " " + bmp24);
    ASSERT_EQ(r.code, 0) << r.err;
    r = Run("info " + jpg2 + " " + bmp8 + " " + bmp24);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find(jpg2 + ": kind=jpeg width=48 height=32 sampling=4x1,1x1,1x1 class=0 "
                                "date=none camera=none"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(bmp8 + ": kind=bmp width=48 height=32 bits=8"), std::string::npos);
    EXPECT_NE(r.out.find(bmp24 + ": kind=bmp width=48 height=32 bits=24"), std::string::npos);
    // A BMP has no camera size class, whatever its length.
    EXPECT_NE(r.out.find(bmp24 + ": kind=bmp width=48 height=32 bits=24 class=none date=none "
                                 "camera=none"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("class=255"), std::string::npos) << r.out;
}

TEST_F(CliTest, InfoShowsCameraDateAndPair) {
    JpegSpec spec;
    spec.jfif = false;
    spec.markers.push_back({JPEG_APP0, CameraApp0Data(true, 640, 480, 990100800u)});
    std::string jpg = File(MakeJpeg(spec), ".jpg");
    Result r = Run("info " + jpg);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("date=2001-05-17 camera=640x480"), std::string::npos) << r.out;
}

TEST_F(CliTest, FitWritesAFileOfTheClass) {
    JpegSpec spec;
    spec.width = 320;
    spec.height = 240;
    spec.quality = 100;
    std::vector<uint8_t> big = MakeJpeg(spec);
    ASSERT_GT(big.size(), 21504u);  // starts above class 0
    std::string in = File(big, ".jpg");
    std::string out = TempPath(".jpg");
    Result r = Run("fit " + in + " " + out + " --class 0");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("class 0"), std::string::npos) << r.out;
    EXPECT_LT(ReadBytes(out).size(), 21504u);
}

TEST_F(CliTest, FailuresPrintTheSystemTextsAndExitNonZero) {
    struct Case {
        std::string args;
        std::string text;
    };
    std::string notbmp = File({'X', 'Y'}, ".bmp");
    std::string badbmp = File({'B', 'A', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, ".bmp");
    std::string jpg = File(MakeJpeg(JpegSpec()), ".jpg");
    std::string missing = TempPath(".missing");
    const Case cases[] = {
        {"decode " + missing + " " + TempPath(".bmp"),
         "vistrel-cli: File cannot be opened. (" + missing + ": No such file or directory)\n"},
        {"decode " + notbmp + " " + TempPath(".bmp"), "vistrel-cli: This is not a Jpeg file."},
        {"encode " + notbmp + " " + TempPath(".jpg"),
         "vistrel-cli: It failed in the creating JPEG."},
        {"reduce " + badbmp + " " + TempPath(".bmp"),
         "vistrel-cli: This BMP file cannot be allocated."},
        {"expand " + missing + " " + TempPath(".bmp"),
         "vistrel-cli: File cannot be opened. (" + missing + ": No such file or directory)\n"},
        {"fit " + missing + " " + TempPath(".jpg") + " --class 1",
         "vistrel-cli: File cannot be opened. (" + missing + ": No such file or directory)\n"},
        {"encode a b --quality 0", "vistrel-cli: --quality: Value 0 not in range 1 to 100"},
        {"fit a b", "vistrel-cli: --class is required"},
        {"nonsense", "unknown command"},
    };
    for (const Case& c : cases) {
        Result r = Run(c.args);
        EXPECT_NE(r.code, 0) << c.args;
        EXPECT_NE(r.err.find(c.text), std::string::npos) << c.args << "\n" << r.err;
    }
}

// Each failing image command on inputs that are missing, empty or not what they should be:
// it says what is wrong, and the output's folder holds afterwards exactly what it held before
// (no new file, an existing output unchanged, no temporary file).
TEST_F(CliTest, FailedCommandsLeaveNoFilesAndSayWhy) {
    const std::string dir = NewFolder();
    auto put = [&](const std::string& leaf, const std::vector<uint8_t>& bytes) {
        WriteBytes(dir + leaf, bytes);
        return dir + leaf;
    };
    std::vector<uint8_t> bmp = MakeBmp24(8, 8, TestPattern);
    const std::string short_bmp =
        put("short.bmp", std::vector<uint8_t>(bmp.begin(), bmp.begin() + 20));
    const std::string garbage = put("garbage.bmp", {'G', 'A', 'R', 'B', 'A', 'G', 'E'});
    const std::string empty = put("empty.jpg", {});
    const std::string not_jpeg = put("picture.jpg", bmp);
    const std::string missing = dir + "missing.jpg";
    const std::string no_such = ": No such file or directory)\n";
    struct Case {
        std::string command;
        std::string input;
        const char* out_leaf;
        std::string text;
    };
    const Case cases[] = {
        {"decode", short_bmp, "o.bmp", "vistrel-cli: This is not a Jpeg file.\n"},
        {"decode", empty, "o.bmp",
         "vistrel-cli: This is not a Jpeg file. (" + empty + ": the file is empty)\n"},
        {"decode", missing, "o.bmp", "vistrel-cli: File cannot be opened. (" + missing + no_such},
        {"encode", garbage, "o.jpg", "vistrel-cli: It failed in the creating JPEG.\n"},
        {"encode", short_bmp, "o.jpg", "vistrel-cli: It failed in the creating JPEG.\n"},
        {"encode", empty, "o.jpg",
         "vistrel-cli: It failed in the creating JPEG. (" + empty + ": the file is empty)\n"},
        {"reduce", short_bmp, "o.bmp", "vistrel-cli: This BMP file cannot be allocated.\n"},
        {"expand", garbage, "o.bmp", "vistrel-cli: This BMP file cannot be allocated.\n"},
        {"expand", missing, "o.bmp", "vistrel-cli: File cannot be opened. (" + missing + no_such},
        {"fit", not_jpeg, "o.jpg", "vistrel-cli: This is not a Jpeg file.\n"},
        {"fit", empty, "o.jpg",
         "vistrel-cli: This is not a Jpeg file. (" + empty + ": the file is empty)\n"},
        {"fit", missing, "o.jpg", "vistrel-cli: File cannot be opened. (" + missing + no_such},
    };
    const std::vector<std::string> inputs = FilesIn(dir);
    for (const Case& c : cases) {
        const std::string out = dir + c.out_leaf;
        const std::string args =
            c.command + " " + c.input + " " + out + (c.command == "fit" ? " --class 1" : "");
        Result r = Run(args);
        EXPECT_EQ(r.code, 1) << args;
        EXPECT_EQ(r.err, c.text) << args;
        EXPECT_EQ(FilesIn(dir), inputs) << args;

        WriteBytes(out, {'o', 'l', 'd'});
        r = Run(args);
        EXPECT_EQ(r.code, 1) << args;
        EXPECT_EQ(r.err, c.text) << args;
        EXPECT_EQ(ReadBytes(out), (std::vector<uint8_t>{'o', 'l', 'd'})) << args;
        std::remove(out.c_str());
    }
}

TEST_F(CliTest, AnOutputThatCannotBeMadeIsNamed) {
    const std::string dir = NewFolder();
    const std::string jpg = dir + "in.jpg";
    WriteBytes(jpg, MakeJpeg(JpegSpec()));
    const std::string out = dir + "no-folder/o.bmp";
    Result r = Run("decode " + jpg + " " + out);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              "vistrel-cli: File cannot be opened. (" + out + ": No such file or directory)\n");
    r = Run("fit " + jpg + " " + dir + " --class 1");  // the output is a folder
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("vistrel-cli: File cannot be opened. (" + dir), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(": Is a directory)"), std::string::npos) << r.err;
    EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"in.jpg"});
}

// A file-size limit makes every longer write fail as on a full disk; the outputs stay whole or
// absent, never cut off.
TEST_F(CliTest, AFullDiskLeavesNoCutOffFiles) {
    const std::string dir = NewFolder();
    JpegSpec spec;
    spec.width = 160;
    spec.height = 120;
    spec.quality = 95;
    const std::string jpg = dir + "in.jpg";
    WriteBytes(jpg, MakeJpeg(spec));
    const std::string bmp24 = dir + "in24.bmp";
    WriteBytes(bmp24, MakeBmp24(64, 48, TestPattern));
    const std::string bmp8 = dir + "in8.bmp";
    WriteBytes(bmp8, MakePaletteBmp(64, 48, 8, {{1, 2, 3}, {200, 100, 0}},
                                    [](int x, int y) { return (x + y) & 1; }));
    const std::string too_large = ": File too large)\n";
    struct Case {
        std::string args;
        std::string out;
        std::string text;
    };
    const Case cases[] = {
        {"decode " + jpg, dir + "o.bmp",
         "vistrel-cli: It failed in the creating bitmap. (" + dir + "o.bmp" + too_large},
        {"reduce " + bmp24, dir + "o.bmp",
         "vistrel-cli: Disk is full. (" + dir + "o.bmp" + too_large},
        {"expand " + bmp8, dir + "o.bmp",
         "vistrel-cli: Disk is full. (" + dir + "o.bmp" + too_large},
        {"encode " + bmp24, dir + "o.jpg",
         "vistrel-cli: It failed in the creating JPEG. (" + dir + "o.jpg" + too_large},
        {"fit " + jpg, dir + "o.jpg", "vistrel-cli: Disk is full. (" + dir + "o.jpg" + too_large},
    };
    const std::vector<std::string> inputs = FilesIn(dir);
    ASSERT_GT(FileLength(jpg), 1024);
    for (const Case& c : cases) {
        const std::string args = c.args + " " + c.out + (c.args[0] == 'f' ? " --class 0" : "");
        Result r = RunLimited(args, 1);
        EXPECT_EQ(r.code, 1) << args;
        EXPECT_EQ(r.err, c.text) << args;
        EXPECT_EQ(FilesIn(dir), inputs) << args;

        WriteBytes(c.out, {'o', 'l', 'd'});
        r = RunLimited(args, 1);
        EXPECT_EQ(r.code, 1) << args;
        EXPECT_EQ(ReadBytes(c.out), (std::vector<uint8_t>{'o', 'l', 'd'})) << args;
        // Without the limit the same command replaces the old file.
        r = Run(args);
        EXPECT_EQ(r.code, 0) << args << "\n" << r.err;
        EXPECT_GT(ReadBytes(c.out).size(), 512u) << args;
        std::remove(c.out.c_str());
        EXPECT_EQ(FilesIn(dir), inputs) << args;
    }
}

TEST_F(CliTest, InfoSaysWhatIsWrongWithEachFile) {
    const std::string dir = NewFolder();
    const std::string empty = dir + "empty.jpg";
    WriteBytes(empty, {});
    const std::string one = dir + "one.jpg";
    WriteBytes(one, {0xFF});
    const std::string missing = dir + "missing.jpg";
    const std::string bad_bmp = dir + "bad.bmp";
    WriteBytes(bad_bmp, {'B', 'M', 1, 2, 3});
    Result r = Run("info " + empty + " " + one + " " + missing + " " + bad_bmp);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "vistrel-cli: There is no correspondence between this file. (" + empty +
                         ": the file is empty)\n" +
                         "vistrel-cli: There is no correspondence between this file. (" + one +
                         ")\n" + "vistrel-cli: File cannot be opened. (" + missing +
                         ": No such file or directory)\n" +
                         "vistrel-cli: This BMP file cannot be allocated. (" + bad_bmp + ")\n");
}

TEST_F(CliTest, TopDownBmpFilesAreReadLikeAnyOther) {
    const std::string dir = NewFolder();
    const std::string bmp = dir + "top.bmp";
    WriteBytes(bmp, TopDownBmp(MakeBmp24(24, 16, TestPattern)));
    Result r = Run("info " + bmp);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("kind=bmp width=24 height=16 bits=24"), std::string::npos) << r.out;
    r = Run("reduce " + bmp + " " + dir + "r.bmp");
    ASSERT_EQ(r.code, 0) << r.err;
    r = Run("encode " + bmp + " " + dir + "e.jpg");
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string bottom_up = dir + "bottom.bmp";
    WriteBytes(bottom_up, MakeBmp24(24, 16, TestPattern));
    r = Run("encode " + bottom_up + " " + dir + "b.jpg");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir + "e.jpg"), ReadBytes(dir + "b.jpg"));
}

}  // namespace
