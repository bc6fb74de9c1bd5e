// The Windows side of vistrel-acquire-host: loading a module file as an image editor does
// (its property list first, then its entry point by the name the list gives), the host's main
// window that owns the module's dialogs, and the program's main.
#pragma once
#include <windows.h>

#include <string>

#include "plugin/host/acquire_host.h"
#include "plugin/host/pipl.h"

// A loaded module; frees the library when it goes.
struct AcquireModule {
    AcquireModule() = default;
    ~AcquireModule();
    AcquireModule(const AcquireModule&) = delete;
    AcquireModule& operator=(const AcquireModule&) = delete;

    HMODULE library = nullptr;
    PiplInfo pipl;
    PluginEntryPoint entry = nullptr;
};

// Loads the module at path and checks that it is an acquire module with its entry point.
// False with a sentence for the user in *error.
bool LoadAcquireModule(const std::string& path, AcquireModule* m, std::string* error);

// The host's main window (visible, a plain top-level window) for platformData; null when it
// cannot be made.
HWND CreateHostWindow();

// A host with its main window: the program's, and the one the tests drive.
struct WindowedHost : AcquireHost {
    explicit WindowedHost(PluginEntryPoint entry);
    ~WindowedHost();
    HWND window = nullptr;
};

// The program: reads the command line, loads the module, runs the session (or the about
// call), writes the pictures and the log. 0 when all went as the module meant it, 1 when a
// call failed or a file could not be written, 2 for a bad command line or module.
int AcquireHostMain(int argc, char** argv);
