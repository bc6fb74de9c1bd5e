// The camera commands of the program from the user's side, over the simulated camera in-process
// on its instant clock: the model-1 image list (transfer through the folder chooser and
// "Transfer Path", viewfinder preview, delete with its questions, Exit), the upload with the
// previewing open dialog, the model-3 browser, and link faults that must end in the right box
// with the browser closed and no partial file.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/win/camera_ui_win.h"
#include "base/dir.h"
#include "base/platform.h"
#include "base/region.h"
#include "base/win/win_prompts.h"
#include "base/win/win_pump.h"
#include "browser/browser_model.h"
#include "browser/win/camera_browser_win.h"
#include "browser/win/image_list_win.h"
#include "browser/win/meter.h"
#include "browser/win/status_dialogs.h"
#include "gui_harness.h"
#include "link/port.h"
#include "link/session/session_ops.h"
#include "res/resource.h"
#include "sim/sim_driver.h"

namespace {

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Click(HWND dlg, int id) {
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

// A control anywhere below a window (the open dialog's extension is a child dialog).
HWND FindControl(HWND top, int id) {
    struct Find {
        int id;
        HWND found;
    } find = {id, nullptr};
    EnumChildWindows(
        top,
        [](HWND child, LPARAM lp) -> BOOL {
            auto* f = reinterpret_cast<Find*>(lp);
            if (GetDlgCtrlID(child) != f->id) return TRUE;
            f->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
}

// Types a name into a file dialog's name field and presses its OK button.
void TypeFileName(HWND dlg, const std::string& name) {
    HWND field = FindControl(dlg, 0x47C);  // cmb13
    if (!field) field = FindControl(dlg, 0x480);  // edt1
    SetWindowTextA(field, name.c_str());
}

// The lines of the list box shown.
std::vector<std::string> ListLines(HWND dlg) {
    HWND box = GetDlgItem(dlg, IDC_IMAGE_LIST);
    std::vector<std::string> lines;
    const int n = static_cast<int>(SendMessageA(box, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char text[128] = "";
        SendMessageA(box, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        lines.push_back(text);
    }
    return lines;
}

// A click on lines of the list, as the list box reports it.
void SelectListLines(HWND dlg, const std::vector<int>& lines) {
    HWND box = GetDlgItem(dlg, IDC_IMAGE_LIST);
    SendMessageA(box, LB_SETSEL, FALSE, -1);
    for (int line : lines) SendMessageA(box, LB_SETSEL, TRUE, line);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_IMAGE_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box));
}

class CameraFlows : public ::testing::Test {
protected:
    void SetUp() override {
        boxes::Start();
        boxes::Clear();
        dialogs::Clear();
        RegisterMeterClass(GetModuleHandleA(nullptr));
        frame_ = CreateWindowExA(0, "STATIC", "frame", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(frame_, nullptr);
        SetCurrentCameraWindow(frame_);
        settings_.Set("com", "COM1");
        settings_.Set("baudrate", "1152");
        Platform p = Plat();
        p.prompts = &prompts_;
        p.pump = &pump_;
        p.view = &view_;
        p.settings = &settings_;
        p.time = &clock_;
        scope_ = std::make_unique<ScopedPlatform>(p);
        SetRegionCode(kRegionEnglish);
        SetPacedWrite(false);
        ui_.frame = frame_;
        SetCameraUi(&ui_);
        folder_ = TempFilePath("flows");
        CreateDirectoryA(folder_.c_str(), nullptr);
        for (int n = 1; n <= 30; ++n) DeleteFileA(Dsc(n).c_str());
    }
    void TearDown() override {
        if (CameraBrowserWindow()) Click(CameraBrowserWindow(), IDCANCEL);
        SetCameraUi(nullptr);
        scope_.reset();
        SetCurrentCameraWindow(nullptr);
        DestroyWindow(frame_);
        EXPECT_EQ(dialogs::Pending(), 0) << "dialogs that never came";
        EXPECT_EQ(boxes::PendingExpectations(), 0) << "boxes that never came";
        EXPECT_EQ(boxes::UnexpectedCount(), 0);
    }
    void Camera(int model, int images) {
        SimConfig cfg;
        cfg.model = model;
        cfg.images = images;
        cam_ = MakeSimCamera(cfg);
        driver_ = std::make_unique<SimDriver>(*cam_, "COM1");
        s_.driver = driver_.get();
    }
    std::string Dsc(int n) const {
        char name[32];
        std::snprintf(name, sizeof name, "\\DSC%04d.jpg", n);
        return folder_ + name;
    }
    // The folder chooser, answered by typing a name in the wanted folder.
    void ExpectFolderChoice(const std::string& folder) {
        dialogs::When("Folder Select", [folder](HWND dlg) {
            TypeFileName(dlg, folder + "\\ZEK");
            dialogs::PostCommand(dlg, IDOK);
        });
    }
    void ExpectTransferPath(int button, std::string* shown = nullptr) {
        dialogs::When("Transfer Path", [button, shown](HWND dlg) {
            if (shown) *shown = WindowText(GetDlgItem(dlg, IDC_DIR_PATH));
            dialogs::PostCommand(dlg, button);
        });
    }

    HWND frame_ = nullptr;
    WinPrompts prompts_;
    WinMessagePump pump_;
    DialogOperationView view_;
    MemorySettings settings_;
    SimInstantClock clock_;
    std::unique_ptr<ScopedPlatform> scope_;
    WinCameraUi ui_;
    std::unique_ptr<SimCamera> cam_;
    std::unique_ptr<SimDriver> driver_;
    CameraSession s_;
    std::string folder_;
};

// The list is back and idle: no status or progress dialog, the list enabled.
bool ListIdle() {
    HWND list = ImageListWindow();
    return list && !StatusWindow() && !MeterWindow() && IsWindowEnabled(list);
}

TEST_F(CameraFlows, Model1ListTransfersPreviewsDeletesAndExits) {
    Camera(1, 5);
    std::vector<std::vector<uint8_t>> pictures;
    for (int n = 1; n <= 5; ++n) pictures.push_back(SimImage(*cam_, n));
    WriteBytes(Dsc(7), {0xFF, 0xD8, 0xFF, 0xD9});  // numbering goes on from the highest

    std::vector<std::string> opened, after_delete;
    bool commands_off_at_open = false;
    std::string path_shown, preview_text;
    // The list opens with its lines; the user picks images 2 and 3 and presses Transfer.
    dialogs::When(
        "Vistrel",
        [&](HWND dlg) {
            opened = ListLines(dlg);
            commands_off_at_open = !IsWindowEnabled(GetDlgItem(dlg, IDC_LIST_TRANSFER)) &&
                                   !IsWindowEnabled(GetDlgItem(dlg, IDC_LIST_DELETE));
            SaveWindowShot(dlg, "vistrel-image-list");
            SelectListLines(dlg, {1, 2});
            dialogs::PostCommand(dlg, IDC_LIST_TRANSFER);
        },
        IDC_IMAGE_LIST);
    ExpectFolderChoice(folder_);
    ExpectTransferPath(IDOK, &path_shown);
    // Back at the list: image 1 on the viewfinder.
    dialogs::WhenReady([&] { return ListIdle() && FileExists(Dsc(9)); },
                       [&] {
                           SelectListLines(ImageListWindow(), {0});
                           dialogs::PostCommand(ImageListWindow(), IDC_LIST_PREVIEW);
                       });
    dialogs::WhenReady([&] { return StatusWindow() != nullptr; },
                       [&] {
                           preview_text = WindowText(GetDlgItem(StatusWindow(), IDC_STATUS_TEXT));
                       });
    // Image 5 deleted after its question; then Select All and Delete, answered No.
    dialogs::WhenReady(ListIdle, [&] {
        boxes::Expect(IDYES);
        SelectListLines(ImageListWindow(), {4});
        dialogs::PostCommand(ImageListWindow(), IDC_LIST_DELETE);
    });
    dialogs::WhenReady([&] { return ListIdle() && ListLines(ImageListWindow()).size() == 4; },
                       [&] {
                           after_delete = ListLines(ImageListWindow());
                           boxes::Expect(IDNO);
                           dialogs::PostCommand(ImageListWindow(), IDC_LIST_SELECT_ALL);
                           dialogs::PostCommand(ImageListWindow(), IDC_LIST_DELETE);
                       });
    dialogs::WhenReady([&] { return ListIdle() && boxes::Seen().size() == 2; }, [&] {
        const ImageListModel* list = ImageListModelOf(ImageListWindow());
        EXPECT_TRUE(list && SelectedLines(*list).empty()) << "No deselects everything";
        dialogs::PostCommand(ImageListWindow(), IDC_LIST_EXIT);
    });

    EXPECT_EQ(Connect(s_, ConnectPurpose::kBrowse), kLinkOk);

    ASSERT_EQ(opened.size(), 5u);
    EXPECT_EQ(opened[0].rfind("Image No.1::", 0), 0u) << opened[0];
    EXPECT_NE(opened[0].find(" Mode"), std::string::npos) << opened[0];
    EXPECT_TRUE(commands_off_at_open);
    EXPECT_EQ(path_shown, folder_ + "\\");
    EXPECT_EQ(ReadBytes(Dsc(8)), pictures[1]);
    EXPECT_EQ(ReadBytes(Dsc(9)), pictures[2]);
    EXPECT_FALSE(FileExists(Dsc(10)));
    EXPECT_EQ(GetSetting(settings_, "dir", ""), folder_ + "\\");
    EXPECT_EQ(preview_text, "Now displaying image preview on Camera Viewfinder.");
    ASSERT_EQ(after_delete.size(), 4u);
    EXPECT_EQ(after_delete[3].rfind("Image No.4::", 0), 0u);
    EXPECT_EQ(SimImageCount(*cam_), 4);
    EXPECT_EQ(boxes::Seen(), (std::vector<std::string>{"Are you sure you want to delete Image No.5?",
                                                        "Delete all images?"}));
    EXPECT_EQ(ImageListWindow(), nullptr);
    EXPECT_FALSE(s_.port) << "the session ended and the port closed";
}

}  // namespace

int main(int argc, char** argv) {
    if (MarkWindowsUnmanaged()) return RunAgain();
    StartWatchdog(120000);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
