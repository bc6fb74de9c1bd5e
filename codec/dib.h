// DibImage: every picture the program holds in memory is one packed device-independent bitmap
// in one owned block: a 40-byte information header (a 12-byte core header only between reading
// a file and converting it), the palette, then the pixel rows bottom-up, each padded to 4
// bytes. The block is owned by whoever holds the DibImage; operations return a new one and
// leave their input alone.
//
// A block read from a file may be shorter than its rows need (a cut-off file still loads, the
// image window refuses it later). So the accessors never read beyond the block, and every
// operation that walks rows first asks GetDibLayout, which refuses such a block.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/byte_block.h"

constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kCoreHeaderSize = 12;

enum DibCompression : int {
    kBiRgb = 0,
    kBiRle8 = 1,
    kBiRle4 = 2,
    kCompressionCoreHeader = 3,  // what the compression accessor says of a 12-byte header
};

// Limits of every picture we make or accept: sides of 1..32767 pixels and at most 256 MiB of
// pixel rows. Larger requests are refused with "Memory cannot be allocated." before anything
// is allocated.
constexpr int32_t kMaxDibSide = 32767;
constexpr uint64_t kMaxPixelBytes = uint64_t{256} << 20;

struct DibImage {
    ByteBlock block;

    explicit operator bool() const { return !block.empty(); }
    uint8_t* data() { return block.data(); }
    const uint8_t* data() const { return block.data(); }
    size_t size() const { return block.size(); }
};

// The fields of either header form, widened to the 40-byte form.
struct DibHeader {
    uint32_t size = 0;  // 40 or 12
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 0;
    uint16_t bit_count = 0;
    uint32_t compression = 0;
    uint32_t size_image = 0;
    int32_t x_pels_per_meter = 0;
    int32_t y_pels_per_meter = 0;
    uint32_t clr_used = 0;
    uint32_t clr_important = 0;
};

// Reads the header at the block's start; all zero when the block is too small for it.
DibHeader ReadDibHeader(const DibImage& dib);
DibHeader ParseDibHeader(const uint8_t* p, size_t size);
// Writes a 40-byte information header.
void WriteInfoHeader(uint8_t* p, const DibHeader& h);
// The 40-byte header of a new picture: one plane, uncompressed, every other field zero.
DibHeader InfoHeaderFor(int32_t width, int32_t height, int bits);

// The accessors.
uint32_t DibHeaderSize(const DibImage& dib);
uint32_t DibColorCount(const DibImage& dib);
uint32_t DibPaletteSize(const DibImage& dib);
int DibBitCount(const DibImage& dib);
int DibCompression(const DibImage& dib);
int32_t DibWidth(const DibImage& dib);
int32_t DibHeight(const DibImage& dib);
// Offset of the first pixel row from the block's start (header + palette).
size_t DibPixelOffset(const DibImage& dib);
// Colour count for a header: clr_used when non-zero in a 40-byte header, else by bit count.
uint32_t ColorCountOf(const DibHeader& h);
// Bytes per row: ((width * bits + 31) / 32) * 4.
uint64_t DibStride(int64_t width, int bits);

// A checked view of a block whose rows can be walked.
struct DibLayout {
    DibHeader header;
    uint32_t colors;        // palette entries
    size_t entry_size;      // 4 (RGBQUAD) or 3 (RGBTRIPLE)
    size_t palette_offset;  // = header size
    size_t pixel_offset;
    size_t stride;
    size_t pixel_bytes;  // stride * height
};

// True when the header is understood (sizes within limits, 1/4/8/16/24/32 bits, at most 2^bits
// palette entries) and, for an uncompressed picture, the block holds every row.
bool GetDibLayout(const DibImage& dib, DibLayout* layout);

// A new zero-filled block with a 40-byte header for width x height at bits per pixel and
// `colors` palette entries; shows "Memory cannot be allocated." and returns an empty image
// when the size is beyond the limits or memory is short.
DibImage NewDib(int32_t width, int32_t height, int bits, uint32_t colors);
// True when width x height at bits per pixel is within the limits above.
bool DibSizeAllowed(int64_t width, int64_t height, int bits);

// A new block with a 40-byte header made from one with a 12-byte core header.
DibImage ConvertCoreHeader(const DibImage& dib);
// A new 24-bit picture from a palette picture (1, 4 or 8 bits, uncompressed). Indexes beyond
// the palette give black.
DibImage ExpandTo24(const DibImage& dib);

// The conversions that need the display driver (reading a device-dependent bitmap back) are
// supplied by the Windows side; without one they fail with "It failed in the getting bitmap.".
struct DibFromBitmapHook {
    DibImage (*read_back)(void* context, int compression, int bit_count);
    void* context;
};

// Brings a picture to bit_count (24 or 8) for saving. Returns 1 with *out holding a new block,
// or 1 with *out left empty when the input itself already fits; 0 on failure (the message has
// been shown).
int ConvertForSave(const DibImage& dib, int compression, int bit_count,
                   const DibFromBitmapHook* hook, DibImage* out);

// A copy of a block.
DibImage CopyDib(const DibImage& dib);
