#include "codec/win/open_preview.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "base/dir.h"
#include "base/files.h"
#include "base/path.h"
#include "base/platform.h"
#include "base/prompts.h"
#include "base/region.h"
#include "base/settings.h"
#include "codec/bmp_file.h"
#include "codec/jpeg_codec.h"
#include "codec/win/dib_win.h"
#include "res/resource.h"

namespace {

struct PreviewDialog {
    const OpenDialogRequest* request = nullptr;
    HWND hook = nullptr;
    int box = kPreviewOff;
    DibImage picture;
};

PreviewDialog* g_open = nullptr;

int PrevOnSetting() {
    if (!Plat().settings) return 0;
    return GetSetting(*Plat().settings, "PrevOn", "0") == "0" ? 0 : 1;
}

void SetBox(PreviewDialog& d, int state) {
    d.box = state;
    CheckDlgButton(d.hook, IDC_OPEN_PREVIEW_CHECK, static_cast<UINT>(state));
    InvalidateRect(GetDlgItem(d.hook, IDC_OPEN_PREVIEW_BOX), nullptr, TRUE);
}

void ClearPicture(PreviewDialog& d) {
    d.picture = DibImage();
    InvalidateRect(GetDlgItem(d.hook, IDC_OPEN_PREVIEW_BOX), nullptr, TRUE);
}

// The picture of a file, without a word to the user when it cannot be read.
bool LoadPicture(PreviewDialog& d, const std::string& path) {
    d.picture = DibImage();
    if (path.empty() || !FileExists(path)) return false;
    char head[2] = {0, 0};
    {
        ScopedFile f(OpenFileBinary(path, "rb"));
        if (!f || std::fread(head, 1, 2, f.get()) != 2) return false;
    }
    SilentPrompts silent;
    Platform quiet = Plat();
    quiet.prompts = &silent;
    ScopedPlatform scope(quiet);
    if (head[0] == 'B' && head[1] == 'M') {
        d.picture = LoadBmpFile(path);
    } else {
        if (DecodeJpegToDib(path, 0, JpegProgress{}, &d.picture) != 1) return false;
    }
    return static_cast<bool>(d.picture);
}

bool NoPreviewFilter(const PreviewDialog& d, int index) {
    const std::vector<int>& none = d.request->no_preview_filters;
    return std::find(none.begin(), none.end(), index) != none.end();
}

// The selected file and how many items are selected (0 when none).
std::string SelectedFile(HWND dlg, int* count) {
    char spec[2048] = "";
    *count = 0;
    if (SendMessageA(dlg, CDM_GETSPEC, sizeof spec, reinterpret_cast<LPARAM>(spec)) <= 0) return "";
    std::string first = spec;
    if (spec[0] == '"') {
        // Several names, each in quotes.
        int quotes = 0;
        for (const char* p = spec; *p; ++p) quotes += *p == '"';
        *count = quotes / 2;
        const size_t end = first.find('"', 1);
        first = first.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    } else {
        *count = first.empty() ? 0 : 1;
    }
    if (first.empty()) return "";
    char folder[MAX_PATH] = "";
    if (SendMessageA(dlg, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder)) <= 0)
        return first;
    return FolderWithSeparator(folder) + first;
}

bool IsAlbumName(const std::string& path) {
    return HasExtension(path, ".alb");
}

// Shows the selected file when the box is on; the box follows the result.
void FollowSelection(PreviewDialog& d) {
    if (d.box == kPreviewOff) return;
    HWND dlg = GetParent(d.hook);
    int count = 0;
    const std::string path = SelectedFile(dlg, &count);
    if (path.empty() || count > 2) return;
    if (IsAlbumName(path)) {
        ClearPicture(d);
        SetBox(d, kPreviewWaiting);
        return;
    }
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const bool shown = LoadPicture(d, path);
    SetCursor(old);
    SetBox(d, shown ? kPreviewShown : kPreviewWaiting);
}

void BoxClicked(PreviewDialog& d) {
    if (d.box != kPreviewOff) {
        ClearPicture(d);
        SetBox(d, kPreviewOff);
        return;
    }
    HWND dlg = GetParent(d.hook);
    int count = 0;
    const std::string path = SelectedFile(dlg, &count);
    bool shown = false;
    if (!path.empty() && !IsAlbumName(path)) {
        HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
        shown = LoadPicture(d, path);
        SetCursor(old);
    }
    SetBox(d, shown ? kPreviewShown : kPreviewWaiting);
}

// The picture inside a 5-pixel margin in the menu colour, its proportions kept.
void DrawPreview(const PreviewDialog& d, const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT all = item.rcItem;
    FillRect(dc, &all, GetSysColorBrush(COLOR_MENU));
    if (!d.picture || d.box != kPreviewShown) return;
    RECT inner = {all.left + 5, all.top + 5, all.right - 5, all.bottom - 5};
    const int64_t bw = inner.right - inner.left;
    const int64_t bh = inner.bottom - inner.top;
    const int64_t pw = DibWidth(d.picture);
    const int64_t ph = DibHeight(d.picture);
    if (bw <= 0 || bh <= 0 || pw <= 0 || ph <= 0) return;
    int64_t w = bw;
    int64_t h = ph * bw / pw;
    if (h > bh) {
        h = bh;
        w = pw * bh / ph;
    }
    w = std::max<int64_t>(w, 1);
    h = std::max<int64_t>(h, 1);
    RECT dst;
    dst.left = static_cast<LONG>(inner.left + (bw - w) / 2);
    dst.top = static_cast<LONG>(inner.top + (bh - h) / 2);
    dst.right = static_cast<LONG>(dst.left + w);
    dst.bottom = static_cast<LONG>(dst.top + h);
    const RECT src = {0, 0, static_cast<LONG>(pw), static_cast<LONG>(ph)};
    ScopedPalette palette = MakeDibPalette(d.picture);
    HPALETTE old = nullptr;
    if (palette) {
        old = SelectPalette(dc, palette.get(), FALSE);
        RealizePalette(dc);
    }
    SetStretchBltMode(dc, COLORONCOLOR);
    DrawDib(dc, d.picture, dst, src);
    if (old) SelectPalette(dc, old, FALSE);
}

UINT_PTR CALLBACK PreviewHook(HWND hook, UINT msg, WPARAM wp, LPARAM lp) {
    PreviewDialog* d = reinterpret_cast<PreviewDialog*>(GetWindowLongPtrA(hook, GWLP_USERDATA));
    switch (msg) {
        case WM_INITDIALOG: {
            const OPENFILENAMEA* ofn = reinterpret_cast<const OPENFILENAMEA*>(lp);
            d = reinterpret_cast<PreviewDialog*>(ofn->lCustData);
            SetWindowLongPtrA(hook, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(d));
            d->hook = hook;
            SetBox(*d, PrevOnSetting() ? kPreviewWaiting : kPreviewOff);
            return TRUE;
        }
        case WM_COMMAND:
            if (d && LOWORD(wp) == IDC_OPEN_PREVIEW_CHECK && HIWORD(wp) == BN_CLICKED) {
                BoxClicked(*d);
                return TRUE;
            }
            break;
        case WM_DRAWITEM:
            if (d && wp == IDC_OPEN_PREVIEW_BOX) {
                DrawPreview(*d, *reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
                return TRUE;
            }
            break;
        case WM_NOTIFY: {
            if (!d) break;
            const OFNOTIFYA* note = reinterpret_cast<const OFNOTIFYA*>(lp);
            switch (note->hdr.code) {
                case CDN_SELCHANGE:
                    FollowSelection(*d);
                    break;
                case CDN_TYPECHANGE:
                    if (d->box != kPreviewOff &&
                        NoPreviewFilter(*d, static_cast<int>(note->lpOFN->nFilterIndex))) {
                        ClearPicture(*d);
                        SetBox(*d, kPreviewWaiting);
                    }
                    break;
                case CDN_FILEOK:
                    if (Plat().settings) Plat().settings->Set("PrevOn", std::to_string(d->box));
                    break;
                default:
                    break;
            }
            break;
        }
        default:
            break;
    }
    return 0;
}

}  // namespace

bool RunOpenDialogWithPreview(const OpenDialogRequest& request, std::vector<std::string>* files,
                              bool* too_long) {
    files->clear();
    if (too_long) *too_long = false;
    const size_t size = std::max<size_t>(request.buffer_size, MAX_PATH);
    std::string buffer(size + 2, '\0');
    PreviewDialog d;
    d.request = &request;
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = request.owner;
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.lpstrFilter = request.filter;
    ofn.nFilterIndex = static_cast<DWORD>(request.filter_index);
    ofn.lpstrFile = &buffer[0];
    ofn.nMaxFile = static_cast<DWORD>(size);
    ofn.lpstrInitialDir = request.initial_folder.empty() ? nullptr : request.initial_folder.c_str();
    ofn.lpstrTitle = request.title;
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_LONGNAMES | OFN_HIDEREADONLY |
                OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_NOCHANGEDIR;
    if (request.multiple) ofn.Flags |= OFN_ALLOWMULTISELECT;
    ofn.lpfnHook = PreviewHook;
    ofn.lpTemplateName = RegionalTemplateName(RegionalTemplate::kFileOpen, RegionCode());
    ofn.lCustData = reinterpret_cast<LPARAM>(&d);
    PreviewDialog* outer = g_open;
    g_open = &d;
    const BOOL ok = GetOpenFileNameA(&ofn);
    g_open = outer;
    if (!ok) {
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL && too_long) *too_long = true;
        return false;
    }
    *files = FilesOfOpenResult(buffer.data(), size);
    return !files->empty();
}

HWND OpenPreviewDialog() {
    return g_open && g_open->hook ? GetParent(g_open->hook) : nullptr;
}
