// The module's camera dialog "UIPARAM": the thumbnail grid of the program's browser (its rules
// are browser/browser_model.h) with Connect and Port Setup, because the module opens and closes
// the camera connection itself. Transfer fetches one image of the selection into
// "Pitmpjpg.jpg" and hands control back to the host's start call, which delivers it; each
// further start call fetches the next chosen image without a click.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/platform.h"
#include "base/region.h"
#include "base/tempfile.h"
#include "base/win/win_handles.h"
#include "base/win/window_record.h"
#include "base/win/win_prompts.h"
#include "base/win/win_pump.h"
#include "browser/browser_model.h"
#include "browser/win/camera_browser_win.h"
#include "browser/win/grid_dialog.h"
#include "browser/win/meter.h"
#include "browser/win/status_dialogs.h"
#include "codec/bmp_file.h"
#include "codec/jpeg_codec.h"
#include "codec/reduce.h"
#include "codec/win/dib_win.h"
#include "link/link_profile.h"
#include "link/port.h"
#include "link/protocol.h"
#include "link/session/camera_tools.h"
#include "link/session/camera_ui.h"
#include "link/session/session_ops.h"
#include "link/session/transfer.h"
#include "link/win/win32_serial.h"
#include "plugin/plugin_res.h"
#include "plugin/win/plugin_settings.h"
#include "plugin/win/plugin_win.h"
#include "res/resource.h"

namespace {

constexpr char kTitle[] = "Quenlar QX-4210 Plug-in Driver";
constexpr UINT kMsgReactivate = WM_APP + 1;

const uint8_t kDitherMatrix[64] = {0,  25, 6, 32, 1,  27, 8, 34, 38, 12, 45, 19, 40, 14, 46, 21,
                                   9,  35, 3, 29, 11, 37, 4, 30, 48, 22, 42, 16, 50, 24, 43, 17,
                                   2,  28, 8, 34, 0,  26, 7, 33, 41, 15, 47, 21, 39, 13, 46, 20,
                                   12, 38, 5, 31, 10, 36, 4, 29, 51, 25, 44, 18, 49, 23, 42, 17};

HINSTANCE g_instance = nullptr;
SerialDriver* g_driver = nullptr;
Win32SerialDriver g_win32_driver;
RegistrySettings g_settings;
WinPrompts g_prompts;
WinMessagePump g_pump;
DialogOperationView g_view;

// The camera windows of the link, as the module has them: the connection notice and the
// delete question; the dialog owns the session as soon as the link is up.
struct PluginCameraUi : NullCameraUi {
    bool ShowStartNotice(bool on) override {
        if (!on) {
            HideStartStatus();
            return true;
        }
        return ShowStartStatus();
    }
    bool OpenThumbnailBrowser(CameraSession&) override { return true; }
    bool OpenProgress() override { return ShowMeter(); }
    void CloseProgress() override { HideMeter(); }
    bool OpenStatus() override { return ShowStatus(); }
    void CloseStatus() override { HideStatus(); }
    int AskDelete(int image, bool all) override {
        return AskDeleteDialog(CurrentCameraWindow(), image, all);
    }
};
PluginCameraUi g_camera_ui;

// Everything the dialog keeps beyond the grid; owned by the dialog window.
struct Dialog : GridDialog {
    HWND host = nullptr;
    CameraSession camera;
    int exit_state = 0;  // 0 waiting, 1 image fetched, -1 quit
    HWND focus = nullptr;
    int next_image = 0;
};

HWND g_dialog = nullptr;

Dialog* DialogOf(HWND dlg) {
    return static_cast<Dialog*>(GridDialogOf(dlg));
}

// Ends the link (the camera back in its normal mode) and closes the port.
void Disconnect(Dialog& d) {
    if (!d.connected) return;
    EndSession(d.camera);
    ClosePort(d.camera);
    d.connected = false;
}

void Quit(Dialog& d) {
    d.exit_state = -1;
    Disconnect(d);
}

// The grid's page loads and deletes end the dialog's work with quit when they fail.
void EndWork(GridDialog& g, HWND) {
    Quit(static_cast<Dialog&>(g));
}

// A Cancel pressed on the progress dialog during a page load waits for the next fetch.
void KeepCancelForNextFetch(GridDialog& g) {
    if (CancelRequested()) {
        SetCancelRequested(false);
        g.session->cancel_seen = 1;
    }
}

// A new selection starts its transfer series from its first image.
void RestartSeries(GridDialog& g) {
    static_cast<Dialog&>(g).next_image = 0;
}

const GridDialogPolicy kPluginPolicy{
    {IDC_UI_GRID_FIRST, IDC_UI_GRID_LAST, IDC_UI_SCROLL, IDC_UI_FROM, IDC_UI_TO, IDC_UI_TOTAL,
     IDC_UI_PREVIEW, IDC_UI_TRANSFER, IDC_UI_DELETE, IDC_UI_EXIT},
    4,  // the module's buttons are lower than the browser's
    EndWork,
    KeepCancelForNextFetch,
    RestartSeries};

// --- the commands ---------------------------------------------------------------------------

void Connect(Dialog& d, HWND dlg) {
    EnableControl(dlg, IDC_UI_CONNECT, false);
    d.camera.driver = g_driver ? g_driver : &g_win32_driver;
    SetCurrentCameraWindow(dlg);
    ForgetErrorsShown();
    const LinkError r = ::Connect(d.camera, ConnectPurpose::kBrowse);
    if (r != kLinkOk || !d.camera.port) {
        d.connected = false;
        if (d.camera.port) {
            EndSession(d.camera);
            ClosePort(d.camera);
        }
        EnableControl(dlg, IDC_UI_CONNECT, true);
        return;
    }
    d.connected = true;
    EnableWindow(dlg, TRUE);
    SetFocus(dlg);
    CameraBrowserState& g = *d.st;
    g.total = d.camera.image_count > 0 ? d.camera.image_count : 0;
    int32_t first = (g.total / kGridButtons) * kGridButtons + 1;
    if (g.total % kGridButtons == 0) first -= kGridButtons;
    g.first_shown = std::max(1, first);
    g.last_shown = 0;
    SetGridEditQuietly(d, dlg, IDC_UI_FROM, "1");
    g.first_text = "1";
    ShowGridTotal(d, dlg);
    EnableControl(dlg, IDC_UI_PORT_SETUP, false);
    UpdateGridScrollBar(d, dlg);
    EnableControl(dlg, IDC_UI_FROM, true);
    EnableControl(dlg, IDC_UI_PREVIEW, true);
}

// Fetches the next image of the selection into "Pitmpjpg.jpg". True when the image is there.
bool FetchNext(Dialog& d, bool* fetched) {
    *fetched = false;
    std::vector<int> chosen = SelectedImages(*d.st);
    if (chosen.empty()) return true;
    if (!ShowMeter()) return false;
    if (d.next_image >= static_cast<int>(chosen.size())) {
        d.next_image = 0;
        HideMeter();
        return true;
    }
    CameraSession& s = d.camera;
    OperationView& view = *Plat().view;
    const int image = chosen[static_cast<size_t>(d.next_image)];
    const bool more = d.next_image + 1 < static_cast<int>(chosen.size());
    view.SetText(kFieldTitle, "Now transferring image(Digital Camera -> PC).");
    view.SetMeterPos(0);
    view.ShowCancel(more);
    char line[64];
    std::snprintf(line, sizeof line, "Image No.%d ", image);
    view.SetText(kFieldDetail, line);

    uint32_t size = 0;
    LinkError r = s.model == 1 ? SigImageSize(s, image, &size) : SeqImageSize(s, image, &size);
    if (r == kLinkOk && size == 0) r = kLinkZeroSize;
    if (r == kLinkOk) r = AllocateImageBuffer(s, size);
    if (r == kLinkOk) {
        view.SetMeterRange(s.block_count);
        r = s.model == 1 ? SigReadBlocks(s, s.block_count, true)
                         : SeqReadBlocks(s, s.block_count, false);
    }
    if (r == kLinkOk) r = WriteWholeFile(PluginJpegPath(), s.image.data(), size);
    FreeImageBuffer(s);
    if (r != kLinkOk) {
        HideMeter();
        ReportLinkFailure(r);
        return false;
    }
    view.SetMeterRange(25);
    view.SetMeterPos(0);
    if (s.cancel_seen) {
        s.cancel_seen = 0;
        if (AskYesNo(kAskCancelTransfer) == kBoxYes) {
            HideMeter();
            d.next_image = static_cast<int>(chosen.size());
            *fetched = true;
            return true;
        }
        view.ShowCancel(more);
    }
    ++d.next_image;
    HideMeter();
    *fetched = true;
    return true;
}

void Transfer(Dialog& d, HWND dlg) {
    if (d.running || !d.connected) return;
    DisableGridForWork(d, dlg);
    d.running = true;
    ForgetErrorsShown();
    bool fetched = false;
    const bool ok = FetchNext(d, &fetched);
    d.running = false;
    SetCurrentCameraWindow(dlg);
    EnableWindow(dlg, TRUE);
    SetFocus(dlg);
    if (!ok) {
        d.exit_state = -1;
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_UI_EXIT, BN_CLICKED), 0);
        return;
    }
    EnableGridIdle(d, dlg);
    if (fetched) d.exit_state = 1;
}

// The language of the system's common dialog library picks the date form.
int LanguageIndex() {
    char path[MAX_PATH] = "";
    UINT n = GetSystemDirectoryA(path, MAX_PATH);
    if (n == 0 || n + 16 > MAX_PATH) return 0;
    std::string file = std::string(path) + "\\CommDlg.Dll";
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    int lang = 1033;
    if (size > 0 && size < (1u << 20)) {
        std::vector<char> info(size);
        void* p = nullptr;
        UINT len = 0;
        if (GetFileVersionInfoA(file.c_str(), 0, size, info.data()) &&
            VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &p, &len) && len >= 4) {
            lang = *static_cast<WORD*>(p);
        }
    }
    switch (lang) {
        case 1036:
            return 1;
        case 1031:
            return 2;
        case 1041:
            return 3;
        case 2057:
            return 4;
        default:
            return 0;
    }
}

int RegionOfLanguage(int index) {
    switch (index) {
        case 3:
            return kRegionJapanese;
        case 1:
            return kRegionFrench;
        case 2:
        case 4:
            return kRegionGerman;
        default:
            return kRegionEnglish;
    }
}

bool InitDialog(HWND dlg, HWND host) {
    std::unique_ptr<Dialog> made(new (std::nothrow) Dialog);
    if (made) {
        made->host = host;
        made->session = &made->camera;
        if (PluginState* st = CurrentPluginState()) {
            std::copy(std::begin(kDitherMatrix), std::end(kDitherMatrix), st->dither);
            st->instance = reinterpret_cast<intptr_t>(g_instance);
            st->range_edit = false;
            st->language = LanguageIndex();
            made->region = RegionOfLanguage(st->language);
        } else {
            made->region = kRegionEnglish;
        }
    }
    if (!InitGridDialog(dlg, std::move(made), kPluginPolicy)) return false;
    // Nothing to choose before the camera is connected.
    for (int id : {IDC_UI_FROM, IDC_UI_TO, IDC_UI_PREVIEW}) EnableControl(dlg, id, false);
    SetFocus(dlg);
    return true;
}

void PortSetup(HWND dlg, HWND host) {
    for (int id : {IDC_UI_EXIT, IDC_UI_CONNECT, IDC_UI_PORT_SETUP}) EnableControl(dlg, id, false);
    DialogBoxParamA(g_instance, "COMMPARASET", host ? host : dlg, CommParaProc, 0);
    for (int id : {IDC_UI_EXIT, IDC_UI_CONNECT, IDC_UI_PORT_SETUP}) EnableControl(dlg, id, true);
}

}  // namespace

// --- the dialog procedures --------------------------------------------------------------------

INT_PTR CALLBACK UIProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        InitDialog(dlg, reinterpret_cast<HWND>(lp));
        return FALSE;
    }
    if (msg == WM_DESTROY) {
        if (Dialog* d = DialogOf(dlg)) Disconnect(*d);
        if (g_dialog == dlg) g_dialog = nullptr;
        return FALSE;
    }
    INT_PTR result = FALSE;
    if (GridDialogMessage(dlg, msg, wp, lp, &result)) return result;
    Dialog* d = DialogOf(dlg);
    if (!d) return FALSE;
    switch (msg) {
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                d->focus = GetFocus();
                // While the dialog waits, the host's window cannot be used: the dialog takes
                // the activation back at once, as a modal one would.
                if (d->exit_state == 0 && d->host && reinterpret_cast<HWND>(lp) == d->host) {
                    PostMessageA(dlg, kMsgReactivate, 0, 0);
                    MessageBeep(MB_OK);
                }
            } else if (d->focus && IsChild(dlg, d->focus)) {
                if (SendMessageA(d->focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON) {
                    SendMessageA(dlg, DM_SETDEFID, static_cast<WPARAM>(GetDlgCtrlID(d->focus)), 0);
                }
                SetFocus(d->focus);
            }
            return FALSE;
        case kMsgReactivate:
            if (d->exit_state == 0) SetActiveWindow(dlg);
            return TRUE;
        case WM_COMMAND:
            // The module's own buttons act on the click notification only.
            if (HIWORD(wp) != BN_CLICKED) return TRUE;
            switch (LOWORD(wp)) {
                case IDC_UI_CONNECT:
                    Connect(*d, dlg);
                    break;
                case IDC_UI_PORT_SETUP:
                    PortSetup(dlg, d->host);
                    break;
                case IDC_UI_TRANSFER:
                    Transfer(*d, dlg);
                    break;
                case IDC_UI_EXIT:
                case IDCANCEL:
                    if (!d->running) Quit(*d);
                    break;
                default:
                    break;
            }
            return TRUE;
        default:
            return FALSE;
    }
}

namespace {

struct PortSetupRecord {
    std::string port;
    unsigned long baud = 384;
};

int CheckedIn(HWND dlg, int first, int last) {
    for (int id = first; id <= last; ++id) {
        if (IsDlgButtonChecked(dlg, id) == BST_CHECKED) return id;
    }
    return 0;
}

PluginPortSettings ChosenSettings(HWND dlg) {
    PluginPortSettings s;
    const int port = CheckedIn(dlg, IDC_PLUGIN_COM1, IDC_PLUGIN_COM4);
    s.port = "COM" + std::to_string(port ? port - 9 : 1);
    s.baud = StoredOfBaudRadio(CheckedIn(dlg, IDC_BAUD_9600, IDC_BAUD_115200));
    return s;
}

}  // namespace

INT_PTR CALLBACK CommParaProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    PortSetupRecord* r = DialogRecordOf<PortSetupRecord>(dlg);
    switch (msg) {
        case WM_INITDIALOG: {
            std::unique_ptr<PortSetupRecord> made(new (std::nothrow) PortSetupRecord);
            if (!made) {
                EndDialog(dlg, IDCANCEL);
                return TRUE;
            }
            r = made.get();
            AttachDialogRecord(dlg, std::move(made));
            const PluginPortSettings s = ReadPluginSettings();
            const int port = PortRadioOfName(s.port);
            CheckRadioButton(dlg, IDC_PLUGIN_COM1, IDC_PLUGIN_COM4, port);
            CheckRadioButton(dlg, IDC_BAUD_9600, IDC_BAUD_115200, BaudRadioOfStored(s.baud));
            PlaceDialog(dlg);
            r->baud = s.baud;
            r->port = "COM" + std::to_string(port - 9);
            return TRUE;
        }
        case WM_COMMAND: {
            if (!r) return FALSE;
            const int id = LOWORD(wp);
            if (id >= IDC_PLUGIN_COM1 && id <= IDC_PLUGIN_COM4) {
                CheckRadioButton(dlg, IDC_PLUGIN_COM1, IDC_PLUGIN_COM4, id);
            } else if (id >= IDC_BAUD_9600 && id <= IDC_BAUD_115200) {
                CheckRadioButton(dlg, IDC_BAUD_9600, IDC_BAUD_115200, id);
            } else if (id == IDOK) {
                WritePluginSettings(ChosenSettings(dlg));
                EndDialog(dlg, IDOK);
            } else if (id == IDCANCEL) {
                PluginPortSettings s;
                s.port = r->port;
                s.baud = r->baud;
                WritePluginSettings(s);
                EndDialog(dlg, IDCANCEL);
            } else if (id == IDC_AUTO_SET) {
                EnableControl(dlg, IDOK, false);
                EnableControl(dlg, IDCANCEL, false);
                PluginPortSettings s = ChosenSettings(dlg);
                WritePluginSettings(s);
                CameraSession session;
                session.driver = g_driver ? g_driver : &g_win32_driver;
                const int found = AutoSetup(session);
                if (found > 0) {
                    CheckRadioButton(dlg, IDC_PLUGIN_COM1, IDC_PLUGIN_COM4, 9 + found);
                    s.port = "COM" + std::to_string(found);
                }
                CheckRadioButton(dlg, IDC_BAUD_9600, IDC_BAUD_115200, BaudRadioOfStored(r->baud));
                s.baud = r->baud;
                WritePluginSettings(s);
                EnableControl(dlg, IDOK, true);
                EnableControl(dlg, IDCANCEL, true);
            }
            return TRUE;
        }
        case WM_NCDESTROY:
            FreeDialogRecord<PortSetupRecord>(dlg);
            return FALSE;
        default:
            return FALSE;
    }
}

// --- the module's side of the protocol ------------------------------------------------------

void InstallPluginSeams(HINSTANCE instance) {
    static bool installed = false;
    g_instance = instance;
    SetDialogInstance(instance);
    RegisterMeterClass(instance);
    if (installed) return;
    installed = true;
    SelectLinkProfile(PluginLinkProfile());
    Platform& p = Plat();
    p.prompts = &g_prompts;
    p.pump = &g_pump;
    p.settings = &g_settings;
    p.view = &g_view;
    SetCameraUi(&g_camera_ui);
}

void SetPluginSerialDriver(SerialDriver* driver) {
    g_driver = driver;
}

WinPluginUi& PluginWindows() {
    static WinPluginUi ui;
    return ui;
}

HWND PluginDialogWindow() {
    return g_dialog;
}

const CameraBrowserState* PluginGrid() {
    Dialog* d = g_dialog ? DialogOf(g_dialog) : nullptr;
    return d ? d->st.get() : nullptr;
}

int PluginNextImage() {
    Dialog* d = g_dialog ? DialogOf(g_dialog) : nullptr;
    return d ? d->next_image : -1;
}

std::string PluginJpegPath() {
    char dir[MAX_PATH] = "";
    DWORD n = GetTempPathA(MAX_PATH, dir);
    if (n == 0 || n >= MAX_PATH) {
        n = GetWindowsDirectoryA(dir, MAX_PATH);
        if (n > 0 && n < MAX_PATH - 1 && dir[n - 1] != '\\') std::strcat(dir, "\\");
    }
    return std::string(dir) + "Pitmpjpg.jpg";
}

std::string PluginBmpPath() {
    std::string path = PluginJpegPath();
    return path.substr(0, path.size() - 12) + "PItmpBmp.bmp";
}

namespace {

// The about box is a message box, which the system puts where it likes (over a corner of the
// host's window under Wine). A hook of this thread moves it, when it is first activated, over
// the middle of its owner, kept inside the work area of the owner's monitor.
HHOOK g_about_hook = nullptr;
HWND g_about_owner = nullptr;

void CentreOverOwner(HWND box, HWND owner) {
    RECT o{}, r{};
    if (!GetWindowRect(owner, &o) || !GetWindowRect(box, &r)) return;
    const int width = r.right - r.left, height = r.bottom - r.top;
    int x = o.left + ((o.right - o.left) - width) / 2;
    int y = o.top + ((o.bottom - o.top) - height) / 2;
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &mi)) {
        const RECT& work = mi.rcWork;
        x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
        y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    }
    SetWindowPos(box, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK AboutBoxHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE && g_about_owner) {
        HWND box = reinterpret_cast<HWND>(wp);
        char name[16] = "";
        GetClassNameA(box, name, sizeof name);
        if (std::strcmp(name, "#32770") == 0) {
            HWND owner = g_about_owner;
            g_about_owner = nullptr;  // once: the user may move it afterwards
            CentreOverOwner(box, owner);
        }
    }
    return CallNextHookEx(g_about_hook, code, wp, lp);
}

// Installs the hook for one message box over owner; removed when it goes out of scope.
struct CentredBox {
    explicit CentredBox(HWND owner) {
        if (!owner || !IsWindow(owner) || g_about_hook) return;
        g_about_owner = owner;
        g_about_hook = SetWindowsHookExA(WH_CBT, AboutBoxHook, nullptr, GetCurrentThreadId());
        installed = g_about_hook != nullptr;
        if (!installed) g_about_owner = nullptr;
    }
    ~CentredBox() {
        if (!installed) return;
        UnhookWindowsHookEx(g_about_hook);
        g_about_hook = nullptr;
        g_about_owner = nullptr;
    }
    bool installed = false;
    CentredBox(const CentredBox&) = delete;
    CentredBox& operator=(const CentredBox&) = delete;
};

}  // namespace

void WinPluginUi::About(const void* platform_data) {
    char text[512] = "", caption[128] = "";
    LoadStringA(g_instance, IDS_PLUGIN_ABOUT, text, sizeof text);
    LoadStringA(g_instance, IDS_PLUGIN_NAME, caption, sizeof caption);
    HWND owner = nullptr;
    if (platform_data) {
        owner = reinterpret_cast<HWND>(static_cast<const host::PlatformData*>(platform_data)->hwnd);
    }
    CentredBox centred(owner);
    MessageBoxA(owner, text, caption, MB_ICONINFORMATION | MB_OK);
}

void WinPluginUi::HostWarning(int string_id, const char* version) {
    char text[512] = "";
    LoadStringA(g_instance, static_cast<UINT>(string_id), text, sizeof text);
    std::string message = text;
    const size_t at = message.find("^1");
    if (at != std::string::npos && version) message.replace(at, 2, version);
    MessageBoxA(nullptr, message.c_str(), nullptr, MB_ICONWARNING | MB_OK);
}

bool WinPluginUi::EnterDialog(PluginState& st) {
    HWND host = nullptr;
    if (st.record && st.record->platformData) {
        host = reinterpret_cast<HWND>(
            static_cast<const host::PlatformData*>(st.record->platformData)->hwnd);
    }
    if (!g_dialog) {
        HWND dlg =
            CreateDialogParamA(g_instance, "UIPARAM", host, UIProc, reinterpret_cast<LPARAM>(host));
        if (!dlg) return false;
        if (!DialogOf(dlg)) {
            DestroyWindow(dlg);
            return false;
        }
        g_dialog = dlg;
        st.dialog = reinterpret_cast<intptr_t>(dlg);
        SetCurrentCameraWindow(dlg);
        ShowWindow(dlg, SW_SHOW);
        UpdateWindow(dlg);
        DialogOf(dlg)->exit_state = 0;
        return true;
    }
    Dialog* d = DialogOf(g_dialog);
    d->exit_state = 0;
    EnableWindow(g_dialog, TRUE);
    SetActiveWindow(g_dialog);
    SetFocus(g_dialog);
    SetCurrentCameraWindow(g_dialog);
    if (CancelRequested()) {
        SetCancelRequested(false);
        if (AskYesNo(kAskCancelTransfer) == kBoxYes) {
            d->next_image = 0;
            return true;
        }
    }
    if (d->next_image > 0 && d->next_image < d->st->selected_count) {
        SendMessageA(g_dialog, WM_COMMAND, MAKEWPARAM(IDC_UI_TRANSFER, BN_CLICKED), 0);
    } else {
        d->next_image = 0;
        SetCancelRequested(false);
        InvalidateRect(g_dialog, nullptr, TRUE);
    }
    return true;
}

int WinPluginUi::RunDialog(PluginState&) {
    MSG msg;
    while (g_dialog) {
        Dialog* d = DialogOf(g_dialog);
        if (!d || d->exit_state != 0) break;
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return -1;
        }
        if (got < 0) return -1;
        if (g_dialog && IsDialogMessageA(g_dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Dialog* d = g_dialog ? DialogOf(g_dialog) : nullptr;
    return d && d->exit_state == 1 ? 1 : -1;
}

void WinPluginUi::DestroyDialog(PluginState& st) {
    if (g_dialog) {
        Dialog* d = DialogOf(g_dialog);
        if (d && d->host) {
            EnableWindow(d->host, TRUE);
            SetFocus(d->host);
        }
        DestroyWindow(g_dialog);
    }
    g_dialog = nullptr;
    st.dialog = 0;
    SetCurrentCameraWindow(nullptr);
}

DibImage WinPluginUi::ExtractImage(PluginState&) {
    const std::string jpeg = PluginJpegPath();
    const std::string bmp = PluginBmpPath();
    HWND below = g_dialog;
    // A Cancel pressed during the transfer is answered at the next start call; the extraction's
    // own progress dialog must not forget it.
    const bool cancel_pending = CancelRequested();
    HWND meter = CreateMeterDialog(below);
    SetCancelRequested(cancel_pending);
    if (!meter) {
        ShowError(kMsgUnexpected);
        return DibImage();
    }
    if (below) EnableWindow(below, FALSE);
    SetDlgItemTextA(meter, IDC_METER_TITLE, "Now extracting image.");
    char line[MAX_PATH + 16];
    std::snprintf(line, sizeof line, "File Name: %s", jpeg.c_str());
    SetDlgItemTextA(meter, IDC_METER_DETAIL, line);
    ShowWindow(GetDlgItem(meter, IDCANCEL), SW_HIDE);
    ShowWindow(meter, SW_SHOW);
    UpdateWindow(meter);
    HWND saved = SetViewMeter(meter);
    JpegProgress progress;
    progress.meter = JpegMeter::kFull;
    const int ok = DecodeJpegFile(jpeg, bmp, 0, progress);
    SetViewMeter(saved);
    DestroyWindow(meter);
    if (below) {
        EnableWindow(below, TRUE);
        SetFocus(below);
    }
    if (!ok) {
        DeleteFileA(bmp.c_str());
        return DibImage();
    }
    DibImage dib = LoadBmpFile(bmp);
    DeleteFileA(bmp.c_str());
    return dib;
}
