// Album files (.alb): a 32-byte header, one record per picture (its file's full path in a
// 260-byte field and its thumbnail as a whole DibImage block), then an extension block with
// the pictures' check marks. The pictures themselves live elsewhere; an album only points at
// them, so that a window can show its grid without opening any picture.
//
// Every length in a file is untrusted: a thumbnail length must fit a 96 x 72 24-bit block (plus
// the few bytes of padding a memory block may carry) and the bytes left in the file before
// anything is allocated, and nothing is ever read past the file's end. A file is written under
// a temporary name and takes the album's place only when complete, so a failed save leaves
// the previous file as it was.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/files.h"
#include "codec/dib.h"

constexpr int kAlbumCapacity = 100;
constexpr size_t kAlbumHeaderSize = 32;
constexpr size_t kAlbumPathField = 260;  // the path and its terminator
constexpr size_t kAlbumRecordHead = kAlbumPathField + 4;
constexpr uint16_t kAlbumVersion = 0x0102;
constexpr uint16_t kAlbumVersionNoMarks = 0x0101;
extern const char kAlbumMagic[16];  // "ZEK DSC ALBUM  " and its terminator

// Thumbnails are fitted into this box with the picture's aspect kept.
constexpr int32_t kThumbWidth = 96;
constexpr int32_t kThumbHeight = 72;
// The largest thumbnail block: the 40-byte header and 72 rows of 96 24-bit pixels...
constexpr uint32_t kMaxThumbnailBlock = kInfoHeaderSize + kThumbWidth * 3 * kThumbHeight;
// ...and the padding a file may carry after it (a memory block's size rounded up).
constexpr uint32_t kThumbnailSlack = 32;
constexpr uint32_t kMaxThumbnailLength = kMaxThumbnailBlock + kThumbnailSlack;

// One picture of an album: its image file, its thumbnail (24 bits, at most 96 x 72) and its
// check mark.
struct AlbumPicture {
    std::string path;
    DibImage thumbnail;
    bool mark = false;
};

// An album in memory. path is empty for an album never saved; modified is set by every change
// and cleared by reading and writing the file.
struct Album {
    std::string path;
    bool modified = true;
    std::vector<AlbumPicture> pictures;  // in display order, at most kAlbumCapacity
};

// An album file open for reading, and the bytes left in it after the position read to.
struct AlbumInput {
    ScopedFile file;
    int64_t left = 0;
};

struct AlbumHeader {
    uint16_t version = 0;
    uint16_t count = 0;  // as the file says; a reader stops at kAlbumCapacity (below)
};

// Opens an album file for reading; shows "File cannot be opened." and returns 0 on failure.
int OpenAlbumInput(const std::string& path, AlbumInput* in);

// Reads the header. 1 with *header filled; 0 after "Failed to read the file." (fewer than 32
// bytes) or "This file is not album file." (the magic differs as a zero-terminated string).
// The version and the bytes beside the count are not checked.
int ReadAlbumHeader(AlbumInput* in, AlbumHeader* header);

// Reads the next picture record: the path (up to its terminator) and a new thumbnail block.
// 1 on success; 0 after "Failed to read the file." (a short record, a path field without a
// terminator, a thumbnail length that cannot be a thumbnail or runs past the file's end, or a
// block that is not a 24-bit picture of at most 96 x 72) or "Memory cannot be allocated.".
int ReadPictureRecord(AlbumInput* in, std::string* path, DibImage* thumbnail);

// Fills marks (room for kAlbumCapacity) from the file's extension block; every entry is
// cleared first. Returns 1 when the file has marks. A file that cannot be opened, is no
// album, or whose records are cut short has none and says nothing (the record reader reports
// those); an extension block cut short by the file's end shows "Failed to read the file.". An
// extension block whose parts do not fit its own length, or that lacks "ZEK_P", has no marks.
// Marks beyond the album's capacity are ignored.
int ReadAlbumMarks(const std::string& path, uint8_t* marks);

// Reads a whole album file: the marks, the header and every record. On success returns 1 with
// *album holding the pictures (marks taken from the extension block unless the file is of
// version 0x0101), its path and the modified flag cleared. On failure the message has been
// shown and 0 is returned; *album is left empty. A file of more than kAlbumCapacity pictures
// is refused with "This album is full." and one that names a picture twice with "This image
// is registered already to this album.", as adding them one by one would be.
int LoadAlbumFile(const std::string& path, Album* album);

// Writes the album to path (1 or 0). Failures: "File cannot be opened." (the file cannot be
// made, or the finished file cannot take the path's place), "Disk is full." (a short write),
// "It failed in the getting bitmap." (a picture without a usable thumbnail), "The file Name is
// too long." (a picture's path does not fit its field). On success the album's modified flag
// is cleared and path becomes its path; on failure the album is unchanged and an existing file
// at path is left as it was.
int WriteAlbum(Album* album, const std::string& path);

// The bytes a written album takes: 32 + sum(264 + T) + N + 24.
uint64_t AlbumFileSize(const Album& album);

// True when the block is a thumbnail as the file stores it: a 40-byte header, uncompressed, 24
// bits per pixel, 1..96 x 1..72 pixels, every row in the block.
bool IsAlbumThumbnail(const DibImage& dib);

// Why a picture cannot join the album, as a message index, or -1 when it can: "This album is
// full." (100 pictures), "This image is registered already to this album." (the same path
// without regard to case), "The file Name is too long." (no room in the 260-byte field).
int AlbumAddRefusal(const Album& album, const std::string& path);
// True when both paths are the same without regard to ASCII case.
bool SameAlbumPath(const std::string& a, const std::string& b);

// Thumbnail geometry: the size a width x height picture takes inside 96 x 72 with its aspect
// kept. A picture wider than 4:3 gets width 96 and height h * 96 / w, any other height 72 and
// width w * 72 / h; a side that would round down to 0 is 1.
void ThumbnailSize(int32_t width, int32_t height, int32_t* thumb_width, int32_t* thumb_height);

// A new 24-bit thumbnail of an uncompressed 8-bit or 24-bit picture, scaled with
// nearest-neighbour sampling (source row = row * height / new height, source column likewise);
// an 8-bit picture keeps its palette while scaling and is expanded to 24 bits afterwards.
// Silent; empty for any other kind of picture (the Windows side reads those back from a
// display bitmap) or when memory is short.
DibImage MakeThumbnail(const DibImage& source);
