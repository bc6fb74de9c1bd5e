// The frame's toolbar: 19 entries with images from our bitmaps and the common controls'
// standard set, a tooltip per button, and the states that follow the active child.
#include <windows.h>
#include <commctrl.h>

#include <map>

#include "album/win/album_window.h"
#include "app/camera_busy.h"
#include "app/win/app.h"
#include "app/win/routes.h"
#include "base/win/window_record.h"
#include "edit/win/image_window.h"

namespace {

constexpr int kImageWidth = 16;
constexpr int kImageHeight = 15;

TBBUTTON ButtonOf(const ToolbarEntry& e, int image) {
    TBBUTTON b{};
    b.iBitmap = e.command ? image : 0;
    b.idCommand = e.command;
    b.fsState = e.command ? (e.enabled_at_creation ? TBSTATE_ENABLED : TBSTATE_INDETERMINATE) : 0;
    b.fsStyle = e.command ? TBSTYLE_BUTTON : TBSTYLE_SEP;
    return b;
}

int ImagesIn(int bitmap) {
    return bitmap == 496 || bitmap == 498 ? 2 : 1;
}

// Tooltip notifications reach the toolbar (the tool's window); the frame shows its help text
// from them, so the toolbar passes them up.
LRESULT CALLBACK ToolbarSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_NOTIFY) {
        const NMHDR* nm = reinterpret_cast<const NMHDR*>(lp);
        if (nm && nm->hwndFrom == App().tooltip && (nm->code == TTN_SHOW || nm->code == TTN_POP)) {
            SendMessageA(GetParent(hwnd), WM_NOTIFY, wp, lp);
        }
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

HWND CreateFrameToolbar(HWND frame) {
    AppState& app = App();
    const ToolbarEntry& first = kToolbarLayout[0];
    TBBUTTON b0 = ButtonOf(first, 0);
    HWND tb =
        CreateToolbarEx(frame, WS_CHILD | WS_VISIBLE, kToolbarId, 1, app.instance, first.bitmap,
                        &b0, 1, 0, 0, kImageWidth, kImageHeight, sizeof(TBBUTTON));
    if (!tb) return nullptr;
    std::map<int, int> base;  // bitmap resource -> first image index
    base[first.bitmap] = 0;
    int standard_base = -1;
    for (int i = 1; i < kToolbarEntries; ++i) {
        const ToolbarEntry& e = kToolbarLayout[i];
        int image = 0;
        if (e.source == ImageSource::kStandard) {
            if (standard_base < 0) {
                TBADDBITMAP ab{HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
                standard_base = static_cast<int>(
                    SendMessageA(tb, TB_ADDBITMAP, 0, reinterpret_cast<LPARAM>(&ab)));
            }
            image = standard_base + e.bitmap;
        } else if (e.source == ImageSource::kBitmap) {
            auto it = base.find(e.bitmap);
            if (it == base.end()) {
                TBADDBITMAP ab{app.instance, static_cast<UINT_PTR>(e.bitmap)};
                int first_image = static_cast<int>(SendMessageA(
                    tb, TB_ADDBITMAP, ImagesIn(e.bitmap), reinterpret_cast<LPARAM>(&ab)));
                it = base.emplace(e.bitmap, first_image).first;
            }
            image = it->second + e.image;
        }
        TBBUTTON b = ButtonOf(e, image);
        SendMessageA(tb, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&b));
    }
    SetWindowSubclass(tb, ToolbarSubclass, 1, 0);
    app.toolbar = tb;
    if (CameraBusy()) {
        ToolbarSetState(IDT_DATA_IN, TBSTATE_INDETERMINATE);
        ToolbarSetState(IDT_DATA_OUT, TBSTATE_INDETERMINATE);
    }
    return tb;
}

void CreateToolbarTooltips(HWND frame) {
    AppState& app = App();
    if (!app.toolbar) return;
    HWND tt = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, frame, nullptr, app.instance, nullptr);
    if (!tt) return;
    app.tooltip = tt;
    int count = static_cast<int>(SendMessageA(app.toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON b{};
        SendMessageA(app.toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
        if (b.fsStyle & TBSTYLE_SEP) continue;
        TOOLINFOA ti{};
        ti.cbSize = sizeof(ti);
        ti.uFlags = TTF_SUBCLASS;
        ti.hwnd = app.toolbar;
        ti.uId = static_cast<UINT_PTR>(b.idCommand);
        SendMessageA(app.toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&ti.rect));
        ti.hinst = app.instance;
        ti.lpszText = MAKEINTRESOURCEA(b.idCommand);
        SendMessageA(tt, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    SendMessageA(app.toolbar, TB_SETTOOLTIPS, reinterpret_cast<WPARAM>(tt), 0);
}

void ToolbarSetState(int command, int state) {
    HWND tb = App().toolbar;
    if (!tb) return;
    LRESULT old = SendMessageA(tb, TB_GETSTATE, command, 0);
    if (old == -1) return;
    int next = state | (static_cast<int>(old) & TBSTATE_PRESSED);
    if (next != old) SendMessageA(tb, TB_SETSTATE, command, MAKELONG(next, 0));
}

HWND ActiveChild(BOOL* maximised) {
    if (maximised) *maximised = FALSE;
    HWND mdi = App().mdi_client;
    if (!mdi) return nullptr;
    return reinterpret_cast<HWND>(
        SendMessageA(mdi, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(maximised)));
}

ActiveChildState QueryActiveChild() {
    ActiveChildState s;
    HWND child = ActiveChild(nullptr);
    if (!child || !WindowRecord(child) || WindowKindOf(child) == kKindNone) return s;
    s.exists = true;
    s.kind = WindowKindOf(child);
    if (s.kind == kKindImage) {
        s.image_modified = ImageWindowIsModified(child);
        s.image_can_undo = ImageWindowCanUndo(child);
        s.image_selection = ImageWindowHasSelection(child);
        s.image_zoom = ImageWindowZoom(child);
    }
    if (s.kind == kKindAlbum) {
        s.album_selected = AlbumHasCurrentPicture(child);
        s.album_paste = ClipboardHasAlbumPicture();
    }
    return s;
}

void RefreshToolbarStates() {
    if (!App().toolbar) return;
    ActiveChildState s = QueryActiveChild();
    for (int command : ToolbarRefreshed()) {
        ToolbarSetState(command,
                        ToolbarButtonEnabled(command, s) ? TBSTATE_ENABLED : TBSTATE_INDETERMINATE);
    }
}
