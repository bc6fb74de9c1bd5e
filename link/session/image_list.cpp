#include "link/session/image_list.h"

#include <cstdio>

#include "base/files.h"
#include "base/platform.h"
#include "base/messages.h"
#include "link/protocol.h"
#include "link/session/transfer.h"

LinkError ReadImageList(CameraSession& s) {
    LinkError r = SigImageList(s);
    if (r != kLinkOk) return r;
    s.quality.fill(255);
    // Only the bytes that were read count, whatever the camera announced.
    ByteReader pairs = SigReplyData(s);
    if (pairs.size() < 2) {
        s.image_count = 0;
        ShowError(kMsgNoImages);
        return kLinkNoImage;
    }
    s.image_count = static_cast<int32_t>(pairs.size() / 2);
    while (pairs.left() >= 2) {
        const uint8_t number = pairs.U8();
        const uint8_t quality = pairs.U8();
        if (number >= 1 && number <= 100) s.quality[number - 1] = quality;
    }
    return kLinkOk;
}

LinkError ReadImageCount(CameraSession& s) {
    uint32_t count = 0;
    LinkError r = SeqImageCount(s, &count);
    if (r == kLinkOk) s.image_count = static_cast<int32_t>(count);
    return r;
}

LinkError FetchThumbnail(CameraSession& s, int number, const std::string& path) {
    uint32_t size = 0;
    LinkError r = SeqThumbnailSize(s, number, &size);
    if (r != kLinkOk) return r;
    r = AllocateImageBuffer(s, size);
    if (r != kLinkOk) return r;
    r = SeqReadBlocks(s, s.block_count, true);
    if (r == kLinkOk) {
        s.cancel_seen = CancelRequested();
        SetCancelRequested(false);
        r = WriteWholeFile(path, s.image.data(), size);
    }
    FreeImageBuffer(s);
    return r;
}

std::string ImageListLine(int image, uint8_t quality) {
    const char* format;
    switch (quality) {
        case 0:
            format = "Image No.%d::Normal Mode";
            break;
        case 1:
            format = "Image No.%d::Fine Mode";
            break;
        case 2:
        case 3:
            format = "Image No.%d::Super Fine Mode";
            break;
        default:
            return std::string();
    }
    char line[64];
    std::snprintf(line, sizeof line, format, image);
    return line;
}

namespace {

// Adds lines for images from `first` on until the list holds as many lines as the camera has
// images.
void AddLinesFrom(const CameraSession& s, ImageListModel* list, int first) {
    for (int n = first; n <= 100 && int(list->lines.size()) < s.image_count; ++n) {
        std::string line = ImageListLine(n, s.quality[n - 1]);
        if (!line.empty()) list->lines.push_back(line);
    }
    list->selected.resize(list->lines.size(), false);
}

}  // namespace

void BuildImageList(const CameraSession& s, ImageListModel* list) {
    list->lines.clear();
    list->selected.clear();
    list->select_all = false;
    AddLinesFrom(s, list, 1);
}

void SelectLine(ImageListModel* list, int line, bool on) {
    if (line < 0 || line >= int(list->selected.size())) return;
    list->selected[line] = on;
    list->select_all = false;
}

bool ToggleSelectAll(ImageListModel* list) {
    list->select_all = !list->select_all;
    for (size_t i = 0; i < list->selected.size(); ++i) list->selected[i] = list->select_all;
    return list->select_all;
}

void DeselectAll(ImageListModel* list) {
    for (size_t i = 0; i < list->selected.size(); ++i) list->selected[i] = false;
}

std::vector<int> SelectedLines(const ImageListModel& list) {
    std::vector<int> lines;
    for (size_t i = 0; i < list.selected.size() && lines.size() < 100; ++i)
        if (list.selected[i]) lines.push_back(int(i));
    return lines;
}

void RemoveDeletedImage(CameraSession& s, ImageListModel* list, int line) {
    const int image = line + 1;
    if (image < 1 || image > 100 || s.image_count <= 0) return;
    --s.image_count;
    for (int n = image; n < 100; ++n) s.quality[n - 1] = s.quality[n];
    s.quality[99] = 255;
    if (line < int(list->lines.size())) {
        list->lines.resize(line);
        list->selected.resize(line);
    }
    AddLinesFrom(s, list, image);
}
