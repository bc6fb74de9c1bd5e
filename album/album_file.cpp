#include "album/album_file.h"

#include <cstring>

#include "base/bytes.h"
#include "base/messages.h"
#include "base/pending_file.h"
#include "base/platform.h"

const char kAlbumMagic[16] = "ZEK DSC ALBUM  ";

namespace {

const char kExtensionTag[] = "ZEK_ALBEXT";  // 10 characters, no terminator in the file
const char kMarksTag[] = "ZEK_P";           // 5 characters
constexpr size_t kExtensionTagSize = 10;
constexpr size_t kMarksTagSize = 5;

int Fail(int message) {
    ShowError(message);
    return 0;
}

// Reads n bytes when the file still holds them; never reads past its end.
bool Take(AlbumInput* in, void* data, size_t n) {
    if (in->left < 0 || static_cast<uint64_t>(in->left) < n) return false;
    if (!ReadPieces(in->file.get(), data, n)) return false;
    in->left -= static_cast<int64_t>(n);
    return true;
}

bool Skip(AlbumInput* in, uint64_t n) {
    if (in->left < 0 || static_cast<uint64_t>(in->left) < n) return false;
    if (!SeekStream(in->file.get(), static_cast<int64_t>(n), SEEK_CUR)) return false;
    in->left -= static_cast<int64_t>(n);
    return true;
}

// Opens without any message (for the marks, read before the album itself).
bool OpenQuietly(const std::string& path, AlbumInput* in) {
    in->file.Reset(OpenFileBinary(path, "rb"));
    if (!in->file) return false;
    in->left = StreamLength(in->file.get());
    return in->left >= 0;
}

bool MagicMatches(const uint8_t* head) {
    // Compared as zero-terminated strings: what follows a terminator does not count.
    const size_t n = strnlen(reinterpret_cast<const char*>(head), 16);
    return n == std::strlen(kAlbumMagic) && std::memcmp(head, kAlbumMagic, n) == 0;
}

bool ParseHeader(const uint8_t* head, AlbumHeader* header) {
    if (!MagicMatches(head)) return false;
    ByteReader r(head, kAlbumHeaderSize);
    r.Skip(16);
    header->version = r.Le16();
    r.Skip(6);
    header->count = r.Le16();
    return r.ok();
}

bool WriteLe32(PendingFile* f, uint32_t v) {
    uint8_t b[4];
    PutLe32(b, v);
    return f->Write(b, sizeof b);
}

}  // namespace

bool SameAlbumPath(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

int AlbumAddRefusal(const Album& album, const std::string& path) {
    if (album.pictures.size() >= static_cast<size_t>(kAlbumCapacity)) return kMsgAlbumFull;
    for (const AlbumPicture& p : album.pictures)
        if (SameAlbumPath(p.path, path)) return kMsgAlreadyInAlbum;
    if (path.empty() || path.size() >= kAlbumPathField || path.find('\0') != std::string::npos)
        return kMsgNameTooLong;
    return -1;
}

bool IsAlbumThumbnail(const DibImage& dib) {
    DibLayout l;
    if (!GetDibLayout(dib, &l)) return false;
    const DibHeader& h = l.header;
    return dib.size() <= kMaxThumbnailLength && h.size == kInfoHeaderSize &&
           h.compression == kBiRgb && h.bit_count == 24 && h.width >= 1 && h.width <= kThumbWidth &&
           h.height >= 1 && h.height <= kThumbHeight;
}

uint64_t AlbumFileSize(const Album& album) {
    uint64_t n = kAlbumHeaderSize;
    for (const AlbumPicture& p : album.pictures) n += kAlbumRecordHead + p.thumbnail.size();
    return n + album.pictures.size() + 24;
}

int OpenAlbumInput(const std::string& path, AlbumInput* in) {
    if (!OpenQuietly(path, in)) {
        in->file.Reset(nullptr);
        return Fail(kMsgFileOpenFailed);
    }
    return 1;
}

int ReadAlbumHeader(AlbumInput* in, AlbumHeader* header) {
    uint8_t head[kAlbumHeaderSize];
    if (!Take(in, head, sizeof head)) return Fail(kMsgFileReadFailed);
    if (!ParseHeader(head, header)) return Fail(kMsgNotAlbum);
    return 1;
}

int ReadPictureRecord(AlbumInput* in, std::string* path, DibImage* thumbnail) {
    thumbnail->block.Reset();
    uint8_t head[kAlbumRecordHead];
    if (!Take(in, head, sizeof head)) return Fail(kMsgFileReadFailed);
    const size_t path_length = strnlen(reinterpret_cast<const char*>(head), kAlbumPathField);
    const uint32_t length = GetLe32(head + kAlbumPathField);
    // The length is checked against what a thumbnail can be and what the file still holds
    // before anything is allocated for it.
    if (path_length == 0 || path_length == kAlbumPathField || length < kInfoHeaderSize ||
        length > kMaxThumbnailLength || static_cast<int64_t>(length) > in->left)
        return Fail(kMsgFileReadFailed);
    DibImage dib;
    if (!dib.block.Allocate(length)) return Fail(kMsgNoMemory);
    if (!Take(in, dib.data(), length)) return Fail(kMsgFileReadFailed);
    if (!IsAlbumThumbnail(dib)) return Fail(kMsgFileReadFailed);
    path->assign(reinterpret_cast<const char*>(head), path_length);
    *thumbnail = std::move(dib);
    return 1;
}

int ReadAlbumMarks(const std::string& path, uint8_t* marks) {
    std::memset(marks, 0, kAlbumCapacity);
    AlbumInput in;
    if (!OpenQuietly(path, &in)) return 0;
    uint8_t head[kAlbumHeaderSize];
    AlbumHeader header;
    if (!Take(&in, head, sizeof head) || !ParseHeader(head, &header)) return 0;
    for (int i = 0; i < header.count; ++i) {
        uint8_t record[kAlbumRecordHead];
        if (!Take(&in, record, sizeof record)) return 0;
        if (!Skip(&in, GetLe32(record + kAlbumPathField))) return 0;
    }
    uint8_t tag[kExtensionTagSize + 4];
    if (!Take(&in, tag, sizeof tag) || std::memcmp(tag, kExtensionTag, kExtensionTagSize) != 0)
        return 0;
    const uint32_t length = GetLe32(tag + kExtensionTagSize);
    // Only the bytes the block claims, and only while the file holds them, are read; the
    // block itself is never copied whole.
    if (static_cast<int64_t>(length) > in.left) return Fail(kMsgFileReadFailed);
    uint8_t fixed[kMarksTagSize + 4];
    if (length < sizeof fixed || !Take(&in, fixed, sizeof fixed)) return 0;
    if (std::memcmp(fixed, kMarksTag, kMarksTagSize) != 0) return 0;
    const uint64_t skip = GetLe32(fixed + kMarksTagSize);
    uint64_t rest = length - sizeof fixed;
    if (skip + 1 > rest || !Skip(&in, skip)) return 0;
    rest -= skip + 1;
    uint8_t count = 0;
    if (!Take(&in, &count, 1) || count > rest) return 0;
    const size_t kept = count < kAlbumCapacity ? count : kAlbumCapacity;
    if (!Take(&in, marks, kept)) {
        std::memset(marks, 0, kAlbumCapacity);
        return 0;
    }
    return 1;
}

int LoadAlbumFile(const std::string& path, Album* album) {
    album->pictures.clear();
    album->path.clear();
    album->modified = true;
    WaitCursor wait;
    uint8_t marks[kAlbumCapacity];
    ReadAlbumMarks(path, marks);
    AlbumInput in;
    if (!OpenAlbumInput(path, &in)) return 0;
    AlbumHeader header;
    if (!ReadAlbumHeader(&in, &header)) return 0;
    Album read;
    read.pictures.reserve(header.count < kAlbumCapacity ? header.count : kAlbumCapacity);
    for (int i = 0; i < header.count; ++i) {
        AlbumPicture p;
        if (!ReadPictureRecord(&in, &p.path, &p.thumbnail)) return 0;
        const int refusal = AlbumAddRefusal(read, p.path);
        if (refusal >= 0) return Fail(refusal);
        p.mark = header.version != kAlbumVersionNoMarks && i < kAlbumCapacity && marks[i] != 0;
        read.pictures.push_back(std::move(p));
    }
    read.path = path;
    read.modified = false;
    *album = std::move(read);
    return 1;
}

int WriteAlbum(Album* album, const std::string& path) {
    WaitCursor wait;
    const size_t n = album->pictures.size();
    if (n > static_cast<size_t>(kAlbumCapacity)) return Fail(kMsgUnexpected);
    // Everything is checked before the file is made, so a refusal leaves nothing behind.
    for (const AlbumPicture& p : album->pictures) {
        if (p.path.empty() || p.path.size() >= kAlbumPathField) return Fail(kMsgNameTooLong);
        if (!IsAlbumThumbnail(p.thumbnail)) return Fail(kMsgBitmapGetFailed);
    }
    PendingFile f;
    if (!f.Open(path)) return Fail(kMsgFileOpenFailed);

    uint8_t head[kAlbumHeaderSize] = {};
    std::memcpy(head, kAlbumMagic, sizeof kAlbumMagic);
    PutLe16(head + 16, kAlbumVersion);
    head[18] = 'P';
    PutLe16(head + 24, static_cast<uint32_t>(n));
    if (!f.Write(head, sizeof head)) return Fail(kMsgDiskFull);

    // The extension block: tag, L = N + 10, "ZEK_P", S = 0, M = N, then one mark per picture.
    uint8_t ext[24 + kAlbumCapacity] = {};
    std::memcpy(ext, kExtensionTag, kExtensionTagSize);
    PutLe32(ext + 10, static_cast<uint32_t>(n + 10));
    std::memcpy(ext + 14, kMarksTag, kMarksTagSize);
    PutLe32(ext + 19, 0);
    ext[23] = static_cast<uint8_t>(n);
    for (size_t i = 0; i < n; ++i) {
        const AlbumPicture& p = album->pictures[i];
        ext[24 + i] = p.mark ? 1 : 0;
        uint8_t field[kAlbumPathField] = {};
        std::memcpy(field, p.path.data(), p.path.size());
        if (!f.Write(field, sizeof field) ||
            !WriteLe32(&f, static_cast<uint32_t>(p.thumbnail.size())) ||
            !WritePieces(&f, p.thumbnail.data(), p.thumbnail.size()))
            return Fail(kMsgDiskFull);
    }
    if (!f.Write(ext, n + 24)) return Fail(kMsgDiskFull);
    if (!CommitOrShow(&f, kMsgDiskFull)) return 0;
    album->path = path;
    album->modified = false;
    return 1;
}

void ThumbnailSize(int32_t width, int32_t height, int32_t* thumb_width, int32_t* thumb_height) {
    int64_t w, h;
    if (int64_t{height} * kThumbWidth < int64_t{width} * kThumbHeight) {
        w = kThumbWidth;
        h = width > 0 ? int64_t{height} * kThumbWidth / width : 0;
    } else {
        h = kThumbHeight;
        w = height > 0 ? int64_t{width} * kThumbHeight / height : 0;
    }
    // A very wide or very tall picture keeps at least one row or column.
    *thumb_width = static_cast<int32_t>(w < 1 ? 1 : w);
    *thumb_height = static_cast<int32_t>(h < 1 ? 1 : h);
}

DibImage MakeThumbnail(const DibImage& source) {
    DibLayout l;
    if (!GetDibLayout(source, &l) || l.header.size != kInfoHeaderSize ||
        l.header.compression != kBiRgb || (l.header.bit_count != 8 && l.header.bit_count != 24))
        return DibImage();
    const int bits = l.header.bit_count;
    const int64_t sw = l.header.width;
    const int64_t sh = l.header.height;
    int32_t tw, th;
    ThumbnailSize(l.header.width, l.header.height, &tw, &th);

    DibImage scaled;
    const uint32_t colors = bits == 8 ? l.colors : 0;
    const size_t stride = static_cast<size_t>(DibStride(tw, bits));
    if (!scaled.block.Allocate(kInfoHeaderSize + colors * 4 + stride * static_cast<size_t>(th)))
        return DibImage();
    DibHeader h = InfoHeaderFor(tw, th, bits);
    h.clr_used = colors;
    WriteInfoHeader(scaled.data(), h);
    if (colors)
        std::memcpy(scaled.data() + kInfoHeaderSize, source.data() + l.palette_offset, colors * 4);

    // Rows are bottom-up in both blocks; row 0 of the thumbnail samples row 0 of the source.
    const size_t bytes = static_cast<size_t>(bits / 8);
    const uint8_t* src = source.data() + l.pixel_offset;
    uint8_t* dst = scaled.data() + kInfoHeaderSize + colors * 4;
    for (int64_t y = 0; y < th; ++y) {
        const int64_t sy = y * sh / th;
        const uint8_t* srow = src + static_cast<size_t>(sy) * l.stride;
        uint8_t* drow = dst + static_cast<size_t>(y) * stride;
        for (int64_t x = 0; x < tw; ++x) {
            const int64_t sx = x * sw / tw;
            std::memcpy(drow + static_cast<size_t>(x) * bytes,
                        srow + static_cast<size_t>(sx) * bytes, bytes);
        }
    }
    if (bits == 24) return scaled;
    return ExpandTo24(scaled);
}
