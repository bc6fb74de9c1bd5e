// End to end: vistrel-cli sheet writes the print layouts as PDF pages.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/dir.h"
#include "codec_test_support.h"

namespace {

// The page count of a PDF file: the /Count of its page tree's root (the largest /Count, since
// a root counts every page below it).
int PdfPageCount(const std::vector<uint8_t>& bytes) {
    const std::string text(bytes.begin(), bytes.end());
    if (text.compare(0, 5, "%PDF-") != 0) return -1;
    int best = -1;
    for (size_t at = text.find("/Count"); at != std::string::npos;
         at = text.find("/Count", at + 1)) {
        size_t i = at + 6;
        while (i < text.size() && text[i] == ' ') ++i;
        int n = 0;
        bool digits = false;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            n = n * 10 + (text[i++] - '0');
            digits = true;
        }
        if (digits && n > best) best = n;
    }
    return best;
}

class SheetCliTest : public CodecTest {
protected:
    struct Result {
        int code;
        std::string err;
    };
    Result Run(const std::string& args) {
        const char* dir = std::getenv("VISTREL_BIN_DIR");
        const std::string exe = std::string(dir ? dir : ".") + "/vistrel-cli";
        const std::string err = TempPath(".err");
        const int status =
            std::system((exe + " " + args + " </dev/null >/dev/null 2>" + err).c_str());
        Result r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::vector<uint8_t> e = ReadBytes(err);
        r.err.assign(e.begin(), e.end());
        return r;
    }
    std::string Bmp(int w, int h) {
        std::string p = folder_ + "pic" + std::to_string(++made_) + ".bmp";
        WriteBytes(p, MakeBmp24(w, h, TestPattern));
        return p;
    }
    std::string Jpeg(int w, int h) {
        JpegSpec spec;
        spec.width = w;
        spec.height = h;
        spec.jfif = false;
        spec.markers.push_back({0xE0, CameraApp0Data(false, w, h, 990100800u)});
        std::string p = folder_ + "DSC" + std::to_string(++made_) + ".jpg";
        WriteBytes(p, MakeJpeg(spec));
        return p;
    }
    // An album of five pictures, the third one's file removed afterwards.
    std::string FiveAlbum() {
        std::vector<std::string> files = {Jpeg(64, 48), Bmp(30, 40), Bmp(20, 20), Jpeg(48, 64),
                                          Bmp(50, 10)};
        std::string list;
        for (const std::string& f : files) list += " " + f;
        const std::string alb = folder_ + "five.alb";
        EXPECT_EQ(Run("-q album new " + alb + list).code, 0);
        std::remove(files[2].c_str());
        return alb;
    }
    int Pages(const std::string& pdf) { return PdfPageCount(ReadBytes(pdf)); }
    void SetUp() override { folder_ = NewFolder(); }
    std::string folder_;
    int made_ = 0;
};

TEST_F(SheetCliTest, AlbumLayoutsGiveTheirPageCounts) {
    const std::string alb = FiveAlbum();
    const std::string pdf = folder_ + "out.pdf";
    struct Case {
        const char* layout;
        int pages;
    } cases[] = {{"2", 3}, {"4", 2}, {"16", 1}, {"album", 1}};
    for (const Case& c : cases) {
        Result r = Run("sheet " + alb + " " + pdf + " --layout " + c.layout + " --name --date");
        ASSERT_EQ(r.code, 0) << c.layout << ": " << r.err;
        EXPECT_EQ(Pages(pdf), c.pages) << c.layout;
        // The missing picture leaves its place empty, without a word.
        EXPECT_EQ(r.err.find("vistrel-cli:"), std::string::npos) << r.err;
    }
    // An album without --layout prints album sheets.
    ASSERT_EQ(Run("-q sheet " + alb + " " + pdf).code, 0);
    EXPECT_EQ(Pages(pdf), 1);
    // Two albums are one print list.
    ASSERT_EQ(Run("-q sheet " + alb + " " + alb + " " + pdf + " --layout 4").code, 0);
    EXPECT_EQ(Pages(pdf), 3);
}

TEST_F(SheetCliTest, SingleLayoutsPrintAPagePerPictureOnTheChosenPaper) {
    const std::string a = Jpeg(64, 48), b = Bmp(30, 40);
    const std::string pdf = folder_ + "single.pdf";
    for (const char* layout : {"fit", "original", "upper", "lower"}) {
        Result r = Run("-q sheet " + a + " " + b + " " + pdf + " --layout " + layout);
        ASSERT_EQ(r.code, 0) << layout << ": " << r.err;
        EXPECT_EQ(Pages(pdf), 2) << layout;
    }
    ASSERT_EQ(Run("-q sheet " + a + " " + pdf + " --paper letter --date").code, 0);
    std::vector<uint8_t> bytes = ReadBytes(pdf);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("0 0 612 792 ]"), std::string::npos);
    ASSERT_EQ(Run("-q sheet " + a + " " + pdf).code, 0);
    bytes = ReadBytes(pdf);
    const std::string a4(bytes.begin(), bytes.end());
    EXPECT_NE(a4.find("0 0 595.2 841.92 ]"), std::string::npos);
}

TEST_F(SheetCliTest, FailuresLeaveTheOutputAlone) {
    const std::string a = Jpeg(64, 48);
    const std::string pdf = folder_ + "keep.pdf";
    WriteBytes(pdf, std::vector<uint8_t>{'o', 'l', 'd'});
    // A single picture that is missing or of another kind fails the run.
    Result r = Run("sheet " + a + " " + folder_ + "none.jpg " + pdf);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("File does not exist."), std::string::npos) << r.err;
    const std::string other = folder_ + "notes.txt";
    WriteBytes(other, std::vector<uint8_t>{'x'});
    r = Run("sheet " + other + " " + pdf);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("There is no correspondence between this file."), std::string::npos)
        << r.err;
    EXPECT_EQ(ReadBytes(pdf), (std::vector<uint8_t>{'o', 'l', 'd'}));
    // Usage: an unknown layout or paper, no output named.
    EXPECT_EQ(Run("sheet " + a + " " + pdf + " --layout 3").code, 2);
    EXPECT_EQ(Run("sheet " + a + " " + pdf + " --paper a3").code, 2);
    EXPECT_EQ(Run("sheet " + pdf).code, 2);
    EXPECT_EQ(ReadBytes(pdf), (std::vector<uint8_t>{'o', 'l', 'd'}));
    // An output that cannot be written.
    r = Run("sheet " + a + " " + folder_ + "no/such/dir.pdf");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("File cannot be opened."), std::string::npos) << r.err;
}

}  // namespace
