#include "app/win/routes.h"

#include "album/win/album_window.h"
#include "app/shell_rules.h"
#include "app/win/app.h"
#include "app/win/camera_ui_win.h"
#include "app/win/show_and_print.h"
#include "app/win/window_words.h"
#include "base/dir.h"
#include "base/messages.h"
#include "base/path.h"
#include "base/tempfile.h"
#include "browser/win/camera_browser_win.h"
#include "browser/win/camera_dialogs_win.h"
#include "browser/win/status_dialogs.h"
#include "browser/win/coding_progress.h"
#include "edit/file_kind.h"
#include "edit/win/image_window.h"
#include "link/session/session_ops.h"
#include "link/win/win32_serial.h"
#include "print/win/print_win.h"
#include "slideshow/win/slide_show_win.h"

namespace {

// What the album windows borrow from the shell: the MDI client, the decoder with its progress
// dialog and the Edit menu. The dialogs and image-window hooks are left as they are.
int DecodeForAlbum(const std::string& jpeg, const std::string& bmp) {
    return ExtractWithProgress(App().frame, jpeg, bmp, PathFileName(jpeg), 0);
}
// The Edit menu also holds Undo, which image windows use: while one is open the menu stays
// enabled and its items are greyed one by one (InitPopups).
void EditMenuEnabled(bool on) {
    AppState& app = App();
    if (!app.menu) return;
    for (HWND c = app.mdi_client ? GetWindow(app.mdi_client, GW_CHILD) : nullptr; c && !on;
         c = GetWindow(c, GW_HWNDNEXT))
        on = WindowRecord(c) && WindowKindOf(c) == kKindImage;
    BOOL maximised = FALSE;
    ActiveChild(&maximised);
    EnableMenuItem(app.menu, maximised ? 2 : 1, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
    if (app.frame) DrawMenuBar(app.frame);
}
bool OpenPictureFile(HWND frame, const std::string& path, const std::string& name,
                     bool quiet_missing);
// An album's picture opened in an image window.
void OpenImageForAlbum(const std::string& path) {
    OpenPictureFile(App().frame, path, PathFileName(path), false);
}
void EnsureAlbumShell() {
    AlbumShellHooks& hooks = AlbumShell();
    hooks.mdi_client = App().mdi_client;
    hooks.decode_jpeg = DecodeForAlbum;
    hooks.edit_menu_enabled = EditMenuEnabled;
    hooks.progress_batch = [](bool on) {
        if (on) {
            ShowMeter();
        } else {
            HideMeter();
        }
    };
    hooks.image_window_for = FindImageWindowByPath;
    hooks.open_image = OpenImageForAlbum;
}
HWND ActiveAlbum() {
    HWND child = ActiveChild(nullptr);
    return IsAlbumWindow(child) ? child : nullptr;
}

// The program's camera session with its serial driver and windows in place.
CameraSession& SessionFor(HWND frame) {
    static Win32SerialDriver driver;
    EnsureAlbumShell();
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
bool OpenPictureFile(HWND frame, const std::string& path, const std::string& name,
                     bool quiet_missing) {
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
        case kFileAlbum:
            EnsureAlbumShell();
            return OpenAlbum(path) != nullptr;
        default:
            ShowError(kMsgNoCorrespondence);
            return false;
    }
}

void OpenFromDialog(HWND frame) {
    ImageHostFor(frame);
    std::string path, name;
    if (!OpenFileDialog(frame, &path, &name)) return;
    if (OpenPictureFile(frame, path, name, false))
        CheckZoomItem(ImageWindowZoom(ActiveChild(nullptr)));
}

}  // namespace

// The album commands: New Album for any window, the others on the active album window. True
// when the command was an album's.
static bool RunAlbumCommand(int command) {
    HWND album = ActiveAlbum();
    switch (command) {
        case kCmdNewAlbum:
            NewAlbum();
            return true;
        case kCmdAddToAlbum:
            if (album) AddPictureFiles(album);
            return true;
        case kCmdCopy:
            if (!album) return false;
            CopyCurrentPicture();
            return true;
        case kCmdCut:
            if (!album) return false;
            CutCurrentPicture();
            return true;
        case kCmdPaste:
            if (!album) return false;
            PastePicture(album);
            return true;
        case kCmdSave:
            if (!album) return false;
            SaveAlbum(album);
            return true;
        case kCmdSaveAs:
            if (!album) return false;
            SaveAlbumAs(album);
            return true;
        default:
            return false;
    }
}

void RunRoutedCommand(HWND frame, int command) {
    if (command == kCmdComSetup) {
        RunPortSetup(SessionFor(frame), frame);
        return;
    }
    EnsureAlbumShell();
    if (RunAlbumCommand(command)) return;
    HWND active = ActiveChild(nullptr);
    if (RunShowOrPrintCommand(frame, command)) return;
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
    OpenPictureFile(frame, path, PathFileName(path), true);
}

bool ImageWindowModified(HWND child) {
    return ImageWindowIsModified(child);
}
bool AlbumHasSelection(HWND child) {
    return AlbumHasCurrentPicture(child);
}
bool AlbumHasPasteSource(HWND) {
    return ClipboardHasAlbumPicture();
}

LRESULT CALLBACK ImageWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return ImageWindowProcedure(hwnd, msg, wp, lp);
}
LRESULT CALLBACK AlbumWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return AlbumChildProc(hwnd, msg, wp, lp);
}
LRESULT CALLBACK AlbumButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return AlbumPictureButtonProc(hwnd, msg, wp, lp);
}
LRESULT CALLBACK SlideShowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return SlideShowWindowProc(hwnd, msg, wp, lp);
}

UINT_PTR CALLBACK PrintDialogHook(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    return PrintOptionsHook(dlg, msg, wp, lp);
}
