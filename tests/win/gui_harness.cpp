#include "gui_harness.h"

#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <set>

namespace {

DWORD g_limit_ms = 0;
bool g_quit_seen = false;
void PrintState();

DWORD WINAPI WatchdogThread(void*) {
    ::Sleep(g_limit_ms);
    std::fprintf(stderr, "watchdog: the test program ran longer than %lu ms; ending it\n",
                 static_cast<unsigned long>(g_limit_ms));
    PrintState();
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
}

struct BoxState {
    bool started = false;
    std::deque<int> expected;
    std::vector<std::string> seen;
    int unexpected = 0;
    std::set<HWND> answered;
};
BoxState g_boxes;

// The steps of a script, in order: each waits for its window (or condition) and runs once.
struct ScriptStep {
    std::function<HWND()> ready;  // the window (or any non-null value) when the step may run
    std::function<void(HWND)> act;
};
std::deque<ScriptStep> g_steps;
int g_steps_run = 0;
std::set<HWND> g_dialogs_handled;

// A file dialog of the system: it has the file-name field or the folder list.
bool IsCommonDialog(HWND hwnd) {
    return GetDlgItem(hwnd, 0x480) || GetDlgItem(hwnd, 0x47C) || GetDlgItem(hwnd, 0x461);
}

struct TitleSearch {
    const std::string* title;
    int control;
    HWND found;
};

BOOL CALLBACK FindTitled(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<TitleSearch*>(lp);
    if (!IsWindowVisible(hwnd) || g_dialogs_handled.count(hwnd)) return TRUE;
    if (WindowText(hwnd) != *search->title) return TRUE;
    if (search->control && !GetDlgItem(hwnd, search->control)) return TRUE;
    search->found = hwnd;
    return FALSE;
}

void RunScript() {
    while (!g_steps.empty()) {
        HWND target = g_steps.front().ready();
        if (!target) return;
        ScriptStep step = g_steps.front();
        g_steps.pop_front();
        std::fprintf(stderr, "script: step %d\n", ++g_steps_run);
        step.act(target);
    }
}

BOOL CALLBACK FindBox(HWND hwnd, LPARAM) {
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    if (IsCommonDialog(hwnd) || g_dialogs_handled.count(hwnd)) return TRUE;
    // The message text control: 0xFFFF on Windows, 100 in Wine's template.
    HWND text = GetDlgItem(hwnd, 0xFFFF);
    if (!text) text = GetDlgItem(hwnd, 100);
    if (!text) return TRUE;
    if (g_boxes.answered.count(hwnd)) return TRUE;
    g_boxes.answered.insert(hwnd);
    std::string body = WindowText(text);
    g_boxes.seen.push_back(body);
    int button = IDOK;
    if (!g_boxes.expected.empty()) {
        button = g_boxes.expected.front();
        g_boxes.expected.pop_front();
    } else {
        ++g_boxes.unexpected;
        ADD_FAILURE() << "unexpected message box: " << body;
        button = GetDlgItem(hwnd, IDNO) ? IDNO : (GetDlgItem(hwnd, IDCANCEL) ? IDCANCEL : IDOK);
    }
    PostMessageA(hwnd, WM_COMMAND, button, 0);
    return TRUE;
}

bool g_in_timer = false;

void CALLBACK BoxTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_in_timer) return;  // an action's own modal loop
    g_in_timer = true;
    RunScript();
    EnumThreadWindows(GetCurrentThreadId(), FindBox, 0);
    g_in_timer = false;
}

// What the monitor has met, for a test that hangs.
void PrintState() {
    std::fprintf(stderr, "script steps run: %d, waiting: %d\n", g_steps_run,
                 static_cast<int>(g_steps.size()));
    for (const std::string& text : g_boxes.seen)
        std::fprintf(stderr, "box seen: %s\n", text.c_str());
}

bool PumpOnce() {
    MSG msg;
    bool any = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        any = true;
        if (msg.message == WM_QUIT) {
            g_quit_seen = true;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return any;
}

}  // namespace

bool MarkProgramUnmanaged(const std::string& program) {
    const std::string key = "Software\\Wine\\AppDefaults\\" + program + "\\X11 Driver";
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0,
                        KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return false;
    char value[8] = "";
    DWORD size = sizeof value;
    DWORD type = 0;
    bool already = RegQueryValueExA(h, "Managed", nullptr, &type, reinterpret_cast<BYTE*>(value),
                                    &size) == ERROR_SUCCESS &&
                   type == REG_SZ && value[0] == 'N';
    if (!already) RegSetValueExA(h, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(h);
    return !already;
}

bool MarkWindowsUnmanaged() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    return MarkProgramUnmanaged(name);
}

std::string ProgramFolder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of("\\/") + 1);
}

int RunAgain() {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string line = GetCommandLineA();
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "the test program could not run itself again (error %lu): %s\n",
                     static_cast<unsigned long>(GetLastError()), line.c_str());
        return 4;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 4;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

void StartWatchdog(DWORD limit_ms) {
    g_limit_ms = limit_ms;
    HANDLE t = CreateThread(nullptr, 0, WatchdogThread, nullptr, 0, nullptr);
    if (t) CloseHandle(t);
}

namespace boxes {
void Start() {
    if (g_boxes.started) return;
    g_boxes.started = true;
    SetTimer(nullptr, 0, 30, BoxTimer);
}
void Expect(int button) {
    g_boxes.expected.push_back(button);
}
const std::vector<std::string>& Seen() {
    return g_boxes.seen;
}
int UnexpectedCount() {
    return g_boxes.unexpected;
}
int PendingExpectations() {
    return static_cast<int>(g_boxes.expected.size());
}
void Clear() {
    g_boxes.seen.clear();
    g_boxes.expected.clear();
    g_boxes.unexpected = 0;
}
}  // namespace boxes

namespace dialogs {
void When(const std::string& title, std::function<void(HWND)> act, int control) {
    boxes::Start();
    g_steps.push_back({[title, control]() -> HWND {
                           TitleSearch search = {&title, control, nullptr};
                           EnumThreadWindows(GetCurrentThreadId(), FindTitled,
                                             reinterpret_cast<LPARAM>(&search));
                           if (search.found) g_dialogs_handled.insert(search.found);
                           return search.found;
                       },
                       std::move(act)});
}
void WhenReady(std::function<bool()> ready, std::function<void()> act) {
    boxes::Start();
    g_steps.push_back({[ready]() -> HWND { return ready() ? reinterpret_cast<HWND>(1) : nullptr; },
                       [act](HWND) { act(); }});
}
int Pending() {
    return static_cast<int>(g_steps.size());
}
void Clear() {
    g_steps.clear();
    g_steps_run = 0;
}
void PostCommand(HWND dlg, int id) {
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}
}  // namespace dialogs

void PumpWindowsFor(DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        if (!PumpOnce()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    PumpOnce();
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeout_ms) return done();
        if (!PumpOnce()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

bool TakeQuitSeen() {
    bool seen = g_quit_seen;
    g_quit_seen = false;
    return seen;
}

std::string WindowText(HWND hwnd) {
    char text[1024] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::string TempFilePath(const char* name) {
    char dir[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, dir);
    char unique[32];
    std::snprintf(unique, sizeof unique, "%lu-", static_cast<unsigned long>(GetCurrentProcessId()));
    return std::string(dir) + unique + name;
}

void SaveWindowShot(HWND window, const char* name) {
    const char* dir = std::getenv("VISTREL_SHOT_DIR");
    if (!dir) return;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpWindowsFor(300);
    RECT rc;
    GetWindowRect(window, &rc);
    // A maximised window reaches past the screen's edges; only the screen can be read.
    const RECT screen_rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&rc, &rc, &screen_rect);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bitmap);
    BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFOHEADER bi{};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    const DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    std::vector<uint8_t> rows(static_cast<size_t>(stride) * h);
    GetDIBits(mem, bitmap, 0, h, rows.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER bf{};
    bf.bfType = 0x4D42;
    bf.bfOffBits = sizeof bf + sizeof bi;
    bf.bfSize = bf.bfOffBits + static_cast<DWORD>(rows.size());
    const std::string path = std::string(dir) + "\\" + name + ".bmp";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&bf, sizeof bf, 1, f);
        std::fwrite(&bi, sizeof bi, 1, f);
        std::fwrite(rows.data(), 1, rows.size(), f);
        std::fclose(f);
    }
}
