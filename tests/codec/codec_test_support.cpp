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

std::vector<uint8_t> MakeBmp24(int width, int height, const PixelFn& fn) {
    size_t stride = ((width * 24 + 31) / 32) * 4;
    std::vector<uint8_t> v(54 + stride * height);
    v[0] = 'B';
    v[1] = 'M';
    PutLe32(&v[2], static_cast<uint32_t>(v.size()));
    PutLe32(&v[10], 54);
    PutLe32(&v[14], 40);
    PutLe32(&v[18], width);
    PutLe32(&v[22], height);
    PutLe16(&v[26], 1);
    PutLe16(&v[28], 24);
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
    PutLe32(&v[2], static_cast<uint32_t>(v.size()));
    PutLe32(&v[10], static_cast<uint32_t>(offset));
    if (core) {
        PutLe32(&v[14], 12);
        PutLe16(&v[18], width);
        PutLe16(&v[20], height);
        PutLe16(&v[22], 1);
        PutLe16(&v[24], bits);
    } else {
        PutLe32(&v[14], 40);
        PutLe32(&v[18], width);
        PutLe32(&v[22], height);
        PutLe16(&v[26], 1);
        PutLe16(&v[28], bits);
        PutLe32(&v[46], static_cast<uint32_t>(palette.size()));
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
    const size_t offset = GetLe32(&v[10]);
    const int32_t width = static_cast<int32_t>(GetLe32(&v[18]));
    const int32_t height = static_cast<int32_t>(GetLe32(&v[22]));
    const int bits = GetLe16(&v[28]);
    const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    std::vector<uint8_t> out = v;
    for (int32_t y = 0; y < height; ++y) {
        std::copy(v.begin() + offset + stride * y, v.begin() + offset + stride * (y + 1),
                  out.begin() + offset + stride * (height - 1 - y));
    }
    PutLe32(&out[22], static_cast<uint32_t>(-height));
    return out;
}
