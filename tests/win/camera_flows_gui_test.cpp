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

#include "app/camera_busy.h"
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
#include "codec/win/open_preview.h"
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
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
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
    HWND field = FindControl(dlg, 0x47C);         // cmb13
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

// The window queue on the camera's instant clock: a wait for messages moves the clock instead
// of the real time, so that the viewfinder's seconds pass at once.
struct InstantPump : WinMessagePump {
    void WaitForMessage(uint32_t ms) override { Plat().time->Sleep(ms); }
};

// The program's camera windows with the album hook recording what it is given (the album
// windows have tests of their own in an MDI frame).
struct FlowUi : WinCameraUi {
    int albums = 0;
    std::vector<std::string> added;
    // What each status dialog said as it closed: a short operation's dialog can come and go
    // between two looks of the test's script.
    std::vector<std::string> status_texts;
    void CloseStatus() override {
        if (HWND status = StatusWindow())
            status_texts.push_back(WindowText(GetDlgItem(status, IDC_STATUS_TEXT)));
        WinCameraUi::CloseStatus();
    }
    bool AlbumCreate() override {
        ++albums;
        return true;
    }
    bool AlbumAdd(const std::string& path) override {
        added.push_back(path);
        return true;
    }
};

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
    InstantPump pump_;
    DialogOperationView view_;
    MemorySettings settings_;
    SimInstantClock clock_;
    std::unique_ptr<ScopedPlatform> scope_;
    FlowUi ui_;
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
                           ui_.status_texts.clear();
                           SelectListLines(ImageListWindow(), {0});
                           dialogs::PostCommand(ImageListWindow(), IDC_LIST_PREVIEW);
                       });
    dialogs::WhenReady([&] { return !ui_.status_texts.empty(); },
                       [&] { preview_text = ui_.status_texts.front(); });
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
    dialogs::WhenReady([&] { return ListIdle() && boxes::Seen().size() == 2; },
                       [&] {
                           const ImageListModel* list = ImageListModelOf(ImageListWindow());
                           EXPECT_TRUE(list && SelectedLines(*list).empty())
                               << "No deselects everything";
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
    EXPECT_EQ(ui_.albums, 1);
    EXPECT_EQ(ui_.added, (std::vector<std::string>{Dsc(8), Dsc(9)}));
    EXPECT_EQ(GetSetting(settings_, "dir", ""), folder_ + "\\");
    EXPECT_EQ(preview_text, "Now displaying image preview on Camera Viewfinder.");
    ASSERT_EQ(after_delete.size(), 4u);
    EXPECT_EQ(after_delete[3].rfind("Image No.4::", 0), 0u);
    EXPECT_EQ(SimImageCount(*cam_), 4);
    EXPECT_EQ(boxes::Seen(),
              (std::vector<std::string>{"Are you sure you want to delete Image No.5?",
                                        "Delete all images?"}));
    EXPECT_EQ(ImageListWindow(), nullptr);
    EXPECT_FALSE(s_.port) << "the session ended and the port closed";
}

// The "&Preview:" box of the open dialog now up.
HWND PreviewCheck(HWND dlg) {
    return FindControl(dlg, IDC_OPEN_PREVIEW_CHECK);
}

void ClickPreviewCheck(HWND dlg) {
    HWND check = PreviewCheck(dlg);
    PostMessageA(GetParent(check), WM_COMMAND, MAKEWPARAM(IDC_OPEN_PREVIEW_CHECK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(check));
}

TEST_F(CameraFlows, UploadSendsTheChosenFilesAndReportsTheOthers) {
    Camera(2, 3);
    SimConfig other;
    other.model = 2;
    other.images = 2;
    auto source = MakeSimCamera(other);
    const std::string up = folder_ + "\\up";
    CreateDirectoryA(up.c_str(), nullptr);
    WriteBytes(up + "\\a.jpg", SimImage(*source, 1));
    WriteBytes(up + "\\b.jpg", SimImage(*source, 2));
    WriteBytes(up + "\\bad.jpg", std::vector<uint8_t>(3000, 'x'));
    settings_.Set("dir", up + "\\");
    settings_.Set("PrevOn", "0");

    int box_at_open = -1, box_after_click = -1;
    // The box starts off; a click on it shows the file named; then three files are chosen.
    dialogs::When("PC to DSC Jpeg FIle", [&](HWND dlg) {
        box_at_open = static_cast<int>(SendMessageA(PreviewCheck(dlg), BM_GETCHECK, 0, 0));
        TypeFileName(dlg, "a.jpg");
        ClickPreviewCheck(dlg);
    });
    dialogs::WhenReady(
        [&] {
            HWND dlg = OpenPreviewDialog();
            return dlg && SendMessageA(PreviewCheck(dlg), BM_GETCHECK, 0, 0) != BST_UNCHECKED;
        },
        [&] {
            HWND dlg = OpenPreviewDialog();
            box_after_click = static_cast<int>(SendMessageA(PreviewCheck(dlg), BM_GETCHECK, 0, 0));
            SaveWindowShot(dlg, "vistrel-open-preview");
            TypeFileName(dlg, "\"a.jpg\" \"bad.jpg\" \"b.jpg\"");
            dialogs::PostCommand(dlg, IDOK);
        });
    boxes::Expect(IDOK);  // not a JPEG file
    boxes::Expect(IDOK);  // cannot be transferred

    EXPECT_EQ(Connect(s_, ConnectPurpose::kUpload), kLinkOk);

    EXPECT_EQ(box_at_open, BST_UNCHECKED);
    EXPECT_EQ(box_after_click, BST_CHECKED) << "the picture is shown";
    EXPECT_EQ(GetSetting(settings_, "PrevOn", ""), "1");
    EXPECT_EQ(GetSetting(settings_, "dir", ""), up + "\\");
    ASSERT_EQ(SimImageCount(*cam_), 5);
    const std::vector<std::vector<uint8_t>> sent = {SimImage(*cam_, 4), SimImage(*cam_, 5)};
    const std::vector<uint8_t> a = SimImage(*source, 1), b = SimImage(*source, 2);
    EXPECT_TRUE((sent[0] == a && sent[1] == b) || (sent[0] == b && sent[1] == a));
    ASSERT_EQ(boxes::Seen().size(), 2u);
    EXPECT_EQ(boxes::Seen()[0], "This is not a Jpeg file.");
    EXPECT_EQ(boxes::Seen()[1],
              "This JPEG file cannot be transferred to the Camera.\nFile Name : bad.jpg");
    EXPECT_FALSE(s_.port);
}

TEST_F(CameraFlows, Model3BrowserPreviewsAndTransfersThroughTheFolderDialogs) {
    Camera(3, 20);
    SetCameraBusy(true);  // as the frame sets it for the command
    ASSERT_EQ(Connect(s_, ConnectPurpose::kBrowse), kLinkOk);
    EXPECT_TRUE(CameraBusy()) << "the browser holds the session";
    HWND dlg = CameraBrowserWindow();
    ASSERT_NE(dlg, nullptr);
    const CameraBrowserState* st = CameraBrowserStateOf(dlg);
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_TOTAL)), "20");
    Click(dlg, IDC_PREVIEW);
    EXPECT_EQ(st->page[15], 16);
    EXPECT_EQ(DibWidth(st->cache[FindCell(*st, 16)].thumbnail), 80);

    // Images 15 and 16 by the typed range; Transfer through the chooser and "Transfer Path",
    // whose Browse picks the folder again.
    SetDlgItemTextA(dlg, IDC_FIRST_NUMBER, "15");
    SetDlgItemTextA(dlg, IDC_LAST_NUMBER, "16");
    ExpectFolderChoice(folder_);
    dialogs::When("Transfer Path", [](HWND path) { dialogs::PostCommand(path, IDC_DIR_BROWSE); });
    ExpectFolderChoice(folder_);
    // The same "Transfer Path" stays up with the folder picked again.
    dialogs::WhenReady([] { return FindWindowA(nullptr, "Transfer Path") != nullptr; },
                       [] { dialogs::PostCommand(FindWindowA(nullptr, "Transfer Path"), IDOK); });
    Click(dlg, IDC_TRANSFER);
    EXPECT_EQ(ReadBytes(Dsc(1)), SimImage(*cam_, 15));
    EXPECT_EQ(ReadBytes(Dsc(2)), SimImage(*cam_, 16));
    EXPECT_EQ(CameraBrowserWindow(), dlg);

    // Delete 15 and 16 with the question dialog: No for 16 (asked first), Yes for 15.
    std::vector<std::string> asked;
    for (int button : {IDC_DELETE_NO, IDC_DELETE_YES}) {
        dialogs::When(
            "Vistrel",
            [&asked, button](HWND question) {
                asked.push_back(WindowText(GetDlgItem(question, IDC_STATUS_DETAIL)));
                dialogs::PostCommand(question, button);
            },
            IDC_DELETE_YES);
    }
    Click(dlg, IDC_DELETE);
    EXPECT_EQ(asked, (std::vector<std::string>{"Are you sure you want to delete Image No.16?",
                                               "Are you sure you want to delete Image No.15?"}));
    EXPECT_EQ(SimImageCount(*cam_), 19);
    EXPECT_EQ(st->total, 19);

    Click(dlg, IDCANCEL);
    EXPECT_EQ(CameraBrowserWindow(), nullptr);
    EXPECT_FALSE(s_.port);
    EXPECT_FALSE(CameraBusy());
    EXPECT_EQ(SimSpeedCode(*cam_), 2) << "the camera is back at 9600 bit/s";
    EXPECT_TRUE(boxes::Seen().empty());
}

TEST_F(CameraFlows, AFolderGoneBeforeOkIsRefusedAndTheBrowserStays) {
    Camera(2, 4);
    ASSERT_EQ(Connect(s_, ConnectPurpose::kBrowse), kLinkOk);
    HWND dlg = CameraBrowserWindow();
    ASSERT_NE(dlg, nullptr);
    Click(dlg, IDC_PREVIEW);
    Click(dlg, IDC_GRID_FIRST);
    const std::string gone = folder_ + "\\gone";
    CreateDirectoryA(gone.c_str(), nullptr);
    ExpectFolderChoice(gone);
    dialogs::When("Transfer Path", [gone](HWND path) {
        RemoveDirectoryA(gone.c_str());
        dialogs::PostCommand(path, IDOK);
    });
    boxes::Expect(IDOK);
    // Back to the chooser, which the user cancels.
    dialogs::When("Folder Select", [](HWND chooser) { dialogs::PostCommand(chooser, IDCANCEL); });
    Click(dlg, IDC_TRANSFER);
    EXPECT_EQ(boxes::Seen(), std::vector<std::string>{"Not Ready or Cannot Write to Drive."});
    EXPECT_EQ(CameraBrowserWindow(), dlg);
    EXPECT_FALSE(FileExists(gone + "\\DSC0001.jpg"));
    Click(dlg, IDCANCEL);
}

// Link faults while the browser works: the message of the failure, the browser closed, the
// session ended and no file left behind.
TEST_F(CameraFlows, AThumbnailThatNeverComesClosesTheBrowser) {
    Camera(2, 4);
    ASSERT_EQ(Connect(s_, ConnectPurpose::kBrowse), kLinkOk);
    HWND dlg = CameraBrowserWindow();
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(AddSimFault(*cam_, "noreply:30"));
    boxes::Expect(IDOK);
    Click(dlg, IDC_PREVIEW);
    EXPECT_EQ(boxes::Seen(),
              std::vector<std::string>{"Unexpected error has occurred during image transfer."});
    EXPECT_EQ(CameraBrowserWindow(), nullptr);
    EXPECT_FALSE(s_.port);
}

TEST_F(CameraFlows, NoiseOnTheLineIsReadThrough) {
    Camera(2, 4);
    ASSERT_TRUE(AddSimFault(*cam_, "noise:22:7*1"));
    ASSERT_EQ(Connect(s_, ConnectPurpose::kBrowse), kLinkOk);
    HWND dlg = CameraBrowserWindow();
    ASSERT_NE(dlg, nullptr);
    Click(dlg, IDC_PREVIEW);
    const CameraBrowserState* st = CameraBrowserStateOf(dlg);
    for (int n = 1; n <= 4; ++n) EXPECT_TRUE(st->cache[FindCell(*st, n)].has_thumbnail) << n;
    EXPECT_TRUE(boxes::Seen().empty());
    Click(dlg, IDCANCEL);
}

TEST_F(CameraFlows, AnImageThatStopsMidwayLeavesNoFile) {
    Camera(2, 4);
    ASSERT_EQ(Connect(s_, ConnectPurpose::kBrowse), kLinkOk);
    HWND dlg = CameraBrowserWindow();
    ASSERT_NE(dlg, nullptr);
    Click(dlg, IDC_PREVIEW);
    Click(dlg, IDC_GRID_FIRST + 1);
    // The image's blocks stop coming after the first ones.
    ASSERT_TRUE(AddSimFault(*cam_, "status:30:2"));
    ExpectFolderChoice(folder_);
    ExpectTransferPath(IDOK);
    boxes::Expect(IDOK);
    boxes::Expect(IDOK);
    Click(dlg, IDC_TRANSFER);
    // The camera's refusal, then the transfer's failure; each once.
    EXPECT_EQ(boxes::Seen(),
              (std::vector<std::string>{"Data error has occurred.",
                                        "Unexpected error has occurred during image transfer."}));
    EXPECT_EQ(CameraBrowserWindow(), nullptr);
    EXPECT_FALSE(s_.port);
    EXPECT_FALSE(FileExists(Dsc(1)));
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder_ + "\\*.tmp").c_str(), &found);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "a partial file was left";
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

}  // namespace
