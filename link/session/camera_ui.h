// The camera-session seam: the windows a camera command opens besides message boxes and the
// progress meter. The Windows program shows its dialogs; the command-line tool works on the
// terminal; tests script every answer. Texts and meters go through the operation view.
#pragma once
#include <string>
#include <vector>

#include "link/link_error.h"

struct CameraSession;

// Answers of the models-2/3 delete question dialog.
enum DeleteAnswer { kDeleteYes = 800, kDeleteAll = 801, kDeleteNo = 802, kDeleteCancel = 803 };

struct CameraUi {
    virtual ~CameraUi() = default;
    // The connection notice ("Now establishing Communication Connection.\nPlease Wait.");
    // false when it cannot be shown.
    virtual bool ShowStartNotice(bool on) = 0;
    // The session ended or a connect failed: the frame gives its camera commands back.
    virtual void CameraCommandsEnabled() = 0;
    // Model 1: the modal image-list dialog; returns when it closes.
    virtual LinkError RunImageList(CameraSession& s) = 0;
    // Models 2 and 3: opens the thumbnail browser, which owns the session (and ends it) from
    // then on. False when it cannot be opened.
    virtual bool OpenThumbnailBrowser(CameraSession& s) = 0;
    // The transfer folder chooser; initial is the remembered folder. False when cancelled.
    virtual bool ChooseFolder(const std::string& initial, std::string* folder) = 0;
    // The files to send into the camera; initial is the remembered folder. False when
    // cancelled.
    virtual bool ChooseUploadFiles(const std::string& initial, std::vector<std::string>* files) = 0;
    // The album that collects transferred files.
    virtual bool AlbumCreate() = 0;
    virtual bool AlbumAdd(const std::string& path) = 0;
    // The progress dialog and the status dialog; false when they cannot be opened.
    virtual bool OpenProgress() = 0;
    virtual void CloseProgress() = 0;
    virtual bool OpenStatus() = 0;
    virtual void CloseStatus() = 0;
    // Models 2/3 delete question for one image; returns a DeleteAnswer.
    virtual int AskDelete(int image, bool delete_all_enabled) = 0;
    // Model 1: the list line of the image asked about is selected while the question is up.
    virtual void SelectListLine(int line) = 0;
    // Models 2/3: the clock dialog, run inside the clock session; returns when it closes.
    virtual LinkError RunClockDialog(CameraSession& s) = 0;
    // A remark on finished work that is no error (an image kept although it arrived short):
    // the program's status text, a line on the terminal.
    virtual void Notice(const std::string& text) = 0;
    // Around the end-session command: before it is sent, and after it with how the camera
    // answered it (CameraLink::end_answer). Only a caller that says more than the program's
    // own messages needs them.
    virtual void EndingSession() {}
    virtual void SessionEnded(LinkError answer) { (void)answer; }
};

// Does nothing and refuses every choice; for callers that need no windows.
struct NullCameraUi : CameraUi {
    bool ShowStartNotice(bool) override { return true; }
    void CameraCommandsEnabled() override {}
    LinkError RunImageList(CameraSession&) override { return kLinkOk; }
    bool OpenThumbnailBrowser(CameraSession&) override { return false; }
    bool ChooseFolder(const std::string&, std::string*) override { return false; }
    bool ChooseUploadFiles(const std::string&, std::vector<std::string>*) override { return false; }
    bool AlbumCreate() override { return false; }
    bool AlbumAdd(const std::string&) override { return false; }
    bool OpenProgress() override { return true; }
    void CloseProgress() override {}
    bool OpenStatus() override { return true; }
    void CloseStatus() override {}
    int AskDelete(int, bool) override { return kDeleteCancel; }
    void SelectListLine(int) override {}
    LinkError RunClockDialog(CameraSession&) override { return kLinkOk; }
    void Notice(const std::string&) override {}
};

// The installed seam (a NullCameraUi by default); not owned.
CameraUi& CamUi();
void SetCameraUi(CameraUi* ui);
