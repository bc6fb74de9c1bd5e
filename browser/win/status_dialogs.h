// The small modeless dialogs of long operations: the connection notice, the status dialog with
// its Cancel button, and the progress dialog with the percentage bar. They stack over the
// camera session's current window: showing one saves that window, disables it and puts the
// dialog in its place; hiding one gives the saved window back its place, enabled and focused.
// The Cancel button, the letter C and the Enter key (polled every 50 ms) set the program-wide
// cancel request, which the running operation reads between images.
#pragma once
#include <windows.h>

#include "base/operation_view.h"

// Places a camera dialog centred horizontally, at one third of the free height of the screen.
void PlaceDialog(HWND dlg);

// The camera session's current window: the window on top of the camera dialogs.
HWND CurrentCameraWindow();
void SetCurrentCameraWindow(HWND hwnd);

// The module whose dialog templates are used (the program's own by default).
void SetDialogInstance(HINSTANCE instance);
HINSTANCE DialogInstance();

// Where the Enter key's state is read (GetAsyncKeyState unless a test installs another).
using KeyStateSource = SHORT(WINAPI*)(int);
void SetKeyStateSource(KeyStateSource source);
KeyStateSource KeyState();

// Connection notice ("DscStartStatusDlg"): every notice but the first of the run waits, right
// after it is shown, until 8 s have passed since the previous one was hidden. False (after
// message 43) when the dialog cannot be created.
bool ShowStartStatus();
void HideStartStatus();
HWND StartStatusWindow();

// Status dialog ("DscStatusDlg"); Cancel starts hidden. False (after message 43) on failure.
bool ShowStatus();
void HideStatus();
HWND StatusWindow();

// Progress dialog of camera operations, from the region's template; kept in the program-wide
// slot that MeterWindow() returns until it is destroyed.
bool ShowMeter();
void HideMeter();
HWND MeterWindow();

// A progress dialog from the region's template that belongs to the caller (not in the slot),
// created hidden; the caller shows and destroys it.
HWND CreateMeterDialog(HWND owner);

// Texts 301 to 304, the bar and Cancel of the dialogs above, for the operation-view seam. The
// bar and fields 301/302 go to the progress dialog shown last; 303/304 to the status dialog,
// or the connection notice while no status dialog is up.
struct DialogOperationView : OperationView {
    void SetText(int field, const std::string& text) override;
    void SetMeterRange(uint32_t range) override;
    void SetMeterPos(uint32_t pos) override;
    void ShowCancel(bool shown) override;
};

// The dialog procedures of the three dialogs, for a module that exports them under names of
// its own.
DLGPROC MeterDialogProcedure();
DLGPROC StartStatusProcedure();
DLGPROC StatusDialogProcedure();

// The progress dialog that the view addresses, set while a dialog that is not in the slot (the
// coding flows' own) is shown; returns the previous one.
HWND SetViewMeter(HWND dialog);
