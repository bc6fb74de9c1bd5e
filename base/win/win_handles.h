// Owners of Win32 handles and GDI objects: one owner each, copying deleted, released on every
// path out. Handles that the system owns (stock objects, dialog controls) are never put in here.
#pragma once
#include <windows.h>

#include <utility>

template <typename H, BOOL(WINAPI* Release)(H)>
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(H h) : h_(h) {}
    ~ScopedHandle() { reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& o) noexcept : h_(std::exchange(o.h_, H())) {}
    ScopedHandle& operator=(ScopedHandle&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, H());
        }
        return *this;
    }
    H get() const { return h_; }
    explicit operator bool() const { return h_ != H(); }
    void reset(H h = H()) {
        if (h_) Release(h_);
        h_ = h;
    }
    H release() { return std::exchange(h_, H()); }

private:
    H h_ = H();
};

inline BOOL WINAPI DeleteGdiObject(HGDIOBJ h) {
    return DeleteObject(h);
}
inline BOOL WINAPI DeletePalette(HPALETTE h) {
    return DeleteObject(h);
}
inline BOOL WINAPI DeleteBitmap(HBITMAP h) {
    return DeleteObject(h);
}
inline BOOL WINAPI DeleteBrush(HBRUSH h) {
    return DeleteObject(h);
}
inline BOOL WINAPI DeleteFont(HFONT h) {
    return DeleteObject(h);
}

using ScopedPalette = ScopedHandle<HPALETTE, DeletePalette>;
using ScopedBitmap = ScopedHandle<HBITMAP, DeleteBitmap>;
using ScopedBrush = ScopedHandle<HBRUSH, DeleteBrush>;
using ScopedFont = ScopedHandle<HFONT, DeleteFont>;
using ScopedMemoryDC = ScopedHandle<HDC, DeleteDC>;
using ScopedMenu = ScopedHandle<HMENU, DestroyMenu>;
using ScopedKernelHandle = ScopedHandle<HANDLE, CloseHandle>;

// Selects an object into a device context and puts the previous one back.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
    ~ScopedSelect() {
        if (old_) SelectObject(dc_, old_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Selects a palette (in the background or not) and puts the previous one back.
class ScopedSelectPalette {
public:
    ScopedSelectPalette(HDC dc, HPALETTE pal, BOOL background)
        : dc_(dc), old_(pal ? SelectPalette(dc, pal, background) : nullptr) {}
    ~ScopedSelectPalette() {
        if (old_) SelectPalette(dc_, old_, TRUE);
    }
    ScopedSelectPalette(const ScopedSelectPalette&) = delete;
    ScopedSelectPalette& operator=(const ScopedSelectPalette&) = delete;

private:
    HDC dc_;
    HPALETTE old_;
};

// BeginPaint and EndPaint.
class ScopedPaint {
public:
    explicit ScopedPaint(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
    ~ScopedPaint() { EndPaint(hwnd_, &ps_); }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// GetDC and ReleaseDC.
class ScopedWindowDC {
public:
    explicit ScopedWindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~ScopedWindowDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};
