#include <gtest/gtest.h>

#include "base/messages.h"
#include "support/fakes.h"

namespace {

const char* kCannotAccess =
    "Cannot access Camera.\nMake sure Camera is turned on and properly connected.";

TEST(Messages, IndexesOutsideTheTablesShowTheUndefinedErrorText) {
    FakePlatform fp;
    ShowError(46);
    ShowError(-1);
    EXPECT_EQ(AskYesNo(8), kBoxNo);
    fp.prompts.answers = {kBoxYes};
    EXPECT_EQ(AskYesNoCancel(1, 5), kBoxNo);
    ASSERT_EQ(fp.prompts.boxes.size(), 4u);
    for (const Box& b : fp.prompts.boxes) {
        EXPECT_EQ(b.text, "It is a non-definition error.");
        EXPECT_EQ(b.style, BoxStyle::kError);
        EXPECT_EQ(b.title, "Vistrel");
    }
    // The scripted Yes was never consumed: no question was asked.
    EXPECT_EQ(fp.prompts.answers.size(), 1u);
}

TEST(Messages, TablesShowTheirExactTextsWithTheirStyles) {
    FakePlatform fp;
    ShowError(kMsgBaudrate);
    fp.prompts.answers = {kBoxYes, kBoxCancel};
    EXPECT_EQ(AskYesNo(kAskImagesOnly), kBoxYes);
    EXPECT_EQ(AskYesNoCancel(0, 1234), kBoxCancel);
    ASSERT_EQ(fp.prompts.boxes.size(), 3u);
    EXPECT_EQ(fp.prompts.boxes[0].text,
              "This camera cannot connect with this baudrate.\nChange lower baudrate and connect "
              "agein.");
    EXPECT_EQ(fp.prompts.boxes[1].text, "Does it Transfer Only Image(s)?");
    EXPECT_EQ(fp.prompts.boxes[1].style, BoxStyle::kYesNo);
    EXPECT_EQ(fp.prompts.boxes[2].text, "Are you sure you want to delete Image No.1234?");
    EXPECT_EQ(fp.prompts.boxes[2].style, BoxStyle::kYesNoCancel);
}

TEST(Messages, PluginTablesHaveTheirOwnTitleAndShortenedTable) {
    FakePlatform fp;
    SelectMessages(PluginMessages());
    ShowError(kMsgCannotAccess);      // same row below 12
    ShowError(kMsgNoMemory);          // two rows lower in the plug-in's table
    ShowError(kMsgCannotCreateFile);  // no full stop there
    ShowError(kMsgNotAvailable);      // the plug-in has no such row
    ShowErrorRow(43);                 // its last row
    ShowErrorRow(44);
    SelectMessages(ProgramMessages());
    ASSERT_EQ(fp.prompts.boxes.size(), 6u);
    EXPECT_EQ(fp.prompts.boxes[0].title, "Quenlar QX-4210 Plug-in Driver");
    EXPECT_EQ(fp.prompts.Texts(),
              (std::vector<std::string>{kCannotAccess, "Memory cannot be allocated.",
                                        "Can't Create File", "It is a non-definition error.",
                                        "Image not saved because it already existed.",
                                        "It is a non-definition error."}));
}

}  // namespace
