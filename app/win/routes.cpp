// The frame's command table (see routes.h). Each row names a command, the kind of active window
// it acts on and its handler; a command with a row for the album window and one for the image
// window (Save, Save As) goes to whichever is active. The frame's own commands (window
// management, bars, help, exit, the camera flows) have their handlers in frame.cpp.
#include "app/win/routes.h"

#include "album/win/album_window.h"
#include "app/shell_rules.h"
#include "app/win/app.h"
#include "app/win/camera_ui_win.h"
#include "app/win/show_and_print.h"
#include "base/dir.h"
#include "base/messages.h"
#include "base/path.h"
#include "base/win/window_record.h"
#include "browser/win/camera_browser_win.h"
#include "browser/win/camera_dialogs_win.h"
#include "browser/win/coding_progress.h"
#include "browser/win/status_dialogs.h"
#include "edit/file_kind.h"
#include "edit/win/image_window.h"
#include "link/session/session_ops.h"
#include "link/win/win32_serial.h"

namespace {

// --- what the windows below the shell borrow ---------------------------------------------

int DecodeForAlbum(const std::string& jpeg, DibImage* picture) {
    return ExtractPictureWithProgress(App().frame, jpeg, PathFileName(jpeg), 0, picture);
}

bool OpenPictureFile(HWND frame, const std::string& path, const std::string& name,
                     bool quiet_missing);

// An album's picture opened in an image window.
void OpenImageForAlbum(const std::string& path) {
    OpenPictureFile(App().frame, path, PathFileName(path), false);
}

HWND StatusBarNow() {
    return App().status_bar;
}

// --- opening files -------------------------------------------------------------------------

// Opens a picture file into a new image window; true when one was made.
bool OpenPictureFile(HWND frame, const std::string& path, const std::string& name,
                     bool quiet_missing) {
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
            return CreateImageWindow(path, name) != nullptr;
        case kFileJpeg: {
            DibImage picture;
            if (!ExtractPictureWithProgress(frame, path, name, 0, &picture)) return false;
            return CreateImageWindow(std::move(picture), path, name, true) != nullptr;
        }
        case kFileAlbum:
            return OpenAlbum(path) != nullptr;
        default:
            ShowError(kMsgNoCorrespondence);
            return false;
    }
}

// --- the handlers ---------------------------------------------------------------------------

// The program's camera session with its serial driver and windows in place.
CameraSession& ProgramSession() {
    static Win32SerialDriver driver;
    CameraSession& s = ProgramCameraSession();
    if (!s.driver) s.driver = &driver;
    return s;
}

void OpenFromDialog(HWND frame, HWND, int) {
    std::string path, name;
    if (OpenFileDialog(frame, &path, &name)) OpenPictureFile(frame, path, name, false);
}
void MakeNewAlbum(HWND, HWND, int) {
    NewAlbum();
}
void PortSetup(HWND frame, HWND, int) {
    RunPortSetup(ProgramSession(), frame);
}
void DataIn(HWND frame, HWND, int) {
    RunCameraFlow(frame, [](HWND) {
        Connect(ProgramSession(), ConnectPurpose::kBrowse);
        return CameraBrowserWindow() != nullptr;
    });
}
void DataOut(HWND frame, HWND, int) {
    RunWithFrameDisabled(frame, [](HWND) { Connect(ProgramSession(), ConnectPurpose::kUpload); });
}
void ClockSetup(HWND frame, HWND, int) {
    RunWithFrameDisabled(frame, [](HWND) { Connect(ProgramSession(), ConnectPurpose::kClock); });
}
void ShowOrPrint(HWND frame, HWND, int command) {
    RunShowOrPrintCommand(frame, command);
}

void AddFiles(HWND, HWND album, int) {
    AddPictureFiles(album);
}
void CopyPicture(HWND, HWND, int) {
    CopyCurrentPicture();
}
void CutPicture(HWND, HWND, int) {
    CutCurrentPicture();
}
void Paste(HWND, HWND album, int) {
    PastePicture(album);
}
void SaveAlbumCommand(HWND, HWND album, int command) {
    if (command == IDM_SAVE_AS)
        SaveAlbumAs(album);
    else
        SaveAlbum(album);
}
void ImageCommand(HWND, HWND image, int command) {
    RunImageCommand(image, command);
}

// Which active window a row needs.
enum class Target { kAny, kImage, kAlbum };

struct Route {
    int command;
    Target target;
    void (*run)(HWND frame, HWND child, int command);
};

const Route kRoutes[] = {
    {IDM_EXIT, Target::kAny, ExitCommand},
    {IDM_ABOUT, Target::kAny, AboutCommand},
    {IDM_HELP_CONTENTS, Target::kAny, HelpContentsCommand},
    {IDM_CLOSE, Target::kAny, CloseCommand},
    {IDM_TILE, Target::kAny, TileCommand},
    {IDM_CASCADE, Target::kAny, CascadeCommand},
    {IDM_ARRANGE_ICONS, Target::kAny, ArrangeIconsCommand},
    {IDM_CLOSE_ALL, Target::kAny, CloseAllCommand},
    {IDM_TOOLBAR_TOGGLE, Target::kAny, ToolbarToggleCommand},
    {IDM_STATUSBAR_TOGGLE, Target::kAny, StatusbarToggleCommand},
    {IDM_DATA_IN, Target::kAny, DataIn},
    {IDM_DATA_OUT, Target::kAny, DataOut},
    {IDM_CLOCK_SETUP, Target::kAny, ClockSetup},
    {IDM_COM_SETUP, Target::kAny, PortSetup},
    {IDM_OPEN, Target::kAny, OpenFromDialog},
    {IDM_NEW_ALBUM, Target::kAny, MakeNewAlbum},
    {IDM_PRINT, Target::kAny, ShowOrPrint},
    {IDM_PRINT_SETUP, Target::kAny, ShowOrPrint},
    {IDM_SLIDE_OPTIONS, Target::kAny, ShowOrPrint},
    {IDM_SLIDE_START, Target::kAny, ShowOrPrint},
    {IDM_SAVE, Target::kAlbum, SaveAlbumCommand},
    {IDM_SAVE, Target::kImage, ImageCommand},
    {IDM_SAVE_AS, Target::kAlbum, SaveAlbumCommand},
    {IDM_SAVE_AS, Target::kImage, ImageCommand},
    {IDM_ADD_TO_ALBUM, Target::kAlbum, AddFiles},
    {IDM_COPY, Target::kAlbum, CopyPicture},
    {IDM_CUT, Target::kAlbum, CutPicture},
    {IDM_PASTE, Target::kAlbum, Paste},
    {IDM_ADJUST, Target::kImage, ImageCommand},
    {IDM_ZOOM25, Target::kImage, ImageCommand},
    {IDM_ZOOM50, Target::kImage, ImageCommand},
    {IDM_ZOOM100, Target::kImage, ImageCommand},
    {IDM_ZOOM200, Target::kImage, ImageCommand},
    {IDM_ZOOM400, Target::kImage, ImageCommand},
    {IDM_ROTATE_RIGHT, Target::kImage, ImageCommand},
    {IDM_ROTATE_LEFT, Target::kImage, ImageCommand},
    {IDM_UNDO, Target::kImage, ImageCommand},
    {IDM_CUTOUT, Target::kImage, ImageCommand},
    {IDM_IMAGE_SIZE, Target::kImage, ImageCommand},
};

bool Fits(Target target, HWND child) {
    switch (target) {
        case Target::kImage:
            return IsImageWindow(child);
        case Target::kAlbum:
            return IsAlbumWindow(child);
        default:
            return true;
    }
}

}  // namespace

void InstallShellHooks(HWND frame) {
    AppState& app = App();
    ImageWindowHost host;
    host.instance = app.instance;
    host.frame = frame;
    host.mdi_client = app.mdi_client;
    host.status_bar = StatusBarNow;
    host.compress = CompressPictureWithProgress;
    host.state_changed = UpdateMenuState;
    SetImageWindowHost(host);

    AlbumShellHooks& album = AlbumShell();
    album.mdi_client = app.mdi_client;
    album.decode_jpeg = DecodeForAlbum;
    album.state_changed = UpdateMenuState;
    album.progress_batch = [](bool on) {
        if (on) {
            if (ShowMeter()) BeginCodingRun();
        } else {
            EndCodingRun();
            HideMeter();
        }
    };
    album.image_window_for = FindImageWindowByPath;
    album.open_image = OpenImageForAlbum;

    EnsureSlideShowShell();

    WinCameraUi& ui = ProgramCameraUi();
    ui.frame = frame;
    SetCameraUi(&ui);
}

bool RunCommand(HWND frame, int id) {
    const int toolbar_menu = MenuCommandOfToolbar(id);
    const int command = toolbar_menu ? toolbar_menu : id;
    bool known = false;
    for (const Route& route : kRoutes) {
        if (route.command != command) continue;
        known = true;
        HWND child = ActiveChild(nullptr);
        if (!Fits(route.target, child)) continue;
        route.run(frame, child, command);
        break;
    }
    if (known) UpdateMenuState();
    return known;
}

void OpenFileByPath(HWND frame, const std::string& path) {
    OpenPictureFile(frame, path, PathFileName(path), true);
}
