#include <gtest/gtest.h>

#include "app/camera_busy.h"

namespace {
int g_calls = 0;
bool g_busy_in_hook = true;
void Hook() {
    ++g_calls;
    g_busy_in_hook = CameraBusy();
}
}  // namespace

TEST(CameraBusy, EndOfSessionClearsTheFlagBeforeTheFrameIsTold) {
    g_calls = 0;
    SetCameraCommandsHook(Hook);
    SetCameraBusy(true);
    EXPECT_TRUE(CameraBusy());
    EndCameraSession();
    EXPECT_FALSE(CameraBusy());
    EXPECT_EQ(g_calls, 1);
    EXPECT_FALSE(g_busy_in_hook);
    SetCameraCommandsHook(nullptr);
    SetCameraBusy(true);
    EndCameraSession();  // no frame: only the flag
    EXPECT_FALSE(CameraBusy());
    EXPECT_EQ(g_calls, 1);
}
