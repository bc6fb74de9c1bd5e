// Printing on Windows: the print dialog's hook (the options of template "PRINT88C"), Print
// Setup, and the print jobs of one picture or of album sheets with their "Printing..." abort
// dialog "PRTDLG". Each job makes its own printer device context from the printer blocks the
// last dialog left in the shared print record. The pictures of an album are loaded through a
// function the shell hands in, since the picture loader belongs to the album windows.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "codec/dib.h"

// The active document when the dialog opens.
enum PrintDocument { kPrintNoDocument = 0, kPrintImage = 1, kPrintAlbum = 2 };

// The print dialog's hook. Before the dialog the shell says what the active window is; the
// hook answers whether the album is to be printed.
struct PrintHookState {
    int document = kPrintNoDocument;
    bool album = false;
};
PrintHookState& PrintHook();
UINT_PTR CALLBACK PrintOptionsHook(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);

// The Print command's dialog over the shared record (its hook and template set by the shell):
// true on OK, with the printer blocks kept in the record.
bool RunPrintDialog(PRINTDLGA* pd, HWND owner, int document);
// Print Setup: the same record with the print-setup flag for this call only, without the hook.
bool RunPrintSetup(PRINTDLGA* pd, HWND owner);

// Loads a picture of an album; empty (without a word) for a missing file or a file of another
// kind.
using PrintPictureLoader = DibImage (*)(const std::string& path);

// Prints one picture (or its selection, when given and not empty) on one page with the
// layout of the settings. path names the file for the caption lines. Messages 41/42/43 on
// failure.
void PrintImage(HWND frame, const PRINTDLGA& pd, const DibImage* picture, const RECT* selection,
                const std::string& document, const std::string& path);
// Prints the pictures on album sheets with the layout of the settings ("Vistrel" is the
// document name).
void PrintAlbum(HWND frame, const PRINTDLGA& pd, const std::vector<std::string>& paths,
                PrintPictureLoader load);

// The job running now, for tests: its abort dialog (null when none runs).
HWND PrintAbortDialog();

// What the last job sent, for the benchmark: the pages ended, the bytes of the pictures'
// pixels at the size they went to the printer (width x height x 3 each), and how many pictures
// went as the program's own PostScript code rather than through the driver.
struct PrintJobFigures {
    int pages = 0;
    long long pixel_bytes = 0;
    int postscript_pictures = 0;
};
PrintJobFigures LastPrintJobFigures();

// Whether pictures go to a PostScript colour printer as the program's own code in the page (the
// default: the same samples in the same place as the driver would send them, in far fewer
// writes), or through the driver's picture call as on any other printer. The benchmark and the
// tests compare the two.
void SetOwnPostScriptPictures(bool on);
