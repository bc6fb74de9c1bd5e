// The camera browser's rules, without windows: which images a page shows, where the scroll bar
// stands, what a click or a typed range selects, which thumbnails the 48-cell cache holds and
// how it follows the camera's renumbering after a delete, and the texts under each thumbnail
// (the 216-colour cube for small displays is the codec's CubeDither).
// The program's "Image Preview" dialog and the plug-in's dialog only draw what this says and
// route their controls' notifications here.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "codec/camera_segments.h"
#include "codec/dib.h"
#include "link/link_error.h"
#include "link/session/camera_session.h"

constexpr int kGridButtons = 16;
constexpr int kCacheCells = 48;
constexpr int kSelectionCapacity = 5000;

// One cached thumbnail. The window side keeps its drawing objects (palette, bitmap) beside the
// cell and makes them again when `needs_redraw` is set.
struct ThumbnailCell {
    int32_t number = 0;  // image number; 0 = free
    bool selected = false;
    bool needs_redraw = false;
    bool has_thumbnail = false;
    DibImage thumbnail;  // the decoded 80 x 60 picture when has_thumbnail
    CameraDate date;     // all 0 when the camera gave none
};

// One open browser. Large (the cache and the selection list are inside), so it is made with
// new (std::nothrow) by whoever opens the browser.
struct CameraBrowserState {
    int32_t first_shown = 0, last_shown = 0;  // 0 while nothing is loaded
    int32_t anchor = 0;
    int32_t range_start = 0, range_end = 0;
    int32_t selected_count = 0;
    // Image numbers in selection order; unused entries 0. A delete marks the images it did not
    // delete with -1.
    std::array<int32_t, kSelectionCapacity> selection{};
    int32_t total = 0;  // N, the camera's image count
    std::array<ThumbnailCell, kCacheCells> cache;
    std::array<int32_t, kGridButtons> page{};  // image number of each grid button; 0 = empty
    int32_t next_fill = 0;                     // next cache cell to fill, round robin
    bool thumbnails_shown = false;             // the first Preview succeeded
    bool range_typed = false;                  // the selection came from the two edits
    // The two edits' last accepted texts.
    std::string first_text = "1";
    std::string last_text;
};

// --- pages and the scroll bar ---------------------------------------------------------------

struct PageRange {
    int32_t first = 0, last = 0;
};
// The first image of the page that ends with image N in its bottom row (never below 1).
int32_t EndAlignedFirst(int32_t total);
// The page that Preview shows for the first number n.
PageRange PageForJump(int32_t n, int32_t total);
// The page of a scroll position: its row of four is the top row.
PageRange PageOfScrollPosition(int32_t position);

// The scroll bar: one position per row of four images, a page of four rows.
struct ScrollState {
    int32_t min = 1, max = 1;  // range 1 to ceil(N / 4)
    int32_t position = 1;
    bool enabled = false;  // only when N > 16
    bool up_arrow = false, down_arrow = false;
};
enum class ScrollAction { kLineUp, kLineDown, kPageUp, kPageDown, kThumb, kTop, kBottom };
// The highest position the thumb reaches (a page of four rows: ceil(N / 4) - 3, at least 1).
int32_t LastScrollPosition(int32_t total);
ScrollState ScrollFor(int32_t first_shown, int32_t total);
// The position after a scroll action (clamped); `thumb` is the thumb's position for kThumb.
int32_t ScrollTo(int32_t position, ScrollAction action, int32_t thumb, int32_t total);

// --- selection --------------------------------------------------------------------------------

bool IsSelected(const CameraBrowserState& st, int32_t n);
// The selected image numbers, in selection order (entries -1 and 0 left out).
std::vector<int> SelectedImages(const CameraBrowserState& st);
void ClearSelection(CameraBrowserState& st);
// Selects first..last in ascending order (at most the list's capacity).
void SelectRange(CameraBrowserState& st, int32_t first, int32_t last);
// The three kinds of click on image n (callers ignore clicks while N is 0, while an operation
// runs, and on buttons beyond N). Each updates the cells' selected flags.
void ClickPlain(CameraBrowserState& st, int32_t n);
void ClickShift(CameraBrowserState& st, int32_t n);
void ClickCtrl(CameraBrowserState& st, int32_t n);
// Sets every cached cell's selected flag from the list, marking the changed ones for redraw.
void SyncCellSelection(CameraBrowserState& st);

// Double clicks: the same button again within the double-click time, on a cached image, with a
// selection, once thumbnails are shown. A double click forgets the click so that a third one
// starts over.
struct ClickMemory {
    uint32_t time = 0;
    int button = -1;
};
bool IsDoubleClick(ClickMemory* memory, uint32_t now, int button, uint32_t double_click_ms,
                   bool thumbnails_shown, bool image_cached, int32_t selected_count);

// --- the two range edits ----------------------------------------------------------------------

enum RangeEdit { kFirstNumberEdit = 600, kLastNumberEdit = 601 };

// What an edit notification leads to.
struct EditOutcome {
    bool set_first = false;  // the first edit's text must become st.first_text (caret at end)
    bool set_last = false;   // the last edit's text must become st.last_text (caret at end)
    bool selection_changed = false;
    bool transfer_delete_enabled = false;
    bool preview_and_last_enabled = false;  // the first edit holds a value other than 0
};
// The edit `which` now holds `text`: digits only, 0 in the first edit becomes "1", more than
// five characters or a number beyond N becomes N, a valid range f..t selects it.
EditOutcome OnRangeEdit(CameraBrowserState& st, int which, const std::string& text);

// --- the cache and page loads ---------------------------------------------------------------

// The cell holding image n, or -1.
int FindCell(const CameraBrowserState& st, int32_t n);
// Frees every cell (before a close, or for a camera that was renumbered).
void FreeCells(CameraBrowserState& st);

// Loads the page first_shown..last_shown into the page map: cached images come from the cache,
// the others are fetched from the camera into "dt%d.jpg" in the temporary folder, decoded and
// put into the next cell round robin (102, no thumbnail, fills a cell without a picture).
// Returns kLinkOk, or the code of the fetch that failed (the rest of the page is not loaded;
// the browser then shows "Unexpected error has occurred during image transfer." and closes).
LinkError LoadPage(CameraBrowserState& st, CameraSession& s);

// After a delete: N goes down by the entries greater than 0, cached numbers behind a deleted
// one move down, the deleted images' cells go (the later cells move down one place), the
// selection is cleared and the page is aligned to the new end.
void RenumberAfterDelete(CameraBrowserState& st, const std::vector<int>& entries);

// --- texts under a thumbnail ------------------------------------------------------------------

std::string CaptionText(int32_t n);
// The date line of a region; empty when the date is unknown.
std::string DateLine(const CameraDate& date, int region);
