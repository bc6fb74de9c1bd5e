// The open dialog: the system's explorer-style dialog with our template below it, a three-state
// "Preview:" box (off, showing, waiting) and the picture of the selected file drawn inside a
// 5-pixel margin. A JPEG file is decoded for the preview into a temporary BMP file of the
// dialog, deleted when the dialog ends. Making a preview says nothing when it fails.
#include <windows.h>
#include <commdlg.h>

#include <string>

#include "base/dir.h"
#include "base/path.h"
#include "base/platform.h"
#include "base/region.h"
#include "base/settings.h"
#include "base/tempfile.h"
#include "base/win/win_handles.h"
#include "codec/bmp_file.h"
#include "codec/jpeg_codec.h"
#include "codec/win/dib_win.h"
#include "edit/adjust.h"
#include "edit/file_kind.h"
#include "edit/image_view.h"
#include "edit/win/image_window.h"
#include "res/resource.h"

namespace {

constexpr int kAlbumFilter = 3;

struct OpenPreview {
    int state = 0;
    ScopedTempFile bmp;
    DibImage picture;
    ScopedPalette palette;
    std::string selected;
};

bool MakePreview(OpenPreview* p) {
    p->picture.block.Reset();
    p->palette.reset();
    if (p->selected.empty() || !FileExists(p->selected)) return false;
    SilentPrompts silent;
    Platform quiet = Plat();
    quiet.prompts = &silent;
    ScopedPlatform scope(quiet);
    DibImage pic;
    switch (DetectFileKind(p->selected)) {
        case kFileJpeg:
            if ((!p->bmp.name().empty() || p->bmp.Make()) &&
                DecodeJpegFile(p->selected, p->bmp.name(), 0, JpegProgress()))
                pic = LoadBmpFile(p->bmp.name());
            break;
        case kFileBmp:
            pic = LoadBmpFile(p->selected);
            break;
        default:
            return false;
    }
    DibLayout l;
    if (!pic || !GetDibLayout(pic, &l)) return false;
    p->picture = std::move(pic);
    if (DibColorCount(p->picture) > 0) p->palette = MakeDibPalette(p->picture);
    return true;
}

void Show(HWND dlg, OpenPreview* p) {
    CheckDlgButton(dlg, IDC_OPEN_PREVIEW_CHECK, static_cast<UINT>(p->state));
    InvalidateRect(GetDlgItem(dlg, IDC_OPEN_PREVIEW), nullptr, TRUE);
}

void Draw(const DRAWITEMSTRUCT* di, const OpenPreview& p) {
    FillRect(di->hDC, &di->rcItem, GetSysColorBrush(COLOR_MENU));
    if (p.state != 1 || !p.picture) return;
    const int fw = di->rcItem.right - di->rcItem.left - 10;
    const int fh = di->rcItem.bottom - di->rcItem.top - 10;
    const int pw = DibWidth(p.picture), ph = DibHeight(p.picture);
    if (fw <= 0 || fh <= 0 || pw <= 0 || ph <= 0) return;
    // The whole picture, as large as fits, centred.
    int w = fw, h = static_cast<int>(static_cast<int64_t>(fw) * ph / pw);
    if (h > fh) {
        h = fh;
        w = static_cast<int>(static_cast<int64_t>(fh) * pw / ph);
    }
    const int x = di->rcItem.left + 5 + (fw - w) / 2, y = di->rcItem.top + 5 + (fh - h) / 2;
    ScopedSelectPalette pal(di->hDC, p.palette.get(), FALSE);
    if (p.palette) RealizePalette(di->hDC);
    DrawDib(di->hDC, p.picture, RECT{x, y, x + w, y + h}, RECT{0, 0, pw, ph});
}

UINT_PTR CALLBACK OpenHook(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    OpenPreview* p = reinterpret_cast<OpenPreview*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG: {
            const OPENFILENAMEA* ofn = reinterpret_cast<const OPENFILENAMEA*>(lp);
            p = reinterpret_cast<OpenPreview*>(ofn->lCustData);
            SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(p));
            Show(dlg, p);
            return TRUE;
        }
        case WM_NOTIFY: {
            if (!p) return 0;
            const OFNOTIFYA* n = reinterpret_cast<const OFNOTIFYA*>(lp);
            if (n->hdr.code == CDN_SELCHANGE || n->hdr.code == CDN_TYPECHANGE) {
                char file[MAX_PATH] = "";
                const LRESULT got = SendMessageA(GetParent(dlg), CDM_GETFILEPATH, sizeof file,
                                                 reinterpret_cast<LPARAM>(file));
                p->selected = got > 0 ? file : "";
                if (p->state != 0) {
                    const bool album =
                        HasExtension(p->selected, ".alb") || n->lpOFN->nFilterIndex == kAlbumFilter;
                    Plat().prompts->SetCursor(CursorKind::kHourglass);
                    const bool made = !album && MakePreview(p);
                    Plat().prompts->SetCursor(CursorKind::kArrow);
                    p->state = PreviewBoxAfterSelection(p->state, album, made);
                    Show(dlg, p);
                }
            } else if (n->hdr.code == CDN_FILEOK) {
                Plat().settings->Set("PrevOn", std::to_string(p->state));
            }
            return 0;
        }
        case WM_COMMAND:
            if (p && LOWORD(wp) == IDC_OPEN_PREVIEW_CHECK && HIWORD(wp) == BN_CLICKED) {
                const bool made = p->state == 0 && MakePreview(p);
                p->state = PreviewBoxAfterClick(p->state, made);
                Show(dlg, p);
                return TRUE;
            }
            return 0;
        case WM_DRAWITEM:
            if (p && wp == IDC_OPEN_PREVIEW) {
                Draw(reinterpret_cast<const DRAWITEMSTRUCT*>(lp), *p);
                return TRUE;
            }
            return 0;
        default:
            return 0;
    }
}

}  // namespace

bool OpenFileDialog(HWND owner, std::string* path, std::string* name) {
    OpenPreview preview;
    const std::string on = GetSetting(*Plat().settings, "PrevOn", "0");
    preview.state = on.empty() || on == "0" ? 0 : 2;
    char file[MAX_PATH] = "";
    char title[MAX_PATH] = "";
    const std::string folder = GetSetting(*Plat().settings, "dir", "");
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.hInstance = ImageHost().instance;
    ofn.lpstrFilter =
        "JPEG Files(*.JPG)\0*.jpg\0Bitmap Files(*.BMP)\0*.bmp\0Album Files(*.ALB)\0*.alb\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = sizeof title;
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_LONGNAMES | OFN_HIDEREADONLY |
                OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_NOCHANGEDIR;
    ofn.lpfnHook = OpenHook;
    ofn.lpTemplateName = RegionalTemplateName(RegionalTemplate::kFileOpen, RegionCode());
    ofn.lCustData = reinterpret_cast<LPARAM>(&preview);
    if (!GetOpenFileNameA(&ofn)) return false;
    // The file may have gone while the dialog was open.
    if (!FileExists(file)) return false;
    Plat().settings->Set("dir", PathFolder(file));
    *path = file;
    *name = title;
    return true;
}
