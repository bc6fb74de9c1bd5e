// BMP loader, then every conversion that walks the rows of what it loaded.
#include "codec/bmp_file.h"
#include "codec/reduce.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    DibImage d = LoadBmpFile(FuzzWriteInput(data, size));
    if (!d) return 0;
    // Keep the work per input small.
    if (d.size() > (8u << 20)) return 0;
    DibImage e = ExpandTo24(d);
    DibImage r = ReduceTo256(e ? e : d);
    DibImage c = CubeDither(e ? e : d);
    DibImage out;
    ConvertForSave(d, 0, 24, nullptr, &out);
    ConvertForSave(d, 0, 8, nullptr, &out);
    SaveBmpFile(FuzzOutputPath(), r ? r : d);
    return 0;
}
