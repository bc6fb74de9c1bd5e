// The two window words of every window class of the program (progress bar aside): word 0 the
// window's record, word 1 its kind. Each word is LONG_PTR wide so that word 0 holds a pointer.
#pragma once
#include <windows.h>

#include "app/shell_rules.h"

constexpr int kWordRecord = 0;
constexpr int kWordKind = sizeof(LONG_PTR);
constexpr int kWindowWordBytes = 2 * sizeof(LONG_PTR);

inline void* WindowRecord(HWND hwnd) {
    return reinterpret_cast<void*>(GetWindowLongPtrA(hwnd, kWordRecord));
}
inline int WindowKindOf(HWND hwnd) {
    return static_cast<int>(GetWindowLongPtrA(hwnd, kWordKind));
}
inline void SetWindowRecord(HWND hwnd, void* record) {
    SetWindowLongPtrA(hwnd, kWordRecord, reinterpret_cast<LONG_PTR>(record));
}
inline void SetWindowKind(HWND hwnd, int kind) {
    SetWindowLongPtrA(hwnd, kWordKind, kind);
}
