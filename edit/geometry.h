// Picture geometry of the image window: quarter turns, resampling to a new size, the cut-out of
// a selection and the zoom steps. Each operation reads a DibImage and returns a new one, leaving
// its input alone; the window decides which to keep. They work on uncompressed 1-, 4-, 8- and
// 24-bit pictures with a 40-byte header (resampling by bilinear filter needs 24 bits; palette
// pictures are resampled by nearest neighbour and keep their palette).
//
// Failures are silent (the window stays as it was): an empty image comes back when the picture
// is of another kind, its rows are missing, the new size is beyond the picture limits of
// codec/dib.h or memory is short. The caller tells "another bit depth" apart with
// GeometryDepthSupported before it starts.
#pragma once
#include <cstdint>
#include <string>

#include "codec/dib.h"
#include "res/shell_ids.h"

// "This image is correspond to bits per pixel." is shown for any other depth.
extern const char* const kBitsNotSupportedText;

// True for the depths every geometry operation handles: 1, 4, 8 and 24 bits, uncompressed.
bool GeometryDepthSupported(const DibImage& dib);

// A quarter turn: clockwise when right, else counter-clockwise. Width and height exchange; the
// header (resolution, palette) is kept.
DibImage RotateDib(const DibImage& dib, bool right);

// The cumulative angle after a turn: 90 more (above 360 wraps to 90) for a right turn, 90 less
// (0 or below becomes 360 less) for a left one. A picture never turned has angle 0.
int NextRotation(int rotation, bool right);
// Last-turn values of the image window record.
enum LastTurn { kTurnNone = 0, kTurnRight = 1, kTurnLeft = 2 };

// Resampling to new_width x new_height: bilinear for 24 bits, nearest neighbour for 1, 4 and 8
// bits. The same size reproduces the picture exactly.
DibImage ResizeDib(const DibImage& dib, int32_t new_width, int32_t new_height);

// The Image Size dialog's sides.
constexpr int kMinNewSide = 32;
constexpr int kMaxNewSide = 1920;
// "Invalid new size value input.\nPlease input again.\n  (Selected Size)   min : 32, max : 1920"
extern const char* const kInvalidNewSizeText;
enum class NewSizeCheck {
    kEmpty,    // either field is empty: nothing happens
    kInvalid,  // a character other than a digit, or a side outside 32..1920: the message
    kOk,
};
// Checks the two fields as the dialog reads them (at most 50 characters each).
NewSizeCheck CheckNewSize(const std::string& width_text, const std::string& height_text, int* width,
                          int* height);

// A rectangle in picture pixels, top-down coordinates (y = 0 is the top row).
struct PixelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};
// The part of the picture a selection between two corner points cuts out at the given zoom
// (quarters): the corners clamped to the picture, ordered, and brought to whole display pixels.
// False when nothing is left (a selection narrower than one display pixel at 25 % or 50 %).
bool CutOutRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t width, int32_t height,
                int zoom, PixelRect* rect);
// A new picture of the rectangle (top-down coordinates, inside the picture); palette kept.
DibImage CutOutDib(const DibImage& dib, const PixelRect& rect);

// Zoom values in quarters (1 = 25 %, 2, 4 = 100 %, 8, 16 = 400 %) and the View commands
// IDM_ZOOM25 .. IDM_ZOOM400.
constexpr int kZoomActual = 4;
// 1, 2, 4, 8 or 16 for the View commands; 0 for any other.
int ZoomForCommand(int command);
// The command of a zoom; 0 for a value that is not a zoom step.
int CommandForZoom(int zoom);
bool IsZoomStep(int zoom);
// zoom x 100 / 4.
int ZoomPercent(int zoom);
// A side at the zoom: side x zoom / 4.
int64_t ZoomedSide(int64_t side, int zoom);
// The zoom a new window opens with: when the picture is wider or taller than the client area,
// 25 % when the larger ratio of picture to client exceeds 2, else 50 %; otherwise 100 %.
int InitialZoom(int64_t width, int64_t height, int64_t client_width, int64_t client_height);
