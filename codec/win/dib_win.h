// The GDI side of DibImage: palettes, drawing, reading device-dependent bitmaps back, and the
// display's colour capability. Windows only.
#pragma once
#include <windows.h>

#include "base/win/win_handles.h"
#include "codec/dib.h"

// A logical palette (version 0x300) of the picture's colours; none for a picture without a
// palette. No memory: "Memory cannot be allocated.".
ScopedPalette MakeDibPalette(const DibImage& dib);

// Draws the picture with StretchDIBits (colour-on-colour stretching, SRCCOPY). The caller
// selects and realises the palette first. Returns false for a block whose rows are missing.
bool DrawDib(HDC dc, const DibImage& dib, const RECT& dst, const RECT& src);

// Reads a device-dependent bitmap back into a new DibImage through the screen's device
// context. bit_count 0 means the bitmap's own depth (rounded up to 1, 4, 8 or 24).
DibImage DibFromBitmap(HBITMAP bitmap, HPALETTE palette, int compression, int bit_count);

// ConvertForSave with the bitmap the window made from the picture (for the conversions that
// need the display driver).
int ConvertForSave(const DibImage& dib, HBITMAP bitmap, HPALETTE palette, int compression,
                   int bit_count, DibImage* out);

// The display's colour capability, computed once per run: 0 without a palette device, else
// 2, 16 or 256 by its bits per pixel (0 above 8).
int DisplayColorCapability();
int ColorCapabilityFrom(bool palette_device, int bits_per_pixel);

// The block to draw from: ReduceTo256 of a 24-bit picture on a 256-colour display, else an
// empty image meaning the input itself.
DibImage ReduceForDisplay(HWND window, const DibImage& dib);
