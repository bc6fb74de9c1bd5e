#include "support/test_jpeg.h"

#include <algorithm>
#include <cstdio>  // before jpeglib.h, which uses FILE
#include <cstdlib>

#include "base/bytes.h"

extern "C" {
#include <jpeglib.h>
}

Rgb TestPattern(int x, int y) {
    return Rgb{static_cast<uint8_t>((x * 4 + y) & 255), static_cast<uint8_t>((y * 5 + x / 2) & 255),
               static_cast<uint8_t>(((x ^ y) * 3) & 255)};
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
    uint8_t* p = seg.data();
    auto put16 = [&](size_t at, uint32_t v) { big ? PutBe16(p + at, v) : PutLe16(p + at, v); };
    auto put32 = [&](size_t at, uint32_t v) { big ? PutBe32(p + at, v) : PutLe32(p + at, v); };
    PutBe16(p, 0xFFE0);
    PutBe16(p + 2, static_cast<uint32_t>(seg.size() - 2));
    seg[4] = seg[5] = big ? 'M' : 'I';
    std::copy_n("HEAPJPGM", 8, seg.begin() + 10);
    const size_t base = 30;
    put16(base, 2);
    put16(base + 2, 0x1810);
    put32(base + 2 + 6, 22);
    put16(base + 12, 0x180E);
    put32(base + 12 + 6, 30);
    put32(base + 22, width);
    put32(base + 26, height);
    put32(base + 30, seconds);
    put32(seg.size() - 4, 0);
    return std::vector<uint8_t>(seg.begin() + 4, seg.end());
}
