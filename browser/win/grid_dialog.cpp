#include "browser/win/grid_dialog.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "base/messages.h"
#include "base/win/window_record.h"
#include "browser/win/grid_drawing.h"
#include "browser/win/status_dialogs.h"
#include "link/session/camera_tools.h"

namespace {

const GridDialogIds& Ids(const GridDialog& g) {
    return g.policy->ids;
}

GridButtons ButtonsOf(const GridDialog& g) {
    return GridButtons{Ids(g).grid_first, Ids(g).grid_last, true};
}

int32_t EditValue(HWND dlg, int id) {
    char text[16] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    int32_t v = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p) v = v * 10 + (*p - '0');
    return v;
}

bool EditEmpty(HWND dlg, int id) {
    return GetWindowTextLengthA(GetDlgItem(dlg, id)) == 0;
}

void SelectionChanged(GridDialog& g) {
    if (g.policy->selection_changed) g.policy->selection_changed(g);
}

// The commands that depend on the first-number edit and the selection.
void EnableByEdits(GridDialog& g, HWND dlg) {
    const GridDialogIds& ids = Ids(g);
    const bool first = !EditEmpty(dlg, ids.first_edit) && EditValue(dlg, ids.first_edit) != 0;
    EnableControl(dlg, ids.preview, first && g.st->total > 0);
    EnableControl(dlg, ids.last_edit, first && g.st->total > 0);
    EnableControl(dlg, ids.transfer, g.st->selected_count != 0);
    EnableControl(dlg, ids.remove, g.st->selected_count != 0);
}

// Loads the page first_shown..last_shown. A failure ends the dialog's work (the browser is gone
// then): false.
bool LoadShownPage(GridDialog& g, HWND dlg) {
    ForgetErrorsShown();
    const LinkError r = LoadPage(*g.st, *g.session);
    if (g.policy->page_loaded) g.policy->page_loaded(g);
    RedrawGrid(g, dlg);
    if (r == kLinkOk) {
        // A page loaded by scrolling counts as well: a later delete reloads it and a double
        // click on it transfers.
        g.st->thumbnails_shown = true;
        return true;
    }
    // The failing read may have said it already; the user hears it once.
    if (!ErrorWasShown(ErrorText(kMsgTransferError))) ShowError(kMsgTransferError);
    g.running = false;
    g.policy->end(g, dlg);
    return false;
}

void Preview(GridDialog& g, HWND dlg) {
    if (g.running || !g.connected || g.st->total == 0) return;
    g.running = true;
    DisableGridForWork(g, dlg);
    const PageRange p = PageForJump(EditValue(dlg, Ids(g).first_edit), g.st->total);
    g.st->first_shown = p.first;
    g.st->last_shown = p.last;
    if (!LoadShownPage(g, dlg)) return;  // the dialog's work has ended
    g.running = false;
    UpdateGridScrollBar(g, dlg);
    EnableGridIdle(g, dlg);
    SetFocus(GetDlgItem(dlg, Ids(g).exit));
}

void Delete(GridDialog& g, HWND dlg) {
    if (g.running || !g.connected || g.st->selected_count == 0) return;
    g.running = true;
    ForgetErrorsShown();
    std::vector<int> images = SelectedImages(*g.st);
    std::sort(images.begin(), images.end());
    g.session->image_count = g.st->total;
    const LinkError r = DeleteSelectedSequenced(*g.session, &images);
    if (r != kLinkOk) {
        ReportLinkFailure(r);
        g.running = false;
        g.policy->end(g, dlg);
        return;
    }
    RenumberAfterDelete(*g.st, images);
    SelectionChanged(g);
    g.st->page.fill(0);
    if (g.st->thumbnails_shown && g.st->total > 0 && !LoadShownPage(g, dlg)) return;
    g.running = false;
    ShowGridTotal(g, dlg);
    UpdateGridScrollBar(g, dlg);
    SetGridEditQuietly(g, dlg, Ids(g).last_edit, "");
    g.st->last_text.clear();
    EnableGridIdle(g, dlg);
    RedrawGrid(g, dlg);
    // Delete itself is greyed now that nothing is selected; the keyboard stays usable.
    SetFocus(GetDlgItem(dlg, Ids(g).exit));
}

void OnGridClick(GridDialog& g, HWND dlg, int button) {
    const GridDialogIds& ids = Ids(g);
    const int32_t n = g.st->page[static_cast<size_t>(button)];
    if (!g.connected || g.st->total == 0 || g.running || n == 0 || n > g.st->total) return;
    if (g.st->range_typed && IsWindowEnabled(GetDlgItem(dlg, ids.last_edit))) {
        SetGridEditQuietly(g, dlg, ids.last_edit, "");
        g.st->last_text.clear();
        g.st->range_typed = false;
    }
    const bool twice = IsDoubleClick(&g.clicks, static_cast<uint32_t>(GetMessageTime()), button,
                                     GetDoubleClickTime(), g.st->thumbnails_shown,
                                     FindCell(*g.st, n) >= 0, g.st->selected_count);
    ClickGridImage(*g.st, n);
    SelectionChanged(g);
    RedrawGrid(g, dlg);
    EnableByEdits(g, dlg);
    if (twice) PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(ids.transfer, BN_CLICKED), 0);
}

void OnEditChange(GridDialog& g, HWND dlg, int id) {
    if (g.updating_edits || !g.connected) return;
    const GridDialogIds& ids = Ids(g);
    char text[32] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    const int which = id == ids.first_edit ? kFirstNumberEdit : kLastNumberEdit;
    const EditOutcome o = OnRangeEdit(*g.st, which, text);
    if (o.set_first) SetGridEditQuietly(g, dlg, ids.first_edit, g.st->first_text);
    if (o.set_last) SetGridEditQuietly(g, dlg, ids.last_edit, g.st->last_text);
    if (o.selection_changed) {
        SelectionChanged(g);
        RedrawGrid(g, dlg);
    }
    if (!g.running) {
        EnableControl(dlg, ids.transfer, o.transfer_delete_enabled);
        EnableControl(dlg, ids.remove, o.transfer_delete_enabled);
        EnableControl(dlg, ids.preview, o.preview_and_last_enabled);
        EnableControl(dlg, ids.last_edit, o.preview_and_last_enabled);
    }
}

void OnScroll(GridDialog& g, HWND dlg, WPARAM wp) {
    if (g.running || g.st->total <= kGridButtons) return;
    const GridDialogIds& ids = Ids(g);
    HWND bar = GetDlgItem(dlg, ids.scroll);
    const int code = LOWORD(wp);
    if (code == SB_ENDSCROLL) {
        if (!g.load_pending) {
            g.load_pending = true;
            PostMessageA(dlg, kMsgLoadPage, 0, 0);
        }
        return;
    }
    ScrollAction action;
    if (!GridScrollAction(code, &action)) return;
    const int32_t pos = ScrollTo(GetScrollPos(bar, SB_CTL), action, HIWORD(wp), g.st->total);
    SetScrollPos(bar, SB_CTL, pos, TRUE);
    for (int id : {ids.preview, ids.exit, ids.transfer, ids.remove}) EnableControl(dlg, id, false);
}

void OnLoadPending(GridDialog& g, HWND dlg) {
    if (!g.load_pending) return;
    g.load_pending = false;
    const int32_t pos = GetScrollPos(GetDlgItem(dlg, Ids(g).scroll), SB_CTL);
    const PageRange p = PageOfScrollPosition(pos);
    g.st->first_shown = p.first;
    g.st->last_shown = p.last;
    g.running = true;
    if (!LoadShownPage(g, dlg)) return;
    g.running = false;
    UpdateGridScrollBar(g, dlg);
    EnableGridIdle(g, dlg);
}

void DrawButton(GridDialog& g, const DRAWITEMSTRUCT& di) {
    GridLook look;
    look.face = g.face.get();
    look.no_thumb = g.no_thumb.get();
    look.top_margin = g.policy->top_margin;
    look.region = g.region;
    DrawGridButton(di, *g.st, look, ButtonsOf(g), g.load_pending);
}

bool OnCommand(GridDialog& g, HWND dlg, WPARAM wp) {
    const GridDialogIds& ids = Ids(g);
    const int id = LOWORD(wp);
    const int code = HIWORD(wp);
    if (id >= ids.grid_first && id <= ids.grid_last) {
        if (code == BN_CLICKED || code == BN_DOUBLECLICKED)
            OnGridClick(g, dlg, id - ids.grid_first);
        return true;
    }
    if (id == ids.first_edit || id == ids.last_edit) {
        if (code == EN_CHANGE) OnEditChange(g, dlg, id);
        return true;
    }
    if (id == ids.preview) {
        Preview(g, dlg);
        return true;
    }
    if (id == ids.remove) {
        Delete(g, dlg);
        return true;
    }
    return false;
}

}  // namespace

bool InitGridDialog(HWND dlg, std::unique_ptr<GridDialog> g, const GridDialogPolicy& policy) {
    PlaceDialog(dlg);
    if (!g) return false;
    g->st.reset(new (std::nothrow) CameraBrowserState);
    if (!g->st) return false;
    g->policy = &policy;
    g->face.reset(LoadBitmapA(DialogInstance(), "BUTTONBITMAP"));
    g->no_thumb.reset(LoadBitmapA(DialogInstance(), "NOTHUMBBITMAP"));
    const GridDialogIds& ids = policy.ids;
    SendDlgItemMessageA(dlg, ids.first_edit, EM_LIMITTEXT, 5, 0);
    SendDlgItemMessageA(dlg, ids.last_edit, EM_LIMITTEXT, 5, 0);
    EnableControl(dlg, ids.transfer, false);
    EnableControl(dlg, ids.remove, false);
    EnableControl(dlg, ids.scroll, false);
    if (HMENU sys = GetSystemMenu(dlg, FALSE)) {
        DeleteMenu(sys, SC_SIZE, MF_BYCOMMAND);
        DeleteMenu(sys, SC_MAXIMIZE, MF_BYCOMMAND);
    }
    AttachDialogRecord(dlg, std::move(g));
    return true;
}

GridDialog* GridDialogOf(HWND dlg) {
    return DialogRecordOf<GridDialog>(dlg);
}

bool GridDialogMessage(HWND dlg, UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result) {
    *result = TRUE;
    if (msg == WM_NCDESTROY) {
        FreeDialogRecord<GridDialog>(dlg);
        *result = FALSE;
        return true;
    }
    GridDialog* g = GridDialogOf(dlg);
    if (!g) return false;
    switch (msg) {
        case WM_DRAWITEM: {
            const auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            const int id = static_cast<int>(di->CtlID);
            if (id < Ids(*g).grid_first || id > Ids(*g).grid_last) return false;
            DrawButton(*g, *di);
            return true;
        }
        case WM_COMMAND:
            return OnCommand(*g, dlg, wp);
        case WM_VSCROLL:
            OnScroll(*g, dlg, wp);
            return true;
        case WM_QUERYNEWPALETTE:
            SetWindowLongPtrA(dlg, DWLP_MSGRESULT, RealizeGridPalette(*g->st, dlg, ButtonsOf(*g)));
            return true;
        case WM_PALETTECHANGED:
            GridPaletteChanged(dlg, wp, ButtonsOf(*g));
            return true;
        default:
            if (msg != kMsgLoadPage) return false;
            OnLoadPending(*g, dlg);
            return true;
    }
}

void EnableControl(HWND dlg, int id, bool on) {
    if (HWND c = GetDlgItem(dlg, id)) EnableWindow(c, on ? TRUE : FALSE);
}

void SetGridEditQuietly(GridDialog& g, HWND dlg, int id, const std::string& text) {
    g.updating_edits = true;
    HWND edit = GetDlgItem(dlg, id);
    SetWindowTextA(edit, text.c_str());
    SendMessageA(edit, EM_SETSEL, text.size(), text.size());  // caret at the end
    g.updating_edits = false;
}

void ShowGridTotal(GridDialog& g, HWND dlg) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", g.st->total);
    SetDlgItemTextA(dlg, Ids(g).total, text);
}

void UpdateGridScrollBar(GridDialog& g, HWND dlg) {
    const ScrollState sc = ScrollFor(g.st->first_shown, g.st->total);
    HWND bar = GetDlgItem(dlg, Ids(g).scroll);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = sc.min;
    si.nMax = sc.max;
    si.nPage = 4;  // the thumb is a page of four rows
    si.nPos = sc.position;
    SetScrollInfo(bar, SB_CTL, &si, TRUE);
    EnableWindow(bar, sc.enabled ? TRUE : FALSE);
    if (!sc.enabled) return;
    UINT arrows = ESB_ENABLE_BOTH;
    if (!sc.up_arrow && !sc.down_arrow)
        arrows = ESB_DISABLE_BOTH;
    else if (!sc.up_arrow)
        arrows = ESB_DISABLE_UP;
    else if (!sc.down_arrow)
        arrows = ESB_DISABLE_DOWN;
    EnableScrollBar(bar, SB_CTL, ESB_ENABLE_BOTH);
    if (arrows != ESB_ENABLE_BOTH) EnableScrollBar(bar, SB_CTL, arrows);
}

void RedrawGrid(GridDialog& g, HWND dlg) {
    RedrawGridButtons(dlg, ButtonsOf(g));
}

void DisableGridForWork(GridDialog& g, HWND dlg) {
    const GridDialogIds& ids = Ids(g);
    for (int id : {ids.exit, ids.preview, ids.transfer, ids.remove, ids.first_edit, ids.last_edit})
        EnableControl(dlg, id, false);
}

void EnableGridIdle(GridDialog& g, HWND dlg) {
    EnableControl(dlg, Ids(g).exit, true);
    EnableControl(dlg, Ids(g).first_edit, g.st->total > 0);
    EnableByEdits(g, dlg);
}

void ReportLinkFailure(LinkError r) {
    const int index = LinkErrorMessageIndex(r);
    if (index >= 0 && !ErrorWasShown(ErrorText(index))) ShowError(index);
}
