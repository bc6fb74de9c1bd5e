#include "codec_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <direct.h>
#else
#include <unistd.h>
#endif

#include "base/dir.h"
#include "base/pending_file.h"
#include "base/tempfile.h"

extern "C" {
#include <jpeglib.h>
}

CodecTest::CodecTest() {
    Platform p{&clock, &pump, &prompts, &settings, &view};
    scoped_ = new ScopedPlatform(p);
}

CodecTest::~CodecTest() {
    delete scoped_;
    SetPendingWriteBudgetForTests(-1);
    for (const std::string& p : paths_) std::remove(p.c_str());
    for (const std::string& folder : folders_) {
        for (const std::string& name : FilesIn(folder)) std::remove((folder + name).c_str());
        const std::string dir = folder.substr(0, folder.size() - 1);
#ifdef _WIN32
        _rmdir(dir.c_str());
#else
        rmdir(dir.c_str());
#endif
    }
}

std::string CodecTest::NewFolder() {
    std::string base;
    EXPECT_TRUE(MakeTempFileName(&base));
    paths_.push_back(base);
    std::string folder = base + ".d";
    EXPECT_TRUE(MakeFolder(folder));
    folder += PathSeparator();
    folders_.push_back(folder);
    return folder;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    ListFolderFiles(folder, &names);
    std::sort(names.begin(), names.end());
    return names;
}

std::string CodecTest::TempPath(const std::string& suffix) {
    std::string base;
    EXPECT_TRUE(MakeTempFileName(&base));
    paths_.push_back(base);
    std::string p = base + suffix;
    paths_.push_back(p);
    return p;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::vector<uint8_t> out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty()) {
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    }
    std::fclose(f);
}

uint64_t Fnv1a(const uint8_t* p, size_t n) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

Rgb TestPattern(int x, int y) {
    return Rgb{static_cast<uint8_t>((x * 4 + y) & 255), static_cast<uint8_t>((y * 5 + x / 2) & 255),
               static_cast<uint8_t>(((x ^ y) * 3) & 255)};
}

namespace {
void Le16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    v[at] = static_cast<uint8_t>(x);
    v[at + 1] = static_cast<uint8_t>(x >> 8);
}
void Le32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x, bool big) {
    for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (big ? 24 - 8 * i : 8 * i));
}
void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x, bool big) {
    v[at] = static_cast<uint8_t>(big ? x >> 8 : x);
    v[at + 1] = static_cast<uint8_t>(big ? x : x >> 8);
}
}  // namespace

std::vector<uint8_t> MakeBmp24(int width, int height, const PixelFn& fn) {
    size_t stride = ((width * 24 + 31) / 32) * 4;
    std::vector<uint8_t> v(54 + stride * height);
    v[0] = 'B';
    v[1] = 'M';
    Le32(v, 2, static_cast<uint32_t>(v.size()));
    Le32(v, 10, 54);
    Le32(v, 14, 40);
    Le32(v, 18, width);
    Le32(v, 22, height);
    Le16(v, 26, 1);
    Le16(v, 28, 24);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = v.data() + 54 + stride * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            Rgb c = fn(x, y);
            row[x * 3] = c.b;
            row[x * 3 + 1] = c.g;
            row[x * 3 + 2] = c.r;
        }
    }
    return v;
}

std::vector<uint8_t> MakePaletteBmp(int width, int height, int bits,
                                    const std::vector<Rgb>& palette,
                                    const std::function<int(int, int)>& index_fn, bool core) {
    size_t stride = ((width * bits + 31) / 32) * 4;
    size_t header = core ? 12 : 40;
    size_t entry = core ? 3 : 4;
    size_t colors = core ? (size_t{1} << bits) : palette.size();
    size_t offset = 14 + header + colors * entry;
    std::vector<uint8_t> v(offset + stride * height);
    v[0] = 'B';
    v[1] = 'M';
    Le32(v, 2, static_cast<uint32_t>(v.size()));
    Le32(v, 10, static_cast<uint32_t>(offset));
    if (core) {
        Le32(v, 14, 12);
        Le16(v, 18, width);
        Le16(v, 20, height);
        Le16(v, 22, 1);
        Le16(v, 24, bits);
    } else {
        Le32(v, 14, 40);
        Le32(v, 18, width);
        Le32(v, 22, height);
        Le16(v, 26, 1);
        Le16(v, 28, bits);
        Le32(v, 46, static_cast<uint32_t>(palette.size()));
    }
    for (size_t i = 0; i < palette.size() && i < colors; ++i) {
        uint8_t* e = v.data() + 14 + header + i * entry;
        e[0] = palette[i].b;
        e[1] = palette[i].g;
        e[2] = palette[i].r;
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = v.data() + offset + stride * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            int idx = index_fn(x, y);
            if (bits == 8) {
                row[x] = static_cast<uint8_t>(idx);
            } else if (bits == 4) {
                row[x / 2] |= static_cast<uint8_t>((idx & 15) << ((x & 1) ? 0 : 4));
            } else {
                row[x / 8] |= static_cast<uint8_t>((idx & 1) << (7 - (x & 7)));
            }
        }
    }
    return v;
}

std::vector<uint8_t> TopDownBmp(const std::vector<uint8_t>& v) {
    auto get32 = [&](size_t at) {
        return static_cast<uint32_t>(v[at] | (v[at + 1] << 8) | (v[at + 2] << 16) |
                                     (static_cast<uint32_t>(v[at + 3]) << 24));
    };
    const size_t offset = get32(10);
    const int32_t width = static_cast<int32_t>(get32(18));
    const int32_t height = static_cast<int32_t>(get32(22));
    const int bits = v[28] | (v[29] << 8);
    const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    std::vector<uint8_t> out = v;
    for (int32_t y = 0; y < height; ++y) {
        std::copy(v.begin() + offset + stride * y, v.begin() + offset + stride * (y + 1),
                  out.begin() + offset + stride * (height - 1 - y));
    }
    Le32(out, 22, static_cast<uint32_t>(-height));
    return out;
}

std::vector<uint8_t> MakeJpeg(const JpegSpec& s) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long mem_size = 0;
    jpeg_mem_dest(&c, &mem, &mem_size);
    c.image_width = s.width;
    c.image_height = s.height;
    c.input_components = s.components;
    c.in_color_space = s.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, s.quality, TRUE);
    c.write_JFIF_header = s.jfif ? TRUE : FALSE;
    c.density_unit = static_cast<UINT8>(s.density_unit);
    c.X_density = static_cast<UINT16>(s.x_density);
    c.Y_density = static_cast<UINT16>(s.y_density);
    if (s.components == 3) {
        c.comp_info[0].h_samp_factor = s.h0;
        c.comp_info[0].v_samp_factor = s.v0;
    }
    if (s.progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    for (const auto& m : s.markers)
        jpeg_write_marker(&c, m.first, m.second.data(), static_cast<unsigned>(m.second.size()));
    std::vector<uint8_t> row(static_cast<size_t>(s.width) * s.components);
    while (c.next_scanline < c.image_height) {
        int y = static_cast<int>(c.next_scanline);
        for (int x = 0; x < s.width; ++x) {
            Rgb p = s.pixel(x, y);
            if (s.components == 1) {
                row[x] = p.g;
            } else {
                row[x * 3] = p.r;
                row[x * 3 + 1] = p.g;
                row[x * 3 + 2] = p.b;
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(mem, mem + mem_size);
    std::free(mem);
    return out;
}

std::vector<uint8_t> CameraApp0Data(bool big, uint32_t width, uint32_t height, uint32_t seconds) {
    // Whole segment: marker(2) length(2) order(2) unused(4) HEAP JPGM unused(12) | base 30:
    // directory (count + 2 entries = 22 bytes), pair (8), seconds (4), directory offset (4).
    std::vector<uint8_t> seg(30 + 22 + 8 + 4 + 4);
    seg[0] = 0xFF;
    seg[1] = 0xE0;
    size_t len = seg.size() - 2;
    seg[2] = static_cast<uint8_t>(len >> 8);
    seg[3] = static_cast<uint8_t>(len);
    seg[4] = seg[5] = big ? 'M' : 'I';
    std::copy_n("HEAPJPGM", 8, seg.begin() + 10);
    const size_t base = 30;
    Put16(seg, base, 2, big);
    Put16(seg, base + 2, 0x1810, big);
    Put32(seg, base + 2 + 6, 22, big);
    Put16(seg, base + 12, 0x180E, big);
    Put32(seg, base + 12 + 6, 30, big);
    Put32(seg, base + 22, width, big);
    Put32(seg, base + 26, height, big);
    Put32(seg, base + 30, seconds, big);
    Put32(seg, seg.size() - 4, 0, big);
    return std::vector<uint8_t>(seg.begin() + 4, seg.end());
}
