#include <gtest/gtest.h>

#include "link/link_error.h"
#include "link/link_profile.h"
#include "support/fakes.h"

namespace {

const char* kCannotAccess =
    "Cannot access Camera.\nMake sure Camera is turned on and properly connected.";

TEST(LinkError, BrowserMapping) {
    FakePlatform fp;
    ShowLinkError(100);
    ShowLinkError(0);
    ShowLinkError(103);
    EXPECT_TRUE(fp.prompts.boxes.empty());
    ShowLinkError(17);
    ShowLinkError(92);
    ShowLinkError(91);
    ShowLinkError(10);
    ShowLinkError(14);
    EXPECT_EQ(fp.prompts.Texts(),
              (std::vector<std::string>{kCannotAccess, "Camera memory is full.",
                                        "Camera error has occurred.", "Failed to open COM Port.",
                                        "Unexpected error has occurred during image transfer."}));
    for (LinkError c : {30, 31, 32, 33, 40}) EXPECT_EQ(LinkErrorMessageIndex(c), kMsgDataError);
    EXPECT_EQ(LinkErrorMessageIndex(90), kMsgCannotExecute);
}

TEST(LinkError, FailuresThatNothingReportedGetAFittingMessage) {
    EXPECT_EQ(FailureMessageIndex(92), kMsgMemoryFull);  // as the browser maps it
    EXPECT_EQ(FailureMessageIndex(34), kMsgDataErrorRestart);
    EXPECT_EQ(FailureMessageIndex(100), kMsgCannotAccess);
    EXPECT_EQ(FailureMessageIndex(104), kMsgBaudrate);
    EXPECT_EQ(FailureMessageIndex(-1), kMsgUnexpected);
}

TEST(LinkError, SelectingTheProfileSelectsItsMessages) {
    FakePlatform fp;
    SelectLinkProfile(PluginLinkProfile());
    ShowError(kMsgCannotAccess);
    SelectLinkProfile(ProgramLinkProfile());
    ShowError(kMsgCannotAccess);
    ASSERT_EQ(fp.prompts.boxes.size(), 2u);
    EXPECT_EQ(fp.prompts.boxes[0].title, "Quenlar QX-4210 Plug-in Driver");
    EXPECT_EQ(fp.prompts.boxes[1].title, "Vistrel");
}

}  // namespace
