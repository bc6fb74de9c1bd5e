// The Image Size and Image Adjustment dialogs. Each runs modal on its image window in the
// program; the tests open the same dialog procedure modeless and drive it with messages. The
// rules (the size checks, the slider steps, the adjustment itself) are the portable ones of
// edit/.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "base/platform.h"
#include "base/region.h"
#include "base/win/win_handles.h"
#include "base/win/win_prompts.h"
#include "base/win/window_record.h"
#include "codec/win/dib_win.h"
#include "edit/adjust.h"
#include "edit/geometry.h"
#include "edit/win/image_window.h"
#include "res/resource.h"

namespace {

void CloseDialog(HWND dlg, bool modal, INT_PTR result) {
    if (modal)
        EndDialog(dlg, result);
    else
        DestroyWindow(dlg);
}

int Box(HWND owner, const char* text) {
    return ShowTaskModalBox(ImageHost().frame, owner, text, kAppTitle,
                            MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

// --- Image Size ----------------------------------------------------------------------------

struct SizeDialog {
    HWND image = nullptr;
    bool modal = false;
};

INT_PTR CALLBACK SizeProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    SizeDialog* d = DialogRecordOf<SizeDialog>(dlg);
    switch (msg) {
        case WM_INITDIALOG: {
            d = AttachDialogRecord(dlg,
                                   std::move(*reinterpret_cast<std::unique_ptr<SizeDialog>*>(lp)));
            const DibImage* pic = ImageWindowPicture(d->image);
            const int zoom = ImageWindowZoom(d->image);
            char text[32];
            std::snprintf(text, sizeof text, "%lld",
                          static_cast<long long>(ZoomedSide(pic ? DibWidth(*pic) : 0, zoom)));
            SetDlgItemTextA(dlg, IDC_SIZE_CURRENT_WIDTH, text);
            std::snprintf(text, sizeof text, "%lld",
                          static_cast<long long>(ZoomedSide(pic ? DibHeight(*pic) : 0, zoom)));
            SetDlgItemTextA(dlg, IDC_SIZE_CURRENT_HEIGHT, text);
            SendDlgItemMessageA(dlg, IDC_SIZE_NEW_WIDTH, EM_LIMITTEXT, 50, 0);
            SendDlgItemMessageA(dlg, IDC_SIZE_NEW_HEIGHT, EM_LIMITTEXT, 50, 0);
            return TRUE;
        }
        case WM_COMMAND:
            if (!d) return FALSE;
            if (LOWORD(wp) == IDOK) {
                char w[51] = "", h[51] = "";
                GetDlgItemTextA(dlg, IDC_SIZE_NEW_WIDTH, w, sizeof w);
                GetDlgItemTextA(dlg, IDC_SIZE_NEW_HEIGHT, h, sizeof h);
                int width = 0, height = 0;
                switch (CheckNewSize(w, h, &width, &height)) {
                    case NewSizeCheck::kEmpty:
                        return TRUE;
                    case NewSizeCheck::kInvalid:
                        Box(dlg, kInvalidNewSizeText);
                        return TRUE;
                    case NewSizeCheck::kOk:
                        break;
                }
                Plat().prompts->SetCursor(CursorKind::kHourglass);
                ResizeImage(d->image, width, height);
                Plat().prompts->SetCursor(CursorKind::kArrow);
                CloseDialog(dlg, d->modal, IDOK);
                return TRUE;
            }
            if (LOWORD(wp) == IDCANCEL) {
                CloseDialog(dlg, d->modal, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        case WM_NCDESTROY:
            FreeDialogRecord<SizeDialog>(dlg);
            return FALSE;
        default:
            return FALSE;
    }
}

// --- Image Adjustment ------------------------------------------------------------------------

struct SliderSpec {
    int lo;
    int hi;
};
constexpr SliderSpec kSliders[4] = {{kAdjustMin, kAdjustMax},
                                    {kAdjustMin, kAdjustMax},
                                    {kAdjustMin, kAdjustMax},
                                    {kSharpnessMin, kSharpnessMax}};

struct Preview {
    DibImage picture;
    DibImage shown;  // the reduction for a palette display; empty: the picture
    ScopedPalette palette;
};

struct AdjustDialog {
    HWND image = nullptr;
    bool modal = false;
    AdjustState state;
    bool have_preview = false;
    Preview before;
    Preview after;
    int values[4] = {0, 0, 0, 0};
};

void PrepareShown(HWND dlg, Preview* p) {
    p->shown = ReduceForDisplay(dlg, p->picture);
    const DibImage& d = p->shown ? p->shown : p->picture;
    p->palette.reset();
    if (DibColorCount(d) > 0) p->palette = MakeDibPalette(d);
}

void RecomputeAfter(HWND dlg, AdjustDialog* d) {
    if (!d->have_preview) return;
    DibImage next = ApplyAdjustment(d->state.params, d->before.picture);
    if (!next) return;
    d->after.picture = std::move(next);
    PrepareShown(dlg, &d->after);
    InvalidateRect(GetDlgItem(dlg, IDC_ADJ_AFTER), nullptr, FALSE);
}

void ShowValue(HWND dlg, int i, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    SetDlgItemTextA(dlg, IDC_ADJ_VALUE_FIRST + i, text);
}

void EnableSliders(HWND dlg, bool on) {
    for (int i = 0; i < 4; ++i) {
        EnableWindow(GetDlgItem(dlg, IDC_ADJ_SLIDER_FIRST + i), on);
        EnableWindow(GetDlgItem(dlg, IDC_ADJ_RANGE_FIRST + 2 * i), on);
        EnableWindow(GetDlgItem(dlg, IDC_ADJ_RANGE_FIRST + 2 * i + 1), on);
    }
}

void ShowValues(HWND dlg, const AdjustDialog* d) {
    for (int i = 0; i < 4; ++i) {
        ShowValue(dlg, i, d->values[i]);
        SendDlgItemMessageA(dlg, IDC_ADJ_SLIDER_FIRST + i, TBM_SETPOS, TRUE, d->values[i]);
    }
}

void DrawPreview(const DRAWITEMSTRUCT* di, const Preview& p, bool have) {
    FillRect(di->hDC, &di->rcItem, GetSysColorBrush(COLOR_BTNFACE));
    if (!have) return;
    const DibImage& d = p.shown ? p.shown : p.picture;
    const int fw = di->rcItem.right - di->rcItem.left, fh = di->rcItem.bottom - di->rcItem.top;
    const PreviewPlace at = PlacePreview(DibWidth(d), DibHeight(d), fw, fh);
    ScopedSelectPalette pal(di->hDC, p.palette.get(), FALSE);
    if (p.palette) RealizePalette(di->hDC);
    const RECT dst{di->rcItem.left + at.x, di->rcItem.top + at.y, di->rcItem.left + at.x + at.width,
                   di->rcItem.top + at.y + at.height};
    const RECT src{0, 0, DibWidth(d), DibHeight(d)};
    DrawDib(di->hDC, d, dst, src);
}

void DrawLabel(const DRAWITEMSTRUCT* di) {
    char text[64] = "";
    GetWindowTextA(di->hwndItem, text, sizeof text);
    FillRect(di->hDC, &di->rcItem, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(di->hDC, TRANSPARENT);
    const bool grey = !IsWindowEnabled(di->hwndItem);
    SetTextColor(di->hDC, GetSysColor(grey ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(GetParent(di->hwndItem), WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(di->hDC, font) : nullptr;
    RECT rc = di->rcItem;
    DrawTextA(di->hDC, text, -1, &rc, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (old) SelectObject(di->hDC, old);
}

void OnSlider(HWND dlg, AdjustDialog* d, HWND slider, int code, int thumb) {
    const int i = GetDlgCtrlID(slider) - IDC_ADJ_SLIDER_FIRST;
    if (i < 0 || i > 3) return;
    if (code > kSliderThumbTrack) {
        // The end of a drag or a jump to an end: the slider's own position stands.
        SendMessageA(slider, TBM_SETPOS, TRUE, d->values[i]);
        return;
    }
    d->values[i] = SliderValueAfter(d->values[i], code, static_cast<uint32_t>(thumb),
                                    kSliders[i].lo, kSliders[i].hi);
    SendMessageA(slider, TBM_SETPOS, TRUE, d->values[i]);
    ShowValue(dlg, i, d->values[i]);
    ComputeManual(&d->state, d->values[0], d->values[1], d->values[2], d->values[3]);
    RecomputeAfter(dlg, d);
    d->state.changed = true;
    d->state.dirty = true;
}

void OnAutomatic(HWND dlg, AdjustDialog* d) {
    if (d->state.dirty && d->have_preview) {
        d->state.dirty = false;
        if (ComputeAutomatic(&d->state)) {
            const AdjustValues& v = d->state.values;
            d->values[0] = v.brightness;
            d->values[1] = v.contrast;
            d->values[2] = v.saturation;
            d->values[3] = v.sharpness;
            RecomputeAfter(dlg, d);
            ShowValues(dlg, d);
        }
    }
    EnableSliders(dlg, false);
    d->state.changed = true;
}

void OnOk(HWND dlg, AdjustDialog* d) {
    if (d->state.changed && d->have_preview) {
        Plat().prompts->SetCursor(CursorKind::kHourglass);
        const DibImage* pic = ImageWindowPicture(d->image);
        DibImage done = pic ? ApplyAdjustment(d->state.params, *pic) : DibImage();
        if (done) InstallAdjustedPicture(d->image, std::move(done));
        Plat().prompts->SetCursor(CursorKind::kArrow);
    }
    CloseDialog(dlg, d->modal, IDOK);
}

INT_PTR CALLBACK AdjustProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    AdjustDialog* d = DialogRecordOf<AdjustDialog>(dlg);
    switch (msg) {
        case WM_INITDIALOG: {
            d = AttachDialogRecord(
                dlg, std::move(*reinterpret_cast<std::unique_ptr<AdjustDialog>*>(lp)));
            ResetAdjustState(&d->state);
            CheckRadioButton(dlg, IDC_ADJ_MANUAL, IDC_ADJ_AUTOMATIC, IDC_ADJ_MANUAL);
            for (int i = 0; i < 4; ++i) {
                HWND s = GetDlgItem(dlg, IDC_ADJ_SLIDER_FIRST + i);
                SendMessageA(s, TBM_SETRANGEMIN, FALSE, kSliders[i].lo);
                SendMessageA(s, TBM_SETRANGEMAX, FALSE, kSliders[i].hi);
                SendMessageA(s, TBM_SETLINESIZE, 0, 1);
                SendMessageA(s, TBM_SETPAGESIZE, 0, 20);
            }
            ShowValues(dlg, d);
            EnableSliders(dlg, true);
            const DibImage* pic = ImageWindowPicture(d->image);
            if (pic) d->before.picture = MakeAdjustPreview(*pic);
            if (d->before.picture && AnalysePicture(&d->state, d->before.picture)) {
                d->after.picture = CopyDib(d->before.picture);
                d->have_preview = static_cast<bool>(d->after.picture);
            }
            if (d->have_preview) {
                PrepareShown(dlg, &d->before);
                PrepareShown(dlg, &d->after);
            } else {
                d->before.picture.block.Reset();
                d->state.analysed = false;
            }
            return TRUE;
        }
        case WM_HSCROLL:
            if (d) OnSlider(dlg, d, reinterpret_cast<HWND>(lp), LOWORD(wp), HIWORD(wp));
            return TRUE;
        case WM_DRAWITEM: {
            if (!d) return FALSE;
            const DRAWITEMSTRUCT* di = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            if (di->CtlID == IDC_ADJ_BEFORE)
                DrawPreview(di, d->before, d->have_preview);
            else if (di->CtlID == IDC_ADJ_AFTER)
                DrawPreview(di, d->after, d->have_preview);
            else
                DrawLabel(di);
            return TRUE;
        }
        case WM_COMMAND: {
            if (!d) return FALSE;
            const int id = LOWORD(wp);
            if (id >= IDC_ADJ_LABEL_FIRST && id < IDC_ADJ_LABEL_FIRST + 4 &&
                HIWORD(wp) == STN_CLICKED) {
                SetFocus(GetDlgItem(dlg, IDC_ADJ_SLIDER_FIRST + id - IDC_ADJ_LABEL_FIRST));
                return TRUE;
            }
            switch (id) {
                case IDC_ADJ_AUTOMATIC:
                    OnAutomatic(dlg, d);
                    return TRUE;
                case IDC_ADJ_MANUAL:
                    EnableSliders(dlg, true);
                    ShowValues(dlg, d);
                    return TRUE;
                case IDOK:
                    OnOk(dlg, d);
                    return TRUE;
                case IDCANCEL:
                    CloseDialog(dlg, d->modal, IDCANCEL);
                    return TRUE;
                default:
                    return FALSE;
            }
        }
        case WM_NCDESTROY:
            FreeDialogRecord<AdjustDialog>(dlg);
            return FALSE;
        default:
            return FALSE;
    }
}

bool FullColour(HWND image) {
    const DibImage* pic = ImageWindowPicture(image);
    if (pic && DibBitCount(*pic) == 24 && DibCompression(*pic) == kBiRgb) return true;
    if (pic) Box(image, kNotFullColorText);
    return false;
}

const char* Template(RegionalTemplate which) {
    return RegionalTemplateName(which, RegionCode());
}

// Runs the dialog modal (returning its result) or makes it modeless (returning the window);
// the dialog takes its record in WM_INITDIALOG and frees it with its last message, whichever.
template <class T>
INT_PTR OpenDialog(std::unique_ptr<T> record, RegionalTemplate which, DLGPROC proc) {
    if (!record) return 0;
    const LPARAM holder = reinterpret_cast<LPARAM>(&record);
    if (record->modal)
        return DialogBoxParamA(ImageHost().instance, Template(which), ImageHost().frame, proc,
                               holder);
    return reinterpret_cast<INT_PTR>(
        CreateDialogParamA(ImageHost().instance, Template(which), ImageHost().frame, proc, holder));
}

template <class T>
std::unique_ptr<T> NewDialogRecord(HWND image, bool modal) {
    std::unique_ptr<T> d(new (std::nothrow) T);
    if (d) {
        d->image = image;
        d->modal = modal;
    }
    return d;
}

}  // namespace

INT_PTR RunImageSizeDialog(HWND image) {
    if (!IsImageWindow(image)) return 0;
    return OpenDialog(NewDialogRecord<SizeDialog>(image, true), RegionalTemplate::kImageSize,
                      SizeProc);
}

HWND CreateImageSizeWindow(HWND image) {
    if (!IsImageWindow(image)) return nullptr;
    return reinterpret_cast<HWND>(OpenDialog(NewDialogRecord<SizeDialog>(image, false),
                                             RegionalTemplate::kImageSize, SizeProc));
}

INT_PTR RunAdjustmentDialog(HWND image) {
    if (!FullColour(image)) return 0;
    return OpenDialog(NewDialogRecord<AdjustDialog>(image, true), RegionalTemplate::kAdjust,
                      AdjustProc);
}

HWND CreateAdjustmentWindow(HWND image) {
    if (!FullColour(image)) return nullptr;
    return reinterpret_cast<HWND>(OpenDialog(NewDialogRecord<AdjustDialog>(image, false),
                                             RegionalTemplate::kAdjust, AdjustProc));
}
