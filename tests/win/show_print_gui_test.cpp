// The slide show and printing in the running program: the options dialog and its two reading
// rules, a show's placement, keys, toolbar, timer and endings, a show started from the menu;
// the print dialog's hook over an album, an image and no document, a print job without a
// printer, Cancel in "Printing...", and every layout printed on Wine's PostScript driver (the
// sheets are rendered and checked by print_sheet_check), File Print of a picture and of its
// selection through the frame included.
#include <windows.h>
#include <commctrl.h>
#include <winspool.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "album/album_file.h"
#include "app/shell_rules.h"
#include "app/win/app.h"
#include "app/win/routes.h"
#include "app/win/show_and_print.h"
#include "base/platform.h"
#include "base/region.h"
#include "base/settings.h"
#include "codec/bmp_file.h"
#include "codec/jpeg_codec.h"
#include "edit/win/image_window.h"
#include "gui_frame.h"
#include "wine_printer.h"
#include "print/print_layout.h"
#include "print/win/print_win.h"
#include "res/resource.h"
#include "sim/sim_driver.h"
#include "slideshow/slide_show.h"
#include "slideshow/win/slide_show_win.h"

namespace {

class ShowPrintGui : public FrameTest {
protected:
    // The slide show runs on the system's timers and clock.
    ShowPrintGui() : FrameTest("showprint-vistrel.ini") {}
    void SetUp() override {
        FrameTest::SetUp();
        if (HasFatalFailure()) return;
        folder_ = TempFilePath("showprint");
        CreateDirectoryA(folder_.c_str(), nullptr);
        folder_ += "\\";
        EnsureSlideShowShell();
        SlideShowShell().random_seed = 7;
    }
    void TearDown() override {
        if (CurrentSlideShow().window) DestroyWindow(CurrentSlideShow().window);
        FrameTest::TearDown();
        for (const std::string& f : made_) DeleteFileA(f.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    std::string Setting(const char* key) { return GetSetting(*Plat().settings, key, "-"); }

    std::string Bmp(const std::string& name, int w, int h) {
        const std::string p = folder_ + name;
        EXPECT_TRUE(WriteTestBmp(p, w, h));
        made_.push_back(p);
        return p;
    }
    std::string AlbumOf(const std::string& name, const std::vector<std::string>& files) {
        Album album;
        for (const std::string& f : files) {
            AlbumPicture p;
            p.path = f;
            const bool bmp = f.size() > 4 && f.compare(f.size() - 4, 4, ".bmp") == 0;
            DibImage source = bmp ? LoadBmpFile(f) : DibImage();
            if (!source) source = NewDib(8, 6, 24, 0);
            p.thumbnail = MakeThumbnail(source);
            album.pictures.push_back(std::move(p));
        }
        const std::string path = folder_ + name;
        EXPECT_EQ(WriteAlbum(&album, path), 1);
        made_.push_back(path);
        return path;
    }
    // A picture of one solid colour (ColourOf(colour) below).
    std::string Solid(const std::string& name, int w, int h, int colour);
    static bool Drawn(int draws) { return CurrentSlideShow().draws >= draws; }

    std::string folder_;
    std::vector<std::string> made_;
};

TEST_F(ShowPrintGui, OptionsDialogReadsItsOwnWayAndWritesOnOk) {
    Plat().settings->Set("Size", "5");
    Plat().settings->Set("Speed", "12");
    Plat().settings->Set("Type", "1");
    bool checked = false;
    dialogs::When("Slide Show Option", [&](HWND dlg) {
        EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_SLIDE_FULL), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_SLIDE_RANDOM), BST_CHECKED);
        HWND bar = GetDlgItem(dlg, IDC_SLIDE_SPEED);
        EXPECT_EQ(SendMessageA(bar, TBM_GETPOS, 0, 0), 5);
        EXPECT_EQ(SendMessageA(bar, TBM_GETRANGEMAX, 0, 0), 10);
        // Centred on the screen.
        RECT r;
        GetWindowRect(dlg, &r);
        EXPECT_LE(std::abs((r.left + r.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
        // The arrow keys move the track bar one step.
        EXPECT_EQ(GetFocus(), bar);
        SendMessageA(bar, WM_KEYDOWN, VK_RIGHT, 0);
        SendMessageA(bar, WM_KEYUP, VK_RIGHT, 0);
        EXPECT_EQ(SendMessageA(bar, TBM_GETPOS, 0, 0), 6);
        SendMessageA(bar, WM_KEYDOWN, VK_LEFT, 0);
        SendMessageA(bar, WM_KEYUP, VK_LEFT, 0);
        EXPECT_EQ(SendMessageA(bar, TBM_GETPOS, 0, 0), 5);
        SendMessageA(bar, TBM_SETPOS, TRUE, 8);
        CheckRadioButton(dlg, IDC_SLIDE_FULL, IDC_SLIDE_ORIGINAL, IDC_SLIDE_ORIGINAL);
        CheckRadioButton(dlg, IDC_SLIDE_STANDARD, IDC_SLIDE_RANDOM, IDC_SLIDE_STANDARD);
        checked = true;
        dialogs::PostCommand(dlg, IDOK);
    });
    SendMessageA(frame_, WM_COMMAND, IDM_SLIDE_OPTIONS, 0);
    EXPECT_TRUE(checked);
    EXPECT_EQ(Setting("Size"), "1");
    EXPECT_EQ(Setting("Speed"), "8");
    EXPECT_EQ(Setting("Type"), "0");

    // Cancel writes nothing.
    dialogs::When("Slide Show Option", [&](HWND dlg) {
        SendDlgItemMessageA(dlg, IDC_SLIDE_SPEED, TBM_SETPOS, TRUE, 2);
        dialogs::PostCommand(dlg, IDCANCEL);
    });
    SendMessageA(frame_, WM_COMMAND, IDM_SLIDE_OPTIONS, 0);
    EXPECT_EQ(Setting("Speed"), "8");
}

TEST_F(ShowPrintGui, ShowPlacesKeysToolbarAndEnd) {
    // Original size (Size 5 reads as 1 in the show), album order, switching at once.
    Plat().settings->Set("Size", "5");
    Plat().settings->Set("Speed", "10");
    const std::string alb =
        AlbumOf("three.alb", {Bmp("a.bmp", 64, 48), Bmp("b.bmp", 48, 64), Bmp("c.bmp", 4000, 100)});
    HWND show = CreateSlideShow(frame_, alb);
    ASSERT_NE(show, nullptr);
    ASSERT_TRUE(PumpUntil([] { return Drawn(1); }, 5000));
    SlideShowView v = CurrentSlideShow();
    EXPECT_EQ(v.count, 3);
    EXPECT_EQ(v.size, kSlideOriginal);
    EXPECT_FALSE(v.pointer_shown);
    RECT client;
    GetClientRect(show, &client);
    // The timer of Speed 10 runs the show on by itself; pause it on the next picture.
    ASSERT_TRUE(PumpUntil([] { return CurrentSlideShow().current == 1; }, 5000));
    SendMessageA(show, WM_COMMAND, IDC_SLD_PLAY, 0);
    EXPECT_FALSE(CurrentSlideShow().playing);
    EXPECT_FALSE(CurrentSlideShow().timer_running);
    UpdateWindow(show);  // the picture taken by the timer is drawn now
    v = CurrentSlideShow();
    ASSERT_EQ(v.current, 1);
    SlideRect r = SlidePlacement(client.right, client.bottom, 48, 64, kSlideOriginal);
    EXPECT_EQ(v.drawn.left, r.x);
    EXPECT_EQ(v.drawn.top, r.y);
    EXPECT_EQ(v.drawn.right - v.drawn.left, 48);
    EXPECT_EQ(v.drawn.bottom - v.drawn.top, 64);
    // Next: the wide picture is fitted even at original size.
    SendMessageA(show, WM_COMMAND, IDC_SLD_NEXT, 0);
    ASSERT_TRUE(PumpUntil([] { return CurrentSlideShow().current == 2 && Drawn(0); }, 2000));
    UpdateWindow(show);
    v = CurrentSlideShow();
    r = SlidePlacement(client.right, client.bottom, 4000, 100, kSlideOriginal);
    EXPECT_EQ(v.drawn.right - v.drawn.left, r.width);
    EXPECT_EQ(v.drawn.right - v.drawn.left, client.right);
    EXPECT_FALSE(v.timer_running);  // paused: drawing does not start the timer
    // Next after the last is the first; previous before the first is the last.
    SendMessageA(show, WM_COMMAND, IDC_SLD_NEXT, 0);
    EXPECT_EQ(CurrentSlideShow().current, 0);
    SendMessageA(show, WM_COMMAND, IDC_SLD_PREV, 0);
    EXPECT_EQ(CurrentSlideShow().current, 2);
    UpdateWindow(show);
    // An arrow key is no character: the show goes on.
    SendMessageA(show, WM_KEYDOWN, VK_RIGHT, 0);
    PumpWindowsFor(20);
    ASSERT_TRUE(IsWindow(show));
    // The right button brings the toolbar, with the pointer; Escape hides it again.
    SendMessageA(show, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(100, 100));
    v = CurrentSlideShow();
    ASSERT_NE(v.toolbar, nullptr);
    EXPECT_EQ(WindowText(v.toolbar), "Slide Show Menu");
    EXPECT_TRUE(v.pointer_shown);
    int owner_drawn = 0;
    for (int id :
         {IDC_SLD_POINTER, IDC_SLD_SIZE, IDC_SLD_PREV, IDC_SLD_PLAY, IDC_SLD_NEXT, IDC_SLD_EXIT}) {
        HWND b = GetDlgItem(v.toolbar, id);
        if (b && (GetWindowLongA(b, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW) ++owner_drawn;
    }
    EXPECT_EQ(owner_drawn, 6);
    HMENU sys = GetSystemMenu(v.toolbar, FALSE);
    EXPECT_EQ(GetMenuState(sys, SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_EQ(GetMenuState(sys, SC_MAXIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
    // A toolbar button: play again, through the show window's command.
    SendMessageA(v.toolbar, WM_COMMAND, MAKEWPARAM(IDC_SLD_PLAY, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(v.toolbar, IDC_SLD_PLAY)));
    ASSERT_TRUE(PumpUntil([] { return CurrentSlideShow().playing; }, 2000));
    SendMessageA(v.toolbar, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(CurrentSlideShow().toolbar, nullptr);
    EXPECT_FALSE(CurrentSlideShow().pointer_shown);
    // The pointer mode keeps the pointer shown.
    SendMessageA(show, WM_COMMAND, IDC_SLD_POINTER, 0);
    SendMessageA(show, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(CurrentSlideShow().pointer_shown);
    // A letter ends the show.
    SendMessageA(show, WM_CHAR, 'q', 0);
    EXPECT_FALSE(IsWindow(show));
    EXPECT_EQ(CurrentSlideShow().window, nullptr);
}

TEST_F(ShowPrintGui, SpeedTenGoesOnByItselfAndAPauseHoldsThePicture) {
    Plat().settings->Set("Speed", "10");
    Plat().settings->Set("Size", "0");
    const std::string alb =
        AlbumOf("fast.alb", {Bmp("f1.bmp", 16, 12), Bmp("f2.bmp", 16, 12), Bmp("f3.bmp", 16, 12)});
    HWND show = CreateSlideShow(frame_, alb);
    ASSERT_NE(show, nullptr);
    // The shortest display time: the show comes round to the first picture again.
    ASSERT_TRUE(PumpUntil([] { return Drawn(4); }, 5000));
    // The picture just drawn has started the timer; pausing now keeps it on the screen.
    ASSERT_TRUE(CurrentSlideShow().timer_running);
    const int current = CurrentSlideShow().current;
    SendMessageA(show, WM_COMMAND, IDC_SLD_PLAY, 0);
    const int draws = CurrentSlideShow().draws;
    PumpWindowsFor(100);
    EXPECT_EQ(CurrentSlideShow().current, current);
    EXPECT_EQ(CurrentSlideShow().draws, draws);
    EXPECT_FALSE(CurrentSlideShow().timer_running);
    // Play again: it goes on.
    SendMessageA(show, WM_COMMAND, IDC_SLD_PLAY, 0);
    ASSERT_TRUE(PumpUntil([draws] { return Drawn(draws + 2); }, 5000));
    SendMessageA(show, WM_CHAR, 'x', 0);
    EXPECT_FALSE(IsWindow(show));
}

// Every toolbar button clicked as the user does: size, next, previous, pause and play, the
// pointer, exit.
TEST_F(ShowPrintGui, ToolbarButtonsDriveTheShow) {
    Plat().settings->Set("Speed", "0");  // ten seconds a picture: only the buttons move it
    Plat().settings->Set("Size", "0");
    Plat().settings->Set("Type", "0");
    const std::string alb = AlbumOf(
        "buttons.alb", {Bmp("t1.bmp", 64, 48), Bmp("t2.bmp", 32, 24), Bmp("t3.bmp", 16, 12)});
    HWND show = CreateSlideShow(frame_, alb);
    ASSERT_NE(show, nullptr);
    ASSERT_TRUE(PumpUntil([] { return Drawn(1); }, 5000));
    RECT client;
    GetClientRect(show, &client);
    SendMessageA(show, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(50, 50));
    HWND bar = CurrentSlideShow().toolbar;
    ASSERT_NE(bar, nullptr);
    auto click = [bar](int id) {
        SendMessageA(GetDlgItem(bar, id), BM_CLICK, 0, 0);
        PumpWindowsFor(50);
    };
    auto placed = [&client](int w, int h, int size) {
        const SlideRect r = SlidePlacement(client.right, client.bottom, w, h, size);
        const RECT d = CurrentSlideShow().drawn;
        return d.left == r.x && d.top == r.y && d.right - d.left == r.width &&
               d.bottom - d.top == r.height;
    };
    EXPECT_TRUE(placed(64, 48, kSlideFit));
    click(IDC_SLD_SIZE);
    EXPECT_EQ(CurrentSlideShow().size, kSlideOriginal);
    EXPECT_TRUE(placed(64, 48, kSlideOriginal));
    click(IDC_SLD_NEXT);
    EXPECT_EQ(CurrentSlideShow().current, 1);
    EXPECT_TRUE(placed(32, 24, kSlideOriginal));
    click(IDC_SLD_PREV);
    click(IDC_SLD_PREV);
    EXPECT_EQ(CurrentSlideShow().current, 2);
    EXPECT_TRUE(placed(16, 12, kSlideOriginal));
    EXPECT_TRUE(CurrentSlideShow().timer_running);
    click(IDC_SLD_PLAY);
    EXPECT_FALSE(CurrentSlideShow().playing);
    EXPECT_FALSE(CurrentSlideShow().timer_running);
    click(IDC_SLD_PLAY);
    EXPECT_TRUE(CurrentSlideShow().playing);
    EXPECT_TRUE(CurrentSlideShow().timer_running);
    const bool pointer_mode = CurrentSlideShow().pointer_mode;
    click(IDC_SLD_POINTER);
    EXPECT_NE(CurrentSlideShow().pointer_mode, pointer_mode);
    // Two steps before a paint go two pictures on (the picture loaded ahead serves one).
    const int current = CurrentSlideShow().current;
    SendMessageA(show, WM_COMMAND, IDC_SLD_NEXT, 0);
    SendMessageA(show, WM_COMMAND, IDC_SLD_NEXT, 0);
    EXPECT_EQ(CurrentSlideShow().current, (current + 2) % 3);
    click(IDC_SLD_EXIT);
    EXPECT_FALSE(IsWindow(show));
    EXPECT_FALSE(IsWindow(bar));
    EXPECT_TRUE(IsWindowEnabled(frame_));
    EXPECT_TRUE(boxes::Seen().empty());
}

// The loader lets messages through (the decoder pumps them): what the user does meanwhile
// waits for the picture, and nothing is freed under the loading.
struct LoadingStep {
    HWND show = nullptr;
    int loads = 0;
    int act_on_load = 0;  // the load during which the action happens (1 = the first)
    int action = 0;       // 1: a letter, 2: the toolbar's exit, 3: the window destroyed
} g_loading;

DibImage LoadWhilePumping(const std::string& path) {
    LoadingStep& l = g_loading;
    if (++l.loads == l.act_on_load) {
        if (l.action == 1) PostMessageA(l.show, WM_CHAR, 'q', 0);
        if (l.action == 2) PostMessageA(l.show, WM_COMMAND, IDC_SLD_EXIT, 0);
        if (l.action == 3) DestroyWindow(l.show);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    return LoadBmpFile(path);
}

TEST_F(ShowPrintGui, InputDuringLoadingWaitsForThePictureAndEachPictureLoadsOnce) {
    Plat().settings->Set("Speed", "10");
    Plat().settings->Set("Size", "0");
    const std::string alb =
        AlbumOf("load.alb", {Bmp("l1.bmp", 16, 12), Bmp("l2.bmp", 16, 12), Bmp("l3.bmp", 16, 12)});
    // Every picture through this loader, on this thread.
    DibImage (*saved)(const std::string&) = SlideShowShell().load_picture;
    auto saved_quietly = SlideShowShell().load_quietly;
    SlideShowShell().load_picture = LoadWhilePumping;
    SlideShowShell().load_quietly = nullptr;
    struct Restore {
        DibImage (*loader)(const std::string&);
        decltype(saved_quietly) quietly;
        ~Restore() {
            SlideShowShell().load_picture = loader;
            SlideShowShell().load_quietly = quietly;
        }
    } restore{saved, saved_quietly};

    // Running on by itself, each picture is loaded once, the next one while this one shows.
    g_loading = LoadingStep();
    HWND show = CreateSlideShow(frame_, alb);
    ASSERT_NE(show, nullptr);
    g_loading.show = show;
    ASSERT_TRUE(PumpUntil([] { return Drawn(5); }, 5000));
    SendMessageA(show, WM_COMMAND, IDC_SLD_PLAY, 0);
    const SlideShowView v = CurrentSlideShow();
    EXPECT_LE(g_loading.loads, v.draws + 1);
    EXPECT_GE(g_loading.loads, v.draws);
    DestroyWindow(show);

    // A letter, the toolbar's exit and the window destroyed, each while the first picture or
    // the one after it loads: the show ends, once, and the frame goes on.
    for (int action = 1; action <= 3; ++action) {
        for (int on_load = 1; on_load <= 2; ++on_load) {
            SCOPED_TRACE("action " + std::to_string(action) + " on load " +
                         std::to_string(on_load));
            g_loading = LoadingStep();
            g_loading.action = action;
            g_loading.act_on_load = on_load;
            show = CreateSlideShow(frame_, alb);
            ASSERT_NE(show, nullptr);
            g_loading.show = show;
            ASSERT_TRUE(PumpUntil([show] { return !IsWindow(show); }, 5000));
            EXPECT_EQ(CurrentSlideShow().window, nullptr);
            EXPECT_EQ(g_loading.loads, on_load);
            EXPECT_TRUE(boxes::Seen().empty());
            EXPECT_TRUE(IsWindowEnabled(frame_));
        }
    }
}

// A picture that takes long to load, on the show's worker: the load given number blocks until
// the test opens the gate, and tells the show window what the user does meanwhile.
struct SlowLoad {
    HANDLE gate = nullptr;
    HWND show = nullptr;
    LONG block_on = 0;
    int action = 0;  // 1: Escape, 2: the left button, 3: the right button, then the toolbar's exit
    LONG started = 0;
    LONG finished = 0;
    DibImage (*real)(const std::string&, int, int, int*, int*) = nullptr;
} g_slow;

DibImage LoadSlowly(const std::string& path, int fit_width, int fit_height, int* w, int* h) {
    SlowLoad& l = g_slow;
    if (InterlockedIncrement(&l.started) == l.block_on) {
        if (l.action == 1) PostMessageA(l.show, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        if (l.action == 2) PostMessageA(l.show, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 40));
        if (l.action == 3) PostMessageA(l.show, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(40, 40));
        WaitForSingleObject(l.gate, 10000);  // bounded: a show that waits for it fails, not hangs
    }
    DibImage picture = l.real(path, fit_width, fit_height, w, h);
    InterlockedIncrement(&l.finished);
    return picture;
}

// Escape, the left button and the toolbar's exit end a show while a picture is still loading
// (the first one at Speed 9, the one after it at Speed 10, where the show waits for it at once):
// the show does not wait for the picture, the frame is as it was, and the picture that comes
// later is thrown away.
TEST_F(ShowPrintGui, EndingAShowDoesNotWaitForAPictureBeingLoaded) {
    Plat().settings->Set("Size", "0");
    Plat().settings->Set("Type", "0");
    const std::string alb = AlbumOf("slow.alb", {Bmp("s1.bmp", 64, 48), Bmp("s2.bmp", 64, 48)});
    ASSERT_NE(SlideShowShell().load_quietly, nullptr);
    auto saved = SlideShowShell().load_quietly;
    HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(gate, nullptr);
    struct Restore {
        decltype(saved) loader;
        HANDLE gate;
        ~Restore() {
            SetEvent(gate);  // no worker is left waiting
            PumpUntil([] { return g_slow.finished == g_slow.started; }, 5000);
            SlideShowShell().load_quietly = loader;
            CloseHandle(gate);
        }
    } restore{saved, gate};
    SlideShowShell().load_quietly = LoadSlowly;
    const HWND active = GetActiveWindow();
    struct Row {
        const char* speed;
        LONG block_on;
        int action;
    };
    for (const Row& row : {Row{"9", 1, 1}, Row{"9", 1, 2}, Row{"9", 1, 3}, Row{"10", 2, 1},
                           Row{"10", 2, 2}, Row{"10", 2, 3}}) {
        SCOPED_TRACE(std::string("Speed ") + row.speed + ", action " + std::to_string(row.action) +
                     " during load " + std::to_string(row.block_on));
        Plat().settings->Set("Speed", row.speed);
        ResetEvent(gate);
        g_slow = SlowLoad();
        g_slow.gate = gate;
        g_slow.block_on = row.block_on;
        g_slow.action = row.action;
        g_slow.real = saved;
        bool toolbar_seen = false;
        if (row.action == 3) {
            dialogs::When("Slide Show Menu", [&toolbar_seen](HWND bar) {
                toolbar_seen = true;
                SendMessageA(GetDlgItem(bar, IDC_SLD_EXIT), BM_CLICK, 0, 0);
            });
        }
        HWND show = CreateSlideShow(frame_, alb);
        ASSERT_NE(show, nullptr);
        g_slow.show = show;
        ASSERT_TRUE(PumpUntil([show] { return !IsWindow(show); }, 5000));
        // Ended with the picture still loading.
        EXPECT_EQ(g_slow.started, row.block_on);
        EXPECT_EQ(g_slow.finished, row.block_on - 1);
        EXPECT_EQ(CurrentSlideShow().window, nullptr);
        EXPECT_EQ(toolbar_seen, row.action == 3);
        EXPECT_EQ(dialogs::Pending(), 0);
        EXPECT_TRUE(IsWindowEnabled(frame_));
        EXPECT_EQ(GetActiveWindow(), active);
        EXPECT_TRUE(boxes::Seen().empty());
        // The picture comes after the end and goes nowhere.
        SetEvent(gate);
        ASSERT_TRUE(PumpUntil([] { return g_slow.finished == g_slow.block_on; }, 5000));
        PumpWindowsFor(20);
        EXPECT_EQ(CurrentSlideShow().window, nullptr);
    }
}

// The camera's own pictures through the program's loaders (on the show's worker, the next
// while this one is drawn): the same pixels as through a BMP file, placed as the rule says, and
// a letter ends the show.
TEST_F(ShowPrintGui, ShowOfTheCamerasPicturesRunsOnAndEndsOnALetter) {
    Plat().settings->Set("Speed", "10");
    Plat().settings->Set("Size", "0");
    Plat().settings->Set("Type", "0");
    SimConfig cfg;
    cfg.model = 2;
    cfg.images = 3;
    auto camera = MakeSimCamera(cfg);
    ASSERT_NE(camera, nullptr);
    std::vector<std::string> files;
    for (int n = 1; n <= 3; ++n) {
        const std::string path = folder_ + "DSC000" + std::to_string(n) + ".jpg";
        const std::vector<uint8_t>& jpeg = SimImage(*camera, n);
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(jpeg.data(), 1, jpeg.size(), f), jpeg.size());
        std::fclose(f);
        made_.push_back(path);
        files.push_back(path);
    }
    JpegHeaderInfo info;
    ASSERT_TRUE(ReadJpegHeaderInfo(files[0], &info));
    // The show's own loader, in memory and without a word, gives the very pixels of the loader
    // through a BMP file, for pictures that fit the screen.
    ASSERT_NE(SlideShowShell().load_quietly, nullptr);
    for (const std::string& f : {files[0], files[1], Bmp("fits.bmp", 33, 17)}) {
        SCOPED_TRACE(f);
        int w = 0, h = 0;
        const DibImage quiet = SlideShowShell().load_quietly(f, GetSystemMetrics(SM_CXSCREEN),
                                                             GetSystemMetrics(SM_CYSCREEN), &w, &h);
        const DibImage loud = SlideShowShell().load_picture(f);
        ASSERT_TRUE(quiet);
        ASSERT_TRUE(loud);
        EXPECT_EQ(w, DibWidth(loud));
        EXPECT_EQ(h, std::abs(DibHeight(loud)));
        ASSERT_EQ(quiet.size(), loud.size());
        EXPECT_EQ(std::memcmp(quiet.data(), loud.data(), loud.size()), 0);
    }
    const std::string alb = AlbumOf("camera.alb", files);
    HWND show = CreateSlideShow(frame_, alb);
    ASSERT_NE(show, nullptr);
    // Round the album once and onto its first picture again.
    ASSERT_TRUE(PumpUntil([] { return Drawn(4); }, 20000));
    SendMessageA(show, WM_COMMAND, IDC_SLD_PLAY, 0);
    UpdateWindow(show);
    const SlideShowView v = CurrentSlideShow();
    EXPECT_GE(v.current, 0);
    EXPECT_LT(v.current, 3);
    RECT client;
    GetClientRect(show, &client);
    const SlideRect r =
        SlidePlacement(client.right, client.bottom, info.width, info.height, kSlideFit);
    EXPECT_EQ(v.drawn.left, r.x);
    EXPECT_EQ(v.drawn.top, r.y);
    EXPECT_EQ(v.drawn.right - v.drawn.left, r.width);
    EXPECT_EQ(v.drawn.bottom - v.drawn.top, r.height);
    EXPECT_TRUE(boxes::Seen().empty());
    SendMessageA(show, WM_CHAR, 'e', 0);
    EXPECT_FALSE(IsWindow(show));
    EXPECT_TRUE(IsWindowEnabled(frame_));
}

TEST_F(ShowPrintGui, ShowEndsOnAnEmptyAlbumAndAMissingPicture) {
    HWND show = CreateSlideShow(frame_, AlbumOf("empty.alb", {}));
    ASSERT_NE(show, nullptr);
    boxes::Expect(IDOK);
    ASSERT_TRUE(PumpUntil([show] { return !IsWindow(show); }, 5000));
    ASSERT_EQ(boxes::Seen().size(), 1u);
    EXPECT_EQ(boxes::Seen()[0], "This album has no images.");

    boxes::Clear();
    const std::string gone = Bmp("gone.bmp", 10, 10);
    const std::string alb = AlbumOf("gone.alb", {gone, Bmp("here.bmp", 10, 10)});
    DeleteFileA(gone.c_str());
    show = CreateSlideShow(frame_, alb);
    ASSERT_NE(show, nullptr);
    boxes::Expect(IDOK);
    ASSERT_TRUE(PumpUntil([show] { return !IsWindow(show); }, 5000));
    ASSERT_EQ(boxes::Seen().size(), 1u);
    EXPECT_EQ(boxes::Seen()[0], "File does not exist.");
}

// The hook as a dialog procedure of its own template, ended by OK or Cancel.
INT_PTR CALLBACK HookAsDialog(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        PrintOptionsHook(dlg, msg, wp, lp);
        EndDialog(dlg, LOWORD(wp));
        return TRUE;
    }
    return static_cast<INT_PTR>(PrintOptionsHook(dlg, msg, wp, lp));
}

bool Enabled(HWND dlg, int id) {
    return IsWindowEnabled(GetDlgItem(dlg, id)) != FALSE;
}

TEST_F(ShowPrintGui, PrintHookOverAnAlbumAnImageAndNothing) {
    Plat().settings->Set("AlbType", "2");
    Plat().settings->Set("NorType", "3");
    Plat().settings->Set("PrnName", "1");
    Plat().settings->Set("AlbAll", "0");
    PrintHook().document = kPrintAlbum;
    dialogs::When("Print", [](HWND dlg) {
        EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_PRINT_FOUR), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_PRINT_SELECT), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_PRINT_LOWER), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_PRINT_NAME), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_PRINT_DATE), BST_UNCHECKED);
        EXPECT_FALSE(Enabled(dlg, IDC_PRINT_PAPER));
        EXPECT_FALSE(Enabled(dlg, IDC_PRINT_IMAGE_GROUP));
        EXPECT_TRUE(Enabled(dlg, IDC_PRINT_SIXTEEN));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, 0x0482)));  // the copies field
        // The clicks as the buttons send them.
        CheckRadioButton(dlg, IDC_PRINT_ALBUM, IDC_PRINT_SIXTEEN, IDC_PRINT_SIXTEEN);
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_PRINT_SIXTEEN, BN_CLICKED), 0);
        CheckRadioButton(dlg, IDC_PRINT_ALL, IDC_PRINT_SELECT, IDC_PRINT_ALL);
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_PRINT_ALL, BN_CLICKED), 0);
        CheckDlgButton(dlg, IDC_PRINT_DATE, BST_CHECKED);
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_PRINT_DATE, BN_CLICKED), 0);
        dialogs::PostCommand(dlg, IDOK);
    });
    DialogBoxParamA(GetModuleHandleA(nullptr), "PRINT88C", frame_, HookAsDialog, 0);
    EXPECT_TRUE(PrintHook().album);
    EXPECT_EQ(Setting("AlbType"), "3");
    EXPECT_EQ(Setting("AlbAll"), "1");
    EXPECT_EQ(Setting("PrnDate"), "1");
    EXPECT_EQ(Setting("NorType"), "3");

    // Over an image the album options are grey and OK writes the image layout only.
    PrintHook().document = kPrintImage;
    dialogs::When("Print", [](HWND dlg) {
        EXPECT_FALSE(Enabled(dlg, IDC_PRINT_ALL));
        EXPECT_FALSE(Enabled(dlg, IDC_PRINT_SEPARATOR));
        EXPECT_TRUE(Enabled(dlg, IDC_PRINT_UPPER));
        CheckRadioButton(dlg, IDC_PRINT_PAPER, IDC_PRINT_LOWER, IDC_PRINT_UPPER);
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_PRINT_UPPER, BN_CLICKED), 0);
        dialogs::PostCommand(dlg, IDOK);
    });
    Plat().settings->Set("AlbType", "1");
    DialogBoxParamA(GetModuleHandleA(nullptr), "PRINT88C", frame_, HookAsDialog, 0);
    EXPECT_FALSE(PrintHook().album);
    EXPECT_EQ(Setting("NorType"), "2");
    EXPECT_EQ(Setting("AlbType"), "1");

    // Without a document: message 41, and the dialog goes on.
    PrintHook().document = kPrintNoDocument;
    boxes::Expect(IDOK);
    dialogs::When("Print", [](HWND dlg) { dialogs::PostCommand(dlg, IDCANCEL); });
    DialogBoxParamA(GetModuleHandleA(nullptr), "PRINT88C", frame_, HookAsDialog, 0);
    ASSERT_FALSE(boxes::Seen().empty());
    EXPECT_EQ(boxes::Seen().back(), "This image cannot be printed.");
}

// Each option's whole label fits beside its button in the dialog's own font.
TEST_F(ShowPrintGui, PrintOptionLabelsFitTheirButtons) {
    PrintHook().document = kPrintAlbum;
    dialogs::When("Print", [](HWND dlg) {
        const int ids[] = {IDC_PRINT_ALL,   IDC_PRINT_SELECT,   IDC_PRINT_ALBUM, IDC_PRINT_TWO,
                           IDC_PRINT_FOUR,  IDC_PRINT_SIXTEEN,  IDC_PRINT_PAPER, IDC_PRINT_ORIGINAL,
                           IDC_PRINT_UPPER, IDC_PRINT_LOWER,    IDC_PRINT_NAME,  IDC_PRINT_DATE};
        // The box and the gap before the text.
        const int box = GetSystemMetrics(SM_CXMENUCHECK) + 4;
        for (int id : ids) {
            HWND button = GetDlgItem(dlg, id);
            ASSERT_NE(button, nullptr) << id;
            std::string label = WindowText(button);
            label.erase(std::remove(label.begin(), label.end(), '&'), label.end());
            HDC dc = GetDC(button);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0)));
            SIZE text{};
            GetTextExtentPoint32A(dc, label.c_str(), static_cast<int>(label.size()), &text);
            SelectObject(dc, old);
            ReleaseDC(button, dc);
            RECT client{};
            GetClientRect(button, &client);
            EXPECT_LE(box + text.cx, client.right) << "\"" << label << "\" is cut off";
        }
        dialogs::PostCommand(dlg, IDCANCEL);
    });
    DialogBoxParamA(GetModuleHandleA(nullptr), "PRINT88C", frame_, HookAsDialog, 0);
    EXPECT_EQ(dialogs::Pending(), 0);
}

TEST_F(ShowPrintGui, PrintWithoutAPrinterFailsAndLeavesTheFrameUsable) {
    PRINTDLGA pd{};
    pd.lStructSize = sizeof pd;
    boxes::Expect(IDOK);
    PrintAlbum(frame_, pd, {Bmp("p.bmp", 8, 8)}, nullptr);
    ASSERT_EQ(boxes::Seen().size(), 1u);
    EXPECT_EQ(boxes::Seen()[0], "It failed to print.");
    EXPECT_TRUE(IsWindowEnabled(frame_));
    EXPECT_EQ(PrintAbortDialog(), nullptr);
    // An image window without picture data.
    boxes::Expect(IDOK);
    PrintImage(frame_, pd, nullptr, nullptr, "x", "x.bmp");
    EXPECT_EQ(boxes::Seen().back(), "The error not to expect occurred.");
}

// Pages of a PostScript file: its "%%Page:" lines.
int PostScriptPages(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return -1;
    int pages = 0;
    char line[4096];
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "%%Page:", 7) == 0) ++pages;
    std::fclose(f);
    return pages;
}

DibImage LoadBmpForPrint(const std::string& path) {
    return LoadBmpFile(path);
}

TEST_F(ShowPrintGui, AlbumSheetsAndAPictureOnWinesPostScriptPrinter) {
    ASSERT_TRUE(InstallTestPrinter());
    const std::string out = folder_ + "job.ps";
    made_.push_back(out);
    PrinterBlocks blocks(out);
    std::vector<std::string> five;
    for (int i = 0; i < 5; ++i) five.push_back(Bmp("s" + std::to_string(i) + ".bmp", 40, 30));
    struct Case {
        const char* alb_type;
        int pages;
    } cases[] = {{"1", 3}, {"2", 2}, {"3", 1}, {"0", 1}};
    for (const Case& c : cases) {
        Plat().settings->Set("AlbType", c.alb_type);
        Plat().settings->Set("PrnName", "1");
        DeleteFileA(out.c_str());
        PrintAlbum(frame_, blocks.pd, five, LoadBmpForPrint);
        EXPECT_EQ(PostScriptPages(out), c.pages) << "AlbType " << c.alb_type;
        EXPECT_TRUE(IsWindowEnabled(frame_));
        EXPECT_EQ(PrintAbortDialog(), nullptr);
    }
    // No entries: one empty page.
    DeleteFileA(out.c_str());
    PrintAlbum(frame_, blocks.pd, {}, LoadBmpForPrint);
    EXPECT_EQ(PostScriptPages(out), 1);
    // One picture on one page.
    DeleteFileA(out.c_str());
    DibImage picture = LoadBmpFile(five[0]);
    PrintImage(frame_, blocks.pd, &picture, nullptr, "s0.bmp", five[0]);
    EXPECT_EQ(PostScriptPages(out), 1);
}

// ---- where the pictures land ------------------------------------------------------------------
//
// Each picture is one solid colour of its own, so that the rendered page shows where each one
// went. The jobs go as PostScript files into the folder VISTREL_PRINT_SHEETS names, with a
// list of the places the layout code gives for each picture on each page; a native check
// renders the files with Ghostscript at the printer's resolution and finds every colour's
// bounding box on its page (tests/print/print_sheet_check.cpp).

struct SheetColour {
    int r, g, b;
};
// 216 distinct colours, none of them near white or black (the paper and the captions).
SheetColour ColourOf(int i) {
    return {30 + (i % 6) * 40, 30 + (i / 6 % 6) * 40, 30 + (i / 36 % 6) * 40};
}

std::string ShowPrintGui::Solid(const std::string& name, int w, int h, int colour) {
    const std::string p = folder_ + name;
    DibImage d = NewDib(w, h, 24, 0);
    DibLayout l;
    EXPECT_TRUE(GetDibLayout(d, &l));
    const SheetColour c = ColourOf(colour);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = d.data() + l.pixel_offset + static_cast<size_t>(y) * l.stride;
        for (int x = 0; x < w; ++x) {
            row[x * 3] = static_cast<uint8_t>(c.b);
            row[x * 3 + 1] = static_cast<uint8_t>(c.g);
            row[x * 3 + 2] = static_cast<uint8_t>(c.r);
        }
    }
    EXPECT_EQ(SaveBmpFile(p, d), 1);
    made_.push_back(p);
    return p;
}

std::string SheetFolder() {
    const char* dir = std::getenv("VISTREL_PRINT_SHEETS");
    if (!dir || !*dir) return std::string();
    std::string path = dir;
    if (path[0] == '/') {
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
    if (path.back() != '\\') path += '\\';
    return path;
}

// The page a job gets on the test printer, as the print job works it out.
struct SheetDevice {
    PrintPage page;
    int dpi_x = 0, dpi_y = 0, offset_x = 0, offset_y = 0;
};
bool TestPrinterPage(const PRINTDLGA& pd, SheetDevice* device) {
    auto* mode = static_cast<DEVMODEA*>(GlobalLock(pd.hDevMode));
    if (!mode) return false;
    HDC dc = CreateDCA("winspool", kTestPrinter, nullptr, mode);
    const int y_res = mode->dmYResolution, quality = mode->dmPrintQuality;
    GlobalUnlock(pd.hDevMode);
    if (!dc) return false;
    device->page =
        MakePrintPage(GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES), y_res, quality);
    device->dpi_x = GetDeviceCaps(dc, LOGPIXELSX);
    device->dpi_y = GetDeviceCaps(dc, LOGPIXELSY);
    device->offset_x = GetDeviceCaps(dc, PHYSICALOFFSETX);
    device->offset_y = GetDeviceCaps(dc, PHYSICALOFFSETY);
    DeleteDC(dc);
    return device->page.width > 0 && device->page.height > 0;
}

class SheetList {
public:
    explicit SheetList(const std::string& path) : f_(std::fopen(path.c_str(), "wb")) {}
    ~SheetList() {
        if (f_) std::fclose(f_);
    }
    bool ok() const { return f_ != nullptr; }
    void Job(const std::string& name, int pages, const SheetDevice& d) {
        std::fprintf(f_, "job %s %d %d %d %d %d\n", name.c_str(), pages, d.dpi_x, d.dpi_y,
                     d.offset_x, d.offset_y);
    }
    void Picture(int page, int colour, const PrintRect& r) {
        const SheetColour c = ColourOf(colour);
        std::fprintf(f_, "pic %d %d %d %d %d %d %d %d\n", page, c.r, c.g, c.b, r.x, r.y, r.width,
                     r.height);
    }

private:
    FILE* f_;
};

TEST_F(ShowPrintGui, PicturesOfEveryLayoutGoToTheirPlacesOnThePostScriptPages) {
    const std::string sheets = SheetFolder();
    ASSERT_FALSE(sheets.empty()) << "VISTREL_PRINT_SHEETS is not set";
    CreateDirectoryA(sheets.c_str(), nullptr);
    ASSERT_TRUE(InstallTestPrinter());
    SheetList list(sheets + "sheets.txt");
    ASSERT_TRUE(list.ok());
    const std::string scratch = sheets + "scratch.ps";
    PrinterBlocks probe(scratch);
    SheetDevice device;
    ASSERT_TRUE(TestPrinterPage(probe.pd, &device));
    EXPECT_GT(device.dpi_x, 100);

    // One picture per single-image layout; the lower half with the file name under it.
    struct Single {
        const char* name;
        int nor_type;
        int w, h;
        bool caption;
    } singles[] = {{"single-fit", kNorFit, 640, 480, false},
                   {"single-original", kNorOriginal, 640, 480, false},
                   {"single-upper", kNorUpper, 640, 480, false},
                   {"single-lower", kNorLower, 300, 400, true}};
    int colour = 0;
    for (const Single& c : singles) {
        Plat().settings->Set("NorType", std::to_string(c.nor_type));
        Plat().settings->Set("PrnName", c.caption ? "1" : "0");
        Plat().settings->Set("PrnDate", "0");
        const std::string file = Solid(std::string(c.name) + ".bmp", c.w, c.h, colour);
        const std::string out = sheets + c.name + ".ps";
        DeleteFileA(out.c_str());
        PrinterBlocks blocks(out);
        DibImage picture = LoadBmpFile(file);
        PrintImage(frame_, blocks.pd, &picture, nullptr, c.name, file);
        EXPECT_EQ(PostScriptPages(out), 1) << c.name;
        const PrintPlacement place =
            PlaceSingleImage(device.page, ReadPrintOptions(*Plat().settings), c.w, c.h, false);
        list.Job(std::string(c.name) + ".ps", 1, device);
        list.Picture(0, colour, place.image);
        ++colour;
    }

    // Each album layout over one page and a bit of the next, landscape, portrait and a strip.
    const PrintOptions base = ReadPrintOptions(*Plat().settings);
    struct Sheet {
        const char* name;
        int alb_type;
        bool captions;
    } albums[] = {{"album-print", kAlbAlbumPrint, false},
                  {"album-2", kAlbTwo, true},
                  {"album-4", kAlbFour, true},
                  {"album-16", kAlbSixteen, false}};
    for (const Sheet& c : albums) {
        PrintOptions options = base;
        options.alb_type = c.alb_type;
        options.name = options.date = c.captions;
        const int per_page = AlbumEntriesPerPage(device.page, options);
        const int count = per_page + 1;
        Plat().settings->Set("AlbType", std::to_string(c.alb_type));
        Plat().settings->Set("PrnName", c.captions ? "1" : "0");
        Plat().settings->Set("PrnDate", c.captions ? "1" : "0");
        std::vector<std::string> files;
        std::vector<std::pair<int, int>> sizes;
        for (int i = 0; i < count; ++i) {
            // The strips are larger than the cells of album print and 16 a sheet.
            const int w = i % 3 == 0 ? 40 : i % 3 == 1 ? 30 : 800;
            const int h = i % 3 == 0 ? 30 : i % 3 == 1 ? 40 : 100;
            files.push_back(Solid(std::string(c.name) + "-" + std::to_string(i) + ".bmp", w, h, i));
            sizes.push_back({w, h});
        }
        const std::string out = sheets + c.name + ".ps";
        DeleteFileA(out.c_str());
        PrinterBlocks blocks(out);
        PrintAlbum(frame_, blocks.pd, files, LoadBmpForPrint);
        const int pages = AlbumPageCount(device.page, options, count);
        EXPECT_EQ(pages, 2) << c.name;
        EXPECT_EQ(PostScriptPages(out), pages) << c.name;
        list.Job(std::string(c.name) + ".ps", pages, device);
        for (int i = 0; i < count; ++i) {
            const PrintPlacement place =
                PlaceAlbumEntry(device.page, options, i, sizes[i].first, sizes[i].second, false, 0);
            list.Picture(i / per_page, i, place.image);
        }
        for (const std::string& f : files) DeleteFileA(f.c_str());
    }
}

// A picture of four solid quarters (colours first .. first + 3, left to right, top to bottom;
// the right and lower quarters from mid_x and mid_y on).
std::string QuarteredBmp(const std::string& path, int w, int h, int mid_x, int mid_y, int first) {
    DibImage d = NewDib(w, h, 24, 0);
    DibLayout l;
    EXPECT_TRUE(GetDibLayout(d, &l));
    for (int y = 0; y < h; ++y) {
        // Rows are stored bottom-up.
        uint8_t* row = d.data() + l.pixel_offset + static_cast<size_t>(h - 1 - y) * l.stride;
        for (int x = 0; x < w; ++x) {
            const SheetColour c = ColourOf(first + (x >= mid_x ? 1 : 0) + (y >= mid_y ? 2 : 0));
            row[x * 3] = static_cast<uint8_t>(c.b);
            row[x * 3 + 1] = static_cast<uint8_t>(c.g);
            row[x * 3 + 2] = static_cast<uint8_t>(c.r);
        }
    }
    EXPECT_EQ(SaveBmpFile(path, d), 1);
    return path;
}

// The part of a quartered picture's source rectangle (sx, sy, sw x sh) that each quarter covers,
// put where the layout puts the source.
void ListQuarters(SheetList* list, const PrintRect& place, int sx, int sy, int sw, int sh, int w,
                  int h, int mid_x, int mid_y, int first) {
    const int xs[3] = {0, mid_x, w}, ys[3] = {0, mid_y, h};
    for (int q = 0; q < 4; ++q) {
        const int x0 = std::max(xs[q % 2], sx), x1 = std::min(xs[q % 2 + 1], sx + sw);
        const int y0 = std::max(ys[q / 2], sy), y1 = std::min(ys[q / 2 + 1], sy + sh);
        PrintRect r;  // empty: the quarter must not be on the page
        if (x1 > x0 && y1 > y0) {
            r.x = place.x + static_cast<int>(static_cast<int64_t>(place.width) * (x0 - sx) / sw);
            r.y = place.y + static_cast<int>(static_cast<int64_t>(place.height) * (y0 - sy) / sh);
            r.width = place.x +
                      static_cast<int>(static_cast<int64_t>(place.width) * (x1 - sx) / sw) - r.x;
            r.height = place.y +
                       static_cast<int>(static_cast<int64_t>(place.height) * (y1 - sy) / sh) - r.y;
        }
        list->Picture(0, first + q, r);
    }
}

// Answers the system's print dialog with OK.
void AnswerPrintDialog(bool* printed) {
    dialogs::When(
        "Print",
        [printed](HWND dlg) {
            if (!*printed) SaveWindowShot(dlg, "vistrel-print");
            *printed = true;
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_PRINT_PAPER)));
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_PRINT_ALBUM)));
            dialogs::PostCommand(dlg, IDOK);
        },
        IDC_PRINT_ALBUM_GROUP);
}

TEST_F(ShowPrintGui, FilePrintPutsTheOpenPictureOrItsSelectionOnPaper) {
    const std::string sheets = SheetFolder();
    ASSERT_FALSE(sheets.empty()) << "VISTREL_PRINT_SHEETS is not set";
    CreateDirectoryA(sheets.c_str(), nullptr);
    ASSERT_TRUE(InstallTestPrinter());
    const std::string spool = sheets + "frame.ps";
    ASSERT_TRUE(InstallFilePrinter(spool));
    ASSERT_TRUE(SetDefaultPrinterA(kFilePrinter));
    SheetList list(sheets + "sheets-frame.txt");
    ASSERT_TRUE(list.ok());
    PrinterBlocks probe(sheets + "scratch.ps");
    SheetDevice device;
    ASSERT_TRUE(TestPrinterPage(probe.pd, &device));
    Plat().settings->Set("NorType", "0");
    Plat().settings->Set("PrnName", "0");
    Plat().settings->Set("PrnDate", "0");
    const int w = 200, h = 100, mid_x = 100, mid_y = 50;
    const std::string picture = QuarteredBmp(folder_ + "quarters.bmp", w, h, mid_x, mid_y, 100);
    made_.push_back(picture);
    OpenFileByPath(frame_, picture);
    PumpWindowsFor(20);
    HWND image = ActiveChild(nullptr);
    ASSERT_TRUE(IsImageWindow(image));
    const PrintOptions options = ReadPrintOptions(*Plat().settings);

    // The whole picture.
    const std::string whole = sheets + "frame-image.ps";
    DeleteFileA(whole.c_str());
    bool printed = false;
    AnswerPrintDialog(&printed);
    DeleteFileA(spool.c_str());
    SendMessageA(frame_, WM_COMMAND, IDM_PRINT, 0);
    EXPECT_TRUE(printed);
    EXPECT_TRUE(MoveFileA(spool.c_str(), whole.c_str()));
    EXPECT_EQ(PostScriptPages(whole), 1);
    EXPECT_TRUE(IsWindowEnabled(frame_));
    list.Job("frame-image.ps", 1, device);
    ListQuarters(&list, PlaceSingleImage(device.page, options, w, h, false).image, 0, 0, w, h, w, h,
                 mid_x, mid_y, 100);

    // A picture larger than its place goes to the printer at the place's size, the right way up.
    {
        const int bw = 1200, bh = 900;
        const std::string big = QuarteredBmp(folder_ + "big.bmp", bw, bh, 500, 300, 104);
        made_.push_back(big);
        Plat().settings->Set("AlbType", "3");
        const std::string out = sheets + "album-16-quarters.ps";
        DeleteFileA(out.c_str());
        PrinterBlocks blocks(out);
        PrintAlbum(frame_, blocks.pd, {big}, LoadBmpForPrint);
        EXPECT_EQ(PostScriptPages(out), 1);
        PrintOptions sixteen = options;
        sixteen.alb_type = kAlbSixteen;
        const PrintRect place = PlaceAlbumEntry(device.page, sixteen, 0, bw, bh, false, 0).image;
        EXPECT_LT(place.width, bw);
        EXPECT_EQ(LastPrintJobFigures().pixel_bytes,
                  static_cast<long long>(place.width) * place.height * 3);
        list.Job("album-16-quarters.ps", 1, device);
        ListQuarters(&list, place, 0, 0, bw, bh, bw, bh, 500, 300, 104);
    }

    // A selection across all four quarters, more of the upper ones than of the lower.
    SetImageSelection(image, 40, 20, 160, 70);
    RECT selection{};
    ASSERT_TRUE(ImageWindowSelectionRect(image, &selection));
    ASSERT_EQ(selection.left, 40);
    ASSERT_EQ(selection.bottom, 70);
    const std::string part = sheets + "frame-selection.ps";
    DeleteFileA(part.c_str());
    printed = false;
    AnswerPrintDialog(&printed);
    SendMessageA(frame_, WM_COMMAND, IDM_PRINT, 0);
    EXPECT_TRUE(printed);
    EXPECT_TRUE(MoveFileA(spool.c_str(), part.c_str()));
    EXPECT_EQ(PostScriptPages(part), 1);
    list.Job("frame-selection.ps", 1, device);
    ListQuarters(&list, PlaceSingleImage(device.page, options, 120, 50, false).image, 40, 20, 120,
                 50, w, h, mid_x, mid_y, 100);
}

// ---- pictures as the program's own PostScript -----------------------------------------------
//
// A PostScript printer gets the pictures as code written by the program, in few large writes,
// rather than through the driver's picture call. Each job is printed both ways; the native
// check renders the two files and finds every page the same to the pixel (sheets-same.txt).

// A picture of noise, so that any sample out of place or of another colour shows.
DibImage NoiseDib(int w, int h, unsigned seed) {
    DibImage d = NewDib(w, h, 24, 0);
    DibLayout l;
    EXPECT_TRUE(GetDibLayout(d, &l));
    for (int y = 0; y < h; ++y) {
        uint8_t* row = d.data() + l.pixel_offset + static_cast<size_t>(y) * l.stride;
        for (int x = 0; x < w * 3; ++x) {
            seed = seed * 1103515245u + 12345u;
            row[x] = static_cast<uint8_t>(seed >> 16);
        }
    }
    return d;
}

TEST_F(ShowPrintGui, PicturesSentAsPostScriptPrintAsTheDriverPrintsThem) {
    const std::string sheets = SheetFolder();
    ASSERT_FALSE(sheets.empty()) << "VISTREL_PRINT_SHEETS is not set";
    CreateDirectoryA(sheets.c_str(), nullptr);
    ASSERT_TRUE(InstallTestPrinter());
    PrinterBlocks probe(sheets + "scratch.ps");
    SheetDevice device;
    ASSERT_TRUE(TestPrinterPage(probe.pd, &device));
    FILE* list = std::fopen((sheets + "sheets-same.txt").c_str(), "wb");
    ASSERT_NE(list, nullptr);
    // Prints a job both ways: the program's code, then the driver's.
    auto both = [&](const std::string& name, int pictures,
                    const std::function<void(const PRINTDLGA&)>& job) {
        for (bool own : {true, false}) {
            const std::string out = sheets + name + (own ? ".ps" : "-driver.ps");
            DeleteFileA(out.c_str());
            PrinterBlocks blocks(out);
            SetOwnPostScriptPictures(own);
            job(blocks.pd);
            SetOwnPostScriptPictures(true);
            EXPECT_EQ(LastPrintJobFigures().postscript_pictures, own ? pictures : 0) << name;
            EXPECT_GE(PostScriptPages(out), 1) << out;
        }
        std::fprintf(list, "same %s.ps %s-driver.ps %d %d\n", name.c_str(), name.c_str(),
                     device.dpi_x, device.dpi_y);
    };

    // Album sheets with both caption lines: pictures brought down to their cells, enlarged
    // and a strip, over two pages of 16.
    std::vector<std::string> files;
    const int sizes[][2] = {{640, 480}, {40, 30}, {800, 100}, {30, 40}};
    for (int i = 0; i < 18; ++i) {
        const std::string f = folder_ + "noise" + std::to_string(i) + ".bmp";
        ASSERT_EQ(SaveBmpFile(f, NoiseDib(sizes[i % 4][0], sizes[i % 4][1], i + 1)), 1);
        made_.push_back(f);
        files.push_back(f);
    }
    Plat().settings->Set("AlbType", "3");
    Plat().settings->Set("PrnName", "1");
    Plat().settings->Set("PrnDate", "1");
    both("same-album-16", 18,
         [&](const PRINTDLGA& pd) { PrintAlbum(frame_, pd, files, LoadBmpForPrint); });
    Plat().settings->Set("AlbType", "2");
    both("same-album-4", 4, [&](const PRINTDLGA& pd) {
        PrintAlbum(frame_, pd, {files[0], files[1], files[2], files[3]}, LoadBmpForPrint);
    });

    // One picture fitted to the paper, another at original size and a selection of it in the
    // upper half.
    Plat().settings->Set("PrnDate", "0");
    const DibImage up = NoiseDib(320, 240, 99);
    const DibImage down = NoiseDib(330, 250, 77);
    Plat().settings->Set("NorType", "0");
    both("same-fit", 1, [&](const PRINTDLGA& pd) {
        PrintImage(frame_, pd, &up, nullptr, "up.bmp", folder_ + "up.bmp");
    });
    Plat().settings->Set("NorType", "1");
    both("same-original", 1, [&](const PRINTDLGA& pd) {
        PrintImage(frame_, pd, &down, nullptr, "down.bmp", folder_ + "down.bmp");
    });
    const RECT part{30, 20, 250, 190};
    Plat().settings->Set("NorType", "2");
    both("same-selection", 1, [&](const PRINTDLGA& pd) {
        PrintImage(frame_, pd, &down, &part, "down.bmp", folder_ + "down.bmp");
    });
    std::fclose(list);
}

// A picture of soft colours across and down, nicer to look at on a screenshot.
std::string GradientBmp(const std::string& path, int w, int h) {
    DibImage d = NewDib(w, h, 24, 0);
    DibLayout l;
    EXPECT_TRUE(GetDibLayout(d, &l));
    for (int y = 0; y < h; ++y) {
        uint8_t* row = d.data() + l.pixel_offset + static_cast<size_t>(h - 1 - y) * l.stride;
        for (int x = 0; x < w; ++x) {
            row[x * 3] = static_cast<uint8_t>(160 + 60 * x / w);
            row[x * 3 + 1] = static_cast<uint8_t>(80 + 150 * y / h);
            row[x * 3 + 2] = static_cast<uint8_t>(230 - 180 * x / w);
        }
    }
    EXPECT_EQ(SaveBmpFile(path, d), 1);
    return path;
}

TEST_F(ShowPrintGui, SlideShowFromTheMenuShowsTheChosenAlbum) {
    Plat().settings->Set("Speed", "0");  // ten seconds a picture: the test moves on by hand
    Plat().settings->Set("Size", "0");
    const std::string first = GradientBmp(folder_ + "m1.bmp", 640, 480);
    made_.push_back(first);
    const std::string alb = AlbumOf("menu.alb", {first, Bmp("m2.bmp", 48, 64)});
    bool asked = false;
    dialogs::When("Open", [&](HWND dlg) {
        asked = true;
        SendMessageA(dlg, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(alb.c_str()));
        SendMessageA(dlg, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(alb.c_str()));
        dialogs::PostCommand(dlg, IDOK);
    });
    SendMessageA(frame_, WM_COMMAND, IDM_SLIDE_START, 0);
    EXPECT_TRUE(asked);
    ASSERT_TRUE(PumpUntil([] { return Drawn(1); }, 5000));
    SlideShowView v = CurrentSlideShow();
    ASSERT_NE(v.window, nullptr);
    EXPECT_EQ(v.count, 2);
    EXPECT_EQ(v.current, 0);
    EXPECT_TRUE(v.timer_running);
    RECT client;
    GetClientRect(v.window, &client);
    const SlideRect r = SlidePlacement(client.right, client.bottom, 640, 480, kSlideFit);
    EXPECT_EQ(v.drawn.left, r.x);
    EXPECT_EQ(v.drawn.right - v.drawn.left, r.width);
    // The chosen file's folder is the one last used.
    std::string dir = Setting("dir");
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    EXPECT_EQ(lstrcmpiA(dir.c_str(), folder_.c_str()), 0) << dir;
    // The right button brings the toolbar over the picture (scripts/screenshot --show).
    SendMessageA(v.window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(100, 100));
    ASSERT_NE(CurrentSlideShow().toolbar, nullptr);
    SaveWindowShot(v.window, "vistrel-slide-show");
    SendMessageA(v.window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(100, 100));
    EXPECT_EQ(CurrentSlideShow().toolbar, nullptr);
    // The user clicks: the show ends and the frame is there as before.
    SendMessageA(v.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(CurrentSlideShow().window, nullptr);
    EXPECT_TRUE(IsWindowEnabled(frame_));
}

int g_loads = 0;
// Presses Cancel in the "Printing..." dialog while the third picture is loaded.
DibImage LoadAndCancelAtThird(const std::string& path) {
    if (++g_loads == 3) {
        HWND dlg = PrintAbortDialog();
        EXPECT_NE(dlg, nullptr);
        if (dlg) {
            EXPECT_EQ(WindowText(dlg), "Vistrel");
            EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_PRINTING_TEXT)), "Printing...");
            // The frame, its owner, is disabled while the job runs.
            EXPECT_FALSE(IsWindowEnabled(GetWindow(dlg, GW_OWNER)));
            SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        }
    }
    return LoadBmpFile(path);
}

TEST_F(ShowPrintGui, CancelInThePrintingDialogAbortsTheDocument) {
    ASSERT_TRUE(InstallTestPrinter());
    const std::string out = folder_ + "cancelled.ps";
    made_.push_back(out);
    PrinterBlocks blocks(out);
    std::vector<std::string> pictures;
    for (int i = 0; i < 8; ++i) pictures.push_back(Bmp("c" + std::to_string(i) + ".bmp", 40, 30));
    Plat().settings->Set("AlbType", "1");
    DeleteFileA(out.c_str());
    g_loads = 0;
    PrintAlbum(frame_, blocks.pd, pictures, LoadAndCancelAtThird);
    EXPECT_EQ(g_loads, 3);  // nothing more was loaded after Cancel
    EXPECT_TRUE(IsWindowEnabled(frame_));
    EXPECT_EQ(PrintAbortDialog(), nullptr);
    // An aborted job leaves no output, not even the page finished before Cancel.
    EXPECT_EQ(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES)
        << PostScriptPages(out) << " pages";
    // The next job runs whole.
    PrintAlbum(frame_, blocks.pd, pictures, LoadBmpForPrint);
    EXPECT_EQ(PostScriptPages(out), 4);
    EXPECT_TRUE(IsWindowEnabled(frame_));
    EXPECT_EQ(boxes::Seen().size(), 0u);  // a cancelled job says nothing
}

// Clicks Cancel in the "Printing..." dialog while the third picture is loaded: the click waits
// in the queue like a user's.
DibImage LoadAndClickCancelAtThird(const std::string& path) {
    if (++g_loads == 3) {
        HWND dlg = PrintAbortDialog();
        EXPECT_NE(dlg, nullptr);
        if (dlg) PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    }
    return LoadBmpFile(path);
}

TEST_F(ShowPrintGui, CancelIsAnsweredBetweenThePicturesOfAPage) {
    ASSERT_TRUE(InstallTestPrinter());
    const std::string out = folder_ + "cancelled16.ps";
    made_.push_back(out);
    PrinterBlocks blocks(out);
    std::vector<std::string> pictures;
    for (int i = 0; i < 8; ++i) pictures.push_back(Bmp("k" + std::to_string(i) + ".bmp", 40, 30));
    Plat().settings->Set("AlbType", "3");  // all eight on one page
    DeleteFileA(out.c_str());
    g_loads = 0;
    PrintAlbum(frame_, blocks.pd, pictures, LoadAndClickCancelAtThird);
    EXPECT_EQ(g_loads, 3);
    EXPECT_TRUE(IsWindowEnabled(frame_));
    EXPECT_EQ(PrintAbortDialog(), nullptr);
    EXPECT_EQ(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(boxes::Seen().size(), 0u);
}

TEST_F(ShowPrintGui, PrintCommandShowsTheProgramsOptionsInTheSystemDialog) {
    ASSERT_TRUE(InstallTestPrinter());
    SetDefaultPrinterA(kTestPrinter);
    Plat().settings->Set("AlbType", "1");
    SendMessageA(frame_, WM_COMMAND, IDM_NEW_ALBUM, 0);  // an empty album window, active
    bool seen = false;
    dialogs::When(
        "Print",
        [&](HWND dlg) {
            seen = true;
            EXPECT_NE(GetDlgItem(dlg, cmb4), nullptr);  // the system's printer list stays
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, grp2)));
            // Nothing of the hidden copies group shows through, its spin buttons included.
            for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                char name[32] = "";
                GetClassNameA(c, name, sizeof name);
                EXPECT_FALSE(lstrcmpiA(name, UPDOWN_CLASSA) == 0 && IsWindowVisible(c));
            }
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, IDC_PRINT_ALBUM_GROUP)));
            EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_PRINT_TWO), BST_CHECKED);
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_PRINT_UPPER)));
            dialogs::PostCommand(dlg, IDCANCEL);
        },
        IDC_PRINT_ALBUM_GROUP);
    SendMessageA(frame_, WM_COMMAND, IDM_PRINT, 0);
    EXPECT_TRUE(seen);
    // Print Setup: the system's setup dialog without the program's options; OK keeps the
    // printer.
    seen = false;
    dialogs::When("Print Setup", [&](HWND dlg) {
        seen = true;
        EXPECT_EQ(GetDlgItem(dlg, IDC_PRINT_ALBUM_GROUP), nullptr);
        dialogs::PostCommand(dlg, IDOK);
    });
    SendMessageA(frame_, WM_COMMAND, IDM_PRINT_SETUP, 0);
    EXPECT_TRUE(seen);
    ASSERT_NE(App().print_dialog.hDevNames, nullptr);
    auto* names = static_cast<DEVNAMES*>(GlobalLock(App().print_dialog.hDevNames));
    EXPECT_STREQ(reinterpret_cast<const char*>(names) + names->wDeviceOffset, kTestPrinter);
    GlobalUnlock(App().print_dialog.hDevNames);
    // The new album goes without its save question.
    HWND album = ActiveChild(nullptr);
    if (album) SendMessageA(App().mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(album), 0);
}

}  // namespace
