#include <gtest/gtest.h>

#include "link/session/start_status.h"

TEST(StartNotice, FirstNoticeOfTheRunDoesNotWait) {
    StartNoticeTimes t;
    EXPECT_EQ(StartNoticeWait(t, 123456), 0u);
}

TEST(StartNotice, SecondNoticeWithinThreeSecondsWaitsTheRemainder) {
    StartNoticeTimes t;
    StartNoticeHidden(t, 10000);
    EXPECT_EQ(StartNoticeWait(t, 13000), 5000u);
    EXPECT_EQ(StartNoticeWait(t, 10000), 8000u);
    EXPECT_EQ(StartNoticeWait(t, 17999), 1u);
    EXPECT_EQ(StartNoticeWait(t, 18000), 0u);
    EXPECT_EQ(StartNoticeWait(t, 60000), 0u);
}

TEST(StartNotice, TickCountWrapAround) {
    StartNoticeTimes t;
    StartNoticeHidden(t, 0xFFFFF000u);  // 4096 ms before the wrap
    EXPECT_EQ(StartNoticeWait(t, 0x00000400u), 8000u - 5120u);
}

TEST(StartNotice, TheLastHidingCounts) {
    StartNoticeTimes t;
    StartNoticeHidden(t, 1000);
    StartNoticeHidden(t, 20000);
    EXPECT_EQ(StartNoticeWait(t, 21000), 7000u);
}
