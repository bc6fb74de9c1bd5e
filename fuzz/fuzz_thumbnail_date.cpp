// The date of a thumbnail: only the first 2048 bytes are looked at.
#include <vector>

#include "codec/camera_segments.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    // An exact-size copy so that ASan sees any read past the bytes.
    std::vector<uint8_t> copy(data, data + (size < 2048 ? size : 2048));
    ThumbnailDateFromBytes(copy.data(), copy.size());
    ThumbnailDate(FuzzWriteInput(data, size));
    return 0;
}
