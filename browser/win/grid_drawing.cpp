#include "browser/win/grid_drawing.h"

#include <algorithm>
#include <string>

#include "base/win/win_handles.h"
#include "codec/reduce.h"
#include "codec/win/dib_win.h"
#include "browser/win/status_dialogs.h"

namespace {

void StretchBitmap(HDC dc, HBITMAP bitmap, const RECT& r) {
    if (!bitmap) return;
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);
    ScopedMemoryDC mem(CreateCompatibleDC(dc));
    ScopedSelect sel(mem.get(), bitmap);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, mem.get(), 0, 0, bm.bmWidth,
               bm.bmHeight, SRCCOPY);
}

void DrawThumbnail(HDC dc, const DibImage& dib, const RECT& inside) {
    const RECT src{0, 0, DibWidth(dib), DibHeight(dib)};
    if (GetDeviceCaps(dc, BITSPIXEL) < 16) {
        // Fewer colours than the picture: the 216-colour cube with its own palette.
        DibImage cube = CubeDither(dib);
        if (!cube) return;
        ScopedPalette palette = MakeDibPalette(cube);
        ScopedSelectPalette sel(dc, palette.get(), FALSE);
        RealizePalette(dc);
        DrawDib(dc, cube, inside, src);
        return;
    }
    DrawDib(dc, dib, inside, src);
}

}  // namespace

void DrawGridButton(const DRAWITEMSTRUCT& di, const CameraBrowserState& st, const GridLook& look,
                    const GridButtons& ids, bool load_pending) {
    HDC dc = di.hDC;
    const RECT rc = di.rcItem;
    const int button = static_cast<int>(di.CtlID) - ids.first_id;
    StretchBitmap(dc, look.face, rc);
    const int32_t n = button >= 0 && button < kGridButtons ? st.page[button] : 0;
    if (n == 0 || n > st.total || load_pending) return;
    RECT inner = rc;
    InflateRect(&inner, -3, -3);
    FillRect(dc, &inner, GetSysColorBrush(COLOR_MENU));

    const int width = rc.right - rc.left;
    const int pic_w = width * 4 / 5;
    const int pic_h = pic_w * 3 / 4;
    RECT pic{rc.left + (width - pic_w) / 2, rc.top + look.top_margin, 0, 0};
    pic.right = pic.left + pic_w;
    pic.bottom = pic.top + pic_h;
    const int cell = FindCell(st, n);
    const ThumbnailCell* c = cell >= 0 ? &st.cache[cell] : nullptr;
    if (c && c->has_thumbnail) {
        FrameRect(dc, &pic, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        RECT inside = pic;
        InflateRect(&inside, -1, -1);
        DrawThumbnail(dc, c->thumbnail, inside);
    } else {
        StretchBitmap(dc, look.no_thumb, pic);
    }

    const int line = std::max(8, static_cast<int>(rc.bottom - pic.bottom - look.top_margin) / 2);
    RECT caption{rc.left + 3, pic.bottom + 1, rc.right - 3, pic.bottom + 1 + line};
    RECT date{rc.left + 3, caption.bottom, rc.right - 3, caption.bottom + line};
    if (c && c->selected) {
        ScopedBrush red(CreateSolidBrush(RGB(255, 0, 0)));
        FillRect(dc, &caption, red.get());
    }
    SetBkMode(dc, TRANSPARENT);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(di.hwndItem, WM_GETFONT, 0, 0));
    ScopedSelect font_sel(dc, font);
    const std::string text = CaptionText(n);
    DrawTextA(dc, text.c_str(), -1, &caption, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (c) {
        const std::string when = DateLine(c->date, look.region);
        DrawTextA(dc, when.c_str(), -1, &date, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if (di.itemState & ODS_FOCUS) {
        RECT focus = rc;
        InflateRect(&focus, -1, -1);
        FrameRect(dc, &focus, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
}

void RedrawGridButtons(HWND dlg, const GridButtons& ids) {
    for (int id = ids.first_id; id <= ids.last_id; ++id) {
        InvalidateRect(GetDlgItem(dlg, id), nullptr, ids.erase ? TRUE : FALSE);
    }
}

BOOL RealizeGridPalette(const CameraBrowserState& st, HWND dlg, const GridButtons& ids) {
    if (GetActiveWindow() == dlg || GetFocus() == dlg) return FALSE;
    for (const ThumbnailCell& cell : st.cache) {
        if (!cell.number || !cell.has_thumbnail) continue;
        DibImage cube = CubeDither(cell.thumbnail);
        if (!cube) return FALSE;
        ScopedPalette palette = MakeDibPalette(cube);
        if (!palette) return FALSE;
        HDC dc = GetDC(dlg);
        HPALETTE old = SelectPalette(dc, palette.get(), FALSE);
        const UINT changed = RealizePalette(dc);
        SelectPalette(dc, old, FALSE);
        ReleaseDC(dlg, dc);
        RedrawGridButtons(dlg, ids);
        return changed ? TRUE : FALSE;
    }
    return FALSE;
}

void GridPaletteChanged(HWND dlg, WPARAM changer, const GridButtons& ids) {
    if (reinterpret_cast<HWND>(changer) != dlg && GetActiveWindow() != dlg) {
        RedrawGridButtons(dlg, ids);
    }
}

bool GridScrollAction(int code, ScrollAction* action) {
    switch (code) {
        case SB_LINEUP:
            *action = ScrollAction::kLineUp;
            return true;
        case SB_LINEDOWN:
            *action = ScrollAction::kLineDown;
            return true;
        case SB_PAGEUP:
            *action = ScrollAction::kPageUp;
            return true;
        case SB_PAGEDOWN:
            *action = ScrollAction::kPageDown;
            return true;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            *action = ScrollAction::kThumb;
            return true;
        case SB_TOP:
            *action = ScrollAction::kTop;
            return true;
        case SB_BOTTOM:
            *action = ScrollAction::kBottom;
            return true;
        default:
            return false;
    }
}

void ClickGridImage(CameraBrowserState& st, int32_t n) {
    if ((KeyState()(VK_SHIFT) & 0x8000) != 0) {
        ClickShift(st, n);
    } else if ((KeyState()(VK_CONTROL) & 0x8000) != 0) {
        ClickCtrl(st, n);
    } else {
        ClickPlain(st, n);
    }
}
