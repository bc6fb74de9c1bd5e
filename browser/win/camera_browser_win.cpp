// The camera browser is the grid dialog with the program's session: it owns the session from
// the moment it opens until Exit or a failure closes it. Every operation marks itself running
// for its whole length, so that the messages the link dispatches while it waits cannot start a
// second one or close the dialog under it.
#include "browser/win/camera_browser_win.h"

#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "base/messages.h"
#include "base/platform.h"
#include "base/region.h"
#include "browser/browser_model.h"
#include "browser/win/grid_dialog.h"
#include "browser/win/image_list_win.h"
#include "browser/win/status_dialogs.h"
#include "link/link_error.h"
#include "link/session/session_ops.h"
#include "link/session/transfer.h"
#include "res/resource.h"

namespace {

constexpr char kStateFailed[] = "Memory to indicate memory list is full.";

HWND g_browser = nullptr;

// Ends the browser: everything freed, the dialog gone, the session ended and the port closed.
void CloseBrowser(HWND dlg) {
    GridDialog* g = GridDialogOf(dlg);
    if (!g) return;
    CameraSession* s = g->session;
    HWND owner = GetWindow(dlg, GW_OWNER);
    if (owner) EnableWindow(owner, TRUE);
    ShowWindow(dlg, SW_HIDE);
    DestroyWindow(dlg);  // frees the record
    if (g_browser == dlg) g_browser = nullptr;
    if (CurrentCameraWindow() == dlg) SetCurrentCameraWindow(owner);
    if (s) EndBrowserSession(*s);  // hourglass, 1.5 s, end command, port closed, commands back
}

void EndBrowserWork(GridDialog&, HWND dlg) {
    CloseBrowser(dlg);
}

const GridDialogPolicy kBrowserPolicy{
    {IDC_GRID_FIRST, IDC_GRID_LAST, IDC_BROWSER_SCROLL, IDC_FIRST_NUMBER, IDC_LAST_NUMBER,
     IDC_TOTAL, IDC_PREVIEW, IDC_TRANSFER, IDC_DELETE, IDCANCEL},
    5,
    EndBrowserWork};

void Transfer(GridDialog& g, HWND dlg) {
    if (g.running || g.st->selected_count == 0) return;
    g.running = true;
    ForgetErrorsShown();
    const std::vector<int> images = SelectedImages(*g.st);
    if (ChooseTransferDestination(*g.session, dlg, static_cast<int>(images.size()), false) !=
        DestinationChoice::kChosen) {
        g.running = false;
        return;
    }
    const LinkError r = TransferSelected(*g.session, images);
    g.running = false;
    if (r != kLinkOk) {
        ReportLinkFailure(r);
        CloseBrowser(dlg);
    }
}

bool InitBrowser(HWND dlg, CameraSession* s) {
    std::unique_ptr<GridDialog> made(new (std::nothrow) GridDialog);
    if (made) {
        made->session = s;
        made->connected = true;  // the session is up before the browser opens
        made->region = RegionCode();
    }
    if (!InitGridDialog(dlg, std::move(made), kBrowserPolicy)) {
        Plat().prompts->ShowBox(kStateFailed, CurrentMessages().box_title, BoxStyle::kError,
                                BoxOwner::kFocus);
        return false;
    }
    GridDialog& g = *GridDialogOf(dlg);
    g.st->total = s->image_count;
    SetGridEditQuietly(g, dlg, IDC_FIRST_NUMBER, "1");
    ShowGridTotal(g, dlg);
    EnableControl(dlg, IDC_PREVIEW, g.st->total > 0);
    EnableControl(dlg, IDC_LAST_NUMBER, g.st->total > 0);
    return true;
}

INT_PTR CALLBACK BrowserProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        if (!InitBrowser(dlg, reinterpret_cast<CameraSession*>(lp)))
            PostMessageA(dlg, WM_CLOSE, 0, 0);
        return TRUE;
    }
    INT_PTR result = FALSE;
    if (GridDialogMessage(dlg, msg, wp, lp, &result)) return result;
    GridDialog* g = GridDialogOf(dlg);
    if (!g) {
        if (msg == WM_CLOSE) DestroyWindow(dlg);
        return FALSE;
    }
    switch (msg) {
        case WM_COMMAND:
            switch (LOWORD(wp)) {
                case IDC_TRANSFER:
                    Transfer(*g, dlg);
                    return TRUE;
                case IDCANCEL:
                    if (!g->running) CloseBrowser(dlg);
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_CLOSE:
            if (!g->running) CloseBrowser(dlg);
            return TRUE;
        default:
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
            EnableControl(dlg, IDC_DELETE_ALL, q->all_enabled);
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
    if (!dlg || !GridDialogOf(dlg)) {
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
    const GridDialog* g = dlg ? GridDialogOf(dlg) : nullptr;
    return g ? g->st.get() : nullptr;
}

DLGPROC DeleteQuestionProcedure() {
    return DeleteQuestionProc;
}
