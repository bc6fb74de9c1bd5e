#include <gtest/gtest.h>

#include "base/region.h"

TEST(Region, LanguageOfTheDialogLibraryPicksTheRegion) {
    EXPECT_EQ(RegionFromLanguage(1031), kRegionGerman);
    EXPECT_EQ(RegionFromLanguage(1036), kRegionFrench);
    EXPECT_EQ(RegionFromLanguage(1041), kRegionJapanese);
    EXPECT_EQ(RegionFromLanguage(1033), kRegionEnglish);
    EXPECT_EQ(RegionFromLanguage(2057), kRegionEnglish);
    EXPECT_EQ(RegionFromLanguage(0), kRegionEnglish);
}

TEST(Region, GermanPicksTheEuropeanTemplates) {
    int r = RegionFromLanguage(1031);
    EXPECT_STREQ(RegionalTemplateName(RegionalTemplate::kCommSetup, r), "CommParaSet_EU");
    EXPECT_STREQ(RegionalTemplateName(RegionalTemplate::kBrowser, r), "MEMReq2_EU");
    EXPECT_STREQ(RegionalTemplateName(RegionalTemplate::kAdjust, r), "PHTDLG_EU");
    EXPECT_STREQ(RegionalTemplateName(RegionalTemplate::kMeter, r), "MeterDlg_EU");
    EXPECT_STREQ(RegionalTemplateName(RegionalTemplate::kFileOpen, r), "FILEOPEN");
}

TEST(Region, JapanesePicksItsTemplatesAndSharesTheEnglishOnes) {
    int r = RegionFromLanguage(1041);
    EXPECT_STREQ(RegionalTemplateName(RegionalTemplate::kCommSetup, r), "CommParaSet");
    EXPECT_STREQ(RegionalTemplateName(RegionalTemplate::kBrowser, r), "MEMReq2_JAPAN");
    EXPECT_STREQ(RegionalTemplateName(RegionalTemplate::kAdjust, r), "PHTDLG_JAPAN");
    EXPECT_STREQ(RegionalTemplateName(RegionalTemplate::kMeter, r), "MeterDlg");
    EXPECT_STREQ(RegionalTemplateName(RegionalTemplate::kSlideShow, r), "VIEWSETUP");
    EXPECT_STREQ(RegionalTemplateName(RegionalTemplate::kFileSave, r), "FILESAVE_JAPAN");
}

TEST(Region, EnglishTemplates) {
    int r = RegionFromLanguage(1033);
    EXPECT_STREQ(RegionalTemplateName(RegionalTemplate::kCommSetup, r), "CommParaSet");
    EXPECT_STREQ(RegionalTemplateName(RegionalTemplate::kBrowser, r), "MemReq2");
    EXPECT_STREQ(RegionalTemplateName(RegionalTemplate::kAdjust, r), "PHTDLG_US");
    EXPECT_STREQ(RegionalTemplateName(RegionalTemplate::kClock, r), "TIMESETUP_US");
    EXPECT_STREQ(RegionalTemplateName(RegionalTemplate::kImageSize, r), "SIZECHANGE_US");
}

TEST(Region, StatusBarWidthsAndIdleText) {
    int e[5];
    StatusPartEdges(1000, kRegionEnglish, e);
    EXPECT_EQ(e[0], 668);
    EXPECT_EQ(e[1], 754);
    EXPECT_EQ(e[2], 829);
    EXPECT_EQ(e[3], 915);
    EXPECT_EQ(e[4], 990);
    StatusPartEdges(1000, kRegionFrench, e);
    EXPECT_EQ(e[0], 668);
    StatusPartEdges(1000, kRegionJapanese, e);
    EXPECT_EQ(e[0], 700);
    EXPECT_EQ(e[1], 770);
    EXPECT_EQ(e[2], 845);
    EXPECT_EQ(e[3], 915);
    EXPECT_EQ(e[4], 990);
    EXPECT_STREQ(IdleText(kRegionGerman), "Ready");
    EXPECT_STREQ(IdleText(kRegionJapanese), "");
}

TEST(Region, OutOfRangeCodeIsEnglish) {
    SetRegionCode(7);
    EXPECT_EQ(RegionCode(), kRegionEnglish);
    SetRegionCode(kRegionJapanese);
    EXPECT_EQ(RegionCode(), kRegionJapanese);
    SetRegionCode(kRegionEnglish);
}
