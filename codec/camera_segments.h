// Camera JPEG segments. Files written by the camera carry application segments (APP0..APP15)
// that our encoder does not reproduce, among them the camera's APP0 with a small directory
// recording the picture's width and height (tag 0x1810) and its time (tag 0x180E). An image
// window keeps copies of them when it opens a JPEG file and puts them back into every JPEG it
// saves. Everything taken from a file is bounds-checked: a bad directory is "no directory".
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_block.h"

constexpr int kMaxKeptSegments = 16;

struct KeptSegments {
    int count = 0;
    // Each segment whole as it stood in the file: marker, length field and data.
    std::vector<uint8_t> segments[kMaxKeptSegments];
    // The pair from the camera directory; 0 when none was found.
    uint32_t recorded_width = 0;
    uint32_t recorded_height = 0;
};

// Keeps the application segments of the JPEG file at path (at most 16). Returns 1 when the
// file was read, 0 when it cannot be opened or memory is short (nothing kept then).
int KeepCameraSegments(const std::string& path, KeptSegments* kept);
// The same over bytes in memory (the header part of a file).
int KeepCameraSegmentsFromBytes(const uint8_t* data, size_t size, KeptSegments* kept);

// Puts the kept segments into the JPEG file at path in place of the encoder's APP0 segment.
// When width x height differs from the recorded pair, the copies written carry the recorded
// pair swapped (a picture turned by a quarter); the kept segments themselves stay as read.
// With nothing kept the file stays exactly as the encoder wrote it. Returns 1 when the file
// was rewritten (or needed nothing), 0 when it was left as it was (the new bytes are written
// beside it and take its place only when complete). Silent.
int RestoreCameraSegments(const std::string& path, const KeptSegments& kept, uint32_t width,
                          uint32_t height);
// The same on a JPEG in memory; false when it is not a JPEG whose markers can be walked.
bool RestoreCameraSegmentsInBuffer(const uint8_t* jpeg, size_t size, const KeptSegments& kept,
                                   uint32_t width, uint32_t height, ByteBlock* out);

// Where the width/height pair of a segment's camera directory stands (offset of the width
// from the segment's first byte) and its byte order; false when the segment has none.
bool FindCameraSizePair(const uint8_t* seg, size_t size, size_t* pair_offset, bool* big_endian);

// The date a camera JPEG records (tag 0x180E of its APP0 directory), in local time.
struct CameraDate {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;
    bool known() const { return year != 0; }
};
// Reads only the first 2048 bytes of the file; all zero when there is no date.
CameraDate ThumbnailDate(const std::string& path);
CameraDate ThumbnailDateFromBytes(const uint8_t* data, size_t size);
// The seconds count of that tag (0 when there is none).
uint32_t ThumbnailSecondsFromBytes(const uint8_t* data, size_t size);
