// The library reports fatal errors through error_exit, which must not return. Ours longjmps
// back into the small Run* function that made the library calls. Those functions and every
// callback the library calls keep nothing but plain C data in their frames (the longjmp skips
// destructors); the C++ callers own the files and buffers and release them afterwards.
#include "codec/jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "base/bytes.h"
#include "base/files.h"
#include "base/pending_file.h"
#include "base/platform.h"
#include "base/byte_block.h"
#include "codec/dib.h"
#include "base/messages.h"

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

const char* const kSaveSampling = "2x1,1x1,1x1";
const char* const kCameraSampling = "4x1,1x1,1x1";

JpegLimits& CodecJpegLimits() {
    static JpegLimits limits{kMaxPixelBytes, 200, 1024L * 1024L * 1024L};
    return limits;
}

uint32_t DecodeMeterPos(JpegMeter meter, uint64_t n, uint64_t h) {
    if (h == 0) return 0;
    uint64_t pos = (25 * n + h / 2) / h;
    if (meter == JpegMeter::kFirstHalf) pos /= 2;
    return static_cast<uint32_t>(pos > 25 ? 25 : pos);
}

uint32_t EncodeMeterPos(const JpegProgress& p, uint64_t n, uint64_t h) {
    if (h == 0) return p.meter == JpegMeter::kRange ? p.lo : 0;
    if (p.meter != JpegMeter::kRange) return static_cast<uint32_t>((25 * n + h / 2) / h);
    if (p.hi <= p.lo) return p.hi;
    uint64_t pos = p.lo + (uint64_t{p.hi - p.lo} * n + h / 2) / h;
    return static_cast<uint32_t>(pos > p.hi ? p.hi : pos);
}

void PumpCodingMessages() {
    // Bounded so that a pump that never runs dry cannot hold the coding forever.
    for (int i = 0; i < 10000; ++i) {
        if (Plat().pump->PumpOne(false) != PumpResult::kDispatched) break;
    }
}

bool ParseSampling(const std::string& text, int* h, int* v, int max_components, int* count) {
    for (int i = 0; i < max_components; ++i) h[i] = v[i] = 1;
    int n = 0;
    size_t i = 0;
    auto factor = [&](int* out) {
        if (i >= text.size() || text[i] < '1' || text[i] > '4') return false;
        *out = text[i++] - '0';
        return true;
    };
    while (i < text.size()) {
        if (n >= max_components) return false;
        if (!factor(&h[n])) return false;
        if (i >= text.size() || (text[i] != 'x' && text[i] != 'X')) return false;
        ++i;
        if (!factor(&v[n])) return false;
        ++n;
        if (i < text.size()) {
            if (text[i] != ',') return false;
            ++i;
            if (i == text.size()) return false;
        }
    }
    if (count) *count = n;
    return true;
}

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr c) {
    ErrorManager* e = reinterpret_cast<ErrorManager*>(c->err);
    (*c->err->format_message)(c, e->message);
    std::longjmp(e->jump, 1);
}

// Warnings and trace messages are formatted and never shown.
void OutputMessage(j_common_ptr c) {
    char text[JMSG_LENGTH_MAX];
    (*c->err->format_message)(c, text);
}

void Fail(j_common_ptr c, int code) {
    c->err->msg_code = code;
    (*c->err->error_exit)(c);
}

void InstallErrorManager(j_common_ptr c, ErrorManager* e) {
    c->err = jpeg_std_error(&e->pub);
    e->pub.error_exit = ErrorExit;
    e->pub.output_message = OutputMessage;
    e->pub.trace_level = 0;
}

// Caps the scans of a progressive file: the library would otherwise read endless scans.
struct ScanMonitor {
    jpeg_progress_mgr pub;
    int max_scans;
};

void MonitorScans(j_common_ptr c) {
    if (!c->is_decompressor) return;
    ScanMonitor* m = reinterpret_cast<ScanMonitor*>(c->progress);
    if (reinterpret_cast<j_decompress_ptr>(c)->input_scan_number > m->max_scans)
        Fail(c, JERR_NOTIMPL);
}

bool NextSourceByte(j_decompress_ptr c, unsigned* byte) {
    jpeg_source_mgr* s = c->src;
    if (s->bytes_in_buffer == 0 && !(*s->fill_input_buffer)(c)) return false;
    *byte = *s->next_input_byte++;
    --s->bytes_in_buffer;
    return true;
}

// Comment segments: the length (which counts its own two bytes), then the text, read and
// dropped.
boolean SkipComment(j_decompress_ptr c) {
    unsigned hi, lo;
    if (!NextSourceByte(c, &hi) || !NextSourceByte(c, &lo)) return FALSE;
    long rest = static_cast<long>((hi << 8) | lo) - 2;
    jpeg_source_mgr* s = c->src;
    while (rest > 0) {
        if (s->bytes_in_buffer == 0 && !(*s->fill_input_buffer)(c)) return FALSE;
        size_t n = s->bytes_in_buffer < static_cast<size_t>(rest) ? s->bytes_in_buffer
                                                                  : static_cast<size_t>(rest);
        s->next_input_byte += n;
        s->bytes_in_buffer -= n;
        rest -= static_cast<long>(n);
    }
    return TRUE;
}

void ApplyColourRequest(j_decompress_ptr c, int colors) {
    if (colors != 0) {
        c->quantize_colors = TRUE;
        c->desired_number_of_colors = colors;
    }
}

bool WriteAll(PendingFile* f, const uint8_t* p, size_t n) {
    while (n > 0) {
        size_t piece = n < 32767 ? n : 32767;
        if (!f->Write(p, piece)) return false;
        p += piece;
        n -= piece;
    }
    return true;
}

// --- Decoding -------------------------------------------------------------------------------

struct DecodeJob {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    ScanMonitor monitor;
    std::FILE* in;
    PendingFile* out;  // not owned
    int colors;
    JpegMeter meter;
    uint32_t last_meter;
    uint32_t* position_out;
    uint8_t* image;  // the whole picture, bottom-up; freed by the caller
};

bool PictureFits(uint64_t width, uint64_t height, int bits) {
    if (!DibSizeAllowed(static_cast<int64_t>(width), static_cast<int64_t>(height), bits))
        return false;
    return DibStride(static_cast<int64_t>(width), bits) * height <=
           CodecJpegLimits().max_pixel_bytes;
}

// The BMP writer: 14-byte file header, 40-byte information header, and for 8 bits a palette
// of 256 entries.
bool WriteBmpHeaders(DecodeJob* job, uint32_t stride) {
    j_decompress_ptr c = &job->cinfo;
    const bool palette = c->output_components == 1;
    const uint32_t head = 14 + 40 + (palette ? 1024 : 0);
    uint8_t h[14 + 40 + 1024] = {'B', 'M'};
    PutLe32(h + 2, head + stride * c->output_height);
    PutLe32(h + 10, head);
    PutLe32(h + 14, 40);
    PutLe32(h + 18, c->output_width);
    PutLe32(h + 22, c->output_height);
    PutLe16(h + 26, 1);
    PutLe16(h + 28, palette ? 8 : 24);
    if (c->saw_JFIF_marker && c->density_unit == 2) {
        PutLe32(h + 38, c->X_density * 100u);
        PutLe32(h + 42, c->Y_density * 100u);
    }
    if (palette) {
        PutLe32(h + 46, 256);
        uint8_t* pal = h + 54;
        if (c->quantize_colors && c->colormap) {
            for (int i = 0; i < c->actual_number_of_colors && i < 256; ++i) {
                if (c->out_color_components == 3) {
                    pal[i * 4] = c->colormap[2][i];
                    pal[i * 4 + 1] = c->colormap[1][i];
                    pal[i * 4 + 2] = c->colormap[0][i];
                } else {
                    pal[i * 4] = pal[i * 4 + 1] = pal[i * 4 + 2] = c->colormap[0][i];
                }
            }
        } else {
            for (int i = 0; i < 256; ++i)
                pal[i * 4] = pal[i * 4 + 1] = pal[i * 4 + 2] = static_cast<uint8_t>(i);
        }
    }
    return job->out->Write(h, head);
}

int RunDecode(DecodeJob* job) {
    j_decompress_ptr c = &job->cinfo;
    InstallErrorManager(reinterpret_cast<j_common_ptr>(c), &job->err);
    if (setjmp(job->err.jump)) {
        jpeg_destroy_decompress(c);
        return 0;
    }
    jpeg_create_decompress(c);
    c->mem->max_memory_to_use = CodecJpegLimits().max_library_memory;
    job->monitor.pub.progress_monitor = MonitorScans;
    job->monitor.max_scans = CodecJpegLimits().max_scans;
    c->progress = &job->monitor.pub;
    jpeg_set_marker_processor(c, JPEG_COM, SkipComment);
    ApplyColourRequest(c, job->colors);
    jpeg_stdio_src(c, job->in);
    jpeg_read_header(c, TRUE);
    // A tiny header may claim a huge picture: refuse before the library allocates for it.
    if (!PictureFits(c->image_width, c->image_height,
                     c->num_components == 1 || job->colors ? 8 : 24))
        Fail(reinterpret_cast<j_common_ptr>(c), JERR_IMAGE_TOO_BIG);
    ApplyColourRequest(c, job->colors);
#ifdef JCS_EXTENSIONS
    // Full colour comes out of the library in the BMP's own blue, green, red order.
    if (!c->quantize_colors && c->out_color_space == JCS_RGB) c->out_color_space = JCS_EXT_BGR;
#endif
    jpeg_start_decompress(c);
    if (c->output_components != 1 && c->output_components != 3)
        Fail(reinterpret_cast<j_common_ptr>(c), JERR_CONVERSION_NOTIMPL);
    const int bits = c->output_components == 3 ? 24 : 8;
    if (!PictureFits(c->output_width, c->output_height, bits))
        Fail(reinterpret_cast<j_common_ptr>(c), JERR_IMAGE_TOO_BIG);
    const uint32_t stride = static_cast<uint32_t>(DibStride(c->output_width, bits));
    const uint32_t height = c->output_height;
    const size_t bytes = static_cast<size_t>(stride) * height;
    job->image = static_cast<uint8_t*>(std::calloc(bytes, 1));
    if (!job->image) Fail(reinterpret_cast<j_common_ptr>(c), JERR_OUT_OF_MEMORY);
    if (!WriteBmpHeaders(job, stride)) Fail(reinterpret_cast<j_common_ptr>(c), JERR_FILE_WRITE);

    while (c->output_scanline < height) {
        if (job->meter != JpegMeter::kNone) {
            PumpCodingMessages();
            uint32_t pos = DecodeMeterPos(job->meter, c->output_scanline, height);
            if (pos != job->last_meter) {
                Plat().view->SetMeterPos(pos);
                job->last_meter = pos;
                if (job->position_out) *job->position_out = pos;
            }
        }
        JSAMPROW rows[16];
        const uint32_t y = c->output_scanline;
        const uint32_t n = height - y < 16 ? height - y : 16;
        for (uint32_t i = 0; i < n; ++i)
            rows[i] = job->image + static_cast<size_t>(height - 1 - (y + i)) * stride;
        jpeg_read_scanlines(c, rows, n);
    }
    if (!WriteAll(job->out, job->image, bytes))
        Fail(reinterpret_cast<j_common_ptr>(c), JERR_FILE_WRITE);
    jpeg_finish_decompress(c);
    jpeg_destroy_decompress(c);
    return 1;
}

// --- Encoding -------------------------------------------------------------------------------

// The library's compressed bytes go to the pending output file through this destination, in
// pieces of the buffer's size; a failed write is the library's write error.
struct PendingDestination {
    jpeg_destination_mgr pub;
    PendingFile* file;  // not owned
    JOCTET buffer[16384];
};

void InitDestination(j_compress_ptr c) {
    PendingDestination* d = reinterpret_cast<PendingDestination*>(c->dest);
    d->pub.next_output_byte = d->buffer;
    d->pub.free_in_buffer = sizeof d->buffer;
}

boolean EmptyDestination(j_compress_ptr c) {
    PendingDestination* d = reinterpret_cast<PendingDestination*>(c->dest);
    if (!d->file->Write(d->buffer, sizeof d->buffer))
        Fail(reinterpret_cast<j_common_ptr>(c), JERR_FILE_WRITE);
    d->pub.next_output_byte = d->buffer;
    d->pub.free_in_buffer = sizeof d->buffer;
    return TRUE;
}

void TermDestination(j_compress_ptr c) {
    PendingDestination* d = reinterpret_cast<PendingDestination*>(c->dest);
    const size_t n = sizeof d->buffer - d->pub.free_in_buffer;
    if (n > 0 && !d->file->Write(d->buffer, n))
        Fail(reinterpret_cast<j_common_ptr>(c), JERR_FILE_WRITE);
}

struct EncodeJob {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    PendingDestination dest;
    std::FILE* in;
    const char* sampling;
    int quality;
    JpegProgress progress;
    uint32_t last_meter;
    int width;
    int height;
    bool top_down;  // the file's rows start at the top (its height field is negative)
    int bits;
    size_t stride;
    uint8_t palette[256][3];  // red, green, blue
    uint8_t* pixels;          // the BMP's rows as stored; freed by the caller
    uint8_t* rows;            // 16 rows of RGB; freed by the caller
};

bool ReadExact(std::FILE* f, uint8_t* p, size_t n) {
    return std::fread(p, 1, n, f) == n;
}

bool SkipBytes(std::FILE* f, uint64_t n) {
    uint8_t scratch[512];
    while (n > 0) {
        size_t piece = n < sizeof scratch ? static_cast<size_t>(n) : sizeof scratch;
        if (!ReadExact(f, scratch, piece)) return false;
        n -= piece;
    }
    return true;
}

// The BMP reader: 8-bit palette or 24-bit files, uncompressed, with a core or information
// header. The rows are read whole, since the file holds them bottom-up (top-down when its
// height is negative, which only the information header can say).
void ReadBmpInput(EncodeJob* job) {
    j_common_ptr c = reinterpret_cast<j_common_ptr>(&job->cinfo);
    std::FILE* f = job->in;
    uint8_t fh[14];
    uint8_t ih[40] = {};
    if (!ReadExact(f, fh, 14) || fh[0] != 'B' || fh[1] != 'M') Fail(c, JERR_BAD_IN_COLORSPACE);
    const uint32_t offset = GetLe32(fh + 10);
    if (!ReadExact(f, ih, 4)) Fail(c, JERR_INPUT_EOF);
    const uint32_t hs = GetLe32(ih);
    bool core = hs == 12;
    if (!core && (hs < 40 || hs > 124)) Fail(c, JERR_BAD_IN_COLORSPACE);
    if (!ReadExact(f, ih + 4, (core ? 12 : 40) - 4) || !SkipBytes(f, core ? 0 : hs - 40))
        Fail(c, JERR_INPUT_EOF);
    DibHeader h = ParseDibHeader(ih, core ? 12 : 40);
    if (h.planes != 1 || (h.bit_count != 8 && h.bit_count != 24) ||
        (!core && h.compression != kBiRgb))
        Fail(c, JERR_BAD_IN_COLORSPACE);
    const bool top_down = !core && h.height < 0;
    const int64_t height = top_down ? -int64_t{h.height} : int64_t{h.height};
    if (!PictureFits(h.width > 0 ? h.width : 0, height > 0 ? height : 0, h.bit_count))
        Fail(c, JERR_IMAGE_TOO_BIG);
    job->width = h.width;
    job->height = static_cast<int>(height);
    job->top_down = top_down;
    job->bits = h.bit_count;
    uint32_t colors = ColorCountOf(h);
    if (colors > 256) Fail(c, JERR_BAD_IN_COLORSPACE);
    const uint32_t entry = core ? 3 : 4;
    uint64_t pos = 14 + uint64_t{hs};
    for (uint32_t i = 0; i < colors; ++i) {
        uint8_t e[4];
        if (!ReadExact(f, e, entry)) Fail(c, JERR_INPUT_EOF);
        if (i < 256) {
            job->palette[i][0] = e[2];
            job->palette[i][1] = e[1];
            job->palette[i][2] = e[0];
        }
        pos += entry;
    }
    if (offset < pos) Fail(c, JERR_BAD_IN_COLORSPACE);
    if (!SkipBytes(f, offset - pos)) Fail(c, JERR_INPUT_EOF);
    job->stride = static_cast<size_t>(DibStride(h.width, h.bit_count));
    const size_t bytes = job->stride * static_cast<size_t>(job->height);
    job->pixels = static_cast<uint8_t*>(std::malloc(bytes));
    job->rows = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(h.width) * 3 * 16));
    if (!job->pixels || !job->rows) Fail(c, JERR_OUT_OF_MEMORY);
    // Read in large pieces; a file that ends early is the library's premature-end error.
    for (size_t done = 0; done < bytes;) {
        size_t piece = bytes - done < (size_t{1} << 20) ? bytes - done : (size_t{1} << 20);
        if (!ReadExact(f, job->pixels + done, piece)) Fail(c, JERR_INPUT_EOF);
        done += piece;
    }
}

void ConvertRow(const EncodeJob* job, int y, uint8_t* out) {
    const int row = job->top_down ? y : job->height - 1 - y;
    const uint8_t* s = job->pixels + static_cast<size_t>(row) * job->stride;
    const int w = job->width;
    if (job->bits == 24) {
        for (int x = 0; x < w; ++x, s += 3, out += 3) {
            out[0] = s[2];
            out[1] = s[1];
            out[2] = s[0];
        }
    } else {
        for (int x = 0; x < w; ++x, out += 3) {
            const uint8_t* e = job->palette[s[x]];
            out[0] = e[0];
            out[1] = e[1];
            out[2] = e[2];
        }
    }
}

int RunEncode(EncodeJob* job) {
    j_compress_ptr c = &job->cinfo;
    j_common_ptr cc = reinterpret_cast<j_common_ptr>(c);
    InstallErrorManager(cc, &job->err);
    if (setjmp(job->err.jump)) {
        jpeg_destroy_compress(c);
        return 0;
    }
    jpeg_create_compress(c);
    c->in_color_space = JCS_RGB;
    jpeg_set_defaults(c);

    // Pick the reader from the first byte.
    int first = std::getc(job->in);
    if (first == EOF) Fail(cc, JERR_INPUT_EMPTY);
    if (std::ungetc(first, job->in) == EOF) Fail(cc, JERR_FILE_READ);
    if (first != 'B') Fail(cc, JERR_BAD_IN_COLORSPACE);
    ReadBmpInput(job);

    c->image_width = static_cast<JDIMENSION>(job->width);
    c->image_height = static_cast<JDIMENSION>(job->height);
    c->input_components = 3;
    c->in_color_space = JCS_RGB;
    jpeg_default_colorspace(c);
    jpeg_set_quality(c, job->quality, TRUE);
    if (job->sampling && job->sampling[0]) {
        int hs[MAX_COMPONENTS], vs[MAX_COMPONENTS];
        if (!ParseSampling(job->sampling, hs, vs, MAX_COMPONENTS)) Fail(cc, JERR_NOTIMPL);
        for (int i = 0; i < c->num_components; ++i) {
            c->comp_info[i].h_samp_factor = hs[i];
            c->comp_info[i].v_samp_factor = vs[i];
        }
    }
    job->dest.pub.init_destination = InitDestination;
    job->dest.pub.empty_output_buffer = EmptyDestination;
    job->dest.pub.term_destination = TermDestination;
    c->dest = &job->dest.pub;
    jpeg_start_compress(c, TRUE);
    const uint32_t height = c->image_height;
    const size_t row_bytes = static_cast<size_t>(job->width) * 3;
    while (c->next_scanline < height) {
        if (job->progress.meter != JpegMeter::kNone) {
            PumpCodingMessages();
            uint32_t pos = EncodeMeterPos(job->progress, c->next_scanline, height);
            if (pos != job->last_meter) {
                Plat().view->SetMeterPos(pos);
                job->last_meter = pos;
                if (job->progress.position_out) *job->progress.position_out = pos;
            }
        }
        JSAMPROW rows[16];
        const uint32_t y = c->next_scanline;
        const uint32_t n = height - y < 16 ? height - y : 16;
        for (uint32_t i = 0; i < n; ++i) {
            rows[i] = job->rows + i * row_bytes;
            ConvertRow(job, static_cast<int>(y + i), rows[i]);
        }
        jpeg_write_scanlines(c, rows, n);
    }
    jpeg_finish_compress(c);
    jpeg_destroy_compress(c);
    return 1;
}

// --- Header information ---------------------------------------------------------------------

struct HeaderJob {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::FILE* in;
    JpegHeaderInfo* info;
};

int RunReadHeader(HeaderJob* job) {
    j_decompress_ptr c = &job->cinfo;
    InstallErrorManager(reinterpret_cast<j_common_ptr>(c), &job->err);
    if (setjmp(job->err.jump)) {
        jpeg_destroy_decompress(c);
        return 0;
    }
    jpeg_create_decompress(c);
    jpeg_set_marker_processor(c, JPEG_COM, SkipComment);
    jpeg_stdio_src(c, job->in);
    jpeg_read_header(c, TRUE);
    JpegHeaderInfo* info = job->info;
    info->width = static_cast<int>(c->image_width);
    info->height = static_cast<int>(c->image_height);
    info->components = c->num_components;
    for (int i = 0; i < c->num_components && i < 4; ++i) {
        info->h_samp[i] = c->comp_info[i].h_samp_factor;
        info->v_samp[i] = c->comp_info[i].v_samp_factor;
    }
    info->progressive = c->progressive_mode != 0;
    jpeg_destroy_decompress(c);
    return 1;
}

// What the library says of a file that does not start as a JPEG file does (or is empty).
bool IsNotJpegError(int code) {
    return code == JERR_NO_SOI || code == JERR_INPUT_EMPTY;
}

// Puts a written output in place; a failed close shows the driver's own failure, a file that
// cannot take the output's place what a failed open of it would show.
int CommitOutput(PendingFile* out, int write_failure) {
    switch (out->Commit()) {
        case CommitResult::kDone:
            return 1;
        case CommitResult::kWriteFailed:
            ShowError(write_failure);
            return 0;
        case CommitResult::kReplaceFailed:
            break;
    }
    ShowError(kMsgFileOpenFailed);
    return 0;
}

}  // namespace

int DecodeJpegFile(const std::string& jpeg_path, const std::string& bmp_path, int colors,
                   const JpegProgress& progress) {
    ScopedFile in(OpenFileBinary(jpeg_path, "rb"));
    if (!in) {
        if (progress.meter != JpegMeter::kFirstHalf) ShowError(kMsgFileOpenFailed);
        return 0;
    }
    PendingFile out;
    if (!out.Open(bmp_path)) {
        ShowError(kMsgFileOpenFailed);
        return 0;
    }
    std::unique_ptr<DecodeJob> job(new (std::nothrow) DecodeJob());
    if (!job) {
        ShowError(kMsgBitmapCreateFailed2);
        return 0;
    }
    job->in = in.get();
    job->out = &out;
    job->colors = colors;
    job->meter = progress.meter == JpegMeter::kRange ? JpegMeter::kFull : progress.meter;
    job->position_out = progress.position_out;
    job->last_meter = UINT32_MAX;
    int ok = RunDecode(job.get());
    std::free(job->image);
    if (!ok) {
        ShowError(IsNotJpegError(job->err.pub.msg_code) ? kMsgNotJpeg : kMsgBitmapCreateFailed2);
        return 0;
    }
    // The input is read to its end; closed first, so that it may be the output as well.
    in.Close();
    return CommitOutput(&out, kMsgBitmapCreateFailed2);
}

int EncodeJpegFile(const std::string& bmp_path, const std::string& jpeg_path,
                   const std::string& sampling, int quality, const JpegProgress& progress) {
    ScopedFile in(OpenFileBinary(bmp_path, "rb"));
    if (!in) {
        ShowError(kMsgFileOpenFailed);
        return 0;
    }
    PendingFile out;
    if (!out.Open(jpeg_path)) {
        ShowError(kMsgFileOpenFailed);
        return 0;
    }
    std::unique_ptr<EncodeJob> job(new (std::nothrow) EncodeJob());
    if (!job) {
        ShowError(kMsgJpegCreateFailed);
        return 0;
    }
    job->in = in.get();
    job->dest.file = &out;
    job->sampling = sampling.c_str();
    job->quality = quality;
    job->progress = progress;
    if (job->progress.meter == JpegMeter::kFirstHalf) job->progress.meter = JpegMeter::kFull;
    job->last_meter = UINT32_MAX;
    int ok = RunEncode(job.get());
    std::free(job->pixels);
    std::free(job->rows);
    if (!ok) {
        ShowError(kMsgJpegCreateFailed);
        return 0;
    }
    in.Close();
    return CommitOutput(&out, kMsgJpegCreateFailed);
}

int ReadJpegHeaderInfo(const std::string& path, JpegHeaderInfo* info) {
    *info = JpegHeaderInfo();
    ScopedFile in(OpenFileBinary(path, "rb"));
    if (!in) return 0;
    std::unique_ptr<HeaderJob> job(new (std::nothrow) HeaderJob());
    if (!job) return 0;
    job->in = in.get();
    job->info = info;
    return RunReadHeader(job.get());
}

std::string SamplingText(const JpegHeaderInfo& info) {
    std::string s;
    for (int i = 0; i < info.components && i < 4; ++i) {
        if (i) s += ',';
        s += std::to_string(info.h_samp[i]) + "x" + std::to_string(info.v_samp[i]);
    }
    return s;
}
