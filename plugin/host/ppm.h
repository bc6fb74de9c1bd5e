// Pictures the host received, as PPM files (binary "P6" for three planes, "P5" for one): the
// simplest lossless form that every image tool reads. Written through PendingFile, so a
// failure never leaves part of a file under the target's name.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// "acquire-001.ppm" ... in out_dir (empty: no folder; a separator is added when missing).
std::string AcquiredFileName(const std::string& out_dir, int number);

// The file's bytes: header, then rows top first with the planes' bytes of each pixel
// interleaved. Empty when the sizes do not fit the planes (or there are not 1 or 3).
std::vector<uint8_t> PpmBytes(int rows, int columns, const std::vector<uint8_t>* planes,
                              int plane_count);

// Writes PpmBytes to path under a temporary name and renames it; false on any failure (and
// the target is then as it was).
bool WritePpmFile(const std::string& path, int rows, int columns,
                  const std::vector<uint8_t>* planes, int plane_count);
