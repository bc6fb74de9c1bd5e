#include "edit/save_rules.h"

#include "base/path.h"

const char kSaveFilters[] =
    "JPEG(standard)(*.JPG)\0*.jpg\0"
    "JPEG(Low Quality)(*.JPG)\0*.jpg\0"
    "JPEG(High Quality)(*.JPG)\0*.jpg\0"
    "Full Color BMP(*.BMP)\0*.bmp\0"
    "256 Color BMP(*.BMP)\0*.bmp\0";

int DefaultSaveType(bool from_jpeg, int bits) {
    if (from_jpeg) return kSaveJpegStandard;
    return bits == 24 ? kSaveBmp24 : kSaveBmp8;
}

bool IsJpegSaveType(int type) {
    return type == kSaveJpegStandard || type == kSaveJpegLow || type == kSaveJpegHigh;
}

int SaveTypeQuality(int type) {
    switch (type) {
        case kSaveJpegStandard:
            return 75;
        case kSaveJpegLow:
            return 55;
        case kSaveJpegHigh:
            return 95;
        default:
            return 0;
    }
}

int SaveTypeBits(int type) {
    return type == kSaveBmp24 ? 24 : type == kSaveBmp8 ? 8 : 0;
}

std::string NameForSaveType(const std::string& name, int type) {
    const char* ext = IsJpegSaveType(type) ? ".jpg" : ".bmp";
    return HasExtension(name, ext) ? name : name + ext;
}

std::string SwapSaveExtension(const std::string& name, int type) {
    const char* ext = IsJpegSaveType(type) ? ".jpg" : ".bmp";
    size_t start = 0;
    for (size_t i = 0; i < name.size(); ++i)
        if (IsPathSeparator(name[i])) start = i + 1;
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot >= start) return name.substr(0, dot) + ext;
    return name.empty() ? name : name + ext;
}

std::string SavedElsewhereText(const std::string& path) {
    return "Could not be saved on " + path +
           ". \nFile may have already been opened.\nSave under a different name or close the "
           "file and execute again.";
}

std::string SaveQuestionText(const std::string& title) {
    return "(" + title + ") was updated!! Do you want to save?";
}
