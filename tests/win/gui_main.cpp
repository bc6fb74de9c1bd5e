// The entry point of every Wine GUI test program: its windows marked unmanaged (the program then
// runs itself again to get the setting), a watchdog that ends a hung program, then the tests.
// Each program sets its watchdog's limit through VISTREL_GUI_WATCHDOG_MS (vistrel_gui_main).
#include <gtest/gtest.h>

#include "gui_harness.h"

int main(int argc, char** argv) {
    if (MarkWindowsUnmanaged()) return RunAgain();
    StartWatchdog(VISTREL_GUI_WATCHDOG_MS);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
