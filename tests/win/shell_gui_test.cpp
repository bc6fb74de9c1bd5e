// The program's start-up path run in-process, checked through window queries: classes, menu,
// toolbar, status bar, help texts, toggles kept in vistrel.ini, single instance, and the
// refusals while a camera session runs.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/camera_busy.h"
#include "base/region.h"
#include "album/win/album_window.h"
#include "app/win/app.h"
#include "base/platform.h"
#include "gui_frame.h"

namespace {

FakeClock g_clock;
SHORT g_f1_state = 0;
int g_help_calls = 0;
UINT g_last_help_command = 0;

SHORT WINAPI FakeKeyState(int key) {
    return key == VK_F1 ? g_f1_state : 0;
}
BOOL WINAPI RecordHelp(HWND, LPCSTR, UINT command, ULONG_PTR) {
    ++g_help_calls;
    g_last_help_command = command;
    return TRUE;
}

constexpr char kBusyText[] =
    "Vistrel still active.\nQuit the application before quitting Windows.\n";

class Shell : public ::testing::Test {
protected:
    void SetUp() override {
        boxes::Start();
        boxes::Clear();
        ini_ = TempFilePath("vistrel.ini");
        DeleteFileA(ini_.c_str());
        Plat().time = &g_clock;
        SetCameraBusy(false);
        Start();
    }

    void TearDown() override {
        SetCameraBusy(false);
        Stop();
        DeleteFileA(ini_.c_str());
        EXPECT_EQ(boxes::UnexpectedCount(), 0);
        EXPECT_EQ(boxes::PendingExpectations(), 0);
        Plat().time = &SystemTimeSource();
    }

    void Start(int region = kRegionEnglish) {
        frame_ = StartFrame(ini_, region);
        ASSERT_NE(frame_, nullptr);
        App().help_engine = RecordHelp;
        App().key_state = FakeKeyState;
        ASSERT_TRUE(PumpUntil([] { return App().splash_done; }, 10000));
    }

    void Stop() {
        if (frame_ && IsWindow(frame_)) SendMessageA(frame_, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(frame_));
        PumpWindowsFor(20);
        TakeQuitSeen();
        frame_ = nullptr;
    }

    HMENU Menu() { return GetMenu(frame_); }

    std::string StatusText(int part) {
        char text[256] = "";
        SendMessageA(App().status_bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
        return text;
    }

    void InitAllPopups() {
        for (int i = 0; i < GetMenuItemCount(Menu()); ++i) {
            SendMessageA(frame_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(Menu(), i)),
                         i);
        }
    }

    bool Grey(int command) {
        return (GetMenuState(Menu(), command, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) != 0;
    }
    bool Checked(int command) {
        return (GetMenuState(Menu(), command, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }

    std::string ini_;
    HWND frame_ = nullptr;
};

std::string MenuText(HMENU menu, int pos) {
    char text[128] = "";
    GetMenuStringA(menu, pos, text, sizeof text, MF_BYPOSITION);
    return text;
}

TEST_F(Shell, FrameClassesAndClient) {
    char cls[64];
    GetClassNameA(frame_, cls, sizeof cls);
    EXPECT_STREQ(cls, "ZEKDscFrame");
    EXPECT_EQ(WindowText(frame_), "Vistrel");
    EXPECT_EQ(FindWindowA("ZEKDscFrame", "Vistrel"), frame_);
    HWND mdi = GetDlgItem(frame_, 3232);
    ASSERT_NE(mdi, nullptr);
    GetClassNameA(mdi, cls, sizeof cls);
    EXPECT_EQ(lstrcmpiA(cls, "MDIClient"), 0);
    EXPECT_TRUE(GetWindowLongA(mdi, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

    HINSTANCE inst = GetModuleHandleA(nullptr);
    const char* with_words[] = {"ZEKDscFrame", "ZEKNormalChild", "ZEKAlbumChild", "ZEKAlbumButton",
                                "AutoViewClass"};
    for (const char* name : with_words) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        ASSERT_TRUE(GetClassInfoExA(inst, name, &wc)) << name;
        EXPECT_EQ(wc.cbWndExtra, static_cast<int>(2 * sizeof(LONG_PTR))) << name;
        EXPECT_EQ(wc.cbClsExtra, 0) << name;
    }
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(GetClassInfoExA(inst, "ZekMeter", &wc));
    EXPECT_EQ(wc.cbWndExtra, static_cast<int>(3 * sizeof(LONG_PTR)));
    EXPECT_TRUE(wc.style & CS_GLOBALCLASS);
    EXPECT_EQ(wc.hbrBackground, nullptr);
    ASSERT_TRUE(GetClassInfoExA(inst, "ZEKAlbumButton", &wc));
    EXPECT_TRUE(wc.style & CS_DBLCLKS);
    ASSERT_TRUE(GetClassInfoExA(inst, "ZEKDscFrame", &wc));
    EXPECT_STREQ(wc.lpszMenuName, "ZEKDscMenu");
    EXPECT_NE(wc.hIcon, nullptr);
    EXPECT_EQ(wc.hCursor, LoadCursor(nullptr, IDC_WAIT));
    ASSERT_TRUE(GetClassInfoExA(inst, "ZEKNormalChild", &wc));
    EXPECT_NE(wc.hIcon, nullptr);
    EXPECT_EQ(wc.hbrBackground, GetStockObject(WHITE_BRUSH));
    ASSERT_TRUE(GetClassInfoExA(inst, "AutoViewClass", &wc));
    EXPECT_EQ(wc.hbrBackground, GetStockObject(BLACK_BRUSH));

    // Files next to the program, the print record.
    EXPECT_EQ(App().help_file, ProgramFolder() + "vistrel.hlp");
    EXPECT_EQ(App().settings_file, ini_);
    EXPECT_EQ(App().print_dialog.nCopies, 1);
    EXPECT_STREQ(App().print_dialog.lpPrintTemplateName, "PRINT88C");
    EXPECT_EQ(App().print_dialog.Flags,
              static_cast<DWORD>(PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION |
                                 PD_ENABLEPRINTTEMPLATE | PD_ENABLEPRINTHOOK));
}

TEST_F(Shell, MenuTextsAndIdentifiers) {
    HMENU menu = Menu();
    const char* popups[] = {"&File", "&Edit", "&Image", "&View", "&Window", "&Help"};
    ASSERT_EQ(GetMenuItemCount(menu), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(MenuText(menu, i), popups[i]);

    struct Item {
        int popup, pos, id;
        const char* text;
    };
    const Item items[] = {
        {0, 0, 105, "Create &New Album"},
        {0, 1, 100, "File &Open..."},
        {0, 2, 106, "&Close"},
        {0, 3, 101, "&Save"},
        {0, 4, 107, "Save &As..."},
        {0, 10, 102, "&Print..."},
        {0, 11, 123, "P&rint Setup..."},
        {0, 13, 103, "E&xit"},
        {1, 0, 143, "&Add to Album..."},
        {1, 2, 142, "Cu&t"},
        {1, 3, 140, "&Copy"},
        {1, 4, 141, "&Paste"},
        {1, 6, 178, "&Undo..."},
        {2, 0, 170, "Image &Adjustment..."},
        {2, 2, 179, "&Image Cutout"},
        {2, 3, 180, "Image &Size..."},
        {3, 0, 175, "&400% Size"},
        {3, 1, 174, "2&00% Size"},
        {3, 2, 173, "&100% Size"},
        {3, 3, 172, " &50% Size"},
        {3, 4, 171, " &25% Size"},
        {4, 0, 161, "&Cascade"},
        {4, 1, 160, "&Tile"},
        {4, 2, 162, "&Arrange Icons"},
        {4, 3, 163, "C&lose All"},
        {4, 5, 164, "Tool&bar On/Off"},
        {4, 6, 165, "&Statusbar On/Off"},
        {5, 0, 108, "&Contents"},
        {5, 2, 104, "Version &Information..."},
    };
    for (const Item& it : items) {
        HMENU popup = GetSubMenu(menu, it.popup);
        EXPECT_EQ(static_cast<int>(GetMenuItemID(popup, it.pos)), it.id) << it.text;
        EXPECT_EQ(MenuText(popup, it.pos), it.text);
    }
    HMENU file = GetSubMenu(menu, 0);
    EXPECT_EQ(MenuText(file, 6), "S&lide Show");
    EXPECT_EQ(GetMenuItemID(GetSubMenu(file, 6), 0), 500u);
    EXPECT_EQ(GetMenuItemID(GetSubMenu(file, 6), 1), 470u);
    EXPECT_EQ(MenuText(file, 8), "Communica&tion");
    HMENU comm = GetSubMenu(file, 8);
    const int comm_ids[] = {121, 122, 120, 125};
    const char* comm_texts[] = {"Data &in from Camera", "Data &out to Camera...",
                                "COM Port &Setup...", "&Clock Setup..."};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(static_cast<int>(GetMenuItemID(comm, i)), comm_ids[i]);
        EXPECT_EQ(MenuText(comm, i), comm_texts[i]);
    }
    HMENU rotate = GetSubMenu(GetSubMenu(menu, 2), 1);
    EXPECT_EQ(GetMenuItemID(rotate, 0), 176u);
    EXPECT_EQ(GetMenuItemID(rotate, 1), 177u);
}

TEST_F(Shell, NoWindowOpenGreysAndChecks) {
    InitAllPopups();
    for (int c : {101, 107, 106, 102, 142, 140, 141, 143, 178, 160, 161, 163, 162}) {
        EXPECT_TRUE(Grey(c)) << c;
    }
    for (int c : {100, 105, 103, 104, 108, 121, 122, 120, 125, 164, 165}) {
        EXPECT_FALSE(Grey(c)) << c;
    }
    EXPECT_TRUE(Checked(164));
    EXPECT_TRUE(Checked(165));
}

TEST_F(Shell, ToolbarButtonsStatesAndTooltips) {
    HWND tb = GetDlgItem(frame_, 701);
    ASSERT_NE(tb, nullptr);
    ASSERT_EQ(SendMessageA(tb, TB_BUTTONCOUNT, 0, 0), 19);
    const int ids[19] = {405, 400, 401, 0,   421, 422, 0,   402, 0,  443,
                         0,   442, 440, 441, 0,   461, 460, 0,   462};
    RefreshToolbarStates();
    for (int i = 0; i < 19; ++i) {
        TBBUTTON b{};
        SendMessageA(tb, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
        if (ids[i] == 0) {
            EXPECT_TRUE(b.fsStyle & TBSTYLE_SEP) << i;
            continue;
        }
        EXPECT_EQ(b.idCommand, ids[i]) << i;
        bool enabled =
            ids[i] == 405 || ids[i] == 400 || ids[i] == 421 || ids[i] == 422 || ids[i] == 462;
        EXPECT_EQ(b.fsState, enabled ? TBSTATE_ENABLED : TBSTATE_INDETERMINATE) << ids[i];
    }
    // Each image slot is distinct except where the table shares a bitmap.
    TBBUTTON in{}, out{};
    SendMessageA(tb, TB_GETBUTTON, 4, reinterpret_cast<LPARAM>(&in));
    SendMessageA(tb, TB_GETBUTTON, 5, reinterpret_cast<LPARAM>(&out));
    EXPECT_EQ(out.iBitmap, in.iBitmap + 1);

    HWND tt = reinterpret_cast<HWND>(SendMessageA(tb, TB_GETTOOLTIPS, 0, 0));
    ASSERT_NE(tt, nullptr);
    EXPECT_EQ(SendMessageA(tt, TTM_GETTOOLCOUNT, 0, 0), 13);
    char text[80];
    const int tips[] = {400, 401, 402, 405, 421, 422, 440, 441, 442, 443, 460, 461, 462};
    const char* tip_texts[] = {"File Open",
                               "Save As",
                               "Print",
                               "Create New Album",
                               "Data in from Camera",
                               "Data out to Camera",
                               "Copy",
                               "Paste",
                               "Cut",
                               "Add to Album",
                               "Tile",
                               "Cascade",
                               "Help"};
    for (int i = 0; i < 13; ++i) {
        ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), tips[i], text, sizeof text), 0);
        EXPECT_STREQ(text, tip_texts[i]);
    }
    char slide[80];
    LoadStringA(GetModuleHandleA(nullptr), 500, slide, sizeof slide);
    EXPECT_STREQ(slide, "\"Slide Show\" start.");
}

TEST_F(Shell, StatusBarPartsAndTextsBothRegions) {
    ASSERT_NE(App().status_bar, nullptr);
    EXPECT_EQ(GetDlgItem(frame_, 700), App().status_bar);
    RECT rc;
    GetClientRect(frame_, &rc);
    int parts[5] = {};
    ASSERT_EQ(SendMessageA(App().status_bar, SB_GETPARTS, 5, reinterpret_cast<LPARAM>(parts)), 5);
    const int wide[5] = {332, 246, 171, 85, 10};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(parts[i], rc.right - wide[i]) << i;
    EXPECT_EQ(StatusText(0), "Ready");

    // A resized frame keeps the same distances from its right edge.
    SetWindowPos(frame_, nullptr, 0, 0, 700, 500, SWP_NOZORDER | SWP_NOMOVE);
    GetClientRect(frame_, &rc);
    SendMessageA(App().status_bar, SB_GETPARTS, 5, reinterpret_cast<LPARAM>(parts));
    EXPECT_EQ(parts[0], rc.right - 332);

    Stop();
    Start(kRegionJapanese);
    GetClientRect(frame_, &rc);
    SendMessageA(App().status_bar, SB_GETPARTS, 5, reinterpret_cast<LPARAM>(parts));
    const int narrow[5] = {300, 230, 155, 85, 10};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(parts[i], rc.right - narrow[i]) << i;
    EXPECT_EQ(StatusText(0), "");
    SendMessageA(frame_, WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP), reinterpret_cast<LPARAM>(Menu()));
    EXPECT_EQ(StatusText(0), "");
}

TEST_F(Shell, HelpTextsOnMenuSelection) {
    InitAllPopups();
    HMENU file = GetSubMenu(Menu(), 0);
    auto select = [&](int command) {
        UINT state = GetMenuState(Menu(), command, MF_BYCOMMAND) & 0xFF;
        SendMessageA(frame_, WM_MENUSELECT, MAKEWPARAM(command, state),
                     reinterpret_cast<LPARAM>(file));
        return StatusText(0);
    };
    EXPECT_EQ(select(101), "Cannot select!! There is no file to save.");
    EXPECT_EQ(select(106), "Cannot select!! There is no file to close.");
    EXPECT_EQ(select(162), "Cannot Select!! Icon not lined up.");
    EXPECT_EQ(select(100), "Open an existing file.");
    EXPECT_EQ(select(103), "Exit application.");
    EXPECT_EQ(select(164), "Toggle the toolbar on/off.");
    // The enabled form of an item that has two.
    SendMessageA(frame_, WM_MENUSELECT, MAKEWPARAM(101, 0), reinterpret_cast<LPARAM>(file));
    EXPECT_EQ(StatusText(0), "Save the active file.");
    // Pop-ups, separators and the menu closing show the idle text.
    SendMessageA(frame_, WM_MENUSELECT, MAKEWPARAM(8, MF_POPUP), reinterpret_cast<LPARAM>(file));
    EXPECT_EQ(StatusText(0), "Ready");
    select(100);
    SendMessageA(frame_, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(StatusText(0), "Ready");
}

TEST_F(Shell, TooltipTextsInStatusBar) {
    RefreshToolbarStates();
    auto tip = [&](int command, UINT code) {
        NMHDR nm{App().tooltip, static_cast<UINT_PTR>(command), code};
        SendMessageA(frame_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
        return StatusText(0);
    };
    EXPECT_EQ(tip(401, TTN_SHOW), "Cannot select!! There is no file to save.");
    EXPECT_EQ(tip(402, TTN_SHOW), "Cannot select!! There is no file to print.");
    EXPECT_EQ(tip(443, TTN_SHOW), "Cannot Select!! Not open album.");
    EXPECT_EQ(tip(460, TTN_SHOW), "Cannot Select!! Not open window.");
    EXPECT_EQ(tip(400, TTN_SHOW), "Open an existing file.");
    EXPECT_EQ(tip(462, TTN_SHOW), "Contents.");
    EXPECT_EQ(tip(421, TTN_SHOW), "Data in from the camera.");
    EXPECT_EQ(tip(421, TTN_POP), "Ready");

    // During a camera session the camera buttons are grey and say why; the end of the session
    // gives them back.
    SetCameraBusy(true);
    ToolbarSetState(421, TBSTATE_INDETERMINATE);
    ToolbarSetState(422, TBSTATE_INDETERMINATE);
    EXPECT_EQ(tip(421, TTN_SHOW), "Cannot select!! Already connected camera.");
    EndCameraSession();
    EXPECT_FALSE(CameraBusy());
    EXPECT_EQ(tip(422, TTN_SHOW), "Data out to the camera.");
}

TEST_F(Shell, DataInWithoutACameraGivesTheCommandsBack) {
    // COM4 has no device in the test prefix: the session ends at the port with its message.
    WritePrivateProfileStringA("ZEKAPP", "com", "COM4", ini_.c_str());
    boxes::Expect(IDOK);
    SendMessageA(frame_, WM_COMMAND, 121, 0);
    ASSERT_EQ(boxes::Seen().size(), 1u);
    EXPECT_EQ(boxes::Seen()[0], "Failed to open COM Port.");
    EXPECT_FALSE(CameraBusy());
    HMENU file = GetSubMenu(Menu(), 0);
    EXPECT_FALSE(GetMenuState(file, 8, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_EQ(SendMessageA(App().toolbar, TB_GETSTATE, 421, 0), TBSTATE_ENABLED);
}

TEST_F(Shell, TogglesPersistThroughTheSettingsFile) {
    SendMessageA(frame_, WM_COMMAND, 164, 0);
    EXPECT_EQ(GetDlgItem(frame_, 701), nullptr);
    EXPECT_EQ(App().toolbar, nullptr);
    EXPECT_FALSE(Checked(164));
    // The MDI client now starts at the top.
    RECT mdi;
    GetWindowRect(App().mdi_client, &mdi);
    POINT top_left{mdi.left, mdi.top};
    ScreenToClient(frame_, &top_left);
    EXPECT_EQ(top_left.y, 0);

    Stop();
    char value[16] = "";
    GetPrivateProfileStringA("ZEKAPP", "Tool", "", value, sizeof value, ini_.c_str());
    EXPECT_STREQ(value, "1");
    GetPrivateProfileStringA("ZEKAPP", "Status", "", value, sizeof value, ini_.c_str());
    EXPECT_STREQ(value, "0");

    Start();
    EXPECT_EQ(GetDlgItem(frame_, 701), nullptr);
    EXPECT_FALSE(Checked(164));
    EXPECT_TRUE(Checked(165));
    EXPECT_NE(App().status_bar, nullptr);

    SendMessageA(frame_, WM_COMMAND, 165, 0);
    EXPECT_EQ(GetDlgItem(frame_, 700), nullptr);
    EXPECT_FALSE(Checked(165));
    SendMessageA(frame_, WM_COMMAND, 164, 0);
    HWND tb = GetDlgItem(frame_, 701);
    ASSERT_NE(tb, nullptr);
    EXPECT_TRUE(IsWindowVisible(tb));
    EXPECT_EQ(SendMessageA(tb, TB_BUTTONCOUNT, 0, 0), 19);
    EXPECT_TRUE(Checked(164));
    Stop();
    GetPrivateProfileStringA("ZEKAPP", "Tool", "", value, sizeof value, ini_.c_str());
    EXPECT_STREQ(value, "0");
    GetPrivateProfileStringA("ZEKAPP", "Status", "", value, sizeof value, ini_.c_str());
    EXPECT_STREQ(value, "1");
    Start();
    EXPECT_NE(GetDlgItem(frame_, 701), nullptr);
    EXPECT_EQ(GetDlgItem(frame_, 700), nullptr);
}

TEST_F(Shell, UnusualSettingPairShowsNeitherBar) {
    Stop();
    WritePrivateProfileStringA("ZEKAPP", "Tool", "0", ini_.c_str());
    WritePrivateProfileStringA("ZEKAPP", "Status", "2", ini_.c_str());
    Start();
    EXPECT_EQ(GetDlgItem(frame_, 701), nullptr);
    EXPECT_EQ(GetDlgItem(frame_, 700), nullptr);
    EXPECT_FALSE(Checked(164));
    EXPECT_FALSE(Checked(165));
}

TEST_F(Shell, SecondStartRestoresTheMinimisedFirst) {
    ShowWindow(frame_, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(frame_));
    StartupOptions options;
    options.settings_file = ini_;
    EXPECT_EQ(AppStartup(GetModuleHandleA(nullptr), "", SW_SHOWNORMAL, options), nullptr);
    EXPECT_FALSE(IsIconic(frame_));
    EXPECT_EQ(App().frame, frame_);
}

// A second start in this process hands its files to the running frame, which opens them; a
// block of another kind, or one larger than any command line, is refused and opens nothing.
TEST_F(Shell, SecondStartHandsItsFilesToTheFirst) {
    const std::string picture = TempFilePath("handed.bmp");
    ASSERT_TRUE(WriteTestBmp(picture, 8, 6));
    auto children = [this] {
        HWND client = App().mdi_client;
        int n = 0;
        for (HWND c = GetWindow(client, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ++n;
        return n;
    };
    StartupOptions options;
    options.settings_file = ini_;
    EXPECT_EQ(AppStartup(GetModuleHandleA(nullptr), "", SW_SHOWNORMAL, options), nullptr);
    PumpWindowsFor(50);
    EXPECT_EQ(children(), 0) << "no file names: nothing opens";

    std::string block = picture + std::string(1, '\0');
    COPYDATASTRUCT foreign{0x1234, static_cast<DWORD>(block.size()), &block[0]};
    EXPECT_EQ(SendMessageA(frame_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&foreign)), FALSE);
    std::vector<char> huge(70000, 'a');
    COPYDATASTRUCT oversized{0x56534F46, static_cast<DWORD>(huge.size()), huge.data()};
    EXPECT_EQ(SendMessageA(frame_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&oversized)), FALSE);
    PumpWindowsFor(50);
    EXPECT_EQ(children(), 0);

    EXPECT_EQ(AppStartup(GetModuleHandleA(nullptr), picture.c_str(), SW_SHOWNORMAL, options),
              nullptr);
    EXPECT_TRUE(PumpUntil([&] { return children() == 1; }, 5000)) << "the handed file opens";
    EXPECT_EQ(App().frame, frame_);
    Stop();
    DeleteFileA(picture.c_str());
}

TEST_F(Shell, ExitAndEndOfSessionRefusedWhileCameraBusy) {
    SetCameraBusy(true);
    boxes::Expect(IDOK);
    SendMessageA(frame_, WM_COMMAND, 103, 0);
    EXPECT_TRUE(IsWindow(frame_));
    ASSERT_EQ(boxes::Seen().size(), 1u);
    EXPECT_EQ(boxes::Seen()[0], kBusyText);

    boxes::Expect(IDOK);
    EXPECT_EQ(SendMessageA(frame_, WM_QUERYENDSESSION, 0, 0), 0);
    EXPECT_TRUE(IsWindow(frame_));
    ASSERT_EQ(boxes::Seen().size(), 2u);
    EXPECT_EQ(boxes::Seen()[1], kBusyText);

    SetCameraBusy(false);
    SendMessageA(frame_, WM_COMMAND, 103, 0);
    EXPECT_FALSE(IsWindow(frame_));
    EXPECT_TRUE(PumpUntil([] { return TakeQuitSeen(); }, 2000));
}

TEST_F(Shell, HeldHelpKeyOpensHelpOnce) {
    g_help_calls = 0;
    SendMessageA(frame_, WM_ACTIVATEAPP, TRUE, 0);
    g_f1_state = static_cast<SHORT>(0x8000);
    ASSERT_TRUE(PumpUntil([] { return g_help_calls > 0; }, 3000));
    EXPECT_EQ(g_last_help_command, 3u);
    // Several more polls while the key stays down.
    PumpWindowsFor(300);
    EXPECT_EQ(g_help_calls, 1);
    g_f1_state = 0;
    ASSERT_TRUE(PumpUntil([] { return !App().f1_held; }, 3000));
    g_f1_state = static_cast<SHORT>(0x8000);
    ASSERT_TRUE(PumpUntil([] { return g_help_calls == 2; }, 3000));
    g_f1_state = 0;
    ASSERT_TRUE(PumpUntil([] { return !App().f1_held; }, 3000));

    // Not while the program is inactive.
    SendMessageA(frame_, WM_ACTIVATEAPP, FALSE, 0);
    g_f1_state = static_cast<SHORT>(0x8000);
    PumpWindowsFor(200);
    EXPECT_EQ(g_help_calls, 2);
    g_f1_state = 0;

    // Help contents from the menu; quitting help when the frame goes.
    SendMessageA(frame_, WM_COMMAND, 108, 0);
    EXPECT_EQ(g_help_calls, 3);
    Stop();
    EXPECT_EQ(g_help_calls, 4);
    EXPECT_EQ(g_last_help_command, 2u);
}

TEST_F(Shell, CloseAllClosesChildrenAndCloseLeavesNone) {
    HWND child = NewAlbum();  // an album window: kind 2 in word 1, its record in word 0
    ASSERT_NE(child, nullptr);
    char cls[64] = "";
    GetClassNameA(child, cls, sizeof cls);
    EXPECT_STREQ(cls, "ZEKAlbumChild");
    EXPECT_EQ(GetWindowLongPtrA(child, sizeof(LONG_PTR)), 2);
    EXPECT_NE(GetWindowLongPtrA(child, 0), 0);
    InitAllPopups();
    EXPECT_FALSE(Grey(143));
    EXPECT_TRUE(Grey(178));
    EXPECT_FALSE(Grey(160));
    EXPECT_FALSE(Grey(101));
    EXPECT_TRUE(Grey(162));
    RefreshToolbarStates();
    EXPECT_EQ(SendMessageA(App().toolbar, TB_GETSTATE, 443, 0), TBSTATE_ENABLED);
    EXPECT_EQ(SendMessageA(App().toolbar, TB_GETSTATE, 440, 0), TBSTATE_INDETERMINATE);

    ShowWindow(child, SW_MINIMIZE);
    InitAllPopups();
    EXPECT_FALSE(Grey(162));

    boxes::Expect(IDNO);  // a new album asks before it goes unsaved
    SendMessageA(frame_, WM_COMMAND, 163, 0);
    EXPECT_FALSE(IsWindow(child));
    InitAllPopups();
    EXPECT_TRUE(Grey(143));
}

}  // namespace
