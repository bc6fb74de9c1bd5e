#include "app/win/routes.h"

#include "app/shell_rules.h"
#include "app/win/camera_ui_win.h"
#include "browser/win/camera_browser_win.h"
#include "browser/win/camera_dialogs_win.h"
#include "link/session/session_ops.h"
#include "link/win/win32_serial.h"

namespace {

// The program's camera session with its serial driver and windows in place.
CameraSession& SessionFor(HWND frame) {
    static Win32SerialDriver driver;
    WinCameraUi& ui = ProgramCameraUi();
    ui.frame = frame;
    SetCameraUi(&ui);
    CameraSession& s = ProgramCameraSession();
    if (!s.driver) s.driver = &driver;
    return s;
}

}  // namespace

void RunRoutedCommand(HWND frame, int command) {
    if (command == kCmdComSetup) {
        RunPortSetup(SessionFor(frame), frame);
        return;
    }
    switch (command) {
        case kCmdOpen:        // image window: open a file, then move the zoom check mark
        case kCmdSave:        // image save or album save
        case kCmdSaveAs:      // image or album save under a new name
        case kCmdPrint:       // printing
        case kCmdPrintSetup:  // printing
        case kCmdNewAlbum:    // album window
        case kCmdCopy:        // undo and clipboard
        case kCmdPaste:       // undo and clipboard
        case kCmdCut:         // undo and clipboard
        case kCmdAddToAlbum:  // album window
        case kCmdAdjust:      // image adjustment
        case kCmdZoom25:      // image window zoom
        case kCmdZoom50:
        case kCmdZoom100:
        case kCmdZoom200:
        case kCmdZoom400:
        case kCmdRotateRight:  // geometry
        case kCmdRotateLeft:
        case kCmdUndo:          // undo
        case kCmdCutout:        // geometry
        case kCmdImageSize:     // geometry
        case kCmdSlideOptions:  // slide show
        case kCmdSlideStart:    // slide show
        default:
            break;
    }
}

bool StartCameraBrowser(HWND frame) {
    Connect(SessionFor(frame), ConnectPurpose::kBrowse);
    return CameraBrowserWindow() != nullptr;
}
void RunUpload(HWND frame) {
    Connect(SessionFor(frame), ConnectPurpose::kUpload);
}

void RunClockSetup(HWND frame) {
    Connect(SessionFor(frame), ConnectPurpose::kClock);
}
void OpenFileByPath(HWND, const std::string&) {}

bool ImageWindowModified(HWND) {
    return false;
}
bool AlbumHasSelection(HWND) {
    return false;
}
bool AlbumHasPasteSource(HWND) {
    return false;
}

LRESULT CALLBACK ImageWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefMDIChildProcA(hwnd, msg, wp, lp);
}
LRESULT CALLBACK AlbumWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefMDIChildProcA(hwnd, msg, wp, lp);
}
LRESULT CALLBACK AlbumButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd, msg, wp, lp);
}
LRESULT CALLBACK SlideShowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd, msg, wp, lp);
}

UINT_PTR CALLBACK PrintDialogHook(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}
