// The program's fixed message tables: the error table, the question tables and the box title.
// Every subsystem reports through them (camera link, files, albums, clipboard, printing), so
// they sit at the bottom of the layers. The plug-in shows the same texts under its own title,
// from a table without the two camera-only rows; which tables are in force is chosen once at
// start.
#pragma once
#include <string>

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

// The tables in force: the program's or the plug-in's.
struct MessageTables {
    const char* box_title;
    const char* const* error_table;  // the tables' own error rows
    int error_count;
    bool camera_rows_dropped;  // rows 12 and 13 are missing and every later row is two lower
};

const MessageTables& ProgramMessages();
const MessageTables& PluginMessages();
const MessageTables& CurrentMessages();
void SelectMessages(const MessageTables& tables);

// Error table by the program's index (mapped to the tables' own row); returns the button.
int ShowError(int index);
// Error box by a row of the tables' own error rows.
int ShowErrorRow(int row);
// Question table; returns kBoxYes or kBoxNo.
int AskYesNo(int index);
// Formatted question table (one integer); returns kBoxYes, kBoxNo or kBoxCancel.
int AskYesNoCancel(int index, int number);
// Whether an error box with the text was shown (by any of the functions here) since the last
// ForgetErrorsShown, so that a caller that reports a failure does not repeat what the failing
// operation has said already.
bool ErrorWasShown(const std::string& text);
void ForgetErrorsShown();
// Error box with a literal text (error icon, OK).
int ShowErrorText(const std::string& text);

// Text of a row of the program's error table, or the undefined-error text.
const char* ErrorText(int index);
const char* QuestionText(int index);
