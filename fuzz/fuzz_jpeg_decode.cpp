// The JPEG decoder on bytes in memory (the decode the file driver runs), and the header reader
// of the file driver once in a while.
#include <vector>

#include "codec/jpeg_codec.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    // A copy of exactly the input's length, so that a read past its end is caught.
    std::vector<uint8_t> bytes(data, data + size);
    const int colors = size > 0 && (data[size - 1] & 1) ? 16 : 0;
    DibImage d = DecodeJpegBytes(bytes.data(), bytes.size(), colors);
    if (d && d.size() < 40) __builtin_trap();
    // The file path's own parts (opening, the header reader) on one input in sixteen.
    if (size > 1 && (data[size - 2] & 0x0F) == 0) {
        JpegHeaderInfo info;
        ReadJpegHeaderInfo(FuzzWriteInput(data, size), &info);
    }
    return 0;
}
