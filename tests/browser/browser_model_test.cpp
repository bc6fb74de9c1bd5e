#include "browser/browser_model.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>

#include "base/region.h"
#include "link/protocol.h"
#include "session/session_fakes.h"
#include "sim/sim_driver.h"

namespace {

std::unique_ptr<CameraBrowserState> NewState(int32_t total) {
    std::unique_ptr<CameraBrowserState> st(new (std::nothrow) CameraBrowserState);
    if (st) st->total = total;
    return st;
}

std::vector<int> Selected(const CameraBrowserState& st) {
    return SelectedImages(st);
}

TEST(BrowserPages, JumpsAndTheEndAlignment) {
    struct Case {
        int32_t n, total, first, last;
    } cases[] = {
        {1, 1, 1, 1},
        {1, 16, 1, 16},
        {1, 17, 1, 16},
        {17, 17, 5, 17},
        {1, 32, 1, 16},
        {17, 32, 17, 32},
        {17, 33, 17, 32},
        {33, 33, 21, 33},
        {5000, 5000, 4985, 5000},
        {4990, 5000, 4977, 4992},
        {100, 5000, 97, 112},
        {9, 9, 1, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.n) + " of " + std::to_string(c.total));
        const PageRange p = PageForJump(c.n, c.total);
        EXPECT_EQ(p.first, c.first);
        EXPECT_EQ(p.last, c.last);
    }
    // The end of 17 images: rows 5-8, 9-12, 13-16 and 17 alone in the bottom row.
    EXPECT_EQ(EndAlignedFirst(17), 5);
    EXPECT_EQ(EndAlignedFirst(18), 5);
    EXPECT_EQ(EndAlignedFirst(19), 5);
    EXPECT_EQ(EndAlignedFirst(20), 5);
    EXPECT_EQ(EndAlignedFirst(3), 1);  // never below 1
}

TEST(BrowserPages, ScrollBarFollowsTheRows) {
    struct Case {
        int32_t total, first;
        bool enabled;
        int32_t max, position, last_position;
    } cases[] = {
        {0, 0, false, 1, 1, 1},  {1, 1, false, 1, 1, 1},
        {16, 1, false, 4, 1, 1}, {17, 1, true, 5, 1, 2},
        {17, 5, true, 5, 2, 2},  {32, 17, true, 8, 5, 5},
        {33, 21, true, 9, 6, 6}, {5000, 4985, true, 1250, 1247, 1247},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.total);
        const ScrollState sc = ScrollFor(c.first, c.total);
        EXPECT_EQ(sc.enabled, c.enabled);
        EXPECT_EQ(sc.max, c.max);
        EXPECT_EQ(sc.position, c.position);
        EXPECT_EQ(LastScrollPosition(c.total), c.last_position);
        EXPECT_EQ(sc.up_arrow, c.enabled && c.position > 1);
        EXPECT_EQ(sc.down_arrow, c.enabled && c.position < c.last_position);
    }
    // Moves are clamped to the rows the thumb can reach; a position is the page's top row.
    EXPECT_EQ(ScrollTo(1, ScrollAction::kLineUp, 0, 33), 1);
    EXPECT_EQ(ScrollTo(1, ScrollAction::kPageDown, 0, 33), 5);
    EXPECT_EQ(ScrollTo(5, ScrollAction::kPageDown, 0, 33), 6);
    EXPECT_EQ(ScrollTo(6, ScrollAction::kLineDown, 0, 33), 6);
    EXPECT_EQ(ScrollTo(6, ScrollAction::kThumb, 3, 33), 3);
    EXPECT_EQ(ScrollTo(3, ScrollAction::kTop, 0, 33), 1);
    EXPECT_EQ(ScrollTo(1, ScrollAction::kBottom, 0, 33), 6);
    EXPECT_EQ(PageOfScrollPosition(6).first, 21);
    EXPECT_EQ(PageOfScrollPosition(6).last, 36);
}

TEST(BrowserSelection, PlainShiftAndCtrlClicks) {
    auto st = NewState(40);
    ASSERT_TRUE(st);
    ClickPlain(*st, 3);
    EXPECT_EQ(Selected(*st), std::vector<int>{3});
    ClickShift(*st, 7);
    EXPECT_EQ(Selected(*st), (std::vector<int>{3, 4, 5, 6, 7}));
    EXPECT_EQ(st->range_start, 3);
    EXPECT_EQ(st->range_end, 7);
    ClickCtrl(*st, 5);
    EXPECT_EQ(Selected(*st), (std::vector<int>{3, 4, 6, 7}));
    ClickCtrl(*st, 12);
    EXPECT_EQ(Selected(*st), (std::vector<int>{3, 4, 6, 7, 12}));
    // Shift now spans from the last Ctrl-click, backwards too, in ascending order.
    ClickShift(*st, 10);
    EXPECT_EQ(Selected(*st), (std::vector<int>{10, 11, 12}));
    // With nothing selected, a Shift-click anchors on itself.
    ClearSelection(*st);
    ClickShift(*st, 9);
    EXPECT_EQ(Selected(*st), std::vector<int>{9});
    ClickPlain(*st, 20);
    EXPECT_EQ(Selected(*st), std::vector<int>{20});
}

TEST(BrowserSelection, CellsFollowTheSelectionAndAskForARedraw) {
    auto st = NewState(40);
    st->cache[0].number = 3;
    st->cache[1].number = 4;
    ClickPlain(*st, 3);
    EXPECT_TRUE(st->cache[0].selected);
    EXPECT_TRUE(st->cache[0].needs_redraw);
    EXPECT_FALSE(st->cache[1].selected);
    st->cache[0].needs_redraw = st->cache[1].needs_redraw = false;
    ClickPlain(*st, 4);
    EXPECT_FALSE(st->cache[0].selected);
    EXPECT_TRUE(st->cache[1].selected);
    EXPECT_TRUE(st->cache[0].needs_redraw && st->cache[1].needs_redraw);
}

TEST(BrowserSelection, DoubleClicks) {
    ClickMemory m;
    EXPECT_FALSE(IsDoubleClick(&m, 1000, 2, 500, true, true, 1));
    EXPECT_TRUE(IsDoubleClick(&m, 1300, 2, 500, true, true, 1));
    // A third click starts over.
    EXPECT_FALSE(IsDoubleClick(&m, 1400, 2, 500, true, true, 1));
    EXPECT_FALSE(IsDoubleClick(&m, 2000, 2, 500, true, true, 1));   // too late
    EXPECT_FALSE(IsDoubleClick(&m, 2100, 3, 500, true, true, 1));   // another button
    EXPECT_FALSE(IsDoubleClick(&m, 2200, 3, 500, false, true, 1));  // nothing shown yet
    EXPECT_FALSE(IsDoubleClick(&m, 2300, 3, 500, true, false, 1));  // not cached
}

TEST(BrowserEdits, EveryRuleOfTheTwoEdits) {
    auto st = NewState(40);
    // 0 in the first edit becomes "1".
    EditOutcome o = OnRangeEdit(*st, kFirstNumberEdit, "0");
    EXPECT_TRUE(o.set_first);
    EXPECT_EQ(st->first_text, "1");
    EXPECT_TRUE(o.preview_and_last_enabled);
    // A letter puts the previous text back.
    o = OnRangeEdit(*st, kFirstNumberEdit, "1a");
    EXPECT_TRUE(o.set_first);
    EXPECT_EQ(st->first_text, "1");
    // Unchanged text does nothing.
    o = OnRangeEdit(*st, kFirstNumberEdit, "1");
    EXPECT_FALSE(o.set_first || o.selection_changed);
    // 99999 with 40 images becomes 40; more than five characters too.
    o = OnRangeEdit(*st, kFirstNumberEdit, "99999");
    EXPECT_TRUE(o.set_first);
    EXPECT_EQ(st->first_text, "40");
    o = OnRangeEdit(*st, kFirstNumberEdit, "123456");
    EXPECT_EQ(st->first_text, "40");
    // First 3, last 2: nothing selected, Transfer and Delete off.
    OnRangeEdit(*st, kFirstNumberEdit, "3");
    o = OnRangeEdit(*st, kLastNumberEdit, "2");
    EXPECT_TRUE(Selected(*st).empty());
    EXPECT_FALSE(o.transfer_delete_enabled);
    // First 3, last 5: 3, 4, 5.
    o = OnRangeEdit(*st, kLastNumberEdit, "5");
    EXPECT_EQ(Selected(*st), (std::vector<int>{3, 4, 5}));
    EXPECT_TRUE(o.transfer_delete_enabled);
    EXPECT_TRUE(st->range_typed);
    EXPECT_EQ(st->anchor, 3);
    // A last number beyond N becomes N and selects to the end.
    o = OnRangeEdit(*st, kLastNumberEdit, "77");
    EXPECT_TRUE(o.set_last);
    EXPECT_EQ(st->last_text, "40");
    EXPECT_EQ(Selected(*st).size(), 38u);
    // Emptying the last edit clears the selection.
    o = OnRangeEdit(*st, kLastNumberEdit, "");
    EXPECT_TRUE(Selected(*st).empty());
    EXPECT_FALSE(o.transfer_delete_enabled);
    // A last number of 0 empties the last edit.
    o = OnRangeEdit(*st, kLastNumberEdit, "0");
    EXPECT_TRUE(o.set_last);
    EXPECT_EQ(st->last_text, "");
    // An empty first edit disables Preview and the last edit.
    o = OnRangeEdit(*st, kFirstNumberEdit, "");
    EXPECT_FALSE(o.preview_and_last_enabled);
}

TEST(BrowserCache, RenumbersAfterDeletingTwoAndFourOfSix) {
    auto st = NewState(6);
    for (int i = 0; i < 6; ++i) st->cache[i].number = i + 1;
    st->next_fill = 6;
    st->first_shown = 1;
    st->last_shown = 6;
    RenumberAfterDelete(*st, {2, 4, -1});
    EXPECT_EQ(st->total, 4);
    // The cells of 1, 3, 5 and 6 remain in order, now 1, 2, 3 and 4.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(st->cache[i].number, i + 1) << i;
    EXPECT_EQ(st->cache[4].number, 0);
    EXPECT_EQ(st->next_fill, 4);
    EXPECT_EQ(st->last_shown, 4);
    EXPECT_EQ(st->selected_count, 0);
    // Deleting the rest shows nothing.
    RenumberAfterDelete(*st, {1, 2, 3, 4});
    EXPECT_EQ(st->total, 0);
    EXPECT_EQ(st->first_shown, 0);
}

TEST(BrowserCache, PagesComeFromTheCameraOnceWithinThreePages) {
    SimSession t(2, 70);
    ASSERT_EQ(t.Open(), kLinkOk);
    ASSERT_TRUE(AddSimFault(*t.cam, "status:22:6*1"));  // image 1 has no thumbnail
    auto st = NewState(70);
    auto thumb_requests = [&] { return SeqRequestsOf(*t.cam, kSeqThumbnailSize).size(); };
    auto show = [&](int32_t n) {
        const PageRange p = PageForJump(n, st->total);
        st->first_shown = p.first;
        st->last_shown = p.last;
        return LoadPage(*st, t.s);
    };
    ASSERT_EQ(show(1), kLinkOk);
    EXPECT_EQ(thumb_requests(), 16u);
    EXPECT_FALSE(st->cache[FindCell(*st, 1)].has_thumbnail);
    EXPECT_TRUE(st->cache[FindCell(*st, 2)].has_thumbnail);
    EXPECT_EQ(DibWidth(st->cache[FindCell(*st, 2)].thumbnail), 80);
    EXPECT_TRUE(st->cache[FindCell(*st, 2)].date.known());
    ASSERT_EQ(show(17), kLinkOk);
    ASSERT_EQ(show(33), kLinkOk);
    EXPECT_EQ(thumb_requests(), 48u);
    // Back and forth within three pages: nothing more from the camera.
    ASSERT_EQ(show(1), kLinkOk);
    ASSERT_EQ(show(20), kLinkOk);
    EXPECT_EQ(thumb_requests(), 48u);
    for (int i = 0; i < kGridButtons; ++i) EXPECT_EQ(st->page[i], 17 + i);
    // A fourth page fills on round robin from where the revisits left the fill position (a
    // page found in the cache moves it past its cells): the third page's cells go.
    ASSERT_EQ(show(49), kLinkOk);
    EXPECT_EQ(thumb_requests(), 64u);
    EXPECT_EQ(FindCell(*st, 33), -1);
    EXPECT_NE(FindCell(*st, 1), -1);
    EXPECT_NE(FindCell(*st, 17), -1);
    // The last page of 70: 57 to 70, with 71 and 72 empty.
    ASSERT_EQ(show(70), kLinkOk);
    EXPECT_EQ(st->first_shown, 57);
    EXPECT_EQ(st->page[13], 70);
    EXPECT_EQ(st->page[14], 0);
    // A failing fetch stops the page with its code.
    ASSERT_TRUE(AddSimFault(*t.cam, "noreply:22"));
    FreeCells(*st);
    EXPECT_EQ(show(1), kLinkTimeout);
}

TEST(BrowserTexts, CaptionsAndDateLinesOfTheFourRegions) {
    EXPECT_EQ(CaptionText(12), "Image 12");
    CameraDate d;
    d.year = 2001;
    d.month = 3;
    d.day = 14;
    EXPECT_EQ(DateLine(d, kRegionEnglish), "MAR.14,2001");
    EXPECT_EQ(DateLine(d, kRegionJapanese), "2001/3/14");
    EXPECT_EQ(DateLine(d, kRegionFrench), "14 MAR.,2001");
    EXPECT_EQ(DateLine(d, kRegionGerman), "14 MAR.,2001");
    EXPECT_EQ(DateLine(CameraDate{}, kRegionEnglish), "");
}

}  // namespace
