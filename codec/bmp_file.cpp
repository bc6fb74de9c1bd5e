#include "codec/bmp_file.h"

#include <cstring>

#include "base/bytes.h"
#include "base/files.h"
#include "base/pending_file.h"
#include "base/platform.h"
#include "base/messages.h"

namespace {

// Hourglass while a file is read or written; the arrow comes back on every path out.
class WaitCursor {
public:
    WaitCursor() { Plat().prompts->SetCursor(CursorKind::kHourglass); }
    ~WaitCursor() { Plat().prompts->SetCursor(CursorKind::kArrow); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

bool ReadPieces(std::FILE* f, uint8_t* dst, size_t n) {
    while (n > 0) {
        size_t piece = n < kFileChunk ? n : kFileChunk;
        if (std::fread(dst, 1, piece, f) != piece) return false;
        dst += piece;
        n -= piece;
    }
    return true;
}

bool WritePieces(PendingFile* f, const uint8_t* src, size_t n) {
    while (n > 0) {
        size_t piece = n < kFileChunk ? n : kFileChunk;
        if (!f->Write(src, piece)) return false;
        src += piece;
        n -= piece;
    }
    return true;
}

DibImage Fail(int message) {
    ShowError(message);
    return DibImage();
}

}  // namespace

DibImage LoadBmpFile(const std::string& path) {
    WaitCursor cursor;
    ScopedFile f(OpenFileBinary(path, "rb"));
    if (!f) return Fail(kMsgFileOpenFailed);
    int64_t length = StreamLength(f.get());
    if (length <= 0) return Fail(length < 0 ? kMsgFileReadFailed : kMsgBmpNotAllocated);

    uint8_t file_header[14];
    if (length < 14 || std::fread(file_header, 1, 14, f.get()) != 14)
        return Fail(kMsgBmpNotAllocated);
    if (GetLe16(file_header) != 0x4D42) return Fail(kMsgBmpNotAllocated);
    const uint64_t data_offset = GetLe32(file_header + 10);

    // The information header: 12 bytes (core) or 40 and more (later versions add fields after
    // the first 40, which we do not use).
    uint8_t info[kInfoHeaderSize] = {};
    size_t avail = static_cast<size_t>(length - 14 < 40 ? length - 14 : 40);
    if (avail < 4 || std::fread(info, 1, avail, f.get()) != avail) return Fail(kMsgBmpNotAllocated);
    const uint32_t file_header_size = GetLe32(info);
    uint32_t header_size;
    if (file_header_size == kCoreHeaderSize) {
        header_size = kCoreHeaderSize;
    } else if (file_header_size >= kInfoHeaderSize && file_header_size <= 124) {
        header_size = kInfoHeaderSize;
        PutLe32(info, kInfoHeaderSize);
    } else {
        return Fail(kMsgBmpNotAllocated);
    }
    if (avail < header_size) return Fail(kMsgBmpNotAllocated);
    DibHeader h = ParseDibHeader(info, header_size);
    const int bits = h.bit_count;
    if (h.planes != 1) return Fail(kMsgBmpNotAllocated);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Fail(kMsgBmpNotAllocated);
    if (h.size == kInfoHeaderSize) {
        bool rle8 = h.compression == kBiRle8 && bits == 8;
        if (h.compression != kBiRgb && !rle8) return Fail(kMsgBmpNotAllocated);
    }
    // A negative height in the information header means the rows are stored top row first;
    // the block gets them bottom-up with a positive height. Only plain rows can be stored so.
    const bool top_down = header_size == kInfoHeaderSize && h.height < 0;
    if (top_down && h.compression != kBiRgb) return Fail(kMsgBmpNotAllocated);
    const int64_t height = top_down ? -int64_t{h.height} : int64_t{h.height};
    if (!DibSizeAllowed(h.width, height, bits)) return Fail(kMsgNoMemory);
    const uint32_t colors = ColorCountOf(h);
    if (colors > 256 || (bits <= 8 && colors > (1u << bits))) return Fail(kMsgBmpNotAllocated);
    const uint64_t palette_size = uint64_t{colors} * (header_size == kCoreHeaderSize ? 3 : 4);
    const uint64_t header_end = 14 + uint64_t{file_header_size} + palette_size;
    if (data_offset < header_end || data_offset > static_cast<uint64_t>(length))
        return Fail(kMsgBmpNotAllocated);
    uint64_t pixel_bytes = static_cast<uint64_t>(length) - data_offset;
    const uint64_t stride = DibStride(h.width, bits);
    if (top_down) {
        // Turning the rows over needs every one of them; what follows them is left out.
        const uint64_t rows_bytes = stride * static_cast<uint64_t>(height);
        if (pixel_bytes < rows_bytes) return Fail(kMsgFileReadFailed);
        pixel_bytes = rows_bytes;
        PutLe32(info + 8, static_cast<uint32_t>(height));
    }
    if (pixel_bytes > kMaxPixelBytes) return Fail(kMsgNoMemory);

    DibImage dib;
    const size_t head = header_size + static_cast<size_t>(palette_size);
    if (!dib.block.Allocate(head + static_cast<size_t>(pixel_bytes))) return Fail(kMsgNoMemory);
    std::memcpy(dib.data(), info, header_size);
    // Palette (after the header as the file has it), then the rows from the data offset on.
    if (!SeekStream(f.get(), 14 + int64_t{file_header_size}, SEEK_SET) ||
        !ReadPieces(f.get(), dib.data() + header_size, static_cast<size_t>(palette_size)) ||
        !SeekStream(f.get(), static_cast<int64_t>(data_offset), SEEK_SET)) {
        return Fail(kMsgFileReadFailed);
    }
    if (top_down) {
        // Row y of the file is row height - 1 - y of the block.
        for (int64_t y = 0; y < height; ++y) {
            uint8_t* row = dib.data() + head + static_cast<size_t>((height - 1 - y) * stride);
            if (!ReadPieces(f.get(), row, static_cast<size_t>(stride)))
                return Fail(kMsgFileReadFailed);
        }
    } else if (!ReadPieces(f.get(), dib.data() + head, static_cast<size_t>(pixel_bytes))) {
        return Fail(kMsgFileReadFailed);
    }
    if (DibCompression(dib) == kCompressionCoreHeader) return ConvertCoreHeader(dib);
    return dib;
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
    uint8_t file_header[14] = {'B', 'M'};
    PutLe32(file_header + 2, static_cast<uint32_t>(dib.size() + 14));
    PutLe32(file_header + 10, static_cast<uint32_t>(14 + DibPixelOffset(dib)));
    if (!f.Write(file_header, 14) || !WritePieces(&f, dib.data(), dib.size())) {
        ShowError(kMsgDiskFull);
        return 0;
    }
    switch (f.Commit()) {
        case CommitResult::kDone:
            return 1;
        case CommitResult::kWriteFailed:
            ShowError(kMsgDiskFull);
            return 0;
        case CommitResult::kReplaceFailed:
            break;
    }
    ShowError(kMsgFileOpenFailed);
    return 0;
}
