// The image window's save types and the names they give files.
#pragma once
#include <string>

// The save dialog's five types, in the order of its filters (1-based as the dialog counts).
enum SaveType {
    kSaveJpegStandard = 1,
    kSaveJpegLow = 2,
    kSaveJpegHigh = 3,
    kSaveBmp24 = 4,
    kSaveBmp8 = 5,
};
// The filter list of the save dialog, each text followed by its pattern, ending in an empty
// text.
extern const char kSaveFilters[];

// The type a picture is saved as by Save: JPEG(standard) for a picture opened from (or last
// saved as) JPEG, else "Full Color BMP" for 24 bits, else "256 Color BMP".
int DefaultSaveType(bool from_jpeg, int bits);
bool IsJpegSaveType(int type);
// The JPEG quality of a type (75, 55, 95), 0 for the BMP types.
int SaveTypeQuality(int type);
// The BMP depth of a type (24 or 8), 0 for the JPEG types.
int SaveTypeBits(int type);
// The name a confirmed dialog saves under: ".jpg" or ".bmp" appended unless the name already
// ends so (in any case).
std::string NameForSaveType(const std::string& name, int type);
// The name in the dialog after the user picked another type: its extension (a dot in the last
// part) replaced by the type's, or the type's added.
std::string SwapSaveExtension(const std::string& name, int type);
// "Could not be saved on %s. \n..." for a path another window shows.
std::string SavedElsewhereText(const std::string& path);
// "(%s) was updated!! Do you want to save?"
std::string SaveQuestionText(const std::string& title);
