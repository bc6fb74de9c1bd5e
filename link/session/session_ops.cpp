// The connect sequences. Each step's failure ends the command with that step's code; what is
// undone on the way out (notice, frame commands, end-session command, port) depends on how far
// the sequence got, and the three sequences differ there on purpose: a camera that was never
// identified gets no end command in the upload and clock sequences.
#include "link/session/session_ops.h"

#include <cstdlib>
#include <cstring>

#include "base/platform.h"
#include "link/session/start_status.h"
#include "base/messages.h"
#include "link/link_profile.h"
#include "link/port.h"
#include "link/protocol.h"
#include "link/session/camera_ui.h"
#include "link/session/image_list.h"
#include "link/session/transfer.h"

// The upload's work inside its session.
LinkError UploadFiles(CameraSession& s);

namespace {

bool g_notice_shown = false;
NullCameraUi g_null_ui;
CameraUi* g_ui = &g_null_ui;

// The waits between connect steps; the plug-in's connect uses its own short one.
void StepWait(uint32_t ms) {
    uint32_t plugin_wait = CurrentLinkProfile().connect_step_wait_ms;
    BusyWait(plugin_wait != 0 ? plugin_wait : ms);
}

// A speed that got no answer is tried again at the others, as a command is retried.
bool IsRetriedBySetSpeed(LinkError r) {
    for (LinkError code : kRetryOnNoAnswer)
        if (code == r) return true;
    return false;
}

// The front of every connect: open the port, show the notice, agree a speed, switch the port
// to it and identify the camera. A port that cannot be opened is left closed (s.port empty).
LinkError OpenAndIdentify(CameraSession& s, uint32_t wait_before_switch,
                          uint32_t wait_after_switch) {
    LinkError r = OpenPort(s);
    if (r != kLinkOk) return r;
    if (!ShowStartStatus(s, true)) return kLinkFailed;
    r = NegotiateSpeed(s);
    if (r != kLinkOk) return r;
    if (wait_before_switch) StepWait(wait_before_switch);
    r = SetPortSpeed(*s.port, s.speed_code);
    if (r != kLinkOk) return r;
    if (wait_after_switch) StepWait(wait_after_switch);
    int digit = 0;
    r = SigIdentify(s, &digit);
    if (r != kLinkOk) return r;
    s.model = ModelOfDigit(digit);
    // The plug-in serves only the cameras of the sequenced protocol.
    if (CurrentLinkProfile().plugin && s.model == 1) s.model = 2;
    StepWait(200);
    return kLinkOk;
}

LinkError PlayMode(CameraSession& s) {
    return s.model == 1 ? SigPlayMode(s) : SeqPlayMode(s);
}

void NoticeOffIfShown(CameraSession& s) {
    if (g_notice_shown) ShowStartStatus(s, false);
}

LinkError ConnectBrowse(CameraSession& s) {
    CameraUi& ui = CamUi();
    LoadPortSettings(s);
    LinkError r = OpenAndIdentify(s, 0, 1000);
    if (!s.port) {
        ui.CameraCommandsEnabled();
        return r;
    }
    if (r == kLinkOk) r = PlayMode(s);
    if (r == kLinkOk) {
        StepWait(200);
        if (s.model == 1) {
            r = ReadImageList(s);
        } else {
            r = ReadImageCount(s);
            if (r == kLinkOk) StepWait(200);
        }
    }
    if (r == kLinkOk) {
        StepWait(200);
        SaveSpeed(s.speed_code);
        ShowStartStatus(s, false);
        s.transfer.no_album_yet = true;
        s.transfer.transferred_since_open = 0;
        if (s.model != 1) {
            if (ui.OpenThumbnailBrowser(s)) return kLinkOk;  // the browser owns the session now
            r = kLinkFailed;
        } else {
            r = ui.RunImageList(s);
        }
    }
    NoticeOffIfShown(s);
    ui.CameraCommandsEnabled();
    EndSession(s);
    ClosePort(s);
    return r;
}

LinkError ConnectUpload(CameraSession& s) {
    CameraUi& ui = CamUi();
    std::vector<std::string> files;
    if (!ui.ChooseUploadFiles(GetSetting(*Plat().settings, "dir", ""), &files) || files.empty())
        return kLinkOk;
    s.upload.files = files;
    LoadPortSettings(s);
    const BaudCode user_code = s.speed_code;
    if (s.speed_code == kBaud57600Code) s.speed_code = kBaud38400Code;

    bool browser_owns = false;
    bool end_command = false;
    LinkError r = OpenAndIdentify(s, 200, 1000);
    if (s.port) {
        if (r == kLinkOk && s.model == 1 && s.speed_code == kBaud115200Code) {
            ShowError(kMsgBaudrate);
            r = kLinkSpeedRefused;
            end_command = true;
        }
        if (r == kLinkOk) {
            r = PlayMode(s);
            if (s.model == 1) BusyWait(8000);  // the camera needs 8 seconds before an upload
            if (r == kLinkOk) StepWait(200);
        }
        if (r == kLinkOk) {
            end_command = true;
            if (s.model == 1) SaveSpeed(user_code == kBaud57600Code ? user_code : s.speed_code);
            ShowStartStatus(s, false);
            r = UploadFiles(s);
            if (r == kLinkMemoryFull) {
                // Model 1's status check has said it already; the sequenced one says nothing.
                // Either way the user hears of it once.
                if (s.model != 1) ShowError(kMsgMemoryFull);
                const LinkError list = s.model == 1 ? ReadImageList(s) : ReadImageCount(s);
                if (list == kLinkOk) {
                    s.transfer.no_album_yet = true;
                    s.transfer.transferred_since_open = 0;
                    if (s.model == 1) {
                        ui.RunImageList(s);
                    } else {
                        browser_owns = ui.OpenThumbnailBrowser(s);
                    }
                }
            }
        }
        NoticeOffIfShown(s);
        if (end_command && !browser_owns) EndSession(s);
        if (!browser_owns) ClosePort(s);
    }
    if (s.model == 3) s.model = 2;
    s.speed_code = user_code;
    s.upload.files.clear();
    if (!browser_owns) ui.CameraCommandsEnabled();
    return r;
}

LinkError ConnectClock(CameraSession& s) {
    CameraUi& ui = CamUi();
    LoadPortSettings(s);
    LinkError r = OpenAndIdentify(s, 0, 0);
    if (!s.port) {
        ui.CameraCommandsEnabled();
        return r;
    }
    if (r == kLinkOk && s.model == 1) {
        r = kLinkDataError;
        ShowStartStatus(s, false);
        Plat().prompts->SetCursor(CursorKind::kArrow);
        Plat().prompts->ShowBox(ErrorText(kMsgNotAvailable), CurrentMessages().box_title,
                                BoxStyle::kError, BoxOwner::kNone);
        SigEndSession(s);
    } else if (r == kLinkOk) {
        r = SeqPlayMode(s);
        if (r == kLinkOk) {
            StepWait(200);
            int model = 2;
            r = SeqModelProbe(s, &model);
            if (r == kLinkOk) s.model = model;
        }
        if (r == kLinkOk) {
            StepWait(200);
            SaveSpeed(s.speed_code);
            ShowStartStatus(s, false);
            r = ui.RunClockDialog(s);
            EndSession(s);
        }
    }
    NoticeOffIfShown(s);
    ClosePort(s);
    ui.CameraCommandsEnabled();
    return r;
}

}  // namespace

CameraUi& CamUi() {
    return *g_ui;
}
void SetCameraUi(CameraUi* ui) {
    g_ui = ui ? ui : &g_null_ui;
}

BaudCode SpeedCodeOfSetting(const std::string& value) {
    long n = std::strtol(value.c_str(), nullptr, 10);
    switch (n) {
        case 192:
            return kBaud19200Code;
        case 576:
            return kBaud57600Code;
        case 1152:
            return kBaud115200Code;
        case 9600:
            return kBaud9600Code;
        default:
            return kBaud38400Code;
    }
}

std::string SettingOfSpeedCode(BaudCode code) {
    switch (code) {
        case kBaud115200Code:
            return "1152";
        case kBaud9600Code:
            return "9600";
        case kBaud57600Code:
            return "576";
        case kBaud19200Code:
            return "192";
        default:
            return "384";
    }
}

void LoadPortSettings(CameraSession& s) {
    std::memcpy(s.request.data(), kSigRequest, 12);
    SettingsStore& st = *Plat().settings;
    s.port_name = NormalizePortName(GetSetting(st, "com", "COM1"));
    s.speed_code = SpeedCodeOfSetting(GetSetting(st, "baudrate", "384"));
}

void SaveSpeed(BaudCode code) {
    Plat().settings->Set("baudrate", SettingOfSpeedCode(code));
}

int ModelOfDigit(int digit) {
    return digit == 1 ? 1 : 2;
}

LinkError NegotiateSpeed(CameraSession& s) {
    SetPacedWrite(false);
    LinkError r = SigSetSpeed(s, s.speed_code);
    if (IsRetriedBySetSpeed(r)) {
        // 19200 comes last: a camera that answers nowhere else costs one more try.
        for (BaudCode code : {kBaud115200Code, kBaud38400Code, kBaud57600Code, kBaud19200Code}) {
            s.speed_code = code;
            r = SetPortSpeed(*s.port, code);
            if (r != kLinkOk) break;
            r = SigSetSpeed(s, code);
            // The camera answered at this speed (even if only to refuse): no further speed.
            if (r == kLinkOk || r == kLinkBadFrame || r == kLinkBadReplyCode || r == kLinkNotDone)
                break;
        }
    }
    if (r == kLinkOk) return r;
    if (r == kLinkNotDone) {
        ShowError(kMsgDataErrorRestart);
    } else if (r != kLinkBadFrame && r != kLinkBadReplyCode) {
        ShowError(kMsgCannotAccess);
    }
    if (!CurrentLinkProfile().plugin) CamUi().CameraCommandsEnabled();
    return r;
}

LinkError Connect(CameraSession& s, ConnectPurpose purpose) {
    LinkError r;
    switch (purpose) {
        case ConnectPurpose::kBrowse:
            r = ConnectBrowse(s);
            break;
        case ConnectPurpose::kUpload:
            r = ConnectUpload(s);
            break;
        default:
            r = ConnectClock(s);
            break;
    }
    return r;
}

LinkError EndSession(CameraSession& s) {
    UserPrompts& p = *Plat().prompts;
    p.SetCursor(CursorKind::kHourglass);
    s.end_answer = kLinkOk;
    CamUi().EndingSession();
    LinkError r = EndSessionCommand(s);
    CamUi().SessionEnded(s.end_answer);
    p.SetCursor(CursorKind::kArrow);
    return r;
}

void EndBrowserSession(CameraSession& s) {
    UserPrompts& p = *Plat().prompts;
    p.SetCursor(CursorKind::kHourglass);
    BusyWait(1500);
    EndSession(s);
    ClosePort(s);
    CamUi().CameraCommandsEnabled();
}

bool ShowStartStatus(CameraSession&, bool on) {
    TimeSource& t = *Plat().time;
    if (!on) {
        CamUi().ShowStartNotice(false);
        g_notice_shown = false;
        StartNoticeHidden(ProgramStartNoticeTimes(), t.TickCount());
        return true;
    }
    if (!CamUi().ShowStartNotice(true)) {
        ShowError(kMsgUnexpected);
        return false;
    }
    g_notice_shown = true;
    // A camera needs a pause between sessions: the notice stays up, without dispatching
    // anything, until 8 seconds have passed since the previous notice closed. (A notice window
    // that keeps the same rule itself has already waited, and this wait is then 0.)
    uint32_t wait = StartNoticeWait(ProgramStartNoticeTimes(), t.TickCount());
    if (wait != 0) t.Sleep(wait);
    return true;
}

int AutoSetup(CameraSession& s) {
    LoadPortSettings(s);
    const std::string saved_name = s.port_name;
    const BaudCode saved_code = s.speed_code;
    int found = 0;
    for (int n = 1; n <= 4 && found == 0; ++n) {
        s.port_name = "COM" + std::to_string(n);
        s.speed_code = kBaud9600Code;
        if (OpenPortQuiet(s) != kLinkOk) continue;
        if (SigSetSpeedAuto(s, kBaud9600Code) == kLinkOk) {
            found = n;
            int digit = 0;
            if (SigIdentifyAuto(s, &digit) == kLinkOk) {
                s.model = ModelOfDigit(digit);
                EndSessionCommand(s);
            }
        }
        ClosePort(s);
    }
    s.port_name = saved_name;
    s.speed_code = saved_code;
    return found;
}

BaudCode InitialSpeedFromMask(int64_t mask) {
    if (mask <= 0) return kBaud38400Code;
    const struct {
        uint32_t bit;
        BaudCode code;
    } order[] = {{kBaud38400, kBaud38400Code},
                 {kBaud57600, kBaud57600Code},
                 {kBaud19200, kBaud19200Code},
                 {kBaud9600, kBaud9600Code},
                 {kBaud115200, kBaud115200Code}};
    for (const auto& o : order)
        if (uint64_t(mask) & o.bit) return o.code;
    return kBaud38400Code;
}

PortSetupState PortSetupOpen(CameraSession& s) {
    SettingsStore& st = *Plat().settings;
    PortSetupState ps;
    ps.port = NormalizePortName(GetSetting(st, "com", "COM1"));
    int64_t mask = s.driver ? SettableSpeeds(*s.driver, ps.port) : 0;
    std::string baud = GetSetting(st, "baudrate", "");
    if (baud == "9600" || baud == "192" || baud == "384" || baud == "576" || baud == "1152")
        ps.code = SpeedCodeOfSetting(baud);
    else
        ps.code = InitialSpeedFromMask(mask);
    ps.initial_code = ps.code;
    return ps;
}

void PortSetupOk(const PortSetupState& ps) {
    Plat().settings->Set("com", ps.port);
    SaveSpeed(ps.code);
}

void PortSetupCancel(PortSetupState& ps) {
    ps.code = ps.initial_code;
    SaveSpeed(ps.code);
}

int PortSetupAutoSetup(CameraSession& s, PortSetupState& ps) {
    const BaudCode chosen = ps.code;
    Plat().settings->Set("com", ps.port);
    SaveSpeed(chosen);
    int n = AutoSetup(s);
    if (n != 0) ps.port = "COM" + std::to_string(n);
    ps.code = chosen;
    SaveSpeed(chosen);
    return n;
}
