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

TEST(RunSettings, WritesStayWithTheRun) {
    ScopedTempFile file;
    ASSERT_TRUE(file.Make());
    {
        std::ofstream f(file.name());
        f << "[ZEKAPP]\nbaudrate=384\ncom=COM2\n";
    }
    IniSettings ini(file.name(), "ZEKAPP");
    RunSettings run(&ini);
    std::string v;
    ASSERT_TRUE(run.Set("baudrate", "1152"));
    ASSERT_TRUE(run.Set("dir", "g/"));
    ASSERT_TRUE(run.Get("baudrate", &v));
    EXPECT_EQ(v, "1152");
    ASSERT_TRUE(run.Get("com", &v));  // the file's, where the run has none
    EXPECT_EQ(v, "COM2");
    EXPECT_EQ(ReadText(file.name()), "[ZEKAPP]\nbaudrate=384\ncom=COM2\n");
}

TEST(ConfigValues, CheckedAndKeptInTheProgramsForm) {
    struct Case {
        const char* key;
        const char* given;
        const char* stored;  // nullptr: refused
    } cases[] = {
        {"com", "COM3", "COM3"},
        {"com", "com1", "COM1"},
        {"com", "COM5", nullptr},
        {"com", "/dev/ttyS0", nullptr},
        {"baudrate", "9600", "9600"},
        {"baudrate", "19200", "192"},
        {"baudrate", "115200", "1152"},
        {"baudrate", "1152", nullptr},
        {"baudrate", "", nullptr},
        {"dir", "/", "/"},
        {"dir", "/no/such/folder", nullptr},
        {"speed", "9600", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + c.given);
        std::string stored, error;
        const bool ok = ConfigValueToStore(c.key, c.given, &stored, &error);
        EXPECT_EQ(ok, c.stored != nullptr) << error;
        if (ok) {
            EXPECT_EQ(stored, c.stored);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
    std::string error;
    ScopedTempFile file;  // a file is no folder
    ASSERT_TRUE(file.Make());
    std::string stored;
    EXPECT_FALSE(ConfigValueToStore("dir", file.name(), &stored, &error));
    EXPECT_NE(error.find("Not a directory"), std::string::npos) << error;
    EXPECT_EQ(ConfigValueToShow("baudrate", "1152"), "115200");
    EXPECT_EQ(ConfigValueToShow("dir", "/x"), "/x");
}

}  // namespace
