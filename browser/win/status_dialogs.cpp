#include "browser/win/status_dialogs.h"

#include "base/region.h"
#include "base/platform.h"
#include "link/session/start_status.h"
#include "browser/win/meter.h"
#include "base/messages.h"
#include "res/resource.h"

namespace {

constexpr UINT_PTR kMeterTimer = 7;
constexpr UINT_PTR kStatusTimer = 6;
constexpr UINT kPollMs = 50;
constexpr char kCancelText[] = "It ends the forwarding of a image. Please wait.\n";
constexpr char kConnectingText[] = "Now establishing Communication Connection.\nPlease Wait.";

HWND g_current_window = nullptr;
HINSTANCE g_instance = nullptr;
KeyStateSource g_key_state = GetAsyncKeyState;

// One shown dialog and the window it was stacked over.
struct Stacked {
    HWND dialog = nullptr;
    HWND below = nullptr;
};
Stacked g_start;
Stacked g_status;
Stacked g_meter;  // the program-wide progress slot
HWND g_view_meter = nullptr;

bool CancelShown(HWND dlg) {
    HWND cancel = GetDlgItem(dlg, IDCANCEL);
    return cancel && IsWindowVisible(cancel);
}

bool CancelUsable(HWND dlg) {
    HWND cancel = GetDlgItem(dlg, IDCANCEL);
    return cancel && IsWindowVisible(cancel) && IsWindowEnabled(cancel);
}

bool EnterHeld() {
    return (g_key_state(VK_RETURN) & 0x8000) != 0;
}

void MeterCancel(HWND dlg) {
    SetCancelRequested(true);
    SetDlgItemTextA(dlg, IDC_METER_DETAIL, kCancelText);
    EnableWindow(GetDlgItem(dlg, IDCANCEL), FALSE);
}

INT_PTR CALLBACK MeterDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            SetFocus(dlg);
            SetCancelRequested(false);
            PlaceDialog(dlg);
            ShowWindow(GetDlgItem(dlg, IDCANCEL), SW_HIDE);
            SetTimer(dlg, kMeterTimer, kPollMs, nullptr);
            return FALSE;  // the focus stays on the dialog itself
        case WM_SHOWWINDOW:
            if (wp) {
                EnableWindow(GetDlgItem(dlg, IDCANCEL), TRUE);
                SetDlgItemTextA(dlg, IDC_METER_TITLE, "");
                SetDlgItemTextA(dlg, IDC_METER_DETAIL, "");
                SendDlgItemMessageA(dlg, IDC_METER, kMeterSetPos, 0, 0);
                SendDlgItemMessageA(dlg, IDC_METER, kMeterSetRange, 25, 0);
            }
            return FALSE;
        case WM_COMMAND:
            if (LOWORD(wp) == IDCANCEL && CancelShown(dlg) && IsWindowEnabled(dlg) &&
                IsWindowEnabled(GetDlgItem(dlg, IDCANCEL))) {
                MeterCancel(dlg);
            }
            return TRUE;
        case WM_CHAR:
            if ((wp == 'c' || wp == 'C') && IsWindowEnabled(dlg)) MeterCancel(dlg);
            return TRUE;
        case WM_TIMER:
            if (wp != kMeterTimer) return FALSE;
            KillTimer(dlg, kMeterTimer);
            if (GetForegroundWindow() == dlg && CancelUsable(dlg) && EnterHeld()) MeterCancel(dlg);
            SetTimer(dlg, kMeterTimer, kPollMs, nullptr);
            return TRUE;
        case WM_DESTROY:
            KillTimer(dlg, kMeterTimer);
            if (g_meter.dialog == dlg) g_meter = Stacked{};
            if (g_view_meter == dlg) g_view_meter = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

void StatusCancel(HWND dlg) {
    SetCancelRequested(true);
    EnableWindow(GetDlgItem(dlg, IDCANCEL), FALSE);
}

INT_PTR CALLBACK StatusDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            PlaceDialog(dlg);
            ShowWindow(GetDlgItem(dlg, IDCANCEL), SW_HIDE);
            SetTimer(dlg, kStatusTimer, kPollMs, nullptr);
            return FALSE;
        case WM_SHOWWINDOW:
            if (wp) {
                SetDlgItemTextA(dlg, IDC_STATUS_TEXT, "");
                SetDlgItemTextA(dlg, IDC_STATUS_DETAIL, "");
            }
            return FALSE;
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) StatusCancel(dlg);
            return TRUE;
        case WM_TIMER:
            if (wp != kStatusTimer) return FALSE;
            KillTimer(dlg, kStatusTimer);
            if (GetForegroundWindow() == dlg && CancelUsable(dlg) && EnterHeld()) StatusCancel(dlg);
            SetTimer(dlg, kStatusTimer, kPollMs, nullptr);
            return TRUE;
        case WM_DESTROY:
            KillTimer(dlg, kStatusTimer);
            return FALSE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK StartStatusProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            PlaceDialog(dlg);
            return FALSE;
        case WM_SHOWWINDOW:
            if (wp) SetDlgItemTextA(dlg, IDC_STATUS_TEXT, kConnectingText);
            return FALSE;
        case WM_COMMAND:
            return TRUE;  // no button ends the notice; its owner hides it
        default:
            return FALSE;
    }
}

// Creates a dialog over the current window and puts it on top of the stack.
bool PushDialog(Stacked& slot, const char* template_name, DLGPROC proc) {
    HWND below = g_current_window;
    HWND dlg = CreateDialogParamA(DialogInstance(), template_name, below, proc, 0);
    if (!dlg) {
        ShowError(kMsgUnexpected);
        return false;
    }
    slot.dialog = dlg;
    slot.below = below;
    g_current_window = dlg;
    ShowWindow(dlg, SW_SHOW);
    SetFocus(dlg);
    if (below) EnableWindow(below, FALSE);
    UpdateWindow(dlg);
    return true;
}

void PopDialog(Stacked& slot) {
    if (!slot.dialog) return;
    Stacked s = slot;
    slot = Stacked{};
    if (s.below) {
        EnableWindow(s.below, TRUE);
        SetFocus(s.below);
    }
    if (g_current_window == s.dialog) g_current_window = s.below;
    DestroyWindow(s.dialog);
}

HWND ViewMeter() {
    return g_view_meter ? g_view_meter : g_meter.dialog;
}

}  // namespace

void PlaceDialog(HWND dlg) {
    RECT rc;
    GetWindowRect(dlg, &rc);
    int w = rc.right - rc.left;
    int h = rc.bottom - rc.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 3;
    SetWindowPos(dlg, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND CurrentCameraWindow() {
    return g_current_window;
}
void SetCurrentCameraWindow(HWND hwnd) {
    g_current_window = hwnd;
}

void SetDialogInstance(HINSTANCE instance) {
    g_instance = instance;
}
HINSTANCE DialogInstance() {
    return g_instance ? g_instance : GetModuleHandleA(nullptr);
}

void SetKeyStateSource(KeyStateSource source) {
    g_key_state = source ? source : GetAsyncKeyState;
}
KeyStateSource KeyState() {
    return g_key_state;
}

bool ShowStartStatus() {
    if (g_start.dialog) return true;
    if (!PushDialog(g_start, "DscStartStatusDlg", StartStatusProc)) return false;
    TimeSource& clock = *Plat().time;
    uint32_t wait = StartNoticeWait(ProgramStartNoticeTimes(), clock.TickCount());
    if (wait) clock.Sleep(wait);
    return true;
}

void HideStartStatus() {
    if (!g_start.dialog) return;
    PopDialog(g_start);
    StartNoticeHidden(ProgramStartNoticeTimes(), Plat().time->TickCount());
}

HWND StartStatusWindow() {
    return g_start.dialog;
}

bool ShowStatus() {
    if (g_status.dialog) return true;
    return PushDialog(g_status, "DscStatusDlg", StatusDialogProc);
}

void HideStatus() {
    PopDialog(g_status);
}
HWND StatusWindow() {
    return g_status.dialog;
}

bool ShowMeter() {
    if (g_meter.dialog) return true;
    return PushDialog(g_meter, RegionalTemplateName(RegionalTemplate::kMeter, RegionCode()),
                      MeterDialogProc);
}

void HideMeter() {
    PopDialog(g_meter);
}
HWND MeterWindow() {
    return g_meter.dialog;
}

HWND CreateMeterDialog(HWND owner) {
    return CreateDialogParamA(DialogInstance(),
                              RegionalTemplateName(RegionalTemplate::kMeter, RegionCode()), owner,
                              MeterDialogProc, 0);
}

HWND SetViewMeter(HWND dialog) {
    HWND old = g_view_meter;
    g_view_meter = dialog;
    return old;
}

void DialogOperationView::SetText(int field, const std::string& text) {
    HWND dlg = nullptr;
    if (field == kFieldTitle || field == kFieldDetail) {
        dlg = ViewMeter();
    } else if (field == kFieldStatus || field == kFieldStatusDetail) {
        dlg = g_status.dialog ? g_status.dialog : g_start.dialog;
    }
    if (dlg) SetDlgItemTextA(dlg, field, text.c_str());
}

void DialogOperationView::SetMeterRange(uint32_t range) {
    if (HWND dlg = ViewMeter()) SendDlgItemMessageA(dlg, IDC_METER, kMeterSetRange, range, 0);
}

void DialogOperationView::SetMeterPos(uint32_t pos) {
    if (HWND dlg = ViewMeter()) SendDlgItemMessageA(dlg, IDC_METER, kMeterSetPos, pos, 0);
}

void DialogOperationView::ShowCancel(bool shown) {
    // The Cancel of the dialog on top: the progress dialog over the status dialog.
    HWND dlg = g_current_window;
    if (dlg != ViewMeter() && dlg != g_status.dialog)
        dlg = ViewMeter() ? ViewMeter() : g_status.dialog;
    if (!dlg) return;
    HWND cancel = GetDlgItem(dlg, IDCANCEL);
    if (!cancel) return;
    ShowWindow(cancel, shown ? SW_SHOW : SW_HIDE);
    EnableWindow(cancel, shown ? TRUE : FALSE);
}

DLGPROC MeterDialogProcedure() {
    return MeterDialogProc;
}
DLGPROC StartStatusProcedure() {
    return StartStatusProc;
}
DLGPROC StatusDialogProcedure() {
    return StatusDialogProc;
}
