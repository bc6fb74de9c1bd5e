#include "app/shell_rules.h"

#include <cstdlib>

#include "base/region.h"

bool IsActiveImage(const ActiveChildState& s) {
    return s.exists && s.kind == kKindImage;
}
bool IsActiveAlbum(const ActiveChildState& s) {
    return s.exists && s.kind == kKindAlbum;
}

bool MenuItemEnabled(int command, const ActiveChildState& s, bool any_minimised) {
    switch (command) {
        case IDM_CLOSE:
        case IDM_SAVE_AS:
        case IDM_TILE:
        case IDM_CASCADE:
        case IDM_CLOSE_ALL:
            return s.exists;
        case IDM_SAVE:
            if (IsActiveImage(s)) return s.image_modified;
            return IsActiveAlbum(s);
        case IDM_PRINT:
            return IsActiveImage(s) || IsActiveAlbum(s);
        case IDM_ADD_TO_ALBUM:
            return IsActiveAlbum(s);
        case IDM_CUT:
        case IDM_COPY:
            return IsActiveAlbum(s) && s.album_selected;
        case IDM_PASTE:
            return IsActiveAlbum(s) && s.album_paste;
        case IDM_UNDO:
            return IsActiveImage(s);
        case IDM_CUTOUT:
            return IsActiveImage(s) && s.image_selection;
        case IDM_ARRANGE_ICONS:
            return any_minimised;
        default:
            return true;
    }
}

bool PopupEnabled(int popup, const ActiveChildState& s) {
    switch (popup) {
        case kPopupEdit:
            return IsActiveAlbum(s) || (IsActiveImage(s) && s.image_can_undo);
        case kPopupImage:
        case kPopupView:
            return IsActiveImage(s);
        default:
            return true;
    }
}

const std::vector<int>& PopupManagedCommands() {
    static const std::vector<int> kList = {
        IDM_CLOSE,   IDM_SAVE_AS,   IDM_SAVE,          IDM_PRINT, IDM_ADD_TO_ALBUM,
        IDM_CUT,     IDM_COPY,      IDM_PASTE,         IDM_UNDO,  IDM_TILE,
        IDM_CASCADE, IDM_CLOSE_ALL, IDM_ARRANGE_ICONS,
    };
    return kList;
}

bool ToolbarButtonEnabled(int command, const ActiveChildState& s) {
    switch (command) {
        case IDT_SAVE_AS:
        case IDT_TILE:
        case IDT_CASCADE:
            return s.exists;
        case IDT_PRINT:
            return IsActiveImage(s) || IsActiveAlbum(s);
        case IDT_ADD_TO_ALBUM:
            return IsActiveAlbum(s);
        case IDT_CUT:
        case IDT_COPY:
            return IsActiveAlbum(s) && s.album_selected;
        case IDT_PASTE:
            return IsActiveAlbum(s) && s.album_paste;
        default:
            return false;
    }
}

const std::vector<int>& ToolbarRefreshed() {
    static const std::vector<int> kList = {IDT_SAVE_AS, IDT_PRINT, IDT_ADD_TO_ALBUM, IDT_CUT,
                                           IDT_COPY,    IDT_PASTE, IDT_TILE,         IDT_CASCADE};
    return kList;
}

namespace {

struct HelpRow {
    int command;
    const char* grey;  // nullptr: the same text in both states
    const char* text;
};

const HelpRow kHelpRows[] = {
    {IDM_OPEN, nullptr, "Open an existing file."},
    {IDM_SAVE, "Cannot select!! There is no file to save.", "Save the active file."},
    {IDM_PRINT, "Cannot select!! There is no file to print.", "Print the image."},
    {IDM_EXIT, nullptr, "Exit application."},
    {IDM_ABOUT, nullptr, "Version infomation and Copyright infomation."},
    {IDM_NEW_ALBUM, nullptr, "Create a new album."},
    {IDM_CLOSE, "Cannot select!! There is no file to close.", "Close window."},
    {IDM_SAVE_AS, "Cannot select!! There is no file to save.",
     "Save the active file with a new name."},
    {IDM_HELP_CONTENTS, nullptr, "Contents."},
    {IDM_COM_SETUP, nullptr, "Set the com_port options."},
    {IDM_DATA_IN, nullptr, "Data in from the camera."},
    {IDM_DATA_OUT, nullptr, "Data out to the camera."},
    {IDM_PRINT_SETUP, nullptr, "Set the printer options."},
    {IDM_CLOCK_SETUP, nullptr, "Set the clock options."},
    {IDM_COPY, "Cannot Select!! Not open album or Not open image to album.",
     "Copy the selected image to the clipboard."},
    {IDM_PASTE, "Cannot Select!! Not open album or Not copy image.",
     "Paste the clipboard image at the album."},
    {IDM_CUT, "Cannot Select!! Not open album or Not open image to album.",
     "Move the selected image to the clipboard."},
    {IDM_ADD_TO_ALBUM, "Cannot Select!! Not open album.", "Add the selected image to the album."},
    {IDM_TILE, "Cannot Select!! Not open window.", "Arrange the windows in a tile view."},
    {IDM_CASCADE, "Cannot Select!! Not open window.", "Arrange the windows in a cascade view."},
    {IDM_ARRANGE_ICONS, "Cannot Select!! Icon not lined up.", "Arrange the icons."},
    {IDM_CLOSE_ALL, "Cannot Select!! Not open window or line up icon.",
     "Close all opened windows."},
    {IDM_TOOLBAR_TOGGLE, nullptr, "Toggle the toolbar on/off."},
    {IDM_STATUSBAR_TOGGLE, nullptr, "Toggle the statusbar on/off."},
    {IDM_ADJUST, nullptr, "Change photo image by automatic adjustment or manual adjustment."},
    {IDM_ZOOM25, nullptr, "Change quarter size for original photo size."},
    {IDM_ZOOM50, nullptr, "Change half size for original photo size."},
    {IDM_ZOOM100, nullptr, "Change same size for original photo size."},
    {IDM_ZOOM200, nullptr, "Change twice size for original photo size."},
    {IDM_ZOOM400, nullptr, "Change fourth size for original photo size."},
    {IDM_ROTATE_RIGHT, nullptr, "Rotate the image to clockwize."},
    {IDM_ROTATE_LEFT, nullptr, "Rotate the image to counter clockwize."},
    {IDM_UNDO, "Cannot Select!! Not open image or Not last adjusted image.",
     "Back before photo image only the lastest arranged photo."},
    {IDM_CUTOUT, "Cannot Select!! No cut area has been selected.",
     "Cut the selected area of the image to be pasted in a new window."},
    {IDM_IMAGE_SIZE, nullptr, "Change the image size."},
    {IDM_SLIDE_OPTIONS, nullptr, "Set the Slide Show options."},
    {IDM_SLIDE_START, nullptr, "\"Slide Show\" start."},
};

}  // namespace

std::string MenuHelpText(int command, bool grey, int region) {
    for (const HelpRow& row : kHelpRows) {
        if (row.command != command) continue;
        return grey && row.grey ? row.grey : row.text;
    }
    return IdleText(region);
}

int MenuCommandOfToolbar(int toolbar_command) {
    switch (toolbar_command) {
        case IDT_OPEN:
            return IDM_OPEN;
        case IDT_SAVE_AS:
            return IDM_SAVE_AS;
        case IDT_PRINT:
            return IDM_PRINT;
        case IDT_NEW_ALBUM:
            return IDM_NEW_ALBUM;
        case IDT_DATA_IN:
            return IDM_DATA_IN;
        case IDT_DATA_OUT:
            return IDM_DATA_OUT;
        case IDT_COPY:
            return IDM_COPY;
        case IDT_PASTE:
            return IDM_PASTE;
        case IDT_CUT:
            return IDM_CUT;
        case IDT_ADD_TO_ALBUM:
            return IDM_ADD_TO_ALBUM;
        case IDT_TILE:
            return IDM_TILE;
        case IDT_CASCADE:
            return IDM_CASCADE;
        case IDT_HELP:
            return IDM_HELP_CONTENTS;
        default:
            return 0;
    }
}

const char* GreyToolbarText(int toolbar_command) {
    switch (toolbar_command) {
        case IDT_SAVE_AS:
            return "Cannot select!! There is no file to save.";
        case IDT_PRINT:
            return "Cannot select!! There is no file to print.";
        case IDT_DATA_IN:
        case IDT_DATA_OUT:
            return "Cannot select!! Already connected camera.";
        case IDT_COPY:
        case IDT_CUT:
            return "Cannot Select!! Not open album or Not open image to album.";
        case IDT_PASTE:
            return "Cannot Select!! Not open album or Not copy image.";
        case IDT_ADD_TO_ALBUM:
            return "Cannot Select!! Not open album.";
        case IDT_TILE:
        case IDT_CASCADE:
            return "Cannot Select!! Not open window.";
        default:
            return nullptr;
    }
}

const ToolbarEntry kToolbarLayout[kToolbarEntries] = {
    {IDT_NEW_ALBUM, ImageSource::kBitmap, IDB_NEW_ALBUM, 0, true},
    {IDT_OPEN, ImageSource::kStandard, kStdFileOpen, 0, true},
    {IDT_SAVE_AS, ImageSource::kBitmap, IDB_SAVE_AS, 0, false},
    {0, ImageSource::kNone, 0, 0, false},
    {IDT_DATA_IN, ImageSource::kBitmap, IDB_CAMERA, 0, true},
    {IDT_DATA_OUT, ImageSource::kBitmap, IDB_CAMERA, 1, true},
    {0, ImageSource::kNone, 0, 0, false},
    {IDT_PRINT, ImageSource::kStandard, kStdPrint, 0, false},
    {0, ImageSource::kNone, 0, 0, false},
    {IDT_ADD_TO_ALBUM, ImageSource::kBitmap, IDB_ADD_ALBUM, 0, false},
    {0, ImageSource::kNone, 0, 0, false},
    {IDT_CUT, ImageSource::kStandard, kStdCut, 0, false},
    {IDT_COPY, ImageSource::kStandard, kStdCopy, 0, false},
    {IDT_PASTE, ImageSource::kStandard, kStdPaste, 0, false},
    {0, ImageSource::kNone, 0, 0, false},
    {IDT_CASCADE, ImageSource::kBitmap, IDB_WINDOWS, 0, false},
    {IDT_TILE, ImageSource::kBitmap, IDB_WINDOWS, 1, false},
    {0, ImageSource::kNone, 0, 0, false},
    {IDT_HELP, ImageSource::kBitmap, IDB_HELP, 0, true},
};

BarChoice BarsFromSettings(int tool, int status) {
    if (tool == 0 && status == 0) return {true, true};
    if (tool == 0 && status == 1) return {true, false};
    if (tool == 1 && status == 0) return {false, true};
    return {false, false};
}

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    for (char c : line) {
        if (c == ' ' || c == '\t') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

std::string FileNextTo(const std::string& program_path, const char* file_name) {
    size_t cut = program_path.find_last_of("\\/");
    if (cut == std::string::npos) {
        // A bare drive ("C:name") still names a folder: the drive's current one.
        if (program_path.size() >= 2 && program_path[1] == ':')
            return program_path.substr(0, 2) + file_name;
        return std::string();
    }
    return program_path.substr(0, cut + 1) + file_name;
}
