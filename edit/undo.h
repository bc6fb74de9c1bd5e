// The one step of undo that image editing keeps, shared by every image window: the last
// rotation, resize, adjustment or zoom change, in the window where it was done. Undo exchanges
// the window's picture (or zoom) with the kept one, so a second Undo redoes the step. This is the
// bookkeeping only; the window rebuilds its palette, display bitmap and size afterwards.
#pragma once
#include "codec/dib.h"

// Operation kinds: 0 nothing; 1, 2, 4, 8, 16 a zoom change to that zoom; 90, 180, 270, 360 a
// rotation to that angle; 3 an adjustment; 11 a resize.
enum UndoKind { kUndoNothing = 0, kUndoAdjustment = 3, kUndoResize = 11 };
bool IsRotationKind(int kind);
bool IsZoomKind(int kind);

// The fields of an image window that undo reads and writes.
struct ImageGeometry {
    int width = 0;
    int height = 0;
    int zoom = 4;
    int prev_zoom = 4;
    int rotation = 0;   // 0 for a picture never turned, else 1..360
    int last_turn = 0;  // 1 right, 2 left (edit/geometry.h)
    int modified = 0;   // changes not yet saved
};

struct UndoRecord {
    DibImage picture;              // the picture replaced by the last picture change
    const void* window = nullptr;  // the window of the last operation; compared, never used
    int kind = kUndoNothing;
    int prev_zoom = 0;   // the zoom before the last zoom change or resize
    int prev_width = 0;  // the size before the last resize
    int prev_height = 0;
    bool redo_toggle = false;  // set: the next undo raises the modified count, else lowers it
    bool available = false;
};

// The program's record.
UndoRecord& TheUndoRecord();

// After rotate, resize or adjustment installed their new picture: keeps the old one (a previous
// undo picture is freed). Rotation and resize clear the redo toggle; an adjustment leaves it.
void RecordPictureChange(UndoRecord* u, const void* window, DibImage old_picture, int kind);
// A resize: the picture change, and the size and zoom before it.
void RecordResize(UndoRecord* u, const void* window, DibImage old_picture, int old_width,
                  int old_height, int old_zoom);
// A zoom change: the undo picture is discarded.
void RecordZoomChange(UndoRecord* u, const void* window, int new_zoom, int old_zoom);
// A window that goes away takes its undo step with it (its handle may later name another
// window).
void ForgetUndoWindow(UndoRecord* u, const void* window);

// True when Undo applies to the window: it did the last operation and there is one.
bool CanUndo(const UndoRecord& u, const void* window);

enum class UndoResult {
    kNone,     // nothing to undo in this window
    kZoom,     // the zoom was exchanged; the picture is untouched
    kPicture,  // the picture was exchanged (and, by kind, size, zoom or angle)
};
// The exchange Undo makes once the user confirmed: a zoom change exchanges zoom and previous
// zoom; any other kind exchanges *picture with the kept one and then, by kind, the size and
// angle (rotation), or zoom and size (resize); the modified count goes down or up by one as
// the redo toggle says, and the toggle flips.
UndoResult UndoExchange(UndoRecord* u, const void* window, ImageGeometry* g, DibImage* picture);
