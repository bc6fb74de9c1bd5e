// The frame's command table: every menu and toolbar command, the kind of window it acts on and
// the function that carries it out. A command travels frame -> RunCommand -> the first row whose
// target fits the active MDI child -> its handler; afterwards the frame works out its menu again
// (UpdateMenuState). docs/shell.md walks through it.
#pragma once
#include <windows.h>

#include <string>

// Installs, once when the frame is made, what the windows below the shell borrow from it: the
// image windows' host, the album windows' hooks, the slide show's loaders and the camera
// windows.
void InstallShellHooks(HWND frame);

// Carries out a menu or toolbar command (a toolbar button stands for its menu command). False
// for an identifier that is not a command of the frame's; true otherwise, also when the active
// window is not one the command acts on (then nothing happens).
bool RunCommand(HWND frame, int id);

// Opens one file named on the command line into a new window (words naming no existing file
// are skipped without a message).
void OpenFileByPath(HWND frame, const std::string& path);
