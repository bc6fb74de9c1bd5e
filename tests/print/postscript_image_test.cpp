// A picture as PostScript code: the samples decoded back from the code (ASCII85, then run-length)
// equal the picture's in red, green, blue order for every kind of row (runs, literals, long
// runs, zero groups, every tail length), the header places the picture, the lines stay short
// and never start with "%", and the pieces respect their limit. Natively, Ghostscript renders
// the code at one device pixel a sample and gives back the very samples.
#include "print/postscript_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

struct Collected {
    std::string code;
    std::vector<size_t> pieces;
    int fail_at = -1;  // the piece whose write fails, -1 for none
};

bool Collect(void* context, const char* data, size_t size) {
    auto* c = static_cast<Collected*>(context);
    if (static_cast<int>(c->pieces.size()) == c->fail_at) return false;
    c->pieces.push_back(size);
    c->code.append(data, size);
    return true;
}

// A picture of w x h blue-green-red samples, rows as given.
struct Picture {
    int w = 0, h = 0;
    std::vector<uint8_t> bgr;
    const uint8_t* Row(int y) const { return bgr.data() + static_cast<size_t>(y) * w * 3; }
};

bool Write(const Picture& p, int x, int y, int pw, int ph, bool bottom_up, Collected* out) {
    PostScriptImage image;
    image.sink = Collect;
    image.context = out;
    if (!BeginPostScriptImage(&image, x, y, pw, ph, p.w, p.h, bottom_up)) return false;
    for (int r = 0; r < p.h; ++r)
        if (!PutPostScriptImageRow(&image, p.Row(r))) return false;
    return EndPostScriptImage(&image);
}

// The ASCII85 data between "image\n" and "~>", decoded; false on a character outside the code.
bool Ascii85(const std::string& code, std::vector<uint8_t>* out) {
    const size_t begin = code.find("image\n");
    const size_t end = code.find("~>");
    if (begin == std::string::npos || end == std::string::npos || end < begin) return false;
    uint32_t v = 0;
    int n = 0;
    for (size_t i = begin + 6; i < end; ++i) {
        const char c = code[i];
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
        if (c == 'z' && n == 0) {
            out->insert(out->end(), 4, 0);
            continue;
        }
        if (c < '!' || c > 'u') return false;
        v = v * 85 + static_cast<uint32_t>(c - '!');
        if (++n == 5) {
            for (int s = 24; s >= 0; s -= 8) out->push_back(static_cast<uint8_t>(v >> s));
            v = 0;
            n = 0;
        }
    }
    if (n == 1) return false;
    if (n > 1) {
        for (int i = n; i < 5; ++i) v = v * 85 + 84;
        for (int i = 0; i < n - 1; ++i) out->push_back(static_cast<uint8_t>(v >> (24 - 8 * i)));
    }
    return true;
}

// RunLengthDecode up to its end byte; false without one or on a cut-off run.
bool RunLengthDecode(const std::vector<uint8_t>& in, std::vector<uint8_t>* out) {
    size_t i = 0;
    while (i < in.size()) {
        const int n = in[i++];
        if (n == 128) return i == in.size();
        if (n < 128) {
            if (i + n + 1 > in.size()) return false;
            out->insert(out->end(), in.begin() + i, in.begin() + i + n + 1);
            i += n + 1;
        } else {
            if (i >= in.size()) return false;
            out->insert(out->end(), 257 - n, in[i++]);
        }
    }
    return false;
}

std::vector<uint8_t> Samples(const std::string& code) {
    std::vector<uint8_t> coded, samples;
    EXPECT_TRUE(Ascii85(code, &coded));
    EXPECT_TRUE(RunLengthDecode(coded, &samples));
    return samples;
}

std::vector<uint8_t> Rgb(const Picture& p) {
    std::vector<uint8_t> rgb(p.bgr.size());
    for (size_t i = 0; i + 2 < p.bgr.size(); i += 3) {
        rgb[i] = p.bgr[i + 2];
        rgb[i + 1] = p.bgr[i + 1];
        rgb[i + 2] = p.bgr[i];
    }
    return rgb;
}

uint32_t g_seed = 12345;
uint8_t Noise() {
    g_seed = g_seed * 1103515245u + 12345u;
    return static_cast<uint8_t>(g_seed >> 16);
}

// Rows of every kind: noise, one grey (runs across the row, longer than 128), a colour (no
// byte runs), zeros (ASCII85's "z"), noise with runs of two and three, and a black-and-white
// strip; widths give every length of the last ASCII85 group.
Picture Mixed(int w, int h) {
    Picture p;
    p.w = w;
    p.h = h;
    p.bgr.resize(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = p.bgr.data() + static_cast<size_t>(y) * w * 3;
        for (int i = 0; i < w * 3; ++i) {
            switch (y % 6) {
                case 0:
                    row[i] = Noise();
                    break;
                case 1:
                    row[i] = 200;
                    break;
                case 2:
                    row[i] = static_cast<uint8_t>(i % 3 == 0 ? 10 : i % 3 == 1 ? 120 : 250);
                    break;
                case 3:
                    row[i] = 0;
                    break;
                case 4:
                    row[i] = (i / 2) % 3 == 0 ? 7 : Noise();
                    break;
                default:
                    row[i] = (i / 9) % 2 ? 255 : 0;
                    break;
            }
        }
    }
    return p;
}

TEST(PostScriptImageTest, SamplesComeBackInRedGreenBlueOrderForEveryKindOfRow) {
    for (int w : {1, 2, 3, 5, 43, 44, 45, 46, 200, 641}) {
        for (int h : {1, 6, 13}) {
            SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
            const Picture p = Mixed(w, h);
            Collected c;
            ASSERT_TRUE(Write(p, 0, 0, w, h, true, &c));
            EXPECT_EQ(Samples(c.code), Rgb(p));
        }
    }
}

TEST(PostScriptImageTest, HeaderPlacesThePictureAndEndsTheImage) {
    const Picture p = Mixed(40, 30);
    Collected up;
    ASSERT_TRUE(Write(p, 8, 160, 609, 456, true, &up));
    EXPECT_EQ(up.code.rfind("gsave\n/DeviceRGB setcolorspace\n8 160 translate\n609 456 scale\n", 0),
              0u);
    EXPECT_NE(up.code.find(" /Width 40\n /Height 30\n"), std::string::npos);
    EXPECT_NE(up.code.find(" /ImageMatrix [40 0 0 -30 0 30]\n"), std::string::npos);
    EXPECT_NE(up.code.find("/ASCII85Decode filter /RunLengthDecode filter\n>>\nimage\n"),
              std::string::npos);
    EXPECT_EQ(up.code.substr(up.code.size() - 13), "\n~>\ngrestore\n");
    Collected down;
    ASSERT_TRUE(Write(p, 0, 0, 40, 30, false, &down));
    EXPECT_NE(down.code.find(" /ImageMatrix [40 0 0 30 0 0]\n"), std::string::npos);
}

TEST(PostScriptImageTest, LinesAreShortNeverStartWithAPercentSignAndPiecesKeepTheirLimit) {
    const Picture p = Mixed(641, 300);  // about 577 KB of samples, coded in several pieces
    Collected c;
    ASSERT_TRUE(Write(p, 0, 0, 641, 300, true, &c));
    ASSERT_GE(c.pieces.size(), 5u);
    for (size_t n : c.pieces) EXPECT_LE(n, kPostScriptPieceMax);
    size_t start = 0;
    int percent_lines = 0;
    while (start < c.code.size()) {
        size_t end = c.code.find('\n', start);
        if (end == std::string::npos) end = c.code.size();
        EXPECT_LE(end - start, 255u);
        if (c.code.compare(start, 1, "%") == 0) ++percent_lines;
        start = end + 1;
    }
    EXPECT_EQ(percent_lines, 0);
    // Lines of coded data that would start with "%" exist in so much noise: they were moved.
    EXPECT_NE(c.code.find("\n %"), std::string::npos);
    EXPECT_EQ(Samples(c.code), Rgb(p));
}

TEST(PostScriptImageTest, RefusesBadSizesMissingRowsAndAFailedWrite) {
    PostScriptImage image;
    Collected c;
    image.sink = Collect;
    image.context = &c;
    EXPECT_FALSE(BeginPostScriptImage(&image, 0, 0, 10, 10, 0, 5, true));
    EXPECT_FALSE(BeginPostScriptImage(&image, 0, 0, 10, 0, 5, 5, true));
    EXPECT_FALSE(BeginPostScriptImage(&image, 0, 0, 10, 10, 5, 1 << 20, true));
    PostScriptImage no_sink;
    EXPECT_FALSE(BeginPostScriptImage(&no_sink, 0, 0, 10, 10, 5, 5, true));
    // One row short.
    const Picture p = Mixed(5, 3);
    ASSERT_TRUE(BeginPostScriptImage(&image, 0, 0, 5, 3, 5, 3, true));
    EXPECT_TRUE(PutPostScriptImageRow(&image, p.Row(0)));
    EXPECT_TRUE(PutPostScriptImageRow(&image, p.Row(1)));
    EXPECT_FALSE(EndPostScriptImage(&image));
    // One row too many.
    ASSERT_TRUE(BeginPostScriptImage(&image, 0, 0, 5, 1, 5, 1, true));
    EXPECT_TRUE(PutPostScriptImageRow(&image, p.Row(0)));
    EXPECT_FALSE(PutPostScriptImageRow(&image, p.Row(1)));
    // The second piece cannot be written: the picture fails and nothing more is sent.
    const Picture big = Mixed(641, 300);
    Collected failing;
    failing.fail_at = 1;
    EXPECT_FALSE(Write(big, 0, 0, 641, 300, true, &failing));
    EXPECT_EQ(failing.pieces.size(), 1u);
}

#ifndef _WIN32
// Ghostscript renders the code on a page of one device pixel a point, y growing downwards as
// a printer driver sets it up, the picture at one device pixel a sample.
TEST(PostScriptImageTest, GhostscriptRendersTheVerySamples) {
    ASSERT_EQ(std::system("gs --version >/dev/null 2>&1"), 0) << "Ghostscript (gs) is missing";
    const int pw = 120, ph = 90, x = 17, y = 11;
    for (bool bottom_up : {true, false}) {
        SCOPED_TRACE(bottom_up ? "bottom-up" : "top-down");
        const Picture p = Mixed(61, 47);
        Collected c;
        c.code = "%!PS\n<< /PageSize [" + std::to_string(pw) + " " + std::to_string(ph) +
                 "] >> setpagedevice\n0 " + std::to_string(ph) + " translate\n1 -1 scale\n";
        ASSERT_TRUE(Write(p, x, y, p.w, p.h, bottom_up, &c));
        c.code += "showpage\n";
        char dir[] = "/tmp/vistrel-ps-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        const std::string ps = std::string(dir) + "/p.ps", ppm = std::string(dir) + "/p.ppm";
        FILE* f = std::fopen(ps.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(c.code.data(), 1, c.code.size(), f);
        std::fclose(f);
        const std::string command =
            "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=ppmraw -r72 "
            "-sOutputFile=" +
            ppm + " " + ps + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        f = std::fopen(ppm.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        int w = 0, h = 0, max = 0;
        char line[256];
        int numbers = 0;
        ASSERT_TRUE(std::fgets(line, sizeof line, f) && std::string(line) == "P6\n");
        while (numbers < 3 && std::fgets(line, sizeof line, f))
            if (line[0] != '#')  // Ghostscript's comment
                numbers += std::sscanf(line, "%d %d", numbers == 0 ? &w : &max, &h);
        ASSERT_EQ(numbers, 3);
        ASSERT_EQ(max, 255);
        ASSERT_EQ(w, pw);
        ASSERT_EQ(h, ph);
        std::vector<uint8_t> page(static_cast<size_t>(w) * h * 3);
        ASSERT_EQ(std::fread(page.data(), 1, page.size(), f), page.size());
        std::fclose(f);
        std::remove(ps.c_str());
        std::remove(ppm.c_str());
        rmdir(dir);
        int wrong = 0;
        for (int r = 0; r < p.h; ++r) {
            // The row shown r-th from the top.
            const uint8_t* src = p.Row(bottom_up ? p.h - 1 - r : r);
            const uint8_t* got = page.data() + (static_cast<size_t>(y + r) * w + x) * 3;
            for (int i = 0; i < p.w; ++i)
                if (got[i * 3] != src[i * 3 + 2] || got[i * 3 + 1] != src[i * 3 + 1] ||
                    got[i * 3 + 2] != src[i * 3])
                    ++wrong;
        }
        EXPECT_EQ(wrong, 0);
        // Around the picture the paper stays white.
        EXPECT_EQ(page[((static_cast<size_t>(y) - 1) * w + x) * 3], 255);
        EXPECT_EQ(page[(static_cast<size_t>(y + p.h) * w + x + p.w) * 3], 255);
    }
}
#endif

}  // namespace
