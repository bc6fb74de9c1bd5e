#include "codec/bmp_file.h"

#include <cstring>

#include "base/bytes.h"
#include "base/files.h"
#include "base/pending_file.h"
#include "base/platform.h"
#include "base/messages.h"

namespace {

bool Refuse(int message, int* out) {
    *out = message;
    return false;
}

// What WriteBmpHead writes of a block: its header and palette (never more than the block).
size_t BmpHeadBytes(const DibImage& dib) {
    const size_t pixels_at = DibPixelOffset(dib);
    return pixels_at < dib.size() ? pixels_at : dib.size();
}

DibImage Fail(int message) {
    ShowError(message);
    return DibImage();
}

}  // namespace

bool ReadBmpStream(std::FILE* f, DibImage* out, int* message) {
    out->block.Reset();
    const int64_t length = StreamLength(f);
    if (length <= 0) return Refuse(length < 0 ? kMsgFileReadFailed : kMsgBmpNotAllocated, message);

    // The 14-byte file header and the information header after it: 12 bytes (core) or 40 and
    // more (later versions add fields after the first 40, which we do not use).
    uint8_t head[14 + kInfoHeaderSize] = {};
    const size_t got = length < int64_t{sizeof head} ? static_cast<size_t>(length) : sizeof head;
    if (std::fread(head, 1, got, f) != got) return Refuse(kMsgBmpNotAllocated, message);
    ByteReader r(head, got);
    const uint16_t magic = r.Le16();
    r.Skip(8);  // the file's size and two reserved words
    const uint64_t data_offset = r.Le32();
    ByteReader info = r.Span(r.left());
    const uint32_t file_header_size = info.Le32();
    if (!info.ok() || magic != 0x4D42) return Refuse(kMsgBmpNotAllocated, message);
    uint32_t header_size;
    if (file_header_size == kCoreHeaderSize) {
        header_size = kCoreHeaderSize;
    } else if (file_header_size >= kInfoHeaderSize && file_header_size <= 124) {
        header_size = kInfoHeaderSize;
        PutLe32(head + 14, kInfoHeaderSize);
    } else {
        return Refuse(kMsgBmpNotAllocated, message);
    }
    DibHeader h = ParseDibHeader(head + 14, info.size());
    if (h.size != header_size) return Refuse(kMsgBmpNotAllocated, message);  // cut short
    const int bits = h.bit_count;
    if (h.planes != 1) return Refuse(kMsgBmpNotAllocated, message);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Refuse(kMsgBmpNotAllocated, message);
    if (h.size == kInfoHeaderSize) {
        bool rle8 = h.compression == kBiRle8 && bits == 8;
        if (h.compression != kBiRgb && !rle8) return Refuse(kMsgBmpNotAllocated, message);
    }
    // A negative height in the information header means the rows are stored top row first;
    // the block gets them bottom-up with a positive height. Only plain rows can be stored so.
    const bool top_down = header_size == kInfoHeaderSize && h.height < 0;
    if (top_down && h.compression != kBiRgb) return Refuse(kMsgBmpNotAllocated, message);
    const int64_t height = top_down ? -int64_t{h.height} : int64_t{h.height};
    if (!DibSizeAllowed(h.width, height, bits)) return Refuse(kMsgNoMemory, message);
    const uint32_t colors = ColorCountOf(h);
    if (colors > 256 || (bits <= 8 && colors > (1u << bits)))
        return Refuse(kMsgBmpNotAllocated, message);
    const size_t entry = header_size == kCoreHeaderSize ? 3 : 4;
    const uint64_t palette_size = uint64_t{colors} * entry;
    const uint64_t header_end = 14 + uint64_t{file_header_size} + palette_size;
    if (data_offset < header_end || data_offset > static_cast<uint64_t>(length))
        return Refuse(kMsgBmpNotAllocated, message);
    uint64_t pixel_bytes = static_cast<uint64_t>(length) - data_offset;
    const uint64_t stride = DibStride(h.width, bits);
    if (top_down) {
        // Turning the rows over needs every one of them; what follows them is left out.
        const uint64_t rows_bytes = stride * static_cast<uint64_t>(height);
        if (pixel_bytes < rows_bytes) return Refuse(kMsgFileReadFailed, message);
        pixel_bytes = rows_bytes;
    }
    if (pixel_bytes > kMaxPixelBytes) return Refuse(kMsgNoMemory, message);
    // A core header becomes the 40-byte form, which has no 16- or 32-bit core pictures.
    if (header_size == kCoreHeaderSize && bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return Refuse(kMsgNoMemory, message);

    // The block: the 40-byte header, the palette in 4-byte entries, the rows bottom-up.
    DibImage dib;
    const size_t pixels_at = kInfoHeaderSize + size_t{colors} * 4;
    if (!dib.block.Allocate(pixels_at + static_cast<size_t>(pixel_bytes)))
        return Refuse(kMsgNoMemory, message);
    h.size = kInfoHeaderSize;
    h.height = static_cast<int32_t>(height);
    WriteInfoHeader(dib.data(), h);
    // Palette (after the header as the file has it), then the rows from the data offset on.
    uint8_t palette[256 * 4];
    if (!SeekStream(f, 14 + int64_t{file_header_size}, SEEK_SET) ||
        !ReadPieces(f, palette, static_cast<size_t>(palette_size)) ||
        !SeekStream(f, static_cast<int64_t>(data_offset), SEEK_SET)) {
        return Refuse(kMsgFileReadFailed, message);
    }
    for (uint32_t i = 0; i < colors; ++i)
        std::memcpy(dib.data() + kInfoHeaderSize + i * 4, palette + i * entry, entry);
    if (top_down) {
        // Row y of the file is row height - 1 - y of the block.
        for (int64_t y = 0; y < height; ++y) {
            uint8_t* row = dib.data() + pixels_at + static_cast<size_t>((height - 1 - y) * stride);
            if (!ReadPieces(f, row, static_cast<size_t>(stride)))
                return Refuse(kMsgFileReadFailed, message);
        }
    } else if (!ReadPieces(f, dib.data() + pixels_at, static_cast<size_t>(pixel_bytes))) {
        return Refuse(kMsgFileReadFailed, message);
    }
    *out = std::move(dib);
    return true;
}

DibImage LoadBmpFile(const std::string& path) {
    WaitCursor cursor;
    ScopedFile f(OpenFileBinary(path, "rb"));
    if (!f) return Fail(kMsgFileOpenFailed);
    DibImage dib;
    int message = 0;
    if (!ReadBmpStream(f.get(), &dib, &message)) return Fail(message);
    return dib;
}

bool WriteBmpHead(PendingFile* f, const DibImage& dib) {
    uint8_t file_header[14] = {'B', 'M'};
    PutLe32(file_header + 2, static_cast<uint32_t>(dib.size() + 14));
    PutLe32(file_header + 10, static_cast<uint32_t>(14 + DibPixelOffset(dib)));
    return f->Write(file_header, 14) && WritePieces(f, dib.data(), BmpHeadBytes(dib));
}

bool WriteBmpRows(PendingFile* f, const DibImage& dib) {
    const size_t head = BmpHeadBytes(dib);
    return WritePieces(f, dib.data() + head, dib.size() - head);
}

int SaveBmpFile(const std::string& path, const DibImage& dib) {
    WaitCursor cursor;
    if (!dib || dib.size() > 0xFFFFFFFFu - 14) {
        ShowError(kMsgUnexpected);
        return 0;
    }
    PendingFile f;
    if (!f.Open(path)) {
        ShowError(kMsgFileOpenFailed);
        return 0;
    }
    if (!WriteBmpHead(&f, dib) || !WriteBmpRows(&f, dib)) {
        ShowError(kMsgDiskFull);
        return 0;
    }
    return CommitOrShow(&f, kMsgDiskFull);
}
