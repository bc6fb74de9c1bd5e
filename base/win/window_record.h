// A window's or dialog's record is a C++ object owned by the window itself: it is attached when
// the window is made (window word 0 with the kind in word 1, or a dialog's DWLP_USER) and freed
// when the window's last message, WM_NCDESTROY, arrives. So no path out of a window procedure can
// leak a record or leave a window pointing at a freed one, and nobody owns records by hand.
//
// The window procedure calls FreeWindowRecord<T> (FreeDialogRecord<T>) from its WM_NCDESTROY case.
#pragma once
#include <windows.h>

#include <memory>

#include "res/shell_ids.h"

// The record in window word 0, whatever the kind, or null.
inline void* WindowRecord(HWND hwnd) {
    return hwnd ? reinterpret_cast<void*>(GetWindowLongPtrA(hwnd, kWordRecord)) : nullptr;
}
// The kind in window word 1 (kKindNone for a window without one).
inline int WindowKindOf(HWND hwnd) {
    return hwnd ? static_cast<int>(GetWindowLongPtrA(hwnd, kWordKind)) : kKindNone;
}

// The record of a window of the given kind, or null for any other window (or one whose kind
// was cleared when it began to be destroyed).
template <class T>
T* RecordOfKind(HWND hwnd, int kind) {
    if (!hwnd || !IsWindow(hwnd) || WindowKindOf(hwnd) != kind) return nullptr;
    return static_cast<T*>(WindowRecord(hwnd));
}

// Hands the record to the window (words 0 and 1); returns it, still owned by the window.
template <class T>
T* AttachRecord(HWND hwnd, std::unique_ptr<T> record, int kind) {
    T* raw = record.release();
    SetWindowLongPtrA(hwnd, kWordRecord, reinterpret_cast<LONG_PTR>(raw));
    SetWindowLongPtrA(hwnd, kWordKind, kind);
    return raw;
}

// Marks a window as going: queries by kind no longer find it, its record stays until the end.
inline void ForgetWindowKind(HWND hwnd) {
    SetWindowLongPtrA(hwnd, kWordKind, kKindNone);
}

// Takes the record back from the window and frees it (WM_NCDESTROY).
template <class T>
void FreeWindowRecord(HWND hwnd) {
    std::unique_ptr<T> record(static_cast<T*>(WindowRecord(hwnd)));
    SetWindowLongPtrA(hwnd, kWordRecord, 0);
    SetWindowLongPtrA(hwnd, kWordKind, kKindNone);
}

// The same for dialogs, whose record lives in DWLP_USER.
template <class T>
T* DialogRecordOf(HWND dlg) {
    return dlg ? reinterpret_cast<T*>(GetWindowLongPtrA(dlg, DWLP_USER)) : nullptr;
}
template <class T>
T* AttachDialogRecord(HWND dlg, std::unique_ptr<T> record) {
    T* raw = record.release();
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(raw));
    return raw;
}
template <class T>
void FreeDialogRecord(HWND dlg) {
    std::unique_ptr<T> record(DialogRecordOf<T>(dlg));
    SetWindowLongPtrA(dlg, DWLP_USER, 0);
}
