// The module's port settings written straight into the registry, value by value, as a user's
// earlier session would have left them: the tests that load the module from outside check its
// reading of the stored format without going through its own writer.
#pragma once

// Software\Vistrel\Plugin: ComPort as four characters without a terminator, BaudRate as a
// DWORD in hundreds (1152 for 115200); true when both were written.
bool StorePluginPortByHand(const char port[4], unsigned long baud);
