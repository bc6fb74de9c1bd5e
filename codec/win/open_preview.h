// The program's open dialogs show the chosen picture: the "FILEOPEN" extension adds a
// three-state "&Preview:" box (0 off, 1 shown, 2 waiting) and a picture box under the standard
// controls. The box starts waiting when the "PrevOn" setting is not 0 and is written back to
// it when the user confirms. JPEG files are decoded into memory. Every open dialog of the program
// (upload, image, album) runs through here.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The states of the "&Preview:" box.
enum PreviewBoxState { kPreviewOff = 0, kPreviewShown = 1, kPreviewWaiting = 2 };

struct OpenDialogRequest {
    HWND owner = nullptr;
    const char* title = nullptr;   // nullptr: the system's own
    const char* filter = nullptr;  // pairs of zero-ended texts, ended by an empty text
    int filter_index = 1;
    std::string initial_folder;
    bool multiple = false;
    size_t buffer_size = 260;  // the result buffer (30720 for multiple selections)
    // Filter indexes (from 1) whose files have no picture to show (album files).
    std::vector<int> no_preview_filters;
};

// Runs the open dialog with the preview. True on OK with *files the chosen paths (one or
// more); false when cancelled or when the result did not fit the buffer (*too_long is set
// then, for the caller's message).
bool RunOpenDialogWithPreview(const OpenDialogRequest& request, std::vector<std::string>* files,
                              bool* too_long = nullptr);

// The window of the open dialog now up, or nullptr (for tests and for callers that own boxes).
HWND OpenPreviewDialog();
