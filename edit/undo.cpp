// One record for the whole program; it owns the undo picture and nothing else.
#include "edit/undo.h"

#include <utility>

#include "edit/geometry.h"

bool IsRotationKind(int kind) {
    return kind == 90 || kind == 180 || kind == 270 || kind == 360;
}

bool IsZoomKind(int kind) {
    return IsZoomStep(kind);
}

UndoRecord& TheUndoRecord() {
    static UndoRecord record;
    return record;
}

void RecordPictureChange(UndoRecord* u, const void* window, DibImage old_picture, int kind) {
    u->picture = std::move(old_picture);
    u->window = window;
    u->kind = kind;
    u->available = true;
    if (kind != kUndoAdjustment) u->redo_toggle = false;
}

void RecordResize(UndoRecord* u, const void* window, DibImage old_picture, int old_width,
                  int old_height, int old_zoom) {
    RecordPictureChange(u, window, std::move(old_picture), kUndoResize);
    u->prev_width = old_width;
    u->prev_height = old_height;
    u->prev_zoom = old_zoom;
}

void RecordZoomChange(UndoRecord* u, const void* window, int new_zoom, int old_zoom) {
    u->picture.block.Reset();
    u->window = window;
    u->kind = new_zoom;
    u->prev_zoom = old_zoom;
    u->available = true;
}

void ForgetUndoWindow(UndoRecord* u, const void* window) {
    if (u->window != window) return;
    u->picture.block.Reset();
    u->window = nullptr;
    u->kind = kUndoNothing;
    u->available = false;
}

bool CanUndo(const UndoRecord& u, const void* window) {
    if (window == nullptr || u.window != window || u.kind == kUndoNothing) return false;
    // A picture change whose picture is gone (memory was short) has nothing to put back.
    return IsZoomKind(u.kind) || static_cast<bool>(u.picture);
}

UndoResult UndoExchange(UndoRecord* u, const void* window, ImageGeometry* g, DibImage* picture) {
    if (!CanUndo(*u, window)) return UndoResult::kNone;
    if (IsZoomKind(u->kind)) {
        const int restored = u->prev_zoom;
        u->prev_zoom = g->zoom;
        g->prev_zoom = g->zoom;
        g->zoom = restored;
        u->kind = restored;
        return UndoResult::kZoom;
    }
    std::swap(*picture, u->picture);
    if (IsRotationKind(u->kind)) {
        std::swap(g->width, g->height);
        if (g->last_turn == kTurnRight) {
            g->rotation -= 90;
            if (g->rotation <= 0) g->rotation += 360;
            g->last_turn = kTurnLeft;
        } else {
            g->rotation += 90;
            if (g->rotation > 360) g->rotation -= 360;
            g->last_turn = kTurnRight;
        }
    } else if (u->kind == kUndoResize) {
        const int zoom = g->zoom;
        g->zoom = u->prev_zoom;
        g->prev_zoom = zoom;
        u->prev_zoom = zoom;
        std::swap(g->width, u->prev_width);
        std::swap(g->height, u->prev_height);
    }
    if (!u->redo_toggle) {
        --g->modified;
        u->redo_toggle = true;
    } else {
        ++g->modified;
        u->redo_toggle = false;
    }
    return UndoResult::kPicture;
}
