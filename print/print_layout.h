// Where pictures and their caption lines go on a printed sheet. Everything here is arithmetic
// in printer pixels on the printable area of one page, so the same rules drive the Windows
// print job, the command-line sheet writer and the tests. All divisions truncate; the scale
// products are done in 64-bit integers, which gives the exact truncated value.
//
// A page too small for even one thumbnail cell still holds one picture per page (one column,
// one row), so that a tiny printable area never divides by zero or loops without progress.
#pragma once
#include <cstdint>
#include <string>

#include "codec/camera_segments.h"

// The five print settings of the settings file and their defaults.
enum NorType { kNorFit = 0, kNorOriginal = 1, kNorUpper = 2, kNorLower = 3 };
enum AlbType { kAlbAlbumPrint = 0, kAlbTwo = 1, kAlbFour = 2, kAlbSixteen = 3 };

struct PrintOptions {
    bool name = false;  // PrnName
    bool date = false;  // PrnDate
    int alb_type = kAlbAlbumPrint;
    int nor_type = kNorFit;
    bool all = true;  // AlbAll
};

struct SettingsStore;
// Reads PrnName, PrnDate, AlbType, NorType and AlbAll; a missing or unreadable key, or a value
// outside its range, gives the default.
PrintOptions ReadPrintOptions(SettingsStore& store);
// Writes the keys the print dialog's OK writes: AlbAll and AlbType for an album, NorType for an
// image, PrnName and PrnDate always.
void WritePrintOptions(SettingsStore& store, const PrintOptions& options, bool album);

// One page of a job in printer pixels.
struct PrintPage {
    int width = 0;         // W: printable width
    int height = 0;        // H: printable height
    int caption_unit = 0;  // cu: one fifth of an inch
    int cell_width = 0;    // thumbnail cell (album print), also the date box width
    int cell_height = 0;
};

// The page of a device: its printable size and the device mode's y-resolution and print
// quality (either may be 0 or negative when the driver leaves it open).
PrintPage MakePrintPage(int width, int height, int y_resolution, int print_quality);

struct PrintRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// A picture's place on the sheet and its two caption lines. A line with zero width is not
// drawn. The file-name line is as wide as it may run; drawing clips the text to it.
struct PrintPlacement {
    PrintRect image;
    PrintRect date;
    PrintRect name;
};

// The single-image layouts. w x h is the source (the picture or its selection); has_date says
// whether the date line is drawn (PrnDate and the file has a date).
PrintPlacement PlaceSingleImage(const PrintPage& page, const PrintOptions& options, int w, int h,
                                bool has_date);

// How many album entries one page holds in the options' album layout (at least 1).
int AlbumEntriesPerPage(const PrintPage& page, const PrintOptions& options);
// Pages a list of count entries takes; an empty list still prints one (empty) page.
int AlbumPageCount(const PrintPage& page, const PrintOptions& options, int count);

// The place of entry index (0-based in the print list) in the album layout of the options.
// name_min_width is the width of twelve letters "M" in the printer's font (the file-name line
// of the cell layouts is at least that wide).
PrintPlacement PlaceAlbumEntry(const PrintPage& page, const PrintOptions& options, int index, int w,
                               int h, bool has_date, int name_min_width);

// PDF sheets, which a printer may print to the paper's edge: the page is the paper less margin
// pixels on every side (the layouts then place within it, from its top-left corner), and the
// pictures of the album layouts are kept gap pixels apart, each caption moved to its own
// picture: a date line just above it when the layout puts the date above, the lines below it
// just under it, and each line starting at the picture's left edge.
PrintPage MakeSheetPage(int paper_width, int paper_height, int dpi, int margin);
PrintPlacement KeepApart(const PrintPlacement& place, int gap);

// The date line's text in a user-interface language: English month/day/year, Japanese
// year/month/day, the others "day month.,year"; empty without a date.
std::string PrintDateText(const CameraDate& date, int region);
// The file name with its extension, without the folder (either separator).
std::string PrintFileName(const std::string& path);
