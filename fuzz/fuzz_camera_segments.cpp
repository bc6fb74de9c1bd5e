// Keeping the application segments of a file, and putting them back into a JPEG.
#include <cstring>

#include "codec/camera_segments.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    KeptSegments kept;
    KeepCameraSegmentsFromBytes(data, size, &kept);
    KeptSegments from_file;
    KeepCameraSegments(FuzzWriteInput(data, size), &from_file);
    for (int i = 0; i < kept.count; ++i) {
        size_t at;
        bool big;
        FindCameraSizePair(kept.segments[i].data(), kept.segments[i].size(), &at, &big);
    }
    // Restore the segments into the input itself (a hostile "encoder output").
    ByteBlock out;
    RestoreCameraSegmentsInBuffer(data, size, from_file, 1, 2, &out);
    RestoreCameraSegmentsInBuffer(data, size, from_file, from_file.recorded_width,
                                  from_file.recorded_height, &out);
    return 0;
}
