// The image window's view rules: title, centring, scrolling and the mouse mapping.
#include <gtest/gtest.h>

#include "edit/image_view.h"

namespace {

TEST(ImageView, Title) {
    EXPECT_EQ(ImageWindowTitle("a.jpg", 1, 2), "a.jpg* [50%]");
    EXPECT_EQ(ImageWindowTitle("a.jpg", 0, 16), "a.jpg [400%]");
    EXPECT_EQ(ImageWindowTitle("b.bmp", -1, 1), "b.bmp* [25%]");
}

TEST(ImageView, CentringAndScrollRanges) {
    ViewAxis a{600, 320, 4, 0};
    EXPECT_EQ(ViewOffset(a), 140);
    EXPECT_EQ(ScrollMax(a), 0);
    a.zoom = 8;  // 640 wide now
    EXPECT_EQ(ViewOffset(a), 0);
    EXPECT_EQ(ScrollMax(a), 40);
    EXPECT_EQ(ClampScroll(a, 100), 40);
    EXPECT_EQ(ClampScroll(a, -3), 0);
    EXPECT_EQ(ScrollLine(600), 150);
    EXPECT_EQ(ScrollLine(3), 1);
}

TEST(ImageView, VisiblePartFollowsTheScrollPosition) {
    ViewAxis a{100, 200, 8, 0};  // 400 client pixels of picture
    VisibleSpan v = VisiblePart(a);
    EXPECT_EQ(v.first, 0);
    EXPECT_EQ(v.at, 0);
    EXPECT_GE(v.length, 100);
    a.scroll = 51;  // picture pixel 25, half of it scrolled away
    v = VisiblePart(a);
    EXPECT_EQ(v.first, 25);
    EXPECT_EQ(v.at, -1);
    EXPECT_GE(v.at + v.length, 100);
    a.scroll = ScrollMax(a);
    v = VisiblePart(a);
    EXPECT_EQ(v.first + v.count, 200);
    // Centred small picture at 25 %.
    ViewAxis s{100, 200, 1, 0};
    v = VisiblePart(s);
    EXPECT_EQ(v.at, 25);
    EXPECT_EQ(v.length, 50);
    EXPECT_EQ(v.count, 200);
}

TEST(ImageView, MousePointsMapToPicturePixels) {
    ViewAxis a{600, 320, 4, 0};  // offset 140
    EXPECT_EQ(PicturePointOf(a, 150), 10);
    EXPECT_EQ(PicturePointOf(a, 10), 0);
    EXPECT_EQ(PicturePointOf(a, 599), 320);
    EXPECT_EQ(ClientPointOf(a, 10), 150);
    ViewAxis z{100, 200, 16, 40};  // 400 %, scrolled by 40 client pixels
    EXPECT_EQ(PicturePointOf(z, 0), 10);
    EXPECT_EQ(PicturePointOf(z, 8), 12);
    EXPECT_EQ(ClientPointOf(z, 12), 8);
}

}  // namespace
