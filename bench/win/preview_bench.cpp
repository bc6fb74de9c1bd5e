// The camera browser's Preview against vistrel-camsim --realtime on COM1 (scripts/bench-preview
// starts it): the time from the Preview click to the last grid button drawn, against the line
// time of the thumbnail bytes at 115200 bit/s; then scrolling back and forth over the three
// cached pages, whose requests the simulator's log counts. Prints figures, not a test.
//   preview_bench.exe IMAGES LOG    (LOG: the simulator's log as a Windows path)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/win/camera_ui_win.h"
#include "base/platform.h"
#include "base/region.h"
#include "base/win/win_prompts.h"
#include "base/win/win_pump.h"
#include "browser/browser_model.h"
#include "browser/win/camera_browser_win.h"
#include "browser/win/meter.h"
#include "browser/win/status_dialogs.h"
#include "link/session/session_ops.h"
#include "link/win/win32_serial.h"
#include "res/resource.h"
#include "sim/sim_driver.h"

namespace {

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

// Requests the simulator has logged so far ("<- " lines).
int LoggedRequests(const std::string& log) {
    std::ifstream f(log);
    std::string line;
    int n = 0;
    while (std::getline(f, line)) n += line.rfind("<- ", 0) == 0;
    return n;
}

void Scroll(HWND dlg, int code) {
    HWND bar = GetDlgItem(dlg, IDC_BROWSER_SCROLL);
    SendMessageA(dlg, WM_VSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(bar));
    SendMessageA(dlg, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(bar));
    for (int i = 0; i < 50; ++i) {
        Pump();
        Sleep(10);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: preview_bench IMAGES LOG\n");
        return 2;
    }
    const int images = std::atoi(argv[1]);
    const std::string log = argv[2];
    RegisterMeterClass(GetModuleHandleA(nullptr));
    HWND frame = CreateWindowExA(0, "STATIC", "frame", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetCurrentCameraWindow(frame);
    WinPrompts prompts;
    WinMessagePump pump;
    DialogOperationView view;
    MemorySettings settings;
    settings.Set("com", "COM1");
    settings.Set("baudrate", "1152");
    Platform p = Plat();
    p.prompts = &prompts;
    p.pump = &pump;
    p.view = &view;
    p.settings = &settings;
    p.time = &SystemTimeSource();
    ScopedPlatform scope(p);
    SetRegionCode(kRegionEnglish);
    WinCameraUi& ui = ProgramCameraUi();
    ui.frame = frame;
    SetCameraUi(&ui);
    Win32SerialDriver driver;
    CameraSession s;
    s.driver = &driver;
    if (Connect(s, ConnectPurpose::kBrowse) != kLinkOk || !CameraBrowserWindow()) {
        std::fprintf(stderr, "preview_bench: the browser did not open\n");
        return 1;
    }
    HWND dlg = CameraBrowserWindow();
    const CameraBrowserState* st = CameraBrowserStateOf(dlg);

    // The thumbnails' bytes, from the same generated camera as the simulator's.
    SimConfig cfg;
    cfg.model = 2;
    cfg.images = images;
    auto cam = MakeSimCamera(cfg);
    double bytes = 0;
    for (int n = 1; n <= 16 && n <= images; ++n) bytes += SimThumbnail(*cam, n).size();
    const double line_seconds = bytes * 10.0 / 115200.0;

    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_PREVIEW, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_PREVIEW)));
    for (int id = IDC_GRID_FIRST; id <= IDC_GRID_LAST; ++id) UpdateWindow(GetDlgItem(dlg, id));
    QueryPerformanceCounter(&t1);
    const double preview = Seconds(t0, t1);
    std::printf(
        "preview of 16 thumbnails: %.0f bytes, %.3f s; line time %.3f s; ratio %.3f "
        "(target <= 1.05)\n",
        bytes, preview, line_seconds, preview / line_seconds);

    // Three pages into the cache, then back and forth over them.
    Scroll(dlg, SB_PAGEDOWN);
    Scroll(dlg, SB_PAGEDOWN);
    const int before = LoggedRequests(log);
    for (int round = 0; round < 2; ++round) {
        Scroll(dlg, SB_PAGEUP);
        Scroll(dlg, SB_PAGEUP);
        Scroll(dlg, SB_LINEDOWN);
        Scroll(dlg, SB_PAGEDOWN);
        Scroll(dlg, SB_PAGEDOWN);
    }
    const int after = LoggedRequests(log);
    std::printf(
        "scrolling within the three cached pages (first shown now %d): %d requests "
        "(target 0)\n",
        static_cast<int>(st->first_shown), after - before);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    SetCameraUi(nullptr);
    DestroyWindow(frame);
    return 0;
}
