#include "album/album_layout.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "base/path.h"
#include "base/region.h"

namespace {

constexpr int kPitchX = 135;
constexpr int kPitchY = 155;
constexpr int kMargin = 5;
constexpr size_t kMaxPath = 260;

const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                 "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

const char kForbidden[] = "\\/:*?\"<>|";
const char kForbiddenJapanese[] = "\\/:,;*?\"<>|";

bool LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

int Larger(int a, int b) {
    return a > b ? a : b;
}
int Smaller(int a, int b) {
    return a < b ? a : b;
}

}  // namespace

void AlbumButtonOrigin(int index, int* x, int* y) {
    *x = (index % kAlbumColumns) * kPitchX + kMargin;
    *y = (index / kAlbumColumns) * kPitchY + kMargin;
}

AlbumSize AlbumWantedClientSize(int count) {
    const int n = count < 1 ? 1 : count;
    AlbumSize s;
    s.width = n > 4 ? 680 : n * kPitchX + kMargin;
    s.height = ((n - 1) / kAlbumColumns) * kPitchY + 160;
    return s;
}

AlbumSize AlbumClientAfterAdd(AlbumSize client, int previous_count, int new_count) {
    const AlbumSize before = AlbumWantedClientSize(previous_count);
    const AlbumSize after = AlbumWantedClientSize(new_count);
    AlbumSize s = client;
    if (client.width >= before.width) s.width = Larger(client.width, after.width);
    if (client.height >= before.height) s.height = Larger(client.height, after.height);
    return s;
}

AlbumSize AlbumClientAfterRemove(AlbumSize client, int new_count) {
    const AlbumSize after = AlbumWantedClientSize(new_count);
    return AlbumSize{Smaller(client.width, after.width), Smaller(client.height, after.height)};
}

int AlbumScrollMax(int wanted, int client, int bar) {
    if (wanted <= client) return 0;
    return wanted + bar - client - 1;
}

int AlbumKeyTarget(int current, int count, AlbumKey key) {
    if (current < 0 || current >= count) return -1;
    int target = current;
    switch (key) {
        case AlbumKey::kLeft:
            target = current - 1;
            break;
        case AlbumKey::kRight:
            target = current + 1;
            break;
        case AlbumKey::kUp:
            target = current - kAlbumColumns;
            break;
        case AlbumKey::kDown:
            target = current + kAlbumColumns;
            break;
    }
    return target >= 0 && target < count ? target : -1;
}

std::string AlbumDateText(const CameraDate& d, int region) {
    if (!d.known() || d.month < 1 || d.month > 12) return "";
    char buf[64];
    if (region == kRegionJapanese)
        std::snprintf(buf, sizeof buf, "%d/%d/%d", d.year, d.month, d.day);
    else if (region == kRegionFrench || region == kRegionGerman)
        std::snprintf(buf, sizeof buf, "%d %s.,%d", d.day, kMonths[d.month - 1], d.year);
    else
        std::snprintf(buf, sizeof buf, "%s. %d, %d", kMonths[d.month - 1], d.day, d.year);
    return buf;
}

bool RenameTextForbidden(const std::string& text, int region) {
    const bool japanese = region == kRegionJapanese;
    const char* set = japanese ? kForbiddenJapanese : kForbidden;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (japanese && LeadByte(c) && i + 1 < text.size()) {
            ++i;  // the trail byte may look like a backslash; it is part of the character
            continue;
        }
        if (c != 0 && std::strchr(set, c)) return true;
    }
    return false;
}

std::string RenameForbiddenMessage(int region) {
    const char* set = region == kRegionJapanese ? kForbiddenJapanese : kForbidden;
    std::string text = "Filename cannot contain the following characters.\n\t";
    for (const char* p = set; *p; ++p) {
        if (p != set) text += ' ';
        text += *p;
    }
    return text;
}

bool RenamedPath(const std::string& old_path, const std::string& text, std::string* new_path) {
    const std::string name = PathFileName(old_path);
    const size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : name.substr(dot);
    std::string result = PathFolder(old_path) + text;
    // The last four characters (".jpg", ".bmp") tell whether the text already has it.
    const bool has_ext =
        !ext.empty() && text.size() >= 4 && ext.size() == 4 && HasExtension(text, ext);
    if (!has_ext) result += ext;
    if (result.size() > kMaxPath) return false;
    *new_path = result;
    return true;
}

void AlbumAddOrder(std::vector<std::string>* files) {
    if (files->size() > 1) std::swap(files->front(), files->back());
}
