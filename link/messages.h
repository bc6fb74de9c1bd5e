// The fixed message tables of the program and the code-to-message mapping of the camera
// browser. Every box goes through the user-prompt seam with the title and error table of the
// installed link profile.
#pragma once
#include <string>

#include "link/link_error.h"

// Indexes into the program's error table.
enum ErrorIndex {
    kMsgFailedOpenPort = 0,
    kMsgPortInvalid = 1,
    kMsgCannotExecute = 2,
    kMsgTransferError = 3,
    kMsgPortOpenError = 4,
    kMsgDataError = 5,
    kMsgDataErrorRestart = 6,
    kMsgCameraError = 7,
    kMsgMemoryFull = 8,
    kMsgCannotAccess = 9,
    kMsgReadFailed = 10,
    kMsgWriteFailed = 11,
    kMsgNotAvailable = 12,
    kMsgBaudrate = 13,
    kMsgNoFile = 14,
    kMsgFileReadFailed = 15,
    kMsgFileOpenFailed = 16,
    kMsgCannotCreateFile = 17,
    kMsgDiskFull = 18,
    kMsgNameTooLong = 19,
    kMsgNotJpeg = 20,
    kMsgJpegNotTransferable = 21,
    kMsgJpegNotSupported = 22,
    kMsgNoCorrespondence = 23,
    kMsgNoMemory = 24,
    kMsgBmpNotAllocated = 25,
    kMsgNoImages = 26,
    kMsgCannotCopyDir = 27,
    kMsgNotReady = 28,
    kMsgNotAlbum = 29,
    kMsgAlbumCreateFailed = 30,
    kMsgNoAlbumSelected = 31,
    kMsgAlreadyInAlbum = 32,
    kMsgAlbumFull = 33,
    kMsgAlbumCreateFailed2 = 34,
    kMsgBitmapCreateFailed = 35,
    kMsgBitmapGetFailed = 36,
    kMsgClipboardOpen = 37,
    kMsgClipboardEmpty = 38,
    kMsgBitmapCreateFailed2 = 39,
    kMsgJpegCreateFailed = 40,
    kMsgCannotPrint = 41,
    kMsgPrintFailed = 42,
    kMsgUnexpected = 43,
    kMsgAlreadyOpen = 44,
    kMsgNotSavedExists = 45,
    kErrorTableSize = 46,
};

// Indexes into the question table.
enum QuestionIndex {
    kAskDeleteImage = 0,
    kAskCancelDelete = 1,
    kAskCancelPreview = 2,
    kAskDeleteAll = 3,
    kAskCancelTransfer = 4,
    kAskCloseWindow = 5,
    kAskCancelTransferPath = 6,
    kAskImagesOnly = 7,
    kQuestionTableSize = 8,
};

extern const char* const kUndefinedErrorText;  // "It is a non-definition error."

// What differs between the program's and the plug-in's build of the camera link.
struct LinkProfile {
    const char* box_title;
    const char* const* error_table;  // the profile's own error table
    int error_count;
    bool plugin;                    // upper-case port names only, speeds outside the table = 115200
    uint32_t set_speed_timeout_ms;  // each set-speed attempt of the speed negotiation
    uint32_t connect_step_wait_ms;  // 0: the program's own waits between connect steps
    bool single_signature_end;      // the signature end-session command makes one attempt
    bool strict_line_errors;        // signature receiver fails with 18 on any line error
};

const LinkProfile& ProgramLinkProfile();
const LinkProfile& PluginLinkProfile();
// The profile in force; chosen once at start (the program's by default).
const LinkProfile& CurrentLinkProfile();
void SelectLinkProfile(const LinkProfile& profile);

// Error table by the program's index (mapped to the profile's own row); returns the button.
int ShowError(int index);
// Error box by a row of the profile's own table.
int ShowErrorRow(int row);
// Question table; returns kBoxYes or kBoxNo.
int AskYesNo(int index);
// Formatted question table (one integer); returns kBoxYes, kBoxNo or kBoxCancel.
int AskYesNoCancel(int index, int number);
// The camera browser's message for a failed operation's code (nothing for most codes).
void ShowLinkError(LinkError code);
// Error box with a literal text (error icon, OK) and the given owner.
int ShowErrorText(const std::string& text);

// The error-table index that ShowLinkError shows for a code, or -1 for none.
int LinkErrorMessageIndex(LinkError code);
// The index of the message that tells the user of a failure with this code where nothing has
// told them yet: the browser's mapping, and for the codes it leaves out (their message is
// usually shown where they arise) the message that fits them.
int FailureMessageIndex(LinkError code);
// Text of a row of the program's error table, or the undefined-error text.
const char* ErrorText(int index);
const char* QuestionText(int index);
