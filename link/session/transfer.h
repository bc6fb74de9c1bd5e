// Copying camera images into a folder as numbered "DSC" files, collecting them into an album,
// and the small buffer and file helpers every camera operation shares.
#pragma once
#include <string>
#include <vector>

#include "base/path.h"
#include "link/link_error.h"
#include "link/session/camera_session.h"

// The largest image or thumbnail the program accepts from a camera.
constexpr uint32_t kMaxCameraImageBytes = 64u << 20;

// Sizes the session's image buffer for `size` bytes in whole 1024-byte blocks; "Memory cannot
// be allocated." and 1 when the size is beyond what a camera can hold.
LinkError AllocateImageBuffer(CameraSession& s, uint32_t size);
void FreeImageBuffer(CameraSession& s);
// Creates (or replaces) the file with exactly size bytes, written beside it and renamed into
// place when complete: "Can't Create File." and -1 when it cannot be made, "Disk is full." and
// -1 when a write fails (nothing is left behind either way).
LinkError WriteWholeFile(const std::string& path, const uint8_t* data, uint32_t size);

// "DSC0001.jpg" and so on.
std::string DscFileName(int number);
// The folder part of a path the folder chooser returned.
std::string FolderOfChosenPath(const std::string& chosen);
// Highest "DSC" number in a folder (9999 when DSC9999.jpg exists or the folder cannot be
// written).
int HighestDscNumber(const std::string& folder);

bool ChooseTransferFolder(CameraSession& s);
// Whether count more files fit below DSC10000; sets the last file number.
bool CheckFolderRoom(CameraSession& s, int count);
// Transfers the images (numbers from 1) into the session's folder; *copied (when given) is the
// number of images saved (an image the transfer record's name_file left out is not). An image
// that failed makes the run fail with its code, even where the run went on with the next image;
// a failure of the line itself (IsLineFailure) ends the run at once.
LinkError TransferSelected(CameraSession& s, const std::vector<int>& images, int* copied = nullptr);
