// What kind of file the image window's Open is given, told by its bytes, not its name.
#pragma once
#include <string>

enum FileKind {
    kFileEmptyPath = -1,
    kFileUnknown = 0,
    kFileBmp = 1,
    kFileJpeg = 2,
    kFileAlbum = 3
};

// JPEG: a start marker in the first 2048 bytes (and the file's first bytes not those of a BMP)
// and an end marker in the last 2048. BMP: "BM" at the start. Album: the album signature as a
// terminated string in the first 32 bytes.
int DetectFileKind(const std::string& path);
