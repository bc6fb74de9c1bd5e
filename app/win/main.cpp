// Vistrel.exe's entry point. VISTREL_REGION (0 to 3) overrides the region read from the
// system, so that every regional variant can be looked at on one machine.
#include <windows.h>

#include <cstdlib>

#include "app/win/app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show) {
    StartupOptions options;
    if (const char* region = std::getenv("VISTREL_REGION")) {
        if (region[0] >= '0' && region[0] <= '3' && region[1] == '\0')
            options.region_override = region[0] - '0';
    }
    return AppMain(instance, command_line, show, options);
}
