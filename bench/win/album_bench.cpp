// Album figures in the running program under Wine, from one run: adding 100 camera JPEGs
// (640 x 480) to a new album against decoding the same files alone, and opening the saved
// 100-picture album to the last button drawn. Prints figures, not a test.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "album/win/album_window.h"
#include "app/win/app.h"
#include "base/platform.h"
#include "base/tempfile.h"
#include "codec/bmp_file.h"
#include "codec/jpeg_codec.h"
#include "bench_support.h"
#include "gui_frame.h"

namespace {

std::vector<std::string> g_files;

bool ChooseFiles(HWND, std::vector<std::string>* files) {
    *files = g_files;
    return true;
}

// Every button of the album drawn now.
void DrawAll(HWND album) {
    RedrawWindow(album, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

}  // namespace

int main() {
    // Under Wine without a window manager, hiding a managed window waits seconds for the
    // manager's answer: this program's windows are unmanaged, which takes a new start.
    if (MarkWindowsUnmanaged()) return RunAgain();
    char tmp[MAX_PATH] = "";
    GetTempPathA(sizeof tmp, tmp);
    const std::string dir = std::string(tmp) + "vistrel-album-bench\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    g_files = WriteCameraPictures(dir, 100);
    if (g_files.empty()) return 1;

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

    const std::string settings = dir + "vistrel.ini";
    HWND frame = StartFrame(settings);
    if (!frame) return 1;
    PumpUntil([] { return App().splash_done; }, 10000);
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
    PumpWindowsFor(0);
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
    DeleteFileA(settings.c_str());
    RemoveDirectoryA(dir.c_str());
    DestroyWindow(frame);
    return 0;
}
