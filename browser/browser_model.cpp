// The browser's numbers are image numbers from 1; 0 means none. The selection list keeps the
// order of selection because a delete and a transfer walk it (the delete sorts it first).
#include "browser/browser_model.h"

#include <algorithm>
#include <cstdio>

#include "base/messages.h"
#include "base/region.h"
#include "base/tempfile.h"
#include "codec/jpeg_codec.h"
#include "link/session/image_list.h"

namespace {

bool AllDigits(const std::string& text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// The value of a text of digits; texts longer than five digits never get here.
int32_t ValueOf(const std::string& text) {
    int32_t v = 0;
    for (char c : text) v = v * 10 + (c - '0');
    return v;
}

std::string Decimal(int32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", v);
    return text;
}

void RemoveSelectionAt(CameraBrowserState& st, int index) {
    for (int i = index; i + 1 < st.selected_count; ++i) st.selection[i] = st.selection[i + 1];
    st.selection[st.selected_count - 1] = 0;
    --st.selected_count;
}

// Fills the next cell round robin with image n: from the thumbnail file when there is one.
void FillNextCell(CameraBrowserState& st, int32_t n, const std::string* thumbnail_file) {
    ThumbnailCell& cell = st.cache[st.next_fill];
    cell = ThumbnailCell{};
    cell.number = n;
    cell.needs_redraw = true;
    if (thumbnail_file) {
        cell.date = ThumbnailDate(*thumbnail_file);
        cell.has_thumbnail =
            DecodeJpegToDib(*thumbnail_file, 0, JpegProgress(), &cell.thumbnail) == 1;
    }
    cell.selected = IsSelected(st, n);
    st.next_fill = (st.next_fill + 1) % kCacheCells;
}

}  // namespace

// --- pages and the scroll bar ---------------------------------------------------------------

int32_t EndAlignedFirst(int32_t total) {
    static const int32_t kBack[4] = {15, 12, 13, 14};
    return std::max(1, total - kBack[total % 4]);
}

PageRange PageForJump(int32_t n, int32_t total) {
    PageRange p;
    p.first = ((std::max(n, 1) - 1) / kGridButtons) * kGridButtons + 1;
    p.last = p.first + 15;
    if (total < p.first + 15 && p.first != 1) {
        p.first = EndAlignedFirst(total);
        p.last = total;
    } else if (p.first == 1 && total < kGridButtons) {
        p.last = total;
    }
    return p;
}

PageRange PageOfScrollPosition(int32_t position) {
    return PageRange{position * 4 - 3, position * 4 + 12};
}

int32_t LastScrollPosition(int32_t total) {
    const int32_t rows = (total + 3) / 4;
    return std::max(1, rows - 3);
}

ScrollState ScrollFor(int32_t first_shown, int32_t total) {
    ScrollState sc;
    sc.max = std::max(1, (total + 3) / 4);
    sc.position = std::min(std::max(1, first_shown / 4 + 1), LastScrollPosition(total));
    sc.enabled = total > kGridButtons;
    sc.up_arrow = sc.enabled && sc.position > 1;
    sc.down_arrow = sc.enabled && sc.position < LastScrollPosition(total);
    return sc;
}

int32_t ScrollTo(int32_t position, ScrollAction action, int32_t thumb, int32_t total) {
    int32_t p = position;
    switch (action) {
        case ScrollAction::kLineUp:
            p -= 1;
            break;
        case ScrollAction::kLineDown:
            p += 1;
            break;
        case ScrollAction::kPageUp:
            p -= 4;
            break;
        case ScrollAction::kPageDown:
            p += 4;
            break;
        case ScrollAction::kThumb:
            p = thumb;
            break;
        case ScrollAction::kTop:
            p = 1;
            break;
        case ScrollAction::kBottom:
            p = LastScrollPosition(total);
            break;
    }
    return std::min(std::max(p, 1), LastScrollPosition(total));
}

// --- selection --------------------------------------------------------------------------------

bool IsSelected(const CameraBrowserState& st, int32_t n) {
    for (int i = 0; i < st.selected_count; ++i)
        if (st.selection[i] == n) return true;
    return false;
}

std::vector<int> SelectedImages(const CameraBrowserState& st) {
    std::vector<int> out;
    for (int i = 0; i < st.selected_count; ++i)
        if (st.selection[i] > 0) out.push_back(st.selection[i]);
    return out;
}

void ClearSelection(CameraBrowserState& st) {
    st.selection.fill(0);
    st.selected_count = 0;
}

void SelectRange(CameraBrowserState& st, int32_t first, int32_t last) {
    ClearSelection(st);
    for (int32_t n = first; n <= last && st.selected_count < kSelectionCapacity; ++n)
        st.selection[st.selected_count++] = n;
}

void SyncCellSelection(CameraBrowserState& st) {
    for (ThumbnailCell& cell : st.cache) {
        if (cell.number == 0) continue;
        const bool on = IsSelected(st, cell.number);
        if (on != cell.selected) cell.needs_redraw = true;
        cell.selected = on;
    }
}

void ClickPlain(CameraBrowserState& st, int32_t n) {
    ClearSelection(st);
    st.selection[0] = n;
    st.selected_count = 1;
    st.anchor = st.range_start = st.range_end = n;
    SyncCellSelection(st);
}

void ClickShift(CameraBrowserState& st, int32_t n) {
    if (st.selected_count == 0) st.anchor = n;
    SelectRange(st, std::min(st.anchor, n), std::max(st.anchor, n));
    st.range_start = st.anchor;
    st.range_end = n;
    SyncCellSelection(st);
}

void ClickCtrl(CameraBrowserState& st, int32_t n) {
    st.anchor = n;
    bool removed = false;
    for (int i = 0; i < st.selected_count && !removed; ++i) {
        if (st.selection[i] == n) {
            RemoveSelectionAt(st, i);
            removed = true;
        }
    }
    if (!removed && st.selected_count < kSelectionCapacity) st.selection[st.selected_count++] = n;
    SyncCellSelection(st);
}

bool IsDoubleClick(ClickMemory* memory, uint32_t now, int button, uint32_t double_click_ms,
                   bool thumbnails_shown, bool image_cached, int32_t selected_count) {
    const bool twice = thumbnails_shown && memory->button == button &&
                       now - memory->time <= double_click_ms && image_cached && selected_count != 0;
    if (twice) {
        *memory = ClickMemory{};
        return true;
    }
    memory->time = now;
    memory->button = button;
    return false;
}

// --- the two range edits ----------------------------------------------------------------------

EditOutcome OnRangeEdit(CameraBrowserState& st, int which, const std::string& typed) {
    EditOutcome out;
    const bool first_edit = which == kFirstNumberEdit;
    std::string& remembered = first_edit ? st.first_text : st.last_text;
    bool& rewrite = first_edit ? out.set_first : out.set_last;
    std::string text = typed;
    if (!AllDigits(text)) {
        text = remembered;  // a letter: the previous text comes back
        rewrite = true;
    } else if (text.size() > 5) {
        text = Decimal(st.total);
        rewrite = true;
    } else if (first_edit && !text.empty() && ValueOf(text) == 0) {
        text = "1";
        rewrite = true;
    }
    const bool changed = text != remembered;
    remembered = text;
    if (changed) {
        if (!first_edit && text.empty()) {
            ClearSelection(st);
            out.selection_changed = true;
        } else {
            if (!st.first_text.empty() && ValueOf(st.first_text) > st.total) {
                st.first_text = Decimal(st.total);
                out.set_first = true;
            }
            if (!st.last_text.empty() && ValueOf(st.last_text) > st.total) {
                st.last_text = Decimal(st.total);
                out.set_last = true;
            }
            const int32_t f = st.first_text.empty() ? 0 : ValueOf(st.first_text);
            const int32_t t = st.last_text.empty() ? 0 : ValueOf(st.last_text);
            if (f > 0 && t >= f && t <= st.total) {
                SelectRange(st, f, t);
                st.anchor = f;
                st.range_start = f;
                st.range_end = t;
                st.range_typed = true;
                out.selection_changed = true;
            } else if (t < f) {
                if (st.selected_count != 0) out.selection_changed = true;
                ClearSelection(st);
                if (t == 0 && !st.last_text.empty()) {
                    st.last_text.clear();
                    out.set_last = true;
                }
            }
        }
        if (out.selection_changed) SyncCellSelection(st);
    }
    out.transfer_delete_enabled = st.selected_count != 0;
    out.preview_and_last_enabled = !st.first_text.empty() && ValueOf(st.first_text) != 0;
    return out;
}

// --- the cache and page loads ---------------------------------------------------------------

int FindCell(const CameraBrowserState& st, int32_t n) {
    if (n <= 0) return -1;
    for (int i = 0; i < kCacheCells; ++i)
        if (st.cache[i].number == n) return i;
    return -1;
}

void FreeCells(CameraBrowserState& st) {
    for (ThumbnailCell& cell : st.cache) cell = ThumbnailCell{};
    st.next_fill = 0;
}

LinkError LoadPage(CameraBrowserState& st, CameraSession& s) {
    st.page.fill(0);
    for (int i = 0; i < kGridButtons; ++i) {
        const int32_t n = st.first_shown + i;
        if (st.first_shown <= 0 || n > st.total) continue;
        const int found = FindCell(st, n);
        if (found >= 0) {
            st.page[i] = n;
            st.cache[found].needs_redraw = true;
            if (found == st.next_fill) st.next_fill = (st.next_fill + 1) % kCacheCells;
            continue;
        }
        char name[32];
        std::snprintf(name, sizeof name, "dt%d.jpg", n);
        const std::string path = TempFolder() + name;
        const LinkError r = FetchThumbnail(s, n, path);
        if (r == kLinkNoImage) {
            FillNextCell(st, n, nullptr);
        } else if (r == kLinkOk) {
            FillNextCell(st, n, &path);
            std::remove(path.c_str());
        } else {
            std::remove(path.c_str());
            return r;
        }
        st.page[i] = n;
    }
    return kLinkOk;
}

void RenumberAfterDelete(CameraBrowserState& st, const std::vector<int>& entries) {
    std::vector<int> deleted;
    for (int n : entries)
        if (n > 0) deleted.push_back(n);
    std::sort(deleted.begin(), deleted.end(), std::greater<int>());
    st.total = std::max(0, st.total - static_cast<int32_t>(deleted.size()));
    for (int d : deleted) {
        const int gone = FindCell(st, d);
        if (gone >= 0) {
            for (int i = gone; i + 1 < kCacheCells; ++i) st.cache[i] = std::move(st.cache[i + 1]);
            st.cache[kCacheCells - 1] = ThumbnailCell{};
            if (st.next_fill > gone) --st.next_fill;
        }
        for (ThumbnailCell& cell : st.cache)
            if (cell.number > d) --cell.number;
    }
    for (ThumbnailCell& cell : st.cache) {
        cell.selected = false;
        if (cell.number != 0) cell.needs_redraw = true;
    }
    ClearSelection(st);
    if (st.total == 0) {
        st.first_shown = st.last_shown = 0;
    } else if (st.first_shown >= 1 && st.last_shown > st.total) {
        if (st.first_shown + 15 > st.total && st.first_shown != 1)
            st.first_shown = EndAlignedFirst(st.total);
        st.last_shown = std::min(st.total, st.first_shown + 15);
    }
}

// --- texts under a thumbnail ------------------------------------------------------------------

std::string CaptionText(int32_t n) {
    char text[32];
    std::snprintf(text, sizeof text, "Image %d", n);
    return text;
}

std::string DateLine(const CameraDate& date, int region) {
    static const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                            "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    if (!date.known() || date.month < 1 || date.month > 12) return std::string();
    char text[48];
    const char* month = kMonths[date.month - 1];
    switch (region) {
        case kRegionJapanese:
            std::snprintf(text, sizeof text, "%d/%d/%d", date.year, date.month, date.day);
            break;
        case kRegionFrench:
        case kRegionGerman:
            std::snprintf(text, sizeof text, "%d %s.,%d", date.day, month, date.year);
            break;
        default:
            std::snprintf(text, sizeof text, "%s.%d,%d", month, date.day, date.year);
            break;
    }
    return text;
}
