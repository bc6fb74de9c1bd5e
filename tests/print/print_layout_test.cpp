// The sheet layouts of printing on a 600 dpi page of 4800 x 6600 printer pixels.
#include "print/print_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/region.h"
#include "base/settings.h"

namespace {

PrintPage Page600() {
    return MakePrintPage(4800, 6600, 600, 600);
}

PrintOptions Single(int nor_type, bool name = false, bool date = false) {
    PrintOptions o;
    o.nor_type = nor_type;
    o.name = name;
    o.date = date;
    return o;
}

PrintOptions Album(int alb_type, bool name = false, bool date = false) {
    PrintOptions o;
    o.alb_type = alb_type;
    o.name = name;
    o.date = date;
    return o;
}

void ExpectRect(const PrintRect& r, int x, int y, int width, int height) {
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.width, width);
    EXPECT_EQ(r.height, height);
}

TEST(PrintPageTest, CaptionUnitAndCellFromTheDeviceMode) {
    PrintPage p = Page600();
    EXPECT_EQ(p.caption_unit, 120);
    EXPECT_EQ(p.cell_width, 566);
    EXPECT_EQ(p.cell_height, 424);
    // Without a y-resolution the print quality stands in for it, and the other way round.
    PrintPage q = MakePrintPage(2400, 3300, 0, 300);
    EXPECT_EQ(q.caption_unit, 60);
    EXPECT_EQ(q.cell_width, 283);
    PrintPage r = MakePrintPage(2400, 3300, 300, -3);
    EXPECT_EQ(r.caption_unit, 60);
    EXPECT_EQ(r.cell_width, 283);
    EXPECT_EQ(r.cell_height, 212);
    // Neither known: the fixed 120 x 90 cell.
    PrintPage s = MakePrintPage(2400, 3300, 0, -2);
    EXPECT_EQ(s.caption_unit, 0);
    EXPECT_EQ(s.cell_width, 120);
    EXPECT_EQ(s.cell_height, 90);
}

TEST(SingleImageTest, FitToThePaper) {
    PrintPlacement p = PlaceSingleImage(Page600(), Single(kNorFit), 640, 480, false);
    ExpectRect(p.image, 5, 1504, 4790, 3592);
    EXPECT_EQ(p.name.width, 0);
    EXPECT_EQ(p.date.width, 0);
    // A portrait picture too wide for the page at full height falls back to the width.
    p = PlaceSingleImage(Page600(), Single(kNorFit), 480, 640, false);
    ExpectRect(p.image, 5, 107, 4790, 6386);
    // A tall narrow one takes the height.
    p = PlaceSingleImage(Page600(), Single(kNorFit), 100, 400, false);
    ExpectRect(p.image, (4800 - 1647) / 2, 5, 1647, 6590);
}

TEST(SingleImageTest, FitWithCaptionsShrinksTheUsableArea) {
    // H' = 6600 - 120 - 10 = 6470, W' = 4800 x 6470 / 6600 = 4705.
    PrintPlacement p = PlaceSingleImage(Page600(), Single(kNorFit, true, false), 640, 480, true);
    ExpectRect(p.image, 52, 1474, 4695, 3521);
    // The date option off: the file name starts at the image's left edge and runs to the
    // page's right edge, 4 pixels under the image.
    EXPECT_EQ(p.date.width, 0);
    ExpectRect(p.name, 52, 1474 + 3521 + 4, 4800 - 52, 120);
    // With a date: the date box first, the name one caption unit after it.
    p = PlaceSingleImage(Page600(), Single(kNorFit, true, true), 640, 480, true);
    ExpectRect(p.date, 52, 4999, 566, 120);
    ExpectRect(p.name, 52 + 566 + 120, 4999, 4800 - 738, 120);
    // The date option on but the file has no date: the name takes the date's place.
    p = PlaceSingleImage(Page600(), Single(kNorFit, true, true), 640, 480, false);
    EXPECT_EQ(p.date.width, 0);
    EXPECT_EQ(p.name.x, 52);
}

TEST(SingleImageTest, OriginalSizeIsCentred) {
    PrintPlacement p = PlaceSingleImage(Page600(), Single(kNorOriginal), 640, 480, false);
    ExpectRect(p.image, 2080, 3060, 640, 480);
}

TEST(SingleImageTest, UpperAndLowerHalves) {
    // Landscape: the width would make it taller than half the page, so half the height wins.
    PrintPlacement up = PlaceSingleImage(Page600(), Single(kNorUpper), 640, 480, false);
    ExpectRect(up.image, 200, 20, 4400, 3300);
    PrintPlacement low = PlaceSingleImage(Page600(), Single(kNorLower), 640, 480, false);
    ExpectRect(low.image, 200, 3280, 4400, 3300);
    // A flat panorama keeps the width and sits centred in the lower half.
    low = PlaceSingleImage(Page600(), Single(kNorLower), 1000, 200, false);
    ExpectRect(low.image, 5, (3300 - 958) / 2 + 3300 - 20, 4790, 958);
    up = PlaceSingleImage(Page600(), Single(kNorUpper), 1000, 200, false);
    EXPECT_EQ(up.image.y, 20);
    // Captions lift the lower half by a caption unit.
    low = PlaceSingleImage(Page600(), Single(kNorLower, true), 1000, 200, false);
    EXPECT_EQ(low.image.y, (3300 - 958) / 2 + 3300 - 120 - 20);
}

TEST(SingleImageTest, EmptySourceHasNoPlace) {
    PrintPlacement p = PlaceSingleImage(Page600(), Single(kNorFit), 0, 480, false);
    EXPECT_EQ(p.image.width, 0);
    EXPECT_EQ(p.image.height, 0);
}

TEST(AlbumPagesTest, EntriesPerPageAndPageCounts) {
    PrintPage page = Page600();
    EXPECT_EQ(AlbumPageCount(page, Album(kAlbTwo), 5), 3);
    EXPECT_EQ(AlbumPageCount(page, Album(kAlbFour), 5), 2);
    EXPECT_EQ(AlbumPageCount(page, Album(kAlbSixteen), 16), 1);
    EXPECT_EQ(AlbumPageCount(page, Album(kAlbSixteen), 17), 2);
    // No entries still print one empty page.
    EXPECT_EQ(AlbumPageCount(page, Album(kAlbFour), 0), 1);
    // Album print: 5 columns (8 would fit), 14 rows of 424 + 20; captions make rows taller.
    EXPECT_EQ(AlbumEntriesPerPage(page, Album(kAlbAlbumPrint)), 70);
    EXPECT_EQ(AlbumEntriesPerPage(page, Album(kAlbAlbumPrint, true, true)), 45);
    EXPECT_EQ(AlbumPageCount(page, Album(kAlbAlbumPrint), 71), 2);
}

TEST(AlbumPagesTest, APageTooSmallForACellStillHoldsOne) {
    PrintPage tiny = MakePrintPage(50, 40, 600, 600);
    EXPECT_EQ(AlbumEntriesPerPage(tiny, Album(kAlbAlbumPrint)), 1);
    EXPECT_EQ(AlbumPageCount(tiny, Album(kAlbAlbumPrint), 3), 3);
    PrintPlacement p = PlaceAlbumEntry(tiny, Album(kAlbAlbumPrint), 2, 640, 480, false, 0);
    EXPECT_EQ(p.image.x, (50 - 566) / 6);
}

TEST(AlbumPlacementTest, TwoPerSheet) {
    PrintPage page = Page600();
    // s = 140: the landscape width would be 3592 high, more than 3300 - 140.
    PrintPlacement a = PlaceAlbumEntry(page, Album(kAlbTwo), 0, 640, 480, false, 0);
    ExpectRect(a.image, (4800 - 4213) / 2, 10, 4213, 3160);
    PrintPlacement b = PlaceAlbumEntry(page, Album(kAlbTwo), 1, 640, 480, false, 0);
    EXPECT_EQ(b.image.y, a.image.y + 3300);
    PrintPlacement c = PlaceAlbumEntry(page, Album(kAlbTwo), 2, 640, 480, false, 0);
    EXPECT_EQ(c.image.y, a.image.y);
    // Portrait: half the page less the caption block high.
    PrintPlacement d = PlaceAlbumEntry(page, Album(kAlbTwo), 1, 480, 640, false, 0);
    ExpectRect(d.image, (4800 - 2370) / 2, 3310, 2370, 3160);
    // Captions as in the single layouts: name after the date box.
    PrintPlacement e = PlaceAlbumEntry(page, Album(kAlbTwo, true, true), 0, 640, 480, true, 0);
    ExpectRect(e.date, a.image.x, 10 + 3160 + 4, 566, 120);
    EXPECT_EQ(e.name.x, a.image.x + 566 + 120);
    EXPECT_EQ(e.name.x + e.name.width, 4800);
}

TEST(AlbumPlacementTest, FourPerSheetCells) {
    PrintPage page = Page600();
    // u = 2390, v = (6600 - 480 - 40) / 2 = 3040, F = 6.
    PrintPlacement p = PlaceAlbumEntry(page, Album(kAlbFour), 3, 640, 480, false, 0);
    ExpectRect(p.image, 2402, 3320 + (3040 - 1792) / 2, 2390, 1792);
    // The fifth entry starts the next page in the first cell.
    PrintPlacement q = PlaceAlbumEntry(page, Album(kAlbFour), 4, 640, 480, false, 0);
    ExpectRect(q.image, 6, 20 + (3040 - 1792) / 2, 2390, 1792);
    // A portrait picture is narrower than its cell: centred, the name line starts at it.
    PrintPlacement r = PlaceAlbumEntry(page, Album(kAlbFour, true, true), 0, 480, 640, true, 3000);
    ExpectRect(r.image, 6 + (2390 - 2280) / 2, 20 + 120, 2280, 3040);
    ExpectRect(r.date, 6, 20, 2390, 120);
    ExpectRect(r.name, r.image.x, 20 + 120 + 3040, 3000, 120);
    // A landscape one fills the cell width: the name starts at the cell and is the cell wide
    // when twelve M are narrower.
    PrintPlacement s = PlaceAlbumEntry(page, Album(kAlbFour, true, false), 1, 640, 480, false, 900);
    ExpectRect(s.name, 2402, 20 + 3040, 2390, 120);
    EXPECT_EQ(s.date.width, 0);
}

TEST(AlbumPlacementTest, SixteenPerSheetRowsAndColumns) {
    PrintPage page = Page600();
    // u = (4800 - 40) / 4 = 1190, v = (6600 - 960 - 80) / 4 = 1390, F = (4800 - 4760) / 5 = 8.
    PrintPlacement p = PlaceAlbumEntry(page, Album(kAlbSixteen), 6, 640, 480, false, 0);
    EXPECT_EQ(p.image.x, 2 * (8 + 1190) + 8);
    EXPECT_EQ(p.image.width, 1190);
    EXPECT_EQ(p.image.height, 892);
    EXPECT_EQ(p.image.y, 20 + (1390 + 240 + 20) + (1390 - 892) / 2);
    PrintPlacement q = PlaceAlbumEntry(page, Album(kAlbSixteen), 22, 640, 480, false, 0);
    EXPECT_EQ(q.image.x, p.image.x);
    EXPECT_EQ(q.image.y, p.image.y);
}

TEST(AlbumPlacementTest, AlbumPrintCellsAndRows) {
    PrintPage page = Page600();
    // I = (4800 - 5 x 566) / 6 = 328; entry 6 is column 1 of row 1.
    PrintPlacement p = PlaceAlbumEntry(page, Album(kAlbAlbumPrint), 6, 640, 480, false, 0);
    ExpectRect(p.image, 1222, 464, 566, 424);
    // A portrait picture is centred in the cell.
    p = PlaceAlbumEntry(page, Album(kAlbAlbumPrint), 0, 480, 640, false, 0);
    ExpectRect(p.image, 328 + (566 - 318) / 2, 20, 318, 424);
    // Date and name lines: the date at the row top, the picture under it, the name under the
    // cell, as wide as twelve M when those are wider than the cell.
    p = PlaceAlbumEntry(page, Album(kAlbAlbumPrint, true, true), 5, 640, 480, true, 700);
    int y0 = 20 + (424 + 120 + 120 + 20);
    ExpectRect(p.date, 328, y0, 566, 120);
    ExpectRect(p.image, 328, y0 + 120, 566, 424);
    ExpectRect(p.name, 328, y0 + 120 + 424, 700, 120);
    // A file without a date keeps the row's date line empty but the picture below it.
    p = PlaceAlbumEntry(page, Album(kAlbAlbumPrint, false, true), 5, 640, 480, false, 700);
    EXPECT_EQ(p.date.width, 0);
    EXPECT_EQ(p.image.y, 20 + (424 + 120 + 20) + 120);
    EXPECT_EQ(p.name.width, 0);
    // A missing picture leaves its place empty but keeps its captions.
    p = PlaceAlbumEntry(page, Album(kAlbAlbumPrint, true, false), 0, 0, 0, false, 0);
    EXPECT_EQ(p.image.width, 0);
    EXPECT_EQ(p.name.width, 566);
}

TEST(PrintCaptionTest, DateByLanguageAndFileName) {
    CameraDate d;
    d.year = 2001;
    d.month = 1;
    d.day = 25;
    EXPECT_EQ(PrintDateText(d, kRegionEnglish), "1/25/2001");
    EXPECT_EQ(PrintDateText(d, kRegionJapanese), "2001/1/25");
    EXPECT_EQ(PrintDateText(d, kRegionFrench), "25 1.,2001");
    EXPECT_EQ(PrintDateText(d, kRegionGerman), "25 1.,2001");
    EXPECT_EQ(PrintDateText(CameraDate(), kRegionEnglish), "");
    EXPECT_EQ(PrintFileName("C:\\Pictures\\DSC0001.JPG"), "DSC0001.JPG");
    EXPECT_EQ(PrintFileName("/home/a/b.bmp"), "b.bmp");
    EXPECT_EQ(PrintFileName("plain.jpg"), "plain.jpg");
}

TEST(PrintOptionsTest, DefaultsRangesAndWhatOkWrites) {
    MemorySettings store;
    PrintOptions o = ReadPrintOptions(store);
    EXPECT_FALSE(o.name);
    EXPECT_FALSE(o.date);
    EXPECT_EQ(o.alb_type, 0);
    EXPECT_EQ(o.nor_type, 0);
    EXPECT_TRUE(o.all);
    store.values = {
        {"PrnName", "1"}, {"PrnDate", "7"}, {"AlbType", "3"}, {"NorType", "-1"}, {"AlbAll", "0"}};
    o = ReadPrintOptions(store);
    EXPECT_TRUE(o.name);
    EXPECT_FALSE(o.date);
    EXPECT_EQ(o.alb_type, 3);
    EXPECT_EQ(o.nor_type, 0);
    EXPECT_FALSE(o.all);

    MemorySettings image;
    o.nor_type = 2;
    o.date = true;
    WritePrintOptions(image, o, false);
    EXPECT_EQ(image.values.count("AlbType"), 0u);
    EXPECT_EQ(image.values.count("AlbAll"), 0u);
    EXPECT_EQ(image.values["NorType"], "2");
    EXPECT_EQ(image.values["PrnDate"], "1");
    MemorySettings album;
    WritePrintOptions(album, o, true);
    EXPECT_EQ(album.values.count("NorType"), 0u);
    EXPECT_EQ(album.values["AlbType"], "3");
    EXPECT_EQ(album.values["AlbAll"], "0");
    EXPECT_EQ(album.values["PrnName"], "1");
}

// The sheets' pictures keep their distance from the paper's edge and from each other, and each
// caption sits at its own picture, apart from every other.
TEST(SheetLayout, MarginsGapsAndCaptionsByTheirPictures) {
    constexpr int kDpi = 300, kPaperW = 2480, kPaperH = 3508;  // A4
    constexpr int kMargin = 118;                               // 10 mm
    constexpr int kGap = 35;                                   // 3 mm
    const PrintPage page = MakeSheetPage(kPaperW, kPaperH, kDpi, kMargin);
    EXPECT_EQ(page.width, kPaperW - 2 * kMargin);
    EXPECT_EQ(page.height, kPaperH - 2 * kMargin);
    // The distance between two rectangles (0 when they touch or overlap).
    auto distance = [](const PrintRect& a, const PrintRect& b) {
        const int dx = std::max({0, b.x - (a.x + a.width), a.x - (b.x + b.width)});
        const int dy = std::max({0, b.y - (a.y + a.height), a.y - (b.y + b.height)});
        return std::max(dx, dy);
    };
    const struct {
        int alb_type;
        const char* what;
    } layouts[] = {{kAlbTwo, "2"}, {kAlbFour, "4"}, {kAlbSixteen, "16"}, {kAlbAlbumPrint, "album"}};
    const struct { int w, h; } shapes[] = {{640, 480}, {480, 640}, {100, 100}, {1280, 200}};
    for (const auto& l : layouts) {
        for (const auto& shape : shapes) {
            SCOPED_TRACE(std::string(l.what) + " " + std::to_string(shape.w) + "x" +
                         std::to_string(shape.h));
            PrintOptions options;
            options.alb_type = l.alb_type;
            options.name = options.date = true;
            const int per = AlbumEntriesPerPage(page, options);
            std::vector<PrintPlacement> places;
            for (int i = 0; i < per; ++i)
                places.push_back(KeepApart(
                    PlaceAlbumEntry(page, options, i, shape.w, shape.h, true, 300), kGap));
            for (int i = 0; i < per; ++i) {
                const PrintPlacement& p = places[i];
                ASSERT_GT(p.image.width, 0);
                // Inside the page, so at least the margin from the paper's edge.
                EXPECT_GE(p.image.x, 0);
                EXPECT_GE(p.image.y, 0);
                EXPECT_LE(p.image.x + p.image.width, page.width);
                EXPECT_LE(p.image.y + p.image.height, page.height);
                for (const PrintRect* line : {&p.date, &p.name}) {
                    if (line->width <= 0) continue;
                    EXPECT_GE(line->y, 0);
                    EXPECT_LE(line->y + line->height, page.height);
                    EXPECT_EQ(line->x, p.image.x);
                    // The first line at the picture, a second one under the first.
                    EXPECT_LE(distance(*line, p.image), kGap / 4 + page.caption_unit) << i;
                }
                for (int j = 0; j < per; ++j) {
                    if (j == i) continue;
                    EXPECT_GE(distance(p.image, places[j].image), kGap / 2) << i << " " << j;
                    for (const PrintRect* line : {&p.date, &p.name}) {
                        if (line->width > 0) {
                            EXPECT_GE(distance(*line, places[j].image), kGap / 2) << i << " " << j;
                        }
                    }
                }
            }
        }
    }
    // No picture, nothing to move; no gap, nothing changes.
    PrintPlacement empty;
    EXPECT_EQ(KeepApart(empty, kGap).image.width, 0);
    PrintPlacement one;
    one.image = {10, 20, 300, 200};
    EXPECT_EQ(KeepApart(one, 0).image.width, 300);
    const PrintPlacement kept = KeepApart(one, 30);
    EXPECT_EQ(kept.image.width, 255);  // 30 less in height, the aspect kept
    EXPECT_EQ(kept.image.height, 170);
    EXPECT_EQ(kept.image.x, 32);
    EXPECT_EQ(kept.image.y, 35);
}

}  // namespace
