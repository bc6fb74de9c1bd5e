#include "base/messages.h"

#include <cstdio>
#include <string>
#include <vector>

#include "base/platform.h"
#include "res/shell_ids.h"

const char* const kUndefinedErrorText = "It is a non-definition error.";

namespace {

const char* const kErrorTable[kErrorTableSize] = {
    "Failed to open COM Port.",
    "COM Port is invalid.",
    "Command cannot be executed.",
    "Unexpected error has occurred during image transfer.",
    "Unexpected error has occurred during COM Port open.",
    "Data error has occurred.",
    "Data error has occurred.\nPlease turn off the camera and turn on again.",
    "Camera error has occurred.",
    "Camera memory is full.",
    "Cannot access Camera.\nMake sure Camera is turned on and properly connected.",
    "Failed to read from the COM Port.",
    "Failed to write to the COM Port.",
    "This function is not available on this camera.",
    "This camera cannot connect with this baudrate.\nChange lower baudrate and connect agein.",
    "File does not exist.",
    "Failed to read the file.",
    "File cannot be opened.",
    "Can't Create File.",
    "Disk is full.",
    "The file Name is too long.",
    "This is not a Jpeg file.",
    "This JPEG file cannot be transferred to the Camera.\nFile Name : %s\n",
    "This JPEG file type cannot be supported.\nFile Name : %s\n",
    "There is no correspondence between this file.",
    "Memory cannot be allocated.",
    "This BMP file cannot be allocated.",
    "This Camera has no stored images.",
    "Cannot copy This Directory. Please Change Directory.\n",
    "Not Ready or Cannot Write to Drive.",
    "This file is not album file.",
    "It failed in the creating the album.",
    "The photo putting album is not selected.",
    "This image is registered already to this album.",
    "This album is full.",
    "It failed in the creating the album.",
    "It failed in the creating the bitmap.",
    "It failed in the getting bitmap.",
    "Can not open the Clip board.",
    "No available data exists in the Clip board.",
    "It failed in the creating bitmap.",
    "It failed in the creating JPEG.",
    "This image cannot be printed.",
    "It failed to print.",
    "The error not to expect occurred.",
    "File with same name has already been opened.",
    "Image not saved because it already existed.",
};

// The plug-in's table: the program's without the two camera-only rows (12 and 13), so every
// later row is two lower, and its "Can't Create File" has no full stop.
const char* const kPluginErrorTable[kErrorTableSize - 2] = {
    kErrorTable[0],      kErrorTable[1],  kErrorTable[2],  kErrorTable[3],  kErrorTable[4],
    kErrorTable[5],      kErrorTable[6],  kErrorTable[7],  kErrorTable[8],  kErrorTable[9],
    kErrorTable[10],     kErrorTable[11], kErrorTable[14], kErrorTable[15], kErrorTable[16],
    "Can't Create File", kErrorTable[18], kErrorTable[19], kErrorTable[20], kErrorTable[21],
    kErrorTable[22],     kErrorTable[23], kErrorTable[24], kErrorTable[25], kErrorTable[26],
    kErrorTable[27],     kErrorTable[28], kErrorTable[29], kErrorTable[30], kErrorTable[31],
    kErrorTable[32],     kErrorTable[33], kErrorTable[34], kErrorTable[35], kErrorTable[36],
    kErrorTable[37],     kErrorTable[38], kErrorTable[39], kErrorTable[40], kErrorTable[41],
    kErrorTable[42],     kErrorTable[43], kErrorTable[44], kErrorTable[45],
};

const char* const kQuestionTable[kQuestionTableSize] = {
    "Are you sure you want to delete Image No.%d?",
    "Cancel Delete Really?",
    "Cancel image preview?",
    "Delete all images?",
    "Cancel image transfer?",
    "OK to close window?",
    "Cancel image transfer?",
    "Does it Transfer Only Image(s)?",
};

const char* const kFormattedQuestion = "Are you sure you want to delete Image No.%d?";

const MessageTables kProgramTables = {kAppTitle, kErrorTable, kErrorTableSize, false};
const MessageTables kPluginTables = {"Quenlar QX-4210 Plug-in Driver", kPluginErrorTable,
                                     kErrorTableSize - 2, true};
const MessageTables* g_tables = &kProgramTables;
// The error texts shown since the last ForgetErrorsShown (the first few are enough).
std::vector<std::string> g_errors_shown;
constexpr size_t kErrorsRemembered = 16;

int Box(const std::string& text, BoxStyle style) {
    UserPrompts& p = *Plat().prompts;
    if (style == BoxStyle::kError && g_errors_shown.size() < kErrorsRemembered)
        g_errors_shown.push_back(text);
    p.SetCursor(CursorKind::kArrow);
    return p.ShowBox(text, g_tables->box_title, style, BoxOwner::kFocus);
}

}  // namespace

const MessageTables& ProgramMessages() {
    return kProgramTables;
}
const MessageTables& PluginMessages() {
    return kPluginTables;
}
const MessageTables& CurrentMessages() {
    return *g_tables;
}
void SelectMessages(const MessageTables& tables) {
    g_tables = &tables;
}

const char* ErrorText(int index) {
    return index >= 0 && index < kErrorTableSize ? kErrorTable[index] : kUndefinedErrorText;
}

const char* QuestionText(int index) {
    return index >= 0 && index < kQuestionTableSize ? kQuestionTable[index] : kUndefinedErrorText;
}

int ShowErrorRow(int row) {
    const char* text =
        row >= 0 && row < g_tables->error_count ? g_tables->error_table[row] : kUndefinedErrorText;
    return Box(text, BoxStyle::kError);
}

bool ErrorWasShown(const std::string& text) {
    for (const std::string& shown : g_errors_shown)
        if (shown == text) return true;
    return false;
}
void ForgetErrorsShown() {
    g_errors_shown.clear();
}

int ShowError(int index) {
    if (g_tables->camera_rows_dropped && index >= kMsgNotAvailable) {
        // The plug-in has no rows for the two camera-only texts; the rest move up by two.
        return ShowErrorRow(index <= kMsgBaudrate ? -1 : index - 2);
    }
    return ShowErrorRow(index);
}

int ShowErrorText(const std::string& text) {
    return Box(text, BoxStyle::kError);
}

int AskYesNo(int index) {
    if (index < 0 || index >= kQuestionTableSize) {
        Box(kUndefinedErrorText, BoxStyle::kError);
        return kBoxNo;
    }
    return Box(kQuestionTable[index], BoxStyle::kYesNo) == kBoxYes ? kBoxYes : kBoxNo;
}

int AskYesNoCancel(int index, int number) {
    if (index != 0) {
        Box(kUndefinedErrorText, BoxStyle::kError);
        return kBoxNo;
    }
    char text[56];
    std::snprintf(text, sizeof text, kFormattedQuestion, number);
    int r = Box(text, BoxStyle::kYesNoCancel);
    return r == kBoxYes || r == kBoxCancel ? r : kBoxNo;
}
