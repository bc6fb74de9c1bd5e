// The acquire host's reader of a module's property list: any bytes, every length checked.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "plugin/host/pipl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly the input's length, so that a read past its end is caught.
    std::vector<uint8_t> bytes(data, data + size);
    PiplInfo info;
    const PiplError e = ParsePipl(bytes.empty() ? nullptr : bytes.data(), bytes.size(), &info);
    if (!PiplErrorText(e)) __builtin_trap();
    if (e == PiplError::kNone && info.entry.empty()) __builtin_trap();
    return 0;
}
