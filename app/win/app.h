// The program's shell: the start-up sequence, the program-wide values it sets up, the frame
// window and the message loop. Everything here runs on the one user-interface thread; the
// values are the program's single globals, reachable through App().
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "app/shell_rules.h"
#include "base/win/ini_settings.h"
#include "base/win/win_prompts.h"
#include "base/win/win_pump.h"
#include "browser/win/status_dialogs.h"

constexpr int kMdiClientId = 3232;
constexpr int kFirstChildId = 4100;
constexpr int kToolbarId = 701;
constexpr int kStatusBarId = 700;
constexpr UINT_PTR kHelpKeyTimer = 8;
constexpr UINT_PTR kSplashTimer = 9;

// Help engine commands.
constexpr UINT kHelpContents = 3;
constexpr UINT kHelpQuit = 2;

struct StartupOptions {
    int region_override = -1;   // 0..3 replaces the region read from the system
    std::string settings_file;  // replaces the settings file next to the program
    UINT splash_ms = 1000;      // the splash's timer
};

struct AppState {
    HINSTANCE instance = nullptr;
    std::string settings_file;
    std::string help_file;
    std::string command_line;
    HWND frame = nullptr;
    HWND mdi_client = nullptr;
    HWND toolbar = nullptr;     // none while hidden
    HWND status_bar = nullptr;  // none while hidden
    HWND tooltip = nullptr;
    HMENU menu = nullptr;
    HMENU window_menu = nullptr;
    HMENU popups[kPopupWindow + 1] = {};  // the menu bar's pop-ups, by their first position
    int toolbar_hidden = 0;
    int status_hidden = 0;
    bool help_running = false;
    bool f1_held = false;
    bool app_active = false;
    bool palette_busy = false;
    HWND modeless = nullptr;  // the camera browser's dialog while it is open
    PRINTDLGA print_dialog{};
    UINT splash_ms = 1000;
    bool splash_done = false;               // the splash ended and the help key timer runs
    std::vector<std::string> handed_files;  // from a second start, opened after the splash

    // The seams the program installs.
    WinPrompts prompts;
    WinMessagePump pump;
    IniSettings settings;
    DialogOperationView view;

    // Replaced by tests: the help engine and the key state the help key reads.
    BOOL(WINAPI* help_engine)(HWND, LPCSTR, UINT, ULONG_PTR) = WinHelpA;
    SHORT(WINAPI* key_state)(int) = GetAsyncKeyState;
};

AppState& App();

// Runs start-up steps 1 to 8; returns the frame, or nullptr when the program is to end with
// exit code 0 (another instance runs, no program path, no menu or frame).
HWND AppStartup(HINSTANCE instance, const char* command_line, int show,
                const StartupOptions& options);
// The message loop; returns the quit message's exit code.
int AppMessageLoop();
// Program entry: start-up, then the loop.
int AppMain(HINSTANCE instance, const char* command_line, int show, const StartupOptions& options);

// Start-up pieces, also used by tests.
int ReadRegionCode();
HWND FindRunningInstance();
bool RegisterWindowClasses(HINSTANCE instance);
void ShowHelp(UINT command);
INT_PTR RunSplash(HWND owner, UINT timer_ms);
INT_PTR RunAbout(HWND owner);

// Files handed over by a second start (startup.cpp): TakeHandedFiles keeps the names of a
// WM_COPYDATA block (false for a block of another kind or too large); OpenHandedFiles opens the
// kept names once the splash is over; ForgetHandedFiles drops them when the frame goes.
bool TakeHandedFiles(const COPYDATASTRUCT* data);
void OpenHandedFiles(HWND frame);
void ForgetHandedFiles();

// The frame (frame.cpp).
LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
void ShowCameraBusyRefusal(HWND owner);

// The frame's menu: works out the Edit, Image and View pop-ups, Image Cutout and the View
// check mark from the active child's state. Children call it (through their hooks) whenever that
// state may have changed; the command table calls it after every command.
void UpdateMenuState();
// The camera flows around a session: Data in (start returns false when no session was started,
// and the commands are given back at once) and the flows that run with the frame disabled.
void RunCameraFlow(HWND frame, bool (*start)(HWND frame));
void RunWithFrameDisabled(HWND frame, void (*flow)(HWND frame));
// The frame's own commands, as the command table calls them (frame, active child, command).
void ExitCommand(HWND frame, HWND, int);
void AboutCommand(HWND frame, HWND, int);
void HelpContentsCommand(HWND frame, HWND, int);
void CloseCommand(HWND frame, HWND, int);
void TileCommand(HWND frame, HWND, int);
void CascadeCommand(HWND frame, HWND, int);
void ArrangeIconsCommand(HWND frame, HWND, int);
void CloseAllCommand(HWND frame, HWND, int);
void ToolbarToggleCommand(HWND frame, HWND, int);
void StatusbarToggleCommand(HWND frame, HWND, int);

// Toolbar and tooltips (toolbar.cpp).
HWND CreateFrameToolbar(HWND frame);
void CreateToolbarTooltips(HWND frame);
void ToolbarSetState(int command, int state);
void RefreshToolbarStates();
// The active MDI child with a record, its kind and the album/image states the rules need.
ActiveChildState QueryActiveChild();
HWND ActiveChild(BOOL* maximised);
