// The real serial drivers against vistrel-camsim on a pseudo-terminal: termios natively, the
// Win32 comm API under Wine (where COM1 is mapped to the simulator's terminal). The clock is the
// real one here, since the bytes cross a real terminal.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/messages.h"
#include "link/port.h"
#include "link/protocol.h"
#include "support/fakes.h"
#ifdef _WIN32
#include "link/win/win32_serial.h"
#else
#include "link/posix/posix_serial.h"
#endif

namespace {

int CameraModel() {
    const char* m = std::getenv("VISTREL_CAMSIM_MODEL");
    return m ? std::atoi(m) : 2;
}

struct SerialE2E : ::testing::Test {
    RecordingPrompts prompts;
    RecordingView view;
    NullMessagePump pump;
    MemorySettings settings;
    ScopedPlatform scope{Platform{&SystemTimeSource(), &pump, &prompts, &settings, &view}};
#ifdef _WIN32
    Win32SerialDriver driver;
#else
    PosixSerialDriver driver;
#endif
    CameraLink s;
    void SetUp() override {
#ifndef _WIN32
        const char* link = std::getenv("VISTREL_CAMSIM_LINK");
        ASSERT_NE(link, nullptr) << "run through scripts/run-with-camsim";
        driver.devices["COM1"] = link;
        driver.devices["COM4"] = std::string(link) + ".missing";
#endif
        s.driver = &driver;
        SetPacedWrite(false);
    }
};

TEST_F(SerialE2E, SpeedChangeIdentifyAndBlockRead) {
    s.port_name = "COM1";
    ASSERT_EQ(OpenPort(s), kLinkOk);
    ASSERT_EQ(SigSetSpeed(s, kBaud38400Code), kLinkOk);
    ASSERT_EQ(SetPortSpeed(*s.port, kBaud38400Code), kLinkOk);
    BusyWait(200);
    int digit = 0;
    ASSERT_EQ(SigIdentify(s, &digit), kLinkOk);
    const int model = CameraModel();
    EXPECT_EQ(digit, model);
    uint32_t size = 0;
    if (model == 1) {
        ASSERT_EQ(SigPlayMode(s), kLinkOk);
        ASSERT_EQ(SigImageList(s), kLinkOk);
        EXPECT_GE(s.reply_data_length, 2u);
        ASSERT_EQ(SigImageSize(s, 1, &size), kLinkOk);
    } else {
        s.model = 2;
        ASSERT_EQ(SeqPlayMode(s), kLinkOk);
        uint32_t count = 0;
        ASSERT_EQ(SeqImageCount(s, &count), kLinkOk);
        EXPECT_GE(count, 1u);
        ASSERT_EQ(SeqThumbnailSize(s, 1, &size), kLinkOk);
    }
    ASSERT_GT(size, 2u);
    ASSERT_LT(size, 4u << 20);
    const uint32_t blocks = (size + 1023) / 1024;
    ASSERT_TRUE(s.image.Allocate(size_t(blocks) * 1024));
    if (model == 1) {
        ASSERT_EQ(SigReadBlocks(s, blocks, true), kLinkOk);
        EXPECT_EQ(view.positions.size(), blocks);
    } else {
        ASSERT_EQ(SeqReadBlocks(s, blocks, true), kLinkOk);
    }
    EXPECT_EQ(s.image.data()[0], 0xFF);
    EXPECT_EQ(s.image.data()[1], 0xD8);
    EXPECT_EQ(s.image.data()[size - 2], 0xFF);
    EXPECT_EQ(s.image.data()[size - 1], 0xD9);
    s.model = model;
    EXPECT_EQ(EndSessionCommand(s), kLinkOk);
    ClosePort(s);
    EXPECT_TRUE(prompts.boxes.empty());
    // The camera went back to 9600 after the end of the session: a new session starts there.
    ASSERT_EQ(OpenPort(s), kLinkOk);
    EXPECT_EQ(SigSetSpeed(s, kBaud9600Code), kLinkOk);
    ClosePort(s);
}

TEST_F(SerialE2E, MissingDeviceCannotBeOpened) {
    // COM4 has no device behind it (Wine's prefix leaves it unmapped).
    s.port_name = "COM4";
    EXPECT_EQ(OpenPort(s), kLinkOpenFailed);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"Failed to open COM Port."});
    EXPECT_EQ(SettableSpeeds(driver, "COM4"), 0);
}

}  // namespace
