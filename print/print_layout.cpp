// The sheet layouts of printing; see print_layout.h.
#include "print/print_layout.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/settings.h"
#include "base/region.h"

namespace {

// a * b / c, truncated, without overflow for any int inputs; 0 when c is not positive.
int Scale(int a, int b, int c) {
    if (c <= 0) return 0;
    return static_cast<int>(static_cast<int64_t>(a) * b / c);
}

int ReadRange(SettingsStore& store, const char* key, int def, int low, int high) {
    int v = ReadSettingNumber(store, key, def);
    return v < low || v > high ? def : v;
}

// Fits w x h into a cell of u x v: a landscape picture takes the width, any other the height,
// and the side that overflows is brought back to the cell.
void FitCell(int u, int v, int w, int h, int* width, int* height) {
    if (h < w) {
        *width = u;
        *height = Scale(u, h, w);
        if (*height > v) {
            *height = v;
            *width = Scale(v, w, h);
        }
    } else {
        *height = v;
        *width = Scale(v, w, h);
        if (*width > u) {
            *width = u;
            *height = Scale(u, h, w);
        }
    }
}

// The caption lines of the single-image and two-per-sheet layouts: the date box at the
// caption origin, the file name after it (or at the origin without a date) to the right edge.
void LineCaptions(const PrintPage& page, const PrintOptions& options, bool has_date, int x, int y,
                  PrintPlacement* out) {
    int cu = page.caption_unit;
    int name_x = x;
    if (has_date) {
        out->date = {x, y, page.cell_width, cu};
        name_x = x + page.cell_width + cu;
    }
    if (options.name && page.width > name_x) out->name = {name_x, y, page.width - name_x, cu};
}

int Grid(int alb_type) {
    return alb_type == kAlbSixteen ? 4 : 2;
}

// Album print: columns of whole cells (at most 5, at least 1) and rows of cell plus caption
// lines (at least 1).
void AlbumPrintGrid(const PrintPage& page, const PrintOptions& options, int* columns, int* rows,
                    int* pitch) {
    int cw = page.cell_width > 0 ? page.cell_width : 1;
    int n = page.width / cw;
    if (n > 5) n = 5;
    if (n < 1) n = 1;
    int p = page.cell_height + (options.date ? page.caption_unit : 0) +
            (options.name ? page.caption_unit : 0) + 20;
    int r = p > 0 ? page.height / p : 1;
    if (r < 1) r = 1;
    *columns = n;
    *rows = r;
    *pitch = p;
}

}  // namespace

PrintOptions ReadPrintOptions(SettingsStore& store) {
    PrintOptions o;
    o.name = ReadRange(store, "PrnName", 0, 0, 1) == 1;
    o.date = ReadRange(store, "PrnDate", 0, 0, 1) == 1;
    o.alb_type = ReadRange(store, "AlbType", 0, 0, 3);
    o.nor_type = ReadRange(store, "NorType", 0, 0, 3);
    o.all = ReadRange(store, "AlbAll", 1, 0, 1) == 1;
    return o;
}

void WritePrintOptions(SettingsStore& store, const PrintOptions& options, bool album) {
    if (album) {
        store.Set("AlbAll", options.all ? "1" : "0");
        store.Set("AlbType", std::to_string(options.alb_type));
    } else {
        store.Set("NorType", std::to_string(options.nor_type));
    }
    store.Set("PrnName", options.name ? "1" : "0");
    store.Set("PrnDate", options.date ? "1" : "0");
}

PrintPage MakePrintPage(int width, int height, int y_resolution, int print_quality) {
    PrintPage page;
    page.width = width;
    page.height = height;
    int y_dpi = y_resolution > 0 ? y_resolution : print_quality;
    int x_dpi = print_quality > 0 ? print_quality : y_resolution;
    page.caption_unit = y_dpi > 0 ? y_dpi / 5 : 0;
    if (x_dpi > 0 && y_dpi > 0) {
        page.cell_width = Scale(x_dpi, 944, 1000);
        page.cell_height = Scale(y_dpi, 708, 1000);
    } else {
        page.cell_width = 120;
        page.cell_height = 90;
    }
    return page;
}

PrintPlacement PlaceSingleImage(const PrintPage& page, const PrintOptions& options, int w, int h,
                                bool has_date) {
    PrintPlacement out;
    if (w <= 0 || h <= 0) return out;
    const int W = page.width;
    const int H = page.height;
    const int k = options.name || options.date ? page.caption_unit : 0;
    int x = 0, y = 0, width = 0, height = 0;
    switch (options.nor_type) {
        case kNorOriginal:
            width = w;
            height = h;
            x = (W - width) / 2;
            y = (H - height) / 2;
            break;
        case kNorUpper:
        case kNorLower:
            if (h < w) {
                width = W - 10;
                height = Scale(W - 10, h, w);
                if (H / 2 - k < height) {
                    height = H / 2;
                    width = Scale(H / 2, w, h);
                }
            } else {
                height = H / 2;
                width = Scale(H / 2, w, h);
                if (W - 10 < width) {
                    width = W - 10;
                    height = Scale(W - 10, h, w);
                }
            }
            x = (W - width) / 2;
            y = options.nor_type == kNorUpper ? 20 : (H / 2 - height) / 2 + H / 2 - k - 20;
            break;
        default: {
            int h2 = H, w2 = W;
            if (k > 0) {
                h2 = H - k - 10;
                w2 = Scale(W, h2, H);
            }
            if (h < w) {
                width = w2 - 10;
                height = Scale(w2 - 10, h, w);
                if (h2 < height) {
                    height = h2 - 10;
                    width = Scale(h2 - 10, w, h);
                }
            } else {
                height = h2 - 10;
                width = Scale(h2 - 10, w, h);
                if (w2 < width) {
                    width = w2 - 10;
                    height = Scale(w2 - 10, h, w);
                }
            }
            y = (h2 - height) / 2;
            x = (W - width) / 2;
            break;
        }
    }
    out.image = {x, y, width, height};
    LineCaptions(page, options, has_date && options.date, x, y + height + 4, &out);
    return out;
}

int AlbumEntriesPerPage(const PrintPage& page, const PrintOptions& options) {
    switch (options.alb_type) {
        case kAlbTwo:
            return 2;
        case kAlbFour:
            return 4;
        case kAlbSixteen:
            return 16;
        default: {
            int columns = 0, rows = 0, pitch = 0;
            AlbumPrintGrid(page, options, &columns, &rows, &pitch);
            return columns * rows;
        }
    }
}

int AlbumPageCount(const PrintPage& page, const PrintOptions& options, int count) {
    if (count <= 0) return 1;
    int per = AlbumEntriesPerPage(page, options);
    return (count + per - 1) / per;
}

PrintPlacement PlaceAlbumEntry(const PrintPage& page, const PrintOptions& options, int index, int w,
                               int h, bool has_date, int name_min_width) {
    PrintPlacement out;
    const int W = page.width;
    const int H = page.height;
    const int cu = page.caption_unit;
    const bool date_line = has_date && options.date;
    if (index < 0) return out;
    int width = 0, height = 0;
    switch (options.alb_type) {
        case kAlbTwo: {
            int s = cu + 20;
            if (w <= 0 || h <= 0) return out;
            if (h < w) {
                width = W - 10;
                height = Scale(W - 10, h, w);
                if (height > H / 2 - s) {
                    height = H / 2 - s;
                    width = Scale(height, w, h);
                }
            } else {
                height = H / 2 - s;
                width = Scale(height, w, h);
                if (width > W) {
                    width = W - 10;
                    height = Scale(W - 10, h, w);
                }
            }
            int x = (W - width) / 2;
            int y = (H / 2 - s - height) / 2 + (H / 2) * (index % 2) + 10;
            out.image = {x, y, width, height};
            LineCaptions(page, options, date_line, x, y + height + 4, &out);
            return out;
        }
        case kAlbFour:
        case kAlbSixteen: {
            const int g = Grid(options.alb_type);
            const int per = g * g;
            const int u = (W - 10 * g) / g;
            const int v = (H - 2 * g * cu - 20 * g) / g;
            const int F = (W - g * u) / (g + 1);
            const int column = index % g;
            const int row = (index % per) / g;
            const int cell_left = column * (F + u) + F;
            const int y0 = 20 + row * (v + 2 * cu + 20);
            const int top = y0 + (options.date ? cu : 0);
            if (date_line) out.date = {cell_left, y0, u, cu};
            int name_x = cell_left;
            if (w > 0 && h > 0) {
                FitCell(u, v, w, h, &width, &height);
                int x = width < u ? cell_left + (u - width) / 2 : cell_left;
                out.image = {x, top + (v - height) / 2, width, height};
                if (width < u) name_x = x;
            }
            if (options.name)
                out.name = {name_x, top + v, u > name_min_width ? u : name_min_width, cu};
            return out;
        }
        default: {
            int n = 0, rows = 0, pitch = 0;
            AlbumPrintGrid(page, options, &n, &rows, &pitch);
            const int cw = page.cell_width;
            const int ch = page.cell_height;
            const int per = n * rows;
            const int I = (W - n * cw) / 6;
            const int column = index % n;
            const int row = (index % per) / n;
            const int cell_left = (I + cw) * column + I;
            const int y0 = 20 + row * pitch;
            const int top = y0 + (options.date ? cu : 0);
            if (date_line) out.date = {cell_left, y0, cw, cu};
            if (w > 0 && h > 0) {
                FitCell(cw, ch, w, h, &width, &height);
                out.image = {cell_left + (cw - width) / 2, top + (ch - height) / 2, width, height};
            }
            if (options.name)
                out.name = {cell_left, top + ch, cw > name_min_width ? cw : name_min_width, cu};
            return out;
        }
    }
}

PrintPage MakeSheetPage(int paper_width, int paper_height, int dpi, int margin) {
    if (margin < 0) margin = 0;
    int width = paper_width - 2 * margin, height = paper_height - 2 * margin;
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    return MakePrintPage(width, height, dpi, dpi);
}

PrintPlacement KeepApart(const PrintPlacement& place, int gap) {
    PrintPlacement out = place;
    const PrintRect& old = place.image;
    if (old.width <= 0 || old.height <= 0 || gap <= 0) return out;
    const int space = gap / 4;  // between a picture and its caption
    PrintRect* lines[] = {&out.date, &out.name};
    // The room of the entry: from the top of a caption line above the picture (or the picture)
    // to the bottom of the first line below it (or the picture). A layout may leave room below
    // for one line only; the picture then gives up room for the others.
    int top = old.y, bottom = old.y + old.height, first_below = -1;
    int above_height = 0, below_height = 0;
    for (PrintRect* line : lines) {
        if (line->width <= 0 || line->height <= 0) continue;
        if (line->y + line->height <= old.y) {
            top = std::min(top, line->y);
            above_height += line->height + space;
        } else {
            if (first_below < 0 || line->y < first_below) first_below = line->y;
            if (line->y == first_below) bottom = std::max(bottom, line->y + line->height);
            below_height += line->height + space;
        }
    }
    // The picture shrinks to fit what is left, keeping its aspect.
    int width = old.width - gap;
    int height = bottom - top - gap - above_height - below_height;
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    if (static_cast<int64_t>(width) * old.height > static_cast<int64_t>(height) * old.width)
        width = Scale(height, old.width, old.height);
    else
        height = Scale(width, old.height, old.width);
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    // The picture and its lines as one block, in the middle of the room.
    const int block = above_height + height + below_height;
    const int block_top = top + (bottom - top - block) / 2;
    out.image = {old.x + (old.width - width) / 2, block_top + above_height, width, height};
    int above_y = block_top, below_y = out.image.y + height + space;
    for (PrintRect* line : lines) {
        if (line->width <= 0 || line->height <= 0) continue;
        const bool above = line->y + line->height <= old.y;
        const int right = line->x + line->width;
        line->x = out.image.x;
        line->width = right - line->x > 1 ? right - line->x : 1;  // the right edge stays
        if (above) {
            line->y = above_y;
            above_y += line->height + space;
        } else {
            line->y = below_y;
            below_y += line->height;
        }
    }
    return out;
}

std::string PrintDateText(const CameraDate& date, int region) {
    if (!date.known()) return std::string();
    char text[48];
    if (region == kRegionEnglish)
        std::snprintf(text, sizeof text, "%d/%d/%d", date.month, date.day, date.year);
    else if (region == kRegionJapanese)
        std::snprintf(text, sizeof text, "%d/%d/%d", date.year, date.month, date.day);
    else
        std::snprintf(text, sizeof text, "%d %d.,%d", date.day, date.month, date.year);
    return text;
}

std::string PrintFileName(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
