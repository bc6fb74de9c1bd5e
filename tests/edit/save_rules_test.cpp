// Save types and the names they give.
#include <gtest/gtest.h>

#include "edit/save_rules.h"

namespace {

TEST(SaveRules, TypesQualitiesAndDepths) {
    EXPECT_EQ(DefaultSaveType(true, 24), kSaveJpegStandard);
    EXPECT_EQ(DefaultSaveType(false, 24), kSaveBmp24);
    EXPECT_EQ(DefaultSaveType(false, 8), kSaveBmp8);
    EXPECT_EQ(SaveTypeQuality(kSaveJpegLow), 55);
    EXPECT_EQ(SaveTypeQuality(kSaveJpegStandard), 75);
    EXPECT_EQ(SaveTypeQuality(kSaveJpegHigh), 95);
    EXPECT_EQ(SaveTypeQuality(kSaveBmp8), 0);
    EXPECT_EQ(SaveTypeBits(kSaveBmp8), 8);
    EXPECT_EQ(SaveTypeBits(kSaveJpegHigh), 0);
    // Five filters with their patterns.
    int texts = 0;
    for (const char* p = kSaveFilters; *p; p += std::char_traits<char>::length(p) + 1) ++texts;
    EXPECT_EQ(texts, 10);
}

TEST(SaveRules, Names) {
    EXPECT_EQ(NameForSaveType("a", kSaveJpegLow), "a.jpg");
    EXPECT_EQ(NameForSaveType("a.JPG", kSaveJpegLow), "a.JPG");
    EXPECT_EQ(NameForSaveType("a.jpg", kSaveBmp24), "a.jpg.bmp");
    EXPECT_EQ(NameForSaveType("b.BMP", kSaveBmp8), "b.BMP");
    EXPECT_EQ(SwapSaveExtension("a.jpg", kSaveBmp24), "a.bmp");
    EXPECT_EQ(SwapSaveExtension("dir.x/a", kSaveJpegHigh), "dir.x/a.jpg");
    EXPECT_EQ(SwapSaveExtension("", kSaveJpegHigh), "");
    EXPECT_EQ(SaveQuestionText("a.jpg* [100%]"),
              "(a.jpg* [100%]) was updated!! Do you want to save?");
    EXPECT_EQ(SavedElsewhereText("c:\\a.jpg"),
              "Could not be saved on c:\\a.jpg. \nFile may have already been opened.\nSave under a "
              "different name or close the file and execute again.");
}

}  // namespace
