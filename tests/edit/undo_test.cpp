// The one-step undo: what each kind of operation puts back, and that a second Undo redoes it.
#include <gtest/gtest.h>

#include "codec_test_support.h"
#include "edit/geometry.h"
#include "edit/undo.h"
#include "edit_test_support.h"

namespace {

class UndoTest : public CodecTest {
protected:
    int window_a = 0, window_b = 0;  // their addresses stand for two windows
    UndoRecord u;
    ImageGeometry g;
    DibImage picture;

    void SetUp() override {
        picture = MakeRgbDib(3, 2, [](int x, int y) {
            return Bgr{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 9};
        });
        g.width = 3;
        g.height = 2;
    }
    // What the window does for Rotate Right.
    void RotateRight() {
        DibImage turned = RotateDib(picture, true);
        ASSERT_TRUE(turned);
        std::swap(picture, turned);
        g.rotation = NextRotation(g.rotation, true);
        g.last_turn = kTurnRight;
        std::swap(g.width, g.height);
        ++g.modified;
        RecordPictureChange(&u, &window_a, std::move(turned), g.rotation);
    }
};

TEST_F(UndoTest, UndoTwiceAfterARotationGivesTheRotatedPictureBack) {
    const std::vector<uint32_t> before = Pixels(picture);
    RotateRight();
    const std::vector<uint32_t> turned = Pixels(picture);
    EXPECT_EQ(u.kind, 90);
    EXPECT_TRUE(CanUndo(u, &window_a));
    EXPECT_EQ(UndoExchange(&u, &window_a, &g, &picture), UndoResult::kPicture);
    EXPECT_EQ(Pixels(picture), before);
    EXPECT_EQ(g.width, 3);
    EXPECT_EQ(g.rotation, 360);
    EXPECT_EQ(g.last_turn, kTurnLeft);
    EXPECT_EQ(g.modified, 0);
    EXPECT_EQ(UndoExchange(&u, &window_a, &g, &picture), UndoResult::kPicture);
    EXPECT_EQ(Pixels(picture), turned);
    EXPECT_EQ(g.width, 2);
    EXPECT_EQ(g.rotation, 90);
    EXPECT_EQ(g.last_turn, kTurnRight);
    EXPECT_EQ(g.modified, 1);
}

TEST_F(UndoTest, UndoOfALeftTurnGoesForward) {
    DibImage turned = RotateDib(picture, false);
    std::swap(picture, turned);
    g.rotation = NextRotation(0, false);
    g.last_turn = kTurnLeft;
    std::swap(g.width, g.height);
    RecordPictureChange(&u, &window_a, std::move(turned), g.rotation);
    EXPECT_EQ(u.kind, 270);
    UndoExchange(&u, &window_a, &g, &picture);
    EXPECT_EQ(g.rotation, 360);
    EXPECT_EQ(g.last_turn, kTurnRight);
}

TEST_F(UndoTest, ZoomUndoLeavesThePictureAndRedoes) {
    RotateRight();  // a picture change first: the zoom change discards its picture
    RecordZoomChange(&u, &window_a, 8, 4);
    g.prev_zoom = 4;
    g.zoom = 8;
    EXPECT_FALSE(u.picture);
    const std::vector<uint32_t> shown = Pixels(picture);
    const int modified = g.modified;
    EXPECT_EQ(UndoExchange(&u, &window_a, &g, &picture), UndoResult::kZoom);
    EXPECT_EQ(g.zoom, 4);
    EXPECT_EQ(u.kind, 4);
    EXPECT_EQ(Pixels(picture), shown);
    EXPECT_EQ(g.modified, modified);
    EXPECT_EQ(UndoExchange(&u, &window_a, &g, &picture), UndoResult::kZoom);
    EXPECT_EQ(g.zoom, 8);
    EXPECT_EQ(u.kind, 8);
}

TEST_F(UndoTest, ResizeUndoRestoresSizeAndZoom) {
    g.zoom = 2;
    DibImage bigger = ResizeDib(picture, 40, 30);
    std::swap(picture, bigger);
    RecordResize(&u, &window_a, std::move(bigger), g.width, g.height, g.zoom);
    g.width = 40;
    g.height = 30;
    g.prev_zoom = g.zoom;
    g.zoom = 4;
    g.modified = 1;
    EXPECT_EQ(UndoExchange(&u, &window_a, &g, &picture), UndoResult::kPicture);
    EXPECT_EQ(g.width, 3);
    EXPECT_EQ(g.height, 2);
    EXPECT_EQ(g.zoom, 2);
    EXPECT_EQ(DibWidth(picture), 3);
    EXPECT_EQ(g.modified, 0);
    EXPECT_EQ(UndoExchange(&u, &window_a, &g, &picture), UndoResult::kPicture);
    EXPECT_EQ(g.width, 40);
    EXPECT_EQ(g.zoom, 4);
    EXPECT_EQ(DibWidth(picture), 40);
    EXPECT_EQ(g.modified, 1);
}

TEST_F(UndoTest, AdjustmentKeepsTheRedoToggle) {
    RotateRight();
    UndoExchange(&u, &window_a, &g, &picture);  // toggle set
    EXPECT_TRUE(u.redo_toggle);
    RecordPictureChange(&u, &window_a, CopyDib(picture), kUndoAdjustment);
    EXPECT_TRUE(u.redo_toggle);
    RecordPictureChange(&u, &window_a, CopyDib(picture), 180);
    EXPECT_FALSE(u.redo_toggle);
}

TEST_F(UndoTest, OnlyTheWindowOfTheLastOperation) {
    EXPECT_FALSE(CanUndo(u, &window_a));  // nothing yet
    RotateRight();
    const std::vector<uint32_t> shown = Pixels(picture);
    EXPECT_FALSE(CanUndo(u, &window_b));
    EXPECT_EQ(UndoExchange(&u, &window_b, &g, &picture), UndoResult::kNone);
    EXPECT_EQ(Pixels(picture), shown);
    // A window that closes takes its step along; a new window at the same address gets none.
    ForgetUndoWindow(&u, &window_b);
    EXPECT_TRUE(CanUndo(u, &window_a));
    ForgetUndoWindow(&u, &window_a);
    EXPECT_FALSE(CanUndo(u, &window_a));
    EXPECT_FALSE(u.picture);
}

}  // namespace
