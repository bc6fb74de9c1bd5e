// The dialogs own their record (DWLP_USER, freed with the dialog's last message) and end through
// Finish(), which ends a modal run with EndDialog and destroys a modeless window, so the
// procedure is the same in both uses.
#include "browser/win/camera_dialogs_win.h"

#include <ctime>
#include <memory>
#include <new>
#include <string>

#include "base/region.h"
#include "base/win/window_record.h"
#include "browser/win/status_dialogs.h"
#include "link/session/camera_tools.h"
#include "link/session/session_ops.h"
#include "res/resource.h"

namespace {

LinkError g_last_clock_result = kLinkOk;

struct DialogRecord {
    CameraSession* s = nullptr;  // not owned
    bool modal = false;
    PortSetupState port;
    ClockTexts remembered;  // the clock texts as shown last
    bool setting_text = false;
    LinkError result = kLinkOk;
};

DialogRecord* RecordOf(HWND dlg) {
    return DialogRecordOf<DialogRecord>(dlg);
}

// The dialog's result outlives its record: it is read after the dialog has gone.
void Finish(HWND dlg, DialogRecord* r) {
    g_last_clock_result = r->result;
    if (r->modal) {
        EndDialog(dlg, IDOK);
    } else {
        DestroyWindow(dlg);
    }
}

// Takes the record handed to the dialog's creation; the dialog frees it at its end.
DialogRecord* TakeRecord(HWND dlg, LPARAM lp) {
    return AttachDialogRecord(dlg,
                              std::move(*reinterpret_cast<std::unique_ptr<DialogRecord>*>(lp)));
}

// Runs a dialog modal or makes it modeless, handing it a new record; the modeless window, or
// (modal) null with the dialog over.
HWND OpenCameraDialog(CameraSession& s, HWND owner, RegionalTemplate which, DLGPROC proc,
                      bool modal) {
    std::unique_ptr<DialogRecord> r(new (std::nothrow) DialogRecord);
    if (!r) return nullptr;
    r->s = &s;
    r->modal = modal;
    g_last_clock_result = kLinkOk;
    const char* name = RegionalTemplateName(which, RegionCode());
    const LPARAM holder = reinterpret_cast<LPARAM>(&r);
    if (modal) {
        if (DialogBoxParamA(DialogInstance(), name, owner, proc, holder) == -1)
            g_last_clock_result = kLinkFailed;
        return nullptr;
    }
    return CreateDialogParamA(DialogInstance(), name, owner, proc, holder);
}

// --- port setup -------------------------------------------------------------------------------

// Speed buttons 264 to 268 in order: 9600, 19200, 38400, 57600, 115200.
const BaudCode kSpeedOfButton[5] = {kBaud9600Code, kBaud19200Code, kBaud38400Code, kBaud57600Code,
                                    kBaud115200Code};

int ButtonOfSpeed(BaudCode code) {
    for (int i = 0; i < 5; ++i)
        if (kSpeedOfButton[i] == code) return IDC_SPEED_9600 + i;
    return IDC_SPEED_38400;
}

int ButtonOfPort(const std::string& port) {
    const int n = port.size() == 4 ? port[3] - '0' : 1;
    return IDC_PORT_COM1 + (n >= 1 && n <= 4 ? n - 1 : 0);
}

INT_PTR CALLBACK PortSetupProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        DialogRecord* r = TakeRecord(dlg, lp);
        r->port = PortSetupOpen(*r->s);
        CheckRadioButton(dlg, IDC_PORT_COM1, IDC_PORT_COM4, ButtonOfPort(r->port.port));
        CheckRadioButton(dlg, IDC_SPEED_9600, IDC_SPEED_115200, ButtonOfSpeed(r->port.code));
        PlaceDialog(dlg);
        return TRUE;
    }
    if (msg == WM_NCDESTROY) {
        FreeDialogRecord<DialogRecord>(dlg);
        return FALSE;
    }
    DialogRecord* r = RecordOf(dlg);
    if (!r || msg != WM_COMMAND) return FALSE;
    const int id = LOWORD(wp);
    if (id >= IDC_PORT_COM1 && id <= IDC_PORT_COM4) {
        r->port.port = "COM" + std::to_string(id - IDC_PORT_COM1 + 1);
        return TRUE;
    }
    if (id >= IDC_SPEED_9600 && id <= IDC_SPEED_115200) {
        r->port.code = kSpeedOfButton[id - IDC_SPEED_9600];
        return TRUE;
    }
    switch (id) {
        case IDC_AUTO_SETUP: {
            EnableWindow(GetDlgItem(dlg, IDOK), FALSE);
            EnableWindow(GetDlgItem(dlg, IDCANCEL), FALSE);
            const int found = PortSetupAutoSetup(*r->s, r->port);
            if (found != 0) CheckRadioButton(dlg, IDC_PORT_COM1, IDC_PORT_COM4, 259 + found);
            EnableWindow(GetDlgItem(dlg, IDOK), TRUE);
            EnableWindow(GetDlgItem(dlg, IDCANCEL), TRUE);
            return TRUE;
        }
        case IDOK:
            PortSetupOk(r->port);
            Finish(dlg, r);
            return TRUE;
        case IDCANCEL:
            PortSetupCancel(r->port);
            Finish(dlg, r);
            return TRUE;
        default:
            return FALSE;
    }
}

// --- clock ------------------------------------------------------------------------------------

const int kClockFields[5] = {IDC_CLOCK_YEAR, IDC_CLOCK_MONTH, IDC_CLOCK_DAY, IDC_CLOCK_HOUR,
                             IDC_CLOCK_MINUTE};

std::string* FieldOf(ClockTexts& t, int id) {
    switch (id) {
        case IDC_CLOCK_YEAR:
            return &t.year;
        case IDC_CLOCK_MONTH:
            return &t.month;
        case IDC_CLOCK_DAY:
            return &t.day;
        case IDC_CLOCK_HOUR:
            return &t.hour;
        default:
            return &t.minute;
    }
}

void ShowClockTexts(HWND dlg, DialogRecord& r, const ClockTexts& t) {
    r.setting_text = true;
    ClockTexts shown = t;
    for (int id : kClockFields) SetDlgItemTextA(dlg, id, FieldOf(shown, id)->c_str());
    r.setting_text = false;
    CheckRadioButton(dlg, IDC_CLOCK_AM, IDC_CLOCK_PM, t.pm ? IDC_CLOCK_PM : IDC_CLOCK_AM);
    r.remembered = t;
}

ClockTexts ReadClockTexts(HWND dlg) {
    ClockTexts t;
    for (int id : kClockFields) {
        char text[32] = "";
        GetDlgItemTextA(dlg, id, text, sizeof text);
        *FieldOf(t, id) = text;
    }
    t.pm = IsDlgButtonChecked(dlg, IDC_CLOCK_AM) != BST_CHECKED;
    return t;
}

INT_PTR CALLBACK ClockProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        DialogRecord* r = TakeRecord(dlg, lp);
        PlaceDialog(dlg);
        ClockTexts now;
        r->result = ReadCameraClock(*r->s, &now);
        if (r->result != kLinkOk) {
            PostMessageA(dlg, WM_COMMAND, IDCANCEL + 0x10000, 0);  // closes without the pause
            return TRUE;
        }
        ShowClockTexts(dlg, *r, now);
        return TRUE;
    }
    if (msg == WM_NCDESTROY) {
        FreeDialogRecord<DialogRecord>(dlg);
        return FALSE;
    }
    DialogRecord* r = RecordOf(dlg);
    if (!r || msg != WM_COMMAND) return FALSE;
    const int id = LOWORD(wp);
    if (HIWORD(wp) == EN_CHANGE && id >= IDC_CLOCK_YEAR && id <= IDC_CLOCK_MINUTE) {
        if (r->setting_text) return TRUE;
        char text[64] = "";
        GetDlgItemTextA(dlg, id, text, sizeof text);
        const std::string kept = ClockEditedText(id, text, r->remembered);
        if (kept != text) {
            r->setting_text = true;
            SetDlgItemTextA(dlg, id, kept.c_str());
            r->setting_text = false;
        }
        return TRUE;
    }
    switch (id) {
        case IDC_CLOCK_FROM_PC: {
            const std::time_t now = std::time(nullptr);
            const std::tm* tm = std::localtime(&now);
            if (tm)
                ShowClockTexts(dlg, *r,
                               ClockTextsOf(tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday,
                                            tm->tm_hour, tm->tm_min));
            return TRUE;
        }
        case IDC_CLOCK_OK: {
            const ClockOkResult ok = ClockDialogOk(*r->s, ReadClockTexts(dlg));
            if (ok.focus != 0) {
                HWND field = GetDlgItem(dlg, ok.focus);
                SetFocus(field);
                SendMessageA(field, EM_SETSEL, 0, -1);
                return TRUE;
            }
            r->result = ok.code;
            if (ok.close) Finish(dlg, r);
            return TRUE;
        }
        case IDCANCEL:
            if (HIWORD(wp) == 0) ClockDialogCancel();  // the hourglass pause of Cancel
            Finish(dlg, r);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void RunPortSetup(CameraSession& s, HWND owner) {
    OpenCameraDialog(s, owner, RegionalTemplate::kCommSetup, PortSetupProc, true);
}

HWND CreatePortSetupWindow(CameraSession& s, HWND owner) {
    return OpenCameraDialog(s, owner, RegionalTemplate::kCommSetup, PortSetupProc, false);
}

LinkError RunClockDialogWindow(CameraSession& s, HWND owner) {
    OpenCameraDialog(s, owner, RegionalTemplate::kClock, ClockProc, true);
    return g_last_clock_result;
}

HWND CreateClockWindow(CameraSession& s, HWND owner) {
    return OpenCameraDialog(s, owner, RegionalTemplate::kClock, ClockProc, false);
}

LinkError LastClockResult() {
    return g_last_clock_result;
}
