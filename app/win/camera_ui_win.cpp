#include "app/win/camera_ui_win.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <cstring>

#include "app/camera_busy.h"
#include "album/win/album_window.h"
#include "app/win/app.h"
#include "base/messages.h"
#include "base/path.h"
#include "base/platform.h"
#include "base/settings.h"
#include "browser/win/camera_browser_win.h"
#include "browser/win/camera_dialogs_win.h"
#include "browser/win/image_list_win.h"
#include "browser/win/status_dialogs.h"
#include "codec/win/open_preview.h"
#include "link/session/camera_session.h"

namespace {

constexpr char kFolderFilter[] = "Text files {*.Tenvolde}\0*.Tenvolde\0";
constexpr char kUploadFilter[] = "JPEG Files(*.JPG)\0*.jpg\0";
// The upload list's buffer: one path, or a folder and the names chosen in it.
constexpr size_t kUploadListBytes = 30720;

// The save dialog as a folder chooser: its own title, the file controls hidden.
UINT_PTR CALLBACK FolderHook(HWND hook, UINT msg, WPARAM, LPARAM lp) {
    if (msg == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lp)->code == CDN_INITDONE) {
        HWND dlg = GetParent(hook);
        SetWindowTextA(dlg, "Folder Select");
        for (int id : {edt1, cmb1, stc2, stc3, cmb13})
            SendMessageA(dlg, CDM_HIDECONTROL, static_cast<WPARAM>(id), 0);
    }
    return 0;
}

}  // namespace

CameraSession& ProgramCameraSession() {
    static CameraSession s;
    return s;
}

WinCameraUi& ProgramCameraUi() {
    static WinCameraUi ui;
    return ui;
}

bool WinCameraUi::ShowStartNotice(bool on) {
    if (!on) {
        HideStartStatus();
        return true;
    }
    return ShowStartStatus();
}

void WinCameraUi::CameraCommandsEnabled() {
    if (!CameraBrowserWindow()) App().modeless = nullptr;
    EndCameraSession();
}

LinkError WinCameraUi::RunImageList(CameraSession& s) {
    return RunImageListDialog(s, frame);
}

void WinCameraUi::SelectListLine(int line) {
    ShowListLineSelected(line);
}

bool WinCameraUi::OpenThumbnailBrowser(CameraSession& s) {
    if (!OpenCameraBrowser(s, frame)) return false;
    App().modeless = CameraBrowserWindow();
    return true;
}

bool WinCameraUi::ChooseFolder(const std::string& initial, std::string* folder) {
    char file[MAX_PATH] = "ZEK";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = CurrentCameraWindow();
    ofn.lpstrFilter = kFolderFilter;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = initial.empty() ? nullptr : initial.c_str();
    ofn.lpstrDefExt = "tenvolde";
    ofn.Flags =
        OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_NOCHANGEDIR;
    ofn.lpfnHook = FolderHook;
    if (!GetSaveFileNameA(&ofn)) return false;
    *folder = file;
    return true;
}

bool WinCameraUi::ChooseUploadFiles(const std::string& initial, std::vector<std::string>* files) {
    OpenDialogRequest request;
    request.owner = frame;
    request.title = "PC to DSC Jpeg FIle";
    request.filter = kUploadFilter;
    request.initial_folder = initial;
    request.multiple = true;
    request.buffer_size = kUploadListBytes;
    bool too_long = false;
    if (!RunOpenDialogWithPreview(request, files, &too_long)) {
        if (too_long) ShowError(kMsgNameTooLong);
        return false;
    }
    Plat().settings->Set("dir", PathFolder(files->front()));
    return true;
}

bool WinCameraUi::AlbumCreate() {
    return CreateTransferAlbum();
}
bool WinCameraUi::AlbumAdd(const std::string& path) {
    return AddFileToTransferAlbum(path);
}

bool WinCameraUi::OpenProgress() {
    return ShowMeter();
}
void WinCameraUi::CloseProgress() {
    HideMeter();
}
bool WinCameraUi::OpenStatus() {
    return ShowStatus();
}
void WinCameraUi::CloseStatus() {
    HideStatus();
}

int WinCameraUi::AskDelete(int image, bool all_enabled) {
    HWND status = StatusWindow();
    if (status) EnableWindow(status, FALSE);
    const int answer = AskDeleteDialog(status ? status : CurrentCameraWindow(), image, all_enabled);
    if (status) {
        EnableWindow(status, TRUE);
        SetFocus(status);
    }
    return answer;
}

LinkError WinCameraUi::RunClockDialog(CameraSession& s) {
    return RunClockDialogWindow(s, CurrentCameraWindow());
}

void WinCameraUi::Notice(const std::string& text) {
    if (App().status_bar)
        SendMessageA(App().status_bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
