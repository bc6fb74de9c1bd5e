// The frame fixture of the GUI tests; see gui_frame.h.
#include "gui_frame.h"

#include "app/win/app.h"
#include "base/platform.h"
#include "base/region.h"
#include "codec/bmp_file.h"

HWND StartFrame(const std::string& settings_file, int region) {
    StartupOptions options;
    options.region_override = region;
    options.settings_file = settings_file;
    options.splash_ms = 10;
    return AppStartup(GetModuleHandleA(nullptr), "", SW_SHOWNORMAL, options);
}

void FrameTest::SetUp() {
    boxes::Start();
    boxes::Clear();
    dialogs::Clear();
    ini_ = TempFilePath(settings_name_);
    DeleteFileA(ini_.c_str());
    if (clock_) Plat().time = clock_;
    frame_ = StartFrame(ini_);
    ASSERT_NE(frame_, nullptr);
    ASSERT_TRUE(PumpUntil([] { return App().splash_done; }, 10000));
}

void FrameTest::TearDown() {
    if (frame_ && IsWindow(frame_)) SendMessageA(frame_, WM_CLOSE, 0, 0);
    PumpWindowsFor(20);
    TakeQuitSeen();
    DeleteFileA(ini_.c_str());
    EXPECT_EQ(boxes::UnexpectedCount(), 0);
    EXPECT_EQ(boxes::PendingExpectations(), 0);
    EXPECT_EQ(dialogs::Pending(), 0);
    if (clock_) Plat().time = &SystemTimeSource();
}

bool WriteTestBmp(const std::string& path, int w, int h) {
    DibImage d = NewDib(w, h, 24, 0);
    if (!d) return false;
    for (size_t i = kInfoHeaderSize; i < d.size(); ++i) d.data()[i] = static_cast<uint8_t>(i * 7);
    return SaveBmpFile(path, d) == 1;
}
