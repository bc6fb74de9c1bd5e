// The JPEG decode driver (file in, BMP out), and the header reader.
#include "codec/bmp_file.h"
#include "codec/jpeg_codec.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    const std::string& in = FuzzWriteInput(data, size);
    JpegHeaderInfo info;
    ReadJpegHeaderInfo(in, &info);
    JpegProgress progress;
    progress.meter = JpegMeter::kFull;
    int colors = size > 0 && (data[size - 1] & 1) ? 16 : 0;
    if (DecodeJpegFile(in, FuzzOutputPath(), colors, progress)) {
        DibImage d = LoadBmpFile(FuzzOutputPath());
        (void)d;
    }
    return 0;
}
