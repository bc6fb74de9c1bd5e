// The frame's rules written as data and small functions without window types: which command
// is enabled for the state of the active child, which help text part 0 of the status bar shows,
// the toolbar's layout, the bars chosen by the settings file, and how the command line and the
// program's own path are taken apart. The frame window applies them; tests check them natively.
#pragma once
#include <string>
#include <vector>

#include "res/resource.h"

// What the frame knows about the active MDI child when it decides on its commands.
struct ActiveChildState {
    bool exists = false;  // an active child with a record
    int kind = kKindNone;
    bool image_modified = false;   // image window: the picture has changed since it was saved
    bool album_selected = false;   // album window: a picture is selected
    bool album_paste = false;      // album window: the paste source is set
    bool image_can_undo = false;   // image window: it holds the last undoable change
    bool image_selection = false;  // image window: a selection rectangle is shown
    int image_zoom = 0;            // image window: its zoom in quarters
};

bool IsActiveImage(const ActiveChildState& s);
bool IsActiveAlbum(const ActiveChildState& s);

// Enabled state of a menu item when a pop-up opens. any_minimised: at least one MDI child that
// is not an owned window is minimised. Items that the frame does not decide return true.
bool MenuItemEnabled(int command, const ActiveChildState& s, bool any_minimised);

// Enabled state of a whole pop-up of the menu bar (kPopupEdit, kPopupImage, kPopupView; the
// others are always enabled): Image and View while an image window is active, Edit while an
// album window is active or the active image window holds the last undoable change.
bool PopupEnabled(int popup, const ActiveChildState& s);

// The menu commands whose state the pop-up initialisation sets.
const std::vector<int>& PopupManagedCommands();

// Enabled state of a toolbar button after a message (RefreshToolbarStates); returns false
// for buttons that the refresh does not touch (see ToolbarRefreshed).
bool ToolbarButtonEnabled(int command, const ActiveChildState& s);
const std::vector<int>& ToolbarRefreshed();

// Status bar help text for a menu item; grey selects the first text where there are two.
// Items without a text give the idle text of the region.
std::string MenuHelpText(int command, bool grey, int region);

// The menu command whose string resource a toolbar button's enabled tooltip text uses, or 0.
int MenuCommandOfToolbar(int toolbar_command);
// The status text of a grey toolbar button, or nullptr when the button has none.
const char* GreyToolbarText(int toolbar_command);

// Toolbar layout: 19 entries in order.
enum class ImageSource { kNone, kBitmap, kStandard };
struct ToolbarEntry {
    int command;  // 0 for a separator
    ImageSource source;
    int bitmap;  // bitmap resource (kBitmap) or standard image index (kStandard)
    int image;   // image number inside the bitmap
    bool enabled_at_creation;
};
constexpr int kToolbarEntries = 19;
extern const ToolbarEntry kToolbarLayout[kToolbarEntries];
// Standard small colour images used by the toolbar (values of the common controls).
enum StandardImage { kStdCut = 0, kStdCopy = 1, kStdPaste = 2, kStdFileOpen = 7, kStdPrint = 14 };

// Bars chosen by the Tool and Status keys: only the pairs (0,0), (0,1), (1,0) show any bar.
struct BarChoice {
    bool toolbar;
    bool status_bar;
};
BarChoice BarsFromSettings(int tool, int status);

// The command line split at blanks and tabs, without quoting; empty words are skipped.
std::vector<std::string> SplitCommandLine(const std::string& line);

// Drive and folder of a program path (everything up to and including the last separator)
// followed by file_name; empty when the path has no folder.
std::string FileNextTo(const std::string& program_path, const char* file_name);
