// setup.exe: copies QX4210.8ba from the folder it is started in into the plug-in folder of the
// image editor that the user picks. The main window shows the splash over the whole screen;
// the work runs from a private message in message boxes and the shell's folder browser.
#pragma once
#include <windows.h>

#include <string>

constexpr UINT kMsgSetupWork = 1280;

// The whole program; returns the exit code.
int RunSetup(HINSTANCE instance, int show);

// Seams for tests: the folder chooser (the shell's browser unless set; false when cancelled),
// and the path of autoexec.bat (c:\autoexec.bat unless set).
using FolderChooser = bool (*)(HWND owner, std::string* folder);
void SetFolderChooser(FolderChooser chooser);
void SetAutoexecPath(const std::string& path);

// Whether a file of that name is there: opening it reports that it exists, or fails for
// another reason. An empty name is absent. The test creates nothing.
bool TargetPresent(const std::string& path);
