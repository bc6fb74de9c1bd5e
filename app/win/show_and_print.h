// The frame's slide show and print commands: what the shell hands to the slide show and the
// print jobs (the album reader, the picture loader, the active window's pictures).
#pragma once
#include <windows.h>

// Runs Print, Print Setup, Slide Show Options or Start Slide Show; false for any other command.
bool RunShowOrPrintCommand(HWND frame, int command);

// Installs the slide show's album reader and picture loader (idempotent).
void EnsureSlideShowShell();
