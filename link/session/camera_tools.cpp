// Delete and preview walk their images from the highest number down wherever a delete may
// happen, so that the camera's renumbering after a delete never touches an image still to
// come. The status dialog belongs to one scope per operation and is closed on every path.
// The clock dialog's window is the platform's; its rules (what is shown, what an edit may
// hold, what OK checks and sends) live here so that every front-end and the tests share them.
#include "link/session/camera_tools.h"

#include <algorithm>
#include <cstdio>

#include "base/platform.h"
#include "base/messages.h"
#include "link/port.h"
#include "link/protocol.h"
#include "link/session/camera_ui.h"

namespace {

const char kDeletingTitle[] = "Now deleting images.";
const char kPreviewTitle[] = "Now displaying image preview on Camera Viewfinder.";
constexpr uint32_t kViewfinderHoldMs = 5000;
// The delete command carries the image number in one byte.
constexpr int kLargestCommandImage = 255;

std::string Formatted(const char* format, int number) {
    char text[64];
    std::snprintf(text, sizeof text, format, number);
    return text;
}

std::string ImageText(int image) {
    return Formatted("Image No.%d ", image);
}
std::string DeletingText(int image) {
    return Formatted("Image No.%d deleting.", image);
}

// The status dialog of one operation: open with its first text, closed when the scope ends.
class StatusScope {
public:
    explicit StatusScope(CameraSession& s) : s_(s) {}
    ~StatusScope() {
        if (open_) ShowStatusDialog(s_, false);
    }
    StatusScope(const StatusScope&) = delete;
    StatusScope& operator=(const StatusScope&) = delete;

    bool Open(const char* title) {
        open_ = ShowStatusDialog(s_, true) == kLinkOk;
        if (open_) Plat().view->SetText(kFieldStatus, title);
        return open_;
    }

private:
    CameraSession& s_;
    bool open_ = false;
};

// Keeps dispatching window messages until ms have passed since start.
void HoldSince(uint32_t start, uint32_t ms) {
    const uint32_t elapsed = Plat().time->TickCount() - start;
    if (elapsed < ms) PumpFor(ms - elapsed);
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2) return year % 4 == 0 ? 29 : 28;
    return kDays[month - 1];
}

std::string Decimal(int v) {
    return Formatted("%d", v);
}
std::string TwoDigits(int v) {
    return Formatted("%02d", v);
}

}  // namespace

LinkError ShowStatusDialog(CameraSession&, bool on) {
    if (!on) {
        CamUi().CloseStatus();
        return kLinkOk;
    }
    if (!CamUi().OpenStatus()) {
        ShowError(kMsgUnexpected);
        return kLinkFailed;
    }
    OperationView& view = *Plat().view;
    view.ShowCancel(false);
    view.SetText(kFieldStatus, "");
    view.SetText(kFieldStatusDetail, "");
    return kLinkOk;
}

LinkError PreviewSelected(CameraSession& s, ImageListModel* list) {
    const std::vector<int> lines = SelectedLines(*list);
    if (lines.empty()) return kLinkOk;
    SetCancelRequested(false);
    StatusScope status(s);
    if (!status.Open(kPreviewTitle)) return kLinkFailed;
    OperationView& view = *Plat().view;
    for (size_t k = 0; k < lines.size(); ++k) {
        if (k + 1 == lines.size()) {
            view.ShowCancel(false);
            SetCancelRequested(false);
        } else {
            view.ShowCancel(true);
        }
        const int image = lines[k] + 1;
        view.SetText(kFieldStatusDetail, ImageText(image));
        LinkError r = SigShowOnViewfinder(s, image);
        if (r != kLinkOk) return r;
        PumpFor(kViewfinderHoldMs);
        if (CancelRequested()) {
            if (AskYesNo(kAskCancelPreview) == kBoxYes) break;
            SetCancelRequested(false);
            view.ShowCancel(true);
        }
    }
    return kLinkOk;
}

LinkError DeleteSelectedAsking(CameraSession& s, ImageListModel* list) {
    const std::vector<int> lines = SelectedLines(*list);
    LinkError r = kLinkOk;
    {
        StatusScope status(s);
        if (!status.Open(kDeletingTitle)) return kLinkFailed;
        OperationView& view = *Plat().view;
        for (size_t k = lines.size(); k-- > 0;) {
            const int line = lines[k];
            const int image = line + 1;
            view.SetText(kFieldStatusDetail, ImageText(image));
            CamUi().SelectListLine(line);
            r = SigShowOnViewfinder(s, image);
            if (r != kLinkOk) break;
            const uint32_t asked = Plat().time->TickCount();
            const int answer = AskYesNoCancel(kAskDeleteImage, image);
            if (answer == kBoxCancel) break;
            // The image stays on the viewfinder for a while whatever the answer.
            HoldSince(asked, kViewfinderHoldMs);
            if (answer != kBoxYes) continue;
            view.SetText(kFieldStatusDetail, DeletingText(image));
            r = SigDeleteImage(s, image);
            if (r != kLinkOk) break;
            RemoveDeletedImage(s, list, line);
        }
    }
    DeselectAll(list);
    return r;
}

LinkError DeleteSelectedAll(CameraSession& s, ImageListModel* list) {
    const std::vector<int> lines = SelectedLines(*list);
    LinkError r = kLinkOk;
    SetCancelRequested(false);
    {
        StatusScope status(s);
        if (!status.Open(kDeletingTitle)) return kLinkFailed;
        OperationView& view = *Plat().view;
        for (size_t k = lines.size(); k-- > 0;) {
            if (k == 0) {
                view.ShowCancel(false);
                SetCancelRequested(false);
            } else {
                view.ShowCancel(true);
            }
            const int line = lines[k];
            const int image = line + 1;
            view.SetText(kFieldStatusDetail, ImageText(image));
            CamUi().SelectListLine(line);
            r = SigDeleteImage(s, image);
            if (r != kLinkOk) break;
            // Also renumbers the lines behind it, should any of them not have been selected.
            RemoveDeletedImage(s, list, line);
            if (CancelRequested()) {
                if (AskYesNo(kAskCancelDelete) == kBoxYes) break;
                SetCancelRequested(false);
                view.ShowCancel(true);
            }
        }
    }
    DeselectAll(list);
    return r;
}

LinkError DeleteSelectedSequenced(CameraSession& s, std::vector<int>* images) {
    std::vector<int>& entries = *images;
    s.cancel_seen = 0;
    SetCancelRequested(false);  // a flag left over from earlier work is no request of this user
    StatusScope status(s);
    if (!status.Open(kDeletingTitle)) return kLinkFailed;
    OperationView& view = *Plat().view;

    // The order of work: from the highest image number down (the last entry first for the
    // browser's ascending list), so that a delete never renumbers an image still to come.
    // Numbers that one command byte cannot name, and repeated numbers, are never sent.
    std::vector<size_t> order;
    bool refused = false;
    for (size_t i = 0; i < entries.size(); ++i) {
        const int image = entries[i];
        bool repeated = false;
        for (size_t j = 0; j < i && !repeated; ++j) repeated = entries[j] == image;
        if (image < 1 || image > kLargestCommandImage) refused = true;
        if (image < 1 || image > kLargestCommandImage || repeated) {
            entries[i] = -1;
            continue;
        }
        order.push_back(i);
    }
    if (refused) ShowError(kMsgCannotExecute);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return entries[a] < entries[b]; });
    auto mark_rest = [&](size_t from) {
        for (size_t k = from + 1; k-- > 0;) entries[order[k]] = -1;
    };

    const bool all_enabled = entries.size() > 1;
    for (size_t k = order.size(); k-- > 0;) {
        const int image = entries[order[k]];
        view.SetText(kFieldStatusDetail, ImageText(image));
        const int answer = CamUi().AskDelete(image, all_enabled);
        if (answer == kDeleteYes) {
            view.SetText(kFieldStatusDetail, DeletingText(image));
            LinkError r = SeqDeleteImage(s, image);
            if (r != kLinkOk) {
                mark_rest(k);
                return r;
            }
            --s.image_count;
        } else if (answer == kDeleteAll) {
            view.SetText(kFieldStatus, kDeletingTitle);
            for (size_t j = k + 1; j-- > 0;) {
                const int n = entries[order[j]];
                view.ShowCancel(true);
                view.SetText(kFieldStatusDetail, DeletingText(n));
                if (CancelRequested()) {
                    if (AskYesNo(kAskCancelDelete) == kBoxYes) {
                        mark_rest(j);
                        return kLinkOk;
                    }
                    SetCancelRequested(false);
                }
                LinkError r = SeqDeleteImage(s, n);
                if (r != kLinkOk) {
                    mark_rest(j);
                    return r;
                }
                BusyWait(300);
                --s.image_count;
            }
            return kLinkOk;
        } else if (answer == kDeleteCancel) {
            mark_rest(k);
            return kLinkOk;
        } else {
            entries[order[k]] = -1;
        }
    }
    return kLinkOk;
}

// --- clock dialog ------------------------------------------------------------------------

ClockTexts ClockTextsOf(int year, int month, int day, int hour, int minute) {
    ClockTexts t;
    t.year = Decimal(year);
    t.month = Decimal(month);
    t.day = Decimal(day);
    t.pm = hour >= 12;
    t.hour = TwoDigits(t.pm ? hour - 12 : hour);
    t.minute = TwoDigits(minute);
    return t;
}

ClockSelectors ClockSelectorsOf(int model) {
    if (model == 3) return {0x40, 0x41, 0x42, 1};
    return {0xC0, 0xC1, 0xC2, 0};
}

LinkError ReadCameraClock(CameraSession& s, ClockTexts* texts) {
    const ClockSelectors sel = ClockSelectorsOf(s.model);
    const bool model3 = s.model == 3;
    uint16_t year = 0, date = 0, time = 0;
    LinkError r = SeqReadClockField(s, sel.year, model3, &year);
    if (r == kLinkOk) r = SeqReadClockField(s, sel.date, model3, &date);
    if (r == kLinkOk) r = SeqReadClockField(s, sel.time, model3, &time);
    if (r != kLinkOk) return r;
    *texts = ClockTextsOf(year, date >> 8, date & 0xFF, time >> 8, time & 0xFF);
    return kLinkOk;
}

std::string ClockEditedText(int field, const std::string& edited, const ClockTexts& remembered) {
    const size_t limit = field == kClockYear ? 4 : 2;
    if (edited.size() <= limit) return edited;
    switch (field) {
        case kClockYear:
            return remembered.year;
        case kClockMonth:
            return remembered.month;
        case kClockDay:
            return remembered.day;
        case kClockHour:
            return remembered.hour;
        case kClockMinute:
            return remembered.minute;
        default:
            return edited;
    }
}

int ClockFieldNumber(const std::string& text) {
    // Saturates far above every valid value, so a long text reads as out of range.
    constexpr int64_t kCap = 1000000000;
    int64_t v = 0;
    for (char c : text) {
        v = v * 10 + (static_cast<unsigned char>(c) & 0x0F);
        if (v > kCap) return static_cast<int>(kCap);
    }
    return static_cast<int>(v);
}

ClockOkResult ClockDialogOk(CameraSession& s, const ClockTexts& texts) {
    ClockOkResult result;
    const ClockSelectors sel = ClockSelectorsOf(s.model);
    const int year = ClockFieldNumber(texts.year);
    const int month = ClockFieldNumber(texts.month);
    const int day = ClockFieldNumber(texts.day);
    const int hour = ClockFieldNumber(texts.hour);
    const int minute = ClockFieldNumber(texts.minute);

    if (year < 1997 || year > 2096) {
        result.focus = kClockYear;
        return result;
    }
    result.code = SeqSetClockField(s, sel.year, sel.variant, static_cast<uint16_t>(year));
    if (result.code != kLinkOk) return result;

    if (month < 1 || month > 12) {
        result.focus = kClockMonth;
        return result;
    }
    if (day < 1 || day > DaysInMonth(year, month)) {
        result.focus = kClockDay;
        return result;
    }
    result.code =
        SeqSetClockField(s, sel.date, sel.variant, static_cast<uint16_t>(month * 256 + day));
    if (result.code != kLinkOk) return result;

    if (hour < 0 || hour > 11) {
        result.focus = kClockHour;
        return result;
    }
    if (minute < 0 || minute > 59) {
        result.focus = kClockMinute;
        return result;
    }
    const int hour24 = texts.pm ? hour + 12 : hour;
    result.code =
        SeqSetClockField(s, sel.time, sel.variant, static_cast<uint16_t>(hour24 * 256 + minute));
    if (result.code != kLinkOk) return result;

    ClockDialogCancel();  // the same hourglass pause before the dialog closes
    result.close = true;
    return result;
}

void ClockDialogCancel() {
    UserPrompts& prompts = *Plat().prompts;
    prompts.SetCursor(CursorKind::kHourglass);
    BusyWait(1500);
    prompts.SetCursor(CursorKind::kArrow);
}
