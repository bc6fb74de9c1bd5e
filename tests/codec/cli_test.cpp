// End to end: the codec commands of vistrel-cli on files made here, one table of cases.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

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
    Result Run(const std::string& args) {
        const char* dir = std::getenv("VISTREL_BIN_DIR");
        std::string exe = std::string(dir ? dir : ".") + "/vistrel-cli";
        std::string out = TempPath(".out"), err = TempPath(".err");
        std::string cmd = exe + " " + args + " >" + out + " 2>" + err;
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
        const char* text;
    };
    std::string notbmp = File({'X', 'Y'}, ".bmp");
    std::string badbmp = File({'B', 'A', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, ".bmp");
    std::string jpg = File(MakeJpeg(JpegSpec()), ".jpg");
    std::string missing = TempPath(".missing");
    const Case cases[] = {
        {"decode " + missing + " " + TempPath(".bmp"), "Vistrel: File cannot be opened."},
        {"decode " + notbmp + " " + TempPath(".bmp"), "Vistrel: It failed in the creating bitmap."},
        {"encode " + notbmp + " " + TempPath(".jpg"), "Vistrel: It failed in the creating JPEG."},
        {"reduce " + badbmp + " " + TempPath(".bmp"),
         "Vistrel: This BMP file cannot be allocated."},
        {"expand " + missing + " " + TempPath(".bmp"), "Vistrel: File cannot be opened."},
        {"fit " + missing + " " + TempPath(".jpg") + " --class 1",
         "Vistrel: File cannot be opened."},
        {"encode a b --quality 0", "usage: vistrel-cli encode"},
        {"fit a b", "usage: vistrel-cli fit"},
        {"nonsense", "unknown command"},
    };
    for (const Case& c : cases) {
        Result r = Run(c.args);
        EXPECT_NE(r.code, 0) << c.args;
        EXPECT_NE(r.err.find(c.text), std::string::npos) << c.args << "\n" << r.err;
    }
}

}  // namespace
