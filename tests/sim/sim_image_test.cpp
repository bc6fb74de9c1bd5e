// The camera's pictures: decodable JPEGs of the model's sizes and sampling, each with the
// camera's APP0 directory instead of a JFIF header, the same bytes for the same seed.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>

extern "C" {
#include <jpeglib.h>
}

#include "tests/sim/sim_wire.h"

namespace {

struct TestJpegError {
    jpeg_error_mgr pub;
    jmp_buf jump;
};
void TestErrorExit(j_common_ptr c) {
    longjmp(reinterpret_cast<TestJpegError*>(c->err)->jump, 1);
}
void TestNoOutput(j_common_ptr) {}

struct Decoded {
    int width = 0, height = 0, h_samp = 0, v_samp = 0;
    bool ok = false;
};

// Decodes every scanline; libjpeg's error exit comes back here, and nothing here needs a
// destructor.
Decoded Decode(const uint8_t* data, size_t size) {
    static unsigned char row[8192 * 3];
    Decoded r;
    jpeg_decompress_struct d;
    TestJpegError err;
    d.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = TestErrorExit;
    err.pub.output_message = TestNoOutput;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&d);
        r.ok = false;
        return r;
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d, TRUE);
    r.width = static_cast<int>(d.image_width);
    r.height = static_cast<int>(d.image_height);
    r.h_samp = d.comp_info[0].h_samp_factor;
    r.v_samp = d.comp_info[0].v_samp_factor;
    if (d.image_width > 8192) {
        jpeg_destroy_decompress(&d);
        return r;
    }
    jpeg_start_decompress(&d);
    while (d.output_scanline < d.output_height) {
        JSAMPROW p = row;
        jpeg_read_scanlines(&d, &p, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    r.ok = true;
    return r;
}

struct Directory {
    bool found = false;
    uint32_t seconds = 0, width = 0, height = 0;
};

// Reads the camera directory of the APP0 segment that directly follows the start of image.
Directory ParseApp0(const Bytes& j) {
    Directory dir;
    if (j.size() < 40 || j[0] != 0xFF || j[1] != 0xD8 || j[2] != 0xFF || j[3] != 0xE0) return dir;
    const size_t p = 2;
    const size_t len = static_cast<size_t>(j[p + 2]) << 8 | j[p + 3];
    if (p + 2 + len > j.size() || len < 32) return dir;
    if (j[p + 4] != 'I' || j[p + 5] != 'I') return dir;
    if (std::string(j.begin() + p + 10, j.begin() + p + 14) != "HEAP") return dir;
    if (std::string(j.begin() + p + 14, j.begin() + p + 18) != "JPGM") return dir;
    const size_t base = p + 30;
    const size_t end = p + 2 + len;
    const uint32_t d = Le32At(j, end - 4);
    if (base + d + 2 > end) return dir;
    const size_t count = j[base + d] | j[base + d + 1] << 8;
    for (size_t i = 0; i < count; ++i) {
        const size_t e = base + d + 2 + i * 10;
        if (e + 10 > end) return dir;
        const uint16_t tag = static_cast<uint16_t>(j[e] | j[e + 1] << 8);
        const uint32_t at = Le32At(j, e + 6);
        if (tag == 0x180E && base + at + 4 <= end) {
            dir.seconds = Le32At(j, base + at);
            dir.found = true;
        }
        if (tag == 0x1810 && base + at + 8 <= end) {
            dir.width = Le32At(j, base + at);
            dir.height = Le32At(j, base + at + 4);
        }
    }
    return dir;
}

bool HasJfif(const Bytes& j) {
    for (size_t i = 0; i + 4 < j.size() && i < 2048; ++i)
        if (j[i] == 'J' && j[i + 1] == 'F' && j[i + 2] == 'I' && j[i + 3] == 'F') return true;
    return false;
}

TEST(SimImages, EachModelsSizesSamplingAndDirectory) {
    struct Case {
        int model, number, width, height, h_samp, v_samp;
    };
    const Case cases[] = {{1, 1, 640, 480, 4, 1},
                          {1, 2, 320, 240, 4, 1},
                          {1, 3, 640, 480, 4, 1},
                          {2, 1, 640, 480, 2, 1},
                          {3, 2, 640, 480, 2, 2}};
    for (const Case& c : cases) {
        auto cam = MakeSimCamera(Wire::Model(c.model, 3));
        const Bytes& img = SimImage(*cam, c.number);
        const Decoded d = Decode(img.data(), img.size());
        EXPECT_TRUE(d.ok) << c.model;
        EXPECT_EQ(d.width, c.width);
        EXPECT_EQ(d.height, c.height);
        EXPECT_EQ(d.h_samp, c.h_samp);
        EXPECT_EQ(d.v_samp, c.v_samp);
        EXPECT_FALSE(HasJfif(img));
        const Directory dir = ParseApp0(img);
        EXPECT_TRUE(dir.found) << c.model;
        EXPECT_EQ(dir.width, static_cast<uint32_t>(c.width));
        EXPECT_EQ(dir.height, static_cast<uint32_t>(c.height));

        const Bytes& th = SimThumbnail(*cam, c.number);
        const Decoded t = Decode(th.data(), th.size());
        EXPECT_TRUE(t.ok);
        EXPECT_EQ(t.width, 80);
        EXPECT_EQ(t.height, 60);
        const Directory tdir = ParseApp0(th);
        EXPECT_TRUE(tdir.found);
        EXPECT_EQ(tdir.width, 80u);
        EXPECT_EQ(tdir.height, 60u);
        EXPECT_EQ(tdir.seconds, dir.seconds);
    }
}

TEST(SimImages, DatesComeFromTheClockOneDayApart) {
    auto cam = MakeSimCamera(Wire::Model(2, 3));
    // The camera powers on at 2001-03-14 09:26, the date of its newest picture.
    const uint32_t now = 984561960u;
    EXPECT_EQ(ParseApp0(SimImage(*cam, 3)).seconds, now);
    EXPECT_EQ(ParseApp0(SimImage(*cam, 2)).seconds, now - 86400u - 420u);
    EXPECT_EQ(ParseApp0(SimImage(*cam, 1)).seconds, now - 2 * (86400u + 420u));

    // An upload is dated by the clock as it stands.
    Wire w(Wire::Model(1, 1));
    SimSetClock(*w.cam, 2020, 2, 29, 12, 0);
    w.Exchange(SigPacket(21, {1}));
    EXPECT_EQ(w.Exchange(SigPacket(0, SimImage(*w.cam, 1))), SigReplyOf(1, {0}));
    EXPECT_EQ(ParseApp0(SimThumbnail(*w.cam, 2)).seconds, 1582977600u);
}

TEST(SimImages, SameSeedSameBytes) {
    SimConfig cfg = Wire::Model(2, 2);
    auto a = MakeSimCamera(cfg);
    auto b = MakeSimCamera(cfg);
    cfg.seed = 2;
    auto c = MakeSimCamera(cfg);
    EXPECT_EQ(SimImage(*a, 2), SimImage(*b, 2));
    EXPECT_EQ(SimThumbnail(*a, 2), SimThumbnail(*b, 2));
    EXPECT_NE(SimImage(*a, 2), SimImage(*c, 2));
    EXPECT_NE(SimImage(*a, 1), SimImage(*a, 2));
    EXPECT_TRUE(SimImage(*a, 3).empty());
    EXPECT_TRUE(SimImage(*a, 0).empty());
}

TEST(SimImages, FolderOfJpegFiles) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() /
        ("vistrel-sim-dir-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    auto source = MakeSimCamera(Wire::Model(2, 2));
    auto write = [&](const char* name, const Bytes& b) {
        std::ofstream f(dir / name, std::ios::binary);
        f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    };
    write("b.JPG", SimImage(*source, 1));
    write("a.jpeg", SimImage(*source, 2));
    write("c.jpg", {'n', 'o', 't', ' ', 'a', ' ', 'j', 'p', 'e', 'g'});
    write("d.txt", SimImage(*source, 1));

    SimConfig cfg = Wire::Model(3, 5);
    cfg.dir = dir.string();
    Wire w(cfg);
    EXPECT_EQ(SimImageCount(*w.cam), 2);
    EXPECT_EQ(SimImage(*w.cam, 1), SimImage(*source, 2));
    EXPECT_EQ(SimImage(*w.cam, 2), SimImage(*source, 1));
    const Bytes& th = SimThumbnail(*w.cam, 1);
    EXPECT_EQ(Decode(th.data(), th.size()).width, 80);
    EXPECT_EQ(w.Exchange(SeqFrame(7)), SeqFrame(8, {2, 0}));
    fs::remove_all(dir);

    cfg.dir = (dir / "missing").string();
    EXPECT_EQ(SimImageCount(*MakeSimCamera(cfg)), 0);
}

TEST(SimImages, UndecodableUploadHasNoThumbnail) {
    Wire w(Wire::Model(2, 0));
    const Bytes junk = {0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3, 4};
    EXPECT_EQ(w.Exchange(SeqFrame(21, {8, 0, 0, 0})), Ack(0, true));
    EXPECT_EQ(w.Exchange(SeqFrame(5, junk, 0, 1)), Ack(0, true));
    EXPECT_EQ(SimImage(*w.cam, 1), junk);
    EXPECT_EQ(w.Exchange(SeqFrame(22, {1, 0, 0, 0})), Ack(6, true));
    EXPECT_EQ(w.Exchange(SeqFrame(26, {1})), SeqFrame(29, {8, 0, 0, 0}));
}

}  // namespace
