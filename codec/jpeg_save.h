// Saving a picture as a JPEG file, the one way the program's image windows and the command line
// both do it: a picture below 8 bits is widened first (the encoder takes 8 and 24 bits), the
// encoder takes the picture from memory, its output is written under a temporary name beside the
// target, the kept camera segments go back in, and only then does the file take the target's
// place, so a failure never costs the user the file that was there.
#pragma once
#include <string>

#include "codec/camera_segments.h"
#include "codec/dib.h"

// The encoder a save runs: picture to JPEG file at a quality, 1 or 0 after its message. The
// program runs it under its progress dialog; context is the caller's.
struct JpegSaveEncoder {
    int (*encode)(const DibImage& picture, const std::string& jpeg_path, int quality,
                  void* context) = nullptr;
    void* context = nullptr;
};

// Saves dib at path with the given quality and the save sampling; segments (may be null or
// empty) are restored with the picture's own width and height; encoder null: the plain encoder
// without progress. Returns 1, or 0 after the failure's message ("File cannot be opened.", "It
// failed in the creating JPEG.", the writer's own).
int SaveDibAsJpeg(const DibImage& dib, const std::string& path, int quality,
                  const KeptSegments* segments, const JpegSaveEncoder* encoder = nullptr);
