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
