// The image window: an MDI child of class "ZEKNormalChild" that shows one picture at 25 to
// 400 %, centred when it is smaller than the window, with scroll bars, a selection rectangle
// dragged with the left button, its name, change state and zoom in the title, and the save
// question on closing. The editing commands of the Image, View and Edit menus and Save / Save
// As run on it from here.
//
// The window belongs to the shell's frame but is built below it: what it needs of the frame
// (its windows, the status bar, the JPEG encoder with its progress dialog) is handed in once
// through SetImageWindowHost.
#pragma once
#include <windows.h>

#include <string>

#include "codec/dib.h"
#include "res/shell_ids.h"

struct ImageWindowHost {
    HINSTANCE instance = nullptr;
    HWND frame = nullptr;
    HWND mdi_client = nullptr;
    // The frame's status bar, or null while it is hidden.
    HWND (*status_bar)() = nullptr;
    // JPEG encoding of a save with the program's progress dialog (1 or 0); null: the encoder
    // runs without one.
    int (*compress)(HWND owner, const DibImage& picture, const std::string& jpeg_path,
                    const std::string& display_name, int quality) = nullptr;
    // Told whenever what the frame's menu shows of a window may have changed (activation, the
    // selection, the undo step, the zoom, a window made or gone); the frame owns the menu.
    void (*state_changed)() = nullptr;
};
void SetImageWindowHost(const ImageWindowHost& host);
const ImageWindowHost& ImageHost();

// Loads the BMP file and opens it in a new image window. Returns the window or null after the
// failure's message.
HWND CreateImageWindow(const std::string& bmp_path, const std::string& display_name);
// Opens a picture already in memory (a decoded JPEG file) in a new image window; original_path
// is the file the user opened (its camera segments are kept when it is JPEG).
HWND CreateImageWindow(DibImage picture, const std::string& original_path,
                       const std::string& display_name, bool from_jpeg);

// The window procedure of "ZEKNormalChild".
LRESULT CALLBACK ImageWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

bool IsImageWindow(HWND hwnd);
bool ImageWindowIsModified(HWND hwnd);
// Zoom in quarters; 0 for another window.
int ImageWindowZoom(HWND hwnd);
std::string ImageWindowPath(HWND hwnd);
// The picture a window shows (for tests and printing); null for another window.
const DibImage* ImageWindowPicture(HWND hwnd);
// The image window showing path (compared without regard to case), or null.
HWND FindImageWindowByPath(const std::string& path);
int ImageWindowCount();
// Whether the window holds the last undoable change.
bool ImageWindowCanUndo(HWND hwnd);
// Sets the selection as a drag from (x0, y0) to (x1, y1) in picture pixels would.
void SetImageSelection(HWND hwnd, int x0, int y0, int x1, int y1);
bool ImageWindowHasSelection(HWND hwnd);
// The selection in picture pixels (as Image Cutout would take it); false without one.
bool ImageWindowSelectionRect(HWND hwnd, RECT* rect);

// Runs a menu command on an image window: Save, Save As, Image Adjustment, the zooms, Rotate
// Right and Left, Undo, Image Cutout and Image Size. Other commands do nothing.
void RunImageCommand(HWND hwnd, int command);

// The editing operations themselves (what the commands run after their dialogs).
bool RotateImage(HWND hwnd, bool right);
bool ResizeImage(HWND hwnd, int width, int height);
HWND CutOutImage(HWND hwnd);
void SetImageZoom(HWND hwnd, int zoom);
// Save under the window's own path and type (save_as false) or through the save dialog.
bool SaveImageWindow(HWND hwnd, bool save_as);
// Saves as a type under a path, as the save dialog's OK does.
bool SaveImageAs(HWND hwnd, const std::string& path, int type);
// Installs a new picture as an adjustment does (undo kind 3).
bool InstallAdjustedPicture(HWND hwnd, DibImage picture);

// The save dialog, replaceable by tests: returns false when cancelled, else the chosen path
// and type (kSave... of edit/save_rules.h).
using SaveDialogFn = bool (*)(HWND owner, const std::string& initial_path, int* type,
                              std::string* path);
void SetSaveDialogForTests(SaveDialogFn fn);

// The open dialog with its preview box (the setting PrevOn keeps the box's state, dir the
// folder). False when cancelled; else the chosen path and its file name.
bool OpenFileDialog(HWND owner, std::string* path, std::string* name);

// The Image Size and Image Adjustment dialogs: modal on the window, or (for tests) modeless.
INT_PTR RunImageSizeDialog(HWND hwnd);
HWND CreateImageSizeWindow(HWND hwnd);
INT_PTR RunAdjustmentDialog(HWND hwnd);
HWND CreateAdjustmentWindow(HWND hwnd);
