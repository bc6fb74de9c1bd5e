// A scripted CameraUi and a fixture that wires a session to the in-process simulated camera on
// the fake clock.
#pragma once
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/port.h"
#include "link/protocol.h"
#include "link/session/camera_ui.h"
#include "sim/sim_driver.h"
#include "support/fakes.h"

struct ScriptedCameraUi : CameraUi {
    std::vector<std::string> events;  // what was shown, in order
    bool notice_fails = false;
    bool progress_fails = false;
    bool status_fails = false;
    bool browser_opens = true;
    std::string folder;  // the folder ChooseFolder answers with ("" = cancel)
    std::vector<std::string> upload_files;
    bool album_create_ok = true;
    bool album_add_ok = true;
    std::vector<std::string> album;  // files added
    int albums_created = 0;
    std::deque<int> delete_answers;  // AskDelete answers, default Cancel
    std::vector<int> selected_lines;
    // Work run inside the list dialog, the thumbnail browser or the clock dialog.
    std::function<LinkError(CameraSession&)> on_list, on_browser, on_clock;

    bool ShowStartNotice(bool on) override {
        events.push_back(on ? "notice on" : "notice off");
        if (on) notice_on_at = Plat().time->TickCount();
        return !(on && notice_fails);
    }
    void CameraCommandsEnabled() override { events.push_back("commands enabled"); }
    LinkError RunImageList(CameraSession& s) override {
        events.push_back("list dialog");
        return on_list ? on_list(s) : kLinkOk;
    }
    bool OpenThumbnailBrowser(CameraSession& s) override {
        events.push_back("browser");
        if (!browser_opens) return false;
        if (on_browser) on_browser(s);
        return true;
    }
    bool ChooseFolder(const std::string&, std::string* f) override {
        events.push_back("choose folder");
        *f = folder;
        return !folder.empty();
    }
    bool ChooseUploadFiles(const std::string&, std::vector<std::string>* files) override {
        events.push_back("choose files");
        *files = upload_files;
        return !upload_files.empty();
    }
    bool AlbumCreate() override {
        events.push_back("album create");
        if (album_create_ok) ++albums_created;
        return album_create_ok;
    }
    bool AlbumAdd(const std::string& path) override {
        if (!album_add_ok) return false;
        album.push_back(path);
        return true;
    }
    bool OpenProgress() override {
        events.push_back("progress open");
        return !progress_fails;
    }
    void CloseProgress() override { events.push_back("progress close"); }
    bool OpenStatus() override {
        events.push_back("status open");
        return !status_fails;
    }
    void CloseStatus() override { events.push_back("status close"); }
    int AskDelete(int image, bool all_enabled) override {
        events.push_back("ask delete " + std::to_string(image) + (all_enabled ? " all" : ""));
        if (delete_answers.empty()) return kDeleteCancel;
        int a = delete_answers.front();
        delete_answers.pop_front();
        return a;
    }
    void SelectListLine(int line) override { selected_lines.push_back(line); }
    LinkError RunClockDialog(CameraSession& s) override {
        events.push_back("clock dialog");
        return on_clock ? on_clock(s) : kLinkOk;
    }
    void Notice(const std::string& text) override { notices.push_back(text); }
    std::vector<std::string> notices;
    uint32_t notice_on_at = 0;  // when the connection notice last came up
};

// A session on the simulated camera of the given model, with the fake seams installed.
struct SimSession {
    FakePlatform fp;
    ScriptedCameraUi ui;
    std::unique_ptr<SimCamera> cam;
    std::unique_ptr<SimDriver> driver;
    CameraSession s;
    explicit SimSession(int model, int images = 5, const std::string& port = "COM1") {
        SimConfig cfg;
        cfg.model = model;
        cfg.images = images;
        cam = MakeSimCamera(cfg);
        driver = std::make_unique<SimDriver>(*cam, port);
        s.driver = driver.get();
        SetCameraUi(&ui);
        SetPacedWrite(false);
    }
    ~SimSession() { SetCameraUi(nullptr); }
    SimSession(const SimSession&) = delete;
    SimSession& operator=(const SimSession&) = delete;
    // Opens the port and brings the camera into play mode the way a connect does, without
    // the notice: identify decides the protocol.
    LinkError Open() {
        LinkError r = OpenPort(s);
        if (r != kLinkOk) return r;
        int digit = 0;
        r = SigIdentify(s, &digit);
        if (r != kLinkOk) return r;
        s.model = digit == 1 ? 1 : 2;
        return s.model == 1 ? SigPlayMode(s) : SeqPlayMode(s);
    }
};

// Requests of a command as the camera received them: signature (model 1) or sequenced.
inline std::vector<std::vector<uint8_t>> SigRequestsOf(const SimCamera& cam, uint8_t command) {
    std::vector<std::vector<uint8_t>> out;
    for (const auto& r : SimRequests(cam))
        if (r.size() >= 17 && r[0] == 'Z' && r[16] == command) out.push_back(r);
    return out;
}
inline std::vector<std::vector<uint8_t>> SeqRequestsOf(const SimCamera& cam, uint8_t command) {
    std::vector<std::vector<uint8_t>> out;
    for (const auto& r : SimRequests(cam))
        if (r.size() >= 16 && r[0] != 'Z' && r[3] == command) out.push_back(r);
    return out;
}
