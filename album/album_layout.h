// The album window's rules that need no window: where each picture button stands, how big the
// window wants to be and how it grows and shrinks, which picture an arrow key moves to, the
// date under a thumbnail, the checks and the new path of a rename in place, and the file list
// an open dialog with several files returns.
#pragma once
#include <string>
#include <vector>

#include "codec/camera_segments.h"

// A picture button is 130 x 150 pixels, five to a row on a 135 x 155 pitch, 5 pixels in.
constexpr int kAlbumButtonWidth = 130;
constexpr int kAlbumButtonHeight = 150;
constexpr int kAlbumColumns = 5;

struct AlbumSize {
    int width = 0;
    int height = 0;
};

// Top left corner of button index (from 0) in the unscrolled client area.
void AlbumButtonOrigin(int index, int* x, int* y);
// The client size that shows the whole grid of count pictures (count 0 counts as 1).
AlbumSize AlbumWantedClientSize(int count);
// The client size after a picture was added: a side that showed the whole grid of the previous
// count grows to the new grid (never shrinks); a smaller side keeps its size.
AlbumSize AlbumClientAfterAdd(AlbumSize client, int previous_count, int new_count);
// The client size after a picture was removed: each side the smaller of what it is and what
// the new grid wants.
AlbumSize AlbumClientAfterRemove(AlbumSize client, int new_count);
// A scroll range's maximum: wanted + bar - client - 1, or 0 when the wanted area fits.
int AlbumScrollMax(int wanted, int client, int bar);

enum class AlbumKey { kLeft, kRight, kUp, kDown };
// The picture an arrow key selects from current among count, or -1 when there is none.
int AlbumKeyTarget(int current, int count, AlbumKey key);

// The date under a thumbnail by the regional setting: "JAN. 5, 2001" (English), "5 JAN.,2001"
// (French, German), "2001/1/5" (Japanese); empty without a date.
std::string AlbumDateText(const CameraDate& date, int region);

// A rename in place. The characters a file name may not hold (the Japanese setting also
// refuses a comma and a semicolon); double-byte characters of the Japanese setting are passed
// over whole.
bool RenameTextForbidden(const std::string& text, int region);
// "Filename cannot contain the following characters.\n\t" and the characters, blank-separated.
std::string RenameForbiddenMessage(int region);
// The new path: the old path's folder and the text, with the old extension appended unless the
// text already ends with it (the last four characters compared). False when it would be longer
// than 260 characters.
bool RenamedPath(const std::string& old_path, const std::string& text, std::string* new_path);

// The order in which the files chosen in the open dialog are added: as chosen, but the first
// and the last change places.
void AlbumAddOrder(std::vector<std::string>* files);
