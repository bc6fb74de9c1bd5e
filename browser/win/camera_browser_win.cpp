// The browser keeps one record per open dialog (window word DWLP_USER): the portable state, the
// session it owns, and the drawing objects made from the cached thumbnails. Every operation
// marks itself running for its whole length, so that the messages the link dispatches while it
// waits cannot start a second one or close the dialog under it.
#include "browser/win/camera_browser_win.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "base/messages.h"
#include "base/platform.h"
#include "base/region.h"
#include "base/win/win_handles.h"
#include "browser/browser_model.h"
#include "browser/win/grid_drawing.h"
#include "browser/win/image_list_win.h"
#include "browser/win/status_dialogs.h"
#include "codec/reduce.h"
#include "codec/win/dib_win.h"
#include "link/link_error.h"
#include "link/port.h"
#include "link/session/camera_tools.h"
#include "link/session/session_ops.h"
#include "link/session/transfer.h"
#include "res/resource.h"

namespace {

constexpr char kStateFailed[] = "Memory to indicate memory list is full.";

struct BrowserWindow {
    CameraSession* s = nullptr;  // not owned: the program's one session
    std::unique_ptr<CameraBrowserState> st;
    bool running = false;       // Preview, Transfer or Delete is under way
    bool load_pending = false;  // a scroll ended and its page is still to load
    bool updating_edits = false;
    ClickMemory clicks;
    ScopedBitmap face;      // "BUTTONBITMAP"
    ScopedBitmap no_thumb;  // "NOTHUMBBITMAP"
};

HWND g_browser = nullptr;

BrowserWindow* RecordOf(HWND dlg) {
    return reinterpret_cast<BrowserWindow*>(GetWindowLongPtrA(dlg, DWLP_USER));
}

void Enable(HWND dlg, int id, bool on) {
    EnableWindow(GetDlgItem(dlg, id), on ? TRUE : FALSE);
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

void SetEditQuietly(BrowserWindow& w, HWND dlg, int id, const std::string& text) {
    w.updating_edits = true;
    HWND edit = GetDlgItem(dlg, id);
    SetWindowTextA(edit, text.c_str());
    SendMessageA(edit, EM_SETSEL, text.size(), text.size());  // caret at the end
    w.updating_edits = false;
}

void ShowTotal(HWND dlg, int32_t total) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", total);
    SetDlgItemTextA(dlg, IDC_TOTAL, text);
}

void UpdateScrollBar(BrowserWindow& w, HWND dlg) {
    const ScrollState sc = ScrollFor(w.st->first_shown, w.st->total);
    HWND bar = GetDlgItem(dlg, IDC_BROWSER_SCROLL);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = sc.min;
    si.nMax = sc.max;
    si.nPage = 4;
    si.nPos = sc.position;
    SetScrollInfo(bar, SB_CTL, &si, TRUE);
    EnableWindow(bar, sc.enabled ? TRUE : FALSE);
    if (sc.enabled) {
        EnableScrollBar(bar, SB_CTL, ESB_ENABLE_BOTH);
        if (!sc.up_arrow) EnableScrollBar(bar, SB_CTL, ESB_DISABLE_UP);
        if (!sc.down_arrow) EnableScrollBar(bar, SB_CTL, ESB_DISABLE_DOWN);
    }
}

constexpr GridButtons kGridIds{IDC_GRID_FIRST, IDC_GRID_LAST, true};

void RedrawGrid(HWND dlg) {
    RedrawGridButtons(dlg, kGridIds);
}

// The commands that depend on the first-number edit and the selection.
void EnableByEdits(BrowserWindow& w, HWND dlg) {
    const bool first = !EditEmpty(dlg, IDC_FIRST_NUMBER) && EditValue(dlg, IDC_FIRST_NUMBER) != 0;
    Enable(dlg, IDC_PREVIEW, first && w.st->total > 0);
    Enable(dlg, IDC_LAST_NUMBER, first && w.st->total > 0);
    Enable(dlg, IDC_TRANSFER, w.st->selected_count != 0);
    Enable(dlg, IDC_DELETE, w.st->selected_count != 0);
}

void SetCommandsDuringWork(HWND dlg, bool enabled) {
    for (int id :
         {IDCANCEL, IDC_PREVIEW, IDC_TRANSFER, IDC_DELETE, IDC_FIRST_NUMBER, IDC_LAST_NUMBER})
        Enable(dlg, id, enabled);
}

// Ends the browser: everything freed, the dialog gone, the session ended and the port closed.
void CloseBrowser(HWND dlg) {
    BrowserWindow* w = RecordOf(dlg);
    if (!w) return;
    SetWindowLongPtrA(dlg, DWLP_USER, 0);
    CameraSession* s = w->s;
    delete w;
    HWND owner = GetWindow(dlg, GW_OWNER);
    if (owner) EnableWindow(owner, TRUE);
    ShowWindow(dlg, SW_HIDE);
    DestroyWindow(dlg);
    if (g_browser == dlg) g_browser = nullptr;
    if (CurrentCameraWindow() == dlg) SetCurrentCameraWindow(owner);
    if (s) EndBrowserSession(*s);  // hourglass, 1.5 s, end command, port closed, commands back
}

// The browser's message for a failed operation, unless the operation has shown that text.
void ReportFailure(LinkError r) {
    const int index = LinkErrorMessageIndex(r);
    if (index >= 0 && !ErrorWasShown(ErrorText(index))) ShowError(index);
}

// Loads the page first_shown..last_shown; a failure closes the browser. False then.
bool LoadShownPage(BrowserWindow& w, HWND dlg) {
    ForgetErrorsShown();
    const LinkError r = LoadPage(*w.st, *w.s);
    RedrawGrid(dlg);
    if (r == kLinkOk) return true;
    // The failing read may have said it already; the user hears it once.
    if (!ErrorWasShown(ErrorText(kMsgTransferError))) ShowError(kMsgTransferError);
    CloseBrowser(dlg);
    return false;
}

void Preview(BrowserWindow& w, HWND dlg) {
    if (w.running || w.st->total == 0) return;
    w.running = true;
    SetCommandsDuringWork(dlg, false);
    const PageRange p = PageForJump(EditValue(dlg, IDC_FIRST_NUMBER), w.st->total);
    w.st->first_shown = p.first;
    w.st->last_shown = p.last;
    if (!LoadShownPage(w, dlg)) return;  // the browser is gone
    w.running = false;
    w.st->thumbnails_shown = true;
    UpdateScrollBar(w, dlg);
    Enable(dlg, IDCANCEL, true);
    Enable(dlg, IDC_FIRST_NUMBER, true);
    EnableByEdits(w, dlg);
    SetFocus(GetDlgItem(dlg, IDCANCEL));
}

void Transfer(BrowserWindow& w, HWND dlg) {
    if (w.running || w.st->selected_count == 0) return;
    w.running = true;
    ForgetErrorsShown();
    const std::vector<int> images = SelectedImages(*w.st);
    if (ChooseTransferDestination(*w.s, dlg, static_cast<int>(images.size()), false) !=
        DestinationChoice::kChosen) {
        w.running = false;
        return;
    }
    const LinkError r = TransferSelected(*w.s, images);
    w.running = false;
    if (r != kLinkOk) {
        ReportFailure(r);
        CloseBrowser(dlg);
    }
}

void Delete(BrowserWindow& w, HWND dlg) {
    if (w.running || w.st->selected_count == 0) return;
    w.running = true;
    ForgetErrorsShown();
    std::vector<int> images = SelectedImages(*w.st);
    std::sort(images.begin(), images.end());
    w.s->image_count = w.st->total;
    const LinkError r = DeleteSelectedSequenced(*w.s, &images);
    if (r != kLinkOk) {
        ReportFailure(r);
        w.running = false;
        CloseBrowser(dlg);
        return;
    }
    RenumberAfterDelete(*w.st, images);
    w.st->page.fill(0);
    if (w.st->thumbnails_shown && w.st->total > 0 && !LoadShownPage(w, dlg)) return;
    w.running = false;
    ShowTotal(dlg, w.st->total);
    UpdateScrollBar(w, dlg);
    SetEditQuietly(w, dlg, IDC_LAST_NUMBER, "");
    w.st->last_text.clear();
    Enable(dlg, IDC_FIRST_NUMBER, w.st->total > 0);
    EnableByEdits(w, dlg);
    RedrawGrid(dlg);
}

void OnGridClick(BrowserWindow& w, HWND dlg, int button) {
    const int32_t n = w.st->page[button];
    if (w.st->total == 0 || w.running || n == 0) return;
    if (w.st->range_typed && IsWindowEnabled(GetDlgItem(dlg, IDC_LAST_NUMBER))) {
        SetEditQuietly(w, dlg, IDC_LAST_NUMBER, "");
        w.st->last_text.clear();
        w.st->range_typed = false;
    }
    const bool twice = IsDoubleClick(&w.clicks, static_cast<uint32_t>(GetMessageTime()), button,
                                     GetDoubleClickTime(), w.st->thumbnails_shown,
                                     FindCell(*w.st, n) >= 0, w.st->selected_count);
    ClickGridImage(*w.st, n);
    RedrawGrid(dlg);
    EnableByEdits(w, dlg);
    if (twice) PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_TRANSFER, BN_CLICKED), 0);
}

void OnEditChange(BrowserWindow& w, HWND dlg, int id) {
    if (w.updating_edits) return;
    char text[32] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    const EditOutcome o = OnRangeEdit(*w.st, id, text);
    if (o.set_first) SetEditQuietly(w, dlg, IDC_FIRST_NUMBER, w.st->first_text);
    if (o.set_last) SetEditQuietly(w, dlg, IDC_LAST_NUMBER, w.st->last_text);
    if (o.selection_changed) RedrawGrid(dlg);
    if (!w.running) {
        Enable(dlg, IDC_TRANSFER, o.transfer_delete_enabled);
        Enable(dlg, IDC_DELETE, o.transfer_delete_enabled);
        Enable(dlg, IDC_PREVIEW, o.preview_and_last_enabled);
        Enable(dlg, IDC_LAST_NUMBER, o.preview_and_last_enabled);
    }
}

void OnScroll(BrowserWindow& w, HWND dlg, WPARAM wp) {
    if (w.running || w.st->total <= kGridButtons) return;
    HWND bar = GetDlgItem(dlg, IDC_BROWSER_SCROLL);
    const int code = LOWORD(wp);
    if (code == SB_ENDSCROLL) {
        if (!w.load_pending) {
            w.load_pending = true;
            PostMessageA(dlg, kMsgLoadPage, 0, 0);
        }
        return;
    }
    ScrollAction action;
    if (!GridScrollAction(code, &action)) return;
    const int32_t pos = ScrollTo(GetScrollPos(bar, SB_CTL), action, HIWORD(wp), w.st->total);
    SetScrollPos(bar, SB_CTL, pos, TRUE);
    for (int id : {IDC_PREVIEW, IDCANCEL, IDC_TRANSFER, IDC_DELETE}) Enable(dlg, id, false);
}

void OnLoadPending(BrowserWindow& w, HWND dlg) {
    if (!w.load_pending) return;
    w.load_pending = false;
    const int32_t pos = GetScrollPos(GetDlgItem(dlg, IDC_BROWSER_SCROLL), SB_CTL);
    const PageRange p = PageOfScrollPosition(pos);
    w.st->first_shown = p.first;
    w.st->last_shown = p.last;
    w.running = true;
    if (!LoadShownPage(w, dlg)) return;
    w.running = false;
    UpdateScrollBar(w, dlg);
    Enable(dlg, IDCANCEL, true);
    EnableByEdits(w, dlg);
}

// --- drawing ----------------------------------------------------------------------------------

void DrawButton(BrowserWindow& w, const DRAWITEMSTRUCT& di) {
    GridLook look;
    look.face = w.face.get();
    look.no_thumb = w.no_thumb.get();
    look.top_margin = 5;
    look.region = RegionCode();
    DrawGridButton(di, *w.st, look, kGridIds, w.load_pending);
}

// --- the dialog -------------------------------------------------------------------------------

bool InitBrowser(HWND dlg, CameraSession* s) {
    PlaceDialog(dlg);
    BrowserWindow* w = new (std::nothrow) BrowserWindow;
    if (w) w->st.reset(new (std::nothrow) CameraBrowserState);
    if (!w || !w->st) {
        delete w;
        Plat().prompts->ShowBox(kStateFailed, CurrentMessages().box_title, BoxStyle::kError,
                                BoxOwner::kFocus);
        return false;
    }
    w->s = s;
    w->st->total = s->image_count;
    w->face.reset(LoadBitmapA(DialogInstance(), "BUTTONBITMAP"));
    w->no_thumb.reset(LoadBitmapA(DialogInstance(), "NOTHUMBBITMAP"));
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(w));
    SendDlgItemMessageA(dlg, IDC_FIRST_NUMBER, EM_LIMITTEXT, 5, 0);
    SendDlgItemMessageA(dlg, IDC_LAST_NUMBER, EM_LIMITTEXT, 5, 0);
    SetEditQuietly(*w, dlg, IDC_FIRST_NUMBER, "1");
    ShowTotal(dlg, w->st->total);
    Enable(dlg, IDC_TRANSFER, false);
    Enable(dlg, IDC_DELETE, false);
    Enable(dlg, IDC_PREVIEW, w->st->total > 0);
    Enable(dlg, IDC_LAST_NUMBER, w->st->total > 0);
    EnableWindow(GetDlgItem(dlg, IDC_BROWSER_SCROLL), FALSE);
    if (HMENU sys = GetSystemMenu(dlg, FALSE)) {
        DeleteMenu(sys, SC_SIZE, MF_BYCOMMAND);
        DeleteMenu(sys, SC_MAXIMIZE, MF_BYCOMMAND);
    }
    return true;
}

INT_PTR CALLBACK BrowserProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        if (!InitBrowser(dlg, reinterpret_cast<CameraSession*>(lp)))
            PostMessageA(dlg, WM_CLOSE, 0, 0);
        return TRUE;
    }
    BrowserWindow* w = RecordOf(dlg);
    if (!w) {
        if (msg == WM_CLOSE) DestroyWindow(dlg);
        return FALSE;
    }
    switch (msg) {
        case WM_DRAWITEM: {
            const auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            if (di->CtlID >= IDC_GRID_FIRST && di->CtlID <= IDC_GRID_LAST) {
                DrawButton(*w, *di);
                return TRUE;
            }
            return FALSE;
        }
        case WM_COMMAND: {
            const int id = LOWORD(wp);
            const int code = HIWORD(wp);
            if (id >= IDC_GRID_FIRST && id <= IDC_GRID_LAST) {
                if (code == BN_CLICKED || code == BN_DOUBLECLICKED)
                    OnGridClick(*w, dlg, id - IDC_GRID_FIRST);
                return TRUE;
            }
            if ((id == IDC_FIRST_NUMBER || id == IDC_LAST_NUMBER) && code == EN_CHANGE) {
                OnEditChange(*w, dlg, id);
                return TRUE;
            }
            switch (id) {
                case IDC_PREVIEW:
                    Preview(*w, dlg);
                    return TRUE;
                case IDC_TRANSFER:
                    Transfer(*w, dlg);
                    return TRUE;
                case IDC_DELETE:
                    Delete(*w, dlg);
                    return TRUE;
                case IDCANCEL:
                    if (!w->running) CloseBrowser(dlg);
                    return TRUE;
                default:
                    return FALSE;
            }
        }
        case WM_VSCROLL:
            OnScroll(*w, dlg, wp);
            return TRUE;
        case WM_CLOSE:
            if (!w->running) CloseBrowser(dlg);
            return TRUE;
        case WM_QUERYNEWPALETTE:
            SetWindowLongPtrA(dlg, DWLP_MSGRESULT, RealizeGridPalette(*w->st, dlg, kGridIds));
            return TRUE;
        case WM_PALETTECHANGED:
            GridPaletteChanged(dlg, wp, kGridIds);
            return TRUE;
        default:
            if (msg == kMsgLoadPage) {
                OnLoadPending(*w, dlg);
                return TRUE;
            }
            return FALSE;
    }
}

struct DeleteQuestion {
    int image;
    bool all_enabled;
};

INT_PTR CALLBACK DeleteQuestionProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: {
            const auto* q = reinterpret_cast<const DeleteQuestion*>(lp);
            char text[64];
            std::snprintf(text, sizeof text, "Are you sure you want to delete Image No.%d?",
                          q->image);
            SetDlgItemTextA(dlg, IDC_STATUS_DETAIL, text);
            SetDlgItemTextA(dlg, IDC_STATUS_TEXT, "Now deleting images.");
            Enable(dlg, IDC_DELETE_ALL, q->all_enabled);
            PlaceDialog(dlg);
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wp)) {
                case IDC_DELETE_YES:
                case IDC_DELETE_ALL:
                case IDC_DELETE_NO:
                case IDC_DELETE_CANCEL:
                    EndDialog(dlg, LOWORD(wp));
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dlg, IDC_DELETE_CANCEL);
                    return TRUE;
                default:
                    return FALSE;
            }
        default:
            return FALSE;
    }
}

}  // namespace

int AskDeleteDialog(HWND owner, int image, bool all_enabled) {
    DeleteQuestion q{image, all_enabled};
    const INT_PTR r = DialogBoxParamA(DialogInstance(), "DSCSTATUSDLGDEL", owner,
                                      DeleteQuestionProc, reinterpret_cast<LPARAM>(&q));
    return r == IDC_DELETE_YES || r == IDC_DELETE_ALL || r == IDC_DELETE_NO ? static_cast<int>(r)
                                                                            : IDC_DELETE_CANCEL;
}

bool OpenCameraBrowser(CameraSession& s, HWND owner) {
    const char* name = RegionalTemplateName(RegionalTemplate::kBrowser, RegionCode());
    HWND dlg = CreateDialogParamA(DialogInstance(), name, owner, BrowserProc,
                                  reinterpret_cast<LPARAM>(&s));
    if (!dlg || !RecordOf(dlg)) {
        if (dlg) DestroyWindow(dlg);
        if (!dlg) ShowError(kMsgUnexpected);
        return false;
    }
    g_browser = dlg;
    SetCurrentCameraWindow(dlg);
    ShowWindow(dlg, SW_SHOW);
    return true;
}

HWND CameraBrowserWindow() {
    return g_browser;
}

const CameraBrowserState* CameraBrowserStateOf(HWND dlg) {
    const BrowserWindow* w = dlg ? RecordOf(dlg) : nullptr;
    return w ? w->st.get() : nullptr;
}

DLGPROC DeleteQuestionProcedure() {
    return DeleteQuestionProc;
}
