// Synthetic pictures for the simulated camera. libjpeg reports fatal errors through a longjmp
// out of its error manager, so the functions that call it hold no C++ objects (only plain
// locals and malloc'd buffers that they free themselves); the vectors live in their callers.
#include "sim/sim_images.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

extern "C" {
#include <jpeglib.h>
#include <sys/stat.h>
}

namespace {

struct JpegErrorMgr {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

void JpegErrorExit(j_common_ptr c) {
    longjmp(reinterpret_cast<JpegErrorMgr*>(c->err)->jump, 1);
}
void JpegNoOutput(j_common_ptr) {}

// A progressive file could ask for scans without end; no camera file needs this many.
constexpr int kMaxScans = 200;
void JpegScanLimit(j_common_ptr c) {
    if (c->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(c)->input_scan_number > kMaxScans) {
        c->err->msg_code = 0;
        c->err->error_exit(c);
    }
}

// Largest picture the camera ever makes or takes (model 3 at 2560 x 1920, with room to spare).
constexpr uint64_t kMaxPixels = 4000ull * 4000ull;

bool EncodeRaw(const uint8_t* rgb, int width, int height, int quality, int h_samp, int v_samp,
               const uint8_t* app0_data, unsigned app0_len, unsigned char** out,
               unsigned long* out_len) {
    jpeg_compress_struct c;
    JpegErrorMgr err;
    *out = nullptr;
    *out_len = 0;
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = JpegErrorExit;
    err.pub.output_message = JpegNoOutput;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&c);
        free(*out);
        *out = nullptr;
        return false;
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, out, out_len);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    // The camera writes its own APP0 segment in place of the JFIF one.
    c.write_JFIF_header = FALSE;
    c.comp_info[0].h_samp_factor = h_samp;
    c.comp_info[0].v_samp_factor = v_samp;
    for (int i = 1; i < c.num_components; ++i) {
        c.comp_info[i].h_samp_factor = 1;
        c.comp_info[i].v_samp_factor = 1;
    }
    jpeg_start_compress(&c, TRUE);
    if (app0_len > 0) jpeg_write_marker(&c, JPEG_APP0, app0_data, app0_len);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + static_cast<size_t>(c.next_scanline) *
                                                      static_cast<size_t>(width) * 3);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return true;
}

bool DecodeEighthRaw(const uint8_t* data, size_t size, int* width, int* height,
                     unsigned char** pixels) {
    jpeg_decompress_struct d;
    JpegErrorMgr err;
    jpeg_progress_mgr progress;
    *pixels = nullptr;
    d.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = JpegErrorExit;
    err.pub.output_message = JpegNoOutput;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&d);
        free(*pixels);
        *pixels = nullptr;
        return false;
    }
    jpeg_create_decompress(&d);
    d.mem->max_memory_to_use = 64l << 20;
    progress.progress_monitor = JpegScanLimit;
    d.progress = &progress;
    jpeg_mem_src(&d, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&d, TRUE) != JPEG_HEADER_OK ||
        static_cast<uint64_t>(d.image_width) * d.image_height > kMaxPixels) {
        jpeg_destroy_decompress(&d);
        return false;
    }
    d.scale_num = 1;
    d.scale_denom = 8;
    d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    if (d.output_components != 3 || d.output_width == 0 || d.output_height == 0) {
        jpeg_destroy_decompress(&d);
        return false;
    }
    const size_t stride = static_cast<size_t>(d.output_width) * 3;
    *pixels = static_cast<unsigned char*>(malloc(stride * d.output_height));
    if (*pixels == nullptr) {
        jpeg_destroy_decompress(&d);
        return false;
    }
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = *pixels + stride * d.output_scanline;
        jpeg_read_scanlines(&d, &row, 1);
    }
    *width = static_cast<int>(d.output_width);
    *height = static_cast<int>(d.output_height);
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return true;
}

void PutLe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

struct XorShift {
    uint32_t s;
    uint32_t Next() {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
};

// Box-averages packed RGB down to the thumbnail size.
std::vector<uint8_t> ShrinkToThumb(const uint8_t* rgb, int w, int h) {
    std::vector<uint8_t> out(static_cast<size_t>(kSimThumbWidth) * kSimThumbHeight * 3);
    for (int ty = 0; ty < kSimThumbHeight; ++ty) {
        const int y0 = ty * h / kSimThumbHeight;
        const int y1 = std::max(y0 + 1, (ty + 1) * h / kSimThumbHeight);
        for (int tx = 0; tx < kSimThumbWidth; ++tx) {
            const int x0 = tx * w / kSimThumbWidth;
            const int x1 = std::max(x0 + 1, (tx + 1) * w / kSimThumbWidth);
            uint32_t sum[3] = {0, 0, 0};
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    for (int k = 0; k < 3; ++k)
                        sum[k] += rgb[(static_cast<size_t>(y) * w + x) * 3 + k];
            const uint32_t n = static_cast<uint32_t>((y1 - y0) * (x1 - x0));
            for (int k = 0; k < 3; ++k)
                out[(static_cast<size_t>(ty) * kSimThumbWidth + tx) * 3 + k] =
                    static_cast<uint8_t>(sum[k] / n);
        }
    }
    return out;
}

bool EncodeThumb(const uint8_t* thumb_rgb, int model, uint32_t seconds, std::vector<uint8_t>* out) {
    return SimEncodeJpeg(thumb_rgb, kSimThumbWidth, kSimThumbHeight, 75, 2, 1,
                         SimCameraApp0(model, seconds, kSimThumbWidth, kSimThumbHeight), out);
}

}  // namespace

uint32_t SimSecondsOf(const SimClock& c) {
    // Days from the civil date, proleptic Gregorian calendar.
    int64_t y = c.year - (c.month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (c.month + (c.month > 2 ? -3 : 9)) + 2) / 5 + c.day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t days = era * 146097 + doe - 719468;
    const int64_t secs = days * 86400 + c.hour * 3600 + c.minute * 60;
    return secs < 0 ? 0 : static_cast<uint32_t>(secs);
}

std::vector<uint8_t> SimCameraApp0(int model, uint32_t seconds, uint32_t width, uint32_t height) {
    // Segment offsets: 0 marker, 2 length, 4 "II", 6 unused, 10 "HEAP", 14 "JPGM", 18 unused,
    // 30 the base. Relative to the base: 0 model text, 4 date, 8 width, 12 height, 16 the
    // directory (three entries), and the directory's offset in the segment's last four bytes.
    constexpr uint32_t kBase = 30;
    constexpr uint32_t kDir = 16;
    constexpr uint32_t kEntries = 3;
    constexpr uint32_t kSize = kBase + kDir + 2 + kEntries * 10 + 4;
    std::vector<uint8_t> s(kSize, 0);
    s[0] = 0xFF;
    s[1] = 0xE0;
    s[2] = static_cast<uint8_t>((kSize - 2) >> 8);
    s[3] = static_cast<uint8_t>(kSize - 2);
    s[4] = 'I';
    s[5] = 'I';
    s[6] = 0x2A;
    memcpy(&s[10], "HEAP", 4);
    memcpy(&s[14], "JPGM", 4);
    uint8_t* b = &s[kBase];
    b[0] = 'D';
    b[1] = 'S';
    b[2] = 'C';
    b[3] = static_cast<uint8_t>('0' + (model >= 1 && model <= 9 ? model : 0));
    PutLe32(b + 4, seconds);
    PutLe32(b + 8, width);
    PutLe32(b + 12, height);
    uint8_t* dir = b + kDir;
    PutLe16(dir, kEntries);
    const uint16_t tags[kEntries] = {kSimTagModel, kSimTagDate, kSimTagSize};
    const uint32_t values[kEntries] = {0, 4, 8};
    for (uint32_t i = 0; i < kEntries; ++i) {
        PutLe16(dir + 2 + i * 10, tags[i]);
        PutLe32(dir + 2 + i * 10 + 6, values[i]);
    }
    PutLe32(&s[kSize - 4], kDir);
    return s;
}

bool SimEncodeJpeg(const uint8_t* rgb, int width, int height, int quality, int h_samp, int v_samp,
                   const std::vector<uint8_t>& app0, std::vector<uint8_t>* out) {
    if (width <= 0 || height <= 0) return false;
    // jpeg_write_marker takes the data behind the marker and its length field.
    const uint8_t* data = app0.size() > 4 ? app0.data() + 4 : nullptr;
    const unsigned len = app0.size() > 4 ? static_cast<unsigned>(app0.size() - 4) : 0;
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    if (!EncodeRaw(rgb, width, height, quality, h_samp, v_samp, data, len, &buf, &size))
        return false;
    out->assign(buf, buf + size);
    free(buf);
    return true;
}

bool SimDecodeEighth(const std::vector<uint8_t>& jpeg, int* width, int* height,
                     std::vector<uint8_t>* rgb) {
    if (jpeg.size() < 4) return false;
    unsigned char* pixels = nullptr;
    int w = 0, h = 0;
    if (!DecodeEighthRaw(jpeg.data(), jpeg.size(), &w, &h, &pixels)) return false;
    rgb->assign(pixels, pixels + static_cast<size_t>(w) * h * 3);
    free(pixels);
    *width = w;
    *height = h;
    return true;
}

uint32_t SimDateOfJpeg(const std::vector<uint8_t>& jpeg) {
    // The segment must be the first after the start marker, with the layout written above.
    constexpr size_t kBase = 30;
    if (jpeg.size() < 4 || jpeg[2] != 0xFF || jpeg[3] != 0xE0) return 0;
    if (jpeg.size() < 6) return 0;
    const size_t length = static_cast<size_t>(jpeg[4]) << 8 | jpeg[5];
    const size_t start = 2;  // the segment's marker
    const size_t end = start + 2 + length;
    if (length < kBase + 4 || end > jpeg.size()) return 0;
    const uint8_t* seg = jpeg.data() + start;
    if (seg[4] != 'I' || seg[5] != 'I' || memcmp(seg + 10, "HEAP", 4) != 0) return 0;
    auto le16 = [&](size_t at) { return static_cast<uint32_t>(seg[at] | seg[at + 1] << 8); };
    auto le32 = [&](size_t at) { return le16(at) | le16(at + 2) << 16; };
    const size_t seg_size = end - start;
    const size_t dir = kBase + static_cast<size_t>(le32(seg_size - 4));
    if (dir + 2 > seg_size) return 0;
    const uint32_t entries = le16(dir);
    for (uint32_t i = 0; i < entries; ++i) {
        const size_t e = dir + 2 + static_cast<size_t>(i) * 10;
        if (e + 10 > seg_size) return 0;
        if (le16(e) != kSimTagDate) continue;
        const size_t at = kBase + static_cast<size_t>(le32(e + 6));
        return at + 4 <= seg_size ? le32(at) : 0;
    }
    return 0;
}

SimStoredImage SimGenerateImage(int model, int number, uint32_t seed, uint32_t seconds) {
    static const uint8_t kQualities[3] = {1, 0, 2};  // fine, normal, super fine
    SimStoredImage img;
    img.seconds = seconds;
    img.quality = model == 1 ? kQualities[(number - 1) % 3] : 1;
    const int w = (model == 1 && img.quality == 0) ? 320 : 640;
    const int h = w * 3 / 4;
    XorShift rng{(seed * 2654435761u) ^ (static_cast<uint32_t>(number) * 40503u) ^
                 (static_cast<uint32_t>(model) << 24) ^ 0x9E3779B9u};
    for (int i = 0; i < 4; ++i) rng.Next();
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    const uint32_t tint = rng.Next();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<uint8_t>(x * 255 / w + (tint & 0xFF));
            p[1] = static_cast<uint8_t>(y * 255 / h + ((tint >> 8) & 0xFF));
            p[2] = static_cast<uint8_t>((x + y) * 127 / (w + h) + ((tint >> 16) & 0xFF));
        }
    }
    // A few solid boxes and a little grain, so that images differ in content and in size.
    for (int r = 0; r < 8; ++r) {
        const int bw = 16 + static_cast<int>(rng.Next() % static_cast<uint32_t>(w / 3));
        const int bh = 16 + static_cast<int>(rng.Next() % static_cast<uint32_t>(h / 3));
        const int bx = static_cast<int>(rng.Next() % static_cast<uint32_t>(w - bw));
        const int by = static_cast<int>(rng.Next() % static_cast<uint32_t>(h - bh));
        const uint32_t col = rng.Next();
        for (int y = by; y < by + bh; ++y)
            for (int x = bx; x < bx + bw; ++x)
                for (int k = 0; k < 3; ++k)
                    rgb[(static_cast<size_t>(y) * w + x) * 3 + k] =
                        static_cast<uint8_t>(col >> (8 * k));
    }
    for (size_t i = 0; i < rgb.size(); i += 7)
        rgb[i] = static_cast<uint8_t>(rgb[i] ^ (rng.Next() & 7));

    const int quality = model == 1 ? (img.quality == 0 ? 70 : img.quality == 1 ? 85 : 92) : 85;
    const int h_samp = model == 1 ? 4 : 2;
    const int v_samp = model == 3 ? 2 : 1;
    if (!SimEncodeJpeg(
            rgb.data(), w, h, quality, h_samp, v_samp,
            SimCameraApp0(model, seconds, static_cast<uint32_t>(w), static_cast<uint32_t>(h)),
            &img.jpeg))
        img.jpeg.clear();
    const std::vector<uint8_t> thumb = ShrinkToThumb(rgb.data(), w, h);
    if (!EncodeThumb(thumb.data(), model, seconds, &img.thumbnail)) img.thumbnail.clear();
    return img;
}

bool SimThumbnailOf(const std::vector<uint8_t>& jpeg, int model, uint32_t seconds,
                    std::vector<uint8_t>* thumbnail) {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    if (!SimDecodeEighth(jpeg, &w, &h, &rgb)) return false;
    const std::vector<uint8_t> thumb = ShrinkToThumb(rgb.data(), w, h);
    return EncodeThumb(thumb.data(), model, seconds, thumbnail);
}

bool SimLoadFolder(const std::string& dir, int model, uint32_t seconds,
                   std::vector<SimStoredImage>* images) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(fs::u8path(dir), ec);
    if (ec) return false;
    std::vector<fs::path> names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) return false;
        std::string ext = it->path().extension().u8string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char ch) { return static_cast<char>(tolower(ch)); });
        if ((ext == ".jpg" || ext == ".jpeg") && it->is_regular_file(ec))
            names.push_back(it->path());
    }
    std::sort(names.begin(), names.end());
    for (const fs::path& p : names) {
        const uintmax_t size = fs::file_size(p, ec);
        if (ec || size < 4 || size > kSimMaxFileBytes) continue;
        std::ifstream f(p, std::ios::binary);
        if (!f) continue;
        SimStoredImage img;
        img.jpeg.resize(static_cast<size_t>(size));
        f.read(reinterpret_cast<char*>(img.jpeg.data()), static_cast<std::streamsize>(size));
        if (static_cast<uintmax_t>(f.gcount()) != size) continue;
        if (img.jpeg[0] != 0xFF || img.jpeg[1] != 0xD8) continue;
        img.seconds = SimDateOfJpeg(img.jpeg);
        struct stat st;
        if (img.seconds == 0 && stat(p.u8string().c_str(), &st) == 0 && st.st_mtime > 0)
            img.seconds = static_cast<uint32_t>(st.st_mtime);
        if (img.seconds == 0) img.seconds = seconds;
        if (!SimThumbnailOf(img.jpeg, model, img.seconds, &img.thumbnail)) img.thumbnail.clear();
        images->push_back(std::move(img));
    }
    return true;
}
