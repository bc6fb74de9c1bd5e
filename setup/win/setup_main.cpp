// setup.exe's entry.
#include <windows.h>

#include "setup/win/setup_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    return RunSetup(instance, show);
}
