// A dialog's record owned by the dialog window: attached to DWLP_USER when the dialog is made
// and freed when the window goes (WM_NCDESTROY, the last message a window receives), so that no
// path that destroys the dialog can leak it or free it twice.
#pragma once
#include <windows.h>

#include <memory>

template <class T>
void AttachDialogRecord(HWND dlg, std::unique_ptr<T> record) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(record.release()));
}

template <class T>
T* DialogRecordOf(HWND dlg) {
    return reinterpret_cast<T*>(GetWindowLongPtrA(dlg, DWLP_USER));
}

// For WM_NCDESTROY: takes the record off the window and frees it.
template <class T>
void FreeDialogRecord(HWND dlg) {
    std::unique_ptr<T> record(DialogRecordOf<T>(dlg));
    SetWindowLongPtrA(dlg, DWLP_USER, 0);
}
