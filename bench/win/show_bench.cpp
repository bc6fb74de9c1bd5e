// Slide show figures in the running program under Wine, from one run: the slide show at Speed 10
// over camera JPEGs (640 x 480) in pictures a second (target at least 90), against loading the
// same files alone, one after another, with the loader the show itself uses, in the same run;
// and the show at Speed 9 (one second) over 4000 x 3000 JPEGs: the largest gap between two
// pictures drawn (target at most 1.1 s). Album printing has its own benchmark (print_bench.cpp).
// Prints figures, not a test.
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
#include "codec/bmp_file.h"
#include "codec/jpeg_codec.h"
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

// Runs a show over the album until `gaps` more pictures were drawn after the first; the
// largest time between two pictures drawn, in seconds.
double LargestGap(HWND frame, const std::string& album, int gaps) {
    HWND show = CreateSlideShow(frame, album);
    if (!show) return 0;
    const double limit = Now() + 120 + 3.0 * gaps;
    while (CurrentSlideShow().draws < 1 && Now() < limit) Pump();
    int seen = CurrentSlideShow().draws;
    const int last = seen + gaps;
    double at = Now(), largest = 0;
    while (seen < last && Now() < limit) {
        Pump();
        const int draws = CurrentSlideShow().draws;
        if (draws == seen) continue;
        const double now = Now();
        largest = std::max(largest, now - at);
        at = now;
        seen = draws;
    }
    DestroyWindow(show);
    PumpWindowsFor(0);
    return seen < last ? 0 : largest;
}

// The loader the show uses for its pictures: the quiet one, when the build has it, fitted to the
// screen as the show asks; else the one with messages.
template <typename Hooks>
auto LoadAsTheShow(const Hooks& hooks, const std::string& path, int)
    -> decltype(hooks.load_quietly(path, 0, 0, nullptr, nullptr)) {
    if (!hooks.load_quietly) return hooks.load_picture(path);
    int w = 0, h = 0;
    return hooks.load_quietly(path, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                              &w, &h);
}
template <typename Hooks>
DibImage LoadAsTheShow(const Hooks& hooks, const std::string& path, long) {
    return hooks.load_picture(path);
}

// A 4000 x 3000 JPEG of a camera's kind of detail: gradients under fine noise.
bool WriteLargeJpeg(const std::string& bmp, const std::string& jpeg, uint32_t seed) {
    const int w = 4000, h = 3000;
    DibImage dib = NewDib(w, h, 24, 0);
    if (!dib) return false;
    uint8_t* pixels = dib.data() + DibPixelOffset(dib);
    const int stride = DibStride(w, 24);
    uint32_t x32 = seed | 1;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = pixels + static_cast<size_t>(y) * stride;
        for (int x = 0; x < w; ++x) {
            x32 ^= x32 << 13;
            x32 ^= x32 >> 17;
            x32 ^= x32 << 5;
            const int noise = static_cast<int>(x32 & 15) - 8;
            row[3 * x] = static_cast<uint8_t>(std::min(255, std::max(0, x * 255 / w + noise)));
            row[3 * x + 1] = static_cast<uint8_t>(std::min(255, std::max(0, y * 255 / h + noise)));
            row[3 * x + 2] = static_cast<uint8_t>(((x / 40) ^ (y / 40)) & 1 ? 200 : 60);
        }
    }
    if (SaveBmpFile(bmp, dib) != 1) return false;
    const int ok = EncodeJpegFile(bmp, jpeg, kCameraSampling, kJpegStandardQuality, JpegProgress());
    DeleteFileA(bmp.c_str());
    return ok == 1;
}

std::string WriteAlbumOf(const std::vector<std::string>& files, const std::string& alb) {
    Album album;
    for (const std::string& path : files) {
        AlbumPicture p;
        p.path = path;
        p.thumbnail = MakeThumbnail(NewDib(8, 6, 24, 0));
        album.pictures.push_back(std::move(p));
    }
    return WriteAlbum(&album, alb) == 1 ? alb : std::string();
}

}  // namespace

int main() {
    // Under Wine without a window manager, hiding a managed window waits seconds for the
    // manager's answer: this program's windows are unmanaged, which takes a new start.
    if (MarkWindowsUnmanaged()) return RunAgain();
    char tmp[MAX_PATH] = "";
    GetTempPathA(sizeof tmp, tmp);
    const std::string dir = std::string(tmp) + "vistrel-show-bench\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::vector<std::string> files = WriteCameraPictures(dir, 100);
    if (files.empty()) return 1;
    const std::string alb = WriteAlbumOf(files, dir + "bench.alb");
    if (alb.empty()) return 1;

    const std::string settings = dir + "vistrel.ini";
    HWND frame = StartFrame(settings);
    if (!frame) return 1;
    PumpUntil([] { return App().splash_done; }, 10000);
    // Loading alone with the show's loader, then the show over the same files.
    const int shown = 100;
    DibImage probe = LoadPlain(files[0]);
    const int pw = DibWidth(probe),
              ph = DibHeight(probe) < 0 ? -DibHeight(probe) : DibHeight(probe);
    EnsureSlideShowShell();
    Plat().settings->Set("Speed", "10");
    Plat().settings->Set("Size", "0");
    Plat().settings->Set("Type", "0");
    double t0 = Now();
    for (int i = 0; i < shown; ++i)
        DibImage d = LoadAsTheShow(SlideShowShell(), files[i % files.size()], 0);
    const double load_rate = shown / (Now() - t0);
    const double show_rate = ShowRate(frame, alb, shown);
    std::printf(
        "slide show, Speed 10, %dx%d camera JPEGs on a %dx%d screen: %.1f pictures/s (target "
        ">= 90); loading alone %.1f/s; ratio %.2f\n",
        pw, ph, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), show_rate, load_rate,
        show_rate / load_rate);
    std::fflush(stdout);

    // Three 4000 x 3000 JPEGs at Speed 9, four gaps.
    std::vector<std::string> large;
    for (int i = 0; i < 3; ++i) {
        const std::string jpeg = dir + "LARGE" + std::to_string(i) + ".jpg";
        if (!WriteLargeJpeg(dir + "large.bmp", jpeg, 77 + i)) return 1;
        large.push_back(jpeg);
    }
    const std::string large_alb = WriteAlbumOf(large, dir + "large.alb");
    Plat().settings->Set("Speed", "9");
    const double gap = large_alb.empty() ? 0 : LargestGap(frame, large_alb, 4);
    std::printf(
        "slide show, Speed 9, 4000x3000 JPEGs: largest gap between two pictures %.3f s "
        "(target <= 1.1)\n",
        gap);
    std::fflush(stdout);
    for (const std::string& f : large) DeleteFileA(f.c_str());
    DeleteFileA(large_alb.c_str());
    for (const std::string& f : files) DeleteFileA(f.c_str());
    DeleteFileA(alb.c_str());
    DeleteFileA(settings.c_str());
    RemoveDirectoryA(dir.c_str());
    DestroyWindow(frame);
    return 0;
}
