// Start-up of the program: region, single instance, file paths, the print record, the window
// classes, the frame, the splash and the message loop; and the help engine. Start-up either
// completes or ends the program with exit code 0, never half-built.
#include <windows.h>
#include <commctrl.h>
#include <direct.h>

#include <cctype>
#include <vector>

#include "base/region.h"
#include "app/win/app.h"
#include "album/win/album_window.h"
#include "app/win/routes.h"
#include "base/win/window_record.h"
#include "base/platform.h"
#include "base/win/win_handles.h"
#include "browser/win/meter.h"
#include "edit/win/image_window.h"
#include "print/win/print_win.h"
#include "slideshow/win/slide_show_win.h"
#include "base/messages.h"
#include "link/link_profile.h"
#include "link/port.h"
#include "res/resource.h"
#include "vistrel_version.h"

AppState& App() {
    static AppState app;
    return app;
}

int ReadRegionCode() {
    char dir[MAX_PATH];
    UINT n = GetSystemDirectoryA(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return kRegionEnglish;
    std::string path = std::string(dir) + "\\commdlg.dll";
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return kRegionEnglish;
    std::vector<char> block(size + 100, 0);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return kRegionEnglish;
    void* value = nullptr;
    UINT length = 0;
    int language = 1033;
    if (VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length) &&
        length == 4 && value) {
        const unsigned char* b = static_cast<const unsigned char*>(value);
        language = b[0] | (b[1] << 8);
    }
    return RegionFromLanguage(language);
}

HWND FindRunningInstance() {
    return FindWindowA(kFrameClass, kAppTitle);
}

// --- files handed over by a second start ---------------------------------------------------
//
// A second start with file names passes them to the running program, which opens them as if
// they had been on its own command line. The names travel as full paths (a relative name means
// the second start's folder), each ended by a NUL, in one WM_COPYDATA.

namespace {

constexpr DWORD kHandOverLimit = 64 * 1024;  // bytes; more than any command line holds
constexpr UINT kHandOverTimeoutMs = 10000;

std::vector<std::string>& HandedFiles() {
    return App().handed_files;
}

}  // namespace

void OpenHandedFiles(HWND frame) {
    if (!App().splash_done) return;  // the splash's end opens them with the command line
    std::vector<std::string> files;
    files.swap(HandedFiles());
    for (const std::string& path : files) OpenFileByPath(frame, path);
}

bool TakeHandedFiles(const COPYDATASTRUCT* data) {
    if (!data || data->dwData != kOpenFilesTag || !data->lpData || data->cbData == 0 ||
        data->cbData > kHandOverLimit)
        return false;
    const char* bytes = static_cast<const char*>(data->lpData);
    std::string word;
    for (DWORD i = 0; i < data->cbData; ++i) {
        if (bytes[i] != '\0') {
            word += bytes[i];
            continue;
        }
        if (!word.empty() && word.size() < MAX_PATH) HandedFiles().push_back(word);
        word.clear();
    }
    return true;
}

void ForgetHandedFiles() {
    HandedFiles().clear();
}

namespace {

// The command line's words as full paths, each ended by a NUL; empty when it names no file.
std::string HandOverBlock(const std::string& command_line) {
    std::string block;
    for (const std::string& word : SplitCommandLine(command_line)) {
        char full[MAX_PATH];
        DWORD n = GetFullPathNameA(word.c_str(), MAX_PATH, full, nullptr);
        block += (n > 0 && n < MAX_PATH) ? std::string(full, n) : word;
        block += '\0';
    }
    return block;
}

// Sends the second start's files to the running program; true when it took them.
bool HandFilesTo(HWND running, const std::string& command_line) {
    std::string block = HandOverBlock(command_line);
    if (block.empty() || block.size() > kHandOverLimit) return false;
    COPYDATASTRUCT data{kOpenFilesTag, static_cast<DWORD>(block.size()), &block[0]};
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG, kHandOverTimeoutMs, &answer) != 0 &&
           answer == TRUE;
}

}  // namespace

bool RegisterWindowClasses(HINSTANCE instance) {
    struct ClassRow {
        const char* name;
        UINT style;
        WNDPROC proc;
        int icon;
        LPCSTR cursor;
        HBRUSH background;
        const char* menu;
    };
    const HBRUSH face = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    const ClassRow rows[] = {
        {kFrameClass, CS_HREDRAW | CS_VREDRAW, FrameProc, IDI_FRAME, IDC_WAIT, face, "ZEKDscMenu"},
        {kImageClass, CS_HREDRAW | CS_VREDRAW, ImageWindowProc, IDI_IMAGE, IDC_ARROW,
         static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), nullptr},
        {kAlbumClass, CS_HREDRAW | CS_VREDRAW, AlbumChildProc, IDI_ALBUM, IDC_ARROW, face, nullptr},
        {kAlbumButtonClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, AlbumPictureButtonProc, 0,
         IDC_ARROW, face, nullptr},
    };
    bool ok = true;
    auto add = [&](const ClassRow& r) {
        WNDCLASSA wc{};
        wc.style = r.style;
        wc.lpfnWndProc = r.proc;
        wc.cbWndExtra = kWindowWordBytes;
        wc.hInstance = instance;
        wc.hIcon = r.icon ? LoadIconA(instance, MAKEINTRESOURCEA(r.icon)) : nullptr;
        wc.hCursor = LoadCursor(nullptr, r.cursor);
        wc.hbrBackground = r.background;
        wc.lpszMenuName = r.menu;
        wc.lpszClassName = r.name;
        // A class left registered by an earlier start in the same process is fine.
        if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) ok = false;
    };
    for (const ClassRow& r : rows) add(r);
    if (!RegisterMeterClass(instance)) ok = false;
    add({kSlideShowClass, CS_HREDRAW | CS_VREDRAW, SlideShowWindowProc, IDI_ALBUM, IDC_ARROW,
         static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), nullptr});
    return ok;
}

void ShowHelp(UINT command) {
    AppState& app = App();
    if (app.help_running && command != kHelpQuit) return;
    app.help_running = true;
    int drive = _getdrive();
    char windows_dir[MAX_PATH] = "";
    GetWindowsDirectoryA(windows_dir, MAX_PATH);
    unsigned char letter = static_cast<unsigned char>(windows_dir[0]);
    if (std::isalpha(letter)) {
        _chdrive(std::toupper(letter) - 'A' + 1);
        app.help_engine(app.frame, app.help_file.c_str(), command, 0);
        if (drive) _chdrive(drive);
    }
    app.help_running = false;
}

// --- splash and about box ------------------------------------------------------------------

namespace {

// The picture of the splash and the about box, straight from the bitmap resource.
struct PictureDialog {
    UINT timer_ms = 0;  // 0: the about box, no timer
    const BITMAPINFO* info = nullptr;
    const void* bits = nullptr;
    int width = 0;
    int height = 0;
    ScopedPalette palette;
};

bool LoadPicture(PictureDialog& p) {
    HINSTANCE instance = App().instance;
    HRSRC found = FindResourceA(instance, "VistrelBitmap", MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (!found) return false;
    DWORD size = SizeofResource(instance, found);
    HGLOBAL loaded = LoadResource(instance, found);
    if (!loaded) return false;
    const BITMAPINFOHEADER* h = static_cast<const BITMAPINFOHEADER*>(LockResource(loaded));
    if (!h || size < sizeof(BITMAPINFOHEADER) || h->biSize < sizeof(BITMAPINFOHEADER)) return false;
    if (h->biWidth <= 0 || h->biHeight == 0 || h->biWidth > 4096 || h->biHeight > 4096 ||
        h->biHeight < -4096 || h->biPlanes != 1 || h->biCompression != BI_RGB)
        return false;
    int bpp = h->biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
    uint32_t colours = bpp <= 8 ? (h->biClrUsed ? h->biClrUsed : 1u << bpp) : h->biClrUsed;
    if (bpp <= 8 && colours > (1u << bpp)) return false;
    uint64_t rows = static_cast<uint64_t>(h->biHeight < 0 ? -h->biHeight : h->biHeight);
    uint64_t stride = ((static_cast<uint64_t>(h->biWidth) * bpp + 31) / 32) * 4;
    uint64_t need = h->biSize + colours * 4ull + stride * rows;
    if (need > size) return false;

    p.info = reinterpret_cast<const BITMAPINFO*>(h);
    p.bits = reinterpret_cast<const char*>(h) + h->biSize + colours * 4;
    p.width = h->biWidth;
    p.height = static_cast<int>(rows);
    if (colours > 0) {
        std::vector<char> block(sizeof(LOGPALETTE) + colours * sizeof(PALETTEENTRY));
        LOGPALETTE* lp = reinterpret_cast<LOGPALETTE*>(block.data());
        lp->palVersion = 0x300;
        lp->palNumEntries = static_cast<WORD>(colours);
        const RGBQUAD* table =
            reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const char*>(h) + h->biSize);
        for (uint32_t i = 0; i < colours; ++i) {
            lp->palPalEntry[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
        }
        p.palette.reset(CreatePalette(lp));
    }
    return true;
}

void PaintPicture(HWND dlg, const PictureDialog& p) {
    ScopedPaint paint(dlg);
    ScopedSelectPalette pal(paint.dc(), p.palette.get(), FALSE);
    if (p.palette) RealizePalette(paint.dc());
    SetDIBitsToDevice(paint.dc(), 0, 0, p.width, p.height, 0, 0, 0, p.height, p.bits, p.info,
                      DIB_RGB_COLORS);
}

void EndPicture(HWND dlg, PictureDialog& p, INT_PTR result) {
    if (p.timer_ms) {
        KillTimer(dlg, kSplashTimer);
        BusyWait(500);  // calibrates the pace of paced serial writes
    }
    p.palette.reset();
    EndDialog(dlg, result);
}

INT_PTR CALLBACK PictureProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    PictureDialog* p = reinterpret_cast<PictureDialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG: {
            p = reinterpret_cast<PictureDialog*>(lp);
            SetWindowLongPtrA(dlg, DWLP_USER, lp);
            ShowWindow(GetDlgItem(dlg, IDOK), SW_HIDE);
            if (!LoadPicture(*p)) {
                ShowError(kMsgUnexpected);
                EndDialog(dlg, 0);
                return TRUE;
            }
            int x = (GetSystemMetrics(SM_CXSCREEN) - p->width) / 2;
            int y = (GetSystemMetrics(SM_CYSCREEN) - p->height) / 2;
            SetWindowPos(dlg, nullptr, x, y, p->width, p->height, SWP_NOZORDER);
            if (p->timer_ms) SetTimer(dlg, kSplashTimer, p->timer_ms, nullptr);
            if (HWND version = GetDlgItem(dlg, IDC_ABOUT_VERSION)) {
                SetWindowTextA(version, "Version " VISTREL_VERSION_STRING);
                SetWindowPos(version, nullptr, 0, p->height - 20, p->width, 16, SWP_NOZORDER);
            }
            return TRUE;
        }
        case WM_PAINT:
            if (!p || !p->info) return FALSE;
            PaintPicture(dlg, *p);
            return TRUE;
        case WM_QUERYNEWPALETTE:
            if (p && p->palette) InvalidateRect(dlg, nullptr, FALSE);
            return FALSE;
        case WM_TIMER:
            if (wp != kSplashTimer || !p) return FALSE;
            EndPicture(dlg, *p, 1);
            return TRUE;
        case WM_LBUTTONDOWN:
            if (p) EndPicture(dlg, *p, 1);
            return TRUE;
        case WM_COMMAND:
            if ((LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) && p) EndPicture(dlg, *p, 1);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR RunSplash(HWND owner, UINT timer_ms) {
    PictureDialog p;
    p.timer_ms = timer_ms ? timer_ms : 1;
    return DialogBoxParamA(App().instance, "WaitBMPDlgBox", owner, PictureProc,
                           reinterpret_cast<LPARAM>(&p));
}

INT_PTR RunAbout(HWND owner) {
    PictureDialog p;
    return DialogBoxParamA(App().instance, "AboutDlg", owner, PictureProc,
                           reinterpret_cast<LPARAM>(&p));
}

// --- start-up and the message loop ---------------------------------------------------------

HWND AppStartup(HINSTANCE instance, const char* command_line, int show,
                const StartupOptions& options) {
    AppState& app = App();
    SetRegionCode(options.region_override >= 0 ? options.region_override : ReadRegionCode());

    if (HWND running = FindRunningInstance()) {
        if (command_line) HandFilesTo(running, command_line);
        if (IsIconic(running)) {
            ShowWindow(running, SW_RESTORE);
        } else {
            SetForegroundWindow(running);
        }
        return nullptr;
    }

    app.instance = instance;
    app.command_line = command_line ? command_line : "";
    char program[MAX_PATH + 1] = "";
    DWORD n = GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    app.help_file = FileNextTo(program, "vistrel.hlp");
    app.settings_file =
        options.settings_file.empty() ? FileNextTo(program, "vistrel.ini") : options.settings_file;
    if (app.help_file.empty() || app.settings_file.empty() || app.help_file.size() >= MAX_PATH ||
        app.settings_file.size() >= MAX_PATH)
        return nullptr;
    app.splash_ms = options.splash_ms;
    app.splash_done = false;
    app.help_running = false;
    app.f1_held = false;

    // The seams of the program.
    app.settings.path = app.settings_file;
    app.settings.section = "ZEKAPP";
    app.prompts.status_window = CurrentCameraWindow;
    Platform& plat = Plat();
    plat.settings = &app.settings;
    plat.prompts = &app.prompts;
    plat.pump = &app.pump;
    plat.view = &app.view;
    SelectLinkProfile(ProgramLinkProfile());
    SetDialogInstance(instance);

    PRINTDLGA& pd = app.print_dialog;
    pd = PRINTDLGA{};
    pd.lStructSize = sizeof(PRINTDLGA);
    pd.nCopies = 1;
    pd.Flags =
        PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_ENABLEPRINTTEMPLATE | PD_ENABLEPRINTHOOK;
    pd.hInstance = instance;
    pd.lpPrintTemplateName = "PRINT88C";
    pd.lpfnPrintHook = PrintOptionsHook;

    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    if (!RegisterWindowClasses(instance)) return nullptr;

    app.menu = LoadMenuA(instance, "DscMenu");
    if (!app.menu) return nullptr;
    for (int i = kPopupFile; i <= kPopupWindow; ++i) app.popups[i] = GetSubMenu(app.menu, i);
    app.window_menu = app.popups[kPopupWindow];

    HWND frame = CreateWindowExA(0, kFrameClass, kAppTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 nullptr, app.menu, instance, nullptr);
    if (!frame) {
        DestroyMenu(app.menu);
        app.menu = nullptr;
        app.frame = nullptr;
        return nullptr;
    }
    ShowWindow(frame, show);
    UpdateWindow(frame);
    return frame;
}

int AppMessageLoop() {
    AppState& app = App();
    MSG msg{};
    int exit_code = 0;
    for (;;) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            exit_code = static_cast<int>(msg.wParam);
            break;
        }
        if (got == -1) break;
        if (!(app.modeless && IsDialogMessageA(app.modeless, &msg))) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        RefreshToolbarStates();
    }
    if (app.menu && IsMenu(app.menu)) DestroyMenu(app.menu);
    app.menu = nullptr;
    return exit_code;
}

int AppMain(HINSTANCE instance, const char* command_line, int show, const StartupOptions& options) {
    if (!AppStartup(instance, command_line, show, options)) return 0;
    return AppMessageLoop();
}
