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
         {IDM_SAVE, IDM_SAVE_AS, IDM_CLOSE, IDM_PRINT, IDM_CUT, IDM_COPY, IDM_PASTE,
          IDM_ADD_TO_ALBUM, IDM_UNDO, IDM_TILE, IDM_CASCADE, IDM_CLOSE_ALL, IDM_ARRANGE_ICONS}) {
        EXPECT_FALSE(MenuItemEnabled(c, none, false)) << c;
    }
    EXPECT_TRUE(MenuItemEnabled(IDM_OPEN, none, false));
    EXPECT_TRUE(MenuItemEnabled(IDM_EXIT, none, false));
}

TEST(ShellRules, AlbumEnablesAddToAlbumAndImageEnablesUndo) {
    ActiveChildState album = Album(false, false);
    EXPECT_TRUE(MenuItemEnabled(IDM_ADD_TO_ALBUM, album, false));
    EXPECT_FALSE(MenuItemEnabled(IDM_UNDO, album, false));
    EXPECT_TRUE(MenuItemEnabled(IDM_SAVE, album, false));
    EXPECT_FALSE(MenuItemEnabled(IDM_COPY, album, false));
    EXPECT_TRUE(MenuItemEnabled(IDM_COPY, Album(true, false), false));
    EXPECT_TRUE(MenuItemEnabled(IDM_CUT, Album(true, false), false));
    EXPECT_FALSE(MenuItemEnabled(IDM_PASTE, Album(true, false), false));
    EXPECT_TRUE(MenuItemEnabled(IDM_PASTE, Album(false, true), false));

    ActiveChildState image = Image(false);
    EXPECT_FALSE(MenuItemEnabled(IDM_ADD_TO_ALBUM, image, false));
    EXPECT_TRUE(MenuItemEnabled(IDM_UNDO, image, false));
    EXPECT_FALSE(MenuItemEnabled(IDM_SAVE, image, false));
    EXPECT_TRUE(MenuItemEnabled(IDM_SAVE, Image(true), false));
    EXPECT_TRUE(MenuItemEnabled(IDM_PRINT, image, false));
    EXPECT_TRUE(MenuItemEnabled(IDM_SAVE_AS, image, false));
}

// The whole pop-ups and Image Cutout follow the active child alone, whatever was open before.
TEST(ShellRules, PopupsAndCutoutFollowTheActiveChild) {
    ActiveChildState undo = Image(false);
    undo.image_can_undo = true;
    ActiveChildState selected = Image(false);
    selected.image_selection = true;
    ActiveChildState none;
    struct Row {
        const char* name;
        ActiveChildState state;
        bool edit, image, view, cutout;
    } rows[] = {
        {"no child", none, false, false, false, false},
        {"image", Image(false), false, true, true, false},
        {"image holding the undo step", undo, true, true, true, false},
        {"image with a selection", selected, false, true, true, true},
        {"album", Album(false, false), true, false, false, false},
        {"album with a selection and paste", Album(true, true), true, false, false, false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(PopupEnabled(kPopupEdit, r.state), r.edit) << r.name;
        EXPECT_EQ(PopupEnabled(kPopupImage, r.state), r.image) << r.name;
        EXPECT_EQ(PopupEnabled(kPopupView, r.state), r.view) << r.name;
        EXPECT_TRUE(PopupEnabled(kPopupFile, r.state)) << r.name;
        EXPECT_TRUE(PopupEnabled(kPopupWindow, r.state)) << r.name;
        EXPECT_EQ(MenuItemEnabled(IDM_CUTOUT, r.state, false), r.cutout) << r.name;
    }
}

TEST(ShellRules, ArrangeIconsFollowsMinimisedChildren) {
    ActiveChildState image = Image(false);
    EXPECT_FALSE(MenuItemEnabled(IDM_ARRANGE_ICONS, image, false));
    EXPECT_TRUE(MenuItemEnabled(IDM_ARRANGE_ICONS, image, true));
}

TEST(ShellRules, ToolbarRefresh) {
    ActiveChildState none;
    for (int c : ToolbarRefreshed()) EXPECT_FALSE(ToolbarButtonEnabled(c, none)) << c;
    ActiveChildState album = Album(true, true);
    for (int c : ToolbarRefreshed()) EXPECT_TRUE(ToolbarButtonEnabled(c, album)) << c;
    ActiveChildState image = Image(false);
    EXPECT_TRUE(ToolbarButtonEnabled(IDT_SAVE_AS, image));
    EXPECT_TRUE(ToolbarButtonEnabled(IDT_PRINT, image));
    EXPECT_TRUE(ToolbarButtonEnabled(IDT_TILE, image));
    EXPECT_FALSE(ToolbarButtonEnabled(IDT_ADD_TO_ALBUM, image));
    EXPECT_FALSE(ToolbarButtonEnabled(IDT_COPY, image));
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
    EXPECT_EQ(MenuCommandOfToolbar(IDT_OPEN), IDM_OPEN);
    EXPECT_EQ(MenuCommandOfToolbar(IDT_SAVE_AS), IDM_SAVE_AS);
    EXPECT_EQ(MenuCommandOfToolbar(IDT_HELP), IDM_HELP_CONTENTS);
    EXPECT_EQ(MenuCommandOfToolbar(IDT_CAMERA), 0);
    EXPECT_STREQ(GreyToolbarText(IDT_DATA_IN), "Cannot select!! Already connected camera.");
    EXPECT_STREQ(GreyToolbarText(IDT_DATA_OUT), "Cannot select!! Already connected camera.");
    EXPECT_STREQ(GreyToolbarText(IDT_ADD_TO_ALBUM), "Cannot Select!! Not open album.");
    EXPECT_EQ(GreyToolbarText(IDT_OPEN), nullptr);
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
