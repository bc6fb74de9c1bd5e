// The acquire module's code in a host of our own with the simulated camera in-process on its
// instant clock: Connect, Preview, a typed range of three images delivered in three acquire
// cycles without further clicks (each picture exactly the camera's image decoded), Exit, and
// the port setup's registry values.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/platform.h"
#include "browser/browser_model.h"
#include "browser/win/status_dialogs.h"
#include "base/win/win_pump.h"
#include "decoded_planes.h"
#include "gui_harness.h"
#include "link/port.h"
#include "plugin/plugin_res.h"
#include "plugin/win/plugin_settings.h"
#include "plugin/win/plugin_win.h"
#include "plugin/host/descriptors.h"
#include "plugin/host/win/host_win.h"
#include "sim/sim_driver.h"
#include "support/test_jpeg.h"

namespace {

constexpr char kDialogTitle[] = "Quenlar QX-4210 Plug-in Driver";

void InProcessEntry(short selector, void* record, intptr_t* data, short* result) {
    PluginEntry(selector, record, data, result, PluginWindows());
}

struct InstantPump : WinMessagePump {
    void WaitForMessage(uint32_t ms) override { Plat().time->Sleep(ms); }
};

void SetEdit(HWND dlg, int id, const char* text) {
    SetDlgItemTextA(dlg, id, text);
}

class PluginFlows : public ::testing::Test {
protected:
    void SetUp() override {
        boxes::Start();
        boxes::Clear();
        dialogs::Clear();
        InstallPluginSeams(GetModuleHandleA(nullptr));
        saved_time_ = Plat().time;
        saved_pump_ = Plat().pump;
        Plat().time = &clock_;
        Plat().pump = &pump_;
        SetPacedWrite(false);
        ReadPluginSettings();  // makes the key
        WritePluginSettings({"COM1", 1152});
    }
    void TearDown() override {
        SetPluginSerialDriver(nullptr);
        Plat().time = saved_time_;
        Plat().pump = saved_pump_;
        EXPECT_EQ(dialogs::Pending(), 0) << "dialogs that never came";
        EXPECT_EQ(boxes::PendingExpectations(), 0) << "boxes that never came";
        EXPECT_EQ(boxes::UnexpectedCount(), 0);
    }
    void Camera(int images, const std::string& dir = "") {
        SimConfig cfg;
        cfg.model = 2;
        cfg.images = images;
        cfg.dir = dir;
        cam_ = MakeSimCamera(cfg);
        driver_ = std::make_unique<SimDriver>(*cam_, "COM1");
        SetPluginSerialDriver(driver_.get());
    }

    SimInstantClock clock_;
    InstantPump pump_;
    TimeSource* saved_time_ = nullptr;
    MessagePump* saved_pump_ = nullptr;
    std::unique_ptr<SimCamera> cam_;
    std::unique_ptr<SimDriver> driver_;
};

// Presses Connect once the dialog is there, and runs act once the camera is connected (Preview
// enabled); what fails on the way is the test's.
void WhenConnected(std::function<void()> act) {
    dialogs::When(
        kDialogTitle, [](HWND dlg) { dialogs::PostCommand(dlg, IDC_UI_CONNECT); }, IDC_UI_CONNECT);
    dialogs::WhenReady(
        [] {
            HWND dlg = PluginDialogWindow();
            return dlg && IsWindowEnabled(GetDlgItem(dlg, IDC_UI_PREVIEW));
        },
        std::move(act));
}

// act once Preview has shown the thumbnails and the dialog is idle again.
void WhenThumbnailsShown(std::function<void()> act) {
    dialogs::WhenReady(
        [] {
            HWND dlg = PluginDialogWindow();
            const CameraBrowserState* grid = PluginGrid();
            return dlg && grid && grid->thumbnails_shown &&
                   IsWindowEnabled(GetDlgItem(dlg, IDC_UI_EXIT));
        },
        std::move(act));
}

// Connects, types the range and transfers; what fails on the way is the test's.
void ConnectAndTransfer(const std::string& from, const std::string& to) {
    WhenConnected([from, to] {
        HWND dlg = PluginDialogWindow();
        SetEdit(dlg, IDC_UI_FROM, from.c_str());
        SetEdit(dlg, IDC_UI_TO, to.c_str());
        dialogs::PostCommand(dlg, IDC_UI_TRANSFER);
    });
}

TEST_F(PluginFlows, ThreeChosenImagesArriveInThreeCyclesThenExit) {
    Camera(20);
    WindowedHost host(InProcessEntry);
    std::string total;
    bool connect_off = false;
    // Connect; then images 3 to 5 typed into the range and Transfer.
    WhenConnected([&] {
        HWND dlg = PluginDialogWindow();
        total = WindowText(GetDlgItem(dlg, IDC_UI_TOTAL));
        connect_off = !IsWindowEnabled(GetDlgItem(dlg, IDC_UI_CONNECT));
        dialogs::PostCommand(dlg, IDC_UI_PREVIEW);
    });
    WhenThumbnailsShown([] {
        HWND dlg = PluginDialogWindow();
        SetEdit(dlg, IDC_UI_FROM, "3");
        SetEdit(dlg, IDC_UI_TO, "5");
        dialogs::PostCommand(dlg, IDC_UI_TRANSFER);
    });

    std::vector<int> again;
    for (int cycle = 0; cycle < 3; ++cycle) {
        ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
        ASSERT_EQ(host.Call(host::kSelectorStart), 0) << "cycle " << cycle;
        EXPECT_EQ(host.rec.imageMode, 3);
        EXPECT_EQ(host.rec.planes, 3);
        ASSERT_EQ(host.Call(host::kSelectorContinue), 0);
        ASSERT_EQ(host.Call(host::kSelectorFinish), 0);
        again.push_back(host.rec.acquireAgain);

        int rows = 0, columns = 0;
        std::vector<uint8_t> want[3];
        ASSERT_TRUE(DecodedPlanes(SimImage(*cam_, 3 + cycle), &rows, &columns, want));
        EXPECT_EQ(host.rows, rows);
        EXPECT_EQ(host.columns, columns);
        for (int p = 0; p < 3; ++p) EXPECT_TRUE(host.planes[p] == want[p]) << "plane " << p;
    }
    EXPECT_EQ(again, std::vector<int>({1, 1, 1}));
    EXPECT_EQ(total, "20");
    EXPECT_TRUE(connect_off);
    EXPECT_EQ(host.buffers_allocated, host.buffers_freed);

    // The series is over: the dialog waits for the user, who leaves.
    dialogs::WhenReady([] { return PluginDialogWindow() != nullptr; },
                       [] { dialogs::PostCommand(PluginDialogWindow(), IDC_UI_EXIT); });
    ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
    EXPECT_EQ(host.Call(host::kSelectorStart), host::kUserCanceledErr);
    EXPECT_EQ(PluginDialogWindow(), nullptr);
    EXPECT_EQ(SimSpeedCode(*cam_), 2) << "the session was ended: the camera is back at 9600";
    EXPECT_EQ(host.Call(host::kSelectorFinalize), 0);
}

// A host that records: each fetched picture is named in the recorded list with its size and
// mode, and finalize while the dialog waits for the next choice closes it.
TEST_F(PluginFlows, RecordingNamesEachPictureAndFinalizeClosesTheDialog) {
    Camera(4);
    WindowedHost host(InProcessEntry);
    host.OfferDescriptors(nullptr);
    ConnectAndTransfer("2", "3");
    for (int cycle = 0; cycle < 2; ++cycle) {
        ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
        ASSERT_EQ(host.Call(host::kSelectorStart), 0) << "cycle " << cycle;
        ASSERT_EQ(host.Call(host::kSelectorContinue), 0);
        ASSERT_EQ(host.Call(host::kSelectorFinish), 0);
        EXPECT_EQ(host.rec.acquireAgain, 1);
    }
    ASSERT_NE(PluginDialogWindow(), nullptr) << "the dialog waits for the next choice";
    EXPECT_EQ(host.RecordedDescriptor(), nullptr) << "the list is handed over at finalize";
    EXPECT_EQ(host.Call(host::kSelectorFinalize), 0);
    EXPECT_EQ(PluginDialogWindow(), nullptr);
    const Descriptor* recorded = host.RecordedDescriptor();
    ASSERT_NE(recorded, nullptr);
    // The list names rows under 'Hrzn' and columns under 'Vrtc', as editors' scripts expect.
    const std::string object = "  object 'mulS'\n    'Hrzn' unit '#Pxl' " +
                               std::to_string(host.rows) + "\n    'Vrtc' unit '#Pxl' " +
                               std::to_string(host.columns) +
                               "\n    'Md  ' enum 'grmT' 'rgbC'\n  end\n";
    EXPECT_EQ(DescriptorText(*recorded), "'mulK' list 2\n" + object + object + "end\n");
    EXPECT_EQ(host.buffers_allocated, host.buffers_freed);
}

TEST_F(PluginFlows, CancelOnTheProgressDialogEndsTheSeriesAtTheNextStart) {
    Camera(8);
    WindowedHost host(InProcessEntry);
    ConnectAndTransfer("2", "4");
    ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
    ASSERT_EQ(host.Call(host::kSelectorStart), 0);
    ASSERT_EQ(host.Call(host::kSelectorContinue), 0);
    ASSERT_EQ(host.Call(host::kSelectorFinish), 0);
    EXPECT_EQ(PluginNextImage(), 1);
    // The user pressed Cancel on the progress dialog while image 2 came.
    SetCancelRequested(true);
    boxes::Expect(IDYES);
    dialogs::WhenReady([] { return boxes::Seen().size() == 1; },
                       [] { dialogs::PostCommand(PluginDialogWindow(), IDC_UI_EXIT); });
    ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
    EXPECT_EQ(host.Call(host::kSelectorStart), host::kUserCanceledErr);
    ASSERT_EQ(boxes::Seen().size(), 1u);
    EXPECT_EQ(boxes::Seen()[0], "Cancel image transfer?");
    EXPECT_EQ(host.strips, 0) << "no further image";
    EXPECT_EQ(host.Call(host::kSelectorFinalize), 0);
}

TEST_F(PluginFlows, WithoutTheKeyConnectUsesCom1At38400AndMakesTheKeyOnly) {
    RegDeleteKeyA(HKEY_CURRENT_USER, kPluginKey);
    Camera(4);
    WindowedHost host(InProcessEntry);
    int speed = -1;
    WhenConnected([&] {
        speed = SimSpeedCode(*cam_);
        dialogs::PostCommand(PluginDialogWindow(), IDC_UI_EXIT);
    });
    ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
    EXPECT_EQ(host.Call(host::kSelectorStart), host::kUserCanceledErr);
    EXPECT_EQ(speed, 1) << "38400 baud";
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kPluginKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_NE(RegQueryValueExA(key, "ComPort", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_NE(RegQueryValueExA(key, "BaudRate", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(host.Call(host::kSelectorFinalize), 0);
}

TEST_F(PluginFlows, ConnectPlacesTheGridAndDeleteRenumbers) {
    Camera(33);
    WindowedHost host(InProcessEntry);
    int32_t first_after_connect = 0;
    std::string clamped, total_after_delete;
    WhenConnected([&] {
        HWND dlg = PluginDialogWindow();
        first_after_connect = PluginGrid()->first_shown;
        SetEdit(dlg, IDC_UI_FROM, "40");
        clamped = WindowText(GetDlgItem(dlg, IDC_UI_FROM));
        SetEdit(dlg, IDC_UI_FROM, "2");
        SetEdit(dlg, IDC_UI_TO, "2");
        dialogs::PostCommand(dlg, IDC_UI_DELETE);
    });
    // The question for image 2, answered OK (Delete All is off for one image).
    bool all_off = false;
    dialogs::When(
        kDialogTitle,
        [&](HWND dlg) {
            all_off = !IsWindowEnabled(GetDlgItem(dlg, 801));
            dialogs::PostCommand(dlg, 800);
        },
        800);
    dialogs::WhenReady(
        [] {
            HWND dlg = PluginDialogWindow();
            return dlg && PluginGrid()->total == 32 &&
                   IsWindowEnabled(GetDlgItem(dlg, IDC_UI_EXIT));
        },
        [&] {
            HWND dlg = PluginDialogWindow();
            total_after_delete = WindowText(GetDlgItem(dlg, IDC_UI_TOTAL));
            dialogs::PostCommand(dlg, IDC_UI_EXIT);
        });
    ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
    EXPECT_EQ(host.Call(host::kSelectorStart), host::kUserCanceledErr);
    EXPECT_EQ(first_after_connect, 33) << "33 images: the last page starts at 33";
    EXPECT_EQ(clamped, "33") << "a number beyond the total becomes the total";
    EXPECT_TRUE(all_off);
    EXPECT_EQ(total_after_delete, "32");
    EXPECT_EQ(SimImageCount(*cam_), 32);
    EXPECT_EQ(host.Call(host::kSelectorFinalize), 0);
}

// A camera holding one picture of the given size (made here), connected, image 1 transferred:
// the host is left after a successful start.
class PluginOddSizes : public PluginFlows {
protected:
    void OnePicture(int width, int height) {
        dir_ = TempFilePath("plugin-odd");
        CreateDirectoryA(dir_.c_str(), nullptr);
        JpegSpec spec;
        spec.width = width;
        spec.height = height;
        jpeg_ = MakeJpeg(spec);
        std::ofstream(dir_ + "\\DSC0001.jpg", std::ios::binary)
            .write(reinterpret_cast<const char*>(jpeg_.data()),
                   static_cast<std::streamsize>(jpeg_.size()));
        Camera(1, dir_);
        ConnectAndTransfer("1", "1");
    }
    void TearDown() override {
        DeleteFileA((dir_ + "\\DSC0001.jpg").c_str());
        RemoveDirectoryA(dir_.c_str());
        PluginFlows::TearDown();
    }
    std::string dir_;
    std::vector<uint8_t> jpeg_;
};

TEST_F(PluginOddSizes, A641ColumnPictureArrivesUnsheared) {
    OnePicture(641, 7);
    WindowedHost host(InProcessEntry);
    ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
    ASSERT_EQ(host.Call(host::kSelectorStart), 0);
    EXPECT_EQ(host.rec.imageSize.h, 641);
    ASSERT_EQ(host.Call(host::kSelectorContinue), 0);
    int rows = 0, columns = 0;
    std::vector<uint8_t> want[3];
    ASSERT_TRUE(DecodedPlanes(jpeg_, &rows, &columns, want));
    ASSERT_EQ(columns, 641);
    EXPECT_EQ(host.rows, rows);
    EXPECT_EQ(host.columns, columns);
    for (int p = 0; p < 3; ++p) EXPECT_TRUE(host.planes[p] == want[p]) << "plane " << p;
    EXPECT_EQ(host.overruns, 0);
    ASSERT_EQ(host.Call(host::kSelectorFinish), 0);
    dialogs::WhenReady([] { return PluginDialogWindow() != nullptr; },
                       [] { dialogs::PostCommand(PluginDialogWindow(), IDC_UI_EXIT); });
    ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
    EXPECT_EQ(host.Call(host::kSelectorStart), host::kUserCanceledErr);
    EXPECT_EQ(host.Call(host::kSelectorFinalize), 0);
}

TEST_F(PluginOddSizes, AbortDuringTheBluePlaneStopsAndFreesEverything) {
    OnePicture(3, 9);
    WindowedHost host(InProcessEntry);
    host.space = 3 * 304;  // four rows: strips of 4, 4 and 1 rows a plane
    ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
    ASSERT_EQ(host.Call(host::kSelectorStart), 0);
    host.abort_after_rows = 2 * 9 + 5;  // in the blue plane's second strip
    EXPECT_EQ(host.Call(host::kSelectorContinue), host::kUserCanceledErr);
    EXPECT_EQ(host.strips, 7) << "three strips of red, three of green, one of blue";
    EXPECT_EQ(host.progress_calls, 23) << "no row after the abort";
    EXPECT_EQ(host.rec.data, nullptr);
    EXPECT_EQ(host.buffers_allocated, 1);
    EXPECT_EQ(host.buffers_freed, 1);
    EXPECT_EQ(host.overruns, 0) << "nothing written outside the buffer";
    const auto* handle = reinterpret_cast<PluginHandle*>(host.slot);
    EXPECT_EQ(static_cast<const PluginState*>(handle->data)->image, nullptr) << "the DIB is freed";
    // Nothing further is delivered: a second continue has no picture.
    EXPECT_NE(host.Call(host::kSelectorContinue), 0);
    EXPECT_EQ(host.strips, 7);
    EXPECT_EQ(host.buffers_allocated, 1);
    host.abort_after_rows = -1;
    dialogs::WhenReady([] { return PluginDialogWindow() != nullptr; },
                       [] { dialogs::PostCommand(PluginDialogWindow(), IDC_UI_EXIT); });
    ASSERT_EQ(host.Call(host::kSelectorFinish), 0);
    ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
    EXPECT_EQ(host.Call(host::kSelectorStart), host::kUserCanceledErr);
    EXPECT_EQ(host.Call(host::kSelectorFinalize), 0);
}

TEST_F(PluginFlows, ACameraThatStopsAnsweringEndsTheCycleWithUserCancelled) {
    Camera(4);
    ASSERT_TRUE(AddSimFault(*cam_, "noreply:30"));
    WindowedHost host(InProcessEntry);
    ConnectAndTransfer("2", "2");
    boxes::Expect(IDOK);
    ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
    EXPECT_EQ(host.Call(host::kSelectorStart), host::kUserCanceledErr);
    EXPECT_EQ(boxes::Seen().size(), 1u) << "the link's own message, once";
    EXPECT_EQ(PluginDialogWindow(), nullptr) << "the dialog ended with quit";
    const auto* handle = reinterpret_cast<PluginHandle*>(host.slot);
    EXPECT_EQ(static_cast<const PluginState*>(handle->data)->image, nullptr);
    EXPECT_NE(host.Call(host::kSelectorContinue), 0) << "no picture to deliver";
    EXPECT_EQ(host.strips, 0);
    EXPECT_EQ(host.buffers_allocated, 0);
    EXPECT_EQ(host.Call(host::kSelectorFinalize), 0);
}

TEST_F(PluginFlows, ATemporaryFolderThatCannotBeWrittenEndsTheCycle) {
    Camera(4);
    char tmp[MAX_PATH] = "", temp[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", tmp, MAX_PATH);
    GetEnvironmentVariableA("TEMP", temp, MAX_PATH);
    SetEnvironmentVariableA("TMP", "C:\\no-such-folder-for-vistrel");
    SetEnvironmentVariableA("TEMP", "C:\\no-such-folder-for-vistrel");
    WindowedHost host(InProcessEntry);
    ConnectAndTransfer("2", "2");
    boxes::Expect(IDOK);
    ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
    const int16_t started = host.Call(host::kSelectorStart);
    SetEnvironmentVariableA("TMP", tmp[0] ? tmp : nullptr);
    SetEnvironmentVariableA("TEMP", temp[0] ? temp : nullptr);
    EXPECT_EQ(started, host::kUserCanceledErr);
    ASSERT_EQ(boxes::Seen().size(), 1u);
    EXPECT_EQ(boxes::Seen()[0], "Can't Create File");
    EXPECT_EQ(PluginDialogWindow(), nullptr);
    EXPECT_NE(host.Call(host::kSelectorContinue), 0);
    EXPECT_EQ(host.buffers_allocated, 0);
    EXPECT_EQ(host.Call(host::kSelectorFinalize), 0);
}

// Whether any grid button waits to be drawn again.
bool GridInvalid(HWND dlg) {
    for (int id = IDC_UI_GRID_FIRST; id <= IDC_UI_GRID_LAST; ++id) {
        RECT r;
        if (GetUpdateRect(GetDlgItem(dlg, id), &r, FALSE)) return true;
    }
    return false;
}

void ValidateGrid(HWND dlg) {
    for (int id = IDC_UI_GRID_FIRST; id <= IDC_UI_GRID_LAST; ++id) {
        ValidateRect(GetDlgItem(dlg, id), nullptr);
    }
}

TEST_F(PluginFlows, PaletteMessagesRedrawTheGridAsTheBrowserDoes) {
    Camera(5);
    WindowedHost host(InProcessEntry);
    bool before_thumbnails = true, after_query = false, after_other = false, own_change = true;
    WhenConnected([&] {
        HWND dlg = PluginDialogWindow();
        // No thumbnail yet: nothing to realise, nothing drawn again.
        ValidateGrid(dlg);
        SetActiveWindow(host.window);
        SendMessageA(dlg, WM_QUERYNEWPALETTE, 0, 0);
        before_thumbnails = GridInvalid(dlg);
        dialogs::PostCommand(dlg, IDC_UI_PREVIEW);
    });
    WhenThumbnailsShown([&] {
        HWND dlg = PluginDialogWindow();
        HWND other = host.window;
        SetActiveWindow(other);
        SetFocus(other);
        ValidateGrid(dlg);
        SendMessageA(dlg, WM_QUERYNEWPALETTE, 0, 0);
        after_query = GridInvalid(dlg);
        ValidateGrid(dlg);
        SendMessageA(dlg, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(other), 0);
        after_other = GridInvalid(dlg);
        ValidateGrid(dlg);
        SendMessageA(dlg, WM_PALETTECHANGED, reinterpret_cast<WPARAM>(dlg), 0);
        own_change = GridInvalid(dlg);
        dialogs::PostCommand(dlg, IDC_UI_EXIT);
    });
    ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
    EXPECT_EQ(host.Call(host::kSelectorStart), host::kUserCanceledErr);
    EXPECT_FALSE(before_thumbnails);
    EXPECT_TRUE(after_query) << "the cube palette realised, the grid drawn with it";
    EXPECT_TRUE(after_other) << "another window's palette: the grid draws again";
    EXPECT_FALSE(own_change) << "our own palette change: nothing to do";
    EXPECT_EQ(host.Call(host::kSelectorFinalize), 0);
}

SHORT g_shift = 0;
SHORT WINAPI FakeKeys(int key) {
    return key == VK_SHIFT ? g_shift : 0;
}

void ClickGrid(HWND dlg, int button) {
    const int id = IDC_UI_GRID_FIRST + button;
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

void Scroll(HWND dlg, int code) {
    SendMessageA(dlg, WM_VSCROLL, MAKEWPARAM(code, 0),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_UI_SCROLL)));
}

TEST_F(PluginFlows, GridClicksAndScrollingWorkAsInTheBrowser) {
    Camera(18);
    SetKeyStateSource(FakeKeys);
    WindowedHost host(InProcessEntry);
    std::vector<int> after_click, after_shift, after_past_total;
    std::string to_after_click = "x";
    int32_t first_after_scroll = 0, page_after_scroll = 0, past_total = -1;
    bool commands_while_scrolling = true, transfer_after_scroll = false;
    WhenConnected([] { dialogs::PostCommand(PluginDialogWindow(), IDC_UI_PREVIEW); });
    WhenThumbnailsShown([&] {
        HWND dlg = PluginDialogWindow();
        const CameraBrowserState& grid = *PluginGrid();
        // A typed range, then a click: the to-edit empties and the click selects image 2.
        SetEdit(dlg, IDC_UI_FROM, "3");
        SetEdit(dlg, IDC_UI_TO, "4");
        ClickGrid(dlg, 1);
        after_click = SelectedImages(grid);
        to_after_click = WindowText(GetDlgItem(dlg, IDC_UI_TO));
        g_shift = static_cast<SHORT>(0x8000);
        ClickGrid(dlg, 4);
        g_shift = 0;
        after_shift = SelectedImages(grid);
        SaveWindowShot(dlg, "vistrel-plugin-dialog");
        // To the end of the list: 5..18, the last row at the bottom.
        Scroll(dlg, SB_BOTTOM);
        commands_while_scrolling = IsWindowEnabled(GetDlgItem(dlg, IDC_UI_PREVIEW)) ||
                                   IsWindowEnabled(GetDlgItem(dlg, IDC_UI_EXIT)) ||
                                   IsWindowEnabled(GetDlgItem(dlg, IDC_UI_TRANSFER));
        Scroll(dlg, SB_ENDSCROLL);
    });
    dialogs::WhenReady(
        [] {
            HWND dlg = PluginDialogWindow();
            return dlg && PluginGrid()->first_shown == 5 &&
                   IsWindowEnabled(GetDlgItem(dlg, IDC_UI_EXIT));
        },
        [&] {
            HWND dlg = PluginDialogWindow();
            const CameraBrowserState& grid = *PluginGrid();
            first_after_scroll = grid.first_shown;
            page_after_scroll = grid.page[13];
            past_total = grid.page[14];
            transfer_after_scroll = IsWindowEnabled(GetDlgItem(dlg, IDC_UI_TRANSFER));
            ClickGrid(dlg, 14);  // past the last image: nothing happens
            after_past_total = SelectedImages(grid);
            dialogs::PostCommand(dlg, IDC_UI_EXIT);
        });
    ASSERT_EQ(host.Call(host::kSelectorPrepare), 0);
    EXPECT_EQ(host.Call(host::kSelectorStart), host::kUserCanceledErr);
    SetKeyStateSource(nullptr);
    EXPECT_EQ(after_click, std::vector<int>{2});
    EXPECT_EQ(to_after_click, "");
    EXPECT_EQ(after_shift, (std::vector<int>{2, 3, 4, 5}));
    EXPECT_FALSE(commands_while_scrolling) << "the commands wait while the scroll bar moves";
    EXPECT_TRUE(transfer_after_scroll) << "and come back with the page";
    EXPECT_EQ(first_after_scroll, 5);
    EXPECT_EQ(page_after_scroll, 18);
    EXPECT_EQ(past_total, 0);
    EXPECT_EQ(after_past_total, (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(host.Call(host::kSelectorFinalize), 0);
}

TEST_F(PluginFlows, PortSetupCancelWritesWhatWasStoredAtOpening) {
    WritePluginSettings({"COM3", 576});
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    bool com3 = false, baud576 = false;
    dialogs::When(
        "Port Setup",
        [&](HWND dlg) {
            com3 = IsDlgButtonChecked(dlg, 12) == BST_CHECKED;
            baud576 = IsDlgButtonChecked(dlg, 17) == BST_CHECKED;
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(10, BN_CLICKED), 0);
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(18, BN_CLICKED), 0);
            dialogs::PostCommand(dlg, IDCANCEL);
        },
        IDC_AUTO_SET);
    DialogBoxParamA(GetModuleHandleA(nullptr), "COMMPARASET", owner, CommParaProc, 0);
    EXPECT_TRUE(com3);
    EXPECT_TRUE(baud576);
    PluginPortSettings s = ReadPluginSettings();
    EXPECT_EQ(s.port, "COM3");
    EXPECT_EQ(s.baud, 576u);

    dialogs::When(
        "Port Setup",
        [&](HWND dlg) {
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(11, BN_CLICKED), 0);
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(14, BN_CLICKED), 0);
            dialogs::PostCommand(dlg, IDOK);
        },
        IDC_AUTO_SET);
    DialogBoxParamA(GetModuleHandleA(nullptr), "COMMPARASET", owner, CommParaProc, 0);
    s = ReadPluginSettings();
    EXPECT_EQ(s.port, "COM2");
    EXPECT_EQ(s.baud, 9600u);
    DestroyWindow(owner);
}

}  // namespace
