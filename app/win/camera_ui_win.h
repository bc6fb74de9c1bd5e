// The program's windows for the camera flows, behind the session's CameraUi seam: the
// connection notice, the progress and status dialogs, the camera browser, the folder chooser,
// the model-1 image list, the upload's open dialog with its preview, the delete question and
// the clock dialog.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "link/session/camera_ui.h"

struct WinCameraUi : CameraUi {
    HWND frame = nullptr;  // owner of the browser and the folder chooser

    bool ShowStartNotice(bool on) override;
    void CameraCommandsEnabled() override;
    LinkError RunImageList(CameraSession& s) override;
    bool OpenThumbnailBrowser(CameraSession& s) override;
    bool ChooseFolder(const std::string& initial, std::string* folder) override;
    bool ChooseUploadFiles(const std::string& initial, std::vector<std::string>* files) override;
    // Transferred files are collected into album windows.
    bool AlbumCreate() override;
    bool AlbumAdd(const std::string& path) override;
    bool OpenProgress() override;
    void CloseProgress() override;
    bool OpenStatus() override;
    void CloseStatus() override;
    int AskDelete(int image, bool all_enabled) override;
    void SelectListLine(int line) override;
    LinkError RunClockDialog(CameraSession& s) override;
    void Notice(const std::string& text) override;
};

// The program's one camera session and its windows.
CameraSession& ProgramCameraSession();
WinCameraUi& ProgramCameraUi();
