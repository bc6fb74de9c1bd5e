// Decoding and encoding one file under a progress dialog: the frame is disabled, the bar runs
// from 0 to 25 with the rows, commands are dropped meanwhile, and the file's name is shown.
#pragma once
#include <windows.h>

#include <string>

#include "codec/dib.h"

// The frame window that the flows disable (not owned); the program sets it at start.
void SetCodingFrame(HWND frame);

// A run of several files decoded under one progress dialog that is showing (adding pictures to
// an album): between these its files share one pace, so that the windows are served every
// 50 ms across the run rather than at each file's start, and each file's name goes up on the
// dialog when the pace is due.
void BeginCodingRun();
void EndCodingRun();

// JPEG file to a picture in memory (what the decoder's BMP file would hold). A camera
// operation's progress dialog that is showing is used and left open; otherwise one is made from
// the region's template and destroyed afterwards. Returns the decoder's result (1 or 0).
int ExtractPictureWithProgress(HWND owner, const std::string& jpeg_path,
                               const std::string& display_name, int colors, DibImage* picture);
// A picture in memory to JPEG file with sampling "2x1,1x1,1x1", always under a dialog of its
// own.
int CompressPictureWithProgress(HWND owner, const DibImage& picture, const std::string& jpeg_path,
                                const std::string& display_name, int quality);
