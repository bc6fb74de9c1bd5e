// "ZekMeter": the percentage bar of the progress dialog. It keeps range, position and font in
// its three window words and paints the percentage twice, white on blue over the done part and
// black on the menu colour over the rest, so that the text changes colour where the bar ends.
#pragma once
#include <windows.h>

#include <cstdint>

constexpr char kMeterClass[] = "ZekMeter";
constexpr UINT kMeterSetRange = WM_USER;      // 1024
constexpr UINT kMeterGetRange = WM_USER + 1;  // 1025
constexpr UINT kMeterSetPos = WM_USER + 2;    // 1026
constexpr UINT kMeterGetPos = WM_USER + 3;    // 1027

// Window words (each LONG_PTR wide).
constexpr int kMeterWordRange = 0;
constexpr int kMeterWordPos = sizeof(LONG_PTR);
constexpr int kMeterWordFont = 2 * static_cast<int>(sizeof(LONG_PTR));

// Registers the class (global class, no background brush, arrow cursor); true when it is
// registered now or was already.
bool RegisterMeterClass(HINSTANCE instance);

// The class's window procedure.
WNDPROC MeterWindowProcedure();

// Paints a bar of the given client size into dc (what WM_PAINT and WM_PRINTCLIENT draw).
void PaintMeter(HDC dc, int width, int height, uint32_t range, uint32_t pos, HFONT font);
