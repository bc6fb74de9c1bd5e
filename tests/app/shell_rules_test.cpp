#include <gtest/gtest.h>

#include "base/region.h"
#include "app/shell_rules.h"

namespace {
ActiveChildState Image(bool modified) {
    ActiveChildState s;
    s.exists = true;
    s.kind = kKindImage;
    s.image_modified = modified;
    return s;
}
ActiveChildState Album(bool selected, bool paste) {
    ActiveChildState s;
    s.exists = true;
    s.kind = kKindAlbum;
    s.album_selected = selected;
    s.album_paste = paste;
    return s;
}
}  // namespace

TEST(ShellRules, NoWindowOpenGreysTheDocumentCommands) {
    ActiveChildState none;
    for (int c :
         {kCmdSave, kCmdSaveAs, kCmdClose, kCmdPrint, kCmdCut, kCmdCopy, kCmdPaste, kCmdAddToAlbum,
          kCmdUndo, kCmdTile, kCmdCascade, kCmdCloseAll, kCmdArrangeIcons}) {
        EXPECT_FALSE(MenuItemEnabled(c, none, false)) << c;
    }
    EXPECT_TRUE(MenuItemEnabled(kCmdOpen, none, false));
    EXPECT_TRUE(MenuItemEnabled(kCmdExit, none, false));
}

TEST(ShellRules, AlbumEnablesAddToAlbumAndImageEnablesUndo) {
    ActiveChildState album = Album(false, false);
    EXPECT_TRUE(MenuItemEnabled(kCmdAddToAlbum, album, false));
    EXPECT_FALSE(MenuItemEnabled(kCmdUndo, album, false));
    EXPECT_TRUE(MenuItemEnabled(kCmdSave, album, false));
    EXPECT_FALSE(MenuItemEnabled(kCmdCopy, album, false));
    EXPECT_TRUE(MenuItemEnabled(kCmdCopy, Album(true, false), false));
    EXPECT_TRUE(MenuItemEnabled(kCmdCut, Album(true, false), false));
    EXPECT_FALSE(MenuItemEnabled(kCmdPaste, Album(true, false), false));
    EXPECT_TRUE(MenuItemEnabled(kCmdPaste, Album(false, true), false));

    ActiveChildState image = Image(false);
    EXPECT_FALSE(MenuItemEnabled(kCmdAddToAlbum, image, false));
    EXPECT_TRUE(MenuItemEnabled(kCmdUndo, image, false));
    EXPECT_FALSE(MenuItemEnabled(kCmdSave, image, false));
    EXPECT_TRUE(MenuItemEnabled(kCmdSave, Image(true), false));
    EXPECT_TRUE(MenuItemEnabled(kCmdPrint, image, false));
    EXPECT_TRUE(MenuItemEnabled(kCmdSaveAs, image, false));
}

TEST(ShellRules, ArrangeIconsFollowsMinimisedChildren) {
    ActiveChildState image = Image(false);
    EXPECT_FALSE(MenuItemEnabled(kCmdArrangeIcons, image, false));
    EXPECT_TRUE(MenuItemEnabled(kCmdArrangeIcons, image, true));
}

TEST(ShellRules, ToolbarRefresh) {
    ActiveChildState none;
    for (int c : ToolbarRefreshed()) EXPECT_FALSE(ToolbarButtonEnabled(c, none)) << c;
    ActiveChildState album = Album(true, true);
    for (int c : ToolbarRefreshed()) EXPECT_TRUE(ToolbarButtonEnabled(c, album)) << c;
    ActiveChildState image = Image(false);
    EXPECT_TRUE(ToolbarButtonEnabled(kTbSaveAs, image));
    EXPECT_TRUE(ToolbarButtonEnabled(kTbPrint, image));
    EXPECT_TRUE(ToolbarButtonEnabled(kTbTile, image));
    EXPECT_FALSE(ToolbarButtonEnabled(kTbAddToAlbum, image));
    EXPECT_FALSE(ToolbarButtonEnabled(kTbCopy, image));
}

TEST(ShellRules, HelpTextsGreyAndEnabled) {
    EXPECT_EQ(MenuHelpText(101, true, kRegionEnglish), "Cannot select!! There is no file to save.");
    EXPECT_EQ(MenuHelpText(101, false, kRegionEnglish), "Save the active file.");
    EXPECT_EQ(MenuHelpText(100, true, kRegionEnglish), "Open an existing file.");
    EXPECT_EQ(MenuHelpText(162, true, kRegionEnglish), "Cannot Select!! Icon not lined up.");
    EXPECT_EQ(MenuHelpText(500, false, kRegionEnglish), "\"Slide Show\" start.");
    EXPECT_EQ(MenuHelpText(4100, false, kRegionEnglish), "Ready");
    EXPECT_EQ(MenuHelpText(999, false, kRegionJapanese), "");
}

TEST(ShellRules, ToolbarTooltipTexts) {
    EXPECT_EQ(MenuCommandOfToolbar(kTbOpen), kCmdOpen);
    EXPECT_EQ(MenuCommandOfToolbar(kTbSaveAs), kCmdSaveAs);
    EXPECT_EQ(MenuCommandOfToolbar(kTbHelp), kCmdHelpContents);
    EXPECT_EQ(MenuCommandOfToolbar(kTbCamera), 0);
    EXPECT_STREQ(GreyToolbarText(kTbDataIn), "Cannot select!! Already connected camera.");
    EXPECT_STREQ(GreyToolbarText(kTbDataOut), "Cannot select!! Already connected camera.");
    EXPECT_STREQ(GreyToolbarText(kTbAddToAlbum), "Cannot Select!! Not open album.");
    EXPECT_EQ(GreyToolbarText(kTbOpen), nullptr);
}

TEST(ShellRules, ToolbarLayoutHasNineteenEntriesInOrder) {
    const int expected[kToolbarEntries] = {405, 400, 401, 0,   421, 422, 0,   402, 0,  443,
                                           0,   442, 440, 441, 0,   461, 460, 0,   462};
    int grey = 0;
    for (int i = 0; i < kToolbarEntries; ++i) {
        EXPECT_EQ(kToolbarLayout[i].command, expected[i]) << i;
        if (kToolbarLayout[i].command && !kToolbarLayout[i].enabled_at_creation) ++grey;
    }
    EXPECT_EQ(grey, 8);
    EXPECT_EQ(kToolbarLayout[5].bitmap, 496);
    EXPECT_EQ(kToolbarLayout[5].image, 1);
    EXPECT_EQ(kToolbarLayout[16].bitmap, 498);
    EXPECT_EQ(kToolbarLayout[16].image, 1);
}

TEST(ShellRules, BarsFromSettings) {
    BarChoice b = BarsFromSettings(0, 0);
    EXPECT_TRUE(b.toolbar && b.status_bar);
    b = BarsFromSettings(0, 1);
    EXPECT_TRUE(b.toolbar && !b.status_bar);
    b = BarsFromSettings(1, 0);
    EXPECT_TRUE(!b.toolbar && b.status_bar);
    b = BarsFromSettings(0, 2);
    EXPECT_TRUE(!b.toolbar && !b.status_bar);
    b = BarsFromSettings(1, 1);
    EXPECT_TRUE(!b.toolbar && !b.status_bar);
}

TEST(ShellRules, CommandLineSplitsAtBlanksWithoutQuoting) {
    auto w = SplitCommandLine("a.jpg   b.bmp");
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0], "a.jpg");
    EXPECT_EQ(w[1], "b.bmp");
    w = SplitCommandLine("\tC:\\My Pictures\\x.jpg ");
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0], "C:\\My");
    EXPECT_EQ(w[1], "Pictures\\x.jpg");
    EXPECT_TRUE(SplitCommandLine("   ").empty());
}

TEST(ShellRules, FilesNextToTheProgram) {
    EXPECT_EQ(FileNextTo("C:\\Program Files\\Vistrel\\Vistrel.exe", "vistrel.ini"),
              "C:\\Program Files\\Vistrel\\vistrel.ini");
    EXPECT_EQ(FileNextTo("C:\\Vistrel.exe", "vistrel.hlp"), "C:\\vistrel.hlp");
    EXPECT_EQ(FileNextTo("D:Vistrel.exe", "vistrel.ini"), "D:vistrel.ini");
    EXPECT_EQ(FileNextTo("Vistrel.exe", "vistrel.ini"), "");
}
