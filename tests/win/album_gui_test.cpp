// The album window in the running program: new albums, adding pictures up to the album's
// capacity, selection by mouse and keys, saving and reopening with the marks, the clipboard,
// dropping between albums, renaming a picture's file in place, the close question and the
// camera transfer's album.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "album/album_layout.h"
#include "album/win/album_window.h"
#include "app/win/app.h"
#include "app/win/camera_ui_win.h"
#include "base/messages.h"
#include "base/platform.h"
#include "base/region.h"
#include "base/files.h"
#include "codec/bmp_file.h"
#include "browser/win/camera_browser_win.h"
#include "gui_frame.h"
#include "link/port.h"
#include "res/resource.h"
#include "sim/sim_driver.h"

namespace {

FakeClock g_clock;
std::vector<std::string> g_files_to_add;
std::string g_save_name;
int g_save_dialogs = 0;

bool ChooseFiles(HWND, std::vector<std::string>* files) {
    *files = g_files_to_add;
    return true;
}
bool ChooseSaveName(HWND, std::string* path) {
    ++g_save_dialogs;
    *path = g_save_name;
    return !g_save_name.empty();
}

class AlbumGui : public FrameTest {
protected:
    AlbumGui() : FrameTest("album-vistrel.ini", &g_clock) {}
    void SetUp() override {
        FrameTest::SetUp();
        if (HasFatalFailure()) return;
        folder_ = TempFilePath("albumgui");
        CreateDirectoryA(folder_.c_str(), nullptr);
        folder_ += "\\";
        g_files_to_add.clear();
        g_save_name.clear();
        g_save_dialogs = 0;
    }

    void TearDown() override {
        // Close every album without its question, then the program.
        for (HWND a : Albums()) SendMessageA(App().mdi_client, WM_MDIDESTROY, (WPARAM)a, 0);
        FrameTest::TearDown();
        for (const std::string& f : made_) DeleteFileA(f.c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    std::vector<HWND> Albums() {
        std::vector<HWND> list;
        for (HWND c = GetWindow(App().mdi_client, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (IsAlbumWindow(c)) list.push_back(c);
        return list;
    }

    HWND NewAlbumByMenu() {
        const std::vector<HWND> before = Albums();
        SendMessageA(frame_, WM_COMMAND, 105, 0);
        AlbumShell().choose_files = ChooseFiles;
        AlbumShell().choose_save_name = ChooseSaveName;
        HWND made = nullptr;
        for (HWND a : Albums()) {
            bool old = false;
            for (HWND b : before) old = old || a == b;
            if (!old) made = a;
        }
        return made;
    }

    std::string Bmp(const std::string& name, int w = 8, int h = 6) {
        const std::string p = folder_ + name;
        EXPECT_TRUE(WriteTestBmp(p, w, h));
        made_.push_back(p);
        return p;
    }

    int Count(HWND album) {
        const Album* a = AlbumOfWindow(album);
        return a ? static_cast<int>(a->pictures.size()) : -1;
    }

    static std::string Text(HWND w) { return WindowText(w); }

    static void Click(HWND button) {
        SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 60));
        SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(60, 60));
    }

    std::string folder_;
    std::vector<std::string> made_;
};

TEST_F(AlbumGui, NewAlbumsFillUpToAHundredAndRefuseDuplicates) {
    HWND a = NewAlbumByMenu();
    ASSERT_NE(a, nullptr);
    const std::string title = Text(a);
    ASSERT_EQ(title.rfind("Album ", 0), 0u) << title;
    const int number = std::atoi(title.c_str() + 6);
    RECT empty;
    GetClientRect(a, &empty);
    EXPECT_EQ(empty.right, AlbumWantedClientSize(0).width);
    EXPECT_EQ(empty.bottom, AlbumWantedClientSize(0).height);
    HWND b = NewAlbumByMenu();
    EXPECT_EQ(Text(b), "Album " + std::to_string(number + 1));
    EXPECT_EQ(Count(a), 0);
    EXPECT_FALSE(AlbumHasCurrentPicture(a));

    // 101 files: the hundredth goes in, the next is refused and ends the add.
    for (int i = 0; i < 102; ++i) g_files_to_add.push_back(Bmp("p" + std::to_string(i) + ".bmp"));
    SendMessageA(App().mdi_client, WM_MDIACTIVATE, (WPARAM)a, 0);
    boxes::Expect(IDOK);
    SendMessageA(frame_, WM_COMMAND, 143, 0);
    EXPECT_EQ(boxes::Seen(), std::vector<std::string>{ErrorText(kMsgAlbumFull)});
    ASSERT_EQ(Count(a), 100);
    EXPECT_TRUE(AlbumOfWindow(a)->modified);
    EXPECT_EQ(AlbumCurrentButton(a), AlbumButtonAt(a, 99));

    // Buttons on the grid, the file name in the text field, the window as wide as five.
    HWND seventh = AlbumButtonAt(a, 6);
    RECT r;
    GetWindowRect(seventh, &r);
    MapWindowPoints(nullptr, a, reinterpret_cast<POINT*>(&r), 2);
    int x, y;
    AlbumButtonOrigin(6, &x, &y);
    const int sx = GetScrollPos(a, SB_HORZ), sy = GetScrollPos(a, SB_VERT);
    EXPECT_EQ(r.left, x - sx);
    EXPECT_EQ(r.top, y - sy);
    EXPECT_EQ(r.right - r.left, 130);
    EXPECT_EQ(r.bottom - r.top, 150);
    // The album shows its last pictures; the first rows come into view by scrolling.
    SendMessageA(a, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    EXPECT_EQ(Text(GetDlgItem(seventh, 1)), "p6.bmp");

    // The same file again, in other letters, is refused.
    boxes::Clear();
    g_files_to_add = {folder_ + "P3.BMP"};
    SendMessageA(App().mdi_client, WM_MDIACTIVATE, (WPARAM)b, 0);
    SendMessageA(frame_, WM_COMMAND, 143, 0);  // into b: accepted
    EXPECT_EQ(Count(b), 1);
    boxes::Expect(IDOK);
    g_files_to_add = {folder_ + "p3.bmp"};
    SendMessageA(frame_, WM_COMMAND, 143, 0);
    EXPECT_EQ(boxes::Seen(), std::vector<std::string>{ErrorText(kMsgAlreadyInAlbum)});
    EXPECT_EQ(Count(b), 1);

    // Marks set at the top and at the end of the full album come back with it, wherever it is
    // scrolled to when the album is opened again.
    SendMessageA(a, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    SendMessageA(GetDlgItem(AlbumButtonAt(a, 6), 0), BM_CLICK, 0, 0);
    SendMessageA(a, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 3000), 0);
    SendMessageA(GetDlgItem(AlbumButtonAt(a, 99), 0), BM_CLICK, 0, 0);
    EXPECT_TRUE(AlbumOfWindow(a)->pictures[6].mark);
    EXPECT_TRUE(AlbumOfWindow(a)->pictures[99].mark);
    g_save_name = folder_ + "full.alb";
    made_.push_back(g_save_name);
    ASSERT_EQ(SaveAlbumAs(a), 1);
    SendMessageA(a, WM_CLOSE, 0, 0);
    ASSERT_FALSE(IsWindow(a));
    HWND again = OpenAlbum(g_save_name);
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(Count(again), 100);
    auto checked = [&](int i) {
        return SendMessageA(GetDlgItem(AlbumButtonAt(again, i), 0), BM_GETCHECK, 0, 0);
    };
    EXPECT_EQ(checked(99), BST_CHECKED);
    EXPECT_EQ(checked(98), BST_UNCHECKED);
    SendMessageA(again, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    EXPECT_EQ(checked(6), BST_CHECKED);
    EXPECT_EQ(checked(7), BST_UNCHECKED);
    EXPECT_EQ(Text(GetDlgItem(AlbumButtonAt(again, 7), 1)), "p7.bmp");
}

// An album taller than the program's space shows its scroll bars; from then on it keeps its size
// as pictures come (one at a time and several at once) and go (while more remain than it shows),
// rather than giving up the bars' width each time.
TEST_F(AlbumGui, AnAlbumShowingItsScrollBarsKeepsItsSizeAsPicturesComeAndGo) {
    HWND a = NewAlbumByMenu();
    ASSERT_NE(a, nullptr);
    SendMessageA(App().mdi_client, WM_MDIACTIVATE, (WPARAM)a, 0);
    auto has_bars = [&] { return (GetWindowLongPtrA(a, GWL_STYLE) & WS_VSCROLL) != 0; };
    auto size_of = [&] {
        RECT r{};
        GetWindowRect(a, &r);
        return std::make_pair(r.right - r.left, r.bottom - r.top);
    };
    int n = 0;
    while (!has_bars() && n < 60) {
        g_files_to_add = {Bmp("s" + std::to_string(n++) + ".bmp")};
        SendMessageA(frame_, WM_COMMAND, 143, 0);
    }
    ASSERT_TRUE(has_bars()) << "the album never outgrew the screen";
    const auto kept = size_of();
    for (int i = 0; i < 5; ++i) {
        g_files_to_add = {Bmp("s" + std::to_string(n++) + ".bmp")};
        SendMessageA(frame_, WM_COMMAND, 143, 0);
        EXPECT_EQ(size_of(), kept) << "after picture " << n;
    }
    g_files_to_add.clear();
    for (int i = 0; i < 10; ++i) g_files_to_add.push_back(Bmp("s" + std::to_string(n++) + ".bmp"));
    SendMessageA(frame_, WM_COMMAND, 143, 0);
    ASSERT_EQ(Count(a), n);
    EXPECT_EQ(size_of(), kept);
    EXPECT_TRUE(has_bars());
    for (int i = 0; i < 3; ++i) {
        SendMessageA(frame_, WM_COMMAND, 142, 0);  // Cut
        EXPECT_EQ(size_of(), kept) << "after cutting " << i + 1;
    }
    EXPECT_EQ(Count(a), n - 3);
    // The last picture scrolled into view: its button lies within the client area.
    RECT client{}, last{};
    GetClientRect(a, &client);
    GetWindowRect(AlbumButtonAt(a, n - 4), &last);
    MapWindowPoints(nullptr, a, reinterpret_cast<POINT*>(&last), 2);
    EXPECT_LE(last.bottom, client.bottom);
}

TEST_F(AlbumGui, AddDialogTakesSeveralFilesFirstAndLastSwapped) {
    HWND a = NewAlbumByMenu();
    AlbumShell().choose_files = nullptr;  // the program's own open dialog
    Bmp("d1.bmp");
    Bmp("d2.bmp");
    Bmp("d3.bmp");
    Plat().settings->Set("dir", folder_.substr(0, folder_.size() - 1));
    bool seen = false;
    dialogs::When("Add Album File", [&](HWND dlg) {
        seen = true;
        SetDlgItemTextA(dlg, 1148, "\"d1.bmp\" \"d2.bmp\" \"d3.bmp\"");
        dialogs::PostCommand(dlg, IDOK);
    });
    SendMessageA(frame_, WM_COMMAND, 143, 0);
    EXPECT_TRUE(seen);
    EXPECT_EQ(dialogs::Pending(), 0);
    ASSERT_EQ(Count(a), 3);
    EXPECT_EQ(AlbumOfWindow(a)->pictures[0].path, folder_ + "d3.bmp");
    EXPECT_EQ(AlbumOfWindow(a)->pictures[1].path, folder_ + "d2.bmp");
    EXPECT_EQ(AlbumOfWindow(a)->pictures[2].path, folder_ + "d1.bmp");
}

TEST_F(AlbumGui, SaveDialogNameGetsItsExtension) {
    HWND a = NewAlbumByMenu();
    AlbumShell().choose_save_name = nullptr;  // the program's own save dialog
    Plat().settings->Set("dir", folder_.substr(0, folder_.size() - 1));
    made_.push_back(folder_ + "holiday.alb");
    bool seen = false;
    dialogs::When("Save As", [&](HWND dlg) {
        seen = true;
        HWND name = GetDlgItem(dlg, 1148) ? GetDlgItem(dlg, 1148) : GetDlgItem(dlg, 1152);
        SetWindowTextA(name, "holiday");
        dialogs::PostCommand(dlg, IDOK);
    });
    EXPECT_EQ(SaveAlbum(a), 1);  // no path yet: Save asks for one
    EXPECT_TRUE(seen);
    EXPECT_EQ(Text(a), "holiday.alb");
    EXPECT_EQ(AlbumOfWindow(a)->path, folder_ + "holiday.alb");
    EXPECT_EQ(FileLength(folder_ + "holiday.alb"), 56);
}

TEST_F(AlbumGui, ClickAndArrowKeysMoveTheSelection) {
    HWND a = NewAlbumByMenu();
    for (int i = 0; i < 12; ++i) g_files_to_add.push_back(Bmp("k" + std::to_string(i) + ".bmp"));
    SendMessageA(frame_, WM_COMMAND, 143, 0);
    ASSERT_EQ(Count(a), 12);
    // The window grew with its pictures to show the whole grid.
    RECT client;
    GetClientRect(a, &client);
    EXPECT_EQ(client.right, AlbumWantedClientSize(12).width);
    EXPECT_EQ(client.bottom, AlbumWantedClientSize(12).height);
    Click(AlbumButtonAt(a, 2));
    EXPECT_EQ(FocusedPictureButton(), AlbumButtonAt(a, 2));
    EXPECT_EQ(GetFocus(), AlbumButtonAt(a, 2));
    auto key = [&](WPARAM k) { SendMessageA(FocusedPictureButton(), WM_KEYDOWN, k, 0); };
    key(VK_UP);  // first row: stays
    EXPECT_EQ(AlbumCurrentButton(a), AlbumButtonAt(a, 2));
    key(VK_DOWN);
    EXPECT_EQ(AlbumCurrentButton(a), AlbumButtonAt(a, 7));
    key(VK_DOWN);  // no picture 12 (from 0): stays
    EXPECT_EQ(AlbumCurrentButton(a), AlbumButtonAt(a, 7));
    key(VK_RIGHT);
    key(VK_RIGHT);
    key(VK_RIGHT);
    EXPECT_EQ(AlbumCurrentButton(a), AlbumButtonAt(a, 10));
    key(VK_LEFT);
    EXPECT_EQ(FocusedPictureButton(), AlbumButtonAt(a, 9));
    PumpWindowsFor(50);
    SaveWindowShot(frame_, "vistrel-album");
    // Keys that reach the album window go to its current picture.
    SendMessageA(a, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(AlbumCurrentButton(a), AlbumButtonAt(a, 4));
}

TEST_F(AlbumGui, SaveAsReopenAndTheCloseQuestion) {
    HWND a = NewAlbumByMenu();
    g_files_to_add = {Bmp("s1.bmp", 40, 30), Bmp("s2.bmp", 10, 40)};
    SendMessageA(frame_, WM_COMMAND, 143, 0);
    ASSERT_EQ(Count(a), 2);
    // Mark the second picture with its check box.
    HWND check = GetDlgItem(AlbumButtonAt(a, 1), 0);
    SendMessageA(check, BM_CLICK, 0, 0);
    EXPECT_TRUE(AlbumOfWindow(a)->pictures[1].mark);

    g_save_name = folder_ + "trip";
    const std::string path = folder_ + "trip.alb";
    made_.push_back(path);
    SendMessageA(frame_, WM_COMMAND, 107, 0);  // Save As
    EXPECT_EQ(g_save_dialogs, 1);
    EXPECT_EQ(Text(a), "trip.alb");
    EXPECT_FALSE(AlbumOfWindow(a)->modified);
    const int64_t expected = 32 + 2 * 264 + AlbumOfWindow(a)->pictures[0].thumbnail.size() +
                             AlbumOfWindow(a)->pictures[1].thumbnail.size() + 2 + 24;
    EXPECT_EQ(FileLength(path), expected);

    // Opening it again brings the open window forward.
    boxes::Expect(IDOK);
    EXPECT_EQ(OpenAlbum(path), a);
    EXPECT_EQ(boxes::Seen(), std::vector<std::string>{ErrorText(kMsgAlreadyOpen)});

    // Another album may not be saved under that name.
    boxes::Clear();
    HWND b = NewAlbumByMenu();
    boxes::Expect(IDOK);
    EXPECT_EQ(SaveAlbumAs(b), 0);
    ASSERT_EQ(boxes::Seen().size(), 1u);
    EXPECT_EQ(boxes::Seen()[0].rfind("Could not be saved on " + path + ". \nFile may", 0), 0u)
        << boxes::Seen()[0];

    // Unmodified: closes without a question; reopened, the mark is back.
    SendMessageA(a, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(a));
    HWND again = OpenAlbum(path);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Text(again), "trip.alb");
    ASSERT_EQ(Count(again), 2);
    EXPECT_FALSE(AlbumOfWindow(again)->modified);
    EXPECT_EQ(SendMessageA(GetDlgItem(AlbumButtonAt(again, 1), 0), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(GetDlgItem(AlbumButtonAt(again, 0), 0), BM_GETCHECK, 0, 0),
              BST_UNCHECKED);

    // Modified: the question; Cancel keeps the window, No closes it unsaved.
    boxes::Clear();
    SendMessageA(GetDlgItem(AlbumButtonAt(again, 0), 0), BM_CLICK, 0, 0);
    boxes::Expect(IDCANCEL);
    SendMessageA(again, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(again));
    boxes::Expect(IDNO);
    SendMessageA(again, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(again));
    EXPECT_EQ(boxes::Seen(),
              std::vector<std::string>(2, "(trip.alb) was updated!! Do you want to save?"));
    EXPECT_EQ(FileLength(path), expected);
}

TEST_F(AlbumGui, CopyPasteCutAndDrop) {
    HWND a = NewAlbumByMenu();
    g_files_to_add = {Bmp("c1.bmp"), Bmp("c2.bmp")};
    SendMessageA(frame_, WM_COMMAND, 143, 0);
    HWND b = NewAlbumByMenu();
    ASSERT_EQ(Count(a), 2);

    SendMessageA(App().mdi_client, WM_MDIACTIVATE, (WPARAM)a, 0);
    Click(AlbumButtonAt(a, 0));
    SendMessageA(frame_, WM_COMMAND, 140, 0);  // Copy
    EXPECT_TRUE(ClipboardHasAlbumPicture());
    SendMessageA(App().mdi_client, WM_MDIACTIVATE, (WPARAM)b, 0);
    SendMessageA(frame_, WM_COMMAND, 141, 0);  // Paste
    ASSERT_EQ(Count(b), 1);
    EXPECT_EQ(AlbumOfWindow(b)->pictures[0].path, folder_ + "c1.bmp");
    const DibImage& pasted = AlbumOfWindow(b)->pictures[0].thumbnail;
    const DibImage& copied = AlbumOfWindow(a)->pictures[0].thumbnail;
    ASSERT_EQ(pasted.size(), copied.size());
    EXPECT_EQ(0, std::memcmp(pasted.data(), copied.data(), copied.size()));
    boxes::Expect(IDOK);
    SendMessageA(frame_, WM_COMMAND, 141, 0);
    EXPECT_EQ(boxes::Seen(), std::vector<std::string>{ErrorText(kMsgAlreadyInAlbum)});

    // Pressing on a picture shows the drag cursor until the button is let go.
    ASSERT_NE(LoadCursorA(GetModuleHandleA(nullptr), "DropCursor"), nullptr);
    SendMessageA(AlbumButtonAt(a, 1), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 60));
    EXPECT_EQ(GetCursor(), LoadCursorA(GetModuleHandleA(nullptr), "DropCursor"));
    EXPECT_EQ(GetCapture(), AlbumButtonAt(a, 1));
    SendMessageA(AlbumButtonAt(a, 1), WM_LBUTTONUP, 0, MAKELPARAM(60, 60));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Count(a), 2);

    // Dropping on another album copies; on its own album nothing happens.
    EXPECT_TRUE(DropPicture(AlbumButtonAt(a, 1), b));
    EXPECT_EQ(Count(b), 2);
    EXPECT_EQ(Count(a), 2);
    EXPECT_FALSE(DropPicture(AlbumButtonAt(a, 1), a));
    EXPECT_EQ(Count(a), 2);

    // An empty album made active has nothing to cut, whatever another album has selected.
    HWND c = NewAlbumByMenu();
    boxes::Clear();
    boxes::Expect(IDOK);
    SendMessageA(frame_, WM_COMMAND, 142, 0);
    EXPECT_EQ(boxes::Seen(), std::vector<std::string>{ErrorText(kMsgNoAlbumSelected)});
    EXPECT_EQ(Count(a), 2);
    EXPECT_EQ(Count(c), 0);

    // Cut empties b; Copy then has nothing selected.
    boxes::Clear();
    SendMessageA(App().mdi_client, WM_MDIACTIVATE, (WPARAM)b, 0);
    Click(AlbumButtonAt(b, 1));
    SendMessageA(frame_, WM_COMMAND, 142, 0);
    EXPECT_EQ(Count(b), 1);
    EXPECT_EQ(AlbumCurrentButton(b), AlbumButtonAt(b, 0));
    SendMessageA(frame_, WM_COMMAND, 142, 0);
    EXPECT_EQ(Count(b), 0);
    EXPECT_FALSE(AlbumHasCurrentPicture(b));
    EXPECT_EQ(FocusedPictureButton(), nullptr);
    boxes::Expect(IDOK);
    EXPECT_FALSE(CopyCurrentPicture());
    EXPECT_EQ(boxes::Seen(), std::vector<std::string>{ErrorText(kMsgNoAlbumSelected)});
}

TEST_F(AlbumGui, RenameInPlaceMovesTheFileAndSavesTheAlbum) {
    HWND a = NewAlbumByMenu();
    g_files_to_add = {Bmp("abc.bmp"), Bmp("taken.bmp")};
    SendMessageA(frame_, WM_COMMAND, 143, 0);
    g_save_name = folder_ + "ren.alb";
    made_.push_back(g_save_name);
    ASSERT_EQ(SaveAlbumAs(a), 1);
    made_.push_back(folder_ + "xyz.bmp");

    HWND button = AlbumButtonAt(a, 0);
    HWND edit = GetDlgItem(button, 1);
    auto rename = [&](const char* text) {
        SetFocus(edit);
        SetWindowTextA(edit, text);
        SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    };
    // A forbidden character, then a name that is taken: the field stays in editing.
    boxes::Expect(IDOK);
    rename("x:y");
    EXPECT_EQ(boxes::Seen().at(0), RenameForbiddenMessage(kRegionEnglish));
    EXPECT_FALSE(GetWindowLongPtrA(edit, GWL_STYLE) & ES_READONLY);
    boxes::Expect(IDOK);
    rename("taken");
    EXPECT_EQ(boxes::Seen().at(1), "File with same name already exists.\nPlease rename again.");
    // Escape puts the name back.
    SendMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(Text(edit), "abc.bmp");
    EXPECT_TRUE(GetWindowLongPtrA(edit, GWL_STYLE) & ES_READONLY);

    // The name of a picture the album holds already (its file is gone) is refused too.
    ASSERT_TRUE(DeleteFileA((folder_ + "taken.bmp").c_str()));
    boxes::Expect(IDOK);
    rename("taken");
    EXPECT_EQ(boxes::Seen().at(2), "File with same name already exists.\nPlease rename again.");
    SendMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);

    rename("xyz");
    EXPECT_EQ(Text(edit), "xyz.bmp");
    EXPECT_TRUE(GetWindowLongPtrA(edit, GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(AlbumOfWindow(a)->pictures[0].path, folder_ + "xyz.bmp");
    EXPECT_EQ(FileLength(folder_ + "abc.bmp"), -1);
    EXPECT_GT(FileLength(folder_ + "xyz.bmp"), 0);
    // Saved at once under its own path.
    EXPECT_FALSE(AlbumOfWindow(a)->modified);
    Album read;
    ASSERT_EQ(LoadAlbumFile(folder_ + "ren.alb", &read), 1);
    EXPECT_EQ(read.pictures[0].path, folder_ + "xyz.bmp");
    EXPECT_EQ(boxes::Seen().size(), 3u);
}

TEST_F(AlbumGui, TransferAlbumCollectsFiles) {
    SendMessageA(frame_, WM_COMMAND, 105, 0);  // puts the shell's hooks in place
    const size_t before = Albums().size();
    ASSERT_TRUE(CreateTransferAlbum());
    EXPECT_EQ(Albums().size(), before + 1);
    EXPECT_TRUE(AddFileToTransferAlbum(Bmp("DSC0001.bmp")));
    EXPECT_TRUE(AddFileToTransferAlbum(Bmp("DSC0002.bmp")));
    boxes::Expect(IDOK);
    EXPECT_FALSE(AddFileToTransferAlbum(folder_ + "DSC0003.bmp"));
    EXPECT_EQ(boxes::Seen(), std::vector<std::string>{ErrorText(kMsgNoFile)});
    HWND album = nullptr;
    for (HWND w : Albums())
        if (Count(w) == 2) album = w;
    ASSERT_NE(album, nullptr);
    EXPECT_EQ(AlbumOfWindow(album)->pictures[1].path, folder_ + "DSC0002.bmp");

    // The Edit menu is there while an album is active and greyed when the last one closes.
    auto edit_grey = [] {
        return (GetMenuState(App().menu, 1, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) != 0;
    };
    EXPECT_FALSE(edit_grey());
    for (HWND a : Albums()) SendMessageA(App().mdi_client, WM_MDIDESTROY, (WPARAM)a, 0);
    EXPECT_TRUE(edit_grey());
    // The transfer's album is gone with its window: adding says so.
    boxes::Expect(IDOK);
    EXPECT_FALSE(AddFileToTransferAlbum(folder_ + "DSC0001.bmp"));
    EXPECT_EQ(boxes::Seen().back(), ErrorText(kMsgAlbumCreateFailed));
}

// "Data in from Camera" in the running program: three images transferred from the browser end
// in a new album window of three.
TEST_F(AlbumGui, ACameraTransferOfThreeImagesEndsInAnAlbumOfThree) {
    SimConfig cfg;
    cfg.model = 2;
    cfg.images = 3;
    auto cam = MakeSimCamera(cfg);
    SimDriver driver(*cam, "COM1");
    CameraSession& s = ProgramCameraSession();
    s.driver = &driver;
    SetPacedWrite(false);
    Plat().settings->Set("com", "COM1");
    Plat().settings->Set("baudrate", "1152");
    const size_t before = Albums().size();

    SendMessageA(frame_, WM_COMMAND, 121, 0);  // Data in from Camera
    HWND dlg = CameraBrowserWindow();
    ASSERT_NE(dlg, nullptr);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_PREVIEW, BN_CLICKED), 0);
    SetDlgItemTextA(dlg, IDC_FIRST_NUMBER, "1");
    SetDlgItemTextA(dlg, IDC_LAST_NUMBER, "3");
    const std::string folder = folder_.substr(0, folder_.size() - 1);
    dialogs::When("Folder Select", [folder](HWND chooser) {
        HWND name = GetDlgItem(chooser, 0x47C);
        if (!name) name = GetDlgItem(chooser, 0x480);
        SetWindowTextA(name, (folder + "\\ZEK").c_str());
        dialogs::PostCommand(chooser, IDOK);
    });
    dialogs::When("Transfer Path", [](HWND path) { dialogs::PostCommand(path, IDOK); });
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_TRANSFER, BN_CLICKED), 0);
    for (int n = 1; n <= 3; ++n) made_.push_back(folder_ + "DSC000" + std::to_string(n) + ".jpg");
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    s.driver = nullptr;

    const std::vector<HWND> albums = Albums();
    ASSERT_EQ(albums.size(), before + 1);
    HWND album = albums.back();
    for (HWND a : albums)
        if (Count(a) == 3) album = a;
    ASSERT_EQ(Count(album), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(AlbumOfWindow(album)->pictures[i].path,
                  folder_ + "DSC000" + std::to_string(i + 1) + ".jpg");
    EXPECT_EQ(dialogs::Pending(), 0);
    EXPECT_TRUE(IsWindowEnabled(frame_)) << "the frame is given back";

    // The three JPEG files added again in one go share one progress dialog; the frame comes
    // back enabled.
    HWND again = NewAlbumByMenu();
    ASSERT_NE(again, nullptr);
    g_files_to_add = {folder_ + "DSC0001.jpg", folder_ + "DSC0002.jpg", folder_ + "DSC0003.jpg"};
    AddPictureFiles(again);
    EXPECT_EQ(Count(again), 3);
    EXPECT_TRUE(IsWindowEnabled(frame_));

    // Each picture's camera date is read when its button is first drawn, and written in the
    // button's top band in black.
    int dated = 0;
    for (HWND b = GetWindow(again, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT)) {
        UpdateWindow(b);
        RECT r;
        GetClientRect(b, &r);
        HDC dc = GetDC(b);
        int ink = 0;
        for (int y = 3; y < 17; ++y)
            for (int x = 3; x < r.right - 3; ++x)
                if (GetPixel(dc, x, y) == RGB(0, 0, 0)) ++ink;
        ReleaseDC(b, dc);
        if (ink > 0) ++dated;
    }
    EXPECT_EQ(dated, 3);
}

}  // namespace
