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
#include "codec/bmp_file.h"
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

namespace {

// Each drain of the queue is a trip to the window server and each new meter position a
// synchronous repaint, so both go by the clock: a drain at every step of the bar and whenever
// the pace has passed, a repaint at the first position and then at most once per pace. The
// number of either per picture does not grow with its rows, and the windows still answer
// within the pace (Cancel included) however slow the rows are.
constexpr uint32_t kCodingPaceMs = 50;

struct MeterPace {
    uint32_t reached = UINT32_MAX;  // the position the rows have reached
    uint32_t shown = UINT32_MAX;    // the position on the bar
    bool started = false;           // this coding's first step is behind it
    JpegPace own;
    JpegPace* clock = &own;  // own, or the run's
    bool shared() const { return clock != &own; }
};

void ShowPosition(MeterPace* m, uint32_t* position_out, uint32_t now) {
    Plat().view->SetMeterPos(m->reached);
    m->shown = m->reached;
    m->clock->last_paint = now;
    if (position_out) *position_out = m->reached;
}

// Before each block of rows, with the position the rows have reached. A coding of its own
// also drains at each step of its bar; a run's codings go by the clock alone.
void PaceStep(MeterPace* m, uint32_t pos, uint32_t* position_out) {
    JpegPace& c = *m->clock;
    const uint32_t now = Plat().time->TickCount();
    const bool step = pos != m->reached;
    m->reached = pos;
    if (!c.started || (step && !m->shared()) || now - c.last_drain >= kCodingPaceMs) {
        PumpCodingMessages();
        c.last_drain = now;
    }
    if (m->reached != m->shown && (!c.started || now - c.last_paint >= kCodingPaceMs))
        ShowPosition(m, position_out, now);
    c.started = true;
    m->started = true;
}

// After the last block: the bar ends where the rows ended (in a run, when the pace is due).
void PaceEnd(MeterPace* m, uint32_t* position_out) {
    if (!m->started || m->reached == m->shown) return;
    const uint32_t now = Plat().time->TickCount();
    if (!m->shared() || now - m->clock->last_paint >= kCodingPaceMs)
        ShowPosition(m, position_out, now);
}

// A pace over the caller's clock when it hands one in.
void UsePace(MeterPace* m, JpegPace* shared) {
    if (shared) m->clock = shared;
}

}  // namespace

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

// --- Decoding -------------------------------------------------------------------------------

struct DecodeJob {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    ScanMonitor monitor;
    std::FILE* in;         // the file read, or null for bytes in memory
    const uint8_t* bytes;  // the bytes read when in is null
    size_t byte_count;
    PendingFile* out;  // not owned; null when the picture stays in memory
    int colors;
    int fit_width;  // both above 0: scale down by eighths to cover this size
    int fit_height;
    JpegMeter meter;
    MeterPace pace;
    uint32_t* position_out;
    DibImage picture;  // the BMP's block, rows bottom-up; owned by the job, so by the caller
};

bool PictureFits(uint64_t width, uint64_t height, int bits) {
    if (!DibSizeAllowed(static_cast<int64_t>(width), static_cast<int64_t>(height), bits))
        return false;
    return DibStride(static_cast<int64_t>(width), bits) * height <=
           CodecJpegLimits().max_pixel_bytes;
}

// The block the decoded rows go into: a 40-byte header and, for 8 bits, a palette of 256
// entries (a grey ramp, or the library's colours with the rest black). False when memory is
// short.
bool MakeDecodedPicture(DecodeJob* job, int bits) {
    j_decompress_ptr c = &job->cinfo;
    const uint32_t colors = bits == 8 ? 256 : 0;
    const size_t rows = static_cast<size_t>(DibStride(c->output_width, bits)) * c->output_height;
    if (!job->picture.block.Allocate(kInfoHeaderSize + colors * 4 + rows)) return false;
    DibHeader h = InfoHeaderFor(static_cast<int32_t>(c->output_width),
                                static_cast<int32_t>(c->output_height), bits);
    if (c->saw_JFIF_marker && c->density_unit == 2) {
        h.x_pels_per_meter = static_cast<int32_t>(c->X_density * 100u);
        h.y_pels_per_meter = static_cast<int32_t>(c->Y_density * 100u);
    }
    h.clr_used = colors;
    WriteInfoHeader(job->picture.data(), h);
    uint8_t* pal = job->picture.data() + kInfoHeaderSize;
    if (colors == 0) return true;
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
    return true;
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
    if (job->in)
        jpeg_stdio_src(c, job->in);
    else
        jpeg_mem_src(c, const_cast<unsigned char*>(job->bytes),
                     static_cast<unsigned long>(job->byte_count));
    jpeg_read_header(c, TRUE);
    // A tiny header may claim a huge picture: refuse before the library allocates for it.
    if (!PictureFits(c->image_width, c->image_height,
                     c->num_components == 1 || job->colors ? 8 : 24))
        Fail(reinterpret_cast<j_common_ptr>(c), JERR_IMAGE_TOO_BIG);
    ApplyColourRequest(c, job->colors);
    if (job->fit_width > 0 && job->fit_height > 0) {
        // The smallest eighth that still covers the size asked for; the full size at most.
        c->scale_denom = 8;
        for (unsigned m = 1; m <= 8; ++m) {
            c->scale_num = m;
            jpeg_calc_output_dimensions(c);
            if (c->output_width >= static_cast<JDIMENSION>(job->fit_width) &&
                c->output_height >= static_cast<JDIMENSION>(job->fit_height))
                break;
        }
    }
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
    const size_t stride = static_cast<size_t>(DibStride(c->output_width, bits));
    const uint32_t height = c->output_height;
    if (!MakeDecodedPicture(job, bits)) Fail(reinterpret_cast<j_common_ptr>(c), JERR_OUT_OF_MEMORY);
    // The headers go out first, so that a full disk is met before the picture is decoded.
    if (job->out && !WriteBmpHead(job->out, job->picture))
        Fail(reinterpret_cast<j_common_ptr>(c), JERR_FILE_WRITE);
    uint8_t* image = job->picture.data() + DibPixelOffset(job->picture);

    while (c->output_scanline < height) {
        if (job->meter != JpegMeter::kNone)
            PaceStep(&job->pace, DecodeMeterPos(job->meter, c->output_scanline, height),
                     job->position_out);
        JSAMPROW rows[16];
        const uint32_t y = c->output_scanline;
        const uint32_t n = height - y < 16 ? height - y : 16;
        for (uint32_t i = 0; i < n; ++i)
            rows[i] = image + static_cast<size_t>(height - 1 - (y + i)) * stride;
        jpeg_read_scanlines(c, rows, n);
    }
    if (job->meter != JpegMeter::kNone) PaceEnd(&job->pace, job->position_out);
    if (job->out && !WriteBmpRows(job->out, job->picture))
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
    const char* sampling;
    int quality;
    JpegProgress progress;
    MeterPace pace;
    int width;
    int height;
    int bits;
    size_t stride;
    uint8_t palette[256][3];  // red, green, blue; black past the picture's own entries
    const uint8_t* pixels;    // the rows, bottom-up; in the caller's block
    uint8_t* rows;            // 16 rows of RGB; freed by the caller
};

// What the encoder takes of a BMP file read by ReadBmpStream: 8-bit palette or 24-bit rows,
// uncompressed, every row there, within the coding limits. False for anything else.
bool TakeEncoderInput(const DibImage& dib, EncodeJob* job) {
    DibLayout l;
    if (!GetDibLayout(dib, &l)) return false;
    const DibHeader& h = l.header;
    if (h.compression != kBiRgb || (h.bit_count != 8 && h.bit_count != 24)) return false;
    if (!PictureFits(static_cast<uint64_t>(h.width), static_cast<uint64_t>(h.height), h.bit_count))
        return false;
    job->width = h.width;
    job->height = h.height;
    job->bits = h.bit_count;
    job->stride = l.stride;
    job->pixels = dib.data() + l.pixel_offset;
    const uint8_t* e = dib.data() + l.palette_offset;
    for (uint32_t i = 0; i < l.colors; ++i, e += l.entry_size) {
        job->palette[i][0] = e[2];
        job->palette[i][1] = e[1];
        job->palette[i][2] = e[0];
    }
    return true;
}

void ConvertRow(const EncodeJob* job, int y, uint8_t* out) {
    const uint8_t* s = job->pixels + static_cast<size_t>(job->height - 1 - y) * job->stride;
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

    job->rows = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(job->width) * 3 * 16));
    if (!job->rows) Fail(cc, JERR_OUT_OF_MEMORY);
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
        if (job->progress.meter != JpegMeter::kNone)
            PaceStep(&job->pace, EncodeMeterPos(job->progress, c->next_scanline, height),
                     job->progress.position_out);
        JSAMPROW rows[16];
        const uint32_t y = c->next_scanline;
        const uint32_t n = height - y < 16 ? height - y : 16;
        for (uint32_t i = 0; i < n; ++i) {
            rows[i] = job->rows + i * row_bytes;
            ConvertRow(job, static_cast<int>(y + i), rows[i]);
        }
        jpeg_write_scanlines(c, rows, n);
    }
    if (job->progress.meter != JpegMeter::kNone) PaceEnd(&job->pace, job->progress.position_out);
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

}  // namespace

namespace {

// Decodes an open file into job->picture (and job->out when set) with the meter the progress
// asks for; 1, or 0 after the failure's message.
int DecodeOpenFile(std::FILE* in, PendingFile* out, int colors, const JpegProgress& progress,
                   int fit_width, int fit_height, DibImage* picture) {
    std::unique_ptr<DecodeJob> job(new (std::nothrow) DecodeJob());
    if (!job) {
        ShowError(kMsgBitmapCreateFailed2);
        return 0;
    }
    job->in = in;
    job->out = out;
    job->colors = colors;
    job->fit_width = fit_width;
    job->fit_height = fit_height;
    job->meter = progress.meter == JpegMeter::kRange ? JpegMeter::kFull : progress.meter;
    job->position_out = progress.position_out;
    UsePace(&job->pace, progress.pace);
    if (!RunDecode(job.get())) {
        ShowError(IsNotJpegError(job->err.pub.msg_code) ? kMsgNotJpeg : kMsgBitmapCreateFailed2);
        return 0;
    }
    if (picture) *picture = std::move(job->picture);
    return 1;
}

}  // namespace

int DecodeJpegFile(const std::string& jpeg_path, const std::string& bmp_path, int colors,
                   const JpegProgress& progress) {
    ScopedFile in;
    PendingFile out;
    if (!OpenInputAndOutput(jpeg_path, bmp_path, &in, &out,
                            progress.meter != JpegMeter::kFirstHalf))
        return 0;
    if (!DecodeOpenFile(in.get(), &out, colors, progress, 0, 0, nullptr)) return 0;
    // The input is read to its end; closed first, so that it may be the output as well.
    in.Close();
    return CommitOrShow(&out, kMsgBitmapCreateFailed2);
}

DibImage DecodeJpegBytes(const uint8_t* data, size_t size, int colors, int fit_width,
                         int fit_height, int* file_width, int* file_height) {
    std::unique_ptr<DecodeJob> job(new (std::nothrow) DecodeJob());
    if (!job || (!data && size > 0)) return DibImage();
    static const uint8_t kNothing = 0;
    job->bytes = data ? data : &kNothing;
    job->byte_count = size;
    job->colors = colors;
    job->fit_width = fit_width;
    job->fit_height = fit_height;
    job->meter = JpegMeter::kNone;
    if (!RunDecode(job.get())) return DibImage();
    if (file_width) *file_width = static_cast<int>(job->cinfo.image_width);
    if (file_height) *file_height = static_cast<int>(job->cinfo.image_height);
    return std::move(job->picture);
}

int DecodeJpegToDib(const std::string& jpeg_path, int colors, const JpegProgress& progress,
                    DibImage* out, int fit_width, int fit_height) {
    out->block.Reset();
    ScopedFile in(OpenFileBinary(jpeg_path, "rb"));
    if (!in) {
        if (progress.meter != JpegMeter::kFirstHalf) ShowError(kMsgFileOpenFailed);
        return 0;
    }
    return DecodeOpenFile(in.get(), nullptr, colors, progress, fit_width, fit_height, out);
}

namespace {

// The encode itself, once the picture is in memory and the output reserved.
int EncodePicture(const DibImage& picture, PendingFile* out, const std::string& sampling,
                  int quality, const JpegProgress& progress) {
    std::unique_ptr<EncodeJob> job(new (std::nothrow) EncodeJob());
    if (!job || !TakeEncoderInput(picture, job.get())) {
        ShowError(kMsgJpegCreateFailed);
        return 0;
    }
    job->dest.file = out;
    job->sampling = sampling.c_str();
    job->quality = quality;
    job->progress = progress;
    if (job->progress.meter == JpegMeter::kFirstHalf) job->progress.meter = JpegMeter::kFull;
    UsePace(&job->pace, progress.pace);
    int ok = RunEncode(job.get());
    std::free(job->rows);
    if (!ok) {
        ShowError(kMsgJpegCreateFailed);
        return 0;
    }
    return CommitOrShow(out, kMsgJpegCreateFailed);
}

}  // namespace

int EncodeDibToJpegFile(const DibImage& dib, const std::string& jpeg_path,
                        const std::string& sampling, int quality, const JpegProgress& progress) {
    PendingFile out;
    if (!out.Open(jpeg_path)) {
        ShowError(kMsgFileOpenFailed);
        return 0;
    }
    return EncodePicture(dib, &out, sampling, quality, progress);
}

int EncodeJpegFile(const std::string& bmp_path, const std::string& jpeg_path,
                   const std::string& sampling, int quality, const JpegProgress& progress) {
    ScopedFile in;
    PendingFile out;
    if (!OpenInputAndOutput(bmp_path, jpeg_path, &in, &out)) return 0;
    DibImage picture;
    int load_message = 0;  // not shown: every failure of the encoder has its own message
    if (!ReadBmpStream(in.get(), &picture, &load_message)) {
        ShowError(kMsgJpegCreateFailed);
        return 0;
    }
    // The input is read whole; closed first, so that it may be the output as well.
    in.Close();
    return EncodePicture(picture, &out, sampling, quality, progress);
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
