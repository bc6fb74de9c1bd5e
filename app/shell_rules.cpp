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
        case kCmdClose:
        case kCmdSaveAs:
        case kCmdTile:
        case kCmdCascade:
        case kCmdCloseAll:
            return s.exists;
        case kCmdSave:
            if (IsActiveImage(s)) return s.image_modified;
            return IsActiveAlbum(s);
        case kCmdPrint:
            return IsActiveImage(s) || IsActiveAlbum(s);
        case kCmdAddToAlbum:
            return IsActiveAlbum(s);
        case kCmdCut:
        case kCmdCopy:
            return IsActiveAlbum(s) && s.album_selected;
        case kCmdPaste:
            return IsActiveAlbum(s) && s.album_paste;
        case kCmdUndo:
            return IsActiveImage(s);
        case kCmdArrangeIcons:
            return any_minimised;
        default:
            return true;
    }
}

const std::vector<int>& PopupManagedCommands() {
    static const std::vector<int> kList = {
        kCmdClose, kCmdSaveAs, kCmdSave, kCmdPrint,   kCmdAddToAlbum, kCmdCut,          kCmdCopy,
        kCmdPaste, kCmdUndo,   kCmdTile, kCmdCascade, kCmdCloseAll,   kCmdArrangeIcons,
    };
    return kList;
}

bool ToolbarButtonEnabled(int command, const ActiveChildState& s) {
    switch (command) {
        case kTbSaveAs:
        case kTbTile:
        case kTbCascade:
            return s.exists;
        case kTbPrint:
            return IsActiveImage(s) || IsActiveAlbum(s);
        case kTbAddToAlbum:
            return IsActiveAlbum(s);
        case kTbCut:
        case kTbCopy:
            return IsActiveAlbum(s) && s.album_selected;
        case kTbPaste:
            return IsActiveAlbum(s) && s.album_paste;
        default:
            return false;
    }
}

const std::vector<int>& ToolbarRefreshed() {
    static const std::vector<int> kList = {kTbSaveAs, kTbPrint, kTbAddToAlbum, kTbCut,
                                           kTbCopy,   kTbPaste, kTbTile,       kTbCascade};
    return kList;
}

namespace {

struct HelpRow {
    int command;
    const char* grey;  // nullptr: the same text in both states
    const char* text;
};

const HelpRow kHelpRows[] = {
    {100, nullptr, "Open an existing file."},
    {101, "Cannot select!! There is no file to save.", "Save the active file."},
    {102, "Cannot select!! There is no file to print.", "Print the image."},
    {103, nullptr, "Exit application."},
    {104, nullptr, "Version infomation and Copyright infomation."},
    {105, nullptr, "Create a new album."},
    {106, "Cannot select!! There is no file to close.", "Close window."},
    {107, "Cannot select!! There is no file to save.", "Save the active file with a new name."},
    {108, nullptr, "Contents."},
    {120, nullptr, "Set the com_port options."},
    {121, nullptr, "Data in from the camera."},
    {122, nullptr, "Data out to the camera."},
    {123, nullptr, "Set the printer options."},
    {125, nullptr, "Set the clock options."},
    {140, "Cannot Select!! Not open album or Not open image to album.",
     "Copy the selected image to the clipboard."},
    {141, "Cannot Select!! Not open album or Not copy image.",
     "Paste the clipboard image at the album."},
    {142, "Cannot Select!! Not open album or Not open image to album.",
     "Move the selected image to the clipboard."},
    {143, "Cannot Select!! Not open album.", "Add the selected image to the album."},
    {160, "Cannot Select!! Not open window.", "Arrange the windows in a tile view."},
    {161, "Cannot Select!! Not open window.", "Arrange the windows in a cascade view."},
    {162, "Cannot Select!! Icon not lined up.", "Arrange the icons."},
    {163, "Cannot Select!! Not open window or line up icon.", "Close all opened windows."},
    {164, nullptr, "Toggle the toolbar on/off."},
    {165, nullptr, "Toggle the statusbar on/off."},
    {170, nullptr, "Change photo image by automatic adjustment or manual adjustment."},
    {171, nullptr, "Change quarter size for original photo size."},
    {172, nullptr, "Change half size for original photo size."},
    {173, nullptr, "Change same size for original photo size."},
    {174, nullptr, "Change twice size for original photo size."},
    {175, nullptr, "Change fourth size for original photo size."},
    {176, nullptr, "Rotate the image to clockwize."},
    {177, nullptr, "Rotate the image to counter clockwize."},
    {178, "Cannot Select!! Not open image or Not last adjusted image.",
     "Back before photo image only the lastest arranged photo."},
    {179, "Cannot Select!! No cut area has been selected.",
     "Cut the selected area of the image to be pasted in a new window."},
    {180, nullptr, "Change the image size."},
    {470, nullptr, "Set the Slide Show options."},
    {500, nullptr, "\"Slide Show\" start."},
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
        case kTbOpen:
            return kCmdOpen;
        case kTbSaveAs:
            return kCmdSaveAs;
        case kTbPrint:
            return kCmdPrint;
        case kTbNewAlbum:
            return kCmdNewAlbum;
        case kTbDataIn:
            return kCmdDataIn;
        case kTbDataOut:
            return kCmdDataOut;
        case kTbCopy:
            return kCmdCopy;
        case kTbPaste:
            return kCmdPaste;
        case kTbCut:
            return kCmdCut;
        case kTbAddToAlbum:
            return kCmdAddToAlbum;
        case kTbTile:
            return kCmdTile;
        case kTbCascade:
            return kCmdCascade;
        case kTbHelp:
            return kCmdHelpContents;
        default:
            return 0;
    }
}

const char* GreyToolbarText(int toolbar_command) {
    switch (toolbar_command) {
        case kTbSaveAs:
            return "Cannot select!! There is no file to save.";
        case kTbPrint:
            return "Cannot select!! There is no file to print.";
        case kTbDataIn:
        case kTbDataOut:
            return "Cannot select!! Already connected camera.";
        case kTbCopy:
        case kTbCut:
            return "Cannot Select!! Not open album or Not open image to album.";
        case kTbPaste:
            return "Cannot Select!! Not open album or Not copy image.";
        case kTbAddToAlbum:
            return "Cannot Select!! Not open album.";
        case kTbTile:
        case kTbCascade:
            return "Cannot Select!! Not open window.";
        default:
            return nullptr;
    }
}

const ToolbarEntry kToolbarLayout[kToolbarEntries] = {
    {kTbNewAlbum, ImageSource::kBitmap, 495, 0, true},
    {kTbOpen, ImageSource::kStandard, kStdFileOpen, 0, true},
    {kTbSaveAs, ImageSource::kBitmap, 494, 0, false},
    {0, ImageSource::kNone, 0, 0, false},
    {kTbDataIn, ImageSource::kBitmap, 496, 0, true},
    {kTbDataOut, ImageSource::kBitmap, 496, 1, true},
    {0, ImageSource::kNone, 0, 0, false},
    {kTbPrint, ImageSource::kStandard, kStdPrint, 0, false},
    {0, ImageSource::kNone, 0, 0, false},
    {kTbAddToAlbum, ImageSource::kBitmap, 497, 0, false},
    {0, ImageSource::kNone, 0, 0, false},
    {kTbCut, ImageSource::kStandard, kStdCut, 0, false},
    {kTbCopy, ImageSource::kStandard, kStdCopy, 0, false},
    {kTbPaste, ImageSource::kStandard, kStdPaste, 0, false},
    {0, ImageSource::kNone, 0, 0, false},
    {kTbCascade, ImageSource::kBitmap, 498, 0, false},
    {kTbTile, ImageSource::kBitmap, 498, 1, false},
    {0, ImageSource::kNone, 0, 0, false},
    {kTbHelp, ImageSource::kBitmap, 499, 0, true},
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
