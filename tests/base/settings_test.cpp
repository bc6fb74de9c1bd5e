#include <gtest/gtest.h>

#include "base/platform.h"
#include "base/settings.h"

TEST(Settings, MissingKeyGivesDefaultAndSetValueIsReadBack) {
    MemorySettings s;
    EXPECT_EQ(GetSetting(s, "com", "COM1"), "COM1");
    s.Set("com", "COM3");
    EXPECT_EQ(GetSetting(s, "com", "COM1"), "COM3");
}

TEST(Platform, ScopedPlatformRestoresTheSeams) {
    MemorySettings mine;
    SettingsStore* before = Plat().settings;
    {
        Platform p = Plat();
        p.settings = &mine;
        ScopedPlatform scope(p);
        EXPECT_EQ(Plat().settings, &mine);
    }
    EXPECT_EQ(Plat().settings, before);
}

TEST(Settings, NumbersAreReadAsThePrivateProfileFunctionsReadThem) {
    // Blanks and a sign before the digits; whatever follows the digits is ignored.
    EXPECT_EQ(ParseSettingNumber("7", 0), 7);
    EXPECT_EQ(ParseSettingNumber("  \t12abc", 0), 12);
    EXPECT_EQ(ParseSettingNumber("-3", 0), -3);
    EXPECT_EQ(ParseSettingNumber("+4", 0), 4);
    // No digits at all: the default.
    EXPECT_EQ(ParseSettingNumber("", 9), 9);
    EXPECT_EQ(ParseSettingNumber("x1", 9), 9);
    EXPECT_EQ(ParseSettingNumber("abc", 7), 7);
    EXPECT_EQ(ParseSettingNumber(" 2x", 0), 2);
    EXPECT_EQ(ParseSettingNumber("-", 9), 9);
    EXPECT_EQ(ParseSettingNumber(" + 1", 9), 9);
    // The ends of int are numbers; one past them is not.
    EXPECT_EQ(ParseSettingNumber("2147483647", 9), 2147483647);
    EXPECT_EQ(ParseSettingNumber("-2147483648", 9), -2147483647 - 1);
    EXPECT_EQ(ParseSettingNumber("2147483648", 9), 9);
    EXPECT_EQ(ParseSettingNumber("-2147483649", 9), 9);
    EXPECT_EQ(ParseSettingNumber("99999999999", 7), 7);
    EXPECT_EQ(ParseSettingNumber("99999999999999999999999", 9), 9);
}

TEST(Settings, AReadNumberSaysWhetherItsKeyWasThere) {
    MemorySettings s;
    bool present = true;
    EXPECT_EQ(ReadSettingNumber(s, "Speed", 4, &present), 4);
    EXPECT_FALSE(present);
    s.Set("Speed", "junk");
    EXPECT_EQ(ReadSettingNumber(s, "Speed", 4, &present), 4);
    EXPECT_TRUE(present);
    s.Set("Speed", " 12");
    EXPECT_EQ(ReadSettingNumber(s, "Speed", 4, &present), 12);
    EXPECT_EQ(ReadSettingNumber(s, "Speed", 4), 12);
}
