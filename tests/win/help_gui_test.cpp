// The help as a user meets it: Help > Contents and the F1 key start the system's help viewer on
// vistrel.hlp beside the program, showing the contents topic, and a link there leads to its
// topic. The viewer runs as its own process, so it is checked from the screen: the text and the
// green links its topic window shows after each step. Also the version: VERSIONINFO of
// Vistrel.exe and the about box.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "app/camera_busy.h"
#include "app/win/app.h"
#include "base/platform.h"
#include "base/region.h"
#include "gui_frame.h"
#include "res/resource.h"
#include "vistrel_version.h"

namespace {

SHORT g_f1_state = 0;
SHORT WINAPI FakeKeyState(int key) {
    return key == VK_F1 ? g_f1_state : 0;
}

// The viewer's main window and its topic window (the largest child).
HWND Viewer() {
    return FindWindowA("MS_WINHELP", nullptr);
}

HWND TopicWindow(HWND viewer) {
    struct Best {
        HWND hwnd = nullptr;
        long area = 0;
    } best;
    EnumChildWindows(
        viewer,
        [](HWND child, LPARAM lp) -> BOOL {
            Best* b = reinterpret_cast<Best*>(lp);
            RECT rc;
            GetWindowRect(child, &rc);
            long area = static_cast<long>(rc.right - rc.left) * (rc.bottom - rc.top);
            if (IsWindowVisible(child) && area > b->area) {
                b->area = area;
                b->hwnd = child;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&best));
    return best.hwnd;
}

// What a window shows on the screen, as 0x00RRGGBB pixels, top row first.
struct Shot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    bool operator==(const Shot& o) const {
        return width == o.width && height == o.height && pixels == o.pixels;
    }
    static bool Green(uint32_t p) {
        int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        return g >= 80 && g > r + 50 && g > b + 50;
    }
    static bool Dark(uint32_t p) { return ((p >> 16) & 0xFF) < 96 && ((p >> 8) & 0xFF) < 96; }
    // The same topic: the same links, and text within a focus mark of the same.
    bool LooksLike(const Shot& o) const {
        int dark = Count(Dark), other = o.Count(Dark);
        return width == o.width && height == o.height && Count(Green) == o.Count(Green) &&
               dark > other * 9 / 10 && dark < other * 11 / 10;
    }
    int Count(bool (*test)(uint32_t)) const {
        int n = 0;
        for (uint32_t p : pixels) n += test(p) ? 1 : 0;
        return n;
    }
    // The first green pixel, row by row: a point on the first link.
    bool FirstGreen(POINT* at) const {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (Green(pixels[static_cast<size_t>(y) * width + x])) {
                    *at = {x + 2, y};
                    return true;
                }
            }
        }
        return false;
    }
};

Shot Capture(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpWindowsFor(400);
    RECT rc;
    GetWindowRect(window, &rc);
    Shot s;
    s.width = rc.right - rc.left;
    s.height = rc.bottom - rc.top;
    if (s.width <= 0 || s.height <= 0) return s;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, s.width, s.height);
    HGDIOBJ old = SelectObject(mem, bitmap);
    BitBlt(mem, 0, 0, s.width, s.height, screen, rc.left, rc.top, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFOHEADER bi{};
    bi.biSize = sizeof bi;
    bi.biWidth = s.width;
    bi.biHeight = -s.height;
    bi.biPlanes = 1;
    bi.biBitCount = 32;
    s.pixels.resize(static_cast<size_t>(s.width) * s.height);
    GetDIBits(mem, bitmap, 0, s.height, s.pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi),
              DIB_RGB_COLORS);
    for (uint32_t& p : s.pixels) p &= 0xFFFFFF;
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return s;
}

void PrintTo(const Shot& s, std::ostream* os) {
    *os << s.width << "x" << s.height << ", " << s.Count(Shot::Dark) << " dark and "
        << s.Count(Shot::Green) << " green pixels";
}

// Waits until the viewer's topic window shows something other than *before (when given) and
// stops changing. The viewer is kept on top, so that no other window spoils the picture.
Shot Settled(HWND* topic, const Shot* before = nullptr) {
    Shot last;
    for (int i = 0; i < 60; ++i) {
        HWND viewer = Viewer();
        *topic = viewer ? TopicWindow(viewer) : nullptr;
        if (*topic) {
            SetWindowPos(viewer, HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            Shot now = Capture(*topic);
            bool changed = !before || !(now == *before);
            if (changed && now.Count(Shot::Dark) > 200 && now == last) return now;
            last = now;
        } else {
            PumpWindowsFor(250);
        }
    }
    return last;
}

class Help : public ::testing::Test {
protected:
    void SetUp() override {
        boxes::Start();
        boxes::Clear();
        ini_ = TempFilePath("vistrel.ini");
        DeleteFileA(ini_.c_str());
        SetCameraBusy(false);
        frame_ = StartFrame(ini_);
        ASSERT_NE(frame_, nullptr);
        App().key_state = FakeKeyState;
        ASSERT_TRUE(PumpUntil([] { return App().splash_done; }, 10000));
    }
    void TearDown() override {
        if (frame_ && IsWindow(frame_)) SendMessageA(frame_, WM_CLOSE, 0, 0);
        PumpWindowsFor(20);
        TakeQuitSeen();
        // The frame's end quits the viewer too.
        EXPECT_TRUE(PumpUntil([] { return Viewer() == nullptr; }, 10000));
        DeleteFileA(ini_.c_str());
        EXPECT_EQ(boxes::UnexpectedCount(), 0);
    }
    std::string ini_;
    HWND frame_ = nullptr;
};

TEST_F(Help, ContentsF1AndALinkShowTheirTopics) {
    ASSERT_EQ(
        GetFileAttributesA((ProgramFolder() + "vistrel.hlp").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
        0u);
    EXPECT_EQ(App().help_file, ProgramFolder() + "vistrel.hlp");

    // Help > Contents: the contents topic, text and a column of links.
    SendMessageA(frame_, WM_COMMAND, 108, 0);
    HWND topic = nullptr;
    Shot contents = Settled(&topic);
    ASSERT_NE(Viewer(), nullptr);
    ASSERT_NE(topic, nullptr);
    SaveWindowShot(Viewer(), "help_contents");
    EXPECT_GT(contents.Count(Shot::Dark), 2000);
    EXPECT_GT(contents.Count(Shot::Green), 3000);  // twelve links

    // Its first link leads to the camera topic: more text, three links.
    POINT link{};
    ASSERT_TRUE(contents.FirstGreen(&link));
    LPARAM where = MAKELPARAM(link.x, link.y);
    PostMessageA(topic, WM_MOUSEMOVE, 0, where);
    PostMessageA(topic, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageA(topic, WM_LBUTTONUP, 0, where);
    Shot camera = Settled(&topic, &contents);
    SaveWindowShot(Viewer(), "help_link");
    EXPECT_GT(camera.Count(Shot::Dark), contents.Count(Shot::Dark));
    EXPECT_GT(camera.Count(Shot::Green), 300);
    EXPECT_LT(camera.Count(Shot::Green), contents.Count(Shot::Green) / 3);

    // F1 shows the contents again.
    SendMessageA(frame_, WM_ACTIVATEAPP, TRUE, 0);
    g_f1_state = static_cast<SHORT>(0x8000);
    ASSERT_TRUE(PumpUntil([] { return App().f1_held; }, 3000));
    g_f1_state = 0;
    Shot after_f1 = Settled(&topic, &camera);
    EXPECT_TRUE(after_f1.LooksLike(contents)) << ::testing::PrintToString(after_f1);
}

TEST(Version, ProgramCarriesTheProjectVersion) {
    std::string exe = ProgramFolder() + "Vistrel.exe";
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT n = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &n));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), VISTREL_VERSION_MAJOR);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), VISTREL_VERSION_MINOR);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), VISTREL_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    auto text = [&](const char* name) {
        char* value = nullptr;
        UINT len = 0;
        std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
        if (!VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &len))
            return std::string();
        return std::string(value);
    };
    EXPECT_EQ(text("ProductName"), "Vistrel");
    EXPECT_EQ(text("ProductVersion"), VISTREL_VERSION_STRING);
    EXPECT_EQ(text("FileVersion"), VISTREL_VERSION_STRING);
    EXPECT_EQ(text("OriginalFilename"), "Vistrel.exe");
}

std::string g_about_version;
void CALLBACK ReadAboutBox(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dlg = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM lp) -> BOOL {
            if (GetDlgItem(w, IDC_ABOUT_VERSION)) {
                *reinterpret_cast<HWND*>(lp) = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dlg));
    if (!dlg) return;
    KillTimer(nullptr, id);
    g_about_version = WindowText(GetDlgItem(dlg, IDC_ABOUT_VERSION));
    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
}

TEST_F(Help, AboutBoxShowsTheVersion) {
    UINT_PTR timer = SetTimer(nullptr, 0, 50, ReadAboutBox);
    SendMessageA(frame_, WM_COMMAND, 104, 0);  // returns when the box is closed
    KillTimer(nullptr, timer);
    EXPECT_EQ(g_about_version, std::string("Version ") + VISTREL_VERSION_STRING);
}

}  // namespace
