// get's --filename patterns.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "cli/name_pattern.h"

namespace {

// Seconds of a local time, as the camera's clock records it.
uint32_t LocalSeconds(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return uint32_t(std::mktime(&tm));
}

TEST(NamePattern, Expands) {
    NameFields f;
    f.image = 7;
    f.dsc_number = 12;
    f.seconds = LocalSeconds(2001, 5, 17, 9, 4, 3);
    struct Case {
        const char* pattern;
        const char* name;
    } cases[] = {
        {kDefaultNamePattern, "DSC0012.jpg"},
        {"%n.jpg", "7.jpg"},
        {"%Y%m%d-%n.jpg", "20010517-7.jpg"},
        {"%Y-%m-%d_%H%M%S.jpg", "2001-05-17_090403.jpg"},
        {"100%%_%N", "100%_0012"},
        {"plain.jpg", "plain.jpg"},
    };
    for (const Case& c : cases) EXPECT_EQ(ExpandNamePattern(c.pattern, f), c.name) << c.pattern;
    f.seconds = 0;  // the camera gave no date
    EXPECT_EQ(ExpandNamePattern("%Y%m%d-%n.jpg", f), "00000000-7.jpg");
}

TEST(NamePattern, RefusesWhatMakesNoNameInTheFolder) {
    std::string error;
    EXPECT_TRUE(CheckNamePattern("%Y%m%d_%n.jpg", &error));
    EXPECT_TRUE(CheckNamePattern("a%%b", &error));
    const char* bad[] = {"%x.jpg", "a%", "sub/%n.jpg", "", ".", ".."};
    for (const char* p : bad) {
        error.clear();
        EXPECT_FALSE(CheckNamePattern(p, &error)) << p;
        EXPECT_FALSE(error.empty()) << p;
    }
    CheckNamePattern("%q", &error);
    EXPECT_NE(error.find("'%q'"), std::string::npos) << error;
}

}  // namespace
