#include "browser/win/meter.h"

#include <string>

#include "base/win/win_handles.h"
#include "browser/meter_layout.h"

namespace {

uint32_t Word(HWND hwnd, int offset) {
    return static_cast<uint32_t>(GetWindowLongPtrA(hwnd, offset));
}

void RepaintNow(HWND hwnd) {
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
}

void PaintInto(HWND hwnd, HDC dc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    PaintMeter(dc, rc.right, rc.bottom, Word(hwnd, kMeterWordRange), Word(hwnd, kMeterWordPos),
               reinterpret_cast<HFONT>(GetWindowLongPtrA(hwnd, kMeterWordFont)));
}

LRESULT CALLBACK MeterProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CREATE:
            SetWindowLongPtrA(hwnd, kMeterWordRange, 100);
            SetWindowLongPtrA(hwnd, kMeterWordPos, 0);
            return 0;
        case kMeterSetRange:
            SetWindowLongPtrA(hwnd, kMeterWordRange,
                              static_cast<LONG_PTR>(static_cast<uint32_t>(wp)));
            RepaintNow(hwnd);
            return 0;
        case kMeterGetRange:
            return Word(hwnd, kMeterWordRange);
        case kMeterSetPos:
            SetWindowLongPtrA(hwnd, kMeterWordPos,
                              static_cast<LONG_PTR>(static_cast<uint32_t>(wp)));
            RepaintNow(hwnd);
            return 0;
        case kMeterGetPos:
            return Word(hwnd, kMeterWordPos);
        case WM_SETFONT:
            SetWindowLongPtrA(hwnd, kMeterWordFont, static_cast<LONG_PTR>(wp));
            if (LOWORD(lp)) RepaintNow(hwnd);
            return 0;
        case WM_GETFONT:
            return GetWindowLongPtrA(hwnd, kMeterWordFont);
        case WM_GETDLGCODE:
            return DLGC_STATIC;
        case WM_ENABLE:
            RepaintNow(hwnd);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers the whole client area
        case WM_PAINT: {
            ScopedPaint paint(hwnd);
            PaintInto(hwnd, paint.dc());
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintInto(hwnd, reinterpret_cast<HDC>(wp));
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

}  // namespace

bool RegisterMeterClass(HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS;
    wc.lpfnWndProc = MeterProc;
    wc.cbWndExtra = 3 * sizeof(LONG_PTR);
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kMeterClass;
    return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void PaintMeter(HDC dc, int width, int height, uint32_t range, uint32_t pos, HFONT font) {
    MeterLayout layout = ComputeMeterLayout(range, pos, width);
    std::string text = MeterText(layout);
    ScopedSelect select_font(dc, font);
    SIZE x_size{};
    GetTextExtentPoint32A(dc, "X", 1, &x_size);
    int top = (height - x_size.cy) / 2;
    UINT old_align = SetTextAlign(dc, TA_CENTER | TA_TOP);

    RECT done{0, 0, layout.split, height};
    SetBkColor(dc, RGB(0, 0, 255));
    SetTextColor(dc, RGB(255, 255, 255));
    ExtTextOutA(dc, width / 2, top, ETO_CLIPPED | ETO_OPAQUE, &done, text.c_str(),
                static_cast<UINT>(text.size()), nullptr);

    RECT rest{layout.split, 0, width, height};
    SetBkColor(dc, GetSysColor(COLOR_MENU));
    SetTextColor(dc, RGB(0, 0, 0));
    ExtTextOutA(dc, width / 2, top, ETO_CLIPPED | ETO_OPAQUE, &rest, text.c_str(),
                static_cast<UINT>(text.size()), nullptr);
    SetTextAlign(dc, old_align);
}

WNDPROC MeterWindowProcedure() {
    return MeterProc;
}
