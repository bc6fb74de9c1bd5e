// End to end: vistrel-cli sheet writes the print layouts as PDF pages.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/dir.h"
#include "base/files.h"
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

// The bounding box of what is not white on the first page of a PDF file, at 72 dpi (a point a
// pixel), as Ghostscript renders it; false when it cannot.
struct Box {
    int left = 0, top = 0, right = -1, bottom = -1, width = 0, height = 0;
};
bool InkBox(const std::string& pdf, const std::string& ppm, Box* box) {
    const std::string cmd =
        "gs -q -dNOPAUSE -dBATCH -dSAFER -dFirstPage=1 -dLastPage=1 "
        "-sDEVICE=ppmraw -r72 -sOutputFile='" +
        ppm + "' '" + pdf + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return false;
    const std::vector<uint8_t> b = ReadBytes(ppm);
    std::remove(ppm.c_str());
    // The header: "P6", width, height, maximum, each after blanks and "#" comment lines.
    size_t at = 2;
    int fields[3] = {0, 0, 0};
    if (b.size() < 2 || b[0] != 'P' || b[1] != '6') return false;
    for (int& f : fields) {
        while (at < b.size() && (std::isspace(b[at]) || b[at] == '#')) {
            if (b[at] == '#')
                while (at < b.size() && b[at] != '\n') ++at;
            else
                ++at;
        }
        while (at < b.size() && std::isdigit(b[at])) f = f * 10 + (b[at++] - '0');
    }
    const int w = fields[0], h = fields[1];
    ++at;  // the one blank before the pixels
    if (w <= 0 || h <= 0 || b.size() < at + size_t(w) * h * 3) return false;
    const uint8_t* px = b.data() + at;
    *box = Box();
    box->width = w;
    box->height = h;
    box->left = w;
    box->top = h;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = px + (size_t(y) * w + x) * 3;
            if (p[0] > 200 && p[1] > 200 && p[2] > 200) continue;
            box->left = std::min(box->left, x);
            box->right = std::max(box->right, x);
            box->top = std::min(box->top, y);
            box->bottom = std::max(box->bottom, y);
        }
    }
    return box->right >= 0;
}

TEST_F(SheetCliTest, TheMarginIsKeptAndMayBeChanged) {
    if (std::system("command -v gs >/dev/null 2>&1") != 0) GTEST_SKIP() << "no Ghostscript";
    // A dark picture wider than the page's shape: the fit layout runs it across the page.
    std::string pic = folder_ + "dark.bmp";
    WriteBytes(pic, MakeBmp24(400, 100, [](int, int) { return Rgb{20, 30, 40}; }));
    const std::string pdf = folder_ + "m.pdf", ppm = folder_ + "m.ppm";
    const struct {
        const char* args;
        int at_least, at_most;  // the ink's distance from the nearest side, in points
    } cases[] = {
        {"", 28, 40},             // 10 mm is 28.3 points
        {"--margin 20", 56, 70},  // 20 mm
        {"--margin 0", 0, 5},
        {"--margin 12.5", 35, 47},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        Result r = Run("-q sheet " + pic + " " + pdf + " " + c.args);
        ASSERT_EQ(r.code, 0) << r.err;
        Box b;
        ASSERT_TRUE(InkBox(pdf, ppm, &b));
        const int nearest = std::min(std::min(b.left, b.top),
                                     std::min(b.width - 1 - b.right, b.height - 1 - b.bottom));
        EXPECT_GE(nearest, c.at_least);
        EXPECT_LE(std::min(b.left, b.width - 1 - b.right), c.at_most);
    }
    EXPECT_EQ(Run("sheet " + pic + " " + pdf + " --margin 51").code, 2);
    EXPECT_EQ(Run("sheet " + pic + " " + pdf + " --margin -1").code, 2);
    EXPECT_EQ(Run("sheet " + pic + " " + pdf + " --margin ten").code, 2);
}

// What sheet does with inputs it cannot print and outputs it must not write: it says so,
// naming the file, and leaves no PDF and no temporary file behind.
TEST_F(SheetCliTest, HostileInputsAndOutputsFailInWords) {
    auto patched = [](std::vector<uint8_t> b, size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<uint8_t>(value >> (8 * i));
        return b;
    };
    const std::vector<uint8_t> good = MakeBmp24(16, 16, TestPattern);
    const std::vector<uint8_t> palette = MakePaletteBmp(16, 16, 8, {{0, 0, 0}, {255, 255, 255}},
                                                        [](int x, int y) { return (x + y) & 1; });
    std::vector<uint8_t> truncated(good.begin(), good.begin() + 70);
    const std::string fifo = folder_ + "fifo.bmp";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;  // the picture's bytes; empty: the FIFO
    } pictures[] = {
        {"RLE8", patched(palette, 30, 1, 4)},
        {"RLE4", patched(patched(palette, 30, 2, 4), 28, 4, 2)},
        {"16-bit", patched(good, 28, 16, 2)},
        {"truncated", truncated},
        {"pixels beyond the end", patched(good, 10, static_cast<uint32_t>(good.size()) + 64, 4)},
        {"FIFO", {}},
    };
    const std::string pdf = folder_ + "out.pdf";
    int n = 0;
    for (const auto& c : pictures) {
        SCOPED_TRACE(c.what);
        std::string pic = fifo;
        if (!c.bytes.empty()) {
            pic = folder_ + "bad" + std::to_string(++n) + ".bmp";
            WriteBytes(pic, c.bytes);
        }
        Result r = Run("sheet " + pic + " " + pdf);
        EXPECT_EQ(r.code, 1) << r.err;
        EXPECT_NE(r.err.find("vistrel-cli: "), std::string::npos);
        EXPECT_NE(r.err.find(pic), std::string::npos) << r.err;
        EXPECT_EQ(FileLength(pdf), -1);

        // In an album, the picture is left out and the summary says so.
        const std::string alb = folder_ + "with-bad.alb";
        const std::string ok = Bmp(20, 20);
        ASSERT_EQ(Run("-q album new " + alb + " " + ok + " " + Bmp(8, 8)).code, 0);
        // The second picture becomes the hostile one after it went in.
        const std::string second = folder_ + "pic" + std::to_string(made_) + ".bmp";
        std::remove(second.c_str());
        if (c.bytes.empty())
            ASSERT_EQ(symlink(fifo.c_str(), second.c_str()), 0);
        else
            WriteBytes(second, c.bytes);
        r = Run("-q sheet " + alb + " " + pdf + " --layout 4");
        EXPECT_EQ(r.code, 1) << r.err;
        EXPECT_NE(r.err.find(second), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(pdf + ": 1 page; 1 picture could not be read and left out"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(Pages(pdf), 1);
        std::remove(pdf.c_str());
        std::remove(second.c_str());
    }

    const std::string a = Jpeg(64, 48);
    const struct {
        const char* what;
        std::string args;
        int code;
        std::string says;
        std::string absent;  // a file that must not be there afterwards
    } runs[] = {
        {"no album with an album layout", a + " " + pdf + " --layout 4", 2, "--layout 4", pdf},
        {"no album with the album layout", a + " " + pdf + " --layout album", 2, "--layout album",
         pdf},
        {"a name that is not .pdf", a + " " + folder_ + "out.png", 2, folder_ + "out.png",
         folder_ + "out.png"},
        {"only an extension", a + " " + folder_ + ".pdf", 2, ".pdf", folder_ + ".pdf"},
        {"a missing picture", folder_ + "nosuch.jpg " + pdf, 1,
         "File does not exist. (" + folder_ + "nosuch.jpg", pdf},
        {"a missing album", folder_ + "nosuch.alb " + pdf + " --layout 2", 2, "--layout 2", pdf},
    };
    for (const auto& c : runs) {
        SCOPED_TRACE(c.what);
        Result r = Run("sheet " + c.args);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(FileLength(c.absent), -1);
    }
    // Upper-case .PDF is a PDF name too.
    EXPECT_EQ(Run("-q sheet " + a + " " + folder_ + "OUT.PDF").code, 0);
    EXPECT_EQ(Pages(folder_ + "OUT.PDF"), 1);
    std::remove((folder_ + "OUT.PDF").c_str());
    for (const std::string& name : FilesIn(folder_))
        EXPECT_EQ(name.find(".TMP"), std::string::npos) << name;
    std::remove(fifo.c_str());
}

}  // namespace
