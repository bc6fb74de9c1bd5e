// One owned, zero-filled byte buffer. Allocation never throws: a failed or oversized request
// leaves the block empty, and the caller reports "Memory cannot be allocated.".
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

class ByteBlock {
public:
    ByteBlock() = default;
    ByteBlock(ByteBlock&&) = default;
    ByteBlock& operator=(ByteBlock&&) = default;
    ByteBlock(const ByteBlock&) = delete;
    ByteBlock& operator=(const ByteBlock&) = delete;

    // Replaces the contents with size zero bytes; false (and empty) when memory is short.
    bool Allocate(size_t size) {
        data_.reset();
        size_ = 0;
        if (size == 0 || size > kMaxBlock) return false;
        data_.reset(new (std::nothrow) uint8_t[size]());
        if (!data_) return false;
        size_ = size;
        return true;
    }
    void Reset() {
        data_.reset();
        size_ = 0;
    }

    uint8_t* data() { return data_.get(); }
    const uint8_t* data() const { return data_.get(); }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // No single block of ours is ever larger than this (pixels, files read whole).
    static constexpr size_t kMaxBlock = size_t{1} << 30;

private:
    std::unique_ptr<uint8_t[]> data_;
    size_t size_ = 0;
};

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
