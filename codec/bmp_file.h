// BMP files in and out of DibImage blocks. Every header field is checked before anything is
// allocated; the file is read and written in pieces of at most 32767 bytes. A file is written
// under a temporary name beside it and renamed into place only when complete.
//
// This is the one BMP reader and writer of the program: the JPEG encoder reads its input
// through ReadBmpStream, and the decoder writes its output through WriteBmpHead/WriteBmpRows.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

#include "codec/dib.h"

class PendingFile;

// Reads a BMP file into a new block; a 12-byte core header is converted to the 40-byte form at
// once (longer headers of the later BMP versions are cut to their first 40 bytes). A file
// whose information header gives a negative height stores its rows top row first: the block
// gets them bottom-up with a positive height. Failures show their message and return an empty
// image:
//   "File cannot be opened."              the file cannot be opened;
//   "This BMP file cannot be allocated."  empty, shorter than 14 bytes, not "BM", or a header
//                                         field out of its range (header size, planes, bit
//                                         count, compression, palette count, data offset);
//   "Memory cannot be allocated."         a side outside 1..32767, more than 256 MiB of pixel
//                                         rows, a core header of 16 or 32 bits, or memory
//                                         short;
//   "Failed to read the file."            a short read, or a top-down file without every row.
// The pixel data of a bottom-up file may be shorter than the rows need: such a block loads, and
// the operations that walk rows refuse it.
DibImage LoadBmpFile(const std::string& path);
// The same on a stream open for reading, silent (no message, no cursor): true with *out the new
// block, or false with *message the message LoadBmpFile would show.
bool ReadBmpStream(std::FILE* f, DibImage* out, int* message);

// Writes the block after a 14-byte file header. Failures: "File cannot be opened." (also when
// the finished file cannot take the path's place), "Disk is full." (a short write or a failed
// close); either leaves no file behind and an existing one as it was. Returns 1 or 0.
int SaveBmpFile(const std::string& path, const DibImage& dib);

// The writing part of SaveBmpFile, silent, in two steps for a writer that fills the rows after
// the header is out: the file header with the block's header and palette, then the rows.
// False when a write failed.
bool WriteBmpHead(PendingFile* f, const DibImage& dib);
bool WriteBmpRows(PendingFile* f, const DibImage& dib);
