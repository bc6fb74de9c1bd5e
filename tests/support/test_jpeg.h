// The in-memory JPEG pictures of the tests and of the fuzz seeds, made with the JPEG library
// from our own pixels (never copied from elsewhere), and the camera's APP0 directory that
// camera files carry. No test framework here, so the seed maker links it too.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

struct Rgb {
    uint8_t r, g, b;
};
// The colour of pixel (x, y). MakeJpeg asks for every pixel once, row by row from the top and
// left to right, so a function may keep state (a noise generator) from one pixel to the next.
using PixelFn = std::function<Rgb(int x, int y)>;
// A smooth, textured test picture.
Rgb TestPattern(int x, int y);

struct JpegSpec {
    int width = 64;
    int height = 48;
    int components = 3;  // 1 (the pixel's green is the grey) or 3
    int quality = 90;
    int h0 = 2, v0 = 1;  // luminance sampling; chrominance is 1x1
    bool jfif = true;
    bool progressive = false;
    int density_unit = 0;
    int x_density = 1, y_density = 1;
    // Segments written after the start: (marker, data).
    std::vector<std::pair<int, std::vector<uint8_t>>> markers;
    PixelFn pixel = TestPattern;
};
std::vector<uint8_t> MakeJpeg(const JpegSpec& spec);

// The data of a camera APP0 segment (after marker and length): byte order "II" or "MM",
// "HEAP"/"JPGM", a directory with the size pair (tag 0x1810) and the time (tag 0x180E).
std::vector<uint8_t> CameraApp0Data(bool big_endian, uint32_t width, uint32_t height,
                                    uint32_t seconds);
// Offsets inside the whole segment (from its marker) of the width and of the seconds.
constexpr size_t kCameraPairOffset = 30 + 22;
constexpr size_t kCameraSecondsOffset = 30 + 30;
