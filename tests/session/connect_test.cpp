#include <gtest/gtest.h>

#include "base/messages.h"
#include "link/port.h"
#include "link/protocol.h"
#include "link/session/image_list.h"
#include "link/session/start_status.h"
#include "link/session/session_ops.h"
#include "session_fakes.h"

namespace {

const char* kCannotAccess =
    "Cannot access Camera.\nMake sure Camera is turned on and properly connected.";

bool Has(const std::vector<std::string>& v, const std::string& x) {
    return std::find(v.begin(), v.end(), x) != v.end();
}

struct ConnectTest : ::testing::Test {
    void SetUp() override { ProgramStartNoticeTimes() = StartNoticeTimes{}; }
};

TEST_F(ConnectTest, BrowseModel2NegotiatesIdentifiesCountsAndHandsTheSessionToTheBrowser) {
    SimSession t(2, 7);
    int count_seen = 0;
    t.ui.on_browser = [&](CameraSession& s) {
        count_seen = s.image_count;
        return kLinkOk;
    };
    ASSERT_EQ(Connect(t.s, ConnectPurpose::kBrowse), kLinkOk);
    EXPECT_EQ(count_seen, 7);
    EXPECT_EQ(t.s.model, 2);
    // "baudrate" missing: the session runs at 38400 and remembers it.
    EXPECT_EQ(t.s.speed_code, kBaud38400Code);
    EXPECT_EQ(SimSpeedCode(*t.cam), kBaud38400Code);
    EXPECT_EQ(t.fp.settings.values["baudrate"], "384");
    EXPECT_EQ(t.ui.events, (std::vector<std::string>{"notice on", "notice off", "browser"}));
    EXPECT_TRUE(t.s.port) << "the browser owns the open port";
    EXPECT_TRUE(t.fp.prompts.boxes.empty());
    EndBrowserSession(t.s);
    EXPECT_FALSE(t.s.port);
    EXPECT_EQ(SimSpeedCode(*t.cam), kBaud9600Code);  // end session: back to power-on speed
    EXPECT_EQ(t.ui.events.back(), "commands enabled");
}

TEST_F(ConnectTest, CameraLeftAt115200IsFoundByTheFirstFallback) {
    SimSession t(2, 3);
    ASSERT_TRUE(AddSimFault(*t.cam, "speed:0"));
    t.fp.settings.values["baudrate"] = "9600";
    t.ui.on_browser = [](CameraSession&) { return kLinkOk; };
    ASSERT_EQ(Connect(t.s, ConnectPurpose::kBrowse), kLinkOk);
    EXPECT_EQ(t.s.speed_code, kBaud115200Code);
    EXPECT_EQ(t.fp.settings.values["baudrate"], "1152");
    EXPECT_TRUE(t.fp.prompts.boxes.empty());
    EXPECT_TRUE(PacedWrite());
    EndBrowserSession(t.s);
}

TEST_F(ConnectTest, NoCameraAtAnySpeedEndsWithCannotAccess) {
    SimSession t(2, 3);
    ASSERT_TRUE(AddSimFault(*t.cam, "noreply:4"));
    EXPECT_EQ(Connect(t.s, ConnectPurpose::kBrowse), kLinkTimeout);
    EXPECT_EQ(t.fp.prompts.Texts(), std::vector<std::string>{kCannotAccess});
    EXPECT_FALSE(t.s.port);
    EXPECT_TRUE(Has(t.ui.events, "commands enabled"));
    EXPECT_EQ(t.ui.events.front(), "notice on");
    EXPECT_TRUE(Has(t.ui.events, "notice off"));
    // Every fallback was tried; the last one was 19200.
    EXPECT_EQ(t.s.speed_code, kBaud19200Code);
}

TEST_F(ConnectTest, CameraLeftAt19200IsFoundByTheLastFallback) {
    for (const char* wanted : {"384", "192"}) {
        SCOPED_TRACE(wanted);
        ProgramStartNoticeTimes() = StartNoticeTimes{};
        SimSession t(2, 3);
        ASSERT_TRUE(AddSimFault(*t.cam, "speed:13"));
        t.fp.settings.Set("baudrate", wanted);
        EXPECT_EQ(Connect(t.s, ConnectPurpose::kBrowse), kLinkOk);
        EXPECT_TRUE(t.fp.prompts.boxes.empty());
        EXPECT_EQ(t.s.image_count, 3);
        EXPECT_EQ(GetSetting(t.fp.settings, "baudrate", ""), "192");
    }
}

TEST_F(ConnectTest, NotDoneFromTheCameraAsksToRestartIt) {
    // The camera still runs at 115200 and answers "not done" there.
    SimSession t(2, 3);
    ASSERT_TRUE(AddSimFault(*t.cam, "speed:0"));
    ASSERT_TRUE(AddSimFault(*t.cam, "status:4:1"));
    EXPECT_EQ(Connect(t.s, ConnectPurpose::kBrowse), kLinkNotDone);
    EXPECT_EQ(t.fp.prompts.Texts(),
              std::vector<std::string>{
                  "Data error has occurred.\nPlease turn off the camera and turn on again."});
}

TEST_F(ConnectTest, TheSecondConnectWaitsEightSecondsAfterTheFirstNoticeClosed) {
    SimSession t(1, 2);
    t.ui.on_list = [](CameraSession&) { return kLinkOk; };
    // The pause, if any, is the sleep that starts as the notice comes up.
    auto notice_pause = [&]() -> const FakeClock::Nap* {
        for (const FakeClock::Nap& n : t.fp.clock.sleeps)
            if (n.at - t.ui.notice_on_at <= 2) return &n;
        return nullptr;
    };
    ASSERT_EQ(Connect(t.s, ConnectPurpose::kBrowse), kLinkOk);
    EXPECT_EQ(notice_pause(), nullptr);  // the first connect of a run does not wait
    const uint32_t closed = ProgramStartNoticeTimes().last_hidden;
    t.fp.clock.sleeps.clear();
    ASSERT_EQ(Connect(t.s, ConnectPurpose::kBrowse), kLinkOk);
    const FakeClock::Nap* pause = notice_pause();
    ASSERT_NE(pause, nullptr);
    EXPECT_LE(pause->ms, 8000u);
    // The sleep ended exactly 8 s after the previous notice closed.
    EXPECT_GE(pause->at + pause->ms - closed, 8000u);
    EXPECT_LE(pause->at + pause->ms - closed, 8002u);  // the fake notice reads the clock too
}

TEST_F(ConnectTest, Model1BrowseRunsTheListDialogAndEndsTheSession) {
    SimSession t(1, 3);
    ImageListModel list;
    t.ui.on_list = [&](CameraSession& s) {
        BuildImageList(s, &list);
        return kLinkOk;
    };
    ASSERT_EQ(Connect(t.s, ConnectPurpose::kBrowse), kLinkOk);
    EXPECT_EQ(t.s.model, 1);
    EXPECT_EQ(t.s.image_count, 3);
    ASSERT_EQ(list.lines.size(), 3u);
    EXPECT_EQ(list.lines[0].rfind("Image No.1::", 0), 0u);
    EXPECT_FALSE(t.s.port);
    EXPECT_EQ(SimRequests(*t.cam).back()[16], kSigEndSession);
    EXPECT_EQ(t.ui.events, (std::vector<std::string>{"notice on", "notice off", "list dialog",
                                                     "commands enabled"}));
}

TEST_F(ConnectTest, EmptyCameraEndsTheSessionAfterItsMessage) {
    SimSession t(2, 0);
    EXPECT_EQ(Connect(t.s, ConnectPurpose::kBrowse), kLinkNoImage);
    EXPECT_EQ(t.fp.prompts.Texts(), std::vector<std::string>{"This Camera has no stored images."});
    EXPECT_FALSE(Has(t.ui.events, "browser"));
    EXPECT_EQ(SimRequests(*t.cam).back()[3], kSeqEndSession);
    EXPECT_FALSE(t.s.port);
}

TEST_F(ConnectTest, PortThatCannotOpenOnlyGivesTheCommandsBack) {
    SimSession t(2, 3, "COM2");
    EXPECT_EQ(Connect(t.s, ConnectPurpose::kBrowse), kLinkOpenFailed);
    EXPECT_EQ(t.ui.events, std::vector<std::string>{"commands enabled"});
    EXPECT_EQ(t.fp.prompts.Texts(), std::vector<std::string>{"Failed to open COM Port."});
}

TEST_F(ConnectTest, NoticeThatCannotBeShownFailsTheConnect) {
    SimSession t(2, 3);
    t.ui.notice_fails = true;
    EXPECT_EQ(Connect(t.s, ConnectPurpose::kBrowse), kLinkFailed);
    EXPECT_EQ(t.fp.prompts.Texts(), std::vector<std::string>{"The error not to expect occurred."});
    EXPECT_FALSE(t.s.port);
}

TEST_F(ConnectTest, ClockOnModel1IsNotAvailable) {
    SimSession t(1, 2);
    EXPECT_EQ(Connect(t.s, ConnectPurpose::kClock), kLinkDataError);
    EXPECT_EQ(t.fp.prompts.Texts(),
              std::vector<std::string>{"This function is not available on this camera."});
    EXPECT_FALSE(Has(t.ui.events, "clock dialog"));
    EXPECT_EQ(SimRequests(*t.cam).back()[16], kSigEndSession);
    EXPECT_FALSE(t.s.port);
}

TEST_F(ConnectTest, ClockOnModel3ProbesTheModelAndRunsTheDialog) {
    SimSession t(3, 2);
    int model_in_dialog = 0;
    t.ui.on_clock = [&](CameraSession& s) {
        model_in_dialog = s.model;
        return kLinkOk;
    };
    ASSERT_EQ(Connect(t.s, ConnectPurpose::kClock), kLinkOk);
    EXPECT_EQ(model_in_dialog, 3);
    EXPECT_EQ(SimRequests(*t.cam).back()[3], kSeqEndSession);
    EXPECT_FALSE(t.s.port);
}

TEST_F(ConnectTest, AutoSetupFindsTheCameraOnCom3AndKeepsTheChosenSpeed) {
    SimSession t(2, 1, "COM3");
    t.fp.settings.values["com"] = "COM1";
    t.fp.settings.values["baudrate"] = "1152";
    PortSetupState ps = PortSetupOpen(t.s);
    EXPECT_EQ(ps.port, "COM1");
    EXPECT_EQ(ps.code, kBaud115200Code);
    EXPECT_EQ(PortSetupAutoSetup(t.s, ps), 3);
    EXPECT_EQ(ps.port, "COM3");
    EXPECT_EQ(ps.code, kBaud115200Code);
    EXPECT_EQ(t.fp.settings.values["baudrate"], "1152");
    EXPECT_TRUE(t.fp.prompts.boxes.empty());
    EXPECT_EQ(SimSpeedCode(*t.cam), kBaud9600Code);
    EXPECT_FALSE(t.s.port);
    PortSetupOk(ps);
    EXPECT_EQ(t.fp.settings.values["com"], "COM3");
}

TEST_F(ConnectTest, PortSetupChoosesAnInitialSpeedFromTheDriverMask) {
    EXPECT_EQ(InitialSpeedFromMask(kBaud9600 | kBaud57600), kBaud57600Code);
    EXPECT_EQ(InitialSpeedFromMask(kBaud9600 | kBaud115200), kBaud9600Code);
    EXPECT_EQ(InitialSpeedFromMask(0x1), kBaud38400Code);  // names no speed of ours
    EXPECT_EQ(InitialSpeedFromMask(-1), kBaud38400Code);
    SimSession t(2, 1);
    t.fp.settings.values["baudrate"] = "777";
    PortSetupState ps = PortSetupOpen(t.s);
    EXPECT_EQ(ps.code, kBaud38400Code);  // the simulator's port can set every speed
    ps.code = kBaud9600Code;
    PortSetupCancel(ps);
    EXPECT_EQ(ps.code, kBaud38400Code);
    EXPECT_EQ(t.fp.settings.values["baudrate"], "384");
}

TEST(SpeedSettings, ReadAndWrittenForms) {
    EXPECT_EQ(SpeedCodeOfSetting("192"), kBaud19200Code);
    EXPECT_EQ(SpeedCodeOfSetting("576"), kBaud57600Code);
    EXPECT_EQ(SpeedCodeOfSetting("1152"), kBaud115200Code);
    EXPECT_EQ(SpeedCodeOfSetting("9600"), kBaud9600Code);
    EXPECT_EQ(SpeedCodeOfSetting("384"), kBaud38400Code);
    EXPECT_EQ(SpeedCodeOfSetting("fast"), kBaud38400Code);
    EXPECT_EQ(SettingOfSpeedCode(0), "1152");
    EXPECT_EQ(SettingOfSpeedCode(13), "192");
    EXPECT_EQ(SettingOfSpeedCode(7), "384");
}

}  // namespace
