// Album figures in the running program under Wine, from one run: adding 100 camera JPEGs
// (640 x 480) to a new album against decoding the same files alone, and opening the saved
// 100-picture album to the last button drawn. Prints figures, not a test.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "album/win/album_window.h"
#include "app/win/app.h"
#include "base/platform.h"
#include "base/region.h"
#include "base/tempfile.h"
#include "codec/bmp_file.h"
#include "codec/jpeg_codec.h"
#include "sim/sim_driver.h"

namespace {

std::vector<std::string> g_files;

bool ChooseFiles(HWND, std::vector<std::string>* files) {
    *files = g_files;
    return true;
}

double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Every button of the album drawn now.
void DrawAll(HWND album) {
    RedrawWindow(album, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// Under Wine without a window manager, hiding a managed window waits seconds for the manager's
// answer: this program's windows are made unmanaged (a Wine setting read at process start, so
// the program runs itself again once it has written it).
bool MarkUnmanagedAndRunAgain(int* code) {
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER,
                        "Software\\Wine\\AppDefaults\\album_bench.exe\\X11 Driver", 0, nullptr, 0,
                        KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return false;
    char value[8] = "";
    DWORD size = sizeof value;
    const bool already = RegQueryValueExA(h, "Managed", nullptr, nullptr,
                                          reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
                         value[0] == 'N';
    if (!already) RegSetValueExA(h, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(h);
    if (already) return false;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string line = GetCommandLineA();
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return false;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD exit_code = 1;
    GetExitCodeProcess(pi.hProcess, &exit_code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    *code = static_cast<int>(exit_code);
    return true;
}

}  // namespace

int main() {
    int again = 0;
    if (MarkUnmanagedAndRunAgain(&again)) return again;
    char tmp[MAX_PATH] = "";
    GetTempPathA(sizeof tmp, tmp);
    const std::string dir = std::string(tmp) + "vistrel-album-bench\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    SimConfig cfg;
    cfg.model = 2;
    cfg.images = 100;
    auto cam = MakeSimCamera(cfg);
    for (int n = 1; n <= 100; ++n) {
        const std::string path = dir + "DSC" + std::to_string(1000 + n) + ".jpg";
        const std::vector<uint8_t>& bytes = SimImage(*cam, n);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        g_files.push_back(path);
    }

    // Decoding alone: each file to a BMP file and loaded, as adding does before the thumbnail.
    std::string bmp;
    MakeTempFileName(&bmp);
    double t0 = Now();
    for (const std::string& f : g_files) {
        DecodeJpegFile(f, bmp, 0, JpegProgress{});
        DibImage d = LoadBmpFile(bmp);
    }
    const double decode = Now() - t0;
    DeleteTempFile(&bmp);

    StartupOptions options;
    options.region_override = kRegionEnglish;
    options.settings_file = dir + "vistrel.ini";
    options.splash_ms = 10;
    HWND frame = AppStartup(GetModuleHandleA(nullptr), "", SW_SHOWNORMAL, options);
    if (!frame) return 1;
    for (int i = 0; i < 100 && !App().splash_done; ++i) {
        Pump();
        Sleep(20);
    }
    SendMessageA(frame, WM_COMMAND, 105, 0);  // a new album, which puts the shell's hooks in place
    AlbumShell().choose_files = ChooseFiles;
    // VISTREL_BENCH_PLAIN=1: the plain decoder, without the progress dialog.
    if (std::getenv("VISTREL_BENCH_PLAIN")) AlbumShell().decode_jpeg = nullptr;
    HWND album = nullptr;
    for (HWND c = GetWindow(App().mdi_client, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (IsAlbumWindow(c)) album = c;
    if (!album) return 1;
    t0 = Now();
    AddPictureFiles(album);
    DrawAll(album);
    const double add = Now() - t0;
    std::printf(
        "adding 100 camera JPEGs: %.2f s; decoding them alone %.2f s; ratio %.2f "
        "(target <= 1.3)\n",
        add, decode, add / decode);

    const std::string saved = dir + "bench.alb";
    AlbumShell().choose_save_name = [](HWND, std::string* path) {
        char t[MAX_PATH] = "";
        GetTempPathA(sizeof t, t);
        *path = std::string(t) + "vistrel-album-bench\\bench.alb";
        return true;
    };
    SaveAlbumAs(album);
    SendMessageA(App().mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(album), 0);
    Pump();
    t0 = Now();
    HWND opened = OpenAlbum(saved);
    if (opened) DrawAll(opened);
    const double open = Now() - t0;
    std::printf("opening the 100-picture album to the last button drawn: %.3f s (target <= 0.5)\n",
                open);
    for (HWND c = GetWindow(App().mdi_client, GW_CHILD); c;
         c = GetWindow(App().mdi_client, GW_CHILD))
        SendMessageA(App().mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(c), 0);
    for (const std::string& f : g_files) DeleteFileA(f.c_str());
    DeleteFileA(saved.c_str());
    DeleteFileA(options.settings_file.c_str());
    RemoveDirectoryA(dir.c_str());
    DestroyWindow(frame);
    return 0;
}
