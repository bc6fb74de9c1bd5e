#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "base/tempfile.h"
#include "cli/ini_settings.h"

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream f(path);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(IniSettings, KeepsOtherSectionsAndLinesWhenAValueChanges) {
    ScopedTempFile file;
    ASSERT_TRUE(file.Make());
    {
        std::ofstream f(file.name());
        f << "; kept\n[Other]\ncom=COM4\n[zekapp]\nCOM = COM2\nbaudrate=576\n";
    }
    IniSettings ini(file.name(), "ZEKAPP");
    std::string v;
    ASSERT_TRUE(ini.Get("com", &v));  // section and key names in any case, blanks trimmed
    EXPECT_EQ(v, "COM2");
    EXPECT_FALSE(ini.Get("dir", &v));
    ASSERT_TRUE(ini.Set("baudrate", "1152"));
    ASSERT_TRUE(ini.Set("dir", "/photos"));
    EXPECT_EQ(ReadText(file.name()),
              "; kept\n[Other]\ncom=COM4\n[zekapp]\ndir=/photos\nCOM = COM2\nbaudrate=1152\n");
    IniSettings again(file.name(), "ZEKAPP");
    ASSERT_TRUE(again.Get("dir", &v));
    EXPECT_EQ(v, "/photos");
}

TEST(IniSettings, AMissingFileGetsTheSectionOnFirstWrite) {
    ScopedTempFile file;
    ASSERT_TRUE(file.Make());
    std::remove(file.name().c_str());
    IniSettings ini(file.name(), "ZEKAPP");
    std::string v;
    EXPECT_FALSE(ini.Get("com", &v));
    ASSERT_TRUE(ini.Set("com", "COM3"));
    EXPECT_EQ(ReadText(file.name()), "[ZEKAPP]\ncom=COM3\n");
}

}  // namespace
