// What the camera holds: the model-1 image list with its quality codes and the text list that
// shows it, the models-2/3 image count, and thumbnails fetched into files.
#pragma once
#include <string>
#include <vector>

#include "link/link_error.h"
#include "link/session/camera_session.h"

LinkError ReadImageList(CameraSession& s);   // model 1
LinkError ReadImageCount(CameraSession& s);  // models 2 and 3
// Writes the thumbnail of image `number` as a JPEG file at path: the whole file or none.
LinkError FetchThumbnail(CameraSession& s, int number, const std::string& path);

// The model-1 list dialog's list: line i stands for image i + 1.
struct ImageListModel {
    std::vector<std::string> lines;
    std::vector<bool> selected;
    bool select_all = false;
};
// "Image No.%d::Fine Mode" and the like; empty for a code that is not shown.
std::string ImageListLine(int image, uint8_t quality);
// Fills the list from the session's quality table.
void BuildImageList(const CameraSession& s, ImageListModel* list);
// A change of selection turns select-all off.
void SelectLine(ImageListModel* list, int line, bool on);
// The select-all toggle; returns the new state.
bool ToggleSelectAll(ImageListModel* list);
void DeselectAll(ImageListModel* list);
// Selected lines in ascending order, at most 100.
std::vector<int> SelectedLines(const ImageListModel& list);
// After image `line + 1` was deleted: the count drops, later quality codes move down and the
// lines from this one on are made again for the renumbered images.
void RemoveDeletedImage(CameraSession& s, ImageListModel* list, int line);
