// The album window: an MDI child of class ZEKAlbumChild showing an album's pictures as a grid
// of ZEKAlbumButton picture buttons, five to a row, each with its thumbnail, date, file name
// and check box. Every picture enters an album through AddPicture (adding files, reading an
// album file, pasting, dropping, the camera transfer).
//
// Each album window owns its record (the portable Album plus one button record per picture);
// the record's address is in window word 0 and the kind in word 1, as for every window of the
// program, and the record is found through them. The shell supplies what lives above this layer
// through AlbumShellHooks.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "album/album_file.h"
#include "album/album_picture.h"

// What the program's shell lends the album windows. Every member may be left empty.
struct AlbumShellHooks {
    HWND mdi_client = nullptr;  // the frame's MDI client, parent of every album window
    // JPEG file to a picture in memory under the program's progress dialog; empty: the plain
    // decoder.
    JpegDecodeFunction decode_jpeg = nullptr;
    // The image window that shows a file, or none.
    HWND (*image_window_for)(const std::string& path) = nullptr;
    // Opens a JPEG or BMP file (it exists) in a new image window.
    void (*open_image)(const std::string& path) = nullptr;
    // The file dialogs; empty: the program's dialogs. choose_files gets the files to add, in the
    // order they go in (false when cancelled), choose_save_name the album's new name before the
    // ".alb" rule.
    bool (*choose_files)(HWND owner, std::vector<std::string>* files) = nullptr;
    bool (*choose_save_name)(HWND owner, std::string* path) = nullptr;
    // Opens (true) and closes (false) one progress dialog around the decoding of several files,
    // so that each file's decoder reuses it; empty: each file brings its own.
    void (*progress_batch)(bool on) = nullptr;
    // Told when what the frame's menu shows may have changed (an album window activated or
    // gone); the frame owns the menu.
    void (*state_changed)() = nullptr;
};
void SetAlbumShellHooks(const AlbumShellHooks& hooks);
AlbumShellHooks& AlbumShell();

// Window procedures of the two classes (the shell registers the classes with two window
// words and routes its procedures here).
LRESULT CALLBACK AlbumChildProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK AlbumPictureButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// A new empty album window titled "Album %d" (the counter starts at 1), or none after "It
// failed in the creating the album.".
HWND NewAlbum();
// Reads an album file into a new window titled with the file's name. An album window already
// showing the file is brought forward instead ("File with same name has already been
// opened."); any failure destroys the half-built window and returns none.
HWND OpenAlbum(const std::string& path);
// Adds a picture made from source (its thumbnail is fitted from it) at the album's end and
// makes it current; returns its button or none. Refusals: "This album is full.", "This image
// is registered already to this album.", "The file Name is too long.", "It failed in the
// creating the bitmap.", "Memory cannot be allocated.", "It failed in the creating the
// album.". A refused picture leaves the album unchanged.
HWND AddPicture(HWND album, const std::string& path, const DibImage& source, bool mark);
// The Edit menu's "&Add to Album...": files from the open dialog, loaded and added in turn
// until the album is full.
void AddPictureFiles(HWND album);
// Removes the focused picture (the next, else the previous one becomes current).
bool RemoveCurrentPicture();
// Copy puts the focused picture's thumbnail (CF_DIB) and path (CF_TEXT) on the clipboard; Cut
// copies, then removes. Paste adds the clipboard's picture to the album.
bool CopyCurrentPicture();
bool CutCurrentPicture();
bool PastePicture(HWND album);
// Opens a picture in an image window (through the shell).
void OpenPicture(HWND button);
// Save (as Save As when the album has no path) and Save As; 1 when saved.
int SaveAlbum(HWND album);
int SaveAlbumAs(HWND album);
// The close question of a modified album; true when the window may close.
bool AlbumMayClose(HWND album);

// What the shell asks of an album window.
bool IsAlbumWindow(HWND hwnd);
bool AlbumHasCurrentPicture(HWND album);
bool ClipboardHasAlbumPicture();
const Album* AlbumOfWindow(HWND album);
HWND AlbumCurrentButton(HWND album);
HWND AlbumButtonAt(HWND album, int index);
// The picture button keyboard input and the Edit menu act on, or none.
HWND FocusedPictureButton();
// Moves a picture's copy from one album window to another, as dropping it there does.
bool DropPicture(HWND button, HWND target_album);

// The camera transfer's album: a new album window that receives the transferred files, and
// one file added to it (loaded and fitted into a thumbnail). False on failure (the message
// has been shown).
bool CreateTransferAlbum();
bool AddFileToTransferAlbum(const std::string& path);
