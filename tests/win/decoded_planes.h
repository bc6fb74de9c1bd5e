// What an acquire host should receive for a camera JPEG: the picture decoded as the module
// decodes it (through a BMP file), as three planes of rows x columns bytes, red first, top row
// first.
#pragma once
#include <cstdint>
#include <vector>

bool DecodedPlanes(const std::vector<uint8_t>& jpeg, int* rows, int* columns,
                   std::vector<uint8_t> planes[3]);

// The same for image `number` of the simulator's model-2 camera holding `images` images (the
// camera `vistrel-camsim --model 2 --images N` serves).
bool SimImagePlanes(int images, int number, int* rows, int* columns,
                    std::vector<uint8_t> planes[3]);
