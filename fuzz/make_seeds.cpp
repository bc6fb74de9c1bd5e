// Writes small seed inputs for the fuzz targets: make_seeds DIR creates DIR/bmp, DIR/jpeg,
// DIR/segments (camera JPEGs) and DIR/date.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace {

void Write(const std::string& path, const std::vector<uint8_t>& b) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
}

void Le(std::vector<uint8_t>& v, size_t at, uint32_t x, int n) {
    for (int i = 0; i < n; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

std::vector<uint8_t> Bmp(int w, int h, int bits, bool core) {
    int colors = bits <= 8 ? 1 << bits : 0;
    size_t header = core ? 12 : 40, entry = core ? 3 : 4;
    size_t stride = ((w * bits + 31) / 32) * 4;
    size_t off = 14 + header + colors * entry;
    std::vector<uint8_t> v(off + stride * h);
    v[0] = 'B';
    v[1] = 'M';
    Le(v, 2, static_cast<uint32_t>(v.size()), 4);
    Le(v, 10, static_cast<uint32_t>(off), 4);
    Le(v, 14, static_cast<uint32_t>(header), 4);
    if (core) {
        Le(v, 18, w, 2);
        Le(v, 20, h, 2);
        Le(v, 22, 1, 2);
        Le(v, 24, bits, 2);
    } else {
        Le(v, 18, w, 4);
        Le(v, 22, h, 4);
        Le(v, 26, 1, 2);
        Le(v, 28, bits, 2);
    }
    for (size_t i = off; i < v.size(); ++i) v[i] = static_cast<uint8_t>(i * 7);
    for (size_t i = 14 + header; i < off; ++i) v[i] = static_cast<uint8_t>(i * 3);
    return v;
}

std::vector<uint8_t> CameraApp0(bool big) {
    std::vector<uint8_t> s(30 + 22 + 8 + 4 + 4);
    auto put = [&](size_t at, uint32_t x, int n) {
        for (int i = 0; i < n; ++i)
            s[at + i] = static_cast<uint8_t>(x >> (big ? 8 * (n - 1 - i) : 8 * i));
    };
    s[4] = s[5] = big ? 'M' : 'I';
    std::copy_n("HEAPJPGM", 8, s.begin() + 10);
    put(30, 2, 2);
    put(32, 0x1810, 2);
    put(38, 22, 4);
    put(42, 0x180E, 2);
    put(48, 30, 4);
    put(52, 640, 4);
    put(56, 480, 4);
    put(60, 990100800u, 4);
    return std::vector<uint8_t>(s.begin() + 4, s.end());
}

std::vector<uint8_t> Jpeg(int w, int h, int comps, bool progressive, bool camera, bool big) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = w;
    c.image_height = h;
    c.input_components = comps;
    c.in_color_space = comps == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 50, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    if (camera) c.write_JFIF_header = FALSE;
    jpeg_start_compress(&c, TRUE);
    if (camera) {
        std::vector<uint8_t> app0 = CameraApp0(big);
        jpeg_write_marker(&c, JPEG_APP0, app0.data(), static_cast<unsigned>(app0.size()));
        const uint8_t app1[] = {'E', 'x', 'i', 'f', 0, 0, 1, 2, 3};
        jpeg_write_marker(&c, JPEG_APP0 + 1, app1, sizeof app1);
    }
    const uint8_t com[] = "comment";
    jpeg_write_marker(&c, JPEG_COM, com, sizeof com);
    std::vector<uint8_t> row(w * comps);
    while (c.next_scanline < c.image_height) {
        for (size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<uint8_t>(i * 5 + c.next_scanline * 3);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(mem, mem + size);
    std::free(mem);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    for (const char* sub :
         {"", "/bmp", "/jpeg", "/segments", "/date", "/replies", "/requests", "/settings"})
        mkdir((dir + sub).c_str(), 0755);
    Write(dir + "/bmp/24.bmp", Bmp(7, 5, 24, false));
    Write(dir + "/bmp/8.bmp", Bmp(5, 3, 8, false));
    Write(dir + "/bmp/4.bmp", Bmp(9, 2, 4, false));
    Write(dir + "/bmp/1.bmp", Bmp(17, 2, 1, false));
    Write(dir + "/bmp/core8.bmp", Bmp(5, 3, 8, true));
    Write(dir + "/bmp/core24.bmp", Bmp(3, 3, 24, true));
    Write(dir + "/jpeg/colour.jpg", Jpeg(24, 16, 3, false, false, false));
    Write(dir + "/jpeg/grey.jpg", Jpeg(16, 8, 1, false, false, false));
    Write(dir + "/jpeg/progressive.jpg", Jpeg(16, 16, 3, true, false, false));
    for (bool big : {false, true}) {
        std::vector<uint8_t> cam = Jpeg(16, 8, 3, false, true, big);
        Write(dir + "/segments/camera" + (big ? "MM" : "II") + ".jpg", cam);
        Write(dir + "/date/camera" + (big ? "MM" : "II") + ".jpg", cam);
        Write(dir + "/jpeg/camera" + (big ? "MM" : "II") + ".jpg", cam);
    }
    // Camera replies: an operation selector, then what arrives on the line.
    const std::vector<uint8_t> sig_head = {'Z', 'E', 'K', ' ', 'P', 'C',
                                           ' ', ' ', 'D', 'S', 'C', ' '};
    std::vector<uint8_t> identify = {0};
    identify.insert(identify.end(), sig_head.begin(), sig_head.end());
    for (int b : {0, 0, 0, 4, 3, int('D'), int('S'), int('C'), int('2')})
        identify.push_back(static_cast<uint8_t>(b));
    Write(dir + "/replies/identify", identify);
    std::vector<uint8_t> count = {5, 8, 0, 0xFF, 8, 3, 0};
    count.resize(1 + 16, 0);
    count[1 + 14] = static_cast<uint8_t>(0xFF + 8 + 3);  // sum of sequence, complement, code, data
    Write(dir + "/replies/count", count);
    // Requests to the simulated camera: model, speed, then the bytes.
    std::vector<uint8_t> request = {1,   0,   'Z', 'E', 'K', ' ', 'D', 'S', 'C', ' ',
                                    'P', 'C', ' ', ' ', 0,   0,   0,   0,   2};
    Write(dir + "/requests/identify", request);
    std::vector<uint8_t> seq = {1, 0, 8, 0, 0xFF, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6, 0};
    Write(dir + "/requests/count", seq);
    const char ini[] = "[ZEKAPP]\ncom=COM2\nbaudrate=1152\n[Other]\nx=1\n";
    Write(dir + "/settings/vistrel.ini", std::vector<uint8_t>(ini, ini + sizeof ini - 1));
    return 0;
}
