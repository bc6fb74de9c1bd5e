#include "setup/win/setup_app.h"

#include <shlobj.h>
#include <windows.h>

#include <string>
#include <vector>

#include "setup/setup_rules.h"

namespace {

FolderChooser g_chooser = nullptr;
std::string g_autoexec = "c:\\autoexec.bat";

struct Splash {
    HGLOBAL resource = nullptr;
    const BITMAPINFO* info = nullptr;
    const void* bits = nullptr;
    HPALETTE palette = nullptr;
};
Splash g_splash;
std::string g_source;

int Box(HWND owner, const char* text, const char* title, UINT style) {
    return MessageBoxA(owner, text, title, style);
}

bool LoadSplash(HINSTANCE instance) {
    HRSRC r = FindResourceA(instance, "SETUPBITMAP", MAKEINTRESOURCEA(2));  // RT_BITMAP
    if (!r) return false;
    g_splash.resource = LoadResource(instance, r);
    const DWORD size = SizeofResource(instance, r);
    if (!g_splash.resource || size < sizeof(BITMAPINFOHEADER)) return false;
    const auto* info = static_cast<const BITMAPINFO*>(LockResource(g_splash.resource));
    if (!info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return false;
    const int bits = info->bmiHeader.biBitCount;
    DWORD colors = info->bmiHeader.biClrUsed;
    if (colors == 0 && bits <= 8) colors = 1u << bits;
    if (colors > 256) return false;
    const DWORD offset = info->bmiHeader.biSize + colors * sizeof(RGBQUAD);
    if (offset >= size) return false;
    g_splash.info = info;
    g_splash.bits = reinterpret_cast<const char*>(info) + offset;
    std::vector<char> buffer(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(buffer.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(colors ? colors : 1);
    for (DWORD i = 0; i < colors; ++i) {
        const RGBQUAD& q = info->bmiColors[i];
        lp->palPalEntry[i] = {q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
    }
    if (colors == 0) lp->palPalEntry[0] = {0, 0, 0, 0};
    g_splash.palette = CreatePalette(lp);
    return g_splash.palette != nullptr;
}

void FreeSplash() {
    if (g_splash.palette) DeleteObject(g_splash.palette);
    g_splash = Splash{};
}

void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (g_splash.info) {
        HPALETTE old = SelectPalette(dc, g_splash.palette, FALSE);
        RealizePalette(dc);
        RECT rc;
        GetClientRect(hwnd, &rc);
        SetStretchBltMode(dc, COLORONCOLOR);
        const auto& h = g_splash.info->bmiHeader;
        StretchDIBits(dc, 0, 0, rc.right, rc.bottom, 0, 0, h.biWidth, std::abs(h.biHeight),
                      g_splash.bits, g_splash.info, DIB_RGB_COLORS, SRCCOPY);
        SelectPalette(dc, old, FALSE);
    }
    EndPaint(hwnd, &ps);
}

std::string CurrentDirectory() {
    char dir[MAX_PATH] = "";
    const DWORD n = GetCurrentDirectoryA(MAX_PATH, dir);
    return n > 0 && n < MAX_PATH ? std::string(dir) : std::string();
}

void GuessFolder() {
    HANDLE f = CreateFileA(g_autoexec.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    std::string text;
    const DWORD size = GetFileSize(f, nullptr);
    if (size != INVALID_FILE_SIZE && size < (1u << 20)) {
        text.resize(size);
        DWORD got = 0;
        if (size && !ReadFile(f, &text[0], size, &got, nullptr)) got = 0;
        text.resize(got);
    }
    CloseHandle(f);
    const std::string guess = GuessPluginFolder(text);
    if (guess.empty()) return;
    const std::string remembered = CurrentDirectory();
    if (!SetCurrentDirectoryA(guess.c_str())) SetCurrentDirectoryA(remembered.c_str());
}

int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM) {
    if (msg != BFFM_INITIALIZED) return 0;
    SetWindowTextA(hwnd, kSetupTitle);
    RECT rc;
    GetWindowRect(hwnd, &rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    SetWindowPos(hwnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - h) / 3, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const std::string current = CurrentDirectory();
    // Selected twice: Wine's browser matches the folders on the way byte for byte, last-access
    // time included, and the first selection's own reading of those folders can move their access
    // times; it then stops short (on the desktop) and OK would copy there. The second selection
    // meets settled times. On Windows the second one changes nothing.
    for (int pass = 0; pass < 2; ++pass) {
        SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(current.c_str()));
    }
    return 0;
}

bool ShellChooseFolder(HWND owner, std::string* folder) {
    IMalloc* shell_malloc = nullptr;
    if (FAILED(SHGetMalloc(&shell_malloc)) || !shell_malloc) return false;
    LPITEMIDLIST root = nullptr;
    SHGetSpecialFolderLocation(owner, CSIDL_DESKTOP, &root);
    char name[MAX_PATH] = "";
    BROWSEINFOA bi{};
    bi.hwndOwner = owner;
    bi.pidlRoot = root;
    bi.pszDisplayName = name;
    bi.lpszTitle = kBrowseTitle;
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    bi.lpfn = BrowseCallback;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&bi);
    bool ok = false;
    if (chosen) {
        char path[MAX_PATH] = "";
        ok = SHGetPathFromIDListA(chosen, path) != FALSE;
        if (ok) *folder = path;
        shell_malloc->Free(chosen);
    }
    if (root) shell_malloc->Free(root);
    shell_malloc->Release();
    return ok;
}

// A folder the copy may go to: no CD-ROM, and it must exist (network drives always pass).
bool FolderUsable(const std::string& folder) {
    const UINT saved = SetErrorMode(SEM_FAILCRITICALERRORS);
    std::string root = folder.substr(0, 3);
    const UINT type = GetDriveTypeA(root.c_str());
    bool ok = true;
    if (type != DRIVE_REMOTE) {
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        ok = type != DRIVE_CDROM && attributes != INVALID_FILE_ATTRIBUTES &&
             (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    SetErrorMode(saved);
    return ok;
}

void Work(HWND hwnd) {
    if (Box(hwnd, kFirstQuestion, kSetupTitle, MB_ICONWARNING | MB_OKCANCEL) == IDCANCEL) {
        Box(hwnd, kSetupNotComplete, kSetupTitle, MB_ICONWARNING | MB_OK);
        DestroyWindow(hwnd);
        return;
    }
    GuessFolder();
    for (;;) {
        std::string folder;
        const bool chosen = g_chooser ? g_chooser(hwnd, &folder) : ShellChooseFolder(hwnd, &folder);
        if (!chosen) break;
        bool accepted = FolderUsable(folder);
        if (!accepted) Box(hwnd, kNotReady, "Warning", MB_OK);
        if (accepted) {
            const std::string target = TargetPathOf(folder);
            if (TargetPresent(target) &&
                Box(hwnd, kReplaceQuestion, kSetupTitle, MB_ICONERROR | MB_YESNO) == IDNO) {
                accepted = false;
            } else {
                SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_ARCHIVE);
                if (CopyFileA(g_source.c_str(), target.c_str(), FALSE)) {
                    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_ARCHIVE);
                    Box(hwnd, kSetupComplete, kSetupTitle, MB_ICONWARNING | MB_OK);
                } else {
                    Box(hwnd, kSetupError, kSetupTitle, MB_ICONWARNING | MB_OK);
                }
                DestroyWindow(hwnd);
                return;
            }
        }
        if (Box(hwnd, kTryAnotherQuestion, kSetupTitle, MB_ICONWARNING | MB_YESNO) == IDNO) break;
    }
    Box(hwnd, kSetupNotComplete, kSetupTitle, MB_ICONWARNING | MB_OK);
    DestroyWindow(hwnd);
}

LRESULT CALLBACK SetupProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CREATE: {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
            if (!LoadSplash(cs->hInstance)) {
                MessageBoxA(hwnd, kSetupError, nullptr, MB_OK);
                return -1;
            }
            g_source = SourcePathOf(CurrentDirectory());
            PostMessageA(hwnd, kMsgSetupWork, 0, 0);
            return 0;
        }
        case WM_PAINT:
            Paint(hwnd);
            return 0;
        case WM_QUERYNEWPALETTE:
            InvalidateRect(hwnd, nullptr, FALSE);
            return TRUE;
        case kMsgSetupWork:
            Work(hwnd);
            return 0;
        case WM_DESTROY:
            FreeSplash();
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

bool RegisterSetupClass(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = SetupProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(105));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = CreateSolidBrush(RGB(0, 0, 255));
    wc.lpszClassName = kSetupClass;
    wc.hIconSm = LoadIconA(instance, "SMALL");
    return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

void SetFolderChooser(FolderChooser chooser) {
    g_chooser = chooser;
}

void SetAutoexecPath(const std::string& path) {
    g_autoexec = path;
}

bool TargetPresent(const std::string& path) {
    if (path.empty()) return false;
    HANDLE f = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        CloseHandle(f);
        return true;
    }
    const DWORD error = GetLastError();
    // Not there; any other failure counts as there, so that nothing is overwritten blindly.
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

int RunSetup(HINSTANCE instance, int show) {
    if (HWND other = FindWindowA(kSetupClass, nullptr)) {
        if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
        SetForegroundWindow(other);
        return 0;
    }
    if (!RegisterSetupClass(instance)) return 1;
    HWND hwnd = CreateWindowExA(0, kSetupClass, kSetupTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                instance, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, show == SW_HIDE ? SW_HIDE : SW_SHOWMAXIMIZED);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
