// Size-fitted re-compression for the camera. The camera stores JPEG files in four byte-size
// classes; a picture sent to it is encoded again and again with the quality moved by a
// shrinking step until its length falls into the class's window (or 10 adjustments were made).
// Also the byte-for-byte JPEG copy of Save As. Every file here is written beside its path and
// takes the path's place only when complete: the passes of a fitting go to one temporary file,
// so a pass that fails leaves the file at the path as it was, not half fitted.
#pragma once
#include <cstdint>
#include <string>

#include "codec/dib.h"

enum { kNoSizeClass = 255 };

// 0..3 by the file's byte length, 255 for a missing or empty file or one above 262144 bytes.
int SizeClassOfFile(const std::string& path);
int SizeClassOfLength(int64_t length);

// The next quality to try after an encode gave a file of `length` bytes (0 = stop: the
// length fits). last_step carries the signed step between calls.
int NextFitQualityForLength(int64_t length, int size_class, int quality, int* last_step,
                            int64_t previous_length);
// The same for the file at path (a missing or empty file stops).
int NextFitQuality(const std::string& path, int size_class, int quality, int* last_step,
                   int64_t previous_length);

// Where a caller's progress meter stands; updated as the conversion moves it.
struct MeterState {
    uint32_t pos = 0;
    uint32_t range = 0;
};

// Encodes dib into jpeg_path fitted to a size class, with sampling "4x1,1x1,1x1".
// With a meter, the class is that of the file now at jpeg_path (255 fails without writing) and
// the passes fill the meter from its position; without one, the class is size_class and the
// installed view is set up as an own progress dialog ("Now Compressing image.", "File Name:
// %s", range 100). Ends with the meter full and a one-second pause that keeps the message
// queue drained. Returns 1 when a JPEG was written, 0 on failure (the file at jpeg_path is then
// as it was).
int CompressForCamera(const DibImage& dib, const std::string& jpeg_path, MeterState* meter,
                      int size_class);
// One encode with sampling "2x1,1x1,1x1" at quality 95 (class 2) or 80, same meter handling.
int CompressForCameraSinglePass(const DibImage& dib, const std::string& jpeg_path,
                                MeterState* meter, int size_class);
// The silent form: decodes the JPEG at jpeg_path and re-encodes it in place, fitted to
// size_class (a negative value: the file's own class). Returns 1 when the loop ended (fitted
// or out of adjustments), 0 when the decode or an encode failed or there is no class; the file
// is replaced once, by the last pass, and left as it was on 0.
int CompressForCameraSilent(const std::string& jpeg_path, int size_class);

// Copies a JPEG file byte for byte in blocks of 2048 bytes. Copying a file onto itself is a
// success without any work. Failures show "File cannot be opened.", "Failed to read the
// file.", "Disk is full." or "Memory cannot be allocated." and return 0, leaving the file at
// `to` as it was.
int CopyJpegFile(const std::string& from, const std::string& to);
