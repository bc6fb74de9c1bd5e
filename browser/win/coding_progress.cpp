#include "browser/win/coding_progress.h"

#include "base/platform.h"
#include "browser/win/meter.h"
#include "browser/win/status_dialogs.h"
#include "codec/jpeg_codec.h"
#include "res/resource.h"

namespace {

HWND g_frame = nullptr;

// Commands stay off the queue while the coder drains it.
class CommandsDropped {
public:
    CommandsDropped() { Plat().pump->SetCommandsDropped(true); }
    ~CommandsDropped() { Plat().pump->SetCommandsDropped(false); }
    CommandsDropped(const CommandsDropped&) = delete;
    CommandsDropped& operator=(const CommandsDropped&) = delete;
};

void SetTexts(HWND dlg, const char* title, const std::string& display_name) {
    SetDlgItemTextA(dlg, IDC_METER_TITLE, title);
    SetDlgItemTextA(dlg, IDC_METER_DETAIL, ("File Name: " + display_name).c_str());
    ShowWindow(GetDlgItem(dlg, IDCANCEL), SW_HIDE);
    UpdateWindow(dlg);
}

// How often the files of a run put their names on the run's dialog.
constexpr uint32_t kRunTextPaceMs = 50;

// A run of files under one dialog, between BeginCodingRun and EndCodingRun.
struct CodingRun {
    bool active = false;
    JpegPace pace;
    bool named = false;
    uint32_t named_at = 0;
};
CodingRun g_run;

// A progress dialog of the flow's own, shown (showing resets its texts and bar).
HWND OwnDialog(HWND owner) {
    HWND dlg = CreateMeterDialog(owner);
    if (dlg) ShowWindow(dlg, SW_SHOW);
    return dlg;
}

void EndOwnDialog(HWND dlg, HWND previous_view) {
    if (g_frame) {
        EnableWindow(g_frame, TRUE);
        SetFocus(g_frame);
    }
    SetViewMeter(previous_view);
    if (dlg) {
        ShowWindow(dlg, SW_HIDE);
        DestroyWindow(dlg);
    }
}

}  // namespace

void SetCodingFrame(HWND frame) {
    g_frame = frame;
}

void BeginCodingRun() {
    g_run = CodingRun();
    g_run.active = true;
}

void EndCodingRun() {
    g_run = CodingRun();
}

int ExtractPictureWithProgress(HWND owner, const std::string& jpeg_path,
                               const std::string& display_name, int colors, DibImage* picture) {
    // Inside a run that shows its own progress dialog the frame is given back as it was found.
    const bool frame_was_enabled = g_frame && IsWindowEnabled(g_frame);
    if (g_frame) EnableWindow(g_frame, FALSE);
    HWND dlg = MeterWindow();
    bool own = !(dlg && IsWindowVisible(dlg));
    HWND previous_view = nullptr;
    if (own) {
        dlg = OwnDialog(owner);
        previous_view = SetViewMeter(dlg);
    }
    JpegProgress progress;
    progress.meter = JpegMeter::kFull;
    if (!own && dlg && g_run.active) {
        // The files of a run share its pace: the windows are served every 50 ms across the run
        // rather than at each file's start, and a file's name goes up when the pace is due
        // (setting a text draws it at once, which would cost more than a small picture's
        // decoding).
        const uint32_t now = Plat().time->TickCount();
        if (!g_run.named || now - g_run.named_at >= kRunTextPaceMs) {
            SetTexts(dlg, "Now extracting image.", display_name);
            g_run.named = true;
            g_run.named_at = now;
        }
        progress.pace = &g_run.pace;
    } else if (dlg) {
        SetTexts(dlg, "Now extracting image.", display_name);
    }
    int result;
    {
        CommandsDropped dropped;
        result = DecodeJpegToDib(jpeg_path, colors, progress, picture);
    }
    if (own) {
        EndOwnDialog(dlg, previous_view);
    } else if (frame_was_enabled) {
        EnableWindow(g_frame, TRUE);
    }
    return result;
}

int CompressPictureWithProgress(HWND owner, const DibImage& picture, const std::string& jpeg_path,
                                const std::string& display_name, int quality) {
    if (g_frame) EnableWindow(g_frame, FALSE);
    HWND dlg = OwnDialog(owner);
    HWND previous_view = SetViewMeter(dlg);
    if (dlg) SetTexts(dlg, "Now Compressing image.", display_name);
    JpegProgress progress;
    progress.meter = JpegMeter::kFull;
    int result;
    {
        CommandsDropped dropped;
        result = EncodeDibToJpegFile(picture, jpeg_path, kSaveSampling, quality, progress);
    }
    EndOwnDialog(dlg, previous_view);
    return result;
}
