// The user-prompt seam: every message box and cursor change goes through it. Windows shows
// task-modal boxes; tests answer from a script and record every box; the command-line tool
// prints and asks on the terminal.
#pragma once
#include <string>

enum class BoxStyle {
    kError,           // error icon, OK
    kInfo,            // information icon, OK
    kYesNo,           // question icon, Yes and No
    kYesNoCancel,     // question icon, Yes, No and Cancel
};

enum class BoxOwner {
    kFocus,         // the window that has the keyboard focus
    kStatusWindow,  // the session's status window
    kNone,          // no owner
};

// Results use the values of the Windows dialog ids, so the Windows side passes them through.
enum BoxResult { kBoxOk = 1, kBoxCancel = 2, kBoxYes = 6, kBoxNo = 7 };

enum class CursorKind { kArrow, kHourglass };

struct UserPrompts {
    virtual ~UserPrompts() = default;
    // Shows a box with the given text and title and returns the button pressed.
    virtual int ShowBox(const std::string& text, const std::string& title, BoxStyle style,
                        BoxOwner owner) = 0;
    virtual void SetCursor(CursorKind kind) = 0;
};

// Answers every box with its default (OK, or No for questions) and shows nothing.
struct SilentPrompts : UserPrompts {
    int ShowBox(const std::string&, const std::string&, BoxStyle style, BoxOwner) override {
        return style == BoxStyle::kError || style == BoxStyle::kInfo ? kBoxOk : kBoxNo;
    }
    void SetCursor(CursorKind) override {}
};
