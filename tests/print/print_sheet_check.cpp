// Where printed pictures land on paper. The Windows GUI test prints every layout on Wine's
// PostScript driver into PostScript files and lists, for each picture, its solid colour and
// the rectangle the layout code gave it, or an empty one for a part that must not be printed
// (sheets.txt and sheets-frame.txt in the folder named on the command line or
// in VISTREL_PRINT_SHEETS). This check renders each file with Ghostscript at the printer's
// resolution, one PPM image per page, and finds each colour's bounding box on its page: the
// page count and every box must match within a few printer pixels.
//
// The pictures a PostScript printer gets as the program's own code are printed by the Wine test
// both ways, once more through the driver's picture call, and listed in pairs (sheets-same.txt):
// each pair must render to the same pages, pixel for pixel.
//
// It runs natively (Ghostscript is a Linux program) after the Wine test, as its fixture.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string g_dir;

constexpr int kEdgeTolerance = 3;     // printer pixels, each edge
constexpr int kColourTolerance = 12;  // per channel, for the rendering's colour conversion

struct Expected {
    int page = 0;
    int r = 0, g = 0, b = 0;
    int x = 0, y = 0, w = 0, h = 0;
};

struct Job {
    std::string file;
    int pages = 0;
    int dpi_x = 0, dpi_y = 0;
    int offset_x = 0, offset_y = 0;
    std::vector<Expected> pictures;
};

bool ReadList(const std::string& path, std::vector<Job>* jobs) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char line[512];
    bool ok = true;
    while (ok && std::fgets(line, sizeof line, f)) {
        char name[256];
        Job job;
        Expected e;
        if (std::sscanf(line, "job %255s %d %d %d %d %d", name, &job.pages, &job.dpi_x, &job.dpi_y,
                        &job.offset_x, &job.offset_y) == 6) {
            job.file = name;
            jobs->push_back(job);
        } else if (std::sscanf(line, "pic %d %d %d %d %d %d %d %d", &e.page, &e.r, &e.g, &e.b, &e.x,
                               &e.y, &e.w, &e.h) == 8) {
            ok = !jobs->empty();
            if (ok) jobs->back().pictures.push_back(e);
        } else {
            ok = false;
        }
    }
    std::fclose(f);
    return ok;
}

// A binary PPM (P6, 8 bits a sample) as Ghostscript's ppmraw device writes it.
struct Ppm {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
};

// The next number of a PPM header, past blanks and "#" comment lines; -1 when there is none.
int HeaderNumber(FILE* f) {
    int c = std::fgetc(f);
    while (c == '#' || c == ' ' || c == '\n' || c == '\r' || c == '\t') {
        if (c == '#')
            while (c != '\n' && c != EOF) c = std::fgetc(f);
        c = std::fgetc(f);
    }
    if (c < '0' || c > '9') return -1;
    long value = 0;
    while (c >= '0' && c <= '9' && value < 1000000) {
        value = value * 10 + (c - '0');
        c = std::fgetc(f);
    }
    return static_cast<int>(value);  // the one blank after the last number is taken too
}

bool ReadPpm(const std::string& path, Ppm* out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    const bool magic = std::fgetc(f) == 'P' && std::fgetc(f) == '6';
    out->width = magic ? HeaderNumber(f) : -1;
    out->height = magic ? HeaderNumber(f) : -1;
    const int maxval = magic ? HeaderNumber(f) : -1;
    const bool head = magic;
    bool ok = head && maxval == 255 && out->width > 0 && out->height > 0 && out->width <= 20000 &&
              out->height <= 20000;
    if (ok) {
        out->rgb.resize(static_cast<size_t>(out->width) * out->height * 3);
        ok = std::fread(out->rgb.data(), 1, out->rgb.size(), f) == out->rgb.size();
    }
    std::fclose(f);
    return ok;
}

struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    long pixels = 0;
};

bool Near(const unsigned char* p, const Expected& e) {
    return std::abs(p[0] - e.r) <= kColourTolerance && std::abs(p[1] - e.g) <= kColourTolerance &&
           std::abs(p[2] - e.b) <= kColourTolerance;
}

// Bounding boxes of the expected colours on one rendered page.
std::vector<Box> FindBoxes(const Ppm& page, const std::vector<const Expected*>& wanted) {
    std::vector<Box> boxes(wanted.size());
    size_t last = 0;
    for (int y = 0; y < page.height; ++y) {
        const unsigned char* row = page.rgb.data() + static_cast<size_t>(y) * page.width * 3;
        for (int x = 0; x < page.width; ++x) {
            const unsigned char* p = row + x * 3;
            if (p[0] > 240 && p[1] > 240 && p[2] > 240) continue;  // paper
            size_t hit = wanted.size();
            if (last < wanted.size() && Near(p, *wanted[last])) {
                hit = last;
            } else {
                for (size_t i = 0; i < wanted.size(); ++i)
                    if (Near(p, *wanted[i])) {
                        hit = i;
                        break;
                    }
            }
            if (hit == wanted.size()) continue;
            last = hit;
            Box& b = boxes[hit];
            if (x < b.x0) b.x0 = x;
            if (y < b.y0) b.y0 = y;
            if (x > b.x1) b.x1 = x;
            if (y > b.y1) b.y1 = y;
            ++b.pixels;
        }
    }
    return boxes;
}

std::string RenderName(const Job& job, int page) {
    char name[32];
    std::snprintf(name, sizeof name, "-%03d.ppm", page + 1);
    return g_dir + "/render-" + job.file + name;
}

// Renders a job's pages; the number of pages Ghostscript made.
int Render(const Job& job) {
    for (int i = 0; i < job.pages + 8; ++i) std::remove(RenderName(job, i).c_str());
    const std::string command = "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=ppmraw -r" +
                                std::to_string(job.dpi_x) + "x" + std::to_string(job.dpi_y) +
                                " -sOutputFile='" + g_dir + "/render-" + job.file + "-%03d.ppm' '" +
                                g_dir + "/" + job.file + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return -1;
    int pages = 0;
    while (FILE* f = std::fopen(RenderName(job, pages).c_str(), "rb")) {
        std::fclose(f);
        ++pages;
    }
    return pages;
}

TEST(PrintSheets, EveryPictureLandsInItsPlace) {
    ASSERT_FALSE(g_dir.empty()) << "name the sheets folder (argument or VISTREL_PRINT_SHEETS)";
    ASSERT_EQ(std::system("gs --version >/dev/null 2>&1"), 0) << "Ghostscript (gs) is missing";
    // The layouts printed directly, and the pictures printed through the frame's Print.
    std::vector<Job> jobs;
    for (const char* list : {"/sheets.txt", "/sheets-frame.txt"})
        ASSERT_TRUE(ReadList(g_dir + list, &jobs)) << g_dir << list;
    ASSERT_GE(jobs.size(), 10u);
    for (const Job& job : jobs) {
        SCOPED_TRACE(job.file);
        ASSERT_EQ(Render(job), job.pages);
        for (int page = 0; page < job.pages; ++page) {
            SCOPED_TRACE("page " + std::to_string(page + 1));
            Ppm ppm;
            ASSERT_TRUE(ReadPpm(RenderName(job, page), &ppm));
            std::vector<const Expected*> wanted;
            for (const Expected& e : job.pictures)
                if (e.page == page) wanted.push_back(&e);
            ASSERT_FALSE(wanted.empty());
            const std::vector<Box> boxes = FindBoxes(ppm, wanted);
            for (size_t i = 0; i < wanted.size(); ++i) {
                const Expected& e = *wanted[i];
                const Box& b = boxes[i];
                SCOPED_TRACE("colour " + std::to_string(e.r) + "," + std::to_string(e.g) + "," +
                             std::to_string(e.b));
                if (e.w <= 0 || e.h <= 0) {
                    EXPECT_EQ(b.pixels, 0) << "a part that was not to be printed is on the page";
                    continue;
                }
                ASSERT_GT(b.pixels, 0) << "picture not on the page";
                const int x = e.x + job.offset_x, y = e.y + job.offset_y;
                EXPECT_NEAR(b.x0, x, kEdgeTolerance);
                EXPECT_NEAR(b.y0, y, kEdgeTolerance);
                EXPECT_NEAR(b.x1 + 1, x + e.w, kEdgeTolerance);
                EXPECT_NEAR(b.y1 + 1, y + e.h, kEdgeTolerance);
                // A solid block, not scattered pixels of that colour.
                const long area = static_cast<long>(b.x1 - b.x0 + 1) * (b.y1 - b.y0 + 1);
                EXPECT_GE(b.pixels * 10, area * 9);
            }
        }
        for (int page = 0; page < job.pages; ++page) std::remove(RenderName(job, page).c_str());
    }
}

// Renders every page of a file at a resolution; the number of pages Ghostscript made.
int RenderFile(const std::string& file, int dpi_x, int dpi_y) {
    Job job;
    job.file = file;
    job.dpi_x = dpi_x;
    job.dpi_y = dpi_y;
    job.pages = 8;
    return Render(job);
}

// The pictures the program sends to a PostScript printer as its own code print as the driver
// prints the same pictures: each pair of files renders to the same pages, pixel for pixel.
TEST(PrintSheets, OwnPostScriptPicturesPrintAsTheDriversDo) {
    ASSERT_FALSE(g_dir.empty()) << "name the sheets folder (argument or VISTREL_PRINT_SHEETS)";
    ASSERT_EQ(std::system("gs --version >/dev/null 2>&1"), 0) << "Ghostscript (gs) is missing";
    FILE* f = std::fopen((g_dir + "/sheets-same.txt").c_str(), "rb");
    ASSERT_NE(f, nullptr) << g_dir << "/sheets-same.txt";
    char line[600];
    int pairs = 0;
    while (std::fgets(line, sizeof line, f)) {
        char own[256], driver[256];
        int dpi_x = 0, dpi_y = 0;
        ASSERT_EQ(std::sscanf(line, "same %255s %255s %d %d", own, driver, &dpi_x, &dpi_y), 4)
            << line;
        SCOPED_TRACE(own);
        ++pairs;
        const int pages = RenderFile(own, dpi_x, dpi_y);
        ASSERT_GE(pages, 1);
        ASSERT_EQ(RenderFile(driver, dpi_x, dpi_y), pages);
        Job a, b;
        a.file = own;
        b.file = driver;
        for (int page = 0; page < pages; ++page) {
            SCOPED_TRACE("page " + std::to_string(page + 1));
            Ppm pa, pb;
            ASSERT_TRUE(ReadPpm(RenderName(a, page), &pa));
            ASSERT_TRUE(ReadPpm(RenderName(b, page), &pb));
            ASSERT_EQ(pa.width, pb.width);
            ASSERT_EQ(pa.height, pb.height);
            long differing = 0, inked = 0;
            for (size_t i = 0; i + 2 < pa.rgb.size(); i += 3) {
                if (pa.rgb[i] != pb.rgb[i] || pa.rgb[i + 1] != pb.rgb[i + 1] ||
                    pa.rgb[i + 2] != pb.rgb[i + 2])
                    ++differing;
                if (pb.rgb[i] < 250 || pb.rgb[i + 1] < 250 || pb.rgb[i + 2] < 250) ++inked;
            }
            EXPECT_EQ(differing, 0);
            EXPECT_GT(inked, 10000) << "the driver's page is empty";
            std::remove(RenderName(a, page).c_str());
            std::remove(RenderName(b, page).c_str());
        }
    }
    std::fclose(f);
    EXPECT_GE(pairs, 5);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1) {
        g_dir = argv[1];
    } else if (const char* dir = std::getenv("VISTREL_PRINT_SHEETS")) {
        g_dir = dir;
    }
    return RUN_ALL_TESTS();
}
