// The camera browser "Image Preview" against vistrel-camsim on COM1 (a pseudo-terminal that the
// Wine prefix maps to COM1; scripts/run-with-camsim starts the simulator): the browse session
// opens it, Preview loads a page, clicks and typed ranges select, Transfer copies the selected
// images, Delete renumbers, Exit ends the session and closes the port.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/win/camera_ui_win.h"
#include "base/messages.h"
#include "base/platform.h"
#include "base/region.h"
#include "base/win/win_prompts.h"
#include "base/win/win_pump.h"
#include "browser/browser_model.h"
#include "browser/win/camera_browser_win.h"
#include "browser/win/meter.h"
#include "browser/win/status_dialogs.h"
#include "gui_harness.h"
#include "link/session/session_ops.h"
#include "link/win/win32_serial.h"
#include "res/resource.h"
#include "sim/sim_driver.h"

namespace {

SHORT g_shift = 0;
SHORT WINAPI FakeKeys(int key) {
    return key == VK_SHIFT ? g_shift : 0;
}

// The program's windows, with the folder chooser and the delete question answered by the test.
struct TestUi : WinCameraUi {
    std::string folder;
    int delete_answer = kDeleteAll;
    std::vector<int> asked;
    bool ChooseFolder(const std::string&, std::string* chosen) override {
        *chosen = folder + "\\ZEK";
        return true;
    }
    bool AlbumCreate() override { return true; }
    bool AlbumAdd(const std::string&) override { return true; }
    int AskDelete(int image, bool) override {
        asked.push_back(image);
        return delete_answer;
    }
};

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

std::vector<uint8_t> SimPicture(int n) {
    SimConfig cfg;
    cfg.model = 2;
    cfg.images = 20;
    return SimImage(*MakeSimCamera(cfg), n);
}

void Click(HWND dlg, int id) {
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

// Whether any grid button has been invalidated since the last call; validates them all.
bool GridRedrawn(HWND dlg) {
    bool any = false;
    for (int id = IDC_GRID_FIRST; id <= IDC_GRID_LAST; ++id) {
        HWND button = GetDlgItem(dlg, id);
        any = GetUpdateRect(button, nullptr, FALSE) || any;
        ValidateRect(button, nullptr);
    }
    return any;
}

class Browser : public ::testing::Test {
protected:
    void SetUp() override {
        boxes::Start();
        boxes::Clear();
        RegisterMeterClass(GetModuleHandleA(nullptr));
        frame_ = CreateWindowExA(0, "STATIC", "frame", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(frame_, nullptr);
        SetCurrentCameraWindow(frame_);
        SetKeyStateSource(FakeKeys);
        settings_.Set("com", "COM1");
        settings_.Set("baudrate", "1152");
        Platform p = Plat();
        p.prompts = &prompts_;
        p.pump = &pump_;
        p.view = &view_;
        p.settings = &settings_;
        p.time = &SystemTimeSource();
        scope_ = new ScopedPlatform(p);
        SetRegionCode(kRegionEnglish);
        ui_.frame = frame_;
        char tmp[MAX_PATH];
        GetTempPathA(sizeof tmp, tmp);
        ui_.folder = std::string(tmp) + "vistrel-browser-test";
        CreateDirectoryA(ui_.folder.c_str(), nullptr);
        for (int n = 1; n <= 20; ++n) DeleteFileA(Dsc(n).c_str());
        SetCameraUi(&ui_);
        s_.driver = &driver_;
    }
    void TearDown() override {
        if (CameraBrowserWindow()) Click(CameraBrowserWindow(), IDCANCEL);
        SetCameraUi(nullptr);
        delete scope_;
        SetKeyStateSource(nullptr);
        SetCurrentCameraWindow(nullptr);
        DestroyWindow(frame_);
        EXPECT_EQ(boxes::UnexpectedCount(), 0);
    }
    std::string Dsc(int n) const {
        char name[32];
        std::snprintf(name, sizeof name, "\\DSC%04d.jpg", n);
        return ui_.folder + name;
    }

    HWND frame_ = nullptr;
    WinPrompts prompts_;
    WinMessagePump pump_;
    DialogOperationView view_;
    MemorySettings settings_;
    ScopedPlatform* scope_ = nullptr;
    TestUi ui_;
    Win32SerialDriver driver_;
    CameraSession s_;
};

TEST_F(Browser, PreviewSelectTransferDeleteAndExit) {
    ASSERT_EQ(Connect(s_, ConnectPurpose::kBrowse), kLinkOk) << boxes::Seen().size();
    HWND dlg = CameraBrowserWindow();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(WindowText(dlg), "Image Preview");
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_TOTAL)), "20");
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_FIRST_NUMBER)), "1");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_TRANSFER)));
    const CameraBrowserState* st = CameraBrowserStateOf(dlg);
    ASSERT_NE(st, nullptr);

    // Preview: the first page, and the scroll bar for 20 images.
    Click(dlg, IDC_PREVIEW);
    EXPECT_TRUE(st->thumbnails_shown);
    EXPECT_EQ(st->first_shown, 1);
    for (int i = 0; i < kGridButtons; ++i) EXPECT_EQ(st->page[i], i + 1);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_BROWSER_SCROLL)));
    EXPECT_EQ(DibWidth(st->cache[FindCell(*st, 3)].thumbnail), 80);
    PumpWindowsFor(200);  // the buttons paint

    // A click on image 2, Shift+click on image 4: 2, 3, 4.
    Click(dlg, IDC_GRID_FIRST + 1);
    g_shift = static_cast<SHORT>(0x8000);
    Click(dlg, IDC_GRID_FIRST + 3);
    g_shift = 0;
    EXPECT_EQ(SelectedImages(*st), (std::vector<int>{2, 3, 4}));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_TRANSFER)));
    SaveWindowShot(dlg, "vistrel-browser");

    // Transfer: "Transfer Path" shows the folder; then byte for byte the camera's images.
    std::string shown;
    dialogs::When("Transfer Path", [&](HWND path) {
        shown = WindowText(GetDlgItem(path, IDC_DIR_PATH));
        dialogs::PostCommand(path, IDOK);
    });
    Click(dlg, IDC_TRANSFER);
    EXPECT_EQ(shown, ui_.folder + "\\");
    ASSERT_EQ(CameraBrowserWindow(), dlg) << "the browser stays open";
    for (int n = 2; n <= 4; ++n) EXPECT_EQ(ReadFile(Dsc(n - 1)), SimPicture(n)) << n;

    // A typed range 19-20, then Delete with "Delete All": 18 images, page re-aligned.
    SetDlgItemTextA(dlg, IDC_FIRST_NUMBER, "19");
    SetDlgItemTextA(dlg, IDC_LAST_NUMBER, "20");
    EXPECT_EQ(SelectedImages(*st), (std::vector<int>{19, 20}));
    Click(dlg, IDC_DELETE);
    EXPECT_EQ(ui_.asked, std::vector<int>{20});
    EXPECT_EQ(st->total, 18);
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_TOTAL)), "18");
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_LAST_NUMBER)), "");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_DELETE)));

    // Scrolling to the end loads 5..18 in the page (the last row is the bottom row).
    SendMessageA(dlg, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_BROWSER_SCROLL)));
    SendMessageA(dlg, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_BROWSER_SCROLL)));
    ASSERT_TRUE(PumpUntil([&] { return st->first_shown == 5; }, 5000));
    EXPECT_EQ(st->page[13], 18);
    EXPECT_EQ(st->page[14], 0);

    // A click on a button past the last image selects nothing.
    Click(dlg, IDC_GRID_FIRST + 2);
    EXPECT_EQ(SelectedImages(*st), std::vector<int>{7});
    Click(dlg, IDC_GRID_FIRST + 14);
    EXPECT_EQ(SelectedImages(*st), std::vector<int>{7});

    // While the scroll bar moves, the commands wait; the page load brings them back.
    SendMessageA(dlg, WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_BROWSER_SCROLL)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_PREVIEW)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDCANCEL)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_TRANSFER)));
    SendMessageA(dlg, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_BROWSER_SCROLL)));
    ASSERT_TRUE(PumpUntil([&] { return st->first_shown == 1; }, 5000));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_PREVIEW)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDCANCEL)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_TRANSFER)));

    // Palette messages while another window is active: the cube palette is realised and the
    // grid draws again; another window's change redraws it, our own does not.
    SetActiveWindow(frame_);
    SetFocus(frame_);
    GridRedrawn(dlg);
    SendMessageA(dlg, WM_QUERYNEWPALETTE, 0, 0);
    EXPECT_TRUE(GridRedrawn(dlg));
    SendMessageA(dlg, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(frame_), 0);
    EXPECT_TRUE(GridRedrawn(dlg));
    SendMessageA(dlg, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(dlg), 0);
    EXPECT_FALSE(GridRedrawn(dlg));

    // Exit: the browser goes and the session ends (the port is free again).
    Click(dlg, IDCANCEL);
    EXPECT_EQ(CameraBrowserWindow(), nullptr);
    EXPECT_FALSE(s_.port);
    EXPECT_EQ(boxes::Seen().size(), 0u);
}

}  // namespace
