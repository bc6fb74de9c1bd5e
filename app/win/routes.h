// Where the frame hands over the commands that other windows carry out: the image window,
// albums, editing, printing, the slide show and the camera flows. Each entry does nothing
// until the window or flow that carries it out is built; the frame already does its own part
// around them (CameraBusy, greying, disabling the frame).
#pragma once
#include <windows.h>

#include <string>

// Menu commands carried out elsewhere (open, save, print, albums, editing, zoom, slide show,
// COM port setup). The frame has already checked nothing about the active window.
void RunRoutedCommand(HWND frame, int command);

// Data in from Camera: starts the browse session, which opens the modeless camera browser and
// ends with EndCameraSession(). False when no session was started; the frame then gives its
// camera commands back at once.
bool StartCameraBrowser(HWND frame);
// Data out to Camera and Clock Setup, run while the frame is disabled.
void RunUpload(HWND frame);
void RunClockSetup(HWND frame);

// Opens one file named on the command line into a new window (words naming no existing file
// are skipped without a message).
void OpenFileByPath(HWND frame, const std::string& path);

// What the image and album windows know of themselves (their records are theirs).
bool ImageWindowModified(HWND child);
bool AlbumHasSelection(HWND child);
bool AlbumHasPasteSource(HWND child);

// Window procedures of the classes that the frame registers for other windows.
LRESULT CALLBACK ImageWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK AlbumWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK AlbumButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK SlideShowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// The print dialog's hook procedure (printing fills it in).
UINT_PTR CALLBACK PrintDialogHook(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
