#include "base/win/win_prompts.h"

int ShowTaskModalBox(HWND frame, HWND owner, const char* text, const char* title, UINT style) {
    ::SetCursor(LoadCursor(nullptr, IDC_ARROW));
    if (frame && IsWindow(frame)) SetForegroundWindow(frame);
    return MessageBoxA(owner, text, title, style | MB_TASKMODAL);
}

int WinPrompts::ShowBox(const std::string& text, const std::string& title, BoxStyle style,
                        BoxOwner owner) {
    UINT bits = 0;
    switch (style) {
        case BoxStyle::kError:
            bits = MB_ICONERROR | MB_OK;
            break;
        case BoxStyle::kInfo:
            bits = MB_ICONINFORMATION | MB_OK;
            break;
        case BoxStyle::kYesNo:
            bits = MB_ICONQUESTION | MB_YESNO;
            break;
        case BoxStyle::kYesNoCancel:
            bits = MB_ICONQUESTION | MB_YESNOCANCEL;
            break;
    }
    HWND owner_window = nullptr;
    if (owner == BoxOwner::kFocus) {
        owner_window = GetFocus();
    } else if (owner == BoxOwner::kStatusWindow && status_window) {
        owner_window = status_window();
    }
    // Moving the frame forward may move the focus; the owner is the window that had it.
    return ShowTaskModalBox(frame, owner_window, text.c_str(), title.c_str(), bits);
}

void WinPrompts::SetCursor(CursorKind kind) {
    ::SetCursor(LoadCursor(nullptr, kind == CursorKind::kArrow ? IDC_ARROW : IDC_WAIT));
}
