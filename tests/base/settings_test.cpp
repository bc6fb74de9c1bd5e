#include <gtest/gtest.h>

#include "base/platform.h"

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
