// The drawing of the thumbnail grid, shared by the camera browser and the acquire module's
// dialog: one owner-drawn button (button face, thumbnail or the no-thumbnail picture, the
// caption band red when selected, the date line, the focus frame) and the palette handling on
// displays with fewer than 16 bits per pixel, where thumbnails are shown in the 216-colour cube;
// and the two Windows inputs of the grid both read the same way (scroll codes, clicks with keys).
#pragma once
#include <windows.h>

#include "browser/browser_model.h"

struct GridLook {
    HBITMAP face = nullptr;      // "BUTTONBITMAP" (not owned)
    HBITMAP no_thumb = nullptr;  // "NOTHUMBBITMAP" (not owned)
    int top_margin = 5;          // from the button's top to the picture
    int region = 0;              // the date form of the captions
};

// The grid's buttons: their first and last control ids; erase for the redraw.
struct GridButtons {
    int first_id = 0;
    int last_id = 0;
    bool erase = true;
};

// Draws the grid button of di (button index from the first id) for the state; blank but for
// its face while a page is still to be loaded.
void DrawGridButton(const DRAWITEMSTRUCT& di, const CameraBrowserState& st, const GridLook& look,
                    const GridButtons& ids, bool load_pending);

// Invalidates every grid button.
void RedrawGridButtons(HWND dlg, const GridButtons& ids);

// WM_QUERYNEWPALETTE: realises the cube palette (made from the first cached thumbnail) and
// redraws the grid; the message's result. Only while the dialog is neither active nor focused;
// otherwise the buttons realise it themselves as they draw.
BOOL RealizeGridPalette(const CameraBrowserState& st, HWND dlg, const GridButtons& ids);
// WM_PALETTECHANGED: another window changed the colours; the buttons draw again with what is
// left.
void GridPaletteChanged(HWND dlg, WPARAM changer, const GridButtons& ids);

// The grid's scroll action for a scroll-bar code (SB_LINEUP ...); false for a code that moves
// nothing (SB_ENDSCROLL among them).
bool GridScrollAction(int code, ScrollAction* action);
// A click on the grid cell of image n: with Shift a range, with Ctrl a toggle, else the one
// image (the keys as they are now).
void ClickGridImage(CameraBrowserState& st, int32_t n);
