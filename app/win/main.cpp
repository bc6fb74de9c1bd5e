// Vistrel.exe's entry point. VISTREL_REGION (0 to 3) overrides the region read from the
// system, so that every regional variant can be looked at on one machine.
#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>

#include "app/win/app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int show) {
    StartupOptions options;
    if (const char* region = std::getenv("VISTREL_REGION")) {
        if (region[0] >= '0' && region[0] <= '3' && region[1] == '\0')
            options.region_override = region[0] - '0';
    }
    // The camera waits block in the system a millisecond at a time; a 1 ms timer keeps such a
    // wait from stretching to the default tick of 15.6 ms.
    timeBeginPeriod(1);
    const int result = AppMain(instance, command_line, show, options);
    timeEndPeriod(1);
    return result;
}
