// The percentage bar's painting and messages, and the progress, status and connection dialogs:
// their stacking over the current window, their cancel rules and the connection pause.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/region.h"
#include "base/platform.h"
#include "base/win/win_prompts.h"
#include "base/win/win_pump.h"
#include "link/session/start_status.h"
#include "browser/win/coding_progress.h"
#include "browser/win/meter.h"
#include "browser/win/status_dialogs.h"
#include "codec/bmp_file.h"
#include "gui_harness.h"
#include "res/resource.h"

namespace {

SHORT g_enter = 0;
SHORT WINAPI FakeKeys(int key) {
    return key == VK_RETURN ? g_enter : 0;
}

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        boxes::Start();
        boxes::Clear();
        RegisterMeterClass(GetModuleHandleA(nullptr));
        owner_ = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 10, 10, 300, 120,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(owner_, nullptr);
        SetCurrentCameraWindow(owner_);
        SetKeyStateSource(FakeKeys);
        g_enter = 0;
        SetCancelRequested(false);
        platform_ = Plat();
        platform_.prompts = &prompts_;
        platform_.view = &view_;
        platform_.time = &clock_;
        scope_ = new ScopedPlatform(platform_);
        SetRegionCode(kRegionEnglish);
    }
    void TearDown() override {
        HideMeter();
        HideStatus();
        HideStartStatus();
        delete scope_;
        SetKeyStateSource(nullptr);
        SetCurrentCameraWindow(nullptr);
        DestroyWindow(owner_);
        SetDialogInstance(nullptr);
        EXPECT_EQ(boxes::UnexpectedCount(), 0);
        EXPECT_EQ(boxes::PendingExpectations(), 0);
    }

    HWND owner_ = nullptr;
    WinPrompts prompts_;
    DialogOperationView view_;
    FakeClock clock_;
    Platform platform_{};
    ScopedPlatform* scope_ = nullptr;
};

// The bar rendered into a 32-bit top-down bitmap.
struct Render {
    int w = 0, h = 0;
    std::vector<uint32_t> px;
    COLORREF At(int x, int y) const {
        uint32_t v = px[static_cast<size_t>(y) * w + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // Text pixels are smoothed: dark means text on the grey part, light text on the blue part.
    int CountDark(int x0, int x1) const {
        int n = 0;
        for (int y = 0; y < h; ++y)
            for (int x = x0; x < x1; ++x) {
                COLORREF c = At(x, y);
                if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 240) ++n;
            }
        return n;
    }
    int CountLightOnBlue(int x0, int x1) const {
        int n = 0;
        for (int y = 0; y < h; ++y)
            for (int x = x0; x < x1; ++x) {
                COLORREF c = At(x, y);
                if (GetRValue(c) > 128 && GetGValue(c) > 128) ++n;
            }
        return n;
    }
    int Count(COLORREF c, int x0, int x1) const {
        int n = 0;
        for (int y = 0; y < h; ++y)
            for (int x = x0; x < x1; ++x)
                if (At(x, y) == c) ++n;
        return n;
    }
};

Render RenderMeter(HWND meter) {
    RECT rc;
    GetClientRect(meter, &rc);
    Render r;
    r.w = rc.right;
    r.h = rc.bottom;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = r.w;
    bi.bmiHeader.biHeight = -r.h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bmp);
    SendMessageA(meter, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    r.px.assign(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + r.w * r.h);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    return r;
}

const COLORREF kBlue = RGB(0, 0, 255);

TEST_F(Dialogs, MeterPaintsZeroFortyEightAndHundredPercent) {
    HWND meter = CreateWindowExA(0, kMeterClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 200, 20, owner_,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(meter, nullptr);
    SendMessageA(meter, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    COLORREF menu = GetSysColor(COLOR_MENU);
    ASSERT_NE(menu, kBlue);

    // Rows 0 to 2 lie above the text: background only.
    SendMessageA(meter, kMeterSetRange, 0, 0);
    Render zero = RenderMeter(meter);
    for (int x = 0; x < 200; ++x) EXPECT_EQ(zero.At(x, 1), menu) << x;
    EXPECT_EQ(zero.Count(kBlue, 0, 200), 0);
    EXPECT_GT(zero.CountDark(0, 200), 3);  // "0%" in black

    SendMessageA(meter, kMeterSetRange, 25, 0);
    SendMessageA(meter, kMeterSetPos, 12, 0);
    EXPECT_EQ(SendMessageA(meter, kMeterGetRange, 0, 0), 25);
    EXPECT_EQ(SendMessageA(meter, kMeterGetPos, 0, 0), 12);
    Render part = RenderMeter(meter);  // split at 200 * 12 / 25 = 96
    for (int x = 0; x < 96; ++x) EXPECT_EQ(part.At(x, 1), kBlue) << x;
    for (int x = 96; x < 200; ++x) EXPECT_EQ(part.At(x, 1), menu) << x;
    EXPECT_EQ(part.Count(kBlue, 96, 200), 0);
    // "48%" is centred on 100: white on blue left of the split, black on grey right of it.
    EXPECT_GT(part.CountLightOnBlue(0, 96), 3);
    EXPECT_EQ(part.CountDark(0, 96), 0);
    EXPECT_GT(part.CountDark(96, 200), 3);

    SendMessageA(meter, kMeterSetPos, 25, 0);
    Render full = RenderMeter(meter);
    for (int x = 0; x < 200; ++x) EXPECT_EQ(full.At(x, 1), kBlue) << x;
    EXPECT_EQ(full.At(199, 19), kBlue);
    EXPECT_EQ(full.CountDark(0, 200), 0);
    EXPECT_GT(full.CountLightOnBlue(0, 200), 10);  // "100%" in white
    // The wider text of 100% has more white than the part of 48% left of the split.
    EXPECT_GT(full.CountLightOnBlue(0, 200), part.CountLightOnBlue(0, 96));

    EXPECT_EQ(SendMessageA(meter, WM_GETDLGCODE, 0, 0), 256);
    EXPECT_EQ(SendMessageA(meter, WM_GETFONT, 0, 0),
              reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
    DestroyWindow(meter);
}

TEST_F(Dialogs, NewMeterStartsAtRangeHundred) {
    HWND meter = CreateWindowExA(0, kMeterClass, "", WS_CHILD, 0, 0, 100, 10, owner_, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(SendMessageA(meter, kMeterGetRange, 0, 0), 100);
    EXPECT_EQ(SendMessageA(meter, kMeterGetPos, 0, 0), 0);
    DestroyWindow(meter);
}

TEST_F(Dialogs, ProgressDialogStacksAndCancelsByLetterC) {
    SetCancelRequested(true);
    ASSERT_TRUE(ShowMeter());
    HWND dlg = MeterWindow();
    ASSERT_NE(dlg, nullptr);
    EXPECT_FALSE(CancelRequested());  // cleared at creation
    EXPECT_EQ(CurrentCameraWindow(), dlg);
    EXPECT_FALSE(IsWindowEnabled(owner_));
    EXPECT_EQ(WindowText(dlg), "Vistrel");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDCANCEL)));
    EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_METER, kMeterGetRange, 0, 0), 25);
    EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_METER, kMeterGetPos, 0, 0), 0);

    // The view addresses the dialog.
    view_.SetText(kFieldTitle, "Now extracting image.");
    view_.SetMeterRange(40);
    view_.SetMeterPos(10);
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_METER_TITLE)), "Now extracting image.");
    EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_METER, kMeterGetRange, 0, 0), 40);
    EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_METER, kMeterGetPos, 0, 0), 10);

    // The Cancel button does nothing while hidden; the letter C works all the same.
    SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(CancelRequested());
    PostMessageA(dlg, WM_CHAR, 'c', 0);
    ASSERT_TRUE(PumpUntil([] { return CancelRequested(); }, 2000));
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_METER_DETAIL)),
              "It ends the forwarding of a image. Please wait.\n");

    HideMeter();
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(MeterWindow(), nullptr);
    EXPECT_EQ(CurrentCameraWindow(), owner_);
    EXPECT_TRUE(IsWindowEnabled(owner_));
}

TEST_F(Dialogs, ProgressDialogCancelsByButtonAndByEnter) {
    ASSERT_TRUE(ShowMeter());
    HWND dlg = MeterWindow();
    view_.ShowCancel(true);
    HWND cancel = GetDlgItem(dlg, IDCANCEL);
    EXPECT_TRUE(IsWindowVisible(cancel));
    SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(CancelRequested());
    EXPECT_FALSE(IsWindowEnabled(cancel));

    SetCancelRequested(false);
    view_.ShowCancel(true);
    SetForegroundWindow(dlg);
    ASSERT_EQ(GetForegroundWindow(), dlg);
    g_enter = static_cast<SHORT>(0x8000);
    ASSERT_TRUE(PumpUntil([] { return CancelRequested(); }, 3000));
    g_enter = 0;
    EXPECT_FALSE(IsWindowEnabled(cancel));
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_METER_DETAIL)),
              "It ends the forwarding of a image. Please wait.\n");
}

TEST_F(Dialogs, EuropeanRegionUsesTheTallerTemplate) {
    ASSERT_TRUE(ShowMeter());
    RECT us;
    GetWindowRect(GetDlgItem(MeterWindow(), IDC_METER_TITLE), &us);
    HideMeter();
    SetRegionCode(kRegionGerman);
    ASSERT_TRUE(ShowMeter());
    RECT eu;
    GetWindowRect(GetDlgItem(MeterWindow(), IDC_METER_TITLE), &eu);
    EXPECT_GT(eu.bottom - eu.top, us.bottom - us.top);
    ASSERT_NE(GetDlgItem(MeterWindow(), IDC_METER), nullptr);
    HideMeter();
}

TEST_F(Dialogs, StatusDialogHeldEnterCancelsOnceAndGreysCancel) {
    ASSERT_TRUE(ShowStatus());
    HWND dlg = StatusWindow();
    EXPECT_EQ(CurrentCameraWindow(), dlg);
    EXPECT_FALSE(IsWindowEnabled(owner_));
    HWND cancel = GetDlgItem(dlg, IDCANCEL);
    EXPECT_FALSE(IsWindowVisible(cancel));
    view_.SetText(kFieldStatus, "Reading images");
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_STATUS_TEXT)), "Reading images");

    // Enter while Cancel is hidden does nothing.
    SetForegroundWindow(dlg);
    ASSERT_EQ(GetForegroundWindow(), dlg);
    g_enter = static_cast<SHORT>(0x8000);
    PumpWindowsFor(150);
    EXPECT_FALSE(CancelRequested());

    view_.ShowCancel(true);
    ASSERT_TRUE(PumpUntil([] { return CancelRequested(); }, 3000));
    EXPECT_FALSE(IsWindowEnabled(cancel));
    // The operation takes the request; Enter still held does not raise it again.
    SetCancelRequested(false);
    PumpWindowsFor(150);
    EXPECT_FALSE(CancelRequested());
    g_enter = 0;

    HideStatus();
    EXPECT_EQ(CurrentCameraWindow(), owner_);
    EXPECT_TRUE(IsWindowEnabled(owner_));
}

TEST_F(Dialogs, DialogsStackOverEachOther) {
    ASSERT_TRUE(ShowStatus());
    HWND status = StatusWindow();
    ASSERT_TRUE(ShowMeter());
    HWND meter = MeterWindow();
    EXPECT_EQ(CurrentCameraWindow(), meter);
    EXPECT_FALSE(IsWindowEnabled(status));
    EXPECT_EQ(GetWindow(meter, GW_OWNER), status);
    HideMeter();
    EXPECT_EQ(CurrentCameraWindow(), status);
    EXPECT_TRUE(IsWindowEnabled(status));
    EXPECT_FALSE(IsWindowEnabled(owner_));
    HideStatus();
    EXPECT_EQ(CurrentCameraWindow(), owner_);
    EXPECT_TRUE(IsWindowEnabled(owner_));
}

TEST_F(Dialogs, ConnectionNoticeWaitsEightSecondsAfterThePreviousOne) {
    ProgramStartNoticeTimes() = StartNoticeTimes{};
    clock_.step = 0;
    clock_.now = 1000;
    ASSERT_TRUE(ShowStartStatus());
    HWND dlg = StartStatusWindow();
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(clock_.sleeps.empty());
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_STATUS_TEXT)),
              "Now establishing Communication Connection.\nPlease Wait.");
    EXPECT_FALSE(IsWindowEnabled(owner_));
    clock_.now = 5000;
    HideStartStatus();
    EXPECT_TRUE(IsWindowEnabled(owner_));
    EXPECT_EQ(CurrentCameraWindow(), owner_);

    clock_.now = 8000;  // three seconds later
    ASSERT_TRUE(ShowStartStatus());
    ASSERT_EQ(clock_.sleeps.size(), 1u);
    EXPECT_EQ(clock_.sleeps[0], 5000u);
    clock_.now = 30000;
    HideStartStatus();
    clock_.now = 40000;
    ASSERT_TRUE(ShowStartStatus());
    EXPECT_EQ(clock_.sleeps.size(), 1u);
    HideStartStatus();
}

TEST_F(Dialogs, FailureToCreateShowsMessage43AndLeavesTheOwnerEnabled) {
    SetDialogInstance(GetModuleHandleA("kernel32.dll"));  // holds none of our templates
    boxes::Expect(IDOK);
    EXPECT_FALSE(ShowStatus());
    boxes::Expect(IDOK);
    EXPECT_FALSE(ShowStartStatus());
    ASSERT_EQ(boxes::Seen().size(), 2u);
    EXPECT_EQ(boxes::Seen()[0], "The error not to expect occurred.");
    EXPECT_TRUE(IsWindowEnabled(owner_));
    EXPECT_EQ(CurrentCameraWindow(), owner_);
}

// A 24-bit 40 x 30 BMP file with a colour ramp.
void WriteTestBmp(const std::string& path) {
    const int w = 40, h = 30, stride = 120;
    std::vector<unsigned char> file(54 + stride * h);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    file[26] = 1;
    file[28] = 24;
    put32(34, stride * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &file[54 + y * stride + x * 3];
            p[0] = static_cast<unsigned char>(x * 6);
            p[1] = static_cast<unsigned char>(y * 8);
            p[2] = 200;
        }
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
}

TEST_F(Dialogs, CompressAndExtractUnderTheirOwnDialogs) {
    std::string bmp = TempFilePath("in.bmp"), jpg = TempFilePath("out.jpg");
    WriteTestBmp(bmp);
    SetCodingFrame(owner_);
    const DibImage in = LoadBmpFile(bmp);
    ASSERT_TRUE(in);
    EXPECT_EQ(CompressPictureWithProgress(owner_, in, jpg, "out.jpg", 75), 1);
    EXPECT_TRUE(IsWindowEnabled(owner_));
    EXPECT_NE(GetFileAttributesA(jpg.c_str()), INVALID_FILE_ATTRIBUTES);
    DibImage out;
    EXPECT_EQ(ExtractPictureWithProgress(owner_, jpg, "out.jpg", 0, &out), 1);
    EXPECT_TRUE(IsWindowEnabled(owner_));
    // The picture a BMP file of 54 + 120 x 30 bytes holds, without its 14-byte file header.
    EXPECT_EQ(out.size(), 40u + 120u * 30u);
    EXPECT_EQ(DibWidth(out), DibWidth(in));
    EXPECT_EQ(DibHeight(out), DibHeight(in));
    // No progress dialog is left behind.
    EXPECT_EQ(FindWindowA("#32770", "Vistrel"), nullptr);
    SetCodingFrame(nullptr);
    DeleteFileA(bmp.c_str());
    DeleteFileA(jpg.c_str());
}

int g_app_messages = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
        ++g_app_messages;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

TEST_F(Dialogs, CodingAnswersWaitingMessagesAndGivesTheFrameBack) {
    std::string bmp = TempFilePath("in3.bmp"), jpg = TempFilePath("out3.jpg");
    WriteTestBmp(bmp);
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VistrelCountingWindow";
    RegisterClassA(&wc);
    HWND other = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 wc.hInstance, nullptr);
    ASSERT_NE(other, nullptr);
    SetCodingFrame(owner_);
    WinMessagePump pump;
    Platform seams = Plat();
    seams.pump = &pump;
    ScopedPlatform scoped(seams);
    // A message waiting when the coding starts is handled by the coding's own drains,
    // however quickly the picture goes by.
    g_app_messages = 0;
    PostMessageA(other, WM_APP, 0, 0);
    EXPECT_EQ(CompressPictureWithProgress(owner_, LoadBmpFile(bmp), jpg, "out3.jpg", 75), 1);
    EXPECT_EQ(g_app_messages, 1);
    EXPECT_TRUE(IsWindowEnabled(owner_));
    PostMessageA(other, WM_APP, 0, 0);
    DibImage out;
    EXPECT_EQ(ExtractPictureWithProgress(owner_, jpg, "out3.jpg", 0, &out), 1);
    EXPECT_EQ(g_app_messages, 2);
    EXPECT_TRUE(IsWindowEnabled(owner_));
    SetCodingFrame(nullptr);
    DestroyWindow(other);
    DeleteFileA(bmp.c_str());
    DeleteFileA(jpg.c_str());
}

TEST_F(Dialogs, ExtractUsesTheCameraOperationsDialogAndLeavesItOpen) {
    std::string bmp = TempFilePath("in2.bmp"), jpg = TempFilePath("out2.jpg");
    WriteTestBmp(bmp);
    ASSERT_EQ(CompressPictureWithProgress(owner_, LoadBmpFile(bmp), jpg, "out2.jpg", 75), 1);
    ASSERT_TRUE(ShowMeter());
    HWND dlg = MeterWindow();
    DibImage out;
    EXPECT_EQ(ExtractPictureWithProgress(owner_, jpg, "DSC0001.jpg", 0, &out), 1);
    ASSERT_TRUE(IsWindow(dlg));
    EXPECT_EQ(MeterWindow(), dlg);
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_METER_TITLE)), "Now extracting image.");
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_METER_DETAIL)), "File Name: DSC0001.jpg");
    // The decoder moved the bar of this dialog along its range of 25.
    EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_METER, kMeterGetRange, 0, 0), 25);
    EXPECT_GT(SendDlgItemMessageA(dlg, IDC_METER, kMeterGetPos, 0, 0), 0);
    HideMeter();
    DeleteFileA(bmp.c_str());
    DeleteFileA(jpg.c_str());
}

}  // namespace
