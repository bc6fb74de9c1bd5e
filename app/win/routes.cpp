#include "app/win/routes.h"

#include "app/shell_rules.h"
#include "app/win/app.h"
#include "app/win/camera_ui_win.h"
#include "base/dir.h"
#include "base/messages.h"
#include "base/path.h"
#include "base/tempfile.h"
#include "browser/win/camera_browser_win.h"
#include "browser/win/camera_dialogs_win.h"
#include "browser/win/coding_progress.h"
#include "edit/file_kind.h"
#include "edit/win/image_window.h"
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

HWND StatusBarNow() {
    return App().status_bar;
}

// The image windows work with the frame's windows and its JPEG progress dialog.
void ImageHostFor(HWND frame) {
    ImageWindowHost host;
    host.instance = App().instance;
    host.frame = frame;
    host.mdi_client = App().mdi_client;
    host.status_bar = StatusBarNow;
    host.compress = CompressWithProgress;
    SetImageWindowHost(host);
}

// Opens a picture file into a new image window; true when one was made.
bool OpenPicture(HWND frame, const std::string& path, const std::string& name, bool quiet_missing) {
    ImageHostFor(frame);
    if (HWND open = FindImageWindowByPath(path)) {
        ShowTaskModalBox(frame, open, "File with same name has already been opened.", kAppTitle,
                         MB_OK | MB_ICONERROR | MB_TASKMODAL);
        if (IsIconic(open))
            SendMessageA(App().mdi_client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(open), 0);
        SendMessageA(App().mdi_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(open), 0);
        return false;
    }
    if (path.empty()) {
        ShowError(kMsgFileOpenFailed);
        return false;
    }
    if (!FileExists(path)) {
        if (!quiet_missing) ShowError(kMsgNoFile);
        return false;
    }
    switch (DetectFileKind(path)) {
        case kFileBmp:
            return CreateImageWindow(path, path, name, false) != nullptr;
        case kFileJpeg: {
            ScopedTempFile bmp;
            if (!bmp.Make()) {
                ShowError(kMsgFileOpenFailed);
                return false;
            }
            if (!ExtractWithProgress(frame, path, bmp.name(), name, 0)) return false;
            return CreateImageWindow(bmp.name(), path, name, true) != nullptr;
        }
        case kFileAlbum:  // album windows open albums
            return false;
        default:
            ShowError(kMsgNoCorrespondence);
            return false;
    }
}

void OpenFromDialog(HWND frame) {
    ImageHostFor(frame);
    std::string path, name;
    if (!OpenFileDialog(frame, &path, &name)) return;
    if (OpenPicture(frame, path, name, false)) CheckZoomItem(ImageWindowZoom(ActiveChild(nullptr)));
}

}  // namespace

void RunRoutedCommand(HWND frame, int command) {
    if (command == kCmdComSetup) {
        RunPortSetup(SessionFor(frame), frame);
        return;
    }
    HWND active = ActiveChild(nullptr);
    switch (command) {
        case kCmdOpen:  // image window: open a file, then move the zoom check mark
            OpenFromDialog(frame);
            break;
        case kCmdSave:    // image save or album save
        case kCmdSaveAs:  // image or album save under a new name
            if (IsImageWindow(active)) {
                ImageHostFor(frame);
                RunImageCommand(active, command);
            }
            break;
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
        case kCmdUndo:       // undo
        case kCmdCutout:     // geometry
        case kCmdImageSize:  // geometry
            if (IsImageWindow(active)) {
                ImageHostFor(frame);
                RunImageCommand(active, command);
            }
            break;
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
void OpenFileByPath(HWND frame, const std::string& path) {
    OpenPicture(frame, path, PathFileName(path), true);
}

bool ImageWindowModified(HWND child) {
    return ImageWindowIsModified(child);
}
bool AlbumHasSelection(HWND) {
    return false;
}
bool AlbumHasPasteSource(HWND) {
    return false;
}

LRESULT CALLBACK ImageWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return ImageWindowProcedure(hwnd, msg, wp, lp);
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
