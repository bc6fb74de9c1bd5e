#include "fuzz_common.h"

#include <unistd.h>

#include <cstdio>

#include "base/platform.h"
#include "base/tempfile.h"
#include "codec/jpeg_codec.h"

namespace {
std::string g_input, g_output;

void RemoveScratch() {
    std::remove(g_input.c_str());
    std::remove(g_output.c_str());
}
}  // namespace

void FuzzSetUp() {
    static bool done = false;
    if (done) return;
    done = true;
    // Small pictures keep every run fast; the limits themselves are tested elsewhere.
    CodecJpegLimits().max_pixel_bytes = 4u << 20;
    CodecJpegLimits().max_scans = 50;
    CodecJpegLimits().max_library_memory = 64L << 20;
    std::string dir = TempFolder();
    g_input = dir + "vistrel-fuzz-in-" + std::to_string(getpid());
    g_output = dir + "vistrel-fuzz-out-" + std::to_string(getpid());
    std::atexit(RemoveScratch);
}

const std::string& FuzzWriteInput(const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(g_input.c_str(), "wb");
    if (f) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return g_input;
}

const std::string& FuzzOutputPath() {
    return g_output;
}
