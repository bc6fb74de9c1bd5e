// The thumbnail grid dialog: a 4 x 4 grid of owner-drawn buttons with a scroll bar a row a step,
// a typed image-number range, Preview and Delete. The camera browser "Image Preview" and the
// acquire module's dialog are both this dialog; each adds its own commands (Transfer, Exit, the
// module's Connect and Port Setup) and says through a policy what happens where the two differ.
// Its rules are browser/browser_model.h; this file routes the Windows messages to them.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "base/win/win_handles.h"
#include "browser/browser_model.h"
#include "link/link_error.h"
#include "link/session/camera_session.h"
#include "res/shell_ids.h"

// The control ids of one dialog template.
struct GridDialogIds {
    int grid_first = 0, grid_last = 0;  // the 16 buttons, row by row
    int scroll = 0;
    int first_edit = 0, last_edit = 0;  // the typed range
    int total = 0;                      // the static that shows the image count
    int preview = 0, transfer = 0, remove = 0, exit = 0;
};

struct GridDialog;

// Where the dialogs differ.
struct GridDialogPolicy {
    GridDialogIds ids;
    // From a button's top to its picture: the templates' buttons differ in height.
    int top_margin = 5;
    // A page load or a delete failed (its message has been shown): the dialog's work with the
    // camera ends. The browser closes itself here, so the record may be gone afterwards.
    void (*end)(GridDialog& g, HWND dlg) = nullptr;
    // After each page load, before the grid draws; none when nothing is to be done.
    void (*page_loaded)(GridDialog& g) = nullptr;
    // The selection changed (a click, the range edits, a delete); none when nothing is to be done.
    void (*selection_changed)(GridDialog& g) = nullptr;
};

// The record of a grid dialog, owned by its window (freed at WM_NCDESTROY). A dialog with more
// state derives its record from this one.
struct GridDialog {
    virtual ~GridDialog() = default;
    const GridDialogPolicy* policy = nullptr;
    CameraSession* session = nullptr;  // the link the pages and deletes go through
    std::unique_ptr<CameraBrowserState> st;
    bool connected = false;  // the camera is there (the grid ignores input until then)
    // A camera operation is under way: the messages the link dispatches while it waits cannot
    // start a second one.
    bool running = false;
    bool load_pending = false;  // a scroll ended and its page is still to load
    bool updating_edits = false;
    int region = 0;  // the date form of the captions
    ClickMemory clicks;
    ScopedBitmap face;      // "BUTTONBITMAP"
    ScopedBitmap no_thumb;  // "NOTHUMBBITMAP"
};

// WM_INITDIALOG: places the dialog, gives the record its grid state and pictures, limits the
// edits, greys Transfer, Delete and the scroll bar, removes Size and Maximize from the system
// menu, and attaches the record to the window. False (the record freed) when the grid state
// cannot be allocated.
bool InitGridDialog(HWND dlg, std::unique_ptr<GridDialog> g, const GridDialogPolicy& policy);
// The record of a grid dialog; none before WM_INITDIALOG and after the window has gone.
GridDialog* GridDialogOf(HWND dlg);

// The messages of the grid, Preview and Delete, the range edits, the scroll bar, drawing and
// palettes, and the freeing of the record. True when the message was the grid's (*result is
// then the dialog procedure's result).
bool GridDialogMessage(HWND dlg, UINT msg, WPARAM wp, LPARAM lp, INT_PTR* result);

// --- for the dialogs' own commands ---------------------------------------------------------------

void EnableControl(HWND dlg, int id, bool on);
// Sets an edit's text (caret at the end) without taking it as typed.
void SetGridEditQuietly(GridDialog& g, HWND dlg, int id, const std::string& text);
void ShowGridTotal(GridDialog& g, HWND dlg);
void UpdateGridScrollBar(GridDialog& g, HWND dlg);
void RedrawGrid(GridDialog& g, HWND dlg);
// While a camera operation runs: Preview, Transfer, Delete, both edits and Exit greyed.
void DisableGridForWork(GridDialog& g, HWND dlg);
// An idle dialog: Exit; the first edit when there are images; Preview and the last edit while
// the first edit holds a number; Transfer and Delete while something is selected.
void EnableGridIdle(GridDialog& g, HWND dlg);
// The message of a failed Transfer or Delete, unless the operation has shown that text.
void ReportLinkFailure(LinkError r);
