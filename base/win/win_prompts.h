// The Windows side of the user-prompt seam: task-modal message boxes with the arrow cursor and
// the program's frame brought forward first, the box owned by the window that has the focus.
#pragma once
#include <windows.h>

#include <string>

#include "base/prompts.h"

struct WinPrompts : UserPrompts {
    // The frame window brought to the foreground before each box (not owned).
    HWND frame = nullptr;
    // Gives the window of the running camera operation for BoxOwner::kStatusWindow.
    HWND (*status_window)() = nullptr;

    int ShowBox(const std::string& text, const std::string& title, BoxStyle style,
                BoxOwner owner) override;
    void SetCursor(CursorKind kind) override;
};

// Shows a task-modal box the way every box of the program is shown (arrow cursor, frame
// forward) with the given Win32 style bits; for the few boxes outside the message tables.
int ShowTaskModalBox(HWND frame, HWND owner, const char* text, const char* title, UINT style);
