// Image adjustment: brightness, contrast, saturation and sharpness of a 24-bit picture, set by
// hand or derived from the picture. The work happens on a luminance plane Y (0..255) and two
// signed colour-difference planes Cr and Cb; every tone change goes through one 256-entry table,
// so the live preview costs one look-up per pixel. The preview is the picture decimated to at
// most 236 pixels on its longer side; the analysis of it chooses the black and white points
// that the automatic values and the contrast slider start from.
//
// Nothing here shows a message: a picture of another kind or a failed allocation gives an
// empty result, and the dialog leaves the picture as it was.
#pragma once
#include <cstdint>

#include "base/byte_block.h"
#include "codec/dib.h"

// "This image is not full color." (any picture but 24 bits).
extern const char* const kNotFullColorText;

// Slider ranges.
constexpr int kAdjustMin = -100;
constexpr int kAdjustMax = 100;
constexpr int kSharpnessMin = 0;
constexpr int kSharpnessMax = 100;

// The luminance and colour-difference planes of a picture, rows in the picture's order
// (bottom-up), one byte per pixel each; cr and cb hold signed bytes.
struct YccPlanes {
    int32_t width = 0;
    int32_t height = 0;
    ByteBlock y;
    ByteBlock cr;
    ByteBlock cb;
};
// Fills the planes from a plain 24-bit picture; false for another picture or short memory.
bool MakeYccPlanes(const DibImage& dib, YccPlanes* planes);

struct AdjustValues {
    int brightness = 0;  // -100..100
    int contrast = 0;    // -100..100
    int saturation = 0;  // -100..100
    int sharpness = 0;   // 0..100
};

// The parameters the processing runs with.
struct AdjustParams {
    int lo = 0;              // black level of the tone table
    double k = 1;            // stretch factor
    double t = 1;            // brightness factor
    double sigma = 1;        // saturation factor
    double eta = 0;          // sharpening factor
    uint8_t tone[256] = {};  // the tone table
};

// One opening of the dialog.
struct AdjustState {
    AdjustValues values;
    int low = 0;     // black point of the analysed preview
    int high = 255;  // white point
    AdjustParams params;
    bool analysed = false;
    bool changed = false;  // something to apply on OK
    bool dirty = true;     // the values changed since the last automatic computation
    YccPlanes preview;     // the analysed preview's planes
};

// Resets the state to the dialog's start: values 0, identity parameters, flags cleared.
void ResetAdjustState(AdjustState* state);

// The preview's decimation step for a picture: floor(m / 158 + 0.5) for m >= 80, else 1, with m
// the longer side.
int PreviewStep(int32_t width, int32_t height);
// The preview: ceil(width / d) x ceil(height / d) pixels, each the first pixel of its d x d
// block (rows counted from the bottom). Empty for another picture than a plain 24-bit one.
DibImage MakeAdjustPreview(const DibImage& dib);

// Planes, histogram, black and white points of the preview. False when the planes cannot be
// made (the state then stays unanalysed).
bool AnalysePicture(AdjustState* state, const DibImage& preview);
// The four values and the parameters derived from the analysis. False when nothing was
// analysed.
bool ComputeAutomatic(AdjustState* state);
// The parameters from the four values (each limited to its range).
void ComputeManual(AdjustState* state, int brightness, int contrast, int saturation, int sharpness);
// The tone table for black level lo, stretch k and brightness t.
void BuildToneTable(int lo, double k, double t, uint8_t table[256]);
// The processed picture; the source is left alone. Empty for another picture than a plain
// 24-bit one, or when memory is short.
DibImage ApplyAdjustment(const AdjustParams& params, const DibImage& source);

// What a slider reports; the values are those of the scroll codes of the platform.
enum SliderAction {
    kSliderLineLeft = 0,
    kSliderLineRight = 1,
    kSliderPageLeft = 2,
    kSliderPageRight = 3,
    kSliderThumbPosition = 4,
    kSliderThumbTrack = 5,
};
// The slider's new value after an action; thumb_raw is the low 16 bits of the thumb position,
// read signed when lo < 0. Any other action leaves the value. The result stays in lo..hi.
int SliderValueAfter(int value, int action, uint32_t thumb_raw, int lo, int hi);

// Where a preview of pw x ph pixels is drawn in a frame of client size fw x fh.
struct PreviewPlace {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
PreviewPlace PlacePreview(int pw, int ph, int fw, int fh);
