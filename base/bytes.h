// Byte order helpers and the bounds-checked reader that every parser of outside bytes (BMP
// headers, JPEG segments, thumbnail dates, camera replies) reads through. A read past the end
// gives 0 and sets a sticky failure flag, so a parser reads a whole structure and asks once:
//     ByteReader r(data, size);
//     uint32_t n = r.Be32();
//     if (!r.ok()) return error;
// A structure inside a structure (a segment with its own length, a directory whose offsets
// count from its own start) is read through a reader of its own span (Span, From), so a
// length field that lies can never carry a read past the bytes it claims.
#pragma once
#include <cstddef>
#include <cstdint>

inline uint16_t GetLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t GetLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint16_t GetBe16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
inline uint32_t GetBe32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
inline void PutBe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
inline void PutLe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
inline void PutBe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}

    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    size_t size() const { return size_; }
    size_t left() const { return ok_ ? size_ - pos_ : 0; }

    // The next n bytes without moving on, or nullptr when there are not that many. Never sets
    // the failure flag: for a parser that looks ahead before it decides what to read.
    const uint8_t* Peek(size_t n) const {
        if (!ok_ || n > size_ - pos_) return nullptr;
        return data_ + pos_;
    }

    // Whether n more bytes are there; false sets the failure flag.
    bool Has(size_t n) {
        if (ok_ && n <= size_ - pos_) return true;
        ok_ = false;
        return false;
    }
    // The next n bytes, or nullptr (and failure) when there are not that many.
    const uint8_t* Take(size_t n) {
        if (!Has(n)) return nullptr;
        const uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }
    void Skip(size_t n) { Take(n); }
    // Moves to an absolute offset (at most the end).
    void Seek(size_t offset) {
        if (offset > size_) ok_ = false;
        if (ok_) pos_ = offset;
    }
    uint8_t U8() {
        const uint8_t* p = Take(1);
        return p ? p[0] : 0;
    }
    uint16_t Le16() {
        const uint8_t* p = Take(2);
        return p ? GetLe16(p) : 0;
    }
    uint32_t Le32() {
        const uint8_t* p = Take(4);
        return p ? GetLe32(p) : 0;
    }
    uint16_t Be16() {
        const uint8_t* p = Take(2);
        return p ? GetBe16(p) : 0;
    }
    uint32_t Be32() {
        const uint8_t* p = Take(4);
        return p ? GetBe32(p) : 0;
    }
    // For structures that say their own byte order.
    uint16_t U16(bool big_endian) { return big_endian ? Be16() : Le16(); }
    uint32_t U32(bool big_endian) { return big_endian ? Be32() : Le32(); }

    // The next n bytes as a reader of their own, and this one moves past them. When they are
    // not there, both are failed.
    ByteReader Span(size_t n) {
        if (!Has(n)) return Failed();
        ByteReader span(data_ + pos_, n);
        pos_ += n;
        return span;
    }
    // A reader of the bytes from offset to the end (offsets in it count from there); failed
    // when offset is past the end. Leaves this one as it is.
    ByteReader From(size_t offset) const {
        if (!ok_ || offset > size_) return Failed();
        return ByteReader(data_ + offset, size_ - offset);
    }

private:
    static ByteReader Failed() {
        ByteReader r(nullptr, 0);
        r.ok_ = false;
        return r;
    }

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};
