// Pictures of the simulated camera: synthetic JPEG images and thumbnails made with libjpeg,
// each carrying the camera's own APP0 segment (the "II"/"HEAP"/"JPGM" directory with the
// picture's date and size), and the loading of real JPEG files from a folder.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sim/sim_camera.h"

constexpr int kSimThumbWidth = 80;
constexpr int kSimThumbHeight = 60;
// Largest file the camera takes from a folder or an upload.
constexpr uint32_t kSimMaxFileBytes = 32u << 20;

// Directory tags of the camera's APP0 segment.
constexpr uint16_t kSimTagModel = 0x1804;
constexpr uint16_t kSimTagDate = 0x180E;
constexpr uint16_t kSimTagSize = 0x1810;

// Seconds since 1970-01-01 00:00 (no time zone) of a clock reading.
uint32_t SimSecondsOf(const SimClock& c);

// The whole APP0 segment, marker included, little-endian directory based at offset 30.
std::vector<uint8_t> SimCameraApp0(int model, uint32_t seconds, uint32_t width, uint32_t height);

// Encodes packed RGB rows with the given luminance sampling and no JFIF header, then writes the
// segment given (from its marker on). False when libjpeg fails.
bool SimEncodeJpeg(const uint8_t* rgb, int width, int height, int quality, int h_samp, int v_samp,
                   const std::vector<uint8_t>& app0, std::vector<uint8_t>* out);

// Decodes a JPEG at one eighth of its size into packed RGB. False for anything libjpeg refuses
// or a picture beyond the camera's sizes.
bool SimDecodeEighth(const std::vector<uint8_t>& jpeg, int* width, int* height,
                     std::vector<uint8_t>* rgb);

// One generated image of the model, numbered from 1, with its thumbnail; content from the seed.
SimStoredImage SimGenerateImage(int model, int number, uint32_t seed, uint32_t seconds);

// A camera thumbnail made from a JPEG; false (and nothing written) when it cannot be decoded.
bool SimThumbnailOf(const std::vector<uint8_t>& jpeg, int model, uint32_t seconds,
                    std::vector<uint8_t>* thumbnail);

// The *.jpg and *.jpeg files of a folder in name order, each starting with FF D8 and at most
// kSimMaxFileBytes long; others are skipped. False when the folder cannot be read.
// The date of a picture's camera segment as SimCameraApp0 writes it; 0 when it has none.
uint32_t SimDateOfJpeg(const std::vector<uint8_t>& jpeg);
// Each picture's date is its own camera segment's, else the file's modification time (as
// SimSaveCard leaves it), else seconds.
bool SimLoadFolder(const std::string& dir, int model, uint32_t seconds,
                   std::vector<SimStoredImage>* images);
