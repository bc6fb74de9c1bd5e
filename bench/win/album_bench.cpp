// Album figures in the running program under Wine, from one run: adding 100 camera JPEGs
// (640 x 480) to a new album through Add to Album, and opening the saved 100-picture album to
// the last button drawn. Prints figures, not a test.
//
//   album_bench.exe [FOLDER]
//
// Without FOLDER it writes the simulator's pictures into a folder of its own and removes them
// after. With FOLDER it adds the .jpg files there (in name order), so that another program can
// be timed on the same files, and leaves the albums it saved there: bench.alb (all of them)
// and one.alb (the first alone).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "album/win/album_window.h"
#include "app/win/app.h"
#include "base/platform.h"
#include "bench_support.h"
#include "gui_frame.h"

namespace {

std::vector<std::string> g_files;
std::string g_save_path;

bool ChooseFiles(HWND, std::vector<std::string>* files) {
    *files = g_files;
    return true;
}

bool ChooseSaveName(HWND, std::string* path) {
    *path = g_save_path;
    return true;
}

// The .jpg files of folder (with its trailing backslash), in name order.
std::vector<std::string> JpegFilesIn(const std::string& folder) {
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "*.jpg").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return files;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(folder + found.cFileName);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    std::sort(files.begin(), files.end());
    return files;
}

// The program's decoder, timed: adding's share spent decoding under the progress dialog.
JpegDecodeFunction g_decode = nullptr;
double g_decode_seconds = 0;

int TimedDecode(const std::string& path, DibImage* picture) {
    const double t0 = Now();
    const int result = g_decode(path, picture);
    g_decode_seconds += Now() - t0;
    return result;
}

// Every button of the album drawn now.
void DrawAll(HWND album) {
    RedrawWindow(album, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// A new album window made by the frame's New Album command.
HWND NewAlbumByMenu(HWND frame) {
    std::vector<HWND> before;
    for (HWND c = GetWindow(App().mdi_client, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        before.push_back(c);
    SendMessageA(frame, WM_COMMAND, 105, 0);
    for (HWND c = GetWindow(App().mdi_client, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (IsAlbumWindow(c) && std::find(before.begin(), before.end(), c) == before.end())
            return c;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    // Under Wine without a window manager, hiding a managed window waits seconds for the
    // manager's answer: this program's windows are unmanaged, which takes a new start.
    if (MarkWindowsUnmanaged()) return RunAgain();
    char tmp[MAX_PATH] = "";
    GetTempPathA(sizeof tmp, tmp);
    const bool own = argc < 2;
    std::string dir = own ? std::string(tmp) + "vistrel-album-bench\\" : std::string(argv[1]);
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
    if (own) {
        CreateDirectoryA(dir.c_str(), nullptr);
        g_files = WriteCameraPictures(dir, 100);
    } else {
        g_files = JpegFilesIn(dir);
    }
    if (g_files.empty()) {
        std::fprintf(stderr, "album_bench: no pictures in %s\n", dir.c_str());
        return 1;
    }

    const std::string settings = std::string(tmp) + "vistrel-album-bench.ini";
    HWND frame = StartFrame(settings);
    if (!frame) return 1;
    PumpUntil([] { return App().splash_done; }, 10000);
    // A new album, which puts the shell's hooks in place.
    HWND album = NewAlbumByMenu(frame);
    AlbumShell().choose_files = ChooseFiles;
    AlbumShell().choose_save_name = ChooseSaveName;
    // VISTREL_BENCH_PLAIN=1: the plain decoder, without the progress dialog.
    if (std::getenv("VISTREL_BENCH_PLAIN")) AlbumShell().decode_jpeg = nullptr;
    g_decode = AlbumShell().decode_jpeg;
    if (g_decode) AlbumShell().decode_jpeg = TimedDecode;
    if (!album) return 1;
    double t0 = Now();
    AddPictureFiles(album);
    DrawAll(album);
    const double add = Now() - t0;
    std::printf("adding %zu camera JPEGs: %.3f s (decoding under the progress dialog %.3f s)\n",
                g_files.size(), add, g_decode_seconds);

    const std::string saved = dir + "bench.alb";
    g_save_path = saved;
    SaveAlbumAs(album);
    SendMessageA(App().mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(album), 0);
    PumpWindowsFor(0);
    t0 = Now();
    HWND opened = OpenAlbum(saved);
    if (opened) DrawAll(opened);
    const double open = Now() - t0;
    std::printf("opening the %zu-picture album to the last button drawn: %.3f s\n", g_files.size(),
                open);

    // The one-picture album that opening from outside is compared with.
    const std::string one = dir + "one.alb";
    if (!own) {
        HWND single = NewAlbumByMenu(frame);
        const std::vector<std::string> all = g_files;
        g_files.resize(1);
        AddPictureFiles(single);
        g_save_path = one;
        SaveAlbumAs(single);
        g_files = all;
    }
    for (HWND c = GetWindow(App().mdi_client, GW_CHILD); c;
         c = GetWindow(App().mdi_client, GW_CHILD))
        SendMessageA(App().mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(c), 0);
    if (own) {
        for (const std::string& f : g_files) DeleteFileA(f.c_str());
        DeleteFileA(saved.c_str());
        RemoveDirectoryA(dir.c_str());
    }
    DeleteFileA(settings.c_str());
    DestroyWindow(frame);
    return 0;
}
