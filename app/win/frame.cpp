// The frame window: toolbar, status bar and MDI client, the menu's enabled states and help
// texts, the window-management commands; every command goes through the command table
// (routes.cpp). The frame alone writes the menu's enabled states: the children only say that
// their state changed (UpdateMenuState). Closing goes through Close All so that each child asks
// its own save question.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <vector>

#include "app/camera_busy.h"
#include "base/region.h"
#include "app/win/app.h"
#include "app/win/routes.h"
#include "base/win/window_record.h"
#include "base/platform.h"
#include "browser/win/coding_progress.h"
#include "edit/geometry.h"

namespace {

constexpr UINT kHelpKeyPollMs = 50;
constexpr char kBusyText[] =
    "Vistrel still active.\nQuit the application before quitting Windows.\n";

void SetStatusText(const char* text, UINT flags = 0) {
    if (HWND sb = App().status_bar)
        SendMessageA(sb, SB_SETTEXTA, 0 | flags, reinterpret_cast<LPARAM>(text));
}

void SetStatusParts() {
    AppState& app = App();
    if (!app.status_bar) return;
    RECT rc;
    GetClientRect(app.frame, &rc);
    int edges[5];
    StatusPartEdges(rc.right, RegionCode(), edges);
    SendMessageA(app.status_bar, SB_SETPARTS, 5, reinterpret_cast<LPARAM>(edges));
}

HWND CreateStatusBar(HWND frame) {
    AppState& app = App();
    app.status_bar =
        CreateWindowExA(0, STATUSCLASSNAMEA, IdleText(RegionCode()),
                        WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_BOTTOM, 0, 0, 0, 0, frame,
                        reinterpret_cast<HMENU>(kStatusBarId), app.instance, nullptr);
    SetStatusParts();
    return app.status_bar;
}

void SendSizeMessage(HWND frame) {
    RECT rc;
    GetClientRect(frame, &rc);
    SendMessageA(frame, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rc.right, rc.bottom));
}

bool ItemChecked(int command) {
    return (GetMenuState(App().menu, command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void CheckItem(int command, bool on) {
    CheckMenuItem(App().menu, command, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void ToggleToolbar(HWND frame) {
    AppState& app = App();
    if (ItemChecked(IDM_TOOLBAR_TOGGLE)) {
        CheckItem(IDM_TOOLBAR_TOGGLE, false);
        if (app.toolbar) {
            ShowWindow(app.toolbar, SW_HIDE);
            DestroyWindow(app.toolbar);
        }
        if (app.tooltip) DestroyWindow(app.tooltip);
        app.toolbar = nullptr;
        app.tooltip = nullptr;
        app.toolbar_hidden = 1;
        SendSizeMessage(frame);
    } else {
        CheckItem(IDM_TOOLBAR_TOGGLE, true);
        CreateFrameToolbar(frame);
        CreateToolbarTooltips(frame);
        app.toolbar_hidden = 0;
        SendSizeMessage(frame);
        if (app.toolbar) ShowWindow(app.toolbar, SW_SHOW);
    }
}

void ToggleStatusBar(HWND frame) {
    AppState& app = App();
    if (ItemChecked(IDM_STATUSBAR_TOGGLE)) {
        CheckItem(IDM_STATUSBAR_TOGGLE, false);
        if (app.status_bar) {
            ShowWindow(app.status_bar, SW_HIDE);
            DestroyWindow(app.status_bar);
        }
        app.status_bar = nullptr;
        app.status_hidden = 1;
        SendSizeMessage(frame);
    } else {
        CheckItem(IDM_STATUSBAR_TOGGLE, true);
        CreateStatusBar(frame);
        app.status_hidden = 0;
        SendSizeMessage(frame);
        if (app.status_bar) ShowWindow(app.status_bar, SW_SHOW);
    }
}

// MDI children that are not owned windows.
std::vector<HWND> MdiChildren() {
    std::vector<HWND> list;
    HWND mdi = App().mdi_client;
    if (!mdi) return list;
    for (HWND c = GetWindow(mdi, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!GetWindow(c, GW_OWNER)) list.push_back(c);
    }
    return list;
}

void CloseAll() {
    HWND mdi = App().mdi_client;
    for (HWND c : MdiChildren()) {
        if (!IsWindow(c)) continue;
        SendMessageA(mdi, WM_MDIRESTORE, reinterpret_cast<WPARAM>(c), 0);
        if (SendMessageA(c, WM_QUERYENDSESSION, 0, 0)) {
            SendMessageA(mdi, WM_MDIDESTROY, reinterpret_cast<WPARAM>(c), 0);
        }
    }
}

void CloseActive() {
    HWND child = ActiveChild(nullptr);
    if (!child || !WindowRecord(child)) return;
    if (SendMessageA(child, WM_QUERYENDSESSION, 0, 0)) {
        SendMessageA(App().mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0);
    }
}

bool AnyChildMinimised() {
    for (HWND c : MdiChildren()) {
        if (IsIconic(c)) return true;
    }
    return false;
}

void InitPopups() {
    AppState& app = App();
    ActiveChildState s = QueryActiveChild();
    bool minimised = AnyChildMinimised();
    for (int command : PopupManagedCommands()) {
        EnableMenuItem(
            app.menu, command,
            MF_BYCOMMAND | (MenuItemEnabled(command, s, minimised) ? MF_ENABLED : MF_GRAYED));
    }
}

void SetCommunicationEnabled(bool on) {
    if (HMENU file = App().popups[kPopupFile]) {
        EnableMenuItem(file, kCommunicationPosition, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
    }
}

// The camera flows call this (through EndCameraSession) when the session is over.
void GiveBackCameraCommands() {
    if (!App().frame) return;
    SetCommunicationEnabled(true);
    ToolbarSetState(IDT_DATA_IN, TBSTATE_ENABLED);
    ToolbarSetState(IDT_DATA_OUT, TBSTATE_ENABLED);
}

void HelpContents(HWND frame) {
    KillTimer(frame, kHelpKeyTimer);
    ShowHelp(kHelpContents);
    // One message that came in while the help engine started is taken here, before the key
    // timer runs again: a help-key tick already queued would find F1 still held and open the
    // help a second time, so it is dropped; a quit is posted again; anything else is passed on.
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
        } else if (!(msg.message == WM_TIMER && msg.hwnd == frame && msg.wParam == kHelpKeyTimer)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    SetTimer(frame, kHelpKeyTimer, kHelpKeyPollMs, nullptr);
}

void HelpKeyTick(HWND frame) {
    AppState& app = App();
    if (!app.app_active) return;
    KillTimer(frame, kHelpKeyTimer);
    bool down = (app.key_state(VK_F1) & 0x8000) != 0;
    if (down && !app.f1_held) ShowHelp(kHelpContents);
    app.f1_held = down;
    SetTimer(frame, kHelpKeyTimer, kHelpKeyPollMs, nullptr);
}

void OnMenuSelect(WPARAM wp, LPARAM lp) {
    UINT item = LOWORD(wp);
    UINT flags = HIWORD(wp);
    std::string text;
    if ((flags == 0xFFFF && lp == 0) || (flags & (MF_POPUP | MF_SEPARATOR | MF_SYSMENU)) ||
        item >= static_cast<UINT>(kFirstChildId)) {
        text = IdleText(RegionCode());
    } else {
        text = MenuHelpText(static_cast<int>(item), (flags & (MF_GRAYED | MF_DISABLED)) != 0,
                            RegionCode());
    }
    SetStatusText(text.c_str());
}

// Tooltip shown or hidden: part 0 follows. Returns false for what the default procedure gets.
bool OnTooltip(const NMHDR* nm) {
    AppState& app = App();
    if (nm->code == TTN_POP) {
        SetStatusText(IdleText(RegionCode()));
        return true;
    }
    int command = static_cast<int>(nm->idFrom);
    int menu = MenuCommandOfToolbar(command);
    if (!menu || !app.toolbar) return false;
    LRESULT state = SendMessageA(app.toolbar, TB_GETSTATE, command, 0);
    if (state != -1 && (state & TBSTATE_ENABLED)) {
        char text[65] = "";
        LoadStringA(app.instance, menu, text, 64);
        UINT flags = command == IDT_NEW_ALBUM || command == IDT_ADD_TO_ALBUM ? SBT_NOBORDERS : 0;
        SetStatusText(text, flags);
        return true;
    }
    const char* grey = GreyToolbarText(command);
    if (!grey) return false;
    SetStatusText(grey);
    return true;
}

void OnSize(HWND, WPARAM wp, LPARAM lp) {
    AppState& app = App();
    if (app.toolbar) SendMessageA(app.toolbar, WM_SIZE, wp, lp);
    if (app.status_bar) SendMessageA(app.status_bar, WM_SIZE, wp, lp);
    int width = LOWORD(lp);
    int height = HIWORD(lp);
    int top = 0;
    int bottom = 0;
    RECT rc;
    if (app.toolbar && GetWindowRect(app.toolbar, &rc)) top = rc.bottom - rc.top;
    if (app.status_bar && GetWindowRect(app.status_bar, &rc)) bottom = rc.bottom - rc.top;
    int client_height = height - top - bottom;
    if (client_height < 0) client_height = 0;
    if (app.mdi_client) MoveWindow(app.mdi_client, 0, top, width, client_height, TRUE);
    SetStatusParts();
    if (app.mdi_client) SendMessageA(app.mdi_client, WM_MDIICONARRANGE, 0, 0);
}

LRESULT OnCreate(HWND frame) {
    AppState& app = App();
    app.frame = frame;
    app.prompts.frame = frame;
    app.toolbar = app.status_bar = app.tooltip = app.mdi_client = nullptr;
    SetCurrentCameraWindow(frame);
    SetCodingFrame(frame);
    SetCameraCommandsHook(GiveBackCameraCommands);

    int tool = ReadSettingNumber(app.settings, "Tool", 0);
    int status = ReadSettingNumber(app.settings, "Status", 0);
    BarChoice bars = BarsFromSettings(tool, status);
    app.toolbar_hidden = tool;
    app.status_hidden = status;
    if (bars.toolbar) {
        CheckItem(IDM_TOOLBAR_TOGGLE, true);
        CreateFrameToolbar(frame);
    }
    if (bars.status_bar) {
        CheckItem(IDM_STATUSBAR_TOGGLE, true);
        CreateStatusBar(frame);
    }

    CLIENTCREATESTRUCT ccs{app.window_menu, static_cast<UINT>(kFirstChildId)};
    app.mdi_client = CreateWindowExA(
        WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_HSCROLL | WS_VSCROLL, 0, 0,
        0, 0, frame, reinterpret_cast<HMENU>(kMdiClientId), app.instance, &ccs);
    if (!app.mdi_client) return -1;
    InstallShellHooks(frame);
    UpdateMenuState();
    if (app.toolbar) CreateToolbarTooltips(frame);
    PostMessageA(frame, kMsgSplash, 0, 0);
    return 0;
}

void OnSplash(HWND frame) {
    AppState& app = App();
    if (RunSplash(frame, app.splash_ms) != 1) {
        SendMessageA(frame, WM_CLOSE, 0, 0);
        return;
    }
    app.splash_done = true;
    SetTimer(frame, kHelpKeyTimer, kHelpKeyPollMs, nullptr);
    for (const std::string& word : SplitCommandLine(app.command_line)) {
        OpenFileByPath(frame, word);
    }
}

void OnDestroy(HWND frame) {
    AppState& app = App();
    char value[16];
    std::snprintf(value, sizeof value, "%d", app.toolbar_hidden);
    app.settings.Set("Tool", value);
    std::snprintf(value, sizeof value, "%d", app.status_hidden);
    app.settings.Set("Status", value);
    KillTimer(frame, kHelpKeyTimer);
    ShowHelp(kHelpQuit);
    ForgetHandedFiles();
    SetCameraCommandsHook(nullptr);
    if (CurrentCameraWindow() == frame) SetCurrentCameraWindow(nullptr);
    SetCodingFrame(nullptr);
    app.prompts.frame = nullptr;
    app.frame = nullptr;
    app.mdi_client = app.toolbar = app.status_bar = app.tooltip = nullptr;
    PostQuitMessage(0);
}

// Where a pop-up of the menu bar stands now, or -1.
int PopupPosition(HMENU bar, HMENU popup) {
    const int count = GetMenuItemCount(bar);
    for (int i = 0; i < count; ++i)
        if (GetSubMenu(bar, i) == popup) return i;
    return -1;
}

}  // namespace

void UpdateMenuState() {
    AppState& app = App();
    if (!app.frame || !app.menu) return;
    const ActiveChildState s = QueryActiveChild();
    bool redraw = false;
    for (int popup : {kPopupEdit, kPopupImage, kPopupView}) {
        const bool on = PopupEnabled(popup, s);
        // Found by its handle: while a maximised child comes or goes its system menu may or may
        // not stand in front, whatever the child reports at that moment.
        const int position = PopupPosition(app.menu, app.popups[popup]);
        if (position < 0) continue;
        const UINT was =
            EnableMenuItem(app.menu, position, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
        const bool was_on = was != static_cast<UINT>(-1) && !(was & (MF_GRAYED | MF_DISABLED));
        if (was_on != on) redraw = true;
    }
    EnableMenuItem(app.menu, IDM_CUTOUT,
                   MF_BYCOMMAND | (MenuItemEnabled(IDM_CUTOUT, s, false) ? MF_ENABLED : MF_GRAYED));
    // The View pop-up checks the active picture's zoom; with another window active it keeps
    // the last picture's mark.
    if (IsActiveImage(s)) {
        const int checked = CommandForZoom(s.image_zoom);
        for (int c = IDM_ZOOM25; c <= IDM_ZOOM400; ++c) CheckItem(c, c == checked);
    }
    if (redraw) DrawMenuBar(app.frame);
}

void RunCameraFlow(HWND frame, bool (*start)(HWND frame)) {
    SetCameraBusy(true);
    SetCommunicationEnabled(false);
    ToolbarSetState(IDT_DATA_IN, TBSTATE_INDETERMINATE);
    ToolbarSetState(IDT_DATA_OUT, TBSTATE_INDETERMINATE);
    if (!start(frame)) {
        EndCameraSession();
        return;
    }
    if (App().modeless) SetFocus(App().modeless);
}

void RunWithFrameDisabled(HWND frame, void (*flow)(HWND frame)) {
    EnableWindow(frame, FALSE);
    SetCameraBusy(true);
    flow(frame);
    SetCameraBusy(false);
    EnableWindow(frame, TRUE);
    SetFocus(frame);
}

void ExitCommand(HWND frame, HWND, int) {
    if (CameraBusy()) {
        ShowCameraBusyRefusal(CurrentCameraWindow());
    } else {
        SendMessageA(frame, WM_CLOSE, 0, 0);
    }
}
void AboutCommand(HWND frame, HWND, int) {
    RunAbout(frame);
}
void HelpContentsCommand(HWND frame, HWND, int) {
    HelpContents(frame);
}
void CloseCommand(HWND, HWND, int) {
    CloseActive();
}
void TileCommand(HWND, HWND, int) {
    SendMessageA(App().mdi_client, WM_MDITILE, 0, 0);
}
void CascadeCommand(HWND, HWND, int) {
    SendMessageA(App().mdi_client, WM_MDICASCADE, 0, 0);
}
void ArrangeIconsCommand(HWND, HWND, int) {
    SendMessageA(App().mdi_client, WM_MDIICONARRANGE, 0, 0);
}
void CloseAllCommand(HWND, HWND, int) {
    CloseAll();
}
void ToolbarToggleCommand(HWND frame, HWND, int) {
    ToggleToolbar(frame);
}
void StatusbarToggleCommand(HWND frame, HWND, int) {
    ToggleStatusBar(frame);
}

void ShowCameraBusyRefusal(HWND owner) {
    ShowTaskModalBox(App().frame, owner, kBusyText, kAppTitle, MB_ICONWARNING | MB_OK);
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    AppState& app = App();
    switch (msg) {
        case WM_CREATE:
            return OnCreate(hwnd);
        case kMsgSplash:
            OnSplash(hwnd);
            if (IsWindow(hwnd)) OpenHandedFiles(hwnd);
            return 0;
        case WM_COPYDATA:
            if (!TakeHandedFiles(reinterpret_cast<const COPYDATASTRUCT*>(lp))) break;
            // Opened from the frame's own queue, so that the second start is answered at once
            // and does not wait for a message box of the opening.
            PostMessageA(hwnd, kMsgOpenHandedFiles, 0, 0);
            return TRUE;
        case kMsgOpenHandedFiles:
            OpenHandedFiles(hwnd);
            return 0;
        case WM_SIZE:
            OnSize(hwnd, wp, lp);
            return 0;
        case WM_COMMAND:
            if (RunCommand(hwnd, LOWORD(wp))) return 0;
            break;
        case WM_INITMENUPOPUP:
            InitPopups();
            break;
        case WM_MENUSELECT:
            OnMenuSelect(wp, lp);
            return 0;
        case WM_NOTIFY: {
            const NMHDR* nm = reinterpret_cast<const NMHDR*>(lp);
            if (nm && (nm->code == TTN_SHOW || nm->code == TTN_POP) && OnTooltip(nm)) return 0;
            break;
        }
        case WM_TIMER:
            if (wp == kHelpKeyTimer) {
                HelpKeyTick(hwnd);
                return 0;
            }
            break;
        case WM_ACTIVATEAPP:
            app.app_active = wp != 0;
            break;
        case WM_PALETTECHANGED:
            if (!app.palette_busy) {
                app.palette_busy = true;
                for (HWND c : MdiChildren()) SendMessageA(c, WM_PALETTECHANGED, wp, lp);
                app.palette_busy = false;
            }
            return 0;
        case WM_QUERYNEWPALETTE: {
            HWND child = ActiveChild(nullptr);
            if (!child) return 0;
            return SendMessageA(child, kMsgRealizePalette, reinterpret_cast<WPARAM>(hwnd), 0);
        }
        case WM_CLOSE:
            SendMessageA(hwnd, WM_COMMAND, IDM_CLOSE_ALL, 0);
            if (!MdiChildren().empty()) return 0;
            DestroyWindow(hwnd);
            return 0;
        case WM_QUERYENDSESSION:
            if (CameraBusy()) {
                ShowCameraBusyRefusal(CurrentCameraWindow());
                return FALSE;
            }
            SendMessageA(hwnd, WM_COMMAND, IDM_CLOSE_ALL, 0);
            if (!MdiChildren().empty()) return FALSE;
            DestroyWindow(hwnd);
            return TRUE;
        case WM_DESTROY:
            OnDestroy(hwnd);
            return 0;
        default:
            break;
    }
    return DefFrameProcA(hwnd, app.mdi_client, msg, wp, lp);
}
