// The image window keeps its record as a C++ struct owned by the window (pointer in window word
// 0, kind 1 in word 1, as every window class of the program does), the selection included, so
// that a command never works with another window's points. The window writes nothing into the
// frame's menu: it tells the frame that its state changed and the frame decides what the menu
// shows. The picture is drawn with
// StretchDIBits straight from the DibImage (or from its 256-colour reduction on a palette
// display), so a change of picture only rebuilds the palette and that reduction.
#include "edit/win/image_window.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "base/files.h"
#include "base/messages.h"
#include "base/path.h"
#include "base/platform.h"
#include "base/region.h"
#include "base/settings.h"
#include "base/win/win_handles.h"
#include "base/win/win_prompts.h"
#include "base/win/window_record.h"
#include "codec/bmp_file.h"
#include "codec/camera_fit.h"
#include "codec/camera_segments.h"
#include "codec/jpeg_codec.h"
#include "codec/jpeg_save.h"
#include "codec/reduce.h"
#include "codec/win/dib_win.h"
#include "edit/geometry.h"
#include "edit/image_view.h"
#include "edit/save_rules.h"
#include "edit/undo.h"
#include "res/resource.h"

namespace {

const char kCannotParse[] =
    "This image cannot be opened.\nBecause the file-format module cannot parse the file.";

struct ImageRecord {
    DibImage picture;
    DibImage display;  // the reduction drawn on a palette display; empty: the picture itself
    ScopedPalette palette;
    int compression = 0;
    int bits = 0;
    ImageGeometry geo;
    RECT window_rect{};
    bool from_jpeg = false;
    std::string path;
    std::string folder;
    std::string display_name;
    int reserved = 1;
    bool selection = false;
    bool dragging = false;
    POINT start{};  // the selection's corners in picture pixels
    POINT end{};
    KeptSegments segments;
    int save_type = 0;
    int scroll_x = 0;
    int scroll_y = 0;
};

// What all image windows share.
struct ImageWindows {
    ImageWindowHost host;
    int count = 0;
    HWND tracked = nullptr;  // the window activated last: only it follows the mouse
    int untitled = 0;
    SaveDialogFn save_dialog = nullptr;
};

ImageWindows& W() {
    static ImageWindows w;
    return w;
}

ImageRecord* RecordOf(HWND hwnd) {
    return RecordOfKind<ImageRecord>(hwnd, kKindImage);
}

void StateChanged() {
    if (W().host.state_changed) W().host.state_changed();
}

// Parts 1 to 4 of the frame's status bar (part 0 holds the menu help).
void SetStatus(int part, const char* text, UINT flags = 0) {
    HWND bar = W().host.status_bar ? W().host.status_bar() : nullptr;
    if (bar) SendMessageA(bar, SB_SETTEXTA, part | flags, reinterpret_cast<LPARAM>(text));
}

int ErrorBox(const char* text) {
    return ShowTaskModalBox(W().host.frame, GetFocus(), text, kAppTitle,
                            MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

// Builds the palette and the display form of the picture.
bool BuildDisplay(HWND hwnd, ImageRecord* r) {
    r->palette.reset();
    r->display = ReduceForDisplay(hwnd, r->picture);
    const DibImage& shown = r->display ? r->display : r->picture;
    if (DibColorCount(shown) > 0) {
        r->palette = MakeDibPalette(shown);
        if (!r->palette) return false;
    }
    r->compression = DibCompression(r->picture);
    r->bits = DibBitCount(r->picture);
    return true;
}

RECT OuterRect(const ImageRecord& r) {
    RECT rc{0, 0, static_cast<LONG>(ZoomedSide(r.geo.width, r.geo.zoom)),
            static_cast<LONG>(ZoomedSide(r.geo.height, r.geo.zoom))};
    AdjustWindowRectEx(&rc, WS_OVERLAPPEDWINDOW | WS_CHILD, FALSE, WS_EX_MDICHILD);
    return rc;
}

void SetTitle(HWND hwnd, const ImageRecord& r) {
    const std::string title = ImageWindowTitle(r.display_name, r.geo.modified, r.geo.zoom);
    char now[512] = "";
    GetWindowTextA(hwnd, now, sizeof now);
    if (title != now) SetWindowTextA(hwnd, title.c_str());
}

ViewAxis AxisX(HWND hwnd, const ImageRecord& r) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    return ViewAxis{static_cast<int>(rc.right), r.geo.width, r.geo.zoom, r.scroll_x};
}
ViewAxis AxisY(HWND hwnd, const ImageRecord& r) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    return ViewAxis{static_cast<int>(rc.bottom), r.geo.height, r.geo.zoom, r.scroll_y};
}

void UpdateScrollRanges(HWND hwnd, ImageRecord* r) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    // The client as it would be without the bars.
    int cw = rc.right + ((style & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0);
    int ch = rc.bottom + ((style & WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0);
    ViewAxis ax{cw, r->geo.width, r->geo.zoom, 0}, ay{ch, r->geo.height, r->geo.zoom, 0};
    const bool need_h = ScrollMax(ax) > 0, need_v = ScrollMax(ay) > 0;
    if (need_v) ax.client -= GetSystemMetrics(SM_CXVSCROLL);
    if (need_h) ay.client -= GetSystemMetrics(SM_CYHSCROLL);
    r->scroll_x = ClampScroll(ax, r->scroll_x);
    r->scroll_y = ClampScroll(ay, r->scroll_y);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_POS | SIF_PAGE | SIF_DISABLENOSCROLL, 0, 0, 0, 0, 0};
    si.fMask = SIF_RANGE | SIF_POS;
    si.nMax = ScrollMax(ax);
    si.nPos = r->scroll_x;
    SetScrollInfo(hwnd, SB_HORZ, &si, TRUE);
    si.nMax = ScrollMax(ay);
    si.nPos = r->scroll_y;
    SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
}

// Resizes the window to the zoomed picture, keeping its top-left corner, and repaints.
void FitWindow(HWND hwnd, ImageRecord* r) {
    r->window_rect = OuterRect(*r);
    const int w = r->window_rect.right - r->window_rect.left;
    const int h = r->window_rect.bottom - r->window_rect.top;
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (GetWindowPlacement(hwnd, &wp)) {
        SetWindowPos(hwnd, nullptr, wp.rcNormalPosition.left, wp.rcNormalPosition.top, w, h,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        SetWindowPos(hwnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    UpdateScrollRanges(hwnd, r);
    SetTitle(hwnd, *r);
    InvalidateRect(hwnd, nullptr, TRUE);
    RECT rc;
    GetClientRect(hwnd, &rc);
    SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rc.right, rc.bottom));
    StateChanged();
}

// An editing command works on a window at its normal size.
void RestoreForEditing(HWND hwnd) {
    if (IsIconic(hwnd) || IsZoomed(hwnd))
        SendMessageA(W().host.mdi_client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(hwnd), 0);
}

void ClearSelection(HWND hwnd, ImageRecord* r) {
    r->selection = false;
    r->start = r->end = POINT{0, 0};
    r->dragging = false;
    SetStatus(3, "");
    SetStatus(4, "");
    InvalidateRect(hwnd, nullptr, FALSE);
    StateChanged();
}

// The common ending of a picture change: the new picture in, the old one kept for undo.
bool InstallPicture(HWND hwnd, ImageRecord* r, DibImage picture, DibImage* old) {
    DibImage previous = std::move(r->picture);
    r->picture = std::move(picture);
    if (!BuildDisplay(hwnd, r)) {
        r->picture = std::move(previous);
        BuildDisplay(hwnd, r);
        return false;
    }
    *old = std::move(previous);
    r->geo.width = DibWidth(r->picture);
    r->geo.height = DibHeight(r->picture);
    ++r->geo.modified;
    return true;
}

// The window takes the record from *holder when its creation gets that far; whatever it did
// not take is freed with the holder.
HWND MakeWindow(std::unique_ptr<ImageRecord>* holder) {
    ImageWindows& w = W();
    const ImageRecord* rec = holder->get();
    const RECT& rc = rec->window_rect;
    MDICREATESTRUCTA mcs{};
    mcs.szClass = kImageClass;
    mcs.szTitle = rec->display_name.c_str();
    mcs.hOwner = w.host.instance;
    mcs.x = CW_USEDEFAULT;
    mcs.y = CW_USEDEFAULT;
    mcs.cx = rc.right - rc.left;
    mcs.cy = rc.bottom - rc.top;
    mcs.style = WS_HSCROLL | WS_VSCROLL;
    mcs.lParam = reinterpret_cast<LPARAM>(holder);
    return reinterpret_cast<HWND>(
        SendMessageA(w.host.mdi_client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
}

// A new window for a picture: the record is made here and owned by the window once created.
HWND OpenPictureWindow(DibImage picture, const std::string& path, const std::string& name,
                       bool from_jpeg, int zoom, int modified, KeptSegments* segments) {
    std::unique_ptr<ImageRecord> rec(new (std::nothrow) ImageRecord);
    if (!rec) {
        ShowError(kMsgNoMemory);
        return nullptr;
    }
    rec->picture = std::move(picture);
    rec->geo.width = DibWidth(rec->picture);
    rec->geo.height = DibHeight(rec->picture);
    rec->geo.zoom = rec->geo.prev_zoom = zoom;
    rec->geo.modified = modified;
    rec->bits = DibBitCount(rec->picture);
    rec->path = path;
    rec->folder = PathFolder(path);
    rec->display_name = name;
    rec->from_jpeg = from_jpeg;
    rec->save_type = DefaultSaveType(from_jpeg, rec->bits);
    if (segments) rec->segments = std::move(*segments);
    rec->window_rect = OuterRect(*rec);
    HWND hwnd = MakeWindow(&rec);
    if (ImageRecord* made = RecordOf(hwnd)) SetTitle(hwnd, *made);
    return hwnd;
}

bool PathsEqual(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// --- the save dialog ---------------------------------------------------------------------

UINT_PTR CALLBACK SaveHook(HWND dlg, UINT msg, WPARAM, LPARAM lp) {
    if (msg != WM_NOTIFY) return 0;
    const OFNOTIFYA* n = reinterpret_cast<const OFNOTIFYA*>(lp);
    if (n->hdr.code != CDN_TYPECHANGE) return 0;
    HWND box = GetParent(dlg);
    char spec[MAX_PATH] = "";
    SendMessageA(box, CDM_GETSPEC, sizeof spec, reinterpret_cast<LPARAM>(spec));
    const std::string swapped = SwapSaveExtension(spec, static_cast<int>(n->lpOFN->nFilterIndex));
    SendMessageA(box, CDM_SETCONTROLTEXT, 0x480 /* edt1 */,
                 reinterpret_cast<LPARAM>(swapped.c_str()));
    return 0;
}

bool SystemSaveDialog(HWND owner, const std::string& initial, int* type, std::string* path) {
    char file[MAX_PATH] = "";
    lstrcpynA(file, initial.c_str(), sizeof file);
    const std::string folder = GetSetting(*Plat().settings, "dir", "");
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.hInstance = W().host.instance;
    ofn.lpstrFilter = kSaveFilters;
    ofn.nFilterIndex = static_cast<DWORD>(*type);
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = "Save As";
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLEHOOK |
                OFN_ENABLETEMPLATE | OFN_NOCHANGEDIR;
    ofn.lpfnHook = SaveHook;
    ofn.lpTemplateName = RegionalTemplateName(RegionalTemplate::kFileSave, RegionCode());
    if (!GetSaveFileNameA(&ofn)) return false;
    *type = static_cast<int>(ofn.nFilterIndex);
    *path = NameForSaveType(file, *type);
    Plat().settings->Set("dir", PathFolder(*path));
    return true;
}

// The picture at the depth a BMP type wants; empty after a failure's message. *same is set
// when the picture itself already fits.
DibImage AtDepth(const DibImage& pic, int bits, bool* same) {
    *same = false;
    const int have = DibBitCount(pic);
    if (DibCompression(pic) != kBiRgb) {
        ShowError(kMsgBitmapCreateFailed);
        return DibImage();
    }
    if (have == bits) {
        *same = true;
        return DibImage();
    }
    if (bits == 24) return ExpandTo24(pic);
    if (have == 24) return ReduceTo256(pic);
    DibImage wide = ExpandTo24(pic);
    return wide ? ReduceTo256(wide) : DibImage();
}

// The frame's encoder with its progress dialog, for the shared JPEG save.
struct CompressFor {
    HWND hwnd;
    const std::string* display_name;
};
int CompressWithHost(const DibImage& picture, const std::string& jpeg, int quality, void* context) {
    const CompressFor* c = static_cast<const CompressFor*>(context);
    return W().host.compress(c->hwnd, picture, jpeg, *c->display_name, quality);
}

bool WriteJpeg(HWND hwnd, ImageRecord* r, const std::string& path, int quality) {
    CompressFor context{hwnd, &r->display_name};
    JpegSaveEncoder encoder;
    encoder.encode = CompressWithHost;
    encoder.context = &context;
    return SaveDibAsJpeg(r->picture, path, quality, &r->segments,
                         W().host.compress ? &encoder : nullptr) != 0;
}

void TakeNewName(HWND hwnd, ImageRecord* r, const std::string& path) {
    r->path = path;
    r->folder = PathFolder(path);
    r->display_name = PathFileName(path);
    r->geo.modified = 0;
    SetTitle(hwnd, *r);
    InvalidateRect(hwnd, nullptr, FALSE);
}

// --- painting and the mouse ----------------------------------------------------------------

void Paint(HWND hwnd, ImageRecord* r) {
    ScopedPaint ps(hwnd);
    HDC dc = ps.dc();
    const DibImage& shown = r->display ? r->display : r->picture;
    ViewAxis ax = AxisX(hwnd, *r), ay = AxisY(hwnd, *r);
    const VisibleSpan vx = VisiblePart(ax), vy = VisiblePart(ay);
    {
        const bool foreground = GetForegroundWindow() == W().host.frame;
        ScopedSelectPalette pal(dc, r->palette.get(), foreground ? FALSE : TRUE);
        if (r->palette) RealizePalette(dc);
        if (vx.count > 0 && vy.count > 0) {
            // Source rows are counted from the bottom of the picture.
            const RECT dst{vx.at, vy.at, vx.at + vx.length, vy.at + vy.length};
            const int bottom = r->geo.height - (vy.first + vy.count);
            const RECT src{vx.first, bottom, vx.first + vx.count, bottom + vy.count};
            DrawDib(dc, shown, dst, src);
        }
    }
    if (r->selection || r->dragging) {
        const POINT a = r->start, b = r->end;
        RECT sel{ClientPointOf(ax, a.x < b.x ? a.x : b.x), ClientPointOf(ay, a.y < b.y ? a.y : b.y),
                 ClientPointOf(ax, a.x < b.x ? b.x : a.x),
                 ClientPointOf(ay, a.y < b.y ? b.y : a.y)};
        const int old = SetROP2(dc, R2_NOT);
        HGDIOBJ pen = SelectObject(dc, GetStockObject(BLACK_PEN));
        HGDIOBJ brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, sel.left, sel.top, sel.right + 1, sel.bottom + 1);
        SelectObject(dc, brush);
        SelectObject(dc, pen);
        SetROP2(dc, old);
    }
}

POINT PictureAt(HWND hwnd, const ImageRecord& r, LPARAM lp) {
    const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
    return POINT{PicturePointOf(AxisX(hwnd, r), x), PicturePointOf(AxisY(hwnd, r), y)};
}

void ShowPosition(const ImageRecord& r, const POINT& p) {
    char text[64];
    if (r.dragging) {
        SetStatus(1, "   Start Point", SBT_POPOUT);
        std::snprintf(text, sizeof text, "%5ld, %5ld", static_cast<long>(r.start.x),
                      static_cast<long>(r.start.y));
        SetStatus(2, text);
        SetStatus(3, "   Image Size", SBT_POPOUT);
        std::snprintf(text, sizeof text, "%5ld x %ld", static_cast<long>(labs(p.x - r.start.x)),
                      static_cast<long>(labs(p.y - r.start.y)));
        SetStatus(4, text);
    } else {
        SetStatus(1, "Mouse Position", SBT_POPOUT);
        std::snprintf(text, sizeof text, "%5ld, %5ld", static_cast<long>(p.x),
                      static_cast<long>(p.y));
        SetStatus(2, text);
    }
}

void Scroll(HWND hwnd, ImageRecord* r, int bar, int code, int thumb) {
    ViewAxis a = bar == SB_HORZ ? AxisX(hwnd, *r) : AxisY(hwnd, *r);
    int pos = a.scroll;
    const int line = r->dragging ? 1 : ScrollLine(a.client);
    switch (code) {
        case SB_LINEUP:
            pos -= line;
            break;
        case SB_LINEDOWN:
            pos += line;
            break;
        case SB_PAGEUP:
            pos -= a.client;
            break;
        case SB_PAGEDOWN:
            pos += a.client;
            break;
        case SB_THUMBPOSITION:
            pos = thumb;
            break;
        default:
            return;
    }
    pos = ClampScroll(a, pos);
    const int delta = pos - a.scroll;
    if (delta == 0) return;
    (bar == SB_HORZ ? r->scroll_x : r->scroll_y) = pos;
    SetScrollPos(hwnd, bar, pos, TRUE);
    if (bar == SB_HORZ)
        ScrollWindowEx(hwnd, -delta, 0, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
    else
        ScrollWindowEx(hwnd, 0, -delta, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
}

LRESULT OnCreate(HWND hwnd, LPARAM lp) {
    const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lp);
    const MDICREATESTRUCTA* mcs = reinterpret_cast<const MDICREATESTRUCTA*>(cs->lpCreateParams);
    auto* holder = reinterpret_cast<std::unique_ptr<ImageRecord>*>(mcs->lParam);
    if (!holder || !*holder) return -1;
    if (!BuildDisplay(hwnd, holder->get())) {
        ShowError(kMsgUnexpected);
        return -1;
    }
    AttachRecord(hwnd, std::move(*holder), kKindImage);
    ++W().count;
    return 0;
}

// The window stops being an image window here; its record goes with its last message.
void OnDestroy(HWND hwnd) {
    ImageWindows& w = W();
    if (w.tracked == hwnd) w.tracked = nullptr;
    ForgetUndoWindow(&TheUndoRecord(), hwnd);
    ForgetWindowKind(hwnd);
    if (--w.count <= 0) {
        w.count = 0;
        SetStatus(1, "");
        SetStatus(2, "");
    }
    StateChanged();
}

// The save question; true when the window may close.
bool MayClose(HWND hwnd, ImageRecord* r) {
    if (r->geo.modified == 0) return true;
    char title[512] = "";
    GetWindowTextA(hwnd, title, sizeof title);
    const int answer = ShowTaskModalBox(W().host.frame, hwnd, SaveQuestionText(title).c_str(),
                                        kAppTitle, MB_YESNOCANCEL | MB_ICONWARNING | MB_TASKMODAL);
    if (answer == IDNO) return true;
    if (answer != IDYES) return false;
    return SaveImageWindow(hwnd, true);
}

}  // namespace

const ImageWindowHost& ImageHost() {
    return W().host;
}

void SetImageWindowHost(const ImageWindowHost& host) {
    W().host = host;
}

void SetSaveDialogForTests(SaveDialogFn fn) {
    W().save_dialog = fn;
}

HWND CreateImageWindow(const std::string& bmp_path, const std::string& display_name) {
    DibImage pic = LoadBmpFile(bmp_path);
    if (!pic) return nullptr;
    return CreateImageWindow(std::move(pic), bmp_path, display_name, false);
}

HWND CreateImageWindow(DibImage pic, const std::string& original_path,
                       const std::string& display_name, bool from_jpeg) {
    DibLayout l;
    if (!GetDibLayout(pic, &l)) {
        ErrorBox(kCannotParse);
        return nullptr;
    }
    RECT client{0, 0, 0, 0};
    if (W().host.mdi_client) GetClientRect(W().host.mdi_client, &client);
    const int zoom = InitialZoom(l.header.width, l.header.height, client.right, client.bottom);
    KeptSegments segments;
    if (from_jpeg && !KeepCameraSegments(original_path, &segments)) segments = KeptSegments();
    return OpenPictureWindow(std::move(pic), original_path, display_name, from_jpeg, zoom, 0,
                             &segments);
}

bool IsImageWindow(HWND hwnd) {
    return RecordOf(hwnd) != nullptr;
}

bool ImageWindowIsModified(HWND hwnd) {
    ImageRecord* r = RecordOf(hwnd);
    return r && r->geo.modified != 0;
}

int ImageWindowZoom(HWND hwnd) {
    ImageRecord* r = RecordOf(hwnd);
    return r ? r->geo.zoom : 0;
}

std::string ImageWindowPath(HWND hwnd) {
    ImageRecord* r = RecordOf(hwnd);
    return r ? r->path : std::string();
}

const DibImage* ImageWindowPicture(HWND hwnd) {
    ImageRecord* r = RecordOf(hwnd);
    return r ? &r->picture : nullptr;
}

HWND FindImageWindowByPath(const std::string& path) {
    HWND mdi = W().host.mdi_client;
    if (!mdi) return nullptr;
    for (HWND c = GetWindow(mdi, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        ImageRecord* r = RecordOf(c);
        if (r && PathsEqual(r->path, path)) return c;
    }
    return nullptr;
}

int ImageWindowCount() {
    return W().count;
}

bool ImageWindowCanUndo(HWND hwnd) {
    return RecordOf(hwnd) && CanUndo(TheUndoRecord(), hwnd);
}

void SetImageSelection(HWND hwnd, int x0, int y0, int x1, int y1) {
    ImageRecord* r = RecordOf(hwnd);
    if (!r) return;
    r->start = POINT{x0, y0};
    r->end = POINT{x1, y1};
    r->selection = x0 != x1 && y0 != y1;
    InvalidateRect(hwnd, nullptr, FALSE);
    StateChanged();
}

bool ImageWindowHasSelection(HWND hwnd) {
    ImageRecord* r = RecordOf(hwnd);
    return r && r->selection;
}

bool ImageWindowSelectionRect(HWND hwnd, RECT* rect) {
    ImageRecord* r = RecordOf(hwnd);
    if (!r || !r->selection) return false;
    PixelRect part;
    const POINT a = r->start, b = r->end;
    if (!CutOutRect(a.x, a.y, b.x, b.y, r->geo.width, r->geo.height, r->geo.zoom, &part))
        return false;
    *rect = RECT{part.left, part.top, part.left + part.width, part.top + part.height};
    return true;
}

namespace {

// What every geometry command does first: the window at its normal size, and a picture whose
// depth the geometry takes (else its message). The record, or null.
ImageRecord* BeginGeometry(HWND hwnd) {
    ImageRecord* r = RecordOf(hwnd);
    if (!r) return nullptr;
    RestoreForEditing(hwnd);
    if (!GeometryDepthSupported(r->picture)) {
        ErrorBox(kBitsNotSupportedText);
        return nullptr;
    }
    return r;
}

}  // namespace

bool RotateImage(HWND hwnd, bool right) {
    ImageRecord* r = BeginGeometry(hwnd);
    if (!r) return false;
    DibImage old;
    {
        WaitCursor cursor;
        DibImage turned = RotateDib(r->picture, right);
        if (!turned || !InstallPicture(hwnd, r, std::move(turned), &old)) return false;
    }
    r->geo.rotation = NextRotation(r->geo.rotation, right);
    r->geo.last_turn = right ? kTurnRight : kTurnLeft;
    RecordPictureChange(&TheUndoRecord(), hwnd, std::move(old), r->geo.rotation);
    ClearSelection(hwnd, r);
    FitWindow(hwnd, r);
    return true;
}

bool ResizeImage(HWND hwnd, int width, int height) {
    ImageRecord* r = BeginGeometry(hwnd);
    if (!r) return false;
    const int old_w = r->geo.width, old_h = r->geo.height, old_zoom = r->geo.zoom;
    DibImage old;
    {
        WaitCursor cursor;
        DibImage resized = ResizeDib(r->picture, width, height);
        if (!resized || !InstallPicture(hwnd, r, std::move(resized), &old)) return false;
    }
    r->geo.prev_zoom = old_zoom;
    r->geo.zoom = kZoomActual;
    RecordResize(&TheUndoRecord(), hwnd, std::move(old), old_w, old_h, old_zoom);
    ClearSelection(hwnd, r);
    FitWindow(hwnd, r);
    return true;
}

bool InstallAdjustedPicture(HWND hwnd, DibImage picture) {
    ImageRecord* r = RecordOf(hwnd);
    if (!r || !picture) return false;
    RestoreForEditing(hwnd);
    DibImage old;
    if (!InstallPicture(hwnd, r, std::move(picture), &old)) return false;
    RecordPictureChange(&TheUndoRecord(), hwnd, std::move(old), kUndoAdjustment);
    FitWindow(hwnd, r);
    return true;
}

HWND CutOutImage(HWND hwnd) {
    if (!ImageWindowHasSelection(hwnd)) return nullptr;
    ImageRecord* r = BeginGeometry(hwnd);
    if (!r) return nullptr;
    PixelRect rect;
    const POINT a = r->start, b = r->end;
    if (!CutOutRect(a.x, a.y, b.x, b.y, r->geo.width, r->geo.height, r->geo.zoom, &rect))
        return nullptr;
    DibImage part = CutOutDib(r->picture, rect);
    if (!part) return nullptr;
    char name[32];
    std::snprintf(name, sizeof name, "Untitled %d", ++W().untitled);
    return OpenPictureWindow(std::move(part), r->folder + name, name, r->from_jpeg, r->geo.zoom, 1,
                             nullptr);
}

void SetImageZoom(HWND hwnd, int zoom) {
    ImageRecord* r = RecordOf(hwnd);
    if (!r || !IsZoomStep(zoom)) return;
    RestoreForEditing(hwnd);
    const int old = r->geo.zoom;
    r->geo.prev_zoom = old;
    r->geo.zoom = zoom;
    RecordZoomChange(&TheUndoRecord(), hwnd, zoom, old);
    r->scroll_x = r->scroll_y = 0;
    FitWindow(hwnd, r);
}

bool SaveImageAs(HWND hwnd, const std::string& path, int type) {
    ImageRecord* r = RecordOf(hwnd);
    if (!r) return false;
    HWND other = FindImageWindowByPath(path);
    if (other && other != hwnd) {
        ErrorBox(SavedElsewhereText(path).c_str());
        return false;
    }
    bool ok;
    {
        WaitCursor cursor;
        if (IsJpegSaveType(type)) {
            // An unchanged picture of a JPEG file is copied as it is for the standard and high
            // types.
            if (r->geo.modified == 0 && r->from_jpeg && type != kSaveJpegLow &&
                FileLength(r->path) > 0) {
                ok = PathsEqual(r->path, path) || CopyJpegFile(r->path, path) != 0;
            } else {
                ok = WriteJpeg(hwnd, r, path, SaveTypeQuality(type));
            }
            if (ok) r->from_jpeg = true;
        } else {
            bool same = false;
            DibImage converted = AtDepth(r->picture, SaveTypeBits(type), &same);
            const DibImage& out = same ? r->picture : converted;
            ok = (same || converted) && SaveBmpFile(path, out);
            if (ok) {
                if (!same) {
                    r->picture = std::move(converted);
                    BuildDisplay(hwnd, r);
                }
                r->from_jpeg = false;
                r->segments = KeptSegments();
            }
        }
    }
    if (!ok) return false;
    r->save_type = type;
    TakeNewName(hwnd, r, path);
    return true;
}

bool SaveImageWindow(HWND hwnd, bool save_as) {
    ImageRecord* r = RecordOf(hwnd);
    if (!r) return false;
    // A picture without a file of its own (a cut-out) is saved under a name the user gives.
    const bool has_file = HasExtension(r->path, ".jpg") || HasExtension(r->path, ".jpeg") ||
                          HasExtension(r->path, ".bmp");
    if (!save_as && has_file) {
        const int type = IsJpegSaveType(r->save_type) ? kSaveJpegStandard : r->save_type;
        if (IsJpegSaveType(type)) {
            bool ok;
            {
                WaitCursor cursor;
                ok = WriteJpeg(hwnd, r, r->path, SaveTypeQuality(kSaveJpegStandard));
            }
            if (ok) TakeNewName(hwnd, r, r->path);
            return ok;
        }
        return SaveImageAs(hwnd, r->path, type);
    }
    int type = r->save_type ? r->save_type : DefaultSaveType(r->from_jpeg, r->bits);
    std::string path;
    SaveDialogFn dialog = W().save_dialog ? W().save_dialog : SystemSaveDialog;
    if (!dialog(hwnd, r->path, &type, &path)) return false;
    return SaveImageAs(hwnd, path, type);
}

void RunImageCommand(HWND hwnd, int command) {
    ImageRecord* r = RecordOf(hwnd);
    if (!r) return;
    switch (command) {
        case IDM_SAVE:
            SaveImageWindow(hwnd, false);
            break;
        case IDM_SAVE_AS:
            SaveImageWindow(hwnd, true);
            break;
        case IDM_ADJUST:
            RunAdjustmentDialog(hwnd);
            break;
        case IDM_ZOOM25:
        case IDM_ZOOM50:
        case IDM_ZOOM100:
        case IDM_ZOOM200:
        case IDM_ZOOM400:
            SetImageZoom(hwnd, ZoomForCommand(command));
            break;
        case IDM_ROTATE_RIGHT:
        case IDM_ROTATE_LEFT:
            RotateImage(hwnd, command == IDM_ROTATE_RIGHT);
            break;
        case IDM_CUTOUT:
            CutOutImage(hwnd);
            break;
        case IDM_IMAGE_SIZE:
            RunImageSizeDialog(hwnd);
            break;
        case IDM_UNDO: {
            UndoRecord& u = TheUndoRecord();
            if (!CanUndo(u, hwnd)) break;
            RestoreForEditing(hwnd);
            const int answer =
                ShowTaskModalBox(W().host.frame, hwnd, "Back before photo image. Really?",
                                 "Undo Check Message", MB_YESNO | MB_ICONWARNING | MB_TASKMODAL);
            if (answer != IDYES) {
                InvalidateRect(hwnd, nullptr, FALSE);
                break;
            }
            const UndoResult done = UndoExchange(&u, hwnd, &r->geo, &r->picture);
            if (done == UndoResult::kPicture) BuildDisplay(hwnd, r);
            ClearSelection(hwnd, r);
            SetStatus(1, "");
            SetStatus(2, "");
            FitWindow(hwnd, r);
            break;
        }
        default:
            break;
    }
}

LRESULT CALLBACK ImageWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CREATE) return OnCreate(hwnd, lp);
    if (msg == WM_NCDESTROY) {
        FreeWindowRecord<ImageRecord>(hwnd);
        return DefMDIChildProcA(hwnd, msg, wp, lp);
    }
    ImageRecord* r = RecordOf(hwnd);
    if (!r) return DefMDIChildProcA(hwnd, msg, wp, lp);
    ImageWindows& w = W();
    switch (msg) {
        case WM_PAINT:
            Paint(hwnd, r);
            return 0;
        case WM_SIZE:
            if (wp != SIZE_MINIMIZED) UpdateScrollRanges(hwnd, r);
            break;
        case WM_HSCROLL:
            Scroll(hwnd, r, SB_HORZ, LOWORD(wp), static_cast<short>(HIWORD(wp)));
            return 0;
        case WM_VSCROLL:
            Scroll(hwnd, r, SB_VERT, LOWORD(wp), static_cast<short>(HIWORD(wp)));
            return 0;
        case WM_LBUTTONDOWN: {
            SetCapture(hwnd);
            w.tracked = hwnd;
            r->dragging = true;
            r->start = r->end = PictureAt(hwnd, *r, lp);
            r->selection = false;
            ShowPosition(*r, r->end);
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        }
        case WM_MOUSEMOVE: {
            if (w.tracked != hwnd) return 0;
            const POINT p = PictureAt(hwnd, *r, lp);
            if (r->dragging) {
                r->end = p;
                // Auto-scroll near the visible edges.
                const ViewAxis ax = AxisX(hwnd, *r), ay = AxisY(hwnd, *r);
                const int cx = static_cast<short>(LOWORD(lp)), cy = static_cast<short>(HIWORD(lp));
                if (cx < 5 && r->scroll_x > 0) Scroll(hwnd, r, SB_HORZ, SB_LINEUP, 0);
                if (cx > ax.client - 5 && r->scroll_x < ScrollMax(ax))
                    Scroll(hwnd, r, SB_HORZ, SB_LINEDOWN, 0);
                if (cy < 5 && r->scroll_y > 0) Scroll(hwnd, r, SB_VERT, SB_LINEUP, 0);
                if (cy > ay.client - 5 && r->scroll_y < ScrollMax(ay))
                    Scroll(hwnd, r, SB_VERT, SB_LINEDOWN, 0);
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            ShowPosition(*r, p);
            return 0;
        }
        case WM_LBUTTONUP: {
            if (!r->dragging || w.tracked != hwnd) return 0;
            ReleaseCapture();
            r->dragging = false;
            r->end = PictureAt(hwnd, *r, lp);
            if (r->start.x == r->end.x || r->start.y == r->end.y) {
                ClearSelection(hwnd, r);
            } else {
                r->selection = true;
                StateChanged();
            }
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        }
        case WM_KEYDOWN:
            if (wp == VK_ESCAPE) ClearSelection(hwnd, r);
            break;
        case WM_KILLFOCUS:
            // A selection belongs to the window that has the focus: going elsewhere drops it.
            if (r->dragging) ReleaseCapture();
            ClearSelection(hwnd, r);
            SetStatus(1, "");
            SetStatus(2, "");
            break;
        case WM_MDIACTIVATE:
            if (reinterpret_cast<HWND>(lp) == hwnd) {
                w.tracked = hwnd;
                SendMessageA(hwnd, kMsgRealizePalette, 0, 0);
            }
            StateChanged();
            break;
        case kMsgRealizePalette: {
            if (!r->palette) return 0;
            HDC dc = GetDC(hwnd);
            UINT changed;
            {
                ScopedSelectPalette pal(dc, r->palette.get(), FALSE);
                changed = RealizePalette(dc);
            }
            ReleaseDC(hwnd, dc);
            if (changed) InvalidateRect(hwnd, nullptr, FALSE);
            return changed != 0;
        }
        case WM_PALETTECHANGED:
            if (reinterpret_cast<HWND>(wp) != hwnd) InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_QUERYENDSESSION:
            return MayClose(hwnd, r) ? TRUE : FALSE;
        case WM_CLOSE:
            if (!MayClose(hwnd, r)) return 0;
            // The question is answered: the window goes without asking again.
            r->geo.modified = 0;
            break;
        case WM_DESTROY:
            OnDestroy(hwnd);
            break;
        default:
            break;
    }
    return DefMDIChildProcA(hwnd, msg, wp, lp);
}
