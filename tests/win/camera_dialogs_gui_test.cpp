// The port setup and clock dialogs driven as a user would (radio buttons, typed fields, OK,
// Cancel, Auto Setup), over the simulated camera in-process on a fake clock.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "base/platform.h"
#include "base/region.h"
#include "base/win/win_prompts.h"
#include "browser/win/camera_dialogs_win.h"
#include "gui_harness.h"
#include "link/port.h"
#include "link/protocol.h"
#include "res/resource.h"
#include "sim/sim_driver.h"

namespace {

void Click(HWND dlg, int id) {
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

// A radio button as a click leaves it: checked alone in its group, then the notification.
void Choose(HWND dlg, int id, int first, int last) {
    CheckRadioButton(dlg, first, last, id);
    Click(dlg, id);
}

std::string Setting(SettingsStore& st, const char* key) {
    return GetSetting(st, key, "(none)");
}

class CameraDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        boxes::Start();
        boxes::Clear();
        Platform p = Plat();
        p.prompts = &prompts_;
        p.settings = &settings_;
        p.time = &clock_;
        scope_ = std::make_unique<ScopedPlatform>(p);
        SetRegionCode(kRegionEnglish);
        SetPacedWrite(false);
    }
    void TearDown() override {
        scope_.reset();
        EXPECT_EQ(boxes::UnexpectedCount(), 0);
    }
    // A camera of the model on the named port, reached through s.
    void Camera(int model, const char* port) {
        SimConfig cfg;
        cfg.model = model;
        cfg.images = 3;
        cam_ = MakeSimCamera(cfg);
        driver_ = std::make_unique<SimDriver>(*cam_, port);
        s_.driver = driver_.get();
    }

    WinPrompts prompts_;
    MemorySettings settings_;
    FakeClock clock_;
    std::unique_ptr<ScopedPlatform> scope_;
    std::unique_ptr<SimCamera> cam_;
    std::unique_ptr<SimDriver> driver_;
    CameraSession s_;
};

TEST_F(CameraDialogs, PortSetupRemembersOkAndPutsTheSpeedBackOnCancel) {
    Camera(2, "COM3");
    settings_.Set("com", "com1");
    HWND dlg = CreatePortSetupWindow(s_, nullptr);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(WindowText(dlg), "Communication Setup");
    // No remembered speed: the first the driver can set of 38400, 57600, ...
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_PORT_COM1), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_SPEED_38400), BST_CHECKED);
    ShowWindow(dlg, SW_SHOW);
    SaveWindowShot(dlg, "vistrel-port-setup");
    Choose(dlg, IDC_PORT_COM2, IDC_PORT_COM1, IDC_PORT_COM4);
    Choose(dlg, IDC_SPEED_115200, IDC_SPEED_9600, IDC_SPEED_115200);
    Click(dlg, IDOK);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(Setting(settings_, "com"), "COM2");
    EXPECT_EQ(Setting(settings_, "baudrate"), "1152");

    dlg = CreatePortSetupWindow(s_, nullptr);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_PORT_COM2), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_SPEED_115200), BST_CHECKED);
    Choose(dlg, IDC_SPEED_19200, IDC_SPEED_9600, IDC_SPEED_115200);
    Click(dlg, IDCANCEL);
    EXPECT_EQ(Setting(settings_, "baudrate"), "1152");
}

TEST_F(CameraDialogs, AutoSetupFindsTheCameraOnCom3) {
    Camera(2, "COM3");
    settings_.Set("com", "COM1");
    settings_.Set("baudrate", "576");
    HWND dlg = CreatePortSetupWindow(s_, nullptr);
    ASSERT_NE(dlg, nullptr);
    Click(dlg, IDC_AUTO_SETUP);
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_PORT_COM3), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_PORT_COM1), BST_UNCHECKED);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDOK)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDCANCEL)));
    Click(dlg, IDOK);
    EXPECT_EQ(Setting(settings_, "com"), "COM3");
    EXPECT_EQ(Setting(settings_, "baudrate"), "576");  // the chosen speed stays
}

TEST_F(CameraDialogs, ClockShowsTheCameraTimeAndSetsWhatWasTyped) {
    Camera(2, "COM1");
    ASSERT_EQ(OpenPort(s_), kLinkOk);
    int digit = 0;
    ASSERT_EQ(SigIdentify(s_, &digit), kLinkOk);
    s_.model = 2;
    ASSERT_EQ(SeqPlayMode(s_), kLinkOk);
    SimSetClock(*cam_, 2001, 3, 14, 21, 26);

    HWND dlg = CreateClockWindow(s_, nullptr);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_CLOCK_YEAR)), "2001");
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_CLOCK_MONTH)), "3");
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_CLOCK_DAY)), "14");
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_CLOCK_HOUR)), "09");
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_CLOCK_MINUTE)), "26");
    EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_CLOCK_PM), BST_CHECKED);
    ShowWindow(dlg, SW_SHOW);
    SaveWindowShot(dlg, "vistrel-clock");

    // Too long for its field: the remembered text comes back.
    SetDlgItemTextA(dlg, IDC_CLOCK_YEAR, "20055");
    EXPECT_EQ(WindowText(GetDlgItem(dlg, IDC_CLOCK_YEAR)), "2001");
    // A month of 13: the year is sent, the month gets the focus, the dialog stays.
    SetDlgItemTextA(dlg, IDC_CLOCK_YEAR, "2005");
    SetDlgItemTextA(dlg, IDC_CLOCK_MONTH, "13");
    Click(dlg, IDC_CLOCK_OK);
    ASSERT_TRUE(IsWindow(dlg));
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_CLOCK_MONTH));
    int y, mo, d, h, mi;
    SimGetClock(*cam_, &y, &mo, &d, &h, &mi);
    EXPECT_EQ(y, 2005);
    EXPECT_EQ(mo, 3);

    SetDlgItemTextA(dlg, IDC_CLOCK_MONTH, "12");
    SetDlgItemTextA(dlg, IDC_CLOCK_DAY, "31");
    SetDlgItemTextA(dlg, IDC_CLOCK_HOUR, "11");
    SetDlgItemTextA(dlg, IDC_CLOCK_MINUTE, "59");
    Click(dlg, IDC_CLOCK_OK);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(LastClockResult(), kLinkOk);
    SimGetClock(*cam_, &y, &mo, &d, &h, &mi);
    EXPECT_EQ(y, 2005);
    EXPECT_EQ(mo, 12);
    EXPECT_EQ(d, 31);
    EXPECT_EQ(h, 23);  // PM
    EXPECT_EQ(mi, 59);
}

TEST_F(CameraDialogs, ClockThatCannotBeReadClosesAtOnce) {
    Camera(2, "COM1");
    ASSERT_EQ(OpenPort(s_), kLinkOk);
    s_.model = 2;
    ASSERT_TRUE(AddSimFault(*cam_, "noreply:53"));
    boxes::Expect(IDOK);  // "Cannot access Camera."
    HWND dlg = CreateClockWindow(s_, nullptr);
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(dlg); }, 5000));
    EXPECT_EQ(LastClockResult(), kLinkTimeout);
    for (uint32_t ms : clock_.sleeps) EXPECT_LT(ms, 1000u) << "no Cancel pause";
}

}  // namespace
