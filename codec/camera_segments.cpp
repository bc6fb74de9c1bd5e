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

uint16_t Get16(const uint8_t* p, bool big) {
    return big ? GetBe16(p) : GetLe16(p);
}
uint32_t Get32(const uint8_t* p, bool big) {
    return big ? GetBe32(p) : GetLe32(p);
}
void Put32(uint8_t* p, uint32_t v, bool big) {
    if (big)
        PutBe32(p, v);
    else
        PutLe32(p, v);
}

// A bounded view of one camera directory inside [begin, end) of a buffer.
struct Directory {
    const uint8_t* data;
    size_t end;   // first byte past the area that may be read
    size_t base;  // offsets are relative to this
    bool big;
};

// Looks up a tag; true with the entry's value (an offset from the base) when present.
bool FindTag(const Directory& d, uint32_t dir_offset, uint16_t tag, uint32_t* value) {
    uint64_t at = uint64_t{d.base} + dir_offset;
    if (at + 2 > d.end) return false;
    uint32_t n = Get16(d.data + at, d.big);
    at += 2;
    for (uint32_t i = 0; i < n; ++i, at += 10) {
        if (at + 10 > d.end) return false;
        if (Get16(d.data + at, d.big) == tag) {
            *value = Get32(d.data + at + 6, d.big);
            return true;
        }
    }
    return false;
}

}  // namespace

bool FindCameraSizePair(const uint8_t* seg, size_t size, size_t* pair_offset, bool* big_endian) {
    if (size < 10 || seg[0] != 0xFF || seg[1] != 0xE0) return false;
    size_t total = size_t{GetBe16(seg + 2)} + 2;
    if (total > size || total < 10) return false;
    bool big;
    if (seg[4] == 'I' && seg[5] == 'I')
        big = false;
    else if (seg[4] == 'M' && seg[5] == 'M')
        big = true;
    else
        return false;
    size_t base = 10;
    if (total >= 14 && std::memcmp(seg + 10, "HEAP", 4) == 0)
        base = (total >= 18 && std::memcmp(seg + 14, "JPGM", 4) == 0) ? 30 : 14;
    Directory d{seg, total, base, big};
    uint32_t dir_offset = Get32(seg + total - 4, big);
    uint32_t value;
    if (!FindTag(d, dir_offset, 0x1810, &value)) return false;
    uint64_t at = uint64_t{base} + value;
    if (at + 8 > total) return false;
    *pair_offset = static_cast<size_t>(at);
    *big_endian = big;
    return true;
}

int KeepCameraSegmentsFromBytes(const uint8_t* data, size_t n, KeptSegments* kept) {
    *kept = KeptSegments();
    // Walk the marker segments; only application segments are copied, every other segment
    // (tables, frame header, comments) is skipped whole so its bytes are never taken for a
    // marker.
    size_t i = 0;
    while (i + 1 < n) {
        if (data[i] != 0xFF) {
            ++i;
            continue;
        }
        uint8_t m = data[i + 1];
        if (m == 0xFF || m == 0x00) {
            ++i;
            continue;
        }
        if (IsStandalone(m)) {
            i += 2;
            continue;
        }
        if (m == 0xDA || i + 4 > n) break;
        size_t len = GetBe16(data + i + 2);
        if (len < 2 || i + 2 + len > n) break;
        if (m >= 0xE0 && m <= 0xEF && kept->count < kMaxKeptSegments)
            kept->segments[kept->count++].assign(data + i, data + i + 2 + len);
        i += 2 + len;
    }
    for (int s = 0; s < kept->count; ++s) {
        const std::vector<uint8_t>& seg = kept->segments[s];
        size_t at;
        bool big;
        if (FindCameraSizePair(seg.data(), seg.size(), &at, &big)) {
            kept->recorded_width = Get32(seg.data() + at, big);
            kept->recorded_height = Get32(seg.data() + at + 4, big);
        }
    }
    return 1;
}

int KeepCameraSegments(const std::string& path, KeptSegments* kept) {
    *kept = KeptSegments();
    ScopedFile f(OpenFileBinary(path, "rb"));
    if (!f) return 0;
    int64_t length = StreamLength(f.get());
    if (length < 0) return 0;
    // The header part: up to and including the first 4 bytes of the start-of-scan segment.
    uint64_t header_end = length < 2 ? static_cast<uint64_t>(length) : 2;
    uint8_t b[4];
    if (length >= 2 && std::fread(b, 1, 2, f.get()) == 2 && b[0] == 0xFF && b[1] == 0xD8) {
        uint64_t pos = 2;
        for (;;) {
            if (!SeekStream(f.get(), static_cast<int64_t>(pos), SEEK_SET) ||
                std::fread(b, 1, 4, f.get()) != 4 || b[0] != 0xFF) {
                header_end = pos;
                break;
            }
            if (b[1] == 0xDA) {
                header_end = pos + 4;
                break;
            }
            uint32_t len = GetBe16(b + 2);
            if (len < 2) {
                header_end = pos;
                break;
            }
            pos += 2 + len;
            if (pos > static_cast<uint64_t>(length)) {
                header_end = static_cast<uint64_t>(length);
                break;
            }
        }
    }
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
    if (size < 2 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return false;
    // Find the header segments: the APP0 segments are left out, and the kept segments go where
    // the first one stood (right after the start marker when there is none).
    size_t pos = 2;
    size_t insert_at = 2;
    bool have_app0 = false;
    size_t dropped = 0;
    while (pos + 4 <= size && jpeg[pos] == 0xFF) {
        uint8_t m = jpeg[pos + 1];
        if (m == 0xDA || IsStandalone(m) || m == 0xFF || m == 0x00) break;
        size_t len = GetBe16(jpeg + pos + 2);
        if (len < 2 || pos + 2 + len > size) break;
        if (m == 0xE0) {
            if (!have_app0) insert_at = pos;
            have_app0 = true;
            dropped += 2 + len;
        }
        pos += 2 + len;
    }
    const size_t header_end = pos;
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
    for (size_t p = insert_at; p < header_end;) {
        size_t len = size_t{GetBe16(jpeg + p + 2)} + 2;
        if (jpeg[p + 1] != 0xE0) put(jpeg + p, len);
        p += len;
    }
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
    size_t start = 0;
    while (start + 1 < n && !(data[start] == 0xFF && data[start + 1] == 0xD8)) ++start;
    if (start + 1 >= n) return 0;
    for (size_t p = start; p + 1 < n; ++p) {
        if (data[p] != 0xFF) continue;
        if (data[p + 1] == 0xDB) return 0;
        if (data[p + 1] != 0xE0 || p + 18 > n) continue;
        bool big;
        if (data[p + 4] == 'I' && data[p + 5] == 'I')
            big = false;
        else if (data[p + 4] == 'M' && data[p + 5] == 'M')
            big = true;
        else
            continue;
        if (std::memcmp(data + p + 10, "HEAP", 4) != 0 ||
            std::memcmp(data + p + 14, "JPGM", 4) != 0)
            continue;
        // Everything below stays inside both the segment and the bytes read.
        size_t seg_end = p + 2 + GetBe16(data + p + 2);
        if (seg_end > n) seg_end = n;
        if (p + 2 + GetBe16(data + p + 2) > n || seg_end < p + 30 + 4) return 0;
        Directory d{data, seg_end, p + 30, big};
        uint32_t dir_offset = Get32(data + seg_end - 4, big);
        uint32_t value;
        if (!FindTag(d, dir_offset, 0x180E, &value)) return 0;
        uint64_t at = uint64_t{d.base} + value;
        if (at + 4 > seg_end) return 0;
        return Get32(data + at, big);
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
