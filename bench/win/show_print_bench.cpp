// Slide show figures in the running program under Wine, from one run:
//  (a) the slide show at Speed 10 over camera JPEGs (640 x 480) in pictures a second, against
//      loading the same files alone with the show's own loader (decode to a temporary BMP and
//      read it back); target at least 0.8 of that rate.
// (Album printing has its own benchmark, print_bench.cpp.) Prints figures, not a test.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "album/album_file.h"
#include "album/album_picture.h"
#include "app/win/app.h"
#include "app/win/show_and_print.h"
#include "base/platform.h"
#include "res/resource.h"
#include "bench_support.h"
#include "gui_frame.h"
#include "slideshow/win/slide_show_win.h"

namespace {

// One message, as the program's own loop takes them (a show at Speed 10 never leaves the queue
// empty for long); without one, a short wait in the system.
void Pump() {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        return;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
}

DibImage LoadPlain(const std::string& path) {
    return LoadAlbumSource(path, nullptr);
}

// Runs a show over the album until it has drawn `pictures` more pictures after the first;
// pictures a second.
double ShowRate(HWND frame, const std::string& album, int pictures) {
    HWND show = CreateSlideShow(frame, album);
    if (!show) return 0;
    const double limit = Now() + 120;
    while (CurrentSlideShow().draws < 1 && Now() < limit) Pump();
    const int first = CurrentSlideShow().draws;
    const double t0 = Now();
    while (CurrentSlideShow().draws < first + pictures && Now() < limit) Pump();
    const double rate = (CurrentSlideShow().draws - first) / (Now() - t0);
    DestroyWindow(show);
    PumpWindowsFor(0);  // everything waiting, once no show runs
    return rate;
}

// The same show paused, each next picture asked for by the show's Next command as soon as the
// one before is drawn: the show without its timer's wait.
double ShowRateWithoutWait(HWND frame, const std::string& album, int pictures) {
    HWND show = CreateSlideShow(frame, album);
    if (!show) return 0;
    const double limit = Now() + 120;
    while (CurrentSlideShow().draws < 1 && Now() < limit) Pump();
    SendMessageA(show, WM_COMMAND, IDC_SLD_PLAY, 0);  // paused: no timer
    const int first = CurrentSlideShow().draws;
    const double t0 = Now();
    for (int i = 0; i < pictures; ++i) {
        SendMessageA(show, WM_COMMAND, IDC_SLD_NEXT, 0);
        UpdateWindow(show);
    }
    const double rate = (CurrentSlideShow().draws - first) / (Now() - t0);
    DestroyWindow(show);
    PumpWindowsFor(0);  // everything waiting, once no show runs
    return rate;
}

}  // namespace

int main() {
    // Under Wine without a window manager, hiding a managed window waits seconds for the
    // manager's answer: this program's windows are unmanaged, which takes a new start.
    if (MarkWindowsUnmanaged()) return RunAgain();
    char tmp[MAX_PATH] = "";
    GetTempPathA(sizeof tmp, tmp);
    const std::string dir = std::string(tmp) + "vistrel-show-print-bench\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::vector<std::string> files = WriteCameraPictures(dir, 100);
    if (files.empty()) return 1;
    Album album;
    for (const std::string& path : files) {
        AlbumPicture p;
        p.path = path;
        p.thumbnail = MakeThumbnail(NewDib(8, 6, 24, 0));
        album.pictures.push_back(std::move(p));
    }
    const std::string alb = dir + "bench.alb";
    if (WriteAlbum(&album, alb) != 1) return 1;

    // (a) Loading alone with the show's loader, the show, and the show without its timer's
    // wait, taken in turns three times (the machine is shared): the best of each.
    const int shown = 40;
    DibImage probe = LoadPlain(files[0]);
    const int pw = DibWidth(probe),
              ph = DibHeight(probe) < 0 ? -DibHeight(probe) : DibHeight(probe);
    double t0 = 0;

    const std::string settings = dir + "vistrel.ini";
    HWND frame = StartFrame(settings);
    if (!frame) return 1;
    PumpUntil([] { return App().splash_done; }, 10000);
    EnsureSlideShowShell();
    Plat().settings->Set("Speed", "10");
    Plat().settings->Set("Size", "0");
    Plat().settings->Set("Type", "0");
    double load_rate = 0, show_rate = 0, bare_rate = 0;
    for (int round = 0; round < 3; ++round) {
        t0 = Now();
        for (int i = 0; i < shown; ++i) DibImage d = LoadPlain(files[i % files.size()]);
        load_rate = std::max(load_rate, shown / (Now() - t0));
        show_rate = std::max(show_rate, ShowRate(frame, alb, shown));
        bare_rate = std::max(bare_rate, ShowRateWithoutWait(frame, alb, shown));
    }
    std::printf(
        "slide show, Speed 10, %dx%d camera JPEGs on a %dx%d screen: %.1f pictures/s; loading "
        "alone %.1f/s; ratio %.2f (target >= 0.8)\n"
        "  without the timer's wait: %.1f pictures/s, ratio %.2f; the wait is %.1f ms a picture\n",
        pw, ph, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), show_rate, load_rate,
        show_rate / load_rate, bare_rate, bare_rate / load_rate,
        1000.0 / show_rate - 1000.0 / bare_rate);

    for (const std::string& f : files) DeleteFileA(f.c_str());
    DeleteFileA(alb.c_str());
    DeleteFileA(settings.c_str());
    RemoveDirectoryA(dir.c_str());
    DestroyWindow(frame);
    return 0;
}
