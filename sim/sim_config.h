// What a simulated camera is made with; kept apart so that the camera core and the driver can
// both name it.
#pragma once
#include <cstdint>
#include <string>

struct SimConfig {
    int model = 2;                     // 1, 2 or 3
    int images = 12;                   // generated images (ignored when dir is set)
    std::string dir;                   // serve the JPEG files of this folder instead
    uint32_t memory_limit = 8u << 20;  // total image bytes the camera can hold
    uint32_t seed = 1;                 // seed of the generated picture content
};
