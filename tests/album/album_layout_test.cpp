// The album window's rules without a window: button places, the window's wanted size and how
// it grows and shrinks, arrow keys, dates, renames and the open dialog's file list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "album/album_layout.h"
#include "base/region.h"

namespace {

TEST(AlbumLayout, ButtonPlacesAndWantedSizes) {
    int x, y;
    AlbumButtonOrigin(0, &x, &y);
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 5);
    AlbumButtonOrigin(4, &x, &y);
    EXPECT_EQ(x, 4 * 135 + 5);
    EXPECT_EQ(y, 5);
    AlbumButtonOrigin(5, &x, &y);
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 160);
    AlbumButtonOrigin(99, &x, &y);
    EXPECT_EQ(x, 545);
    EXPECT_EQ(y, 19 * 155 + 5);

    struct Case {
        int count, width, height;
    };
    for (const Case& c : {Case{0, 140, 160}, Case{1, 140, 160}, Case{4, 545, 160},
                          Case{5, 680, 160}, Case{6, 680, 315}, Case{100, 680, 19 * 155 + 160}}) {
        SCOPED_TRACE(c.count);
        const AlbumSize s = AlbumWantedClientSize(c.count);
        EXPECT_EQ(s.width, c.width);
        EXPECT_EQ(s.height, c.height);
    }
}

TEST(AlbumLayout, GrowingAndShrinkingKeepWhatTheUserChose) {
    // A window showing the whole grid of 4 grows with the fifth picture in both directions.
    AlbumSize s = AlbumClientAfterAdd(AlbumWantedClientSize(4), 4, 5);
    EXPECT_EQ(s.width, 680);
    EXPECT_EQ(s.height, 160);
    s = AlbumClientAfterAdd(AlbumWantedClientSize(5), 5, 6);
    EXPECT_EQ(s.height, 315);
    // A side made smaller than the grid keeps its size; a larger one never shrinks.
    s = AlbumClientAfterAdd(AlbumSize{300, 900}, 5, 6);
    EXPECT_EQ(s.width, 300);
    EXPECT_EQ(s.height, 900);
    // After a removal: the smaller of what the window is and what the grid wants.
    s = AlbumClientAfterRemove(AlbumSize{680, 315}, 5);
    EXPECT_EQ(s.width, 680);
    EXPECT_EQ(s.height, 160);
    s = AlbumClientAfterRemove(AlbumSize{300, 100}, 0);
    EXPECT_EQ(s.width, 140);
    EXPECT_EQ(s.height, 100);

    EXPECT_EQ(AlbumScrollMax(680, 680, 16), 0);
    EXPECT_EQ(AlbumScrollMax(680, 700, 16), 0);
    EXPECT_EQ(AlbumScrollMax(680, 400, 16), 680 + 16 - 400 - 1);
}

TEST(AlbumLayout, ArrowKeysStayInsideTheAlbum) {
    EXPECT_EQ(AlbumKeyTarget(3, 12, AlbumKey::kLeft), 2);
    EXPECT_EQ(AlbumKeyTarget(0, 12, AlbumKey::kLeft), -1);
    EXPECT_EQ(AlbumKeyTarget(11, 12, AlbumKey::kRight), -1);
    EXPECT_EQ(AlbumKeyTarget(4, 12, AlbumKey::kRight), 5);  // on to the next row
    EXPECT_EQ(AlbumKeyTarget(2, 12, AlbumKey::kUp), -1);    // first row
    EXPECT_EQ(AlbumKeyTarget(7, 12, AlbumKey::kUp), 2);
    EXPECT_EQ(AlbumKeyTarget(6, 12, AlbumKey::kDown), 11);
    EXPECT_EQ(AlbumKeyTarget(7, 12, AlbumKey::kDown), -1);   // no picture five on
    EXPECT_EQ(AlbumKeyTarget(10, 12, AlbumKey::kDown), -1);  // last row
    EXPECT_EQ(AlbumKeyTarget(-1, 0, AlbumKey::kRight), -1);
}

TEST(AlbumLayout, DatesByRegion) {
    CameraDate d;
    d.year = 2001;
    d.month = 4;
    d.day = 5;
    EXPECT_EQ(AlbumDateText(d, kRegionEnglish), "APR. 5, 2001");
    EXPECT_EQ(AlbumDateText(d, kRegionFrench), "5 APR.,2001");
    EXPECT_EQ(AlbumDateText(d, kRegionGerman), "5 APR.,2001");
    EXPECT_EQ(AlbumDateText(d, kRegionJapanese), "2001/4/5");
    d.month = 12;
    EXPECT_EQ(AlbumDateText(d, kRegionEnglish), "DEC. 5, 2001");
    EXPECT_EQ(AlbumDateText(CameraDate(), kRegionEnglish), "");
    d.month = 13;
    EXPECT_EQ(AlbumDateText(d, kRegionEnglish), "");
}

TEST(AlbumLayout, RenameCharactersAndNewPaths) {
    EXPECT_EQ(RenameForbiddenMessage(kRegionEnglish),
              "Filename cannot contain the following characters.\n\t\\ / : * ? \" < > |");
    EXPECT_EQ(RenameForbiddenMessage(kRegionJapanese),
              "Filename cannot contain the following characters.\n\t\\ / : , ; * ? \" < > |");
    for (const char* bad : {"a\\b", "a/b", "a:b", "a*", "a?", "\"a", "<a", "a>", "a|b"})
        EXPECT_TRUE(RenameTextForbidden(bad, kRegionEnglish)) << bad;
    EXPECT_FALSE(RenameTextForbidden("a,b;c", kRegionEnglish));
    EXPECT_TRUE(RenameTextForbidden("a,b", kRegionJapanese));
    EXPECT_TRUE(RenameTextForbidden("a;b", kRegionJapanese));
    // A double-byte character whose second byte is a backslash is one character.
    EXPECT_FALSE(
        RenameTextForbidden("\x83\x5C"
                            "a",
                            kRegionJapanese));
    EXPECT_TRUE(
        RenameTextForbidden("\x83\x5C"
                            "a",
                            kRegionEnglish));

    std::string p;
    ASSERT_TRUE(RenamedPath("/photos/abc.jpg", "xyz", &p));
    EXPECT_EQ(p, "/photos/xyz.jpg");
    ASSERT_TRUE(RenamedPath("/photos/abc.jpg", "xyz.jpg", &p));
    EXPECT_EQ(p, "/photos/xyz.jpg");
    ASSERT_TRUE(RenamedPath("/photos/abc.bmp", "x.jpg", &p));
    EXPECT_EQ(p, "/photos/x.jpg.bmp");
    ASSERT_TRUE(RenamedPath("/p/" + std::string(249, 'a') + ".jpg", std::string(253, 'b'), &p));
    EXPECT_EQ(p.size(), 260u);
    EXPECT_FALSE(RenamedPath("/p/a.jpg", std::string(254, 'b'), &p));
}

TEST(AlbumLayout, ChosenFilesGoInWithTheFirstAndLastSwapped) {
    std::vector<std::string> files = {"a", "b", "c", "d"};
    AlbumAddOrder(&files);
    EXPECT_EQ(files, (std::vector<std::string>{"d", "b", "c", "a"}));
    files = {"a", "b"};
    AlbumAddOrder(&files);
    EXPECT_EQ(files, (std::vector<std::string>{"b", "a"}));
    files = {"a"};
    AlbumAddOrder(&files);
    EXPECT_EQ(files, (std::vector<std::string>{"a"}));
    files.clear();
    AlbumAddOrder(&files);
    EXPECT_TRUE(files.empty());
}

}  // namespace
