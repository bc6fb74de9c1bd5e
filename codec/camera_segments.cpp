#include "codec/camera_segments.h"

#include <ctime>
#include <cstring>

#include "base/bytes.h"
#include "base/files.h"
#include "base/pending_file.h"

namespace {

// Largest header part (everything before the scan data) we read into memory.
constexpr uint64_t kMaxHeaderPart = uint64_t{16} << 20;

bool IsStandalone(uint8_t m) {
    return m == 0x01 || (m >= 0xD0 && m <= 0xD9);
}

void Put32(uint8_t* p, uint32_t v, bool big) {
    if (big)
        PutBe32(p, v);
    else
        PutLe32(p, v);
}

// One marker segment with a length field, whole: FF, the marker, the length (which counts its
// own two bytes) and the data.
struct Segment {
    uint8_t marker;
    const uint8_t* bytes;  // from the FF on; not owned
    size_t size;           // 2 + length
};

// Reads the segment at r's position, whose first two bytes the caller has looked at. False
// when the length is below 2 or its data is not all there.
bool TakeSegment(ByteReader* r, Segment* seg) {
    const uint8_t* start = r->Take(2);
    const uint16_t length = r->Be16();
    if (!r->ok() || length < 2) return false;
    r->Skip(length - 2u);
    if (!r->ok()) return false;
    seg->marker = start[1];
    seg->bytes = start;
    seg->size = size_t{length} + 2;
    return true;
}

// A camera directory says its byte order as "II" (little-endian) or "MM".
bool ByteOrderOf(const uint8_t* two, bool* big) {
    if (two[0] == 'I' && two[1] == 'I') {
        *big = false;
        return true;
    }
    if (two[0] == 'M' && two[1] == 'M') {
        *big = true;
        return true;
    }
    return false;
}

// Looks up a tag in the directory at dir_offset of dir (offsets count from the directory's
// base); true with the entry's value (an offset from the base) when present.
bool FindTag(ByteReader dir, uint32_t dir_offset, uint16_t tag, bool big, uint32_t* value) {
    dir.Seek(dir_offset);
    const uint16_t count = dir.U16(big);
    for (uint32_t i = 0; i < count && dir.ok(); ++i) {
        ByteReader entry = dir.Span(10);
        const uint16_t entry_tag = entry.U16(big);
        entry.Skip(4);  // type and count
        const uint32_t entry_value = entry.U32(big);
        if (entry.ok() && entry_tag == tag) {
            *value = entry_value;
            return true;
        }
    }
    return false;
}

// Where the value of tag stands in a camera APP0 segment (the whole segment, whose last four
// bytes give the directory's offset from base): its offset from the segment's first byte, when
// its `need` bytes are inside the segment.
bool FindTagValue(ByteReader segment, size_t base, bool big, uint16_t tag, size_t need,
                  size_t* at) {
    segment.Seek(segment.size() - 4);
    const uint32_t dir_offset = segment.U32(big);
    ByteReader dir = segment.From(base);
    uint32_t value;
    if (!segment.ok() || !FindTag(dir, dir_offset, tag, big, &value)) return false;
    dir.Seek(value);
    dir.Skip(need);
    if (!dir.ok()) return false;
    *at = base + value;
    return true;
}

}  // namespace

bool FindCameraSizePair(const uint8_t* seg, size_t size, size_t* pair_offset, bool* big_endian) {
    ByteReader r(seg, size);
    const uint16_t marker = r.Be16();
    const size_t total = size_t{r.Be16()} + 2;
    const uint8_t* order = r.Take(2);
    r.Skip(4);
    bool big;
    if (!r.ok() || marker != 0xFFE0 || total > size || total < 10 || !ByteOrderOf(order, &big))
        return false;
    // The directory's offsets count from after "HEAP" and "JPGM" and what follows them, from
    // after "HEAP" alone, or from byte 10.
    ByteReader segment(seg, total);
    segment.Seek(10);
    size_t base = 10;
    const uint8_t* name = segment.Peek(4);
    if (name && std::memcmp(name, "HEAP", 4) == 0) {
        segment.Skip(4);
        name = segment.Peek(4);
        base = name && std::memcmp(name, "JPGM", 4) == 0 ? 30 : 14;
    }
    if (!FindTagValue(ByteReader(seg, total), base, big, 0x1810, 8, pair_offset)) return false;
    *big_endian = big;
    return true;
}

int KeepCameraSegmentsFromBytes(const uint8_t* data, size_t n, KeptSegments* kept) {
    *kept = KeptSegments();
    // Walk the marker segments; only application segments are copied, every other segment
    // (tables, frame header, comments) is skipped whole so its bytes are never taken for a
    // marker.
    ByteReader r(data, n);
    while (const uint8_t* p = r.Peek(2)) {
        if (p[0] != 0xFF || p[1] == 0xFF || p[1] == 0x00) {
            r.Skip(1);
            continue;
        }
        if (IsStandalone(p[1])) {
            r.Skip(2);
            continue;
        }
        Segment seg;
        if (p[1] == 0xDA || !TakeSegment(&r, &seg)) break;
        if (seg.marker >= 0xE0 && seg.marker <= 0xEF && kept->count < kMaxKeptSegments)
            kept->segments[kept->count++].assign(seg.bytes, seg.bytes + seg.size);
    }
    for (int s = 0; s < kept->count; ++s) {
        const std::vector<uint8_t>& seg = kept->segments[s];
        size_t at;
        bool big;
        if (FindCameraSizePair(seg.data(), seg.size(), &at, &big)) {
            ByteReader pair = ByteReader(seg.data(), seg.size()).From(at);
            kept->recorded_width = pair.U32(big);
            kept->recorded_height = pair.U32(big);
        }
    }
    return 1;
}

namespace {

// Where the header part of a JPEG file of `length` bytes ends: after the first 4 bytes of its
// start-of-scan segment, or where the walk over the segments before it breaks off. Reads only
// the 4 bytes at the start of each segment.
uint64_t HeaderPartEnd(std::FILE* f, int64_t length) {
    uint8_t b[4];
    if (length < 2) return static_cast<uint64_t>(length);
    ByteReader start(b, std::fread(b, 1, 2, f));
    if (start.Be16() != 0xFFD8 || !start.ok()) return 2;
    uint64_t pos = 2;
    for (;;) {
        const size_t got =
            SeekStream(f, static_cast<int64_t>(pos), SEEK_SET) ? std::fread(b, 1, 4, f) : 0;
        ByteReader r(b, got);
        const uint8_t fill = r.U8();
        const uint8_t marker = r.U8();
        const uint16_t segment_length = r.Be16();
        if (!r.ok() || fill != 0xFF) return pos;
        if (marker == 0xDA) return pos + 4;
        if (segment_length < 2) return pos;
        pos += 2 + segment_length;
        if (pos > static_cast<uint64_t>(length)) return static_cast<uint64_t>(length);
    }
}

}  // namespace

int KeepCameraSegments(const std::string& path, KeptSegments* kept) {
    *kept = KeptSegments();
    ScopedFile f(OpenFileBinary(path, "rb"));
    if (!f) return 0;
    int64_t length = StreamLength(f.get());
    if (length < 0) return 0;
    // The header part: up to and including the first 4 bytes of the start-of-scan segment.
    const uint64_t header_end = HeaderPartEnd(f.get(), length);
    if (header_end > kMaxHeaderPart) return 0;
    ByteBlock part;
    if (header_end == 0) return KeepCameraSegmentsFromBytes(nullptr, 0, kept);
    if (!part.Allocate(static_cast<size_t>(header_end))) return 0;
    if (!SeekStream(f.get(), 0, SEEK_SET) ||
        std::fread(part.data(), 1, part.size(), f.get()) != part.size())
        return 0;
    return KeepCameraSegmentsFromBytes(part.data(), part.size(), kept);
}

bool RestoreCameraSegmentsInBuffer(const uint8_t* jpeg, size_t size, const KeptSegments& kept,
                                   uint32_t width, uint32_t height, ByteBlock* out) {
    out->Reset();
    ByteReader r(jpeg, size);
    if (r.Be16() != 0xFFD8 || !r.ok()) return false;
    // Find the header segments: the APP0 segments are left out, and the kept segments go where
    // the first one stood (right after the start marker when there is none).
    size_t insert_at = 2;
    bool have_app0 = false;
    size_t dropped = 0;
    for (;;) {
        const uint8_t* p = r.Peek(4);
        if (!p || p[0] != 0xFF) break;
        const uint8_t m = p[1];
        if (m == 0xDA || IsStandalone(m) || m == 0xFF || m == 0x00) break;
        ByteReader next = r;
        Segment seg;
        if (!TakeSegment(&next, &seg)) break;
        if (m == 0xE0) {
            if (!have_app0) insert_at = r.pos();
            have_app0 = true;
            dropped += seg.size;
        }
        r = next;
    }
    const size_t header_end = r.pos();
    size_t added = 0;
    for (int s = 0; s < kept.count; ++s) added += kept.segments[s].size();
    if (!out->Allocate(size - dropped + added)) return false;

    const bool turned = width != kept.recorded_width || height != kept.recorded_height;
    uint8_t* o = out->data();
    auto put = [&](const uint8_t* p, size_t n) {
        if (n) std::memcpy(o, p, n);
        o += n;
    };
    auto put_kept = [&]() {
        for (int s = 0; s < kept.count; ++s) {
            const std::vector<uint8_t>& seg = kept.segments[s];
            uint8_t* start = o;
            put(seg.data(), seg.size());
            size_t at;
            bool big;
            if (turned && FindCameraSizePair(seg.data(), seg.size(), &at, &big)) {
                Put32(start + at, kept.recorded_height, big);
                Put32(start + at + 4, kept.recorded_width, big);
            }
        }
    };
    put(jpeg, insert_at);
    put_kept();
    // The segments from the first APP0 on were all walked above.
    ByteReader header(jpeg, header_end);
    header.Seek(insert_at);
    Segment seg;
    while (header.left() > 0 && TakeSegment(&header, &seg))
        if (seg.marker != 0xE0) put(seg.bytes, seg.size);
    put(jpeg + header_end, size - header_end);
    return o == out->data() + out->size();
}

int RestoreCameraSegments(const std::string& path, const KeptSegments& kept, uint32_t width,
                          uint32_t height) {
    // A picture that kept nothing is left exactly as the encoder wrote it.
    if (kept.count == 0) return 1;
    ByteBlock file;
    {
        ScopedFile f(OpenFileBinary(path, "rb"));
        if (!f) return 0;
        int64_t length = StreamLength(f.get());
        if (length <= 0 || static_cast<uint64_t>(length) > ByteBlock::kMaxBlock) return 0;
        if (!file.Allocate(static_cast<size_t>(length))) return 0;
        if (std::fread(file.data(), 1, file.size(), f.get()) != file.size()) return 0;
    }
    ByteBlock out;
    if (!RestoreCameraSegmentsInBuffer(file.data(), file.size(), kept, width, height, &out))
        return 0;
    // The file was read whole and closed above; the new bytes replace it only when complete.
    PendingFile f;
    if (!f.Open(path) || !f.Write(out.data(), out.size())) return 0;
    return f.Commit() == CommitResult::kDone ? 1 : 0;
}

uint32_t ThumbnailSecondsFromBytes(const uint8_t* data, size_t n) {
    ByteReader r(data, n);
    // The file starts at its start-of-image marker, wherever that stands in the bytes.
    for (const uint8_t* p; (p = r.Peek(2)) && !(p[0] == 0xFF && p[1] == 0xD8);) r.Skip(1);
    // The camera's APP0 comes before the quantisation tables; bytes are looked at one by one.
    for (; const uint8_t* p = r.Peek(2); r.Skip(1)) {
        if (p[0] != 0xFF) continue;
        if (p[1] == 0xDB) return 0;
        if (p[1] != 0xE0) continue;
        // FF E0, the length, the byte order, 4 bytes, "HEAPJPGM".
        ByteReader head(p, r.left());
        head.Skip(2);
        const size_t total = size_t{head.Be16()} + 2;
        const uint8_t* order = head.Take(2);
        head.Skip(4);
        const uint8_t* names = head.Take(8);
        bool big;
        if (!head.ok() || !ByteOrderOf(order, &big) || std::memcmp(names, "HEAPJPGM", 8) != 0)
            continue;
        // Everything below stays inside both the segment and the bytes read.
        if (total > r.left() || total < 34) return 0;
        size_t at;
        if (!FindTagValue(ByteReader(p, total), 30, big, 0x180E, 4, &at)) return 0;
        return ByteReader(p, total).From(at).U32(big);
    }
    return 0;
}

CameraDate ThumbnailDateFromBytes(const uint8_t* data, size_t n) {
    CameraDate date;
    uint32_t seconds = ThumbnailSecondsFromBytes(data, n);
    if (seconds == 0) return date;
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
#ifdef _WIN32
    if (localtime_s(&tm, &t) != 0) return date;
#else
    if (!localtime_r(&t, &tm)) return date;
#endif
    date.year = tm.tm_year + 1900;
    date.month = tm.tm_mon + 1;
    date.day = tm.tm_mday;
    return date;
}

CameraDate ThumbnailDate(const std::string& path) {
    uint8_t buf[2048];
    ScopedFile f(OpenFileBinary(path, "rb"));
    if (!f) return CameraDate();
    size_t n = std::fread(buf, 1, sizeof buf, f.get());
    return ThumbnailDateFromBytes(buf, n);
}
