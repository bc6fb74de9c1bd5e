// Opening an album as a user does, timed from outside the program: Vistrel.exe is started with
// the album on its command line, and the time runs from the start to the moment the album
// window shows its last picture drawn (the button, its check box and its name field with
// nothing left to paint). The program is then closed. Prints figures, not a test.
//
//   album_open_bench.exe PROGRAM ALBUM COUNT [ALBUM COUNT]...
//
// One line per album, in the order given: "opened ALBUM (COUNT pictures): S s". COUNT is the
// number of pictures the album holds. The program's splash is part of every figure, so the
// difference between two albums is what their sizes cost.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "gui_harness.h"
#include "res/shell_ids.h"

namespace {

struct Found {
    DWORD process = 0;
    HWND frame = nullptr;
};

BOOL CALLBACK FindFrame(HWND hwnd, LPARAM lp) {
    auto* found = reinterpret_cast<Found*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == found->process && std::string(cls) == kFrameClass) {
        found->frame = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FrameOf(DWORD process) {
    Found found;
    found.process = process;
    EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&found));
    return found.frame;
}

// A window shown with nothing left to paint.
bool Drawn(HWND hwnd) {
    return hwnd && IsWindowVisible(hwnd) && !GetUpdateRect(hwnd, nullptr, FALSE);
}

// The program's album window once it is shown, or none.
HWND ShownAlbum(HWND frame) {
    HWND client = FindWindowExA(frame, nullptr, "MDICLIENT", nullptr);
    HWND album = client ? FindWindowExA(client, nullptr, kAlbumClass, nullptr) : nullptr;
    return album && IsWindowVisible(album) ? album : nullptr;
}

// The album's last picture button (the lowest, then the rightmost) when the album holds count
// buttons, else none. Each look costs the program's window server about two calls a button,
// so it is made only until it succeeds.
HWND LastButton(HWND album, int count) {
    int buttons = 0;
    HWND last = nullptr;
    LONG last_x = 0, last_y = 0;
    for (HWND b = FindWindowExA(album, nullptr, kAlbumButtonClass, nullptr); b;
         b = FindWindowExA(album, b, kAlbumButtonClass, nullptr)) {
        ++buttons;
        RECT r{};
        GetWindowRect(b, &r);
        if (!last || r.top > last_y || (r.top == last_y && r.left > last_x)) {
            last = b;
            last_x = r.left;
            last_y = r.top;
        }
    }
    return buttons == count ? last : nullptr;
}

// Whether a picture button is drawn whole: the button, its check box and its name field.
bool ButtonDrawn(HWND button) {
    return Drawn(button) && Drawn(FindWindowExA(button, nullptr, "EDIT", nullptr)) &&
           Drawn(FindWindowExA(button, nullptr, "BUTTON", nullptr));
}

// Seconds from the start of program with the album to its last picture drawn; negative when
// that did not happen within a minute.
double OpenOnce(const std::string& program, const std::string& album, int count) {
    // The album unquoted: the program takes its command line's words as they stand, and a
    // path here has no blank.
    std::string line = "\"" + program + "\" " + album;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double t0 = Now();
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", program.c_str(),
                     static_cast<unsigned long>(GetLastError()));
        return -1;
    }
    double seconds = -1;
    HWND frame = nullptr;
    int seen = 0;  // polls in a row that found it drawn: two, so that no paint was about to come
    HWND last = nullptr;
    while (Now() - t0 < 60) {
        if (!frame) frame = FrameOf(pi.dwProcessId);
        if (frame && !last) {
            // The album is shown once its pictures are in (it holds its drawing until then).
            if (HWND album = ShownAlbum(frame)) last = LastButton(album, count);
        }
        if (last && ButtonDrawn(last)) {
            if (++seen == 1) seconds = Now() - t0;
            if (seen == 2) break;
        } else {
            seen = 0;
            seconds = -1;
        }
        if (WaitForSingleObject(pi.hProcess, 2) == WAIT_OBJECT_0) break;
    }
    if (seen < 2) seconds = -1;
    // Closed as a user closes it; an unchanged album asks nothing.
    if (frame) PostMessageA(frame, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 15000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: album_open_bench PROGRAM ALBUM COUNT [ALBUM COUNT]...\n");
        return 2;
    }
    const std::string program = argv[1];
    std::string name = program.substr(program.find_last_of("\\/") + 1);
    // Under Wine without a window manager, hiding a managed window (the splash) waits seconds.
    MarkProgramUnmanaged(name);
    int failed = 0;
    for (int i = 2; i + 1 < argc; i += 2) {
        const int count = std::atoi(argv[i + 1]);
        const double s = OpenOnce(program, argv[i], count);
        if (s < 0) {
            std::printf("opened %s (%d pictures): failed\n", argv[i], count);
            ++failed;
        } else {
            std::printf("opened %s (%d pictures): %.3f s\n", argv[i], count, s);
        }
        std::fflush(stdout);
    }
    return failed ? 1 : 0;
}
