// What an album needs of a picture file before the picture can join it: its kind by name, the
// picture itself (a BMP file loaded, a JPEG file decoded into memory), and the
// name rules of album files.
#pragma once
#include <string>

#include "codec/camera_segments.h"
#include "codec/dib.h"

enum class PictureKind { kJpeg, kBmp, kOther };
// By the file name's extension (".jpg", ".jpeg", ".bmp", without regard to case).
PictureKind PictureKindOf(const std::string& path);

// Decodes a JPEG file into a picture in memory (1 or 0, the message shown). The Windows program
// decodes under its progress dialog; without a decoder of its own a caller gets the codec's
// plain one.
using JpegDecodeFunction = int (*)(const std::string& jpeg_path, DibImage* picture);

// Loads the picture a file holds. Failures show their message and return an empty image: "File
// does not exist.", "There is no correspondence between this file." (neither JPEG nor BMP), or
// what loading or decoding said.
DibImage LoadAlbumSource(const std::string& path, JpegDecodeFunction decode);

// A thumbnail of any uncompressed picture of 1, 4, 8 or 24 bits (a palette picture of 1 or 4
// bits is expanded first); silent and empty for any other picture.
DibImage ThumbnailFromSource(const DibImage& source);

// The recording date of a picture: a JPEG file's camera date, nothing for any other file.
CameraDate PictureDate(const std::string& path);

// The name a saved album takes: ".alb" appended unless the name already ends with ".alb" or
// ".ALB".
std::string AlbumSaveName(const std::string& name);
