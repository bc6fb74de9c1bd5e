// The slide show's windows; see slide_show_win.h. The show keeps its state in one record
// owned by the show window (GWLP_USERDATA) and freed when the window goes.
//
// Pictures are loaded on a worker thread when the shell hands in a quiet loader: as soon as a
// picture is taken for the screen, the next one of the order starts loading, so that loading
// and drawing overlap. The next picture's time counts from when the one before began to be
// shown: a timer of the display time less the drawing, or at a display time of 0 a posted step
// at once (the system timer's minimum would otherwise hold every picture ~10 ms). A step whose
// picture is still loading waits for it with the window answering meanwhile; the end of the show
// does not wait at all: the worker's picture is thrown away when it comes.
//
// Without a quiet loader the shell's loader runs on this thread, and may pump messages (the
// decoder lets the user's input through). Whatever arrives while a picture is loaded or waited
// for is kept and acted on once it is there: ending the show, a toolbar command, the timer, a
// paint. Nothing frees the record under the loading.
#include "slideshow/win/slide_show_win.h"

#include <commctrl.h>
#include <commdlg.h>

#include <memory>
#include <new>

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

using QuietLoader = DibImage (*)(const std::string&, int, int, int*, int*);

// One picture loaded on the show's worker thread. The show and the worker each hold a
// reference; the last to let go frees it, so that a show may end in the middle of a long decode.
struct LoadJob {
    std::string path;
    int fit_width = 0;
    int fit_height = 0;
    int size = kSlideFit;
    QuietLoader load = nullptr;
    DibImage picture;
    int width = 0;
    int height = 0;
    HANDLE done = nullptr;  // the worker's event, set after any job it finishes (not owned)
    LONG finished = 0;      // set once picture, width and height are there
    LONG refs = 0;
};

void ReleaseJob(LoadJob* job) {
    if (!job || InterlockedDecrement(&job->refs) != 0) return;
    delete job;
}

void RunJob(LoadJob* job) {
    job->picture = job->load(job->path, job->fit_width, job->fit_height, &job->width, &job->height);
    // A picture larger than its place is brought to the place's size here, off the window's
    // thread: drawing it is then a copy instead of a stretch of every pixel of the file.
    const SlideRect place =
        SlidePlacement(job->fit_width, job->fit_height, job->width, job->height, job->size);
    if (job->picture && place.width < DibWidth(job->picture)) {
        DibImage shrunk = ShrinkSlidePicture(job->picture, place.width, place.height);
        if (shrunk) job->picture = std::move(shrunk);
    }
    InterlockedExchange(&job->finished, 1);
    SetEvent(job->done);
    ReleaseJob(job);
}

// The show's worker thread, one a show, made at its first picture: it takes one job at a time,
// the latest one queued (a job queued and replaced before it began is dropped). The show and
// the thread each hold a reference; the show's end asks the thread to stop after the job under
// way, whose picture is then thrown away.
struct LoadWorker {
    CRITICAL_SECTION lock;
    HANDLE wake = nullptr;  // auto-reset: a job queued, or the end
    HANDLE done = nullptr;  // auto-reset: a job finished
    LoadJob* queued = nullptr;
    bool quit = false;
    LONG refs = 0;
};

void ReleaseWorker(LoadWorker* w) {
    if (!w || InterlockedDecrement(&w->refs) != 0) return;
    ReleaseJob(w->queued);
    if (w->wake) CloseHandle(w->wake);
    if (w->done) CloseHandle(w->done);
    DeleteCriticalSection(&w->lock);
    delete w;
}

DWORD WINAPI WorkerThread(void* param) {
    auto* w = static_cast<LoadWorker*>(param);
    for (;;) {
        EnterCriticalSection(&w->lock);
        LoadJob* job = w->queued;
        w->queued = nullptr;
        const bool quit = w->quit;
        LeaveCriticalSection(&w->lock);
        if (quit) {
            ReleaseJob(job);
            break;
        }
        if (job) {
            RunJob(job);
        } else {
            WaitForSingleObject(w->wake, INFINITE);
        }
    }
    ReleaseWorker(w);
    return 0;
}

// A worker with its thread running; null when one cannot be had.
LoadWorker* StartWorker() {
    auto* w = new (std::nothrow) LoadWorker();
    if (!w) return nullptr;
    InitializeCriticalSection(&w->lock);
    w->refs = 1;
    w->wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    w->done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (w->wake && w->done) {
        w->refs = 2;  // the show's and the thread's
        HANDLE thread = CreateThread(nullptr, 0, WorkerThread, w, 0, nullptr);
        if (thread) {
            CloseHandle(thread);
            return w;
        }
        w->refs = 1;
    }
    ReleaseWorker(w);
    return nullptr;
}

// Hands a job to the worker (which takes a reference of its own).
void QueueJob(LoadWorker* w, LoadJob* job) {
    job->done = w->done;
    InterlockedIncrement(&job->refs);
    EnterCriticalSection(&w->lock);
    LoadJob* dropped = w->queued;
    w->queued = job;
    LeaveCriticalSection(&w->lock);
    ReleaseJob(dropped);
    SetEvent(w->wake);
}

// The show's end: the worker stops after the job under way and lets go of the rest.
void StopWorker(LoadWorker* w) {
    if (!w) return;
    EnterCriticalSection(&w->lock);
    w->quit = true;
    LeaveCriticalSection(&w->lock);
    SetEvent(w->wake);
    ReleaseWorker(w);
}

// The show's reference to its worker.
struct WorkerRef {
    LoadWorker* worker = nullptr;
    bool failed = false;  // none could be had: pictures load on the window's thread
    WorkerRef() = default;
    WorkerRef(const WorkerRef&) = delete;
    WorkerRef& operator=(const WorkerRef&) = delete;
    ~WorkerRef() { StopWorker(worker); }
};

// The picture of one entry of the order, loading or loaded ahead of its step, with the order as
// it stands once the show has stepped to it.
struct Ahead {
    int entry = -1;  // none
    int after = -1;  // the entry it is the step after (-1: not a step, the entry itself asked for)
    SlideOrder order;
    SlideRandom random;
    LoadJob* job = nullptr;  // loading on the worker (the show's reference)
    bool ready = false;      // picture is there
    bool failed = false;     // not to be had without a word: the step loads it again and says why
    DibImage picture;
    int width = 0;  // the size of the picture in its file
    int height = 0;

    Ahead() = default;
    Ahead(const Ahead&) = delete;
    Ahead& operator=(const Ahead&) = delete;
    ~Ahead() { Reset(); }
    void Reset() {
        ReleaseJob(job);
        job = nullptr;
        entry = -1;
        after = -1;
        ready = false;
        failed = false;
        picture = DibImage();
    }
};

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
    bool drawing = false;  // a picture is being loaded or waited for (messages are pumped)
    bool pending = false;
    bool timer_running = false;   // the next step is on its way
    HANDLE step_timer = nullptr;  // a timer-queue timer that posts a step due within ~10 ms
    bool system_timer = false;    // the window's timer is set
    bool step_posted = false;     // a step may be in the queue
    bool ending = false;
    // What arrived while drawing, acted on afterwards.
    bool end_requested = false;
    bool window_gone = false;  // destroyed from outside while loading: freed after it
    bool timer_due = false;
    int deferred_command = 0;
    Ahead ahead;
    WorkerRef worker;
    DibImage picture;  // the picture on the screen
    int picture_width = 0;  // its size in its file (it may have been loaded smaller)
    int picture_height = 0;
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

VOID CALLBACK PostStep(PVOID window, BOOLEAN) {
    PostMessageA(static_cast<HWND>(window), kMsgSlideStep, 0, 0);
}

// Each call here is a trip to the window server under Wine: only what was set is undone.
void StopTimer(SlideShow* s) {
    if (s->system_timer) KillTimer(s->window, kSlideTimer);
    s->system_timer = false;
    if (s->step_timer) {
        // Waits for a call under way.
        DeleteTimerQueueTimer(nullptr, s->step_timer, INVALID_HANDLE_VALUE);
        s->step_timer = nullptr;
    }
    if (s->step_posted) {
        // Takes back a step already posted.
        MSG m;
        while (PeekMessageA(&m, s->window, kMsgSlideStep, kMsgSlideStep, PM_REMOVE)) {
        }
        s->step_posted = false;
    }
    s->timer_running = false;
}

// Arms the next step: after the display time less what has passed since the picture began to
// be shown at `shown`. A step due at once is posted: the user's input still comes first, as it
// does before the paint that the step asks for. A step due sooner than the system timer's
// minimum (~10 ms), or at once while a timer of this thread is due, comes from a timer-queue
// timer that posts it: the show is not held to the system timer's pace, and the queue runs dry
// for a moment, so that others' timers come through.
void StartTimerFrom(SlideShow* s, uint32_t shown) {
    if (s->order.count <= 1) return;
    StopTimer(s);
    const uint32_t interval = SlideIntervalMs(s->settings.speed);
    const uint32_t spent = Tick() - shown;
    const uint32_t left = spent < interval ? interval - spent : 0;
    if (left == 0 && !(HIWORD(GetQueueStatus(QS_TIMER)) & QS_TIMER)) {
        PostMessageA(s->window, kMsgSlideStep, 0, 0);
        s->step_posted = true;
    } else if (left < USER_TIMER_MINIMUM &&
               CreateTimerQueueTimer(&s->step_timer, nullptr, PostStep, s->window, left, 0,
                                     WT_EXECUTEINTIMERTHREAD | WT_EXECUTEONLYONCE)) {
        s->step_posted = true;
    } else {
        s->step_timer = nullptr;
        SetTimer(s->window, kSlideTimer, left, nullptr);
        s->system_timer = true;
    }
    s->timer_running = true;
}

void StartTimer(SlideShow* s) {
    StartTimerFrom(s, Tick());
}

void CloseToolbar(SlideShow* s) {
    if (!s->toolbar) return;
    HWND t = s->toolbar;
    s->toolbar = nullptr;
    DestroyWindow(t);
}

// Ends the show: timer off, toolbar gone, pointer back, window destroyed. While a picture
// is being loaded on this thread the show ends once the loading is over.
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
    // The paint covers the whole window: no erase first.
    InvalidateRect(s->window, nullptr, FALSE);
}

// The next entry of the order: the one loading or loaded ahead for this step when there is one.
void NextImage(SlideShow* s) {
    StopTimer(s);
    if (s->ahead.entry >= 0 && s->ahead.after == s->order.current) {
        s->order = s->ahead.order;
        s->random = s->ahead.random;
    } else {
        NextSlide(&s->order, Tick(), &s->random);
    }
    ShowPending(s);
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

int PictureHeight(const DibImage& dib) {
    return DibHeight(dib) < 0 ? -DibHeight(dib) : DibHeight(dib);
}

void Loaded(SlideShow* s, DibImage picture, int width, int height) {
    if (!picture || s->window_gone) {
        s->ahead.failed = !s->window_gone;
        return;
    }
    s->ahead.picture = ForDisplay(s, std::move(picture));
    s->ahead.width = width;
    s->ahead.height = height;
    s->ahead.ready = true;
}

// Takes the worker's picture once it is there; true when the load is over.
bool TakeLoaded(SlideShow* s) {
    LoadJob* job = s->ahead.job;
    if (!job) return true;
    if (InterlockedCompareExchange(&job->finished, 0, 0) == 0) return false;
    DibImage picture = std::move(job->picture);
    const int width = job->width, height = job->height;
    s->ahead.job = nullptr;
    ReleaseJob(job);
    Loaded(s, std::move(picture), width, height);
    return true;
}

// Starts loading the picture of the order's current entry: on the worker with the quiet loader,
// else here with the shell's loader, its messages held back (a file that cannot be had is left
// for the step itself, which says why). Called only while drawing.
void StartLoad(SlideShow* s, SlideOrder order, SlideRandom random) {
    s->ahead.Reset();
    const int entry = order.current;
    if (entry < 0 || entry >= static_cast<int>(s->paths.size())) return;
    s->ahead.entry = entry;
    s->ahead.order = std::move(order);
    s->ahead.random = random;
    const std::string path = s->paths[entry];
    const SlideShowHooks& hooks = SlideShowShell();
    if (!FileExists(path) || !IsPictureName(path) || (!hooks.load_quietly && !hooks.load_picture)) {
        s->ahead.failed = true;
        return;
    }
    if (hooks.load_quietly) {
        RECT client{};
        GetClientRect(s->window, &client);
        if (!s->worker.worker && !s->worker.failed) {
            s->worker.worker = StartWorker();
            s->worker.failed = s->worker.worker == nullptr;
        }
        auto* job = s->worker.worker ? new (std::nothrow) LoadJob() : nullptr;
        if (job) {
            job->path = path;
            job->fit_width = client.right;
            job->fit_height = client.bottom;
            job->size = s->settings.size;
            job->load = hooks.load_quietly;
            job->refs = 1;  // the show's
            QueueJob(s->worker.worker, job);
            s->ahead.job = job;
            return;
        }
        // No worker to be had: loaded here.
        int width = 0, height = 0;
        DibImage picture = hooks.load_quietly(path, client.right, client.bottom, &width, &height);
        Loaded(s, std::move(picture), width, height);
        return;
    }
    DibImage picture;
    {
        SilentPrompts silent;
        Platform quiet = Plat();
        quiet.prompts = &silent;
        ScopedPlatform scope(quiet);
        picture = hooks.load_picture(path);
    }
    const int width = DibWidth(picture), height = PictureHeight(picture);
    Loaded(s, std::move(picture), width, height);
}

// Starts loading the entry after the current one, for the next step.
void LoadNext(SlideShow* s) {
    SlideOrder order = s->order;
    SlideRandom random = s->random;
    NextSlide(&order, Tick(), &random);
    StartLoad(s, std::move(order), random);
    s->ahead.after = s->order.current;
}

// Waits for the worker's picture with the window answering: input, the toolbar, the timer and
// paints are dispatched (and kept for later, as while any loading). The end of the show does
// not wait: the worker's picture is left to it.
void WaitForLoad(SlideShow* s) {
    bool quit = false;
    while (!TakeLoaded(s)) {
        if (s->end_requested || s->window_gone) return;
        HANDLE done = s->ahead.job->done;
        if (quit) {
            WaitForSingleObject(done, INFINITE);
            continue;
        }
        // Messages already waiting count too, not only those come since the last look.
        if (MsgWaitForMultipleObjectsEx(1, &done, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
            WAIT_OBJECT_0)
            continue;
        for (int i = 0; i < 100 && !s->end_requested && !s->window_gone; ++i) {
            const PumpResult r = Plat().pump->PumpOne(false);
            if (r == PumpResult::kQuit) quit = true;
            if (r != PumpResult::kDispatched) break;
        }
    }
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
    if (s->pending) InvalidateRect(s->window, nullptr, FALSE);
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

// Draws the picture on the screen; a new picture (not a repaint during a loading) is counted.
void DrawPicture(SlideShow* s, HDC dc, bool count = true) {
    RECT client;
    GetClientRect(s->window, &client);
    if (!s->picture) {
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return;
    }
    const int w = DibWidth(s->picture);
    const int h = PictureHeight(s->picture);
    SlideRect r = SlidePlacement(client.right, client.bottom, s->picture_width, s->picture_height,
                                 s->settings.size);
    const RECT place{r.x, r.y, r.x + r.width, r.y + r.height};
    // Black around the picture only: every pixel is drawn once.
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, place.left, place.top, place.right, place.bottom);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RestoreDC(dc, saved);
    ScopedSelectPalette selected(dc, s->palette.get(), FALSE);
    if (s->palette.get()) RealizePalette(dc);
    DrawDib(dc, s->picture, place, RECT{0, 0, w, h});
    s->drawn = place;
    if (count) ++s->draws;
}

// Loads the pending picture here with the shell's loader and its messages; 0 when it failed.
bool LoadWithMessages(SlideShow* s, const std::string& path) {
    const SlideShowHooks& hooks = SlideShowShell();
    DibImage loaded = hooks.load_picture ? hooks.load_picture(path) : DibImage();
    if (!loaded) return false;
    if (!s->window_gone) {
        s->picture_width = DibWidth(loaded);
        s->picture_height = PictureHeight(loaded);
        s->picture = ForDisplay(s, std::move(loaded));
    }
    return true;
}

// The paint of a pending picture: take the one loaded ahead, wait for it or load it (a missing
// file, another kind of file or a failed load ends the show), start loading the next one, draw
// it and, while playing, arm the next step.
void Paint(SlideShow* s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(s->window, &ps);
    if (s->drawing) {
        // Reached from a loading's message pump: what is on the screen stays until the
        // picture comes.
        DrawPicture(s, dc, false);
        EndPaint(s->window, &ps);
        return;
    }
    bool failed = false;
    bool load_next_here = false;
    int message = -1;
    if (s->pending && s->order.current >= 0) {
        s->pending = false;
        s->drawing = true;
        const int entry = s->order.current;
        const std::string path = s->paths[entry];
        const bool quiet = SlideShowShell().load_quietly != nullptr;
        if (s->ahead.entry != entry && quiet) StartLoad(s, s->order, s->random);
        if (s->ahead.entry == entry) WaitForLoad(s);
        if (s->end_requested || s->window_gone) {
            // Ended while the picture loaded: nothing more to draw.
        } else if (!FileExists(path)) {
            failed = true;
            message = kMsgNoFile;
        } else if (!IsPictureName(path)) {
            failed = true;
            message = kMsgNoCorrespondence;
        } else if (s->ahead.entry == entry && s->ahead.ready) {
            s->picture = std::move(s->ahead.picture);
            s->picture_width = s->ahead.width;
            s->picture_height = s->ahead.height;
        } else {
            failed = !LoadWithMessages(s, path);
        }
        if (s->ahead.entry == entry) s->ahead.Reset();
        if (!failed && !s->end_requested && !s->window_gone) {
            const uint32_t shown = Tick();
            // The next picture loads on the worker while this one is drawn; the shell's own
            // loader runs once this one is on the screen.
            const bool next = s->playing && s->order.count > 1 && s->deferred_command == 0;
            if (next && quiet) LoadNext(s);
            load_next_here = next && !quiet;
            s->palette = MakeDibPalette(s->picture);
            DrawPicture(s, dc);
            if (s->playing) StartTimerFrom(s, shown);
        }
    } else {
        DrawPicture(s, dc);
    }
    EndPaint(s->window, &ps);
    if (load_next_here) LoadNext(s);
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
            s->ahead.Reset();  // loaded for the step that no longer comes
            ShowPending(s);
            break;
        case IDC_SLD_PREV:
            if (s->order.count <= 1) break;
            StopTimer(s);
            PreviousSlide(&s->order, Tick(), &s->random);
            s->ahead.Reset();
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
        case kMsgSlideStep:
            if (s && s->step_timer) {
                // Done with its one call: let go of it without waiting.
                DeleteTimerQueueTimer(nullptr, s->step_timer, nullptr);
                s->step_timer = nullptr;
            }
            if (s) s->step_posted = false;
            if (s && s->timer_running) {
                if (s->drawing) {
                    s->timer_due = true;
                } else {
                    NextImage(s);
                }
            }
            return 0;
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
            if (s && s->drawing && LOWORD(wp) == IDC_SLD_EXIT) {
                EndShow(s);  // the end does not wait for a picture being loaded
            } else if (s && s->drawing) {
                s->deferred_command = LOWORD(wp);
            } else if (s) {
                Command(s, LOWORD(wp));
            }
            return 0;
        case WM_NCDESTROY:
            if (s) {
                SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
                StopTimer(s);
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
