#include "album/win/album_window.h"

#include <commdlg.h>

#include <cstring>
#include <memory>

#include "album/album_layout.h"
#include "album/album_picture.h"
#include "base/dir.h"
#include "base/messages.h"
#include "base/path.h"
#include "base/platform.h"
#include "base/region.h"
#include "base/win/win_handles.h"
#include "base/win/window_record.h"
#include "codec/win/dib_win.h"
#include "codec/win/open_preview.h"

namespace {

constexpr int kCheckId = 0;
constexpr int kEditId = 1;
constexpr int kNameChars = 50;
constexpr size_t kClipboardPathBytes = 260;
constexpr size_t kAddResultBytes = 30720;

const char kRenameOpen[] =
    "File with same name is already opened.\nPlease close the file and rename again.";
const char kRenameTooLong[] = "Cannot change filename.\nPlease rename again.";
const char kRenameExists[] = "File with same name already exists.\nPlease rename again.";
const char kRenameFailed[] = "Filename change failed.";
const char kSavedElsewhere[] =
    "Could not be saved on %s. \nFile may have already been opened.\nSave under a different "
    "name or close the file and execute again.";
const char kUpdatedQuestion[] = "(%s) was updated!! Do you want to save?";

// One picture button: its controls and what it shows (the picture itself is in the album).
// The check box and the name field are made when the button first comes into view (a window
// costs much under Wine, and an album of 100 shows about a third of them); the sunken frame
// around the name is drawn by the button itself.
struct PictureButton {
    HWND hwnd = nullptr;
    HWND check = nullptr;  // the check box and the name field: both made, or neither
    HWND edit = nullptr;
    // The face and the date are made when the button is first drawn (see PaintButton).
    ScopedBitmap display;  // 96 x 72: the thumbnail centred on the button face
    ScopedPalette palette;
    CameraDate date;
    bool dated = false;
    std::string name_before;
    bool editing = false;
};

struct AlbumWindow {
    HWND hwnd = nullptr;
    Album album;
    std::vector<std::unique_ptr<PictureButton>> buttons;  // parallel to album.pictures
    int current = -1;
    int scroll_x = 0;
    int scroll_y = 0;
    int placed_x = 0;  // the offsets the buttons were last placed for
    int placed_y = 0;
    // While a run of pictures goes in (AddingBatch), the window's size, scrolling and the new
    // buttons' controls wait for its end: batch_from is the count it started from.
    int batch = 0;
    int batch_from = 0;
};

// What all album windows share: the shell's hooks, the picture button that keyboard input and
// the Edit menu act on (and the one before it), the counter of untitled albums, the camera
// transfer's album, the name edits' own procedure, and a drag in progress.
struct AlbumWindows {
    AlbumShellHooks hooks;
    HWND focused = nullptr;
    HWND previous_focused = nullptr;
    int untitled = 0;
    HWND transfer_album = nullptr;
    WNDPROC edit_proc = nullptr;
    bool in_rename = false;
    HWND drag_button = nullptr;
    HCURSOR drag_cursor = nullptr;
    HCURSOR cursor_before = nullptr;
};
AlbumWindows g_albums;

// The record of an album window (owned by the window), or none for any other window.
AlbumWindow* Find(HWND hwnd) {
    return RecordOfKind<AlbumWindow>(hwnd, kKindAlbum);
}

// Every open album window, in the MDI client's order.
std::vector<AlbumWindow*> OpenAlbums() {
    std::vector<AlbumWindow*> list;
    if (!g_albums.hooks.mdi_client) return list;
    for (HWND c = GetWindow(g_albums.hooks.mdi_client, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (AlbumWindow* w = Find(c)) list.push_back(w);
    return list;
}

// The album and index of a picture button (a child of its album window).
AlbumWindow* FindButton(HWND button, int* index) {
    if (!button || WindowKindOf(button) != kKindAlbumButton) return nullptr;
    AlbumWindow* w = Find(GetParent(button));
    if (!w) return nullptr;
    for (size_t i = 0; i < w->buttons.size(); ++i) {
        if (w->buttons[i]->hwnd == button) {
            if (index) *index = static_cast<int>(i);
            return w;
        }
    }
    return nullptr;
}

HINSTANCE Instance() {
    return GetModuleHandleA(nullptr);
}

std::string Format(const char* pattern, const std::string& value) {
    std::string out;
    const char* at = std::strstr(pattern, "%s");
    if (!at) return pattern;
    out.assign(pattern, at);
    out += value;
    out += at + 2;
    return out;
}

std::string WindowString(HWND hwnd, int limit) {
    std::vector<char> buf(static_cast<size_t>(limit) + 1, '\0');
    GetWindowTextA(hwnd, buf.data(), limit + 1);
    return buf.data();
}

AlbumSize ClientSize(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return AlbumSize{r.right - r.left, r.bottom - r.top};
}

// The client area with the space of any scroll bar shown now given back: the size the sizing
// rules work with, as ResizeTo sets sizes without the bars.
AlbumSize ClientWithoutBars(HWND hwnd) {
    AlbumSize s = ClientSize(hwnd);
    const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    if (style & WS_VSCROLL) s.width += GetSystemMetrics(SM_CXVSCROLL);
    if (style & WS_HSCROLL) s.height += GetSystemMetrics(SM_CYHSCROLL);
    return s;
}

// Outer size of an album window whose client area is client, with the style it has.
SIZE OuterSize(HWND hwnd, AlbumSize client) {
    RECT r{0, 0, client.width, client.height};
    DWORD style = hwnd ? static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE))
                       : static_cast<DWORD>(WS_OVERLAPPEDWINDOW);
    DWORD ex = hwnd ? static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE))
                    : static_cast<DWORD>(WS_EX_MDICHILD);
    AdjustWindowRectEx(&r, style & ~(WS_HSCROLL | WS_VSCROLL), FALSE, ex);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// Moves every button to its place for the scroll offsets. Buttons are made in their place, so
// only a scroll or a removal moves them.
void PlaceButtons(AlbumWindow* w, bool force = false) {
    if (!force && w->placed_x == w->scroll_x && w->placed_y == w->scroll_y) return;
    w->placed_x = w->scroll_x;
    w->placed_y = w->scroll_y;
    for (size_t i = 0; i < w->buttons.size(); ++i) {
        int x, y;
        AlbumButtonOrigin(static_cast<int>(i), &x, &y);
        SetWindowPos(w->buttons[i]->hwnd, nullptr, x - w->scroll_x, y - w->scroll_y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

LRESULT CALLBACK NameEditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// Makes the check box and the name field of picture p's button, once; false when a window could
// not be made (the button then stays without them and they are tried again later).
bool MakeControls(PictureButton* b, const AlbumPicture& p) {
    if (b->check) return true;
    HWND check =
        CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 10, 116, 15, 15,
                        b->hwnd, reinterpret_cast<HMENU>(kCheckId), Instance(), nullptr);
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL,
                                27, 114, 86, 20, b->hwnd, reinterpret_cast<HMENU>(kEditId),
                                Instance(), nullptr);
    if (!check || !edit) {
        if (check) DestroyWindow(check);
        if (edit) DestroyWindow(edit);
        return false;
    }
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    SendMessageA(edit, EM_LIMITTEXT, kNameChars, 0);
    WNDPROC old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NameEditProc)));
    if (!g_albums.edit_proc) g_albums.edit_proc = old;
    SetWindowTextA(edit, PathFileName(p.path).c_str());
    if (p.mark) SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
    b->check = check;
    b->edit = edit;
    return true;
}

// Whether button index lies (partly) within a client area of size client where it is placed.
bool InView(const AlbumWindow* w, int index, AlbumSize client) {
    int x, y;
    AlbumButtonOrigin(index, &x, &y);
    x -= w->placed_x;
    y -= w->placed_y;
    return x < client.width && y < client.height && x + kAlbumButtonWidth > 0 &&
           y + kAlbumButtonHeight > 0;
}

// Gives the buttons in view their controls (not while a run of pictures goes in).
void MakeControlsInView(AlbumWindow* w) {
    if (w->batch > 0) return;
    const AlbumSize client = ClientSize(w->hwnd);
    for (size_t i = 0; i < w->buttons.size(); ++i)
        if (!w->buttons[i]->check && InView(w, static_cast<int>(i), client))
            MakeControls(w->buttons[i].get(), w->album.pictures[i]);
}

// Scroll ranges for the wanted area, the offsets kept within them, the buttons moved and those
// that came into view given their controls.
void UpdateScrolling(AlbumWindow* w) {
    const AlbumSize wanted = AlbumWantedClientSize(static_cast<int>(w->album.pictures.size()));
    const AlbumSize client = ClientSize(w->hwnd);
    const int hmax = AlbumScrollMax(wanted.width, client.width, GetSystemMetrics(SM_CXVSCROLL));
    const int vmax = AlbumScrollMax(wanted.height, client.height, GetSystemMetrics(SM_CYHSCROLL));
    const int hlimit = wanted.width > client.width ? wanted.width - client.width : 0;
    const int vlimit = wanted.height > client.height ? wanted.height - client.height : 0;
    if (w->scroll_x > hlimit) w->scroll_x = hlimit;
    if (w->scroll_y > vlimit) w->scroll_y = vlimit;
    if (w->scroll_x < 0) w->scroll_x = 0;
    if (w->scroll_y < 0) w->scroll_y = 0;
    SetScrollRange(w->hwnd, SB_HORZ, 0, hmax, FALSE);
    SetScrollPos(w->hwnd, SB_HORZ, w->scroll_x, TRUE);
    SetScrollRange(w->hwnd, SB_VERT, 0, vmax, FALSE);
    SetScrollPos(w->hwnd, SB_VERT, w->scroll_y, TRUE);
    PlaceButtons(w);
    MakeControlsInView(w);
}

void ScrollIntoView(AlbumWindow* w) {
    if (w->current < 0) {
        UpdateScrolling(w);
        return;
    }
    int x, y;
    AlbumButtonOrigin(w->current, &x, &y);
    const AlbumSize client = ClientSize(w->hwnd);
    if (x - 5 < w->scroll_x) w->scroll_x = x - 5;
    if (x + kAlbumButtonWidth + 5 > w->scroll_x + client.width)
        w->scroll_x = x + kAlbumButtonWidth + 5 - client.width;
    if (y - 5 < w->scroll_y) w->scroll_y = y - 5;
    if (y + kAlbumButtonHeight + 5 > w->scroll_y + client.height)
        w->scroll_y = y + kAlbumButtonHeight + 5 - client.height;
    UpdateScrolling(w);
}

void ResizeTo(AlbumWindow* w, AlbumSize client) {
    // The size is that of a client area without scroll bars; UpdateScrolling shows them again
    // where the grid does not fit.
    ShowScrollBar(w->hwnd, SB_BOTH, FALSE);
    const SIZE outer = OuterSize(w->hwnd, client);
    SetWindowPos(w->hwnd, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// After pictures went in (from a count of previous): one step of the sizing rule from previous
// to the new count is the same as one step per picture.
void ResizeAfterAdd(AlbumWindow* w, int previous) {
    const int n = static_cast<int>(w->album.pictures.size());
    if (!IsIconic(w->hwnd) && !IsZoomed(w->hwnd))
        ResizeTo(w, AlbumClientAfterAdd(ClientWithoutBars(w->hwnd), previous, n));
    ScrollIntoView(w);
}

void ResizeAfterRemove(AlbumWindow* w) {
    if (IsZoomed(w->hwnd) && g_albums.hooks.mdi_client)
        SendMessageA(g_albums.hooks.mdi_client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(w->hwnd),
                     0);
    if (!IsIconic(w->hwnd))
        ResizeTo(w, AlbumClientAfterRemove(ClientWithoutBars(w->hwnd),
                                           static_cast<int>(w->album.pictures.size())));
    ScrollIntoView(w);
}

// Holds an album window's drawing and layout while a run of pictures goes in: the window is
// sized and scrolled, and the buttons in view get their controls, once at the end, and it is
// drawn whole then. (Sizing and scrolling at each picture moved every button again at each new
// row.) The progress dialog is a window of its own and goes on being drawn.
class AddingBatch {
public:
    explicit AddingBatch(HWND hwnd) : hwnd_(hwnd) {
        AlbumWindow* w = Find(hwnd_);
        if (!w) return;
        held_ = true;
        if (w->batch++ > 0) return;
        w->batch_from = static_cast<int>(w->album.pictures.size());
        SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    }
    ~AddingBatch() { End(); }
    // Ends the hold before the end of the scope (once).
    void End() {
        AlbumWindow* w = held_ ? Find(hwnd_) : nullptr;  // none when the window went meanwhile
        held_ = false;
        if (!w) return;
        if (w->batch > 1) {  // an outer run goes on
            --w->batch;
            return;
        }
        // Sized and scrolled while still held, so that only the buttons in view at the end
        // get their controls (not also those in view at the old offsets).
        if (static_cast<int>(w->album.pictures.size()) > w->batch_from)
            ResizeAfterAdd(w, w->batch_from);
        else
            UpdateScrolling(w);
        w->batch = 0;
        MakeControlsInView(w);
        SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(hwnd_, nullptr, nullptr,
                     RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    AddingBatch(const AddingBatch&) = delete;
    AddingBatch& operator=(const AddingBatch&) = delete;

private:
    HWND hwnd_;
    bool held_ = false;
};

void Repaint(HWND hwnd) {
    if (hwnd && IsWindow(hwnd)) InvalidateRect(hwnd, nullptr, TRUE);
}

// Makes picture index of the album current and focused.
void Select(AlbumWindow* w, int index, bool focus) {
    if (index < 0 || index >= static_cast<int>(w->buttons.size())) return;
    const HWND button = w->buttons[static_cast<size_t>(index)]->hwnd;
    w->current = index;
    if (g_albums.focused != button) {
        g_albums.previous_focused = g_albums.focused;
        g_albums.focused = button;
        Repaint(g_albums.previous_focused);
    }
    Repaint(button);
    if (focus) SetFocus(button);
    ScrollIntoView(w);
}

void MarkModified(AlbumWindow* w) {
    w->album.modified = true;
}

// --- Thumbnails and display bitmaps -----------------------------------------------------------

// The thumbnail of a picture the portable rules cannot scale (16 or 32 bits, RLE): drawn into
// a bitmap of its thumbnail size and read back at 24 bits.
DibImage ReadBackThumbnail(const DibImage& source) {
    const int32_t w = DibWidth(source), h = DibHeight(source);
    if (w <= 0 || h <= 0) return DibImage();
    int32_t tw, th;
    ThumbnailSize(w, h, &tw, &th);
    ScopedWindowDC screen(nullptr);
    ScopedMemoryDC mem(CreateCompatibleDC(screen.dc()));
    ScopedBitmap bitmap(CreateCompatibleBitmap(screen.dc(), tw, th));
    if (!mem || !bitmap) return DibImage();
    {
        ScopedSelect select(mem.get(), bitmap.get());
        const RECT dst{0, 0, tw, th};
        const RECT src{0, 0, w, h};
        if (!DrawDib(mem.get(), source, dst, src)) return DibImage();
    }
    return DibFromBitmap(bitmap.get(), nullptr, 0, 24);
}

// The 96 x 72 display bitmap: the thumbnail (reduced for a palette display) centred on the
// button face.
bool MakeDisplayBitmap(HWND album, const DibImage& thumb, ScopedBitmap* display,
                       ScopedPalette* palette) {
    DibImage reduced = ReduceForDisplay(album, thumb);
    const DibImage& shown = reduced ? reduced : thumb;
    ScopedPalette pal = MakeDibPalette(shown);
    ScopedWindowDC screen(nullptr);
    ScopedMemoryDC mem(CreateCompatibleDC(screen.dc()));
    ScopedBitmap bitmap(CreateCompatibleBitmap(screen.dc(), kThumbWidth, kThumbHeight));
    if (!mem || !bitmap) return false;
    {
        ScopedSelect select(mem.get(), bitmap.get());
        ScopedSelectPalette sp(mem.get(), pal.get(), FALSE);
        if (pal) RealizePalette(mem.get());
        const RECT all{0, 0, kThumbWidth, kThumbHeight};
        FillRect(mem.get(), &all, GetSysColorBrush(COLOR_BTNFACE));
        const int32_t w = DibWidth(shown), h = DibHeight(shown);
        const int x = (kThumbWidth - w) / 2, y = (kThumbHeight - h) / 2;
        const RECT dst{x, y, x + w, y + h};
        const RECT src{0, 0, w, h};
        SetStretchBltMode(mem.get(), COLORONCOLOR);
        if (!DrawDib(mem.get(), shown, dst, src)) return false;
    }
    *display = std::move(bitmap);
    *palette = std::move(pal);
    return true;
}

// --- The window ---------------------------------------------------------------------------

HWND CreateAlbumWindow(const std::string& title, int count) {
    if (!g_albums.hooks.mdi_client) {
        ShowError(kMsgAlbumCreateFailed);
        return nullptr;
    }
    auto record = std::make_unique<AlbumWindow>();
    const SIZE outer = OuterSize(nullptr, AlbumWantedClientSize(count));
    MDICREATESTRUCTA mcs{};
    mcs.szClass = kAlbumClass;
    mcs.szTitle = title.c_str();
    mcs.hOwner = Instance();
    mcs.x = mcs.y = CW_USEDEFAULT;
    mcs.cx = outer.cx;
    mcs.cy = outer.cy;
    mcs.style = WS_HSCROLL | WS_VSCROLL;
    // The window takes the record in its create message; one never taken goes with `record`.
    mcs.lParam = reinterpret_cast<LPARAM>(&record);
    HWND hwnd = reinterpret_cast<HWND>(
        SendMessageA(g_albums.hooks.mdi_client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
    if (!hwnd) {
        ShowError(kMsgAlbumCreateFailed);
        return nullptr;
    }
    // The size asked in the create message is not kept by every system: set it again.
    if (AlbumWindow* w = Find(hwnd)) {
        ResizeTo(w, AlbumWantedClientSize(count));
        UpdateScrolling(w);
    }
    return hwnd;
}

void DestroyAlbumWindow(HWND hwnd) {
    if (g_albums.hooks.mdi_client && IsWindow(hwnd))
        SendMessageA(g_albums.hooks.mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(hwnd), 0);
}

void ForgetWindow(HWND hwnd) {
    AlbumWindow* w = Find(hwnd);
    if (!w) return;
    for (auto& b : w->buttons) {
        if (g_albums.focused == b->hwnd) g_albums.focused = nullptr;
        if (g_albums.previous_focused == b->hwnd) g_albums.previous_focused = nullptr;
        if (g_albums.drag_button == b->hwnd) g_albums.drag_button = nullptr;
    }
    if (g_albums.transfer_album == hwnd) g_albums.transfer_album = nullptr;
    // No longer an album for anyone asking; the record itself goes with the last message.
    ForgetWindowKind(hwnd);
    if (g_albums.hooks.state_changed) g_albums.hooks.state_changed();
}

// Another open album window that keeps path, or none.
HWND AlbumWindowWithPath(const std::string& path, HWND except) {
    for (AlbumWindow* w : OpenAlbums())
        if (w->hwnd != except && !w->album.path.empty() && SameAlbumPath(w->album.path, path))
            return w->hwnd;
    return nullptr;
}

void BringForward(HWND hwnd) {
    if (IsIconic(hwnd) && g_albums.hooks.mdi_client)
        SendMessageA(g_albums.hooks.mdi_client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(hwnd), 0);
    if (g_albums.hooks.mdi_client)
        SendMessageA(g_albums.hooks.mdi_client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(hwnd), 0);
    SetFocus(hwnd);
}

std::string Folder(const std::string& path) {
    std::string f = PathFolder(path);
    if (f.size() > 1 && IsPathSeparator(f.back()) && f[f.size() - 2] != ':') f.pop_back();
    return f;
}

bool DefaultChooseSaveName(HWND owner, std::string* path) {
    char file[MAX_PATH] = "";
    const std::string initial = GetSetting(*Plat().settings, "dir", "");
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = "Album File(*.ALB)\0*.alb\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = initial.empty() ? nullptr : initial.c_str();
    ofn.lpstrTitle = "Save As";
    ofn.Flags =
        OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameA(&ofn)) return false;
    *path = file;
    return true;
}

// The Add Album File dialog: the program's open dialog with its preview.
bool DefaultChooseFiles(HWND owner, std::vector<std::string>* files) {
    OpenDialogRequest request;
    request.owner = owner;
    request.title = "Add Album File";
    request.filter =
        "JPEG Files(*.JPG)\0*.jpg\0Full Color BMP(*.BMP)\0*.bmp\0256 Color BMP(*.BMP)\0*.bmp\0";
    request.initial_folder = GetSetting(*Plat().settings, "dir", "");
    request.multiple = true;
    request.buffer_size = kAddResultBytes;
    bool too_long = false;
    if (!RunOpenDialogWithPreview(request, files, &too_long)) {
        if (too_long) ShowError(kMsgNameTooLong);
        return false;
    }
    AlbumAddOrder(files);
    return true;
}

// --- Rename in place ----------------------------------------------------------------------

void EndEditing(PictureButton* b, const std::string& shown) {
    SetWindowTextA(b->edit, shown.c_str());
    SendMessageA(b->edit, EM_SETREADONLY, TRUE, 0);
    b->editing = false;
}

void KeepEditing(PictureButton* b) {
    SetFocus(b->edit);
}

// Whether another picture of the album has path (a file that went missing keeps its place).
bool AlbumHoldsOther(const Album& album, const std::string& path, int index) {
    for (size_t i = 0; i < album.pictures.size(); ++i)
        if (static_cast<int>(i) != index && SameAlbumPath(album.pictures[i].path, path))
            return true;
    return false;
}

void FinishRename(AlbumWindow* w, int index) {
    PictureButton* b = w->buttons[static_cast<size_t>(index)].get();
    if (!b->editing || g_albums.in_rename) return;
    g_albums.in_rename = true;
    AlbumPicture& p = w->album.pictures[static_cast<size_t>(index)];
    const std::string text = WindowString(b->edit, kNameChars);
    const int region = RegionCode();
    if (text == b->name_before) {
        EndEditing(b, text);
    } else if (RenameTextForbidden(text, region)) {
        ShowErrorText(RenameForbiddenMessage(region));
        KeepEditing(b);
    } else {
        std::string new_path;
        if (!RenamedPath(p.path, text, &new_path)) {
            ShowErrorText(kRenameTooLong);
            KeepEditing(b);
        } else if (new_path == p.path) {
            EndEditing(b, PathFileName(p.path));
        } else if (!FileExists(p.path)) {
            ShowError(kMsgNoFile);
            EndEditing(b, b->name_before);
        } else if (FileExists(new_path) || AlbumHoldsOther(w->album, new_path, index)) {
            ShowErrorText(kRenameExists);
            KeepEditing(b);
        } else if (!MoveFileA(p.path.c_str(), new_path.c_str())) {
            ShowErrorText(kRenameFailed);
            KeepEditing(b);
        } else {
            p.path = new_path;
            EndEditing(b, PathFileName(new_path));
            MarkModified(w);
            g_albums.in_rename = false;
            SaveAlbum(w->hwnd);
            return;
        }
    }
    g_albums.in_rename = false;
}

LRESULT CALLBACK NameEditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    int index = -1;
    AlbumWindow* w = FindButton(GetParent(hwnd), &index);
    PictureButton* b = w ? w->buttons[static_cast<size_t>(index)].get() : nullptr;
    if (b && b->editing) {
        if (msg == WM_KEYDOWN && wp == VK_ESCAPE) {
            EndEditing(b, b->name_before);
            SetFocus(b->hwnd);
            return 0;
        }
        if (msg == WM_KEYDOWN && wp == VK_RETURN) {
            FinishRename(w, index);
            if (!b->editing) SetFocus(b->hwnd);
            return 0;
        }
        if (msg == WM_CHAR && (wp == '\r' || wp == 27)) return 0;
        if (msg == WM_KILLFOCUS) {
            LRESULT r = CallWindowProcA(g_albums.edit_proc, hwnd, msg, wp, lp);
            FinishRename(w, index);
            return r;
        }
    }
    return CallWindowProcA(g_albums.edit_proc, hwnd, msg, wp, lp);
}

void BeginRename(AlbumWindow* w, int index) {
    PictureButton* b = w->buttons[static_cast<size_t>(index)].get();
    if (b->editing || g_albums.in_rename) return;
    const std::string& path = w->album.pictures[static_cast<size_t>(index)].path;
    if (g_albums.hooks.image_window_for && g_albums.hooks.image_window_for(path)) {
        g_albums.in_rename = true;
        SetFocus(b->hwnd);
        ShowErrorText(kRenameOpen);
        g_albums.in_rename = false;
        return;
    }
    b->name_before = WindowString(b->edit, kNameChars);
    SendMessageA(b->edit, EM_SETREADONLY, FALSE, 0);
    b->editing = true;
}

// --- Painting ---------------------------------------------------------------------------------

void PaintButton(HWND hwnd) {
    ScopedPaint paint(hwnd);
    HDC dc = paint.dc();
    int index = -1;
    AlbumWindow* w = FindButton(hwnd, &index);
    if (!w) return;
    PictureButton* b = w->buttons[static_cast<size_t>(index)].get();
    // The face (the thumbnail as the display shows it) and the date read from the file are made
    // at the button's first drawing: an album of 100 shows about a third of its pictures, and
    // each costs trips to the window system and the disk that a run of pictures would
    // otherwise pay for all of them. A face that cannot be made is tried again at the next.
    const AlbumPicture& picture = w->album.pictures[static_cast<size_t>(index)];
    if (!b->display) MakeDisplayBitmap(w->hwnd, picture.thumbnail, &b->display, &b->palette);
    if (!b->dated) {
        b->date = PictureDate(picture.path);
        b->dated = true;
    }
    RECT r;
    GetClientRect(hwnd, &r);
    const bool focused = g_albums.focused == hwnd;
    if (focused) FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));

    // The border: raised for the others, sunken for the focused picture.
    auto line = [dc](int x0, int y0, int x1, int y1) {
        MoveToEx(dc, x0, y0, nullptr);
        LineTo(dc, x1, y1);
    };
    ScopedHandle<HGDIOBJ, DeleteGdiObject> light(
        CreatePen(PS_SOLID, 1, focused ? RGB(255, 255, 255) : GetSysColor(COLOR_BTNHIGHLIGHT)));
    ScopedHandle<HGDIOBJ, DeleteGdiObject> dark(
        CreatePen(PS_SOLID, 1, focused ? RGB(0, 0, 0) : GetSysColor(COLOR_BTNSHADOW)));
    const int right = r.right - 1, bottom = r.bottom - 1;
    {
        ScopedSelect pen(dc, focused ? dark.get() : light.get());
        for (int i = 0; i < 2; ++i) {
            line(i, i, right - i, i);
            line(i, i, i, bottom - i);
        }
    }
    {
        ScopedSelect pen(dc, focused ? light.get() : dark.get());
        for (int i = 0; i < 2; ++i) {
            line(i, bottom - i, right - i + 1, bottom - i);
            line(right - i, i, right - i, bottom - i);
        }
    }

    // The thumbnail in its frame.
    const RECT frame{16, 26, 115, 101};
    FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (b->display) {
        const bool foreground = focused && g_albums.hooks.mdi_client &&
                                reinterpret_cast<HWND>(SendMessageA(
                                    g_albums.hooks.mdi_client, WM_MDIGETACTIVE, 0, 0)) == w->hwnd;
        ScopedSelectPalette sp(dc, b->palette.get(), foreground ? FALSE : TRUE);
        if (b->palette) RealizePalette(dc);
        ScopedMemoryDC mem(CreateCompatibleDC(dc));
        if (mem) {
            ScopedSelect select(mem.get(), b->display.get());
            BitBlt(dc, 17, 27, kThumbWidth, kThumbHeight, mem.get(), 0, 0, SRCCOPY);
        }
    }

    // The sunken frame around the name field.
    RECT name_frame{26, 113, 114, 135};
    DrawEdge(dc, &name_frame, BDR_SUNKENOUTER, BF_RECT);

    // The date, centred in the top band (left-aligned and cut when it is wider).
    const std::string date = AlbumDateText(b->date, RegionCode());
    if (!date.empty()) {
        ScopedSelect font(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        RECT band{2, 2, r.right - 2, 18};
        RECT measure = band;
        DrawTextA(dc, date.c_str(), -1, &measure, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
        const UINT align =
            measure.right - measure.left > band.right - band.left ? DT_LEFT : DT_CENTER;
        DrawTextA(dc, date.c_str(), -1, &band, align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
}

// --- Dragging ---------------------------------------------------------------------------------

// The album window at a screen point: the window there, or the album that owns it.
HWND AlbumAt(POINT screen) {
    for (HWND h = WindowFromPoint(screen); h; h = GetParent(h))
        if (Find(h)) return h;
    return nullptr;
}

void EndDrag(bool drop, POINT screen) {
    const HWND button = g_albums.drag_button;
    g_albums.drag_button = nullptr;
    if (GetCapture() == button) ReleaseCapture();
    SetCursor(g_albums.cursor_before ? g_albums.cursor_before : LoadCursorA(nullptr, IDC_ARROW));
    g_albums.cursor_before = nullptr;
    g_albums.drag_cursor = nullptr;  // a resource cursor: shared, nothing to destroy
    if (!drop || !button) return;
    const HWND target = AlbumAt(screen);
    int index = -1;
    AlbumWindow* source = FindButton(button, &index);
    if (!source || !target || target == source->hwnd) return;
    DropPicture(button, target);
}

LRESULT ButtonCommand(HWND hwnd, WPARAM wp) {
    int index = -1;
    AlbumWindow* w = FindButton(hwnd, &index);
    if (!w) return 0;
    const int id = LOWORD(wp), code = HIWORD(wp);
    if (id == kCheckId && code == BN_CLICKED) {
        PictureButton* b = w->buttons[static_cast<size_t>(index)].get();
        const bool on = SendMessageA(b->check, BM_GETCHECK, 0, 0) == BST_CHECKED;
        w->album.pictures[static_cast<size_t>(index)].mark = on;
        MarkModified(w);
    } else if (id == kEditId && code == EN_SETFOCUS) {
        if (w->current != index || g_albums.focused != hwnd) Select(w, index, false);
        BeginRename(w, index);
    }
    return 0;
}

}  // namespace

// --- Public -------------------------------------------------------------------------------

void SetAlbumShellHooks(const AlbumShellHooks& hooks) {
    g_albums.hooks = hooks;
}
AlbumShellHooks& AlbumShell() {
    return g_albums.hooks;
}

bool IsAlbumWindow(HWND hwnd) {
    return Find(hwnd) != nullptr;
}
const Album* AlbumOfWindow(HWND album) {
    AlbumWindow* w = Find(album);
    return w ? &w->album : nullptr;
}
bool AlbumHasCurrentPicture(HWND album) {
    AlbumWindow* w = Find(album);
    return w && w->current >= 0;
}
HWND AlbumCurrentButton(HWND album) {
    AlbumWindow* w = Find(album);
    return w && w->current >= 0 ? w->buttons[static_cast<size_t>(w->current)]->hwnd : nullptr;
}
HWND AlbumButtonAt(HWND album, int index) {
    AlbumWindow* w = Find(album);
    if (!w || index < 0 || index >= static_cast<int>(w->buttons.size())) return nullptr;
    return w->buttons[static_cast<size_t>(index)]->hwnd;
}
HWND FocusedPictureButton() {
    return g_albums.focused;
}
bool ClipboardHasAlbumPicture() {
    return IsClipboardFormatAvailable(CF_TEXT) && IsClipboardFormatAvailable(CF_DIB);
}

HWND NewAlbum() {
    char title[32];
    std::snprintf(title, sizeof title, "Album %d", ++g_albums.untitled);
    return CreateAlbumWindow(title, 0);
}

HWND OpenAlbum(const std::string& path) {
    Plat().prompts->SetCursor(CursorKind::kHourglass);
    struct Arrow {
        ~Arrow() { Plat().prompts->SetCursor(CursorKind::kArrow); }
    } arrow;
    uint8_t marks[kAlbumCapacity];
    ReadAlbumMarks(path, marks);
    AlbumInput in;
    if (!OpenAlbumInput(path, &in)) return nullptr;
    AlbumHeader header;
    if (!ReadAlbumHeader(&in, &header)) return nullptr;
    if (HWND open = AlbumWindowWithPath(path, nullptr)) {
        ShowError(kMsgAlreadyOpen);
        BringForward(open);
        return open;
    }
    HWND hwnd = CreateAlbumWindow(PathFileName(path), header.count);
    if (!hwnd) return nullptr;
    AddingBatch batch(hwnd);
    for (int i = 0; i < header.count; ++i) {
        std::string picture;
        DibImage thumb;
        const bool mark =
            header.version != kAlbumVersionNoMarks && i < kAlbumCapacity && marks[i] != 0;
        if (!ReadPictureRecord(&in, &picture, &thumb) || !AddPicture(hwnd, picture, thumb, mark)) {
            DestroyAlbumWindow(hwnd);
            return nullptr;
        }
    }
    AlbumWindow* w = Find(hwnd);
    w->album.path = path;
    w->album.modified = false;
    return hwnd;
}

HWND AddPicture(HWND album, const std::string& path, const DibImage& source, bool mark) {
    AlbumWindow* w = Find(album);
    if (!w) {
        ShowError(kMsgAlbumCreateFailed2);
        return nullptr;
    }
    const int refusal = AlbumAddRefusal(w->album, path);
    if (refusal >= 0) {
        ShowError(refusal);
        return nullptr;
    }
    AlbumPicture picture;
    picture.path = path;
    picture.mark = mark;
    auto b = std::make_unique<PictureButton>();
    picture.thumbnail = ThumbnailFromSource(source);
    if (!picture.thumbnail) picture.thumbnail = ReadBackThumbnail(source);
    if (!picture.thumbnail || !IsAlbumThumbnail(picture.thumbnail)) {
        ShowError(kMsgBitmapCreateFailed);
        return nullptr;
    }

    const int index = static_cast<int>(w->album.pictures.size());
    int x, y;
    AlbumButtonOrigin(index, &x, &y);
    HWND button = CreateWindowExA(0, kAlbumButtonClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                  x - w->scroll_x, y - w->scroll_y, kAlbumButtonWidth,
                                  kAlbumButtonHeight, album, nullptr, Instance(), nullptr);
    if (!button) {
        ShowError(kMsgAlbumCreateFailed2);
        return nullptr;
    }
    b->hwnd = button;
    // Alone, the picture gets its controls at once; in a run, the buttons in view get theirs
    // at its end.
    if (w->batch == 0 && !MakeControls(b.get(), picture)) {
        DestroyWindow(button);
        ShowError(kMsgAlbumCreateFailed2);
        return nullptr;
    }
    // The button's record stays the album's (the album owns its entries); the button only
    // points at it.
    SetWindowLongPtrA(button, kWordRecord, reinterpret_cast<LONG_PTR>(b.get()));
    SetWindowLongPtrA(button, kWordKind, kKindAlbumButton);

    w->album.pictures.push_back(std::move(picture));
    w->buttons.push_back(std::move(b));
    w->current = index;
    // The picture the Edit menu acts on follows the album being filled.
    if (!g_albums.focused || FindButton(g_albums.focused, nullptr) == w) {
        g_albums.previous_focused = g_albums.focused;
        g_albums.focused = button;
        Repaint(g_albums.previous_focused);
    }
    MarkModified(w);
    if (w->batch == 0) ResizeAfterAdd(w, index);
    return button;
}

void AddPictureFiles(HWND album) {
    AlbumWindow* w = Find(album);
    if (!w) return;
    std::vector<std::string> files;
    const bool chosen = g_albums.hooks.choose_files ? g_albums.hooks.choose_files(album, &files)
                                                    : DefaultChooseFiles(album, &files);
    if (!chosen || files.empty()) return;
    Plat().settings->Set("dir", Folder(files.front()));
    AddingBatch adding(album);
    // One progress dialog for the whole run instead of one a file.
    struct Batch {
        bool on;
        explicit Batch(bool several) : on(several && g_albums.hooks.progress_batch) {
            if (on) g_albums.hooks.progress_batch(true);
        }
        ~Batch() { End(); }
        void End() {
            if (on) g_albums.hooks.progress_batch(false);
            on = false;
        }
    } batch(files.size() > 1);
    for (const std::string& f : files) {
        if (!Find(album)) return;
        if (w->album.pictures.size() >= static_cast<size_t>(kAlbumCapacity)) {
            // Said over the album as it now stands, drawn whole, the progress dialog gone.
            batch.End();
            adding.End();
            ShowError(kMsgAlbumFull);
            return;
        }
        DibImage source = LoadAlbumSource(f, g_albums.hooks.decode_jpeg);
        if (!source) continue;
        AddPicture(album, f, source, false);
    }
}

bool RemoveCurrentPicture() {
    int index = -1;
    AlbumWindow* w = FindButton(g_albums.focused, &index);
    if (!w) return false;
    HWND button = g_albums.focused;
    g_albums.focused = nullptr;
    if (g_albums.previous_focused == button) g_albums.previous_focused = nullptr;
    w->album.pictures.erase(w->album.pictures.begin() + index);
    std::unique_ptr<PictureButton> gone = std::move(w->buttons[static_cast<size_t>(index)]);
    w->buttons.erase(w->buttons.begin() + index);
    DestroyWindow(button);
    gone.reset();
    MarkModified(w);
    const int n = static_cast<int>(w->buttons.size());
    w->current = n == 0 ? -1 : index < n ? index : n - 1;
    if (w->current >= 0) {
        g_albums.focused = w->buttons[static_cast<size_t>(w->current)]->hwnd;
        Repaint(g_albums.focused);
    }
    PlaceButtons(w, true);
    ResizeAfterRemove(w);
    return true;
}

bool CopyCurrentPicture() {
    int index = -1;
    AlbumWindow* w = FindButton(g_albums.focused, &index);
    if (!w) {
        ShowError(kMsgNoAlbumSelected);
        return false;
    }
    const AlbumPicture& p = w->album.pictures[static_cast<size_t>(index)];
    if (!OpenClipboard(w->hwnd)) {
        ShowError(kMsgClipboardOpen);
        return false;
    }
    EmptyClipboard();
    bool ok = false;
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, p.thumbnail.size());
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kClipboardPathBytes);
    if (dib && text) {
        void* d = GlobalLock(dib);
        char* t = static_cast<char*>(GlobalLock(text));
        if (d && t) {
            std::memcpy(d, p.thumbnail.data(), p.thumbnail.size());
            std::memcpy(
                t, p.path.data(),
                p.path.size() < kClipboardPathBytes ? p.path.size() : kClipboardPathBytes - 1);
            ok = true;
        }
        if (d) GlobalUnlock(dib);
        if (t) GlobalUnlock(text);
    }
    // The clipboard owns what it took; what it did not take is freed here.
    if (ok && SetClipboardData(CF_DIB, dib)) dib = nullptr;
    if (ok && SetClipboardData(CF_TEXT, text)) text = nullptr;
    if (dib) GlobalFree(dib);
    if (text) GlobalFree(text);
    CloseClipboard();
    if (!ok) ShowError(kMsgNoMemory);
    return ok;
}

bool CutCurrentPicture() {
    if (!CopyCurrentPicture()) return false;
    return RemoveCurrentPicture();
}

bool PastePicture(HWND album) {
    if (!Find(album)) return false;
    if (!OpenClipboard(album)) {
        ShowError(kMsgClipboardOpen);
        return false;
    }
    if (!IsClipboardFormatAvailable(CF_TEXT) || !IsClipboardFormatAvailable(CF_DIB)) {
        CloseClipboard();
        ShowError(kMsgClipboardEmpty);
        return false;
    }
    DibImage dib;
    std::string path;
    bool memory = true;
    HANDLE dh = GetClipboardData(CF_DIB);
    HANDLE th = GetClipboardData(CF_TEXT);
    const void* d = dh ? GlobalLock(dh) : nullptr;
    const char* t = th ? static_cast<const char*>(GlobalLock(th)) : nullptr;
    if (d && t) {
        const size_t size = GlobalSize(dh);
        memory = size > 0 && dib.block.Allocate(size);
        if (memory) std::memcpy(dib.data(), d, size);
        path.assign(t, strnlen(t, GlobalSize(th) < kClipboardPathBytes ? GlobalSize(th)
                                                                       : kClipboardPathBytes));
    }
    if (d) GlobalUnlock(dh);
    if (t) GlobalUnlock(th);
    CloseClipboard();
    if (!d || !t) {
        ShowError(kMsgClipboardEmpty);
        return false;
    }
    if (!memory) {
        ShowError(kMsgNoMemory);
        return false;
    }
    return AddPicture(album, path, dib, false) != nullptr;
}

bool DropPicture(HWND button, HWND target_album) {
    int index = -1;
    AlbumWindow* source = FindButton(button, &index);
    AlbumWindow* target = Find(target_album);
    if (!source || !target || source == target) return false;
    const AlbumPicture& p = source->album.pictures[static_cast<size_t>(index)];
    const std::string path = p.path;
    DibImage thumb = CopyDib(p.thumbnail);
    if (!thumb) return false;
    if (!AddPicture(target_album, path, thumb, false)) return false;
    if (g_albums.hooks.mdi_client)
        SendMessageA(g_albums.hooks.mdi_client, WM_MDIACTIVATE,
                     reinterpret_cast<WPARAM>(target_album), 0);
    return true;
}

void OpenPicture(HWND button) {
    int index = -1;
    AlbumWindow* w = FindButton(button, &index);
    if (!w) return;
    const std::string path = w->album.pictures[static_cast<size_t>(index)].path;
    if (HWND shown =
            g_albums.hooks.image_window_for ? g_albums.hooks.image_window_for(path) : nullptr) {
        ShowError(kMsgAlreadyOpen);
        BringForward(shown);
        return;
    }
    if (!FileExists(path)) {
        ShowError(kMsgNoFile);
        return;
    }
    if (PictureKindOf(path) == PictureKind::kOther) {
        ShowError(kMsgNoCorrespondence);
        return;
    }
    if (g_albums.hooks.open_image) g_albums.hooks.open_image(path);
}

int SaveAlbumAs(HWND album) {
    AlbumWindow* w = Find(album);
    if (!w) return 0;
    std::string chosen;
    const bool ok = g_albums.hooks.choose_save_name
                        ? g_albums.hooks.choose_save_name(album, &chosen)
                        : DefaultChooseSaveName(album, &chosen);
    if (!ok || chosen.empty()) return 0;
    const std::string path = AlbumSaveName(chosen);
    Plat().settings->Set("dir", Folder(path));
    if (AlbumWindowWithPath(path, album)) {
        ShowErrorText(Format(kSavedElsewhere, path));
        return 0;
    }
    if (!WriteAlbum(&w->album, path)) return 0;
    SetWindowTextA(album, PathFileName(path).c_str());
    return 1;
}

int SaveAlbum(HWND album) {
    AlbumWindow* w = Find(album);
    if (!w) return 0;
    if (w->album.path.empty()) return SaveAlbumAs(album);
    return WriteAlbum(&w->album, w->album.path);
}

bool AlbumMayClose(HWND album) {
    AlbumWindow* w = Find(album);
    if (!w || !w->album.modified) return true;
    const std::string title = WindowString(album, 260);
    const int answer =
        Plat().prompts->ShowBox(Format(kUpdatedQuestion, title), CurrentMessages().box_title,
                                BoxStyle::kYesNoCancel, BoxOwner::kFocus);
    if (answer == kBoxYes) return SaveAlbum(album) == 1;
    return answer == kBoxNo;
}

bool CreateTransferAlbum() {
    g_albums.transfer_album = NewAlbum();
    return g_albums.transfer_album != nullptr;
}

bool AddFileToTransferAlbum(const std::string& path) {
    if (!Find(g_albums.transfer_album)) {
        ShowError(kMsgAlbumCreateFailed);
        return false;
    }
    DibImage source = LoadAlbumSource(path, g_albums.hooks.decode_jpeg);
    if (!source) return false;
    return AddPicture(g_albums.transfer_album, path, source, false) != nullptr;
}

LRESULT CALLBACK AlbumChildProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CREATE: {
            const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lp);
            const auto* mcs = static_cast<const MDICREATESTRUCTA*>(cs->lpCreateParams);
            auto* holder = reinterpret_cast<std::unique_ptr<AlbumWindow>*>(mcs->lParam);
            if (!holder || !*holder) return -1;
            AttachRecord(hwnd, std::move(*holder), kKindAlbum)->hwnd = hwnd;
            break;
        }
        case WM_NCDESTROY:
            FreeWindowRecord<AlbumWindow>(hwnd);
            break;
        case WM_MDIACTIVATE: {
            AlbumWindow* w = Find(hwnd);
            const bool activated = reinterpret_cast<HWND>(lp) == hwnd;
            if (activated && w) {
                // The Edit menu acts on the active album: its current picture, or none.
                const HWND button =
                    w->current >= 0 ? w->buttons[static_cast<size_t>(w->current)]->hwnd : nullptr;
                if (g_albums.focused != button) {
                    g_albums.previous_focused = g_albums.focused;
                    g_albums.focused = button;
                    Repaint(g_albums.previous_focused);
                    Repaint(button);
                }
            }
            if (g_albums.hooks.state_changed) g_albums.hooks.state_changed();
            break;
        }
        case WM_SIZE:
            if (AlbumWindow* w = Find(hwnd)) UpdateScrolling(w);
            break;
        case WM_HSCROLL:
        case WM_VSCROLL: {
            AlbumWindow* w = Find(hwnd);
            if (!w) break;
            int& pos = msg == WM_HSCROLL ? w->scroll_x : w->scroll_y;
            const int page = msg == WM_HSCROLL ? ClientSize(hwnd).width : ClientSize(hwnd).height;
            switch (LOWORD(wp)) {
                case SB_LINEUP:
                    pos -= 20;
                    break;
                case SB_LINEDOWN:
                    pos += 20;
                    break;
                case SB_PAGEUP:
                    pos -= page;
                    break;
                case SB_PAGEDOWN:
                    pos += page;
                    break;
                case SB_THUMBTRACK:
                case SB_THUMBPOSITION:
                    pos = HIWORD(wp);
                    break;
                default:
                    break;
            }
            UpdateScrolling(w);
            return 0;
        }
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
            if (HWND button = AlbumCurrentButton(hwnd)) return SendMessageA(button, msg, wp, lp);
            break;
        case WM_SETFOCUS:
            if (HWND button = AlbumCurrentButton(hwnd)) SetFocus(button);
            break;
        case WM_QUERYENDSESSION:
            return AlbumMayClose(hwnd) ? TRUE : FALSE;
        case WM_CLOSE:
            if (!AlbumMayClose(hwnd)) return 0;
            DestroyAlbumWindow(hwnd);
            return 0;
        case WM_DESTROY:
            ForgetWindow(hwnd);
            break;
        default:
            break;
    }
    return DefMDIChildProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK AlbumPictureButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT:
            PaintButton(hwnd);
            return 0;
        case WM_COMMAND:
            return ButtonCommand(hwnd, wp);
        case WM_LBUTTONDOWN: {
            int index = -1;
            AlbumWindow* w = FindButton(hwnd, &index);
            if (!w) break;
            Select(w, index, true);
            g_albums.drag_button = hwnd;
            SetCapture(hwnd);
            g_albums.drag_cursor = LoadCursorA(GetModuleHandleA(nullptr), "DropCursor");
            g_albums.cursor_before = SetCursor(
                g_albums.drag_cursor ? g_albums.drag_cursor : LoadCursorA(nullptr, IDC_ARROW));
            return 0;
        }
        case WM_LBUTTONUP:
            if (g_albums.drag_button == hwnd) {
                POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
                ClientToScreen(hwnd, &pt);
                EndDrag(true, pt);
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (g_albums.drag_button == hwnd) EndDrag(false, POINT{});
            break;
        case WM_LBUTTONDBLCLK:
            OpenPicture(hwnd);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_KEYDOWN: {
            int index = -1;
            AlbumWindow* w = FindButton(hwnd, &index);
            if (!w) break;
            const int n = static_cast<int>(w->buttons.size());
            int target = -1;
            switch (wp) {
                case VK_LEFT:
                    target = AlbumKeyTarget(index, n, AlbumKey::kLeft);
                    break;
                case VK_RIGHT:
                    target = AlbumKeyTarget(index, n, AlbumKey::kRight);
                    break;
                case VK_UP:
                    target = AlbumKeyTarget(index, n, AlbumKey::kUp);
                    break;
                case VK_DOWN:
                    target = AlbumKeyTarget(index, n, AlbumKey::kDown);
                    break;
                case VK_RETURN:
                    OpenPicture(hwnd);
                    return 0;
                default:
                    return 0;
            }
            if (target >= 0) Select(w, target, true);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}
