// The image window in the running program: opening BMP and JPEG files, the title, zoom,
// rotation with undo and redo, the selection and the cut-out, the Image Size and Image
// Adjustment dialogs, Save As through the save dialog's seam, and the save question on closing.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/win/app.h"
#include "app/win/routes.h"
#include "base/path.h"
#include "base/platform.h"
#include "base/region.h"
#include "codec/bmp_file.h"
#include "codec/camera_segments.h"
#include "codec/jpeg_codec.h"
#include "edit/save_rules.h"
#include "edit/win/image_window.h"
#include "gui_frame.h"
#include "res/resource.h"
#include "support/test_jpeg.h"

namespace {

FakeClock g_clock;
std::string g_save_path;
int g_save_type = 0;

bool ChooseSavePath(HWND, const std::string&, int* type, std::string* path) {
    *type = g_save_type;
    *path = g_save_path;
    return true;
}

// A 24-bit BMP file of our own pixels: x in blue, y in green.
void WriteBmp(const std::string& path, int w, int h, int bits = 24) {
    DibImage d = NewDib(w, h, bits, bits == 8 ? 256 : 0);
    DibLayout l;
    ASSERT_TRUE(GetDibLayout(d, &l));
    uint8_t* px = d.data() + l.pixel_offset;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = px + static_cast<size_t>(y) * l.stride;
            if (bits == 24) {
                p[x * 3] = static_cast<uint8_t>(x * 3);
                p[x * 3 + 1] = static_cast<uint8_t>(y * 5);
                p[x * 3 + 2] = static_cast<uint8_t>(90 + (x ^ y));
            } else {
                p[x] = static_cast<uint8_t>(x + y);
            }
        }
    ASSERT_EQ(SaveBmpFile(path, d), 1);
}

class ImageWindow : public FrameTest {
protected:
    ImageWindow() : FrameTest("vistrel-image.ini", &g_clock) {}
    void SetUp() override {
        FrameTest::SetUp();
        if (HasFatalFailure()) return;
        bmp_ = TempFilePath("vistrel-edit-a.bmp");
        WriteBmp(bmp_, 160, 120);
    }

    void TearDown() override {
        // Every window is unmodified or answered No by now.
        FrameTest::TearDown();
        DeleteFileA(bmp_.c_str());
        for (const std::string& f : made_) DeleteFileA(f.c_str());
        SetSaveDialogForTests(nullptr);
    }

    HWND Open(const std::string& path) {
        OpenFileByPath(frame_, path);
        PumpWindowsFor(20);
        return reinterpret_cast<HWND>(SendMessageA(App().mdi_client, WM_MDIGETACTIVE, 0, 0));
    }
    void Command(int id) {
        SendMessageA(frame_, WM_COMMAND, id, 0);
        PumpWindowsFor(20);
    }
    bool Checked(int command) {
        return (GetMenuState(GetMenu(frame_), command, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    bool Grey(int command) {
        return (GetMenuState(GetMenu(frame_), command, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) !=
               0;
    }
    std::string StatusText(int part) {
        char text[256] = "";
        SendMessageA(App().status_bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
        return text;
    }
    // The name the window shows for the test's BMP file.
    std::string A() const { return PathFileName(bmp_); }
    std::string Temp(const char* name) {
        std::string p = TempFilePath(name);
        DeleteFileA(p.c_str());
        made_.push_back(p);
        return p;
    }

    std::string bmp_;
    std::vector<std::string> made_;
};

TEST_F(ImageWindow, OpensWithTitleZoomAndCentredPicture) {
    HWND w = Open(bmp_);
    ASSERT_TRUE(IsImageWindow(w));
    char cls[64];
    GetClassNameA(w, cls, sizeof cls);
    EXPECT_STREQ(cls, "ZEKNormalChild");
    EXPECT_EQ(WindowText(w), A() + " [100%]");
    EXPECT_EQ(ImageWindowCount(), 1);
    EXPECT_TRUE(Checked(173));
    // The window's client is the picture's size.
    RECT rc;
    GetClientRect(w, &rc);
    EXPECT_EQ(rc.right, 160);
    EXPECT_EQ(rc.bottom, 120);
    Command(174);
    EXPECT_EQ(WindowText(w), A() + " [200%]");
    EXPECT_TRUE(Checked(174));
    EXPECT_FALSE(Checked(173));
    GetClientRect(w, &rc);
    EXPECT_EQ(rc.right, 320);
    SaveWindowShot(frame_, "vistrel-image-window");
    // Opening it again is refused and the first window comes forward.
    boxes::Expect(IDOK);
    EXPECT_EQ(Open(bmp_), w);
    EXPECT_EQ(ImageWindowCount(), 1);
    ASSERT_FALSE(boxes::Seen().empty());
    EXPECT_EQ(boxes::Seen().back(), "File with same name has already been opened.");
}

TEST_F(ImageWindow, RotateUndoAndRedo) {
    HWND w = Open(bmp_);
    ASSERT_TRUE(IsImageWindow(w));
    Command(176);
    EXPECT_EQ(DibWidth(*ImageWindowPicture(w)), 120);
    EXPECT_EQ(WindowText(w), A() + "* [100%]");
    EXPECT_TRUE(ImageWindowCanUndo(w));
    // No keeps the turned picture.
    boxes::Expect(IDNO);
    Command(178);
    EXPECT_EQ(DibWidth(*ImageWindowPicture(w)), 120);
    boxes::Expect(IDYES);
    Command(178);
    EXPECT_EQ(boxes::Seen().back(), "Back before photo image. Really?");
    EXPECT_EQ(DibWidth(*ImageWindowPicture(w)), 160);
    EXPECT_EQ(WindowText(w), A() + " [100%]");
    boxes::Expect(IDYES);
    Command(178);  // redo
    EXPECT_EQ(DibWidth(*ImageWindowPicture(w)), 120);
    EXPECT_EQ(WindowText(w), A() + "* [100%]");
    // Turned back by hand, then closed without saving.
    Command(177);
    boxes::Expect(IDNO);
    SendMessageA(w, WM_CLOSE, 0, 0);
    PumpWindowsFor(20);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(boxes::Seen().back(), "(" + A() + "* [100%]) was updated!! Do you want to save?");
}

TEST_F(ImageWindow, DragSelectsAndCutOutOpensAnUntitledWindow) {
    HWND w = Open(bmp_);
    ASSERT_TRUE(IsImageWindow(w));
    EXPECT_TRUE(Grey(179));
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(4, 30));
    EXPECT_EQ(StatusText(3), "   Image Size");
    EXPECT_EQ(StatusText(4), "    6 x 20");
    SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(4, 30));
    EXPECT_TRUE(ImageWindowHasSelection(w));
    EXPECT_FALSE(Grey(179));
    Command(179);
    HWND cut = reinterpret_cast<HWND>(SendMessageA(App().mdi_client, WM_MDIGETACTIVE, 0, 0));
    ASSERT_NE(cut, w);
    ASSERT_TRUE(IsImageWindow(cut));
    EXPECT_EQ(WindowText(cut), "Untitled 1* [100%]");
    EXPECT_EQ(DibWidth(*ImageWindowPicture(cut)), 6);
    EXPECT_EQ(DibHeight(*ImageWindowPicture(cut)), 20);
    // A click without moving leaves no selection.
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    EXPECT_FALSE(ImageWindowHasSelection(w));
    // The cut-out is saved under a name of its own, as JPEG.
    g_save_path = Temp("vistrel-edit-cut.jpg");
    g_save_type = kSaveJpegHigh;
    SetSaveDialogForTests(ChooseSavePath);
    EXPECT_TRUE(SaveImageWindow(cut, false));
    EXPECT_EQ(WindowText(cut), PathFileName(g_save_path) + " [100%]");
    JpegHeaderInfo info;
    ASSERT_TRUE(ReadJpegHeaderInfo(g_save_path, &info));
    EXPECT_EQ(info.width, 6);
    EXPECT_EQ(info.height, 20);
}

TEST_F(ImageWindow, ScrollsAZoomedPictureAndEscapeDropsTheSelection) {
    HWND w = Open(bmp_);
    ASSERT_TRUE(IsImageWindow(w));
    Command(175);  // 400 %: 640 x 480
    EXPECT_EQ(WindowText(w), A() + " [400%]");
    MoveWindow(w, 0, 0, 300, 250, TRUE);
    PumpWindowsFor(20);
    RECT rc;
    GetClientRect(w, &rc);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_POS;
    ASSERT_TRUE(GetScrollInfo(w, SB_HORZ, &si));
    EXPECT_EQ(si.nMax, 640 - rc.right);
    SendMessageA(w, WM_HSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(GetScrollPos(w, SB_HORZ), rc.right / 4);
    SendMessageA(w, WM_VSCROLL, SB_PAGEDOWN, 0);
    SendMessageA(w, WM_VSCROLL, SB_PAGEDOWN, 0);
    SendMessageA(w, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(GetScrollPos(w, SB_VERT), 480 - rc.bottom);
    // The mouse maps through the scroll position: client (8, 0) is picture (x0 + 2, y0).
    SendMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(8, 0));
    char want[64];
    std::snprintf(want, sizeof want, "%5d, %5d", static_cast<int>((rc.right / 4 + 8) / 4),
                  static_cast<int>((480 - rc.bottom) / 4));
    EXPECT_EQ(StatusText(2), want);
    EXPECT_EQ(StatusText(1), "Mouse Position");
    SetImageSelection(w, 10, 10, 20, 20);
    EXPECT_FALSE(Grey(179));
    SendMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(ImageWindowHasSelection(w));
    EXPECT_TRUE(Grey(179));
    // Back to 100 % with Undo; a second Undo goes to 400 % again.
    boxes::Expect(IDYES);
    Command(178);
    EXPECT_EQ(WindowText(w), A() + " [100%]");
    boxes::Expect(IDYES);
    Command(178);
    EXPECT_EQ(WindowText(w), A() + " [400%]");
}

TEST_F(ImageWindow, ImageSizeDialogChecksAndResizes) {
    HWND w = Open(bmp_);
    ASSERT_TRUE(IsImageWindow(w));
    Command(174);  // 200 %: the dialog shows the displayed size
    HWND dlg = CreateImageSizeWindow(w);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(WindowText(dlg), "Image Size");
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_SIZE_CURRENT_WIDTH)), "320");
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_SIZE_CURRENT_HEIGHT)), "240");
    ShowWindow(dlg, SW_SHOW);
    SaveWindowShot(dlg, "vistrel-image-size");
    SetDlgItemTextA(dlg, IDC_SIZE_NEW_WIDTH, "31");
    SetDlgItemTextA(dlg, IDC_SIZE_NEW_HEIGHT, "40");
    boxes::Expect(IDOK);
    SendMessageA(dlg, WM_COMMAND, IDOK, 0);
    PumpWindowsFor(20);
    ASSERT_TRUE(IsWindow(dlg));
    EXPECT_EQ(boxes::Seen().back(),
              "Invalid new size value input.\nPlease input again.\n  (Selected Size)   min : 32, "
              "max : 1920");
    SetDlgItemTextA(dlg, IDC_SIZE_NEW_WIDTH, "100");
    SetDlgItemTextA(dlg, IDC_SIZE_NEW_HEIGHT, "50");
    SendMessageA(dlg, WM_COMMAND, IDOK, 0);
    PumpWindowsFor(20);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(DibWidth(*ImageWindowPicture(w)), 100);
    EXPECT_EQ(WindowText(w), A() + "* [100%]");
    EXPECT_TRUE(Checked(173));
    // Undo gives back the size and the zoom.
    boxes::Expect(IDYES);
    Command(178);
    EXPECT_EQ(DibWidth(*ImageWindowPicture(w)), 160);
    EXPECT_EQ(WindowText(w), A() + " [200%]");
}

TEST_F(ImageWindow, AdjustmentAutomaticAndSaveAs) {
    HWND w = Open(bmp_);
    ASSERT_TRUE(IsImageWindow(w));
    HWND dlg = CreateAdjustmentWindow(w);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(WindowText(dlg), "Image Adjustment");
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_ADJ_MANUAL), BST_CHECKED);
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_ADJ_VALUE_FIRST)), "0");
    // A slider moved by a page.
    HWND bright = GetDlgItem(dlg, IDC_ADJ_SLIDER_FIRST);
    SendMessageA(dlg, WM_HSCROLL, MAKEWPARAM(TB_PAGEDOWN, 0), reinterpret_cast<LPARAM>(bright));
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_ADJ_VALUE_FIRST)), "20");
    EXPECT_EQ(SendMessageA(bright, TBM_GETPOS, 0, 0), 20);
    SendMessageA(dlg, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 0xFFB5),
                 reinterpret_cast<LPARAM>(bright));
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_ADJ_VALUE_FIRST)), "-75");
    // Automatic: values shown, sliders grey.
    SendDlgItemMessageA(dlg, IDC_ADJ_AUTOMATIC, BM_CLICK, 0, 0);
    PumpWindowsFor(20);
    EXPECT_FALSE(IsWindowEnabled(bright));
    const int contrast = std::stoi(WindowText(GetDlgItem(dlg, IDC_ADJ_VALUE_FIRST + 1)));
    EXPECT_GE(contrast, 0);
    EXPECT_LE(contrast, 50);
    ShowWindow(dlg, SW_SHOW);
    SaveWindowShot(dlg, "vistrel-image-adjustment");
    SendMessageA(dlg, WM_COMMAND, IDOK, 0);
    PumpWindowsFor(20);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(WindowText(w), A() + "* [100%]");
    EXPECT_TRUE(ImageWindowCanUndo(w));
    // Save As "256 Color BMP": the window holds the 8-bit picture afterwards.
    g_save_path = Temp("vistrel-edit-256.bmp");
    g_save_type = kSaveBmp8;
    SetSaveDialogForTests(ChooseSavePath);
    Command(107);
    EXPECT_EQ(WindowText(w), PathFileName(g_save_path) + " [100%]");
    EXPECT_EQ(DibBitCount(*ImageWindowPicture(w)), 8);
    DibImage saved = LoadBmpFile(g_save_path);
    EXPECT_EQ(DibBitCount(saved), 8);
    // An 8-bit picture has no adjustment.
    boxes::Expect(IDOK);
    Command(170);
    EXPECT_EQ(boxes::Seen().back(), "This image is not full color.");
}

TEST_F(ImageWindow, JpegKeepsItsCameraSegmentsThroughARotationAndSave) {
    const std::string jpg = Temp("vistrel-edit-cam.jpg");
    JpegSpec spec;
    spec.width = 160;
    spec.height = 120;
    spec.jfif = false;
    spec.markers.push_back({0xE0, CameraApp0Data(true, 160, 120, 990100800u)});
    const std::vector<uint8_t> bytes = MakeJpeg(spec);
    HANDLE f = CreateFileA(jpg.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD wrote = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
    CloseHandle(f);
    HWND w = Open(jpg);
    ASSERT_TRUE(IsImageWindow(w));
    EXPECT_EQ(WindowText(w), PathFileName(jpg) + " [100%]");
    Command(176);
    // Save keeps the JPEG type and the window's own path.
    Command(101);
    EXPECT_EQ(WindowText(w), PathFileName(jpg) + " [100%]");
    JpegHeaderInfo info;
    ASSERT_TRUE(ReadJpegHeaderInfo(jpg, &info));
    EXPECT_EQ(info.width, 120);
    EXPECT_EQ(info.height, 160);
    KeptSegments kept;
    ASSERT_EQ(KeepCameraSegments(jpg, &kept), 1);
    EXPECT_EQ(kept.recorded_width, 120u);
    EXPECT_EQ(kept.recorded_height, 160u);
}

// Answers the open dialog once it shows: notes its preview box, types the file, presses Open.
std::string g_open_file;
int g_open_box_state = -1;
bool g_open_seen = false;

void CALLBACK AnswerOpen(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dlg = FindWindowA("#32770", "Open");
    if (!dlg || !IsWindowVisible(dlg)) return;
    KillTimer(nullptr, id);
    g_open_seen = true;
    HWND ours = FindWindowExA(dlg, nullptr, "#32770", nullptr);
    if (ours && GetDlgItem(ours, IDC_OPEN_PREVIEW_CHECK))
        g_open_box_state = static_cast<int>(IsDlgButtonChecked(ours, IDC_OPEN_PREVIEW_CHECK));
    SaveWindowShot(dlg, "vistrel-open");
    SendMessageA(dlg, CDM_SETCONTROLTEXT, 0x47C, reinterpret_cast<LPARAM>(g_open_file.c_str()));
    SendMessageA(dlg, CDM_SETCONTROLTEXT, 0x480, reinterpret_cast<LPARAM>(g_open_file.c_str()));
    PostMessageA(dlg, WM_COMMAND, IDOK, 0);
}

TEST_F(ImageWindow, OpenDialogOpensTheTypedFileAndRemembersItsFolder) {
    App().settings.Set("PrevOn", "2");
    g_open_file = bmp_;
    g_open_box_state = -1;
    g_open_seen = false;
    SetTimer(nullptr, 0, 50, AnswerOpen);
    Command(100);
    EXPECT_TRUE(g_open_seen);
    EXPECT_EQ(g_open_box_state, BST_INDETERMINATE);  // on, waiting for a selection
    HWND w = reinterpret_cast<HWND>(SendMessageA(App().mdi_client, WM_MDIGETACTIVE, 0, 0));
    ASSERT_TRUE(IsImageWindow(w));
    EXPECT_EQ(WindowText(w), A() + " [100%]");
    EXPECT_TRUE(Checked(173));
    std::string dir;
    ASSERT_TRUE(App().settings.Get("dir", &dir));
    EXPECT_EQ(lstrcmpiA(dir.c_str(), PathFolder(bmp_).c_str()), 0);
    std::string on;
    ASSERT_TRUE(App().settings.Get("PrevOn", &on));
    EXPECT_EQ(on, "2");
}

TEST_F(ImageWindow, CloseAnsweredCancelKeepsTheWindow) {
    HWND w = Open(bmp_);
    ASSERT_TRUE(IsImageWindow(w));
    Command(176);
    boxes::Expect(IDCANCEL);
    Command(106);  // Close
    EXPECT_TRUE(IsWindow(w));
    boxes::Expect(IDNO);
    Command(106);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(ImageWindowCount(), 0);
}

TEST_F(ImageWindow, CloseAnsweredYesSavesUnderANewName) {
    HWND w = Open(bmp_);
    ASSERT_TRUE(IsImageWindow(w));
    Command(177);
    g_save_path = Temp("vistrel-edit-closed.bmp");
    g_save_type = kSaveBmp24;
    SetSaveDialogForTests(ChooseSavePath);
    boxes::Expect(IDYES);
    Command(106);
    EXPECT_FALSE(IsWindow(w));
    DibImage saved = LoadBmpFile(g_save_path);
    EXPECT_EQ(DibWidth(saved), 120);
    EXPECT_EQ(DibHeight(saved), 160);
    // The undo step went with its window.
    EXPECT_EQ(ImageWindowCount(), 0);
}

// Edit, Image and View by position, as the menu bar shows them; each moves one place right while
// the active child is maximised.
struct Popups {
    bool edit, image, view;
    bool operator==(const Popups& o) const {
        return edit == o.edit && image == o.image && view == o.view;
    }
};
std::ostream& operator<<(std::ostream& os, const Popups& p) {
    return os << "edit " << p.edit << " image " << p.image << " view " << p.view;
}
Popups PopupsOf(HWND frame) {
    BOOL maximised = FALSE;
    SendMessageA(App().mdi_client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximised));
    const int shift = maximised ? 1 : 0;
    auto on = [&](int position) {
        return (GetMenuState(GetMenu(frame), position + shift, MF_BYPOSITION) &
                (MF_GRAYED | MF_DISABLED)) == 0;
    };
    return Popups{on(1), on(2), on(3)};
}

TEST_F(ImageWindow, PopupsFollowTheActiveWindowThroughAlbumsMaximisingAndClosing) {
    EXPECT_EQ(PopupsOf(frame_), (Popups{false, false, false}));
    HWND a = Open(bmp_);
    ASSERT_TRUE(IsImageWindow(a));
    EXPECT_EQ(PopupsOf(frame_), (Popups{false, true, true}));  // nothing to undo yet
    Command(176);
    EXPECT_EQ(PopupsOf(frame_), (Popups{true, true, true}));  // a holds the undo step
    Command(105);                                             // a new album becomes active
    HWND album = reinterpret_cast<HWND>(SendMessageA(App().mdi_client, WM_MDIGETACTIVE, 0, 0));
    ASSERT_NE(album, a);
    EXPECT_EQ(PopupsOf(frame_), (Popups{true, false, false}));
    SendMessageA(App().mdi_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(a), 0);
    PumpWindowsFor(20);
    EXPECT_EQ(PopupsOf(frame_), (Popups{true, true, true}));
    EXPECT_TRUE(Checked(173));
    // A second picture at 25 %: the View mark follows it, and it holds no undo step.
    const std::string b_path = Temp("vistrel-edit-b.bmp");
    WriteBmp(b_path, 160, 120);
    HWND b = Open(b_path);
    ASSERT_TRUE(IsImageWindow(b));
    Command(171);
    boxes::Expect(IDNO);  // no: Undo of the zoom is not wanted, the window keeps 25 %
    Command(178);
    EXPECT_TRUE(Checked(171));
    EXPECT_FALSE(Checked(173));
    SendMessageA(App().mdi_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(a), 0);
    PumpWindowsFor(20);
    EXPECT_TRUE(Checked(173));
    EXPECT_FALSE(Checked(171));
    EXPECT_EQ(PopupsOf(frame_), (Popups{false, true, true}));  // b took the undo step
    // Maximised: the same states one place to the right.
    SendMessageA(App().mdi_client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(a), 0);
    PumpWindowsFor(20);
    EXPECT_EQ(PopupsOf(frame_), (Popups{false, true, true}));
    SendMessageA(App().mdi_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(album), 0);
    PumpWindowsFor(20);
    EXPECT_EQ(PopupsOf(frame_), (Popups{true, false, false}));
    SendMessageA(App().mdi_client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(album), 0);
    PumpWindowsFor(20);
    EXPECT_EQ(PopupsOf(frame_), (Popups{true, false, false}));
    // The album closes: an image window takes its place.
    SendMessageA(App().mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(album), 0);
    PumpWindowsFor(20);
    HWND active = reinterpret_cast<HWND>(SendMessageA(App().mdi_client, WM_MDIGETACTIVE, 0, 0));
    ASSERT_TRUE(IsImageWindow(active));
    EXPECT_EQ(PopupsOf(frame_).image, true);
    // The last image window closing greys all three.
    SendMessageA(App().mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(b), 0);
    boxes::Expect(IDNO);
    Command(106);
    EXPECT_FALSE(IsWindow(a));
    EXPECT_EQ(ImageWindowCount(), 0);
    EXPECT_EQ(PopupsOf(frame_), (Popups{false, false, false}));
}

// Each window keeps its own selection, and losing the focus drops it: Image Cutout on a window
// whose selection went with the focus does nothing, and never cuts at another window's points.
TEST_F(ImageWindow, ACutOutNeverTakesAnotherWindowsSelection) {
    const std::string a_path = Temp("vistrel-edit-two-a.bmp");
    const std::string b_path = Temp("vistrel-edit-two-b.bmp");
    WriteBmp(a_path, 320, 240);
    WriteBmp(b_path, 320, 240);
    HWND a = Open(a_path);
    HWND b = Open(b_path);
    ASSERT_TRUE(IsImageWindow(a));
    ASSERT_TRUE(IsImageWindow(b));
    SetForegroundWindow(frame_);
    auto activate = [&](HWND w) {
        SendMessageA(App().mdi_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(w), 0);
        SetFocus(w);
        PumpWindowsFor(20);
    };
    auto drag = [&](HWND w, int x0, int y0, int x1, int y1) {
        SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x0, y0));
        SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x1, y1));
        SendMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(x1, y1));
    };
    activate(a);
    ASSERT_EQ(GetFocus(), a);
    drag(a, 10, 10, 110, 60);  // 100 x 50
    EXPECT_TRUE(ImageWindowHasSelection(a));
    EXPECT_FALSE(Grey(179));
    activate(b);
    EXPECT_FALSE(ImageWindowHasSelection(a));  // the focus went, and the selection with it
    EXPECT_TRUE(Grey(179));
    drag(b, 20, 20, 220, 170);  // 200 x 150
    EXPECT_TRUE(ImageWindowHasSelection(b));
    activate(a);
    EXPECT_FALSE(ImageWindowHasSelection(a));
    EXPECT_FALSE(ImageWindowHasSelection(b));
    EXPECT_TRUE(Grey(179));
    Command(179);
    EXPECT_EQ(ImageWindowCount(), 2);  // no cut-out without a selection of a's own
    // A selection made again in a is cut at a's points.
    drag(a, 10, 10, 110, 60);
    Command(179);
    HWND cut = reinterpret_cast<HWND>(SendMessageA(App().mdi_client, WM_MDIGETACTIVE, 0, 0));
    ASSERT_TRUE(IsImageWindow(cut));
    ASSERT_NE(cut, a);
    ASSERT_NE(cut, b);
    EXPECT_EQ(DibWidth(*ImageWindowPicture(cut)), 100);
    EXPECT_EQ(DibHeight(*ImageWindowPicture(cut)), 50);
    boxes::Expect(IDNO);  // the cut-out is new and unsaved
    SendMessageA(cut, WM_CLOSE, 0, 0);
    PumpWindowsFor(20);
}

// The menu's help texts live twice: the string table (read by the system for tooltips) and the
// rules' table (which also holds the grey texts). Every menu item's two texts agree.
TEST_F(ImageWindow, MenuHelpTextsEqualTheStringTable) {
    HMENU menu = GetMenu(frame_);
    ASSERT_NE(menu, nullptr);
    int items = 0;
    std::vector<HMENU> pending{menu};
    while (!pending.empty()) {
        HMENU m = pending.back();
        pending.pop_back();
        for (int i = 0; i < GetMenuItemCount(m); ++i) {
            if (HMENU sub = GetSubMenu(m, i)) {
                pending.push_back(sub);
                continue;
            }
            const UINT id = GetMenuItemID(m, i);
            if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separators
            char text[256] = "";
            ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text), 0) << id;
            EXPECT_EQ(MenuHelpText(static_cast<int>(id), false, kRegionEnglish), text) << id;
            ++items;
        }
    }
    EXPECT_EQ(items, 37);
}

TEST_F(ImageWindow, JapaneseDialogTemplates) {
    HWND w = Open(bmp_);
    ASSERT_TRUE(IsImageWindow(w));
    SetRegionCode(kRegionJapanese);
    HWND size = CreateImageSizeWindow(w);
    HWND adjust = CreateAdjustmentWindow(w);
    SetRegionCode(kRegionEnglish);
    ASSERT_NE(size, nullptr);
    ASSERT_NE(adjust, nullptr);
    EXPECT_EQ(WindowText(size), "Image Size");
    EXPECT_EQ(WindowText(adjust), "Image Adjustment");
    SendMessageA(size, WM_COMMAND, IDCANCEL, 0);
    SendMessageA(adjust, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(size));
    EXPECT_FALSE(IsWindow(adjust));
    EXPECT_EQ(WindowText(w), A() + " [100%]");  // Cancel changes nothing
}

}  // namespace
