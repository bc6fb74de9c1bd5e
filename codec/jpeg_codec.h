// The two JPEG drivers over the JPEG library. Pictures cross the library's edges as the one
// picture block of codec/dib.h: DecodeJpegFile writes it as a BMP file and EncodeJpegFile reads
// one (codec/bmp_file.h), their in-memory forms hand it over without a file. The library's fatal
// error exit is replaced so that it never ends the process: it returns to the driver, which frees
// everything and reports the failure. Both write their output beside it under a temporary name and
// rename it into place only when it is complete (base/pending_file.h): a failed call leaves no file
// behind and an existing output as it was. The output may be the input itself.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "codec/dib.h"

// How a coding call shows its progress on the installed operation view's meter. Both go by the
// installed clock: the message queue is drained at each step of the meter and at least every
// 50 ms; the meter is set at its first position, then at most every 50 ms, and at the end to
// where the rows ended.
enum class JpegMeter {
    kNone,       // no meter, no message pump
    kFull,       // 0..25
    kFirstHalf,  // decode only: 0..12, the second half belongs to a following encode
    kRange,      // encode only: lo..hi
};

// The clock of the drains and repaints. A coding keeps its own unless its caller hands one
// in: a run of several files under one dialog shares one, so that the windows are served at
// the pace across the run instead of at each file's start and at each step of its bar.
struct JpegPace {
    uint32_t last_drain = 0;
    uint32_t last_paint = 0;
    bool started = false;
};

struct JpegProgress {
    JpegMeter meter = JpegMeter::kNone;
    uint32_t lo = 0;
    uint32_t hi = 0;
    // When set, receives every position the driver puts on the meter (so a caller knows where
    // the meter stands afterwards). Not owned.
    uint32_t* position_out = nullptr;
    // A pace shared with the codings before and after this one; null: its own. Not owned.
    JpegPace* pace = nullptr;
};

// Qualities of the three JPEG save types ("JPEG(Low Quality)(*.JPG)", "JPEG(standard)(*.JPG)",
// "JPEG(High Quality)(*.JPG)").
enum JpegSaveQuality { kJpegLowQuality = 55, kJpegStandardQuality = 75, kJpegHighQuality = 95 };

// Meter positions after n of h rows.
uint32_t DecodeMeterPos(JpegMeter meter, uint64_t n, uint64_t h);
uint32_t EncodeMeterPos(const JpegProgress& progress, uint64_t n, uint64_t h);

// JPEG file to BMP file: 24 bits for colour, 8 bits with a grey ramp for greyscale, 8 bits
// with the library's palette when colors is non-zero. Returns 1 or 0. Failures show "This is not
// a Jpeg file." (empty, or not starting as a JPEG file does), "It failed in the creating
// bitmap." (any other failure once both files were open) or "File cannot be opened." (either
// file); the first-half variant fails silently when the JPEG file cannot be opened.
int DecodeJpegFile(const std::string& jpeg_path, const std::string& bmp_path, int colors,
                   const JpegProgress& progress);
// The same decode of a JPEG file's bytes held in memory, to the same picture (the BMP file's
// DIB: header, palette, rows), without messages, meter or anything shared: callable from any
// thread. Empty on any failure. fit_width and fit_height scale down as for DecodeJpegToDib;
// file_width and file_height (may be null) receive the picture's size in the file.
DibImage DecodeJpegBytes(const uint8_t* data, size_t size, int colors, int fit_width = 0,
                         int fit_height = 0, int* file_width = nullptr, int* file_height = nullptr);
// JPEG file to a picture in memory: the picture DecodeJpegFile writes (as LoadBmpFile reads it
// back), with the same messages and meter, and no file. When fit_width and fit_height are both
// above 0, the library scales the picture down by eighths to the smallest size that still
// covers fit_width x fit_height, for a picture that is only shown; 0 keeps the full size.
// Returns 1 or 0; *out is empty after a failure.
int DecodeJpegToDib(const std::string& jpeg_path, int colors, const JpegProgress& progress,
                    DibImage* out, int fit_width = 0, int fit_height = 0);

// BMP file (8-bit palette or 24-bit, uncompressed, rows bottom-up or top-down) to JPEG file.
// The file is read with LoadBmpFile's checks (a file it refuses is refused here too), and must
// hold every row. sampling is a text such as "2x1,1x1,1x1" (luminance first) or empty for the
// library's default; quality 1..100. Returns 1 or 0; failures show "It failed in the creating
// JPEG." or "File cannot be opened.".
int EncodeJpegFile(const std::string& bmp_path, const std::string& jpeg_path,
                   const std::string& sampling, int quality, const JpegProgress& progress);

// A picture in memory to JPEG file: the file EncodeJpegFile makes of the same picture saved as a
// BMP file, with the same messages and meter.
int EncodeDibToJpegFile(const DibImage& dib, const std::string& jpeg_path,
                        const std::string& sampling, int quality, const JpegProgress& progress);

// The sampling every JPEG save uses, and the camera's own.
extern const char* const kSaveSampling;    // "2x1,1x1,1x1"
extern const char* const kCameraSampling;  // "4x1,1x1,1x1"

// Parses a sampling text into at most max_components pairs; false on a malformed text or a
// factor outside 1..4. Components beyond the list get 1x1.
bool ParseSampling(const std::string& text, int* h, int* v, int max_components,
                   int* count = nullptr);

// What the frame header of a JPEG file says; read without any message.
struct JpegHeaderInfo {
    int width = 0;
    int height = 0;
    int components = 0;
    int h_samp[4] = {};
    int v_samp[4] = {};
    bool progressive = false;
};
int ReadJpegHeaderInfo(const std::string& path, JpegHeaderInfo* info);
// "2x1,1x1,1x1" for the factors of a header.
std::string SamplingText(const JpegHeaderInfo& info);

// Drains the message queue through the pump seam until it is empty or a quit message was met
// (the pump posts that again). Coding calls it on the pace described at JpegMeter.
void PumpCodingMessages();

// Limits the decoder works under (pixel rows of the BMP it writes, scans of a progressive
// file, library memory). The fuzz targets lower them to stay fast.
struct JpegLimits {
    uint64_t max_pixel_bytes;
    int max_scans;
    long max_library_memory;
};
JpegLimits& CodecJpegLimits();
