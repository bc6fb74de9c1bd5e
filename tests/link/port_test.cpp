#include <gtest/gtest.h>

#include "link/link_profile.h"
#include "link/port.h"
#include "support/fakes.h"
#include "support/scripted_port.h"

namespace {

struct PortTest : ::testing::Test {
    FakePlatform fp;
    ScriptedDriver driver;
    CameraLink s;
    void SetUp() override {
        s.driver = &driver;
        SetPacedWrite(false);
        SetPaceCount(1);
    }
    void TearDown() override { SetPacedWrite(false); }
};

TEST(PortName, OnlyCom1ToCom4AreKept) {
    EXPECT_EQ(NormalizePortName("com3"), "COM3");
    EXPECT_EQ(NormalizePortName("CoM4"), "COM4");
    EXPECT_EQ(NormalizePortName("COM2"), "COM2");
    for (const char* bad : {"COM5", "COM", "COM10", "COM0", "", "LPT1", "COMX"})
        EXPECT_EQ(NormalizePortName(bad), "COM1") << bad;
    SelectLinkProfile(PluginLinkProfile());
    EXPECT_EQ(NormalizePortName("com3"), "COM1");
    EXPECT_EQ(NormalizePortName("COM3"), "COM3");
    SelectLinkProfile(ProgramLinkProfile());
}

TEST_F(PortTest, OpenConfiguresTheCameraLineFormat) {
    driver.line.line.dtr = DtrControl::kEnable;
    driver.line.line.xon_in = true;
    driver.line.line.baud_rate = 115200;
    driver.line.line.parity = 2;
    ASSERT_EQ(OpenPort(s), kLinkOk);
    ASSERT_TRUE(s.port);
    const LineSettings& l = driver.line.line;
    EXPECT_EQ(l.baud_rate, 9600u);
    EXPECT_TRUE(l.binary);
    EXPECT_FALSE(l.parity_check || l.cts_flow || l.dsr_flow || l.dsr_sensitivity ||
                 l.tx_continue_on_xoff || l.xon_in || l.xon_out || l.error_char || l.null_strip ||
                 l.abort_on_error);
    EXPECT_EQ(l.dtr, DtrControl::kDisable);
    EXPECT_EQ(l.rts, RtsControl::kHandshake);
    EXPECT_EQ(l.byte_size, 8);
    EXPECT_EQ(l.parity, 0);
    EXPECT_EQ(l.stop_bits, 0);
    EXPECT_EQ(driver.line.in_queue_size, 6000u);
    EXPECT_EQ(driver.line.out_queue_size, 6000u);
    EXPECT_EQ(driver.line.timeouts.read_interval, 0xFFFFFFFFu);
    EXPECT_EQ(driver.line.timeouts.read_total_multiplier, 0u);
    EXPECT_EQ(driver.line.timeouts.read_total_constant, 0u);
    EXPECT_EQ(driver.line.timeouts.write_total_multiplier, 5u);
    EXPECT_EQ(driver.line.timeouts.write_total_constant, 4000u);
    EXPECT_TRUE(fp.prompts.boxes.empty());
}

TEST_F(PortTest, OpenFailuresGiveTheirCodesAndCloseThePort) {
    s.port_name = "COM2";
    EXPECT_EQ(OpenPort(s), kLinkOpenFailed);
    EXPECT_EQ(fp.prompts.Texts(), std::vector<std::string>{"Failed to open COM Port."});
    s.port_name = "COM1";
    struct Case {
        bool ScriptedLine::*flag;
        LinkError code;
    };
    for (Case c : {Case{&ScriptedLine::fail_queue, kLinkQueueSizes},
                   Case{&ScriptedLine::fail_get, kLinkGetState},
                   Case{&ScriptedLine::fail_set, kLinkSetState},
                   Case{&ScriptedLine::fail_timeouts, kLinkTimeouts}}) {
        fp.prompts.boxes.clear();
        driver.line = ScriptedLine{};
        driver.line.*c.flag = true;
        EXPECT_EQ(OpenPort(s), c.code);
        EXPECT_FALSE(s.port);
        EXPECT_EQ(fp.prompts.Texts(),
                  std::vector<std::string>{"Unexpected error has occurred during COM Port open."});
        fp.prompts.boxes.clear();
        EXPECT_EQ(OpenPortQuiet(s), c.code);
        EXPECT_TRUE(fp.prompts.boxes.empty());
    }
}

TEST_F(PortTest, SpeedCodesAndPacing) {
    ASSERT_EQ(OpenPort(s), kLinkOk);
    EXPECT_EQ(SetPortSpeed(*s.port, 4), kLinkFailed);
    EXPECT_EQ(fp.prompts.Texts(),
              std::vector<std::string>{"Unexpected error has occurred during COM Port open."});
    struct Case {
        BaudCode code;
        uint32_t rate;
        bool paced;
    };
    for (Case c : {Case{13, 19200, false}, Case{1, 38400, false}, Case{2, 9600, false},
                   Case{3, 57600, true}, Case{0, 115200, true}}) {
        SetPacedWrite(false);
        EXPECT_EQ(SetPortSpeed(*s.port, c.code), kLinkOk);
        EXPECT_EQ(driver.line.line.baud_rate, c.rate);
        EXPECT_EQ(PacedWrite(), c.paced) << int(c.code);
    }
    // Going down to a slower speed leaves the flag as it was.
    EXPECT_EQ(SetPortSpeed(*s.port, kBaud9600Code), kLinkOk);
    EXPECT_TRUE(PacedWrite());
    // The plug-in takes an unknown code as the top speed.
    SelectLinkProfile(PluginLinkProfile());
    EXPECT_EQ(SetPortSpeed(*s.port, 4), kLinkOk);
    SelectLinkProfile(ProgramLinkProfile());
    EXPECT_EQ(driver.line.line.baud_rate, 115200u);
    driver.line.fail_set = true;
    EXPECT_EQ(SetPortSpeed(*s.port, 1), kLinkSetState);
}

TEST_F(PortTest, PacedWriteSendsOneByteAtATimeWithPausesBetween) {
    ASSERT_EQ(OpenPort(s), kLinkOk);
    SetPacedWrite(true);
    SetPaceCount(50);
    uint8_t packet[17] = {};
    uint64_t reads_before = fp.clock.total_reads;
    ASSERT_EQ(WritePacket(s, packet, 17), kLinkOk);
    EXPECT_EQ(driver.line.write_sizes, std::vector<uint32_t>(17, 1));
    // Sixteen pauses of pace-count clock reads, none after the last byte.
    EXPECT_EQ(fp.clock.total_reads - reads_before, 16u * 50u);
    SetPacedWrite(false);
    driver.line.write_sizes.clear();
    ASSERT_EQ(WritePacket(s, packet, 17), kLinkOk);
    EXPECT_EQ(driver.line.write_sizes, std::vector<uint32_t>{17});
}

TEST_F(PortTest, WriteFailuresGiveTheirCodes) {
    ASSERT_EQ(OpenPort(s), kLinkOk);
    uint8_t packet[4] = {};
    driver.line.fail_purge = true;
    EXPECT_EQ(WritePacket(s, packet, 4), kLinkPurge);
    driver.line.fail_purge = false;
    driver.line.fail_write = true;
    SetPacedWrite(true);
    EXPECT_EQ(WritePacket(s, packet, 4), kLinkWriteFailed);
    EXPECT_EQ(fp.prompts.Texts(),
              (std::vector<std::string>{
                  "Unexpected error has occurred during image transfer.",
                  "Cannot access Camera.\nMake sure Camera is turned on and properly connected."}));
}

TEST_F(PortTest, BusyWaitRecalibratesThePaceCountAndSleepsTheRest) {
    // The first 20 ms are counted: with R clock reads a millisecond the loop reads
    // 21 * R - 1 times (the first read starts it) for 100 pauses of 200 us.
    fp.clock.reads_per_ms = 10;
    fp.clock.reads = 0;
    uint32_t start = fp.clock.now;
    BusyWait(200);
    EXPECT_EQ(fp.clock.now - start, 201u);
    EXPECT_EQ(PaceCount(), 209u / 100u);
    ASSERT_EQ(fp.clock.sleeps.size(), 1u);
    EXPECT_EQ(fp.clock.sleeps[0].ms, 180u);  // everything after the count blocks
    fp.clock.reads_per_ms = 1000;
    fp.clock.reads = 0;
    BusyWait(1000);
    EXPECT_EQ(PaceCount(), 20999u / 100u);
    fp.clock.reads_per_ms = 1;
    fp.clock.reads = 0;
    BusyWait(1000);
    EXPECT_EQ(PaceCount(), 0u);
    // A wait shorter than the count window is counted whole and never sleeps.
    fp.clock.sleeps.clear();
    fp.clock.reads_per_ms = 100;
    fp.clock.reads = 0;
    BusyWait(5);
    EXPECT_TRUE(fp.clock.sleeps.empty());
    EXPECT_EQ(PaceCount(), 599u / 25u);
}

TEST_F(PortTest, SettableSpeeds) {
    EXPECT_EQ(SettableSpeeds(driver, "COM1"), int64_t(kBaud9600 | kBaud38400));
    EXPECT_EQ(SettableSpeeds(driver, "COM2"), 0);
    driver.line.prop_version = 1;
    EXPECT_EQ(SettableSpeeds(driver, "COM1"), -1);
}

}  // namespace
