// Printing on Windows; see print_win.h. A job disables the frame while it runs and keeps the
// program alive through its abort procedure, which drains the message queue between the
// printer driver's bands; Cancel in the "Printing..." dialog aborts the document.
#include "print/win/print_win.h"

#include <commctrl.h>
#include <dlgs.h>

#include <cstring>

#include "base/messages.h"
#include "base/platform.h"
#include "base/region.h"
#include "base/settings.h"
#include "codec/camera_segments.h"
#include "print/postscript_image.h"
#include "print/print_layout.h"
#include "res/resource.h"

namespace {

HINSTANCE Instance() {
    return GetModuleHandleA(nullptr);
}

// ---- the dialog's hook ----------------------------------------------------------------------

PrintOptions g_options;

void EnableIds(HWND dlg, const int* ids, size_t n, bool on) {
    for (size_t i = 0; i < n; ++i) EnableWindow(GetDlgItem(dlg, ids[i]), on ? TRUE : FALSE);
}

const int kAlbumIds[] = {IDC_PRINT_ALBUM_GROUP, IDC_PRINT_ALL,      IDC_PRINT_SELECT,
                         IDC_PRINT_ALBUM,       IDC_PRINT_TWO,      IDC_PRINT_FOUR,
                         IDC_PRINT_SIXTEEN,     IDC_PRINT_SEPARATOR};
const int kImageIds[] = {IDC_PRINT_IMAGE_GROUP, IDC_PRINT_PAPER, IDC_PRINT_ORIGINAL,
                         IDC_PRINT_UPPER, IDC_PRINT_LOWER};
// The system's print range and copies groups, which lie under the program's options.
const int kHiddenIds[] = {grp1, rad1, rad2, rad3, stc2, stc3, edt1,
                          edt2, grp2, stc5, edt3, ico3, chx2};

// ---- the job --------------------------------------------------------------------------------

struct PrintJob {
    HWND frame = nullptr;
    HWND dialog = nullptr;
    HDC dc = nullptr;
    bool cancelled = false;
    bool started = false;
    // Pictures go to a PostScript printer as PostScript code of their own (see DrawDib).
    bool postscript = false;
    int page_width = 0, page_height = 0;
    std::vector<char> packet;  // one passthrough escape: its size word and its data
};
PrintJob* g_job = nullptr;
PrintJobFigures g_figures;
bool g_own_postscript = true;

// Ends a page and counts it.
void FinishPage(HDC dc) {
    if (EndPage(dc) > 0) ++g_figures.pages;
}

INT_PTR CALLBACK AbortDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL && g_job) {
        g_job->cancelled = true;
        EnableWindow(g_job->frame, TRUE);
        g_job->dialog = nullptr;
        DestroyWindow(dlg);
        return TRUE;
    }
    return FALSE;
}

BOOL CALLBACK AbortProc(HDC, int) {
    if (!g_job) return TRUE;
    MSG m;
    while (!g_job->cancelled && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(m.wParam));
            break;
        }
        if (!g_job->dialog || !IsDialogMessageA(g_job->dialog, &m)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
    return g_job->cancelled ? FALSE : TRUE;
}

// The printer's device context from the record's blocks; null when there are none or they
// cannot be used.
HDC PrinterDc(const PRINTDLGA& pd, int* y_resolution, int* print_quality, bool* colour) {
    if (!pd.hDevNames) return nullptr;
    auto* names = static_cast<DEVNAMES*>(GlobalLock(pd.hDevNames));
    if (!names) return nullptr;
    DEVMODEA* mode = pd.hDevMode ? static_cast<DEVMODEA*>(GlobalLock(pd.hDevMode)) : nullptr;
    const char* base = reinterpret_cast<const char*>(names);
    HDC dc = CreateDCA(base + names->wDriverOffset, base + names->wDeviceOffset,
                       base + names->wOutputOffset, mode);
    *y_resolution = mode ? mode->dmYResolution : 0;
    *print_quality = mode ? mode->dmPrintQuality : 0;
    *colour = !mode || !(mode->dmFields & DM_COLOR) || mode->dmColor != DMCOLOR_MONOCHROME;
    if (mode) GlobalUnlock(pd.hDevMode);
    GlobalUnlock(pd.hDevNames);
    return dc;
}

// Whether the device is a PostScript printer that takes code of the program's own in the
// page (the passthrough escape, in the driver's coordinates: printer pixels from the printable
// area's top left corner, as the driver draws its own pictures).
bool TakesPostScript(HDC dc) {
    int escape = PASSTHROUGH;
    if (ExtEscape(dc, QUERYESCSUPPORT, sizeof escape, reinterpret_cast<LPCSTR>(&escape), 0,
                  nullptr) <= 0)
        return false;
    char technology[64] = "";
    if (ExtEscape(dc, GETTECHNOLOGY, 0, nullptr, sizeof technology - 2, technology) <= 0)
        return false;
    return std::strncmp(technology, "PostScript", 10) == 0;
}

// Begins a job: device context, abort dialog, document. False after message 42.
bool BeginJob(PrintJob* job, HWND frame, const PRINTDLGA& pd, const std::string& document,
              PrintPage* page) {
    int y_resolution = 0, print_quality = 0;
    bool colour = true;
    job->frame = frame;
    job->dc = PrinterDc(pd, &y_resolution, &print_quality, &colour);
    if (!job->dc) {
        ShowError(kMsgPrintFailed);
        return false;
    }
    job->page_width = GetDeviceCaps(job->dc, HORZRES);
    job->page_height = GetDeviceCaps(job->dc, VERTRES);
    *page = MakePrintPage(job->page_width, job->page_height, y_resolution, print_quality);
    // A grey printer makes grey pictures from what the driver sends; left to the driver.
    job->postscript = g_own_postscript && colour && TakesPostScript(job->dc);
    g_figures = PrintJobFigures();
    g_job = job;
    job->dialog = CreateDialogParamA(Instance(), "PRTDLG", frame, AbortDialogProc, 0);
    if (!job->dialog) {
        g_job = nullptr;
        DeleteDC(job->dc);
        job->dc = nullptr;
        ShowError(kMsgPrintFailed);
        return false;
    }
    SetWindowTextA(job->dialog, document.c_str());
    EnableWindow(frame, FALSE);
    SetAbortProc(job->dc, AbortProc);
    DOCINFOA info{};
    info.cbSize = sizeof info;
    info.lpszDocName = document.c_str();
    job->started = StartDocA(job->dc, &info) > 0;
    return true;
}

// Ends a job on every path: the document ended or aborted, the frame back, the context gone.
// A document that could not be started is reported as a failed print.
void EndJob(PrintJob* job) {
    const bool failed = !job->started && !job->cancelled;
    if (job->started) {
        if (job->cancelled)
            AbortDoc(job->dc);
        else
            EndDoc(job->dc);
    }
    if (!job->cancelled) {
        EnableWindow(job->frame, TRUE);
        if (job->dialog) DestroyWindow(job->dialog);
        job->dialog = nullptr;
    }
    DeleteDC(job->dc);
    job->dc = nullptr;
    g_job = nullptr;
    if (failed) ShowError(kMsgPrintFailed);
}

bool Going(const PrintJob& job) {
    return job.started && !job.cancelled;
}

void DrawLine(HDC dc, const PrintRect& r, const std::string& text) {
    if (r.width <= 0 || r.height <= 0 || text.empty()) return;
    RECT box{r.x, r.y, r.x + r.width, r.y + r.height};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

// A 24-bit picture of w x h in a DIB section, selected into a memory context.
struct ScaledPicture {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    void* bits = nullptr;
    BITMAPINFOHEADER header{};
    ScaledPicture(int w, int h) {
        header.biSize = sizeof header;
        header.biWidth = w;
        header.biHeight = h;
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        dc = CreateCompatibleDC(nullptr);
        if (dc)
            bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                      &bits, nullptr, 0);
        if (bitmap) old = SelectObject(dc, bitmap);
    }
    ~ScaledPicture() {
        if (old) SelectObject(dc, old);
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
    }
    ScaledPicture(const ScaledPicture&) = delete;
    ScaledPicture& operator=(const ScaledPicture&) = delete;
    bool ok() const { return bits != nullptr && old != nullptr; }
};

// One piece of PostScript code into the page through the passthrough escape.
bool PassThrough(void* context, const char* data, size_t size) {
    auto* job = static_cast<PrintJob*>(context);
    if (size > 0xFFFF) return false;
    job->packet.resize(size + 2);
    const WORD count = static_cast<WORD>(size);
    std::memcpy(job->packet.data(), &count, 2);
    std::memcpy(job->packet.data() + 2, data, size);
    return ExtEscape(job->dc, PASSTHROUGH, static_cast<int>(size + 2), job->packet.data(), 0,
                     nullptr) > 0;
}

// The rows of a bottom-up 24-bit picture's part, w x h, from its lowest row up.
struct DibRows {
    const uint8_t* first = nullptr;  // the lowest row of the part, at its left edge
    ptrdiff_t step = 0;              // from a row to the one above it
    int w = 0, h = 0;
};

// Sends the rows into place as PostScript code, the way the driver itself sends a picture
// (the same placement, the same samples, bottom row first), but in a few large writes: the
// driver writes its picture data in lines of 60 characters, each a write of its own. False
// when nothing was sent; a failure part-way stops the fast way for the rest of the job.
bool SendAsPostScript(PrintJob* job, const PrintRect& place, const DibRows& rows) {
    if (!job->postscript || place.x < 0 || place.y < 0 || place.x + place.width > job->page_width ||
        place.y + place.height > job->page_height)
        return false;  // a picture over the page's edge is left to the driver to clip
    PostScriptImage image;
    image.sink = PassThrough;
    image.context = job;
    if (!BeginPostScriptImage(&image, place.x, place.y, place.width, place.height, rows.w, rows.h,
                              true)) {
        job->postscript = false;
        return false;
    }
    for (int i = 0; i < rows.h && image.ok; ++i)
        PutPostScriptImageRow(&image, rows.first + i * rows.step);
    if (!EndPostScriptImage(&image)) job->postscript = false;
    ++g_figures.postscript_pictures;
    return true;
}

// Draws the part (sx, sy from the top, sw x sh) of a picture into place. A picture larger than
// its place is brought down to the place's size first, with the same rule the printer would
// use (pixels dropped, not blended): the printer then gets only the pixels it prints, which
// keeps the spool file and the driver's work in proportion to the sheet, not to the camera.
void DrawDib(PrintJob* job, const DibImage& dib, const PrintRect& place, int sx, int sy, int sw,
             int sh) {
    if (place.width <= 0 || place.height <= 0) return;
    HDC dc = job->dc;
    const int h = DibHeight(dib) < 0 ? -DibHeight(dib) : DibHeight(dib);
    const int src_y = DibHeight(dib) < 0 ? sy : h - sy - sh;
    const uint8_t* pixels = dib.data() + DibPixelOffset(dib);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
    SetStretchBltMode(dc, COLORONCOLOR);
    if (place.width <= sw && place.height <= sh && (place.width < sw || place.height < sh)) {
        ScaledPicture scaled(place.width, place.height);
        if (scaled.ok()) {
            SetStretchBltMode(scaled.dc, COLORONCOLOR);
            StretchDIBits(scaled.dc, 0, 0, place.width, place.height, sx, src_y, sw, sh, pixels,
                          info, DIB_RGB_COLORS, SRCCOPY);
            GdiFlush();
            g_figures.pixel_bytes += static_cast<long long>(place.width) * place.height * 3;
            DibRows rows;
            rows.first = static_cast<const uint8_t*>(scaled.bits);
            rows.step = (static_cast<ptrdiff_t>(place.width) * 3 + 3) & ~static_cast<ptrdiff_t>(3);
            rows.w = place.width;
            rows.h = place.height;
            if (SendAsPostScript(job, place, rows)) return;
            StretchDIBits(dc, place.x, place.y, place.width, place.height, 0, 0, place.width,
                          place.height, scaled.bits,
                          reinterpret_cast<const BITMAPINFO*>(&scaled.header), DIB_RGB_COLORS,
                          SRCCOPY);
            return;
        }
    }
    g_figures.pixel_bytes += static_cast<long long>(sw) * sh * 3;
    DibLayout layout;
    if (DibHeight(dib) > 0 && GetDibLayout(dib, &layout) && layout.header.bit_count == 24 &&
        layout.header.compression == kBiRgb) {
        DibRows rows;
        rows.first = dib.data() + layout.pixel_offset + static_cast<size_t>(src_y) * layout.stride +
                     static_cast<size_t>(sx) * 3;
        rows.step = static_cast<ptrdiff_t>(layout.stride);
        rows.w = sw;
        rows.h = sh;
        if (SendAsPostScript(job, place, rows)) return;
    }
    StretchDIBits(dc, place.x, place.y, place.width, place.height, sx, src_y, sw, sh, pixels, info,
                  DIB_RGB_COLORS, SRCCOPY);
}

struct ScopedFont {
    HFONT h = nullptr;
    ~ScopedFont() {
        if (h) DeleteObject(h);
    }
};

// The caption font: one caption unit high.
void SelectCaptionFont(HDC dc, const PrintPage& page, ScopedFont* font) {
    font->h = CreateFontA(-(page.caption_unit * 7 / 10), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                          DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    if (font->h) SelectObject(dc, font->h);
    SetBkMode(dc, TRANSPARENT);
}

}  // namespace

PrintHookState& PrintHook() {
    static PrintHookState state;
    return state;
}

UINT_PTR CALLBACK PrintOptionsHook(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    PrintHookState& state = PrintHook();
    switch (msg) {
        case WM_INITDIALOG: {
            for (int id : kHiddenIds) {
                HWND c = GetDlgItem(dlg, id);
                if (c) ShowWindow(c, SW_HIDE);
            }
            // The copies field's spin buttons are made by the dialog, without an id of the
            // template: they go with their field.
            for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                char name[32] = "";
                GetClassNameA(c, name, sizeof name);
                if (lstrcmpiA(name, UPDOWN_CLASSA) == 0 &&
                    reinterpret_cast<HWND>(SendMessageA(c, UDM_GETBUDDY, 0, 0)) ==
                        GetDlgItem(dlg, edt3))
                    ShowWindow(c, SW_HIDE);
            }
            g_options = ReadPrintOptions(*Plat().settings);
            CheckDlgButton(dlg, IDC_PRINT_NAME, g_options.name ? BST_CHECKED : BST_UNCHECKED);
            CheckDlgButton(dlg, IDC_PRINT_DATE, g_options.date ? BST_CHECKED : BST_UNCHECKED);
            CheckRadioButton(dlg, IDC_PRINT_ALBUM, IDC_PRINT_SIXTEEN,
                             IDC_PRINT_ALBUM + g_options.alb_type);
            CheckRadioButton(dlg, IDC_PRINT_PAPER, IDC_PRINT_LOWER,
                             IDC_PRINT_PAPER + g_options.nor_type);
            CheckRadioButton(dlg, IDC_PRINT_ALL, IDC_PRINT_SELECT,
                             g_options.all ? IDC_PRINT_ALL : IDC_PRINT_SELECT);
            state.album = false;
            if (state.document == kPrintImage) {
                EnableIds(dlg, kAlbumIds, sizeof kAlbumIds / sizeof *kAlbumIds, false);
            } else if (state.document == kPrintAlbum) {
                EnableIds(dlg, kImageIds, sizeof kImageIds / sizeof *kImageIds, false);
                state.album = true;
            } else {
                ShowError(kMsgCannotPrint);
            }
            return TRUE;
        }
        case WM_COMMAND: {
            const int id = LOWORD(wp);
            if (id == IDC_PRINT_ALL)
                g_options.all = true;
            else if (id == IDC_PRINT_SELECT)
                g_options.all = false;
            else if (id >= IDC_PRINT_ALBUM && id <= IDC_PRINT_SIXTEEN)
                g_options.alb_type = id - IDC_PRINT_ALBUM;
            else if (id >= IDC_PRINT_PAPER && id <= IDC_PRINT_LOWER)
                g_options.nor_type = id - IDC_PRINT_PAPER;
            else if (id == IDC_PRINT_NAME)
                g_options.name = IsDlgButtonChecked(dlg, IDC_PRINT_NAME) == BST_CHECKED;
            else if (id == IDC_PRINT_DATE)
                g_options.date = IsDlgButtonChecked(dlg, IDC_PRINT_DATE) == BST_CHECKED;
            else if (id == IDOK)
                WritePrintOptions(*Plat().settings, g_options, state.album);
            return FALSE;  // the dialog goes on with its own handling
        }
        default:
            return FALSE;
    }
}

bool RunPrintDialog(PRINTDLGA* pd, HWND owner, int document) {
    PrintHook().document = document;
    PrintHook().album = false;
    pd->hwndOwner = owner;
    const BOOL ok = PrintDlgA(pd);
    if (pd->hDC) {
        DeleteDC(pd->hDC);  // every job makes its own
        pd->hDC = nullptr;
    }
    return ok != FALSE;
}

bool RunPrintSetup(PRINTDLGA* pd, HWND owner) {
    PRINTDLGA setup = *pd;
    setup.hwndOwner = owner;
    setup.Flags = (pd->Flags | PD_PRINTSETUP) &
                  ~static_cast<DWORD>(PD_ENABLEPRINTHOOK | PD_ENABLEPRINTTEMPLATE);
    const BOOL ok = PrintDlgA(&setup);
    // The dialog may have replaced the blocks whether or not it ended with OK.
    pd->hDevMode = setup.hDevMode;
    pd->hDevNames = setup.hDevNames;
    if (setup.hDC) DeleteDC(setup.hDC);
    return ok != FALSE;
}

void PrintImage(HWND frame, const PRINTDLGA& pd, const DibImage* picture, const RECT* selection,
                const std::string& document, const std::string& path) {
    if (!picture || !*picture || DibWidth(*picture) <= 0 || DibHeight(*picture) == 0) {
        ShowError(kMsgUnexpected);
        return;
    }
    const int full_w = DibWidth(*picture);
    const int full_h = DibHeight(*picture) < 0 ? -DibHeight(*picture) : DibHeight(*picture);
    int sx = 0, sy = 0, w = full_w, h = full_h;
    if (selection && selection->right > selection->left && selection->bottom > selection->top) {
        sx = selection->left < 0 ? 0 : selection->left;
        sy = selection->top < 0 ? 0 : selection->top;
        w = (selection->right > full_w ? full_w : selection->right) - sx;
        h = (selection->bottom > full_h ? full_h : selection->bottom) - sy;
        if (w <= 0 || h <= 0) {
            sx = sy = 0;
            w = full_w;
            h = full_h;
        }
    }
    const PrintOptions options = ReadPrintOptions(*Plat().settings);
    PrintJob job;
    PrintPage page;
    if (!BeginJob(&job, frame, pd, document, &page)) return;
    if (Going(job) && StartPage(job.dc) > 0) {
        ScopedFont font;
        SelectCaptionFont(job.dc, page, &font);
        const std::string date = PrintDateText(ThumbnailDate(path), RegionCode());
        const PrintPlacement place = PlaceSingleImage(page, options, w, h, !date.empty());
        DrawLine(job.dc, place.date, date);
        DrawLine(job.dc, place.name, PrintFileName(path));
        DrawDib(&job, *picture, place.image, sx, sy, w, h);
        if (Going(job)) FinishPage(job.dc);
    }
    EndJob(&job);
}

void PrintAlbum(HWND frame, const PRINTDLGA& pd, const std::vector<std::string>& paths,
                PrintPictureLoader load) {
    const PrintOptions options = ReadPrintOptions(*Plat().settings);
    PrintJob job;
    PrintPage page;
    if (!BeginJob(&job, frame, pd, kAppTitle, &page)) return;
    if (Going(job) && StartPage(job.dc) > 0) {
        ScopedFont font;
        SelectCaptionFont(job.dc, page, &font);
        SIZE em{};
        GetTextExtentPoint32A(job.dc, "MMMMMMMMMMMM", 12, &em);
        const int per_page = AlbumEntriesPerPage(page, options);
        const int count = static_cast<int>(paths.size());
        bool page_open = true;
        for (int i = 0; i < count && Going(job); ++i) {
            if (i > 0 && i % per_page == 0) {
                FinishPage(job.dc);
                page_open = Going(job) && StartPage(job.dc) > 0;
                if (!page_open) break;
                if (font.h) SelectObject(job.dc, font.h);
                SetBkMode(job.dc, TRANSPARENT);
            }
            DibImage picture = load ? load(paths[i]) : DibImage();
            const int w = picture ? DibWidth(picture) : 0;
            const int h =
                picture ? (DibHeight(picture) < 0 ? -DibHeight(picture) : DibHeight(picture)) : 0;
            const std::string date = PrintDateText(ThumbnailDate(paths[i]), RegionCode());
            const PrintPlacement place =
                PlaceAlbumEntry(page, options, i, w, h, !date.empty(), em.cx);
            DrawLine(job.dc, place.date, date);
            DrawLine(job.dc, place.name, PrintFileName(paths[i]));
            if (picture) DrawDib(&job, picture, place.image, 0, 0, w, h);
            // The system asks the abort procedure only between pages; asked after every
            // picture too, Cancel and the dialog's painting need not wait for a page of 16.
            AbortProc(job.dc, 0);
        }
        if (page_open && Going(job)) FinishPage(job.dc);
    }
    EndJob(&job);
}

HWND PrintAbortDialog() {
    return g_job ? g_job->dialog : nullptr;
}

PrintJobFigures LastPrintJobFigures() {
    return g_figures;
}

void SetOwnPostScriptPictures(bool on) {
    g_own_postscript = on;
}
