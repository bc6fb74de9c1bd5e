// The slide show's windows: the full-screen show window (class AutoViewClass, registered by
// the frame), its modeless toolbar "VIEWMENUDLG" and the options dialog "VIEWSETUP". One show
// runs at a time. The album is read and the pictures are loaded through functions the shell
// hands in, since the album reader and the picture loader belong to the album windows.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "codec/dib.h"
#include "res/shell_ids.h"

constexpr UINT_PTR kSlideTimer = 1;

struct SlideShowHooks {
    // Reads the album's picture paths in album order: 1, or 0 after the reader's message.
    int (*read_album)(const std::string& path, std::vector<std::string>* paths) = nullptr;
    // Whether a file is an album (the file-type test of the start command).
    bool (*is_album)(const std::string& path) = nullptr;
    // Loads a JPEG or BMP picture; empty after the loader's message.
    DibImage (*load_picture)(const std::string& path) = nullptr;
    // Loads a JPEG or BMP picture without a word, callable from any thread: the show loads its
    // pictures with it on a worker thread, so that the show window answers while a large
    // picture is decoded. A picture larger than fit_width x fit_height may come smaller, as long
    // as it still covers the box it is fitted to there; *width and *height receive the size of
    // the picture in the file. Empty on any failure: the show then loads the picture with
    // load_picture, which says why. When null the show loads with load_picture alone.
    DibImage (*load_quietly)(const std::string& path, int fit_width, int fit_height, int* width,
                             int* height) = nullptr;
    // Seed of random order; 0 takes the tick count at the start of the show.
    uint32_t random_seed = 0;
};
SlideShowHooks& SlideShowShell();

// The options dialog with the given template ("VIEWSETUP" or "VIEWSETUP_EU"); IDOK or
// IDCANCEL.
INT_PTR RunSlideOptions(HWND owner, const char* template_name);
// The frame's start command: the album is chosen in the open dialog, then the show begins.
void StartSlideShow(HWND frame);
// Creates the show window for an album and shows it maximised (the picture comes with the
// start message it posts to itself). Null when it cannot be made.
HWND CreateSlideShow(HWND frame, const std::string& album_path);

// The show window's procedure (the frame's class procedure calls it).
LRESULT CALLBACK SlideShowWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// What a running show looks like, for tests: the window (null when none runs), the toolbar,
// the entry on the screen, where the picture was drawn, and the flags.
struct SlideShowView {
    HWND window = nullptr;
    HWND toolbar = nullptr;
    int count = 0;
    int current = -1;
    int size = 0;
    bool playing = false;
    bool pointer_mode = false;
    bool pointer_shown = false;
    bool timer_running = false;
    RECT drawn{};
    int draws = 0;
};
SlideShowView CurrentSlideShow();
