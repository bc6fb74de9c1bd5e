// A 24-bit picture as PostScript code: the "image" operator over DeviceRGB samples, placed at
// x, y, width x height in the current user space, its samples run-length coded and then
// ASCII85 coded, as a PostScript printer driver sends a picture. The code is written in pieces
// of at most kPostScriptPieceMax bytes, so that a large picture never needs its whole code in
// memory and the pieces go to the printer in few large writes.
//
// The samples are given a row at a time in the order the header says: bottom row first (as a
// bottom-up DIB stores them) or top row first. Each row is width x 3 bytes in blue, green, red
// order, as a DIB holds them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t kPostScriptPieceMax = 65000;

// Where the pieces go; false stops the writing (every later call then fails).
using PostScriptSink = bool (*)(void* context, const char* data, size_t size);

struct PostScriptImage {
    PostScriptSink sink = nullptr;
    void* context = nullptr;
    // What follows is the writer's own state.
    bool ok = false;
    int width = 0;      // samples a row
    int rows_left = 0;  // rows still to come
    int column = 0;     // characters on the current output line
    std::vector<char> piece;
    size_t used = 0;            // characters in piece
    std::vector<uint8_t> rgb;   // one row in red, green, blue order
    std::vector<uint8_t> runs;  // its run-length code, after the bytes of the last group left
    size_t left = 0;            // those bytes (0..3) at the start of runs
};

// Starts a picture of width x height samples drawn into the rectangle x, y, place_width x
// place_height (user space, y growing downwards as on a printer's page). False when a size is
// not positive or the sink failed.
bool BeginPostScriptImage(PostScriptImage* image, int x, int y, int place_width, int place_height,
                          int width, int height, bool bottom_up);
// One row of width blue-green-red samples.
bool PutPostScriptImageRow(PostScriptImage* image, const uint8_t* bgr);
// Ends the samples and the picture's code; false when rows are missing or a write failed.
bool EndPostScriptImage(PostScriptImage* image);
