// The slide show's windows; see slide_show_win.h. The show keeps its state in one record
// owned by the show window (GWLP_USERDATA) and freed when the window goes. The timer starts
// only after a picture was drawn, so the display time counts from the end of drawing; while
// it runs, the next picture of the order is loaded ahead, so that a short display time is
// spent loading rather than waiting for the system timer.
//
// Loading pumps messages (the decoder lets the user's input through). Whatever arrives while a
// picture is loaded is kept and acted on once the loading is over: ending the show, a toolbar
// command, the timer, a paint. Nothing frees the record under the loading.
#include "slideshow/win/slide_show_win.h"

#include <commctrl.h>
#include <commdlg.h>

#include <memory>

#include "base/dir.h"
#include "base/messages.h"
#include "base/path.h"
#include "base/platform.h"
#include "base/prompts.h"
#include "base/settings.h"
#include "base/time_source.h"
#include "base/win/win_handles.h"
#include "codec/win/dib_win.h"
#include "res/resource.h"
#include "slideshow/slide_show.h"

namespace {

struct SlideShow {
    HWND window = nullptr;
    HWND toolbar = nullptr;
    std::string album;
    std::vector<std::string> paths;
    SlideOrder order;
    SlideRandom random;
    SlideSettings settings;
    bool playing = true;
    bool pointer_mode = false;
    bool pointer_shown = true;
    bool drawing = false;  // a picture is being loaded (messages are pumped meanwhile)
    bool pending = false;
    bool timer_running = false;
    bool ending = false;
    // What arrived while drawing, acted on afterwards.
    bool end_requested = false;
    bool window_gone = false;  // destroyed from outside while loading: freed after it
    bool timer_due = false;
    int deferred_command = 0;
    // The next picture of the order, loaded ahead while the current one is shown.
    bool next_ready = false;
    bool take_next = false;  // the pending picture is the one loaded ahead
    SlideOrder next_order;
    SlideRandom next_random;
    DibImage next_picture;
    DibImage picture;  // the picture on the screen
    ScopedPalette palette;
    RECT drawn{};
    int draws = 0;
    ScopedBitmap bitmaps[9];
};

SlideShow* g_show = nullptr;  // the one running show (owned by its window)

HINSTANCE Instance() {
    return GetModuleHandleA(nullptr);
}

uint32_t Tick() {
    return Plat().time->TickCount();
}

void SetPointer(SlideShow* s, bool show) {
    if (show == s->pointer_shown) return;
    s->pointer_shown = show;
    ShowCursor(show ? TRUE : FALSE);
}

void StopTimer(SlideShow* s) {
    KillTimer(s->window, kSlideTimer);
    s->timer_running = false;
}

void StartTimer(SlideShow* s) {
    if (s->order.count <= 1) return;
    SetTimer(s->window, kSlideTimer, SlideIntervalMs(s->settings.speed), nullptr);
    s->timer_running = true;
}

void CloseToolbar(SlideShow* s) {
    if (!s->toolbar) return;
    HWND t = s->toolbar;
    s->toolbar = nullptr;
    DestroyWindow(t);
}

// Ends the show: timer off, toolbar gone, pointer back, window destroyed. While a picture
// is being loaded the show ends once the loading is over.
void EndShow(SlideShow* s) {
    if (s->drawing) {
        s->end_requested = true;
        return;
    }
    if (s->ending) return;
    s->ending = true;
    StopTimer(s);
    CloseToolbar(s);
    SetPointer(s, true);
    DestroyWindow(s->window);
}

// Ends the show with a message, the window hidden first.
void EndWithMessage(SlideShow* s, int index) {
    SetPointer(s, true);
    ShowWindow(s->window, SW_HIDE);
    if (index >= 0) ShowError(index);
    EndShow(s);
}

void ShowPending(SlideShow* s) {
    s->pending = true;
    s->take_next = false;
    InvalidateRect(s->window, nullptr, TRUE);
}

void DropNext(SlideShow* s) {
    s->next_ready = false;
    s->next_picture = DibImage();
}

// The next entry of the order; the picture loaded ahead for it when there is one.
void NextImage(SlideShow* s) {
    StopTimer(s);
    const bool ahead = s->next_ready;
    if (ahead) {
        s->order = s->next_order;
        s->random = s->next_random;
    } else {
        NextSlide(&s->order, Tick(), &s->random);
    }
    ShowPending(s);
    s->take_next = ahead;
}

bool IsPictureName(const std::string& path) {
    return HasExtension(path, ".jpg") || HasExtension(path, ".jpeg") || HasExtension(path, ".bmp");
}

// A loaded picture as the display shows it: a 256-colour display gets it reduced to its
// palette.
DibImage ForDisplay(SlideShow* s, DibImage picture) {
    if (!picture) return picture;
    DibImage reduced = ReduceForDisplay(s->window, picture);
    return reduced ? std::move(reduced) : std::move(picture);
}

// Loads the picture of the entry after the current one, without a word: a file that cannot be
// had is left for the step itself, which says why. The order's step is taken on copies and
// kept with the picture, so the step that shows it lands on the same entry.
void LoadNext(SlideShow* s) {
    DropNext(s);
    const SlideShowHooks& hooks = SlideShowShell();
    if (!hooks.load_picture) return;
    SlideOrder order = s->order;
    SlideRandom random = s->random;
    NextSlide(&order, Tick(), &random);
    if (order.current < 0 || order.current >= static_cast<int>(s->paths.size())) return;
    const std::string path = s->paths[order.current];
    if (!FileExists(path) || !IsPictureName(path)) return;
    DibImage picture;
    {
        SilentPrompts silent;
        Platform quiet = Plat();
        quiet.prompts = &silent;
        ScopedPlatform scope(quiet);
        picture = hooks.load_picture(path);
    }
    if (!picture || s->window_gone) return;
    s->next_picture = ForDisplay(s, std::move(picture));
    s->next_order = std::move(order);
    s->next_random = random;
    s->next_ready = true;
}

void Command(SlideShow* s, int id);

// What arrived while a picture was loaded: the end of the show first, then a paint that had
// to wait, then a command or the timer.
void AfterDrawing(SlideShow* s) {
    if (s->end_requested) {
        s->end_requested = false;
        EndShow(s);
        return;
    }
    if (s->pending) InvalidateRect(s->window, nullptr, TRUE);
    const int command = s->deferred_command;
    s->deferred_command = 0;
    const bool timer = s->timer_due;
    s->timer_due = false;
    // Last: a command may end the show.
    if (command != 0) {
        Command(s, command);
    } else if (timer && s->timer_running) {
        NextImage(s);
    }
}

void DrawPicture(SlideShow* s, HDC dc) {
    RECT client;
    GetClientRect(s->window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (!s->picture) return;
    const int w = DibWidth(s->picture);
    const int h = DibHeight(s->picture) < 0 ? -DibHeight(s->picture) : DibHeight(s->picture);
    SlideRect r = SlidePlacement(client.right, client.bottom, w, h, s->settings.size);
    ScopedSelectPalette selected(dc, s->palette.get(), FALSE);
    if (s->palette.get()) RealizePalette(dc);
    DrawDib(dc, s->picture, RECT{r.x, r.y, r.x + r.width, r.y + r.height}, RECT{0, 0, w, h});
    s->drawn = {r.x, r.y, r.x + r.width, r.y + r.height};
    ++s->draws;
}

// The paint of a pending picture: load it (a missing file, another kind of file or a failed
// load ends the show) or take the one loaded ahead, draw it and, while playing, start the
// timer and load the next one.
void Paint(SlideShow* s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(s->window, &ps);
    if (s->drawing) {
        // Reached from the loading's own message pump: the picture comes when it is loaded.
        EndPaint(s->window, &ps);
        return;
    }
    bool failed = false;
    bool drawn = false;
    int message = -1;
    if (s->pending && s->order.current >= 0) {
        s->pending = false;
        s->drawing = true;
        const std::string path = s->paths[s->order.current];
        if (!FileExists(path)) {
            failed = true;
            message = kMsgNoFile;
        } else if (!IsPictureName(path)) {
            failed = true;
            message = kMsgNoCorrespondence;
        } else if (s->take_next && s->next_ready) {
            s->picture = std::move(s->next_picture);
        } else {
            const SlideShowHooks& hooks = SlideShowShell();
            DibImage loaded = hooks.load_picture ? hooks.load_picture(path) : DibImage();
            failed = !loaded;
            if (!failed && !s->window_gone) s->picture = ForDisplay(s, std::move(loaded));
        }
        s->take_next = false;
        DropNext(s);
        if (!failed && !s->end_requested && !s->window_gone) {
            s->palette = MakeDibPalette(s->picture);
            DrawPicture(s, dc);
            drawn = true;
            if (s->playing) StartTimer(s);
        }
    } else {
        DrawPicture(s, dc);
    }
    EndPaint(s->window, &ps);
    // The next picture is loaded ahead unless the user has asked for something meanwhile.
    if (drawn && s->playing && s->order.count > 1 && !s->end_requested && !s->window_gone &&
        s->deferred_command == 0)
        LoadNext(s);
    s->drawing = false;
    if (s->window_gone) {
        delete s;
        return;
    }
    if (failed && !s->end_requested) {
        EndWithMessage(s, message);
        return;
    }
    AfterDrawing(s);
}

void Begin(SlideShow* s) {
    std::vector<std::string> paths;
    const SlideShowHooks& hooks = SlideShowShell();
    if (!hooks.read_album || !hooks.read_album(s->album, &paths)) {
        EndWithMessage(s, -1);
        return;
    }
    if (paths.empty()) {
        SetPointer(s, true);
        ShowWindow(s->window, SW_HIDE);
        ShowErrorText("This album has no images.");
        EndShow(s);
        return;
    }
    s->paths.swap(paths);
    const uint32_t tick = Tick();
    SeedSlideRandom(&s->random, hooks.random_seed ? hooks.random_seed : tick);
    if (!StartSlideOrder(&s->order, static_cast<int>(s->paths.size()), s->settings.type, tick)) {
        EndWithMessage(s, -1);
        return;
    }
    ShowPending(s);
}

void UpdatePointer(SlideShow* s) {
    SetPointer(s, s->toolbar != nullptr || s->pointer_mode);
}

void Command(SlideShow* s, int id) {
    switch (id) {
        case IDC_SLD_POINTER:
            s->pointer_mode = !s->pointer_mode;
            UpdatePointer(s);
            break;
        case IDC_SLD_SIZE:
            StopTimer(s);
            s->settings.size = s->settings.size == kSlideFit ? kSlideOriginal : kSlideFit;
            if (s->order.type == kSlideRandom) NextSlide(&s->order, Tick(), &s->random);
            ShowPending(s);
            break;
        case IDC_SLD_PREV:
            if (s->order.count <= 1) break;
            StopTimer(s);
            PreviousSlide(&s->order, Tick(), &s->random);
            ShowPending(s);
            break;
        case IDC_SLD_PLAY:
            if (s->playing) {
                StopTimer(s);
                s->playing = false;
            } else {
                StartTimer(s);
                s->playing = true;
            }
            break;
        case IDC_SLD_NEXT:
            NextImage(s);
            break;
        case IDC_SLD_EXIT:
            EndShow(s);
            return;
        default:
            return;
    }
    if (s->toolbar) InvalidateRect(s->toolbar, nullptr, TRUE);
}

int BitmapFor(const SlideShow* s, int id) {
    switch (id) {
        case IDC_SLD_POINTER:
            return s->pointer_mode ? IDB_SLD_CURSOR_OFF : IDB_SLD_CURSOR_ON;
        case IDC_SLD_SIZE:
            return s->settings.size == kSlideFit ? IDB_SLD_SCRN_STD : IDB_SLD_SCRN_BIG;
        case IDC_SLD_PREV:
            return IDB_SLD_PREV;
        case IDC_SLD_PLAY:
            return s->playing ? IDB_SLD_PAUSE : IDB_SLD_PLAY;
        case IDC_SLD_NEXT:
            return IDB_SLD_NEXT;
        default:
            return IDB_SLD_EXIT;
    }
}

void DrawButton(SlideShow* s, const DRAWITEMSTRUCT* item) {
    const int resource = BitmapFor(s, static_cast<int>(item->CtlID));
    ScopedBitmap& cached = s->bitmaps[resource - IDB_SLD_CURSOR_ON];
    if (!cached.get()) cached.reset(LoadBitmapA(Instance(), MAKEINTRESOURCEA(resource)));
    if (!cached.get()) return;
    HDC mem = CreateCompatibleDC(item->hDC);
    if (!mem) return;
    HGDIOBJ old = SelectObject(mem, cached.get());
    const int half = (item->itemState & ODS_SELECTED) ? 48 : 0;
    const RECT& r = item->rcItem;
    SetStretchBltMode(item->hDC, COLORONCOLOR);
    StretchBlt(item->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, mem, half, 0, 48, 48,
               SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

INT_PTR CALLBACK ToolbarProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    SlideShow* s = g_show;
    switch (msg) {
        case WM_INITDIALOG: {
            HMENU sys = GetSystemMenu(dlg, FALSE);
            if (sys) {
                DeleteMenu(sys, SC_SIZE, MF_BYCOMMAND);
                DeleteMenu(sys, SC_MAXIMIZE, MF_BYCOMMAND);
            }
            if (s) SetPointer(s, true);
            SetCursorPos(10, 10);
            return TRUE;
        }
        case WM_DRAWITEM:
            if (s) DrawButton(s, reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
            return TRUE;
        case WM_COMMAND: {
            if (!s) return FALSE;
            const int id = LOWORD(wp);
            if (id == IDCANCEL) {
                CloseToolbar(s);
                UpdatePointer(s);
                return TRUE;
            }
            if (HIWORD(wp) != BN_CLICKED) return FALSE;
            // The show acts on it once a picture being loaded is there.
            InvalidateRect(dlg, nullptr, TRUE);
            PostMessageA(s->window, WM_COMMAND, static_cast<WPARAM>(id), 0);
            return TRUE;
        }
        case WM_SETCURSOR:
            if (s) SetPointer(s, true);
            return FALSE;
        default:
            return FALSE;
    }
}

void ToggleToolbar(SlideShow* s) {
    if (s->toolbar) {
        CloseToolbar(s);
        UpdatePointer(s);
        return;
    }
    s->toolbar = CreateDialogParamA(Instance(), "VIEWMENUDLG", s->window, ToolbarProc, 0);
    if (s->toolbar) ShowWindow(s->toolbar, SW_SHOW);
}

INT_PTR CALLBACK OptionsProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG: {
            const SlideSettings s = ReadOptionsSettings(*Plat().settings);
            CheckRadioButton(dlg, IDC_SLIDE_FULL, IDC_SLIDE_ORIGINAL, IDC_SLIDE_FULL + s.size);
            CheckRadioButton(dlg, IDC_SLIDE_STANDARD, IDC_SLIDE_RANDOM,
                             IDC_SLIDE_STANDARD + s.type);
            HWND bar = GetDlgItem(dlg, IDC_SLIDE_SPEED);
            SendMessageA(bar, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
            SendMessageA(bar, TBM_SETTICFREQ, 1, 0);
            SendMessageA(bar, TBM_SETLINESIZE, 0, 1);
            SendMessageA(bar, TBM_SETPOS, TRUE, s.speed);
            // The arrow keys move the track bar: it has the focus.
            SetFocus(bar);
            RECT r;
            GetWindowRect(dlg, &r);
            const int w = r.right - r.left, h = r.bottom - r.top;
            SetWindowPos(dlg, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                         (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return FALSE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK) {
                SlideSettings s;
                const LRESULT pos = SendDlgItemMessageA(dlg, IDC_SLIDE_SPEED, TBM_GETPOS, 0, 0);
                s.speed = pos < 0 ? 0 : pos > 10 ? 10 : static_cast<int>(pos);
                s.size = IsDlgButtonChecked(dlg, IDC_SLIDE_FULL) == BST_CHECKED ? kSlideFit
                                                                                : kSlideOriginal;
                s.type = IsDlgButtonChecked(dlg, IDC_SLIDE_STANDARD) == BST_CHECKED ? kSlideStandard
                                                                                    : kSlideRandom;
                WriteSlideSettings(*Plat().settings, s);
                EndDialog(dlg, IDOK);
                return TRUE;
            }
            if (LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

SlideShowHooks& SlideShowShell() {
    static SlideShowHooks hooks;
    return hooks;
}

INT_PTR RunSlideOptions(HWND owner, const char* template_name) {
    return DialogBoxParamA(Instance(), template_name, owner, OptionsProc, 0);
}

HWND CreateSlideShow(HWND frame, const std::string& album_path) {
    if (g_show) return nullptr;
    auto show = std::make_unique<SlideShow>();
    show->album = album_path;
    HWND w = CreateWindowExA(0, kSlideShowClass, "", WS_POPUP | WS_DLGFRAME, 0, 0,
                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), frame,
                             nullptr, Instance(), show.get());
    if (!w) return nullptr;
    show.release();  // the window owns it now
    ShowWindow(w, SW_SHOWMAXIMIZED);
    UpdateWindow(w);
    return w;
}

void StartSlideShow(HWND frame) {
    char file[MAX_PATH] = "";
    const std::string initial = GetSetting(*Plat().settings, "dir", "");
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = frame;
    ofn.lpstrFilter = "Album Files(*.ALB)\0*.alb\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = initial.empty() ? nullptr : initial.c_str();
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&ofn)) return;
    const std::string path = file;
    Plat().settings->Set("dir", PathFolder(path));
    if (!FileExists(path)) {
        ShowError(kMsgNoFile);
        return;
    }
    if (SlideShowShell().is_album && !SlideShowShell().is_album(path)) return;
    CreateSlideShow(frame, path);
}

LRESULT CALLBACK SlideShowWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* s = reinterpret_cast<SlideShow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_NCCREATE: {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
            s = static_cast<SlideShow*>(cs->lpCreateParams);
            if (!s) return FALSE;
            s->window = hwnd;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
            g_show = s;
            break;
        }
        case WM_CREATE:
            s->settings = ReadShowSettings(*Plat().settings);
            SetPointer(s, false);
            PostMessageA(hwnd, kMsgSlideStart, 0, 0);
            return 0;
        case kMsgSlideStart:
            if (s) Begin(s);
            return 0;
        case WM_PAINT:
            if (!s) break;
            Paint(s);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_TIMER:
            if (s && wp == kSlideTimer) {
                if (s->drawing) {
                    s->timer_due = true;
                } else {
                    NextImage(s);
                }
            }
            return 0;
        case WM_MOUSEMOVE:
            if (s) UpdatePointer(s);
            return 0;
        case WM_RBUTTONDOWN:
            if (s) ToggleToolbar(s);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_CHAR:
            if (s) EndShow(s);
            return 0;
        case WM_COMMAND:
            if (s && s->drawing) {
                s->deferred_command = LOWORD(wp);
            } else if (s) {
                Command(s, LOWORD(wp));
            }
            return 0;
        case WM_NCDESTROY:
            if (s) {
                SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
                KillTimer(hwnd, kSlideTimer);
                if (s->toolbar) DestroyWindow(s->toolbar);
                SetPointer(s, true);
                if (g_show == s) g_show = nullptr;
                if (s->drawing) {
                    s->window_gone = true;  // the loading under way frees it
                } else {
                    delete s;
                }
            }
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

SlideShowView CurrentSlideShow() {
    SlideShowView v;
    const SlideShow* s = g_show;
    if (!s) return v;
    v.window = s->window;
    v.toolbar = s->toolbar;
    v.count = s->order.count;
    v.current = s->order.current;
    v.size = s->settings.size;
    v.playing = s->playing;
    v.pointer_mode = s->pointer_mode;
    v.pointer_shown = s->pointer_shown;
    v.timer_running = s->timer_running;
    v.drawn = s->drawn;
    v.draws = s->draws;
    return v;
}
