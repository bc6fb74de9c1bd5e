// The acquire host's descriptor text (the files it plays back): any text is read or refused
// with a line number, and what it reads writes out as a text that reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "plugin/host/descriptors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Descriptor d;
    int bad_line = 0;
    std::string why;
    if (!ParseDescriptorText(text, &d, &bad_line, &why)) {
        if (bad_line < 1 || why.empty()) __builtin_trap();
        return 0;
    }
    const std::string written = DescriptorText(d);
    Descriptor again;
    if (!ParseDescriptorText(written, &again, &bad_line, &why)) __builtin_trap();
    if (DescriptorText(again) != written) __builtin_trap();
    return 0;
}
